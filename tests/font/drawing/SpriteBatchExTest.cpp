#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/Texture2D.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FontTestSupport.h"

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::Rectangle;
using Graphics::SpriteBatch;
using Graphics::SpriteEffects;
using Graphics::Texture2D;
using Graphics::Vector2;
using Graphics::Software::SoftwareGraphicsDevice;

// The fixture face whose metrics are known: at 18 px, A advances 12, V 11 and B 10 pixels, and
// the pair A, V kerns by -1 pixel.
constexpr float MetricsSize = 18;
constexpr int AdvanceA = 12;
constexpr int AdvanceV = 11;
constexpr int AdvanceB = 10;
constexpr float KerningAV = -1;

const char* const MetricsFont = "VennicorMetrics.ttf";

struct DrawCall {
  Texture2D* Texture = nullptr;
  Vector2 Position;
  std::optional<Rectangle> Source;
  Color Tint;
  float Rotation = 0;
  Vector2 Origin;
  Vector2 Scale;
  SpriteEffects Effects = SpriteEffects::None;
  float LayerDepth = 0;
};

// Records every sprite instead of queuing it; Begin and End are not needed.
class RecordingSpriteBatch final : public SpriteBatch {
 public:
  using SpriteBatch::SpriteBatch;

  void Draw(const std::shared_ptr<Texture2D>& texture, Vector2 position,
            std::optional<Rectangle> sourceRectangle, Color color, float rotation, Vector2 origin,
            Vector2 scale, SpriteEffects effects, float layerDepth) override {
    if (throwOnCall && Calls.size() == *throwOnCall) throw std::runtime_error("draw failed");
    Calls.push_back({texture.get(), position, sourceRectangle, color, rotation, origin, scale,
                     effects, layerDepth});
  }

  void ThrowOnCall(std::size_t index) { throwOnCall = index; }

  std::vector<DrawCall> Calls;

 private:
  std::optional<std::size_t> throwOnCall;
};

// Each glyph's image copied out of an atlas, to compare drawn pixels with.
std::vector<Color> GlyphImage(const Texture2D& atlas, const Font::Glyph& glyph) {
  std::vector<Color> image(static_cast<std::size_t>(glyph.Bounds.Width) *
                           static_cast<std::size_t>(glyph.Bounds.Height));
  atlas.GetData(
      0, Rectangle{glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width, glyph.Bounds.Height},
      image);
  return image;
}

class DrawStringTest : public testing::Test {
 protected:
  void Draw(std::u16string_view text, Vector2 position = {100, 50}, Vector2 scale = {1, 1},
            char16_t lastCharacter = 0, float rotation = 0, Vector2 origin = {0, 0}) {
    SpriteBatchEx::DrawString(batch, font, text, position, Color::White(), rotation, origin, scale,
                              SpriteEffects::None, 0, lastCharacter);
  }

  SoftwareGraphicsDevice device{1, 1};
  Font font{device, Testing::FixtureFontText(MetricsFont), MetricsSize};
  RecordingSpriteBatch batch{device};
};

TEST_F(DrawStringTest, FixtureHasTheExpectedAdvancesAndKerning) {
  // The cases below are written in these numbers; check them once here so that a changed
  // fixture fails in one obvious place.
  font.EnsureGlyphsExist(u"AVB");
  EXPECT_EQ(font.GetGlyph(u'A').Advance.X, AdvanceA);
  EXPECT_EQ(font.GetGlyph(u'V').Advance.X, AdvanceV);
  EXPECT_EQ(font.GetGlyph(u'B').Advance.X, AdvanceB);
  EXPECT_EQ(font.GetKerning(u'A', u'V').X, KerningAV);
  EXPECT_EQ(font.GetKerning(u'A', u'B').X, 0);
}

// Where each drawn glyph's pen stands, in pixels of the scaled line.
struct PenCase {
  const char* Name;
  std::u16string Text;
  char16_t LastCharacter;
  float Scale;
  std::vector<float> PenX;
};

class DrawStringPen : public DrawStringTest, public testing::WithParamInterface<PenCase> {};

