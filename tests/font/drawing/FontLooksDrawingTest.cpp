#include <gtest/gtest.h>

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
