#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontOptions.h"
#include "font/detail/FontAccess.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "graphics/software/SoftwareTexture2D.h"
#include "tests/support/FontTestSupport.h"

// Drawing fonts made with FontOptions: outlines under the text, shadows, distance fields at
// any scale and Alpha8 atlases, on the software device.

namespace Vennicor::Font {
namespace {

using Graphics::BlendState;
using Graphics::Color;
using Graphics::Rectangle;
using Graphics::SamplerState;
using Graphics::SpriteBatch;
using Graphics::SpriteEffects;
using Graphics::SpriteSortMode;
using Graphics::Texture2D;
using Graphics::Vector2;
using Graphics::Software::SoftwareGraphicsDevice;

std::u16string MetricsFont() { return Testing::FixtureFontText("VennicorMetrics.ttf"); }

struct Sprite {
  Vector2 Position;
  Rectangle Source;
  Color Tint;
};

// Records every sprite instead of queuing it.
class RecordingSpriteBatch final : public SpriteBatch {
 public:
  using SpriteBatch::SpriteBatch;
  void Draw(const std::shared_ptr<Texture2D>& /*texture*/, Vector2 position,
            std::optional<Rectangle> sourceRectangle, Color color, float /*rotation*/,
            Vector2 /*origin*/, Vector2 /*scale*/, SpriteEffects /*effects*/,
            float /*layerDepth*/) override {
    Sprites.push_back({position, sourceRectangle.value_or(Rectangle{}), color});
  }
  std::vector<Sprite> Sprites;
};

FontOptions Outlined(float thickness) {
  FontOptions options;
  options.OutlineThickness = thickness;
  return options;
}

// All the outlines first, in the outline colour and from the outline images, then the glyphs
// over them, each at its own offset; a shadow is the text once more, offset, underneath.
TEST(FontLooksDrawing, OutlinesAndShadowsAreQueuedUnderTheText) {
  SoftwareGraphicsDevice device(1, 1);
  Font font(device, MetricsFont(), 18, FontStyle::Regular, Outlined(2));
  const Detail::FontImpl& impl = Detail::FontAccess::Of(font);
  RecordingSpriteBatch batch(device);
  const std::u16string text = u"AVB";
  const Color red(255, 0, 0, 255);
  SpriteBatchEx::DrawOutlinedString(batch, font, text, {10, 20}, Color::White(), red, 0, {0, 0},
                                    {1, 1}, SpriteEffects::None, 0, 0);
  ASSERT_EQ(batch.Sprites.size(), 2 * text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Sprite& outline = batch.Sprites[i];
    const Sprite& fill = batch.Sprites[text.size() + i];
    const Detail::GlyphEntry& entry = *impl.Find(text[i]);
    EXPECT_EQ(outline.Tint, red);
    EXPECT_EQ(outline.Source, entry.OutlineSource);
    EXPECT_EQ(fill.Tint, Color::White());
    EXPECT_EQ(fill.Source.Width, entry.Record.Bounds.Width);
    EXPECT_EQ(outline.Position.X, fill.Position.X - 2);
    EXPECT_EQ(outline.Position.Y, fill.Position.Y - 2);
  }

  // A font without outline images draws its glyphs alone.
  Font plain(device, MetricsFont(), 18);
  batch.Sprites.clear();
  SpriteBatchEx::DrawOutlinedString(batch, plain, text, {10, 20}, Color::White(), red, 0, {0, 0},
                                    {1, 1}, SpriteEffects::None, 0, 0);
  EXPECT_EQ(batch.Sprites.size(), text.size());

  batch.Sprites.clear();
  const Color shadow(0, 0, 0, 128);
  SpriteBatchEx::DrawStringWithShadow(batch, plain, text, {10, 20}, Color::White(), {3, 2}, shadow,
                                      0, {0, 0}, {1, 1}, SpriteEffects::None, 0, 0);
  ASSERT_EQ(batch.Sprites.size(), 2 * text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    EXPECT_EQ(batch.Sprites[i].Tint, shadow);
    EXPECT_EQ(batch.Sprites[i].Position.X, batch.Sprites[text.size() + i].Position.X + 3);
    EXPECT_EQ(batch.Sprites[i].Position.Y, batch.Sprites[text.size() + i].Position.Y + 2);
    EXPECT_EQ(batch.Sprites[i].Source, batch.Sprites[text.size() + i].Source);
  }
}

// On screen the text covers its outline: inside a glyph the text colour shows exactly, even
// with a translucent outline colour; around it the outline blends with the background.
TEST(FontLooksDrawing, TextCoversItsTranslucentOutline) {
  SoftwareGraphicsDevice device(120, 60);
  device.Clear(Color::Black());
  Font font(device, MetricsFont(), 40, FontStyle::Regular, Outlined(3));
  SpriteBatch batch(device);
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::PointClamp);
  const Color halfRed(128, 0, 0, 128);
  SpriteBatchEx::DrawOutlinedString(batch, font, u"H", {10, 5}, Color::White(), halfRed, 0, {0, 0},
                                    {1, 1}, SpriteEffects::None, 0, 0);
  batch.End();

