#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontOptions.h"
#include "font/detail/FontAccess.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "graphics/software/SoftwareTexture2D.h"
#include "tests/support/FontTestSupport.h"

// Each FontOptions setting against what FreeType itself renders for the same flags, and the
// shapes synthesis and outlines must have whatever the face.

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::Point;
using Graphics::Rectangle;
using Graphics::SurfaceFormat;
using Graphics::Texture2D;
using Graphics::Software::SoftwareGraphicsDevice;
using Testing::ReferenceFace;
using Testing::ReferenceGlyph;

constexpr std::u16string_view Preload =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";

const char* const DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The fixture face always; DejaVu Sans where it is installed, for real hinting instructions
// and stems (the fixture's triangles hint alike in most modes).
std::vector<std::u16string> Faces() {
  std::vector<std::u16string> faces{Testing::FixtureFontText("VennicorMetrics.ttf")};
  if (std::filesystem::exists(DejaVuSans)) {
    const std::string path = DejaVuSans;
    faces.emplace_back(path.begin(), path.end());
  } else {
    std::cout << "DejaVu Sans is not installed; hinting is checked on the fixture face only\n";
  }
  return faces;
}

// The glyph's pixels as the atlas holds them: coverage v as (v, v, v, v).
std::vector<std::uint8_t> AtlasCoverage(const Texture2D& atlas, const Rectangle& area) {
  std::vector<Color> texels(static_cast<std::size_t>(area.Width) *
                            static_cast<std::size_t>(area.Height));
  if (!texels.empty()) atlas.GetData(0, area, texels);
  std::vector<std::uint8_t> coverage;
  for (const Color c : texels) {
    EXPECT_TRUE(c.R == c.A && c.G == c.A && c.B == c.A);
    coverage.push_back(c.A);
  }
  return coverage;
}

Rectangle SourceOf(const Font::Glyph& glyph) {
  return {glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width, glyph.Bounds.Height};
}

// Every preload glyph of `font` has FreeType's image, offsets and advance from `render`.
template <class Render>
void ExpectGlyphsMatch(Font& font, Render render) {
  const auto& atlas = font.GlyphTexture();
  for (const char16_t c : Preload) {
    const Font::Glyph& glyph = font.GetGlyph(c);
    const ReferenceGlyph expected = render(c);
    SCOPED_TRACE(testing::Message() << "character " << static_cast<char>(c));
    ASSERT_EQ(glyph.Bounds, (Rectangle{0, 0, expected.Width, expected.Rows}));
    EXPECT_EQ(glyph.Advance, (Point{expected.AdvanceX, expected.AdvanceY}));
    EXPECT_EQ(glyph.Offset, (Point{expected.Left, font.Ascent() - expected.Top}));
    ASSERT_EQ(AtlasCoverage(*atlas, SourceOf(glyph)), expected.Coverage);
  }
}

struct HintingCase {
  FontHinting Hinting;
  FT_Int32 LoadFlags;
};

