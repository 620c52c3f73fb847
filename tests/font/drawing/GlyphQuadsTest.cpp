// Glyph quads must place glyphs exactly as DrawString does: each case draws a string with
// DrawString into one back buffer and its quads, as plain sprite quads, into another, and the
// two must be identical. Also the short DrawString forms against the full one.
#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "font/FontException.h"
#include "font/drawing/GlyphQuads.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FixtureFonts.h"

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::SpriteBatch;
using Graphics::SpriteEffects;
using Graphics::Vector2;
using Graphics::Software::SoftwareGraphicsDevice;

constexpr std::int32_t Width = 200;
constexpr std::int32_t Height = 120;
const Color Backdrop(20, 30, 40, 255);

struct Case {
  const char* Name;
  std::u16string Text;
  Vector2 Position;
  Color Tint = Color::White();
  float Rotation = 0;
  Vector2 Origin;
  Vector2 Scale{1, 1};
  SpriteEffects Effects = SpriteEffects::None;
  float Depth = 0;
  char16_t Last = 0;
};

const Color White = Color::White();
constexpr SpriteEffects NoFlip = SpriteEffects::None;

const Case Cases[] = {
    // name, text, position, tint, rotation, origin, scale, effects, depth, character before
    {"Plain", u"AV Vennicor 0123", {3.4F, 5.6F}, White, 0, {}, {1, 1}, NoFlip, 0, 0},
    {"Tinted", u"AVAVAV", {10, 10}, Color(200, 100, 0, 200), 0, {}, {1, 1}, NoFlip, 0, 0},
    {"RotatedAboutOrigin", u"Turned AV", {100, 60}, White, 0.7F, {30, 9}, {1, 1}, NoFlip, 0, 0},
    {"ScaledUnevenly", u"Scaled", {2.3F, 20.7F}, White, 0, {}, {1.7F, 0.8F}, NoFlip, 0, 0},
    {"FlippedBothWays",
     u"Flip AV",
     {5.5F, 40.2F},
     Color(0, 160, 255, 255),
     0,
     {},
     {1, 1},
     SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically,
     0,
     0},
    {"KernedAgainstTheCharacterBefore", u"VAV", {7, 7}, White, 0, {}, {1, 1}, NoFlip, 0.25F, u'A'},
    {"ControlCharactersAndNonAscii",
     u"A\tV\u00E9\nB\u00C0",
     {50, 50},
     White,
     -std::numbers::pi_v<float> / 5,
     {4, 4},
     {1.3F, 1.3F},
     NoFlip,
     0,
     0},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.Name; }

class GlyphQuads : public ::testing::TestWithParam<Case> {
 protected:
  // Glyph textures live on a device of their own: software textures draw on any software
  // device, so both renderings read the same atlas.
  SoftwareGraphicsDevice fontDevice{1, 1};
  Font font{fontDevice, Testing::FixtureFontText("VennicorMetrics.ttf"), 18};
};

std::vector<Color> Pixels(const SoftwareGraphicsDevice& device) {
  return {device.BackBuffer().begin(), device.BackBuffer().end()};
}

// The quads as a sprite batch would hand them to a device.
void DrawQuads(SoftwareGraphicsDevice& device, const std::vector<GlyphQuad>& quads) {
  std::vector<Graphics::SpriteQuad> sprites;
  for (const GlyphQuad& q : quads) {
    sprites.push_back({q.Texture.get(), q.TopLeft, q.TopRight, q.BottomLeft, q.BottomRight,
                       q.TexTopLeft, q.TexBottomRight, q.Color, q.Depth});
  }
  device.DrawSprites(sprites, {});
}

