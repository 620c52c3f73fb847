// Opening a font by std::filesystem::path: the file and only the file, never an installed
// family of that name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <type_traits>

#include "font/Font.h"
#include "font/FontException.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FixtureFonts.h"

namespace Vennicor::Font {
namespace {

using Graphics::GraphicsDevice;
using Graphics::Software::SoftwareGraphicsDevice;

// A path constructor must not make string literals ambiguous between it and the name-or-path
// constructors.
static_assert(std::is_constructible_v<Font, GraphicsDevice&, const char16_t (&)[12], float>);
static_assert(std::is_constructible_v<Font, GraphicsDevice&, std::u16string, float>);
static_assert(std::is_constructible_v<Font, GraphicsDevice&, std::filesystem::path, float>);

TEST(FontPath, OpensTheFileItNames) {
  SoftwareGraphicsDevice device(1, 1);
  for (const char* file : {"VennicorMetrics.ttf", "VennicorMetrics-ńé.ttf"}) {
    const std::filesystem::path path = Testing::FixtureFont(file);
    Font byPath(device, path, 18);
    Font byText(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
    EXPECT_EQ(byPath.LineHeight(), byText.LineHeight()) << file;
    EXPECT_EQ(byPath.MeasureString(u"AVB"), byText.MeasureString(u"AVB")) << file;
  }
}

TEST(FontPath, NeverLooksUpAnInstalledFamily) {
  SoftwareGraphicsDevice device(1, 1);
  struct Bad {
    std::filesystem::path Path;
    const char* Why;
  };
  const Bad cases[] = {
      {"DejaVu Sans", "an installed family's name is not a file"},
      {Testing::FixtureFont("NoSuchFont.ttf"), "missing"},
      {Testing::TestDataFolder() / "fonts", "a folder"},
      {Testing::FixtureFont("NotAFont.ttf"), "not a font"},
      {"", "empty"},
  };
  for (const Bad& bad : cases) {
    try {
      Font font(device, bad.Path, 18);
      ADD_FAILURE() << bad.Why << ": opened";
    } catch (const FontException& error) {
      EXPECT_STREQ(error.what(), Messages::ErrorOpeningFontFile) << bad.Why;
    }
  }
}

}  // namespace
}  // namespace Vennicor::Font