TEST_P(DrawStringPen, PlacesEachGlyphAtPenPlusOffset) {
  const PenCase& c = GetParam();
  const Vector2 position{100, 50};
  Draw(c.Text, position, {c.Scale, c.Scale}, c.LastCharacter);

  std::vector<char16_t> drawn;
  for (const char16_t ch : c.Text) {
    if (ch >= 0x20 && (ch < 0x7F || ch > 0x9F)) drawn.push_back(ch);
  }
  ASSERT_EQ(batch.Calls.size(), c.PenX.size());
  ASSERT_EQ(drawn.size(), c.PenX.size());
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const Font::Glyph& glyph = font.GetGlyph(drawn[i]);
    const DrawCall& call = batch.Calls[i];
    SCOPED_TRACE(testing::Message() << "sprite " << i);
    // Whole-number inputs: the sum is exact, no rounding happens.
    EXPECT_EQ(call.Position.X,
              position.X + c.PenX[i] + static_cast<float>(glyph.Offset.X) * c.Scale);
    EXPECT_EQ(call.Position.Y, position.Y + static_cast<float>(glyph.Offset.Y) * c.Scale);
    ASSERT_TRUE(call.Source.has_value());
    EXPECT_EQ(call.Source->X, glyph.Position.X);
    EXPECT_EQ(call.Source->Y, glyph.Position.Y);
    EXPECT_EQ(call.Source->Width, glyph.Bounds.Width);
    EXPECT_EQ(call.Source->Height, glyph.Bounds.Height);
    EXPECT_EQ(call.Scale, (Vector2{c.Scale, c.Scale}));
    EXPECT_EQ(call.Origin, (Vector2{0, 0}));
  }
}

constexpr float A = AdvanceA;
constexpr float K = KerningAV;

INSTANTIATE_TEST_SUITE_P(
    SpriteBatchEx, DrawStringPen,
    testing::Values(PenCase{"Single", u"A", 0, 1, {0}},
                    PenCase{"KernedPair", u"AV", 0, 1, {0, A + K}},
                    PenCase{"UnkernedPair", u"AB", 0, 1, {0, A}},
                    PenCase{"ThreeGlyphs", u"AVB", 0, 1, {0, A + K, A + K + AdvanceV}},
                    PenCase{"LastCharacterKernsTheFirst", u"V", u'A', 1, {K}},
                    PenCase{"NoLastCharacter", u"V", 0, 1, {0}},
                    PenCase{"LineFeedStaysOnTheLineAndBreaksKerning", u"A\nV", 0, 1, {0, A}},
                    PenCase{"LineFeedBeforeB", u"A\nB", 0, 1, {0, A}},
                    PenCase{"CarriageReturnLineFeed", u"A\r\nV", 0, 1, {0, A}},
                    PenCase{"TabBreaksKerning", u"A\tV", 0, 1, {0, A}},
                    PenCase{"DeleteBreaksKerning", u"A\u007FV", 0, 1, {0, A}},
                    PenCase{"C1ControlBreaksKerning", u"A\u0085V", 0, 1, {0, A}},
                    PenCase{"LeadingControlClearsLastCharacter", u"\tV", u'A', 1, {0}},
                    PenCase{"ScaleDoublesAdvancesOffsetsAndKerning",
                            u"AVB",
                            u'A',
                            2,
                            {0, 2 * (A + K), 2 * (A + K + AdvanceV)}},
                    PenCase{"ScaleDoublesLastCharacterKerning", u"V", u'A', 2, {2 * K}}),
    [](const testing::TestParamInfo<PenCase>& param) { return param.param.Name; });

TEST_F(DrawStringTest, EmptyTextDrawsNothingButBringsTheAtlasUpToDate) {
  Testing::RecordingDevice counting;
  Font countingFont(counting, Testing::FixtureFontText(MetricsFont), MetricsSize);
  // Cached now (as the face's missing glyph, which has an image), uploaded only at the next
  // atlas update.
  countingFont.EnsureGlyphsExist(u"\u00C5");
  const std::size_t uploadsBefore = counting.UploadCount();

  RecordingSpriteBatch countingBatch(counting);
  SpriteBatchEx::DrawString(countingBatch, countingFont, u"", {0, 0}, Color::White(), 0, {0, 0},
                            {1, 1}, SpriteEffects::None, 0, 0);

  EXPECT_TRUE(countingBatch.Calls.empty());
  EXPECT_GT(counting.UploadCount(), uploadsBefore);
  EXPECT_GT(countingFont.GetGlyph(u'\u00C5').Bounds.Width, 0);
}

TEST_F(DrawStringTest, ControlCharactersAloneDrawNothing) {
  Draw(u"\t\n\r\u0000\u001F\u007F\u0085\u009F");
  EXPECT_TRUE(batch.Calls.empty());
}