TEST_P(GlyphQuads, DrawTheBackBufferDrawStringDraws) {
  const Case& c = GetParam();
  SoftwareGraphicsDevice viaDrawString(Width, Height);
  viaDrawString.Clear(Backdrop);
  SpriteBatch batch(viaDrawString);
  batch.Begin();
  SpriteBatchEx::DrawString(batch, font, c.Text, c.Position, c.Tint, c.Rotation, c.Origin, c.Scale,
                            c.Effects, c.Depth, c.Last);
  batch.End();

  GlyphQuadBuilder builder;
  std::vector<GlyphQuad> quads(1);  // appended to: what is there stays
  builder.Build(font, c.Text, c.Position, c.Tint, c.Rotation, c.Origin, c.Scale, c.Effects, c.Depth,
                c.Last, quads);
  quads.erase(quads.begin());
  SoftwareGraphicsDevice viaQuads(Width, Height);
  viaQuads.Clear(Backdrop);
  DrawQuads(viaQuads, quads);

  EXPECT_EQ(Pixels(viaQuads), Pixels(viaDrawString));
  EXPECT_NE(Pixels(viaQuads), std::vector<Color>(Width * Height, Backdrop)) << "nothing drawn";
  std::size_t visible = 0;
  for (char16_t ch : c.Text) visible += (ch < 0x20 || (ch >= 0x7F && ch < 0xA0)) ? 0 : 1;
  ASSERT_EQ(quads.size(), visible);
  for (const GlyphQuad& q : quads) {
    ASSERT_EQ(q.Texture, font.GlyphTexture());
    const auto w = static_cast<float>(q.Texture->Width());
    const auto h = static_cast<float>(q.Texture->Height());
    EXPECT_EQ(q.UvTopLeft.X, q.TexTopLeft.X / w);
    EXPECT_EQ(q.UvTopLeft.Y, q.TexTopLeft.Y / h);
    EXPECT_EQ(q.UvBottomRight.X, q.TexBottomRight.X / w);
    EXPECT_EQ(q.UvBottomRight.Y, q.TexBottomRight.Y / h);
    EXPECT_EQ(q.Color, c.Tint);
    EXPECT_EQ(q.Depth, c.Depth);
  }

  // The UTF-8 form gives the same quads.
  std::string utf8;
  for (char16_t ch : c.Text) {
    if (ch < 0x80) {
      utf8 += static_cast<char>(ch);
    } else {  // two-byte sequences are enough for these cases
      utf8 += static_cast<char>(0xC0 | (ch >> 6));
      utf8 += static_cast<char>(0x80 | (ch & 0x3F));
    }
  }
  std::vector<GlyphQuad> fromUtf8;
  builder.Build(font, std::string_view(utf8), c.Position, c.Tint, c.Rotation, c.Origin, c.Scale,
                c.Effects, c.Depth, c.Last, fromUtf8);
  ASSERT_EQ(fromUtf8.size(), quads.size());
  for (std::size_t i = 0; i < quads.size(); ++i) {
    EXPECT_EQ(fromUtf8[i].TopLeft, quads[i].TopLeft);
    EXPECT_EQ(fromUtf8[i].BottomRight, quads[i].BottomRight);
    EXPECT_EQ(fromUtf8[i].TexTopLeft, quads[i].TexTopLeft);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, GlyphQuads, ::testing::ValuesIn(Cases),
                         [](const auto& param) { return std::string(param.param.Name); });

// Quads built before the atlas grows keep the old atlas alive and keep drawing from it.
TEST_F(GlyphQuads, KeepTheirAtlasWhenTheFontReplacesIt) {
  GlyphQuadBuilder builder;
  std::vector<GlyphQuad> before;
  builder.Build(font, u"AV", {4, 4}, Color::White(), before);
  const Graphics::Texture2D* first = font.GlyphTexture().get();
  std::u16string many;
  for (char16_t ch = u'\u00C0'; ch < u'\u0250'; ++ch) many += ch;
  std::vector<GlyphQuad> after;
  builder.Build(font, many, {4, 40}, Color::White(), after);
  ASSERT_NE(font.GlyphTexture().get(), first) << "the atlas did not grow";
  EXPECT_EQ(before[0].Texture.get(), first);
  EXPECT_EQ(after.back().Texture, font.GlyphTexture());

  SoftwareGraphicsDevice viaQuads(Width, Height);
  DrawQuads(viaQuads, before);
  SoftwareGraphicsDevice viaDrawString(Width, Height);
  SpriteBatch batch(viaDrawString);
  batch.Begin();
  SpriteBatchEx::DrawString(batch, font, u"AV", {4, 4}, Color::White());
  batch.End();
  EXPECT_EQ(Pixels(viaQuads), Pixels(viaDrawString));
}

TEST_F(GlyphQuads, LeaveTheVectorAsItWasWhenTheFontFails) {
  GlyphQuadBuilder builder;
  std::vector<GlyphQuad> quads;
  builder.Build(font, u"AV", {0, 0}, Color::White(), quads);
  font.Dispose();
  EXPECT_THROW(builder.Build(font, u"BA", {0, 0}, Color::White(), quads), FontException);
  EXPECT_EQ(quads.size(), 2U);
  // The builder is still usable.
  Font other(fontDevice, Testing::FixtureFontText("VennicorMetrics.ttf"), 12);
  builder.Build(other, u"B", {0, 0}, Color::White(), quads);
  EXPECT_EQ(quads.size(), 3U);
}

// The short forms draw what the full form draws with the defaults they document.
TEST_F(GlyphQuads, ShortDrawStringFormsMatchTheFullForm) {
  const auto render = [&](auto draw) {
    SoftwareGraphicsDevice device(Width, Height);
    device.Clear(Backdrop);
    SpriteBatch batch(device);
    batch.Begin();
    draw(batch);
    batch.End();
    return Pixels(device);
  };
  const Vector2 at{6.5F, 7.25F};
  const Color tint(250, 200, 100, 255);
  const auto full = [&](Vector2 scale) {
    return render([&](SpriteBatch& b) {
      SpriteBatchEx::DrawString(b, font, u"AV Bé", at, tint, 0, {0, 0}, scale, SpriteEffects::None,
                                0, 0);
    });
  };
  EXPECT_EQ(render([&](SpriteBatch& b) { SpriteBatchEx::DrawString(b, font, u"AV Bé", at, tint); }),
            full({1, 1}));
  EXPECT_EQ(render([&](SpriteBatch& b) { SpriteBatchEx::DrawString(b, font, "AV Bé", at, tint); }),
            full({1, 1}));
  EXPECT_EQ(render([&](SpriteBatch& b) {
              SpriteBatchEx::DrawString(b, font, u"AV Bé", at, tint, Vector2{1.5F, 2});
            }),
            full({1.5F, 2}));
  EXPECT_EQ(render([&](SpriteBatch& b) {
              SpriteBatchEx::DrawString(b, font, "AV Bé", at, tint, Vector2{1.5F, 2});
            }),
            full({1.5F, 2}));
  EXPECT_EQ(
      render([&](SpriteBatch& b) { SpriteBatchEx::DrawString(b, font, u"AV Bé", at, tint, 2.5F); }),
      full({2.5F, 2.5F}));
  EXPECT_EQ(
      render([&](SpriteBatch& b) { SpriteBatchEx::DrawString(b, font, "AV Bé", at, tint, 2.5F); }),
      full({2.5F, 2.5F}));
}

}  // namespace
}  // namespace Vennicor::Font