// Each mode gives exactly FreeType's bitmaps for its load flags, at two sizes, and the modes
// really differ on a hinted face (so no mode silently falls back to another).
TEST(FontOptions, EachHintingModeRendersAsFreeTypeDoesWithItsFlags) {
  const HintingCase cases[] = {{FontHinting::ForcedAuto, FT_LOAD_FORCE_AUTOHINT},
                               {FontHinting::Normal, FT_LOAD_DEFAULT},
                               {FontHinting::Light, FT_LOAD_TARGET_LIGHT},
                               {FontHinting::Mono, FT_LOAD_TARGET_MONO},
                               {FontHinting::None, FT_LOAD_NO_HINTING}};
  SoftwareGraphicsDevice device(1, 1);
  for (const std::u16string& face : Faces()) {
    for (const float size : {11.0F, 24.0F}) {
      const ReferenceFace reference(face, size);
      // Distinct renderings, compared with == (mingw's -O3 warns falsely on ordering vectors).
      std::vector<std::vector<std::uint8_t>> looks;
      for (const HintingCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << static_cast<int>(c.Hinting) << ", size " << size << ", face "
                     << std::string(face.begin(), face.end()));
        FontOptions options;
        options.Hinting = c.Hinting;
        Font font(device, face, size, FontStyle::Regular, options);
        ExpectGlyphsMatch(font, [&](char16_t ch) { return reference.RenderWith(ch, c.LoadFlags); });
        std::vector<std::uint8_t> all;
        for (const char16_t ch : Preload) {
          const std::vector<std::uint8_t> coverage =
              AtlasCoverage(*font.GlyphTexture(), SourceOf(font.GetGlyph(ch)));
          all.insert(all.end(), coverage.begin(), coverage.end());
        }
        if (c.Hinting == FontHinting::Mono) {
          for (const std::uint8_t v : all) ASSERT_TRUE(v == 0 || v == 255);
        }
        if (std::find(looks.begin(), looks.end(), all) == looks.end()) looks.push_back(all);
      }
      if (face.ends_with(u"DejaVuSans.ttf")) {
        EXPECT_EQ(looks.size(), std::size(cases));
      }
    }
  }
}

// Default options are the plain constructor's font, glyph for glyph.
TEST(FontOptions, DefaultOptionsRenderAsThePlainConstructor) {
  Testing::RecordingDevice device;
  const std::u16string face = Testing::FixtureFontText("VennicorMetrics.ttf");
  Font plain(device, face, 18);
  Font optioned(device, face, 18, FontStyle::Regular, FontOptions{});
  ASSERT_EQ(device.Textures.size(), 2U);
  EXPECT_EQ(device.Textures[0]->Uploads, device.Textures[1]->Uploads);
  for (const char16_t c : Preload) {
    EXPECT_EQ(AtlasCoverage(*device.Textures[0], SourceOf(plain.GetGlyph(c))),
              AtlasCoverage(*device.Textures[1], SourceOf(optioned.GetGlyph(c))));
  }
}

struct SynthesisCase {
  bool Bold;
  bool Oblique;
  FontHinting Hinting;
  FT_Int32 LoadFlags;
  FT_Render_Mode Mode;
};

// Bold and oblique glyphs are FreeType's own FT_GlyphSlot_Embolden / FT_GlyphSlot_Oblique
// results, advances included, in hinted, unhinted and one-bit rendering.
TEST(FontOptions, BoldAndObliqueAreFreeTypesSynthesis) {
  const SynthesisCase cases[] = {
      {true, false, FontHinting::ForcedAuto, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_NORMAL},
      {false, true, FontHinting::ForcedAuto, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_NORMAL},
      {true, true, FontHinting::None, FT_LOAD_NO_HINTING, FT_RENDER_MODE_NORMAL},
      {true, true, FontHinting::Mono, FT_LOAD_TARGET_MONO, FT_RENDER_MODE_MONO}};
  SoftwareGraphicsDevice device(1, 1);
  for (const std::u16string& face : Faces()) {
    const ReferenceFace reference(face, 20);
    for (const SynthesisCase& c : cases) {
      SCOPED_TRACE(testing::Message() << "bold " << c.Bold << ", oblique " << c.Oblique << ", mode "
                                      << static_cast<int>(c.Hinting));
      FontOptions options;
      options.Bold = c.Bold;
      options.Oblique = c.Oblique;
      options.Hinting = c.Hinting;
      Font font(device, face, 20, FontStyle::Regular, options);
      ExpectGlyphsMatch(font, [&](char16_t ch) {
        return reference.RenderSynthetic(ch, c.LoadFlags, c.Mode, c.Bold, c.Oblique);
      });
    }
  }
}

// Ink columns of a glyph image's row, as (first, last).
std::pair<int, int> InkSpan(const std::vector<std::uint8_t>& coverage, int width, int row) {
  int first = width;
  int last = -1;
  for (int x = 0; x < width; ++x) {
    if (coverage[static_cast<std::size_t>(row * width + x)] >= 128) {
      first = std::min(first, x);
      last = x;
    }
  }
  return {first, last};
}