TEST_F(DrawStringTest, GlyphWithoutImageIsDrawnFromAnEmptyRectangleAndAdvances) {
  Draw(u"A B");
  ASSERT_EQ(batch.Calls.size(), 3U);
  const DrawCall& space = batch.Calls[1];
  ASSERT_TRUE(space.Source.has_value()) << "an empty source must not mean the whole texture";
  EXPECT_EQ(space.Source->Width, 0);
  EXPECT_EQ(space.Source->Height, 0);
  const auto spaceAdvance = static_cast<float>(font.GetGlyph(u' ').Advance.X);
  EXPECT_GT(spaceAdvance, 0);
  EXPECT_EQ(batch.Calls[2].Position.X,
            100 + A + spaceAdvance + static_cast<float>(font.GetGlyph(u'B').Offset.X));
}

TEST_F(DrawStringTest, RoundsLeftEdgeHalfToEvenAndKeepsFractionalTop) {
  font.EnsureGlyphsExist(u"A");
  const Font::Glyph& glyph = font.GetGlyph(u'A');
  const auto offsetX = static_cast<float>(glyph.Offset.X);
  const auto offsetY = static_cast<float>(glyph.Offset.Y);
  struct Case {
    float X;
    float Expected;
  };
  for (const Case c : {Case{10.5F, 10}, Case{11.5F, 12}, Case{-2.5F, -2}, Case{-3.5F, -4},
                       Case{10.25F, 10}, Case{10.75F, 11}, Case{0.5F, 0}}) {
    batch.Calls.clear();
    // The position absorbs the glyph's offset so that the unrounded X is exactly c.X.
    Draw(u"A", {c.X - offsetX, 20.25F});
    ASSERT_EQ(batch.Calls.size(), 1U);
    EXPECT_EQ(batch.Calls[0].Position.X, c.Expected) << "at " << c.X;
    EXPECT_EQ(batch.Calls[0].Position.Y, 20.25F + offsetY);
  }
}

TEST_F(DrawStringTest, OriginIsInUnscaledTextUnits) {
  Draw(u"AV", {100, 50}, {2, 2}, 0, 0, {10, 3});
  ASSERT_EQ(batch.Calls.size(), 2U);
  const Font::Glyph& v = font.GetGlyph(u'V');
  // The origin (10, 3) of the unscaled line is (20, 6) of the doubled one.
  EXPECT_EQ(batch.Calls[1].Position.X, 100 + 2 * (A + K) + 2 * static_cast<float>(v.Offset.X) - 20);
  EXPECT_EQ(batch.Calls[1].Position.Y, 50 + 2 * static_cast<float>(v.Offset.Y) - 6);
}

TEST_F(DrawStringTest, RotationTurnsTheLineAboutTheOrigin) {
  struct Case {
    const char* Name;
    float Rotation;
    Vector2 Origin;
  };
  for (const Case c : {Case{"quarter turn", std::numbers::pi_v<float> / 2, {0, 0}},
                       Case{"half turn about a point", std::numbers::pi_v<float>, {5, 2}},
                       Case{"small angle", 0.3F, {4, 7}}}) {
    SCOPED_TRACE(c.Name);
    batch.Calls.clear();
    const Vector2 position{100, 50};
    Draw(u"AV", position, {1, 1}, 0, c.Rotation, c.Origin);
    ASSERT_EQ(batch.Calls.size(), 2U);
    const double cosine = std::cos(static_cast<double>(c.Rotation));
    const double sine = std::sin(static_cast<double>(c.Rotation));
    const char16_t characters[] = {u'A', u'V'};
    const double pens[] = {0, A + K};
    for (std::size_t i = 0; i < 2; ++i) {
      const Font::Glyph& glyph = font.GetGlyph(characters[i]);
      const double x = pens[i] + glyph.Offset.X - static_cast<double>(c.Origin.X);
      const double y = glyph.Offset.Y - static_cast<double>(c.Origin.Y);
      // A positive angle turns clockwise on a y-down screen.
      const double expectedX = position.X + x * cosine - y * sine;
      const double expectedY = position.Y + x * sine + y * cosine;
      EXPECT_NEAR(batch.Calls[i].Position.X, std::nearbyint(expectedX), 1e-9);
      EXPECT_NEAR(batch.Calls[i].Position.Y, expectedY, 1e-4);
      EXPECT_EQ(batch.Calls[i].Rotation, c.Rotation);
      EXPECT_EQ(batch.Calls[i].Origin, (Vector2{0, 0}));
    }
  }
}