  const Font::Glyph& glyph = font.GetGlyph(u'H');
  const auto& atlas =
      dynamic_cast<const Graphics::Software::SoftwareTexture2D&>(*font.GlyphTexture());
  int inside = 0;
  int ring = 0;
  const int left = 10 + glyph.Offset.X;
  const int top = 5 + glyph.Offset.Y;
  for (int y = -3; y < glyph.Bounds.Height + 3; ++y) {
    for (int x = -3; x < glyph.Bounds.Width + 3; ++x) {
      const bool inImage = x >= 0 && y >= 0 && x < glyph.Bounds.Width && y < glyph.Bounds.Height;
      const std::uint8_t coverage =
          inImage ? atlas
                        .Texels()[static_cast<std::size_t>(glyph.Position.Y + y) *
                                      static_cast<std::size_t>(atlas.Width()) +
                                  static_cast<std::size_t>(glyph.Position.X + x)]
                        .A
                  : 0;
      const Color pixel = device.GetPixel(left + x, top + y);
      if (coverage == 255) {
        EXPECT_EQ(pixel, Color::White()) << x << ", " << y;
        ++inside;
      } else if (coverage == 0 && pixel.R != 0) {
        // Only the outline reached this pixel: at most its colour over black.
        EXPECT_LE(pixel.R, 128);
        EXPECT_EQ(pixel.G, 0);
        if (pixel.R == 128) ++ring;
      }
    }
  }
  EXPECT_GT(inside, 10);
  EXPECT_GT(ring, 10);
}

// Color and Alpha8 atlases draw the same pixels, exactly, in every sampling path: whole-pixel
// copies, scaled and rotated sprites, tinted, with point and linear sampling.
TEST(FontLooksDrawing, Alpha8AtlasDrawsTheSamePixelsAsColor) {
  struct Case {
    float Scale;
    float Rotation;
    SamplerState Sampler;
    Color Tint;
  };
  const Case cases[] = {{1, 0, SamplerState::PointClamp, Color::White()},
                        {1, 0, SamplerState::LinearClamp, Color(200, 100, 0, 200)},
                        {1.7F, 0.3F, SamplerState::LinearClamp, Color::White()},
                        {2.5F, -0.2F, SamplerState::PointClamp, Color(0, 0, 255, 255)}};
  FontOptions alpha;
  alpha.AtlasFormat = Graphics::SurfaceFormat::Alpha8;
  for (const Case& c : cases) {
    std::vector<Color> pictures[2];
    for (int format = 0; format < 2; ++format) {
      SoftwareGraphicsDevice device(200, 100);
      device.Clear(Color(30, 60, 90, 255));
      Font font(device, MetricsFont(), 18, FontStyle::Regular, format == 0 ? FontOptions{} : alpha);
      SpriteBatch batch(device);
      batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, c.Sampler);
      SpriteBatchEx::DrawString(batch, font, u"Alpha8 (AV)", {8, 20}, c.Tint, c.Rotation, {0, 0},
                                {c.Scale, c.Scale}, SpriteEffects::None, 0, 0);
      batch.End();
      pictures[format].assign(device.BackBuffer().begin(), device.BackBuffer().end());
    }
    EXPECT_TRUE(pictures[0] == pictures[1]) << "scale " << c.Scale;
  }
}

}  // namespace
}  // namespace Vennicor::Font