// The shapes, whatever FreeType does: the fixture's triangles (apex centred over the base)
// widen and advance 2 px further at 48 px when bold (1/24 em), and lean right when oblique,
// by the slant's 0.2126 of their height.
TEST(FontOptions, BoldWidensStemsAndObliqueLeansGlyphsRight) {
  SoftwareGraphicsDevice device(1, 1);
  const std::u16string face = Testing::FixtureFontText("VennicorMetrics.ttf");
  FontOptions unhinted;
  unhinted.Hinting = FontHinting::None;
  FontOptions bold = unhinted;
  bold.Bold = true;
  FontOptions oblique = unhinted;
  oblique.Oblique = true;
  Font regularFont(device, face, 48, FontStyle::Regular, unhinted);
  Font boldFont(device, face, 48, FontStyle::Regular, bold);
  Font obliqueFont(device, face, 48, FontStyle::Regular, oblique);

  const auto image = [](Font& font) {
    const Font::Glyph& glyph = font.GetGlyph(u'H');
    return std::make_pair(AtlasCoverage(*font.GlyphTexture(), SourceOf(glyph)), glyph.Bounds);
  };
  const auto [regular, regularBounds] = image(regularFont);
  const auto [bolder, boldBounds] = image(boldFont);
  const auto [leaning, leaningBounds] = image(obliqueFont);

  EXPECT_EQ(boldFont.GetGlyph(u'H').Advance.X, regularFont.GetGlyph(u'H').Advance.X + 2);
  const auto regularBase = InkSpan(regular, regularBounds.Width, regularBounds.Height - 1);
  const auto boldBase = InkSpan(bolder, boldBounds.Width, boldBounds.Height - 1);
  EXPECT_GE(boldBase.second - boldBase.first, regularBase.second - regularBase.first + 2);
  EXPECT_GE(boldBounds.Height, regularBounds.Height + 1);

  const auto centre = [](std::pair<int, int> span) { return (span.first + span.second) / 2.0; };
  // Rows a fifth and nine tenths down the image, where the triangle has ink to centre on.
  const auto lean = [&](const std::vector<std::uint8_t>& coverage, const Rectangle& bounds) {
    const int top = bounds.Height / 5;
    const int bottom = bounds.Height * 9 / 10;
    return std::make_pair(centre(InkSpan(coverage, bounds.Width, top)) -
                              centre(InkSpan(coverage, bounds.Width, bottom)),
                          0.2126 * (bottom - top));
  };
  EXPECT_NEAR(lean(regular, regularBounds).first, 0, 1);
  const auto [leaned, expectedLean] = lean(leaning, leaningBounds);
  EXPECT_NEAR(leaned, expectedLean, 1.5);
  EXPECT_EQ(obliqueFont.GetGlyph(u'H').Advance, regularFont.GetGlyph(u'H').Advance);
}