TEST_F(DrawStringTest, PassesTintEffectsAndDepthUnchangedFromOneTexture) {
  const Color tint(10, 20, 30, 40);
  const SpriteEffects effects = SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically;
  SpriteBatchEx::DrawString(batch, font, u"AVB", {0, 0}, tint, 0, {0, 0}, {1, 1}, effects, 0.75F,
                            0);
  ASSERT_EQ(batch.Calls.size(), 3U);
  Texture2D* atlas = font.GlyphTexture().get();
  float previousX = -1;
  for (const DrawCall& call : batch.Calls) {
    EXPECT_EQ(call.Texture, atlas);
    EXPECT_EQ(call.Tint, tint);
    EXPECT_EQ(call.Effects, effects);
    EXPECT_EQ(call.LayerDepth, 0.75F);
    // Flipping mirrors each glyph in its box; the glyphs still run left to right.
    EXPECT_GT(call.Position.X, previousX);
    previousX = call.Position.X;
  }
}

TEST_F(DrawStringTest, SurrogateHalvesAreDrawnAsTwoCharacters) {
  Draw(u"A\U0001F600");
  ASSERT_EQ(batch.Calls.size(), 3U);
  const Font::Glyph& high = font.GetGlyph(u'\xD83D');
  const Font::Glyph& low = font.GetGlyph(u'\xDE00');
  EXPECT_EQ(batch.Calls[1].Source->X, high.Position.X);
  EXPECT_EQ(batch.Calls[2].Source->X, low.Position.X);
  EXPECT_EQ(batch.Calls[2].Position.X,
            100 + A + static_cast<float>(high.Advance.X) + static_cast<float>(low.Offset.X));
}

TEST_F(DrawStringTest, Utf8TextDrawsLikeItsUtf16Form) {
  Draw(u"A\u00C5V\U0001F600\uFFFD");
  const std::vector<DrawCall> expected = batch.Calls;
  batch.Calls.clear();
  SpriteBatchEx::DrawString(batch, font, std::string_view("A\xC3\x85V\xF0\x9F\x98\x80\xFF"),
                            {100, 50}, Color::White(), 0, {0, 0}, {1, 1}, SpriteEffects::None, 0,
                            0);
  ASSERT_EQ(batch.Calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(batch.Calls[i].Position, expected[i].Position) << "sprite " << i;
    EXPECT_EQ(batch.Calls[i].Source->X, expected[i].Source->X) << "sprite " << i;
  }
}

TEST_F(DrawStringTest, FailingDrawPassesThroughAndKeepsEarlierSprites) {
  batch.ThrowOnCall(2);
  EXPECT_THROW(Draw(u"AVB"), std::runtime_error);
  EXPECT_EQ(batch.Calls.size(), 2U);
}

// Rendered pixels: the glyph images copied from the atlas where the layout puts them.
class DrawStringPixels : public testing::Test {
 protected:
  static constexpr std::int32_t Width = 160;
  static constexpr std::int32_t Height = 48;

  // Composites premultiplied white glyph images as the batch does (source over), without the
  // rasterizer: whole-pixel positions at scale 1 copy texels one for one.
  static void Paint(std::vector<Color>& canvas, const std::vector<Color>& image, std::int32_t left,
                    std::int32_t top, std::int32_t width, std::int32_t height) {
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        const std::int32_t cx = left + x;
        const std::int32_t cy = top + y;
        if (cx < 0 || cy < 0 || cx >= Width || cy >= Height) continue;
        const Color src = image[static_cast<std::size_t>(y * width + x)];
        Color& dst = canvas[static_cast<std::size_t>(cy * Width + cx)];
        const auto over = [&](std::uint8_t s, std::uint8_t d) {
          return static_cast<int>(std::lround(s + d * (1.0 - src.A / 255.0)));
        };
        dst = Color(over(src.R, dst.R), over(src.G, dst.G), over(src.B, dst.B), over(src.A, dst.A));
      }
    }
  }

  static void ExpectPixelsNear(std::span<const Color> actual, const std::vector<Color>& expected) {
    int mismatches = 0;
    int ink = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const Color a = actual[i];
      const Color e = expected[i];
      if (e.A != 0) ++ink;
      const bool near = std::abs(a.R - e.R) <= 1 && std::abs(a.G - e.G) <= 1 &&
                        std::abs(a.B - e.B) <= 1 && std::abs(a.A - e.A) <= 1;
      if (!near && mismatches++ < 5) {
        ADD_FAILURE() << "pixel (" << i % Width << ", " << i / Width << ") is " << int{a.A}
                      << " alpha, expected " << int{e.A};
      }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(ink, 50) << "the expected picture should hold the glyphs";
  }
};