namespace Vennicor::Font {
namespace {

FontOptions Field(float spread = 8) {
  FontOptions options;
  options.Hinting = FontHinting::None;
  options.DistanceField = true;
  options.DistanceFieldSpread = spread;
  return options;
}

FontOptions Unhinted() {
  FontOptions options;
  options.Hinting = FontHinting::None;
  return options;
}

// A field image is its coverage image grown by the spread on every side, and reads above the
// edge value 128 wherever the glyph covers a whole pixel, below it wherever a pixel and its
// neighbours are empty.
TEST(FontLooksDrawing, DistanceFieldsAreInsideAboveTheEdgeAndOutsideBelow) {
  SoftwareGraphicsDevice device(1, 1);
  for (const float spread : {4.0F, 8.0F}) {
    Font field(device, MetricsFont(), 32, FontStyle::Regular, Field(spread));
    Font coverage(device, MetricsFont(), 32, FontStyle::Regular, Unhinted());
    const auto& fieldAtlas =
        dynamic_cast<const Graphics::Software::SoftwareTexture2D&>(*field.GlyphTexture());
    const auto& coverageAtlas =
        dynamic_cast<const Graphics::Software::SoftwareTexture2D&>(*coverage.GlyphTexture());
    const auto at = [](const Graphics::Software::SoftwareTexture2D& atlas, int x, int y) {
      if (x < 0 || y < 0 || x >= atlas.Width() || y >= atlas.Height()) return 0;
      return static_cast<int>(atlas.Texels()[static_cast<std::size_t>(y * atlas.Width() + x)].A);
    };
    const auto s = static_cast<int>(spread);
    for (const char16_t c : std::u16string_view(u"AHgx&")) {
      const Font::Glyph& f = field.GetGlyph(c);
      const Font::Glyph& g = coverage.GetGlyph(c);
      SCOPED_TRACE(testing::Message() << "character " << static_cast<char>(c));
      ASSERT_EQ(f.Bounds.Width, g.Bounds.Width + 2 * s);
      ASSERT_EQ(f.Bounds.Height, g.Bounds.Height + 2 * s);
      EXPECT_EQ(f.Offset.X, g.Offset.X - s);
      EXPECT_EQ(f.Offset.Y, g.Offset.Y - s);
      EXPECT_EQ(f.Advance, g.Advance);
      for (int y = -s; y < g.Bounds.Height + s; ++y) {
        for (int x = -s; x < g.Bounds.Width + s; ++x) {
          const bool inImage = x >= 0 && y >= 0 && x < g.Bounds.Width && y < g.Bounds.Height;
          const int cover = inImage ? at(coverageAtlas, g.Position.X + x, g.Position.Y + y) : 0;
          int around = 0;
          for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
              const bool in =
                  x + dx >= 0 && y + dy >= 0 && x + dx < g.Bounds.Width && y + dy < g.Bounds.Height;
              if (in) around += at(coverageAtlas, g.Position.X + x + dx, g.Position.Y + y + dy);
            }
          }
          const int distance = at(fieldAtlas, f.Position.X + x + s, f.Position.Y + y + s);
          if (cover == 255) {
            ASSERT_GT(distance, 128) << x << ", " << y;
          } else if (around == 0) {
            ASSERT_LT(distance, 128) << x << ", " << y;
          }
        }
      }
    }
  }
}

struct Picture {
  std::vector<int> Coverage;  // alpha of white text on transparent black
  int Width = 0;
};

