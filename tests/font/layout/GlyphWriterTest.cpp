// Every way of drawing text goes through one glyph writer, so each must give exactly what the
// sprite batch gives: strings and layouts, plain and transformed, with shadow and outline
// passes, colour glyphs and colour spans, and an atlas of several pages (DejaVu Sans from
// Debian's fonts-dejavu-core, which the setup script installs). Each case builds glyph quads
// and draws the same through a real SpriteBatch on a recording device; every quad must equal
// the sprite the batch handed the device, texture included. Then what a layout keeps of its
// font: it survives moving the Font, and throws (never reads freed memory) once it is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/drawing/GlyphQuads.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/TextLayout.h"
#include "graphics/SpriteBatch.h"
#include "tests/font/layout/LayoutTestSupport.h"
#include "tests/support/FixtureFonts.h"
#include "tests/support/GraphicsTestDoubles.h"

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::SpriteBatch;
using Graphics::SpriteEffects;
using Graphics::SpriteQuad;
using Graphics::Vector2;
using Graphics::Testing::RecordingDevice;

enum class Face { Metrics, Outlined, PagedDejaVu, WithColorFallback };

struct Case {
  const char* Name;
  Face Kind;
  std::u16string Text;
  bool Layout;  // drawn with DrawText from a TextLayout, else with DrawString
  Vector2 Position;
  DrawStyle Style;
  std::vector<ColorSpan> Spans = {};
};

const Color Gold(230, 180, 20, 255);
const Color Half(0, 0, 90, 128);
const TextShadow Shadow{{2.5F, 3}, Color(0, 0, 0, 160)};

const Case Cases[] = {
    {"StringPlain", Face::Metrics, u"AV Vennicor 0123", false, {3.4F, 5.6F}, {}},
    {"StringTurnedScaledFlipped",
     Face::Metrics,
     u"Flip AV",
     false,
     {100, 60},
     {.Color = Gold,
      .Rotation = 0.7F,
      .Origin = {30, 9},
      .Scale = {1.7F, 0.8F},
      .Effects = SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically,
      .LayerDepth = 0.25F}},
    {"StringShadowAndOutline",
     Face::Outlined,
     u"Outlined AV",
     false,
     {7, 9},
     {.Color = Gold, .Rotation = -0.3F, .Outline = Half, .Shadow = Shadow}},
    {"StringOnAtlasPages", Face::PagedDejaVu, u"Pages: ÀÉÎÕÜ ĀĒĪŌŪ 789", false, {5, 5}, {}},
    {"StringColourGlyph", Face::WithColorFallback, u"A\U0001F600Ω", false, {4, 4}, {.Color = Half}},
    {"LayoutPlain", Face::Metrics, u"AV Vennicor\nsecond line", true, {3.4F, 5.6F}, {}},
    {"LayoutTurnedScaledFlipped",
     Face::Metrics,
     u"Flip AV\nand more",
     true,
     {80, 40},
     {.Color = Gold,
      .Rotation = -std::numbers::pi_v<float> / 5,
      .Origin = {4, 4},
      .Scale = {1.3F, 1.3F},
      .Effects = SpriteEffects::FlipVertically,
      .LayerDepth = 0.5F}},
    {"LayoutShadowOutlineAndSpans",
     Face::Outlined,
     u"one red word",
     true,
     {6, 6},
     {.Color = Gold, .Outline = Half, .Shadow = Shadow},
     {{4, 3, Color(255, 0, 0, 255)}}},
    {"LayoutOnAtlasPages", Face::PagedDejaVu, u"Pages: ÀÉÎÕÜ\nĀĒĪŌŪ 789", true, {5, 5}, {}},
    {"LayoutColourGlyphUnderASpan",
     Face::WithColorFallback,
     u"A\U0001F600Ω",
     true,
     {4, 4},
     {},
     {{0, 3, Color(0, 200, 0, 200)}}},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.Name; }

class GlyphWriter : public ::testing::TestWithParam<Case> {
 protected:
  Font Open(Face kind) {
    switch (kind) {
      case Face::Outlined:
        return Font(device, FontSource::File(Testing::FixtureFont("VennicorMetrics.ttf")), 18,
                    FontOptions{.OutlineThickness = 1.5F});
      case Face::PagedDejaVu:
        device.SetMaxTextureSize(128);
        return Font(device, FontSource::File(Testing::DejaVuSans), 40);
      case Face::WithColorFallback: {
        Font font(device, FontSource::File(Testing::FixtureFont("VennicorMetrics.ttf")), 18);
        font.AddFallbackFace(FontSource::File(Testing::FixtureFont("VennicorColor.ttf")));
        return font;
      }
      case Face::Metrics:
        break;
    }
    return Font(device, FontSource::File(Testing::FixtureFont("VennicorMetrics.ttf")), 18);
  }

  RecordingDevice device;
};

