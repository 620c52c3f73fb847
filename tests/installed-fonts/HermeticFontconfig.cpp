#include "HermeticFontconfig.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/FixtureFonts.h"

namespace Vennicor::Font::Testing {

namespace {

std::filesystem::path ProcessFolder() {
  return std::filesystem::temp_directory_path() /
         ("vennicor-fontconfig-" + std::to_string(::getpid()));
}

std::string XmlText(const std::filesystem::path& path) {
  std::string text;
  for (const char character : path.string()) {
    switch (character) {
      case '&':
        text += "&amp;";
        break;
      case '<':
        text += "&lt;";
        break;
      case '>':
        text += "&gt;";
        break;
      default:
        text += character;
    }
  }
  return text;
}

// Writes the configuration and points FONTCONFIG_FILE at it. This runs before any test, and so
// before fontconfig reads its configuration for the first time in this process.
class HermeticFontconfig : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::filesystem::path folder = ProcessFolder();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(AddedFontsFolder());
    const std::filesystem::path fixtures =
        std::filesystem::absolute(TestDataFolder() / "fonts" / "installed");
    ASSERT_TRUE(std::filesystem::is_directory(fixtures)) << fixtures;
    const std::filesystem::path configuration = folder / "fonts.conf";
    {
      std::ofstream out(configuration);
      out << "<?xml version=\"1.0\"?>\n"
          << "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
          << "<fontconfig>\n"
          << "  <dir>" << XmlText(fixtures) << "</dir>\n"
          << "  <dir>" << XmlText(AddedFontsFolder()) << "</dir>\n"
          << "  <cachedir>" << XmlText(folder / "cache") << "</cachedir>\n"
          << "</fontconfig>\n";
    }
    ASSERT_EQ(::setenv("FONTCONFIG_FILE", configuration.c_str(), 1), 0);
  }

  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(ProcessFolder(), ignored);
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new HermeticFontconfig);  // NOLINT: gtest takes it

}  // namespace

std::filesystem::path AddedFontsFolder() { return ProcessFolder() / "added"; }

}  // namespace Vennicor::Font::Testing