TEST_F(DrawStringPixels, LineMatchesGlyphImagesPlacedByTheLayout) {
  SoftwareGraphicsDevice device(Width, Height);
  Font font(device, Testing::FixtureFontText(MetricsFont), MetricsSize);
  SpriteBatch batch(device);
  batch.Begin();
  const Vector2 position{7, 9};
  SpriteBatchEx::DrawString(batch, font, u"AVB A", position, Color::White(), 0, {0, 0}, {1, 1},
                            SpriteEffects::None, 0, 0);
  batch.End();

  std::vector<Color> expected(static_cast<std::size_t>(Width * Height));
  const Texture2D& atlas = *font.GlyphTexture();
  float pen = 0;
  char16_t previous = 0;
  for (const char16_t c : std::u16string_view(u"AVB A")) {
    const Font::Glyph& glyph = font.GetGlyph(c);
    if (previous != 0) pen += font.GetKerning(previous, c).X;
    Paint(expected, GlyphImage(atlas, glyph),
          static_cast<std::int32_t>(position.X + pen) + glyph.Offset.X,
          static_cast<std::int32_t>(position.Y) + glyph.Offset.Y, glyph.Bounds.Width,
          glyph.Bounds.Height);
    pen += static_cast<float>(glyph.Advance.X);
    previous = c;
  }
  ExpectPixelsNear(device.BackBuffer(), expected);
}

TEST_F(DrawStringPixels, SpritesKeepTheirAtlasWhenALaterCallRebuildsIt) {
  SoftwareGraphicsDevice device(Width, Height);
  Font font(device, Testing::FixtureFontText(MetricsFont), MetricsSize);
  SpriteBatch batch(device);
  batch.Begin();

  const Vector2 first{7, 9};
  SpriteBatchEx::DrawString(batch, font, u"A", first, Color::White(), 0, {0, 0}, {1, 1},
                            SpriteEffects::None, 0, 0);
  const Font::Glyph glyphBefore = font.GetGlyph(u'A');
  const std::vector<Color> imageBefore = GlyphImage(*font.GlyphTexture(), glyphBefore);
  const std::weak_ptr<Texture2D> firstAtlas = font.GlyphTexture();

  // Characters the face lacks still get images of their own (the missing-glyph shape); enough
  // of them no longer fit and the atlas is rebuilt at a larger size. They are drawn off-screen.
  std::u16string crowd;
  char16_t next = 0x4E00;
  while (font.GlyphTexture() == firstAtlas.lock()) {
    crowd.clear();
    for (int i = 0; i < 32; ++i) crowd.push_back(next++);
    SpriteBatchEx::DrawString(batch, font, crowd, {0, 1000}, Color::White(), 0, {0, 0}, {1, 1},
                              SpriteEffects::None, 0, 0);
    ASSERT_LT(next, 0x9F00) << "the atlas never grew";
  }
  const Font::Glyph& glyphAfter = font.GetGlyph(u'A');
  EXPECT_FALSE(firstAtlas.expired()) << "the batch should still hold the replaced atlas";

  const Vector2 second{80, 9};
  SpriteBatchEx::DrawString(batch, font, u"A", second, Color::White(), 0, {0, 0}, {1, 1},
                            SpriteEffects::None, 0, 0);
  const std::vector<Color> imageAfter = GlyphImage(*font.GlyphTexture(), glyphAfter);
  batch.End();
  EXPECT_TRUE(firstAtlas.expired()) << "drawn sprites release the replaced atlas";

  std::vector<Color> expected(static_cast<std::size_t>(Width * Height));
  Paint(expected, imageBefore, static_cast<std::int32_t>(first.X) + glyphBefore.Offset.X,
        static_cast<std::int32_t>(first.Y) + glyphBefore.Offset.Y, glyphBefore.Bounds.Width,
        glyphBefore.Bounds.Height);
  Paint(expected, imageAfter, static_cast<std::int32_t>(second.X) + glyphAfter.Offset.X,
        static_cast<std::int32_t>(second.Y) + glyphAfter.Offset.Y, glyphAfter.Bounds.Width,
        glyphAfter.Bounds.Height);
  ExpectPixelsNear(device.BackBuffer(), expected);
}

}  // namespace
}  // namespace Vennicor::Font
