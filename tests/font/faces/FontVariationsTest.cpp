#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "font/Font.h"
#include "font/FontFamily.h"
#include "font/FontOptions.h"
#include "font/Version.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FixtureFonts.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/layout/TextLayout.h"
#endif

// The fixture's weight axis runs from 100 to 900; each glyph is a bar whose stem grows from 60
// to 300 units and whose advance grows from 400 to 800 (make_fonts.py, 1,000 units an em).

namespace Vennicor::Font {
namespace {

using Graphics::Software::SoftwareGraphicsDevice;

constexpr FontVariation Weight(float value) { return FontVariation{{'w', 'g', 'h', 't'}, value}; }

FontOptions WithVariations(std::vector<FontVariation> variations) {
  FontOptions options;
  options.Hinting = FontHinting::None;  // stems as designed, not snapped
  options.Variations = std::move(variations);
  return options;
}

TEST(FontVariations, SetTheInstanceThatGlyphsAndShapingUse) {
  constexpr float Size = 40;  // 0.04 px a unit: every advance below is whole pixels
  struct Case {
    const char* Name;
    std::vector<FontVariation> Variations;
    std::int32_t Advance;  // pixels
    double Stem;           // pixels of ink across the bar
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<Case> cases = {
      {"the default instance", {}, 16, 2.4},
      {"wght 500", {Weight(500)}, 24, 7.2},
      {"wght 900", {Weight(900)}, 32, 12},
      {"beyond the axis: its end", {Weight(2000)}, 32, 12},
      {"below the axis: its start", {Weight(-50)}, 16, 2.4},
      {"not finite: ignored", {Weight(nan)}, 16, 2.4},
      {"an axis the face lacks", {FontVariation{{'w', 'd', 't', 'h'}, 50}}, 16, 2.4},
      {"the last value of an axis", {Weight(900), Weight(500)}, 24, 7.2},
  };
  const std::filesystem::path file = Testing::FixtureFont("VennicorVariable.ttf");
  SoftwareGraphicsDevice device(8, 8);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Font font(device, file, Size, WithVariations(c.Variations));
    const Font::Glyph& bar = font.GetGlyph(U'A');
    EXPECT_EQ(bar.Advance.X, c.Advance);
    // Coverage spreads the stem over its edge pixels: the image is at most two wider.
    EXPECT_GE(bar.Bounds.Width, std::floor(c.Stem));
    EXPECT_LE(bar.Bounds.Width, std::ceil(c.Stem) + 1);
    EXPECT_EQ(font.MeasureString(u"AVA").X, 3.0F * static_cast<float>(c.Advance));
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
    // HarfBuzz shapes the same instance: its advances are the glyphs' own.
    const TextLayout layout(font, u"AVA");
    ASSERT_EQ(layout.LineGlyphs(0).size(), 3U);
    for (const auto& glyph : layout.LineGlyphs(0)) {
      EXPECT_EQ(glyph.Advance, static_cast<float>(c.Advance));
    }
#endif
    // Worker threads render with faces of their own: the same instance.
    FontOptions threaded = WithVariations(c.Variations);
    threaded.RenderThreads = 2;
    Font other(device, file, Size, threaded);
    EXPECT_EQ(other.GetGlyph(U'Z').Bounds, font.GetGlyph(U'Z').Bounds);
    EXPECT_EQ(other.GetGlyph(U'Z').Advance, font.GetGlyph(U'Z').Advance);
  }
}

// A glyph cache file holds one instance's images: another instance renders its own.
TEST(FontVariations, KeyGlyphCacheFiles) {
  const std::filesystem::path file = Testing::FixtureFont("VennicorVariable.ttf");
  const std::filesystem::path cache =
      std::filesystem::temp_directory_path() / "vennicor-variations-test.glyphs";
  SoftwareGraphicsDevice device(8, 8);
  Font(device, file, 20, WithVariations({Weight(900)})).SaveGlyphCache(cache);
  FontOptions same = WithVariations({Weight(900)});
  same.GlyphCache = cache;
  FontOptions other = WithVariations({Weight(500)});
  other.GlyphCache = cache;
  EXPECT_TRUE(Font(device, file, 20, same).StartedFromGlyphCache());
  EXPECT_FALSE(Font(device, file, 20, other).StartedFromGlyphCache());
  std::filesystem::remove(cache);
}

// A family given by the path of a variable face takes its styles from the face's instances: its
// bold is the wght 700 instance (the fixture's advance 700 units), not synthetic emboldening of
// the default; its italic, without an ital or slnt axis, is slanted.
TEST(FontVariations, AFamilyOfOneVariableFaceMakesItsBoldFromTheWeightAxis) {
  constexpr float Size = 40;
  SoftwareGraphicsDevice device(8, 8);
  const std::filesystem::path file = Testing::FixtureFont("VennicorVariable.ttf");
  FontOptions unhinted;
  unhinted.Hinting = FontHinting::None;
  FontFamily family(device, file.u16string(), unhinted);
  Font instance(device, file, Size, WithVariations({Weight(700)}));
  const Font::Glyph& bold = family.Get(FontStyle::Bold, Size).GetGlyph(U'A');
  EXPECT_EQ(bold.Advance.X, 28);
  EXPECT_EQ(bold.Bounds.Width, instance.GetGlyph(U'A').Bounds.Width);
  EXPECT_EQ(family.Get(FontStyle::Regular, Size).GetGlyph(U'A').Advance.X, 16);
  const Font::Glyph& italic = family.Get(FontStyle::Italic, Size).GetGlyph(U'A');
  EXPECT_EQ(italic.Advance.X, 16);
  EXPECT_GT(italic.Bounds.Width, family.Get(FontStyle::Regular, Size).GetGlyph(U'A').Bounds.Width);
  // The family's own value for the axis wins.
  FontOptions light = unhinted;
  light.Variations = {Weight(500)};
  FontFamily lightFamily(device, file.u16string(), light);
  EXPECT_EQ(lightFamily.Get(FontStyle::Bold, Size).GetGlyph(U'A').Advance.X, 24);
}

}  // namespace
}  // namespace Vennicor::Font