TEST_P(GlyphWriter, QuadsAreTheSpritesTheBatchDraws) {
  const Case& c = GetParam();
  if (c.Kind == Face::PagedDejaVu) VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  Font font = Open(c.Kind);
  std::optional<TextLayout> layout;
  if (c.Layout) layout.emplace(font, c.Text, TextLayoutOptions{.ColorSpans = c.Spans});

  SpriteBatch batch(device);
  batch.Begin();
  if (layout) {
    SpriteBatchEx::DrawText(batch, *layout, c.Position, c.Style);
  } else {
    SpriteBatchEx::DrawString(batch, font, c.Text, c.Position, c.Style);
  }
  batch.End();
  std::vector<SpriteQuad> sprites;
  for (const auto& draw : device.Draws)
    sprites.insert(sprites.end(), draw.Quads.begin(), draw.Quads.end());

  std::vector<GlyphQuad> quads(1);  // appended to: what is there stays
  GlyphQuadBuilder builder;
  if (layout) {
    builder.Build(*layout, c.Position, c.Style, quads);
  } else {
    builder.Build(font, c.Text, c.Position, c.Style, quads);
  }
  quads.erase(quads.begin());

  ASSERT_EQ(quads.size(), sprites.size());
  ASSERT_FALSE(quads.empty());
  std::vector<const Graphics::Texture2D*> pages;
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const GlyphQuad& q = quads[i];
    const SpriteQuad& s = sprites[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(q.Texture.get(), s.Texture);
    EXPECT_EQ(q.TopLeft, s.TopLeft);
    EXPECT_EQ(q.TopRight, s.TopRight);
    EXPECT_EQ(q.BottomLeft, s.BottomLeft);
    EXPECT_EQ(q.BottomRight, s.BottomRight);
    EXPECT_EQ(q.TexTopLeft, s.TexTopLeft);
    EXPECT_EQ(q.TexBottomRight, s.TexBottomRight);
    EXPECT_EQ(q.Color, s.Tint);
    EXPECT_EQ(q.Depth, s.Depth);
    EXPECT_EQ(q.UvBottomRight.X, q.TexBottomRight.X / static_cast<float>(q.Texture->Width()));
    if (std::find(pages.begin(), pages.end(), s.Texture) == pages.end()) pages.push_back(s.Texture);
  }
  if (c.Kind == Face::PagedDejaVu) {
    EXPECT_GT(font.AtlasPageCount(), 1);
    EXPECT_GT(pages.size(), 1U) << "every glyph came from one page";
  }
  // A pass's colours: the shadow and the outline keep theirs, colour spans tint the glyphs.
  if (c.Style.Shadow) {
    EXPECT_EQ(quads.front().Color, c.Style.Shadow->Color);
  }
  if (!c.Spans.empty() && c.Style.Outline) {
    std::size_t outlineTints = 0;
    for (const GlyphQuad& q : quads) outlineTints += q.Color == *c.Style.Outline ? 1U : 0U;
    EXPECT_EQ(outlineTints, layout->Glyphs().size()) << "a span coloured an outline";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, GlyphWriter, ::testing::ValuesIn(Cases),
                         [](const auto& param) { return std::string(param.param.Name); });

// The DrawStyle form is the sum of the long forms it stands for.
TEST_F(GlyphWriter, StyledDrawingEqualsTheLongFormsInTurn) {
  Font font = Open(Face::Outlined);
  const auto record = [&](auto draw) {
    device.Draws.clear();
    SpriteBatch batch(device);
    batch.Begin();
    draw(batch);
    batch.End();
    std::vector<SpriteQuad> sprites;
    for (const auto& d : device.Draws)
      sprites.insert(sprites.end(), d.Quads.begin(), d.Quads.end());
    return sprites;
  };
  const Vector2 at{10.5F, 4};
  const auto styled = record([&](SpriteBatch& b) {
    SpriteBatchEx::DrawString(b, font, u"AV Bé", at,
                              {.Color = Gold, .Scale = {2, 2}, .Outline = Half, .Shadow = Shadow});
  });
  const auto longForms = record([&](SpriteBatch& b) {
    SpriteBatchEx::DrawString(b, font, u"AV Bé", at + Shadow.Offset, Shadow.Color, 0, {0, 0},
                              {2, 2}, SpriteEffects::None, 0, 0);
    SpriteBatchEx::DrawOutlinedString(b, font, u"AV Bé", at, Gold, Half, 0, {0, 0}, {2, 2},
                                      SpriteEffects::None, 0, 0);
  });
  ASSERT_EQ(styled.size(), longForms.size());
  for (std::size_t i = 0; i < styled.size(); ++i) {
    EXPECT_EQ(styled[i].TopLeft, longForms[i].TopLeft) << i;
    EXPECT_EQ(styled[i].TexTopLeft, longForms[i].TexTopLeft) << i;
    EXPECT_EQ(styled[i].Tint, longForms[i].Tint) << i;
  }
}

// A layout keeps what it draws with: a std::vector<Font> that grows moves every font, and the
// layouts made from them still draw the same sprites; once the fonts are gone, drawing throws.
TEST_F(GlyphWriter, LayoutsOutliveMovesAndThrowOnceTheirFontIsGone) {
  std::vector<Font> fonts;
  fonts.reserve(1);
  fonts.push_back(Open(Face::Metrics));
  const TextLayout layout(fonts[0], u"AV moved");
  std::vector<GlyphQuad> before;
  GlyphQuadBuilder builder;
  builder.Build(layout, {2, 3}, Color::White(), before);
  for (int i = 0; i < 4; ++i) fonts.push_back(Open(Face::Metrics));  // reallocates
  std::vector<GlyphQuad> after;
  builder.Build(layout, {2, 3}, Color::White(), after);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].TopLeft, before[i].TopLeft);
    EXPECT_EQ(after[i].Texture, before[i].Texture);
  }

  fonts.clear();
  SpriteBatch batch(device);
  batch.Begin();
  try {
    SpriteBatchEx::DrawText(batch, layout, {0, 0}, Color::White());
    ADD_FAILURE() << "a layout drew after its font was destroyed";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), "The font has been disposed");
  }
  EXPECT_EQ(batch.QueuedSpriteCount(), 0U);
  batch.End();
  EXPECT_THROW(builder.Build(layout, {0, 0}, Color::White(), after), FontException);
  EXPECT_EQ(after.size(), before.size()) << "a failed Build changed the quads";
  // Queries need no font.
  EXPECT_EQ(layout.LineCount(), 1);
  EXPECT_GT(layout.CaretPosition(2).X, 0);
}

}  // namespace
}  // namespace Vennicor::Font
