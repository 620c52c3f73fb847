#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/detail/FaceHandle.h"
#include "tests/support/FixtureFonts.h"

namespace {

using Vennicor::Font::FaceHandle;
using Vennicor::Font::FontException;
using Vennicor::Font::FontStyle;
using Vennicor::Font::FreeTypeManager;
using Vennicor::Font::Testing::FixtureFont;
namespace Messages = Vennicor::Font::Messages;

static_assert(!std::is_copy_constructible_v<FreeTypeManager>);
static_assert(!std::is_move_constructible_v<FreeTypeManager>);

std::u16string Text(const std::filesystem::path& path) { return path.u16string(); }

template <typename Action>
std::string MessageOf(Action action) {
  try {
    action();
  } catch (const FontException& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(FreeTypeManager, LibraryLivesWhileAnyManagerIsRegistered) {
  FreeTypeManager observer;
  observer.Dispose();
  ASSERT_EQ(observer.GetLibraryInstance(), nullptr);
  auto first = std::make_unique<FreeTypeManager>();
  const FT_Library library = first->GetLibraryInstance();
  ASSERT_NE(library, nullptr);
  auto second = std::make_unique<FreeTypeManager>();
  EXPECT_EQ(second->GetLibraryInstance(), library);

  FaceHandle face(second->OpenFont(Text(FixtureFont("VennicorMetrics.ttf")), FontStyle::Regular));
  first.reset();
  EXPECT_EQ(second->GetLibraryInstance(), library);
  // The face of the remaining user is still usable.
  EXPECT_EQ(FT_Set_Char_Size(face.get(), 0, 18L * 64, 72, 72), 0);
  EXPECT_EQ(FT_Load_Char(face.get(), u'A', FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT), 0);
  face.reset();
  second->Dispose();
  EXPECT_EQ(second->GetLibraryInstance(), nullptr);
}

TEST(FreeTypeManager, DisposeGivesTheUserBackOnce) {
  FreeTypeManager keeper;
  const FT_Library library = keeper.GetLibraryInstance();
  {
    FreeTypeManager other;
    other.Dispose();
    other.Dispose();
    // The destructor after Dispose gives nothing back either.
  }
  EXPECT_EQ(keeper.GetLibraryInstance(), library);
  keeper.Dispose();
  EXPECT_EQ(keeper.GetLibraryInstance(), nullptr);
}

TEST(FreeTypeManager, ReinitializationAfterTheLastReleaseGivesAWorkingLibrary) {
  FreeTypeManager first;
  FaceHandle earlier(first.OpenFont(Text(FixtureFont("VennicorMetrics.ttf")), FontStyle::Regular));
  earlier.reset();
  first.Dispose();
  ASSERT_EQ(first.GetLibraryInstance(), nullptr);

  FreeTypeManager second;
  ASSERT_NE(second.GetLibraryInstance(), nullptr);
  FaceHandle face(second.OpenFont(Text(FixtureFont("VennicorMetrics.ttf")), FontStyle::Regular));
  EXPECT_EQ(face->units_per_EM, 1000);
}

struct PathCase {
  const char* Name;
  std::string File;
  FontStyle Style;
  const char* PostScriptName;
};

void PrintTo(const PathCase& value, std::ostream* out) { *out << value.File; }

class OpenFontByPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(OpenFontByPath, OpensTheFirstFaceWhateverTheStyle) {
  FreeTypeManager manager;
  const FaceHandle face(manager.OpenFont(Text(FixtureFont(GetParam().File)), GetParam().Style));
  ASSERT_TRUE(face);
  EXPECT_EQ(face->face_index, 0);
  EXPECT_STREQ(FT_Get_Postscript_Name(face.get()), GetParam().PostScriptName);
}

const PathCase PathCases[] = {
    {"Metrics", "VennicorMetrics.ttf", FontStyle::Regular, "VennicorMetrics-Regular"},
#ifndef _WIN32
    // On Windows a path reaches FreeType in the ANSI code page, which has no U+0144; the Windows
    // lookup tests cover that platform's path handling.
    {"NonAsciiFileName", "VennicorMetrics-\u0144\u00e9.ttf", FontStyle::Regular,
     "VennicorMetrics-Regular"},
#endif
    {"BoldAskedOfACollection", "installed/VennicorMulti.ttf", FontStyle::Bold,
     "VennicorMulti-Regular"},
    {"ItalicAskedOfABoldFile", "installed/VennicorLookup-Bold.ttf", FontStyle::Italic,
     "VennicorLookup-Bold"},
    // By path the extension does not matter: FreeType reads what it can.
    {"OtfByPath", "installed/VennicorShy.otf", FontStyle::Regular, "VennicorShy-Regular"},
};

INSTANTIATE_TEST_SUITE_P(Fixtures, OpenFontByPath, ::testing::ValuesIn(PathCases),
                         [](const auto& test) { return std::string(test.param.Name); });

TEST(FreeTypeManager, ExistingFileThatIsNoFontIsAnError) {
  FreeTypeManager manager;
  EXPECT_EQ(
      MessageOf([&] { manager.OpenFont(Text(FixtureFont("NotAFont.ttf")), FontStyle::Regular); }),
      Messages::ErrorOpeningFontFile);
}

}  // namespace