// One glyph drawn white with its baseline at `baseline` and its pen at x = 20.
Picture DrawGlyph(Font& font, char16_t character, float scale, bool field, int width, int height,
                  int baseline) {
  SoftwareGraphicsDevice device(width, height);
  SpriteBatch batch(device);
  const Graphics::DistanceFieldEffect effect = SpriteBatchEx::DistanceFieldEffectOf(font);
  EXPECT_EQ(effect.Enabled, field);
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
              std::nullopt, effect);
  const std::u16string text(1, character);
  const float top = static_cast<float>(baseline) - static_cast<float>(font.Ascent()) * scale;
  SpriteBatchEx::DrawString(batch, font, text, {20, top}, Color::White(), 0, {0, 0}, {scale, scale},
                            SpriteEffects::None, 0, 0);
  batch.End();
  Picture picture;
  picture.Width = width;
  for (const Color c : device.BackBuffer()) picture.Coverage.push_back(c.A);
  return picture;
}

// One 32 px field draws a glyph at 1x, 2x and 8x as the coverage font of that size draws it.
// The two differ only along the edge: a bilinear field and exact coverage estimate a partly
// covered pixel differently, and a field rounds the sharp apexes of the fixture's triangles off
// within a texel (scale pixels). So a pixel may differ by more than a quarter only within
// max(2, scale) pixels of where the coverage picture changes between ink and background, at
// most 3 % of the ink's pixel count may, and the total ink agrees within 2 %.
TEST(FontLooksDrawing, OneDistanceFieldDrawsTextAtAnyScaleAsCoverageTextOfThatSize) {
  SoftwareGraphicsDevice atlasDevice(1, 1);
  Font field(atlasDevice, MetricsFont(), 32, FontStyle::Regular, Field());
  for (const int scale : {1, 2, 8}) {
    Font coverage(atlasDevice, MetricsFont(), static_cast<float>(32 * scale), FontStyle::Regular,
                  Unhinted());
    for (const char16_t c : std::u16string_view(u"AHg")) {
      SCOPED_TRACE(testing::Message()
                   << "scale " << scale << ", character " << static_cast<char>(c));
      const int width = 40 + 32 * scale;
      const int height = 20 + 40 * scale;
      const int baseline = 10 + 30 * scale;
      const Picture expected = DrawGlyph(coverage, c, 1, false, width, height, baseline);
      const Picture drawn =
          DrawGlyph(field, c, static_cast<float>(scale), true, width, height, baseline);
      // Whether the coverage picture changes from inside to outside within `radius` of a pixel.
      const int radius = std::max(2, scale);
      const auto nearEdge = [&](int x, int y) {
        int least = 255;
        int most = 0;
        for (int dy = -radius; dy <= radius; ++dy) {
          for (int dx = -radius; dx <= radius; ++dx) {
            const int nx = std::clamp(x + dx, 0, width - 1);
            const int ny = std::clamp(y + dy, 0, height - 1);
            const int value = expected.Coverage[static_cast<std::size_t>(ny * width + nx)];
            least = std::min(least, value);
            most = std::max(most, value);
          }
        }
        return least < 128 && most >= 128;
      };
      long inkExpected = 0;
      long inkDrawn = 0;
      long far = 0;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const auto i = static_cast<std::size_t>(y * width + x);
          inkExpected += expected.Coverage[i];
          inkDrawn += drawn.Coverage[i];
          if (std::abs(expected.Coverage[i] - drawn.Coverage[i]) > 64) {
            ++far;
            ASSERT_TRUE(nearEdge(x, y)) << x << ", " << y;
          }
        }
      }
      EXPECT_NEAR(static_cast<double>(inkDrawn) / static_cast<double>(inkExpected), 1.0, 0.02);
      EXPECT_LE(static_cast<double>(far), 0.03 * static_cast<double>(inkExpected) / 255.0);
    }
  }
}

}  // namespace
}  // namespace Vennicor::Font