// Each outline image is its glyph's image grown by the thickness rounded up on every side,
// placed that much up and left of it, and covers the glyph and a ring around it.
TEST(FontOptions, OutlineImagesFrameTheirGlyphs) {
  SoftwareGraphicsDevice device(1, 1);
  for (const std::u16string& face : Faces()) {
    for (const float thickness : {1.0F, 2.5F}) {
      SCOPED_TRACE(testing::Message() << "thickness " << thickness);
      FontOptions options;
      options.OutlineThickness = thickness;
      Font font(device, face, 24, FontStyle::Regular, options);
      FontOptions plainOptions;
      Font plain(device, face, 24, FontStyle::Regular, plainOptions);
      const auto margin = static_cast<std::int32_t>(std::ceil(thickness));
      const Detail::FontImpl& impl = Detail::FontAccess::Of(font);
      for (const char16_t c : Preload) {
        const Font::Glyph& glyph = font.GetGlyph(c);
        SCOPED_TRACE(testing::Message() << "character " << static_cast<char>(c));
        // The glyph images themselves are unchanged.
        ASSERT_EQ(AtlasCoverage(*font.GlyphTexture(), SourceOf(glyph)),
                  AtlasCoverage(*plain.GlyphTexture(), SourceOf(plain.GetGlyph(c))));
        const Detail::GlyphEntry& entry = *impl.Find(c);
        if (glyph.Bounds.Width == 0) {
          EXPECT_EQ(entry.OutlineSource.Width, 0);
          continue;
        }
        ASSERT_EQ(entry.OutlineSource.Width, glyph.Bounds.Width + 2 * margin);
        ASSERT_EQ(entry.OutlineSource.Height, glyph.Bounds.Height + 2 * margin);
        EXPECT_EQ(entry.OutlineOffset, (Point{glyph.Offset.X - margin, glyph.Offset.Y - margin}));
        const std::vector<std::uint8_t> fill = AtlasCoverage(*font.GlyphTexture(), SourceOf(glyph));
        const std::vector<std::uint8_t> outline =
            AtlasCoverage(*font.GlyphTexture(), entry.OutlineSource);
        std::int64_t fillInk = 0;
        std::int64_t outlineInk = 0;
        for (int y = 0; y < glyph.Bounds.Height; ++y) {
          for (int x = 0; x < glyph.Bounds.Width; ++x) {
            const std::uint8_t f = fill[static_cast<std::size_t>(y * glyph.Bounds.Width + x)];
            const std::uint8_t o = outline[static_cast<std::size_t>(
                (y + margin) * entry.OutlineSource.Width + x + margin)];
            if (f == 255) {
              ASSERT_EQ(o, 255) << x << ", " << y;
            }
          }
        }
        for (const std::uint8_t v : fill) fillInk += v;
        for (const std::uint8_t v : outline) outlineInk += v;
        EXPECT_GT(outlineInk, fillInk);
      }
    }
  }
}

// An Alpha8 atlas holds one byte a texel where the device offers it, and the same glyphs;
// a device that does not offer it gets the Color atlas it always got.
TEST(FontOptions, Alpha8AtlasHoldsTheSameGlyphsInAQuarterOfTheMemory) {
  const std::u16string face = Testing::FixtureFontText("VennicorMetrics.ttf");
  FontOptions alpha;
  alpha.AtlasFormat = SurfaceFormat::Alpha8;

  SoftwareGraphicsDevice device(1, 1);
  Font colorFont(device, face, 18);
  Font alphaFont(device, face, 18, FontStyle::Regular, alpha);
  const auto& colorAtlas =
      dynamic_cast<const Graphics::Software::SoftwareTexture2D&>(*colorFont.GlyphTexture());
  const auto& alphaAtlas =
      dynamic_cast<const Graphics::Software::SoftwareTexture2D&>(*alphaFont.GlyphTexture());
  EXPECT_EQ(alphaAtlas.Format(), SurfaceFormat::Alpha8);
  EXPECT_EQ(alphaAtlas.Alphas().size(), colorAtlas.Texels().size());
  EXPECT_TRUE(alphaAtlas.Texels().empty());
  std::vector<Color> colorTexels(colorAtlas.Texels().size());
  std::vector<Color> alphaTexels(colorTexels.size());
  colorAtlas.GetData(0, std::nullopt, colorTexels);
  alphaAtlas.GetData(0, std::nullopt, alphaTexels);
  EXPECT_TRUE(colorTexels == alphaTexels);

  Testing::RecordingDevice recording;
  Font fallback(recording, face, 18, FontStyle::Regular, alpha);
  Font plain(recording, face, 18);
  EXPECT_EQ(recording.Textures[0]->Format(), SurfaceFormat::Color);
  EXPECT_EQ(recording.Textures[0]->Uploads, recording.Textures[1]->Uploads);
}

}  // namespace
}  // namespace Vennicor::Font
