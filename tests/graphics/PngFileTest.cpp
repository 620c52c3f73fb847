#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/software/PngFile.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

using namespace Vennicor::Graphics;
namespace fs = std::filesystem;

namespace {

class PngFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::temp_directory_path() /
             ("vennicor-png-" + std::to_string(::getpid()) + "-" + test->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::vector<fs::path> FolderContents() const {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path());
    return names;
  }

  fs::path folder;
};

const std::vector<Color> Pixels = {Color(255, 0, 0, 255),     Color(0, 255, 0, 128),
                                   Color(0, 0, 0, 0),         Color(1, 2, 3, 4),
                                   Color(250, 251, 252, 253), Color(9, 99, 199, 255)};

TEST_F(PngFileTest, RoundTripKeepsEveryChannel) {
  const fs::path path = folder / "round trip é.png";
  Software::SavePng(path, 3, 2, Pixels);
  const Software::PngImage image = Software::LoadPng(path);
  EXPECT_EQ(image.Width, 3);
  EXPECT_EQ(image.Height, 2);
  EXPECT_EQ(image.Pixels, Pixels);
  EXPECT_EQ(FolderContents(), std::vector<fs::path>{path}) << "no temporary file left behind";
}

TEST_F(PngFileTest, SaveReplacesAnExistingFile) {
  const fs::path path = folder / "picture.png";
  Software::SavePng(path, 3, 2, Pixels);
  Software::SavePng(path, 1, 1, std::vector<Color>{Color(5, 6, 7, 8)});
  const auto image = Software::LoadPng(path);
  EXPECT_EQ(image.Width, 1);
  EXPECT_EQ(image.Pixels, std::vector<Color>{Color(5, 6, 7, 8)});
}

TEST_F(PngFileTest, BackBufferSavesWhatWasDrawn) {
  Software::SoftwareGraphicsDevice device(5, 4);
  device.Clear(Color::CornflowerBlue());
  auto texture = device.CreateTexture2D(3, 2, false, SurfaceFormat::Color);
  texture->SetData(Pixels);
  SpriteBatch batch(device);
  batch.Begin();
  batch.Draw(texture, Vector2{1, 1}, Color::White());
  batch.End();
  const fs::path path = folder / "back buffer.png";
  device.SaveBackBuffer(path);
  const auto image = Software::LoadPng(path);
  EXPECT_EQ(image.Width, 5);
  EXPECT_EQ(image.Height, 4);
  EXPECT_TRUE(std::equal(image.Pixels.begin(), image.Pixels.end(), device.BackBuffer().begin(),
                         device.BackBuffer().end()));
}

TEST_F(PngFileTest, FailedSaveLeavesNoFileAndKeepsTheOldOne) {
  // Folder missing, or a file where a folder should be: nothing can be created.
  const fs::path notAFolder = folder / "plain file";
  std::ofstream(notAFolder) << "x";
  for (const fs::path& path : {folder / "missing" / "out.png", notAFolder / "out.png"}) {
    SCOPED_TRACE(path.string());
    try {
      Software::SavePng(path, 3, 2, Pixels);
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos)
          << "the message names the path: " << error.what();
    }
  }
  // The PNG is written completely but cannot take the target's place (a folder is there):
  // the written data is removed again and the folder is untouched.
  const fs::path occupied = folder / "occupied.png";
  fs::create_directory(occupied);
  std::ofstream(occupied / "inside") << "keep";
  EXPECT_THROW(Software::SavePng(occupied, 3, 2, Pixels), std::runtime_error);
  EXPECT_TRUE(fs::is_directory(occupied));
  EXPECT_TRUE(fs::exists(occupied / "inside"));
  std::vector<fs::path> expected{notAFolder, occupied};
  auto contents = FolderContents();
  std::sort(contents.begin(), contents.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(contents, expected) << "no partial file remains";
}

TEST_F(PngFileTest, SizeMustMatchThePixels) {
  const fs::path path = folder / "bad.png";
  EXPECT_THROW(Software::SavePng(path, 3, 3, Pixels), std::invalid_argument);
  EXPECT_THROW(Software::SavePng(path, 0, 0, {}), std::invalid_argument);
  EXPECT_THROW(Software::SavePng(path, -3, -2, Pixels), std::invalid_argument);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(PngFileTest, LoadRejectsWhatIsNotAPng) {
  EXPECT_THROW((void)Software::LoadPng(folder / "absent.png"), std::runtime_error);
  const fs::path text = folder / "text.png";
  std::ofstream(text) << "not a picture";
  EXPECT_THROW((void)Software::LoadPng(text), std::runtime_error);
  // A real PNG cut short.
  const fs::path whole = folder / "whole.png";
  Software::SavePng(whole, 3, 2, Pixels);
  const auto size = fs::file_size(whole);
  fs::copy_file(whole, folder / "cut.png");
  fs::resize_file(folder / "cut.png", size - 20);
  EXPECT_THROW((void)Software::LoadPng(folder / "cut.png"), std::runtime_error);
}

}  // namespace
