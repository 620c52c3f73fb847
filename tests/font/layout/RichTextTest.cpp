#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/FontFamily.h"
#include "font/drawing/GlyphQuads.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/RichText.h"
#include "font/layout/TextLayout.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "graphics/software/SoftwareTexture2D.h"
#include "tests/font/layout/LayoutTestSupport.h"

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::Vector2;
using Graphics::Software::SoftwareGraphicsDevice;

constexpr const char* DejaVuBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

std::vector<std::uint32_t> GlyphIndices(const TextLayout& layout) {
  std::vector<std::uint32_t> indices;
  for (const LayoutGlyph& glyph : layout.Glyphs()) indices.push_back(glyph.GlyphIndex);
  return indices;
}

// Runs that change only colours, tags and backgrounds shape across their boundaries: the same
// glyphs (ligatures, kerning) at the same places as the plain text, each in its run's colour.
TEST(RichText, RunsOfOneFontShapeAsOneText) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 20);
  const Color red(255, 0, 0);
  struct Case {
    const char* Name;
    std::vector<std::pair<std::u16string, TextStyle>> Runs;
  };
  const std::vector<Case> cases = {
      {"one run", {{u"office AVAWA", {}}}},
      {"colour inside a ligature and a kerned pair",
       {{u"of", {}}, {u"f", {.Color = red}}, {u"ice A", {}}, {u"V", {.Color = red}}, {u"AWA", {}}}},
      {"tags and backgrounds", {{u"office ", {.Tag = 3}}, {u"AVAWA", {.Background = red}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    RichText text;
    std::u16string whole;
    for (const auto& [part, style] : c.Runs) {
      text.Append(part, style);
      whole += part;
    }
    const TextLayout plain(font, whole);
    const TextLayout rich(font, text);
    ASSERT_EQ(GlyphIndices(rich), GlyphIndices(plain));
    for (std::size_t i = 0; i < plain.Glyphs().size(); ++i) {
      EXPECT_EQ(rich.Glyphs()[i].Position, plain.Glyphs()[i].Position) << i;
    }
    EXPECT_EQ(rich.Size(), plain.Size());
    EXPECT_EQ(rich.HitTest({30, 5}), plain.HitTest({30, 5}));
  }
  RichText colored;
  colored.Append(u"of").Append(u"f", {.Color = red}).Append(u"ice");
  const TextLayout layout(font, colored);
  // "ffi" is one ligature glyph: it takes the colour of its cluster's first character.
  ASSERT_LT(layout.Glyphs().size(), 6U);
  EXPECT_FALSE(layout.Glyphs()[0].HasSpanColor);
}

// Features turn shaping on and off for the whole layout or for one run, as hb-shape's
// --features does: "liga" off keeps "fi" two glyphs.
TEST(RichText, FeaturesApplyToTheLayoutOrToTheirRun) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 20);
  const OpenTypeFeature noLigatures{{'l', 'i', 'g', 'a'}, 0};
  const std::u16string word = u"fi fi";
  const auto ligated = TextLayout(font, word).Glyphs().size();
  ASSERT_EQ(ligated, 3U) << "DejaVu Sans forms the fi ligature";
  EXPECT_EQ(TextLayout(font, word, {.Features = {noLigatures}}).Glyphs().size(), 5U);
  // The option is part of the layout's identity: the plain layout is not served for it.
  EXPECT_EQ(TextLayout(font, word).Glyphs().size(), ligated);
  RichText text;
  text.Append(u"fi ", {.Features = {noLigatures}}).Append(u"fi", {.Language = "sr"});
  EXPECT_EQ(TextLayout(font, text).Glyphs().size(), 4U);
}

// A run in another font is shaped with it; the line is as tall as its tallest run; a raised
// run sits above the baseline; a line of the layout's font alone keeps that font's height.
TEST(RichText, RunsOfOtherFontsAndShiftsSetTheirLines) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  VENNICOR_REQUIRE_FONT(DejaVuBold);
  SoftwareGraphicsDevice device(8, 8);
  Font regular(device, Testing::PathText(Testing::DejaVuSans), 16);
  Font big(device, Testing::PathText(DejaVuBold), 32);
  RichText text;
  text.Append(u"ab ")
      .Append(u"cd", {.Font = &big})
      .Append(u"\nef ")
      .Append(u"2", {.BaselineShift = 6});
  const TextLayout layout(regular, text);
  const TextLayout alone(big, u"cd");
  const float prefix = TextLayout(regular, u"ab x").CaretPosition(3).X;
  ASSERT_EQ(layout.LineCount(), 2);
  EXPECT_EQ(layout.Line(0).Baseline, static_cast<float>(big.Ascent()));
  EXPECT_EQ(layout.Glyphs()[3].GlyphIndex, alone.Glyphs()[0].GlyphIndex);
  EXPECT_EQ(layout.Glyphs()[3].Position.X, prefix + alone.Glyphs()[0].Position.X);
  // The second line: the regular font's height grown by the superscript, 6 pixels up.
  const auto second = layout.LineGlyphs(1);
  EXPECT_EQ(layout.Line(1).Top, static_cast<float>(big.LineHeight() + regular.Leading()));
  EXPECT_EQ(layout.Line(1).Baseline, layout.Line(1).Top + static_cast<float>(regular.Ascent() + 6));
  EXPECT_EQ(second.back().Position.Y, layout.Line(1).Baseline - 6);
  EXPECT_EQ(second.front().Position.Y, layout.Line(1).Baseline);
  EXPECT_EQ(layout.Size().Y, layout.Line(1).Top + static_cast<float>(regular.LineHeight() + 6));
}

// An object takes its width on the line, wraps like a character, stands on the baseline, and
// answers TagAt over its box.
TEST(RichText, ObjectsFlowWrapAndAnswerTags) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  RichText text;
  text.Append(u"Press ")
      .AppendObject({7, {30, 24}, 20}, {.Tag = 9})
      .Append(u" to jump", {.Tag = 4});
  const float press = TextLayout(font, u"Press x").CaretPosition(6).X;
  const TextLayout oneLine(font, text);
  ASSERT_EQ(oneLine.Objects().size(), 1U);
  const PlacedObject& icon = oneLine.Objects()[0];
  EXPECT_EQ(icon.Id, 7);
  EXPECT_EQ(icon.TextIndex, 6);
  EXPECT_EQ(icon.Position, (Vector2{press, oneLine.Line(0).Baseline - 20}));
  EXPECT_EQ(icon.Size, (Vector2{30, 24}));
  EXPECT_GE(oneLine.Line(0).Baseline, 20.0F);
  EXPECT_EQ(oneLine.CaretPosition(7).X, press + 30);
  EXPECT_EQ(oneLine.TagAt({press + 15, icon.Position.Y + 10}), 9);
  EXPECT_EQ(oneLine.TagAt({press + 45, oneLine.Line(0).Baseline - 4}), 4);
  EXPECT_EQ(oneLine.TagAt({2, 5}), 0);
  EXPECT_EQ(oneLine.TagAt({press + 15, oneLine.Size().Y + 1}), 0);
  for (const LayoutGlyph& glyph : oneLine.Glyphs()) EXPECT_NE(glyph.TextIndex, 6);

  // Too narrow for the icon after "Press": it starts the second line.
  const TextLayout wrapped(font, text, {.MaxWidth = press + 10});
  ASSERT_GE(wrapped.LineCount(), 2);
  ASSERT_EQ(wrapped.Objects().size(), 1U);
  EXPECT_EQ(wrapped.Objects()[0].Position.X, 0);
  EXPECT_EQ(wrapped.Objects()[0].Position.Y, wrapped.Line(1).Baseline - 20);
}

// Markup becomes runs; malformed markup names its byte and what is wrong; the lenient mode
// shows bad tags as text.
TEST(RichText, FromMarkupReadsTagsAndNamesErrors) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  FontFamily family(device, Testing::PathText(Testing::DejaVuSans));
  Font& regular = family.Get(FontStyle::Regular, 16);
  Font& bold = family.Get(FontStyle::Bold, 16);
  EXPECT_EQ(&family.Get(FontStyle::Bold, 16), &bold);

  const RichText text = RichText::FromMarkup(
      "a[b]b[/b][[[color=#ff000080]c[u]d[/u][/color][img=5 10x12][tag=3][feature=-liga]e[/feature]"
      "[/tag][sup]f[/sup][lang=sr]g[/lang]",
      family, 16);
  EXPECT_EQ(text.Text(), u"ab[cd\uFFFCefg");
  const auto runs = text.Runs();
  ASSERT_EQ(runs.size(), 9U);
  EXPECT_EQ(runs[0].Style.Font, &regular);
  EXPECT_EQ(runs[1].Style.Font, &bold);
  EXPECT_EQ(runs[2].Length, 1);  // "[" joins nothing: back in the plain style
  EXPECT_EQ(runs[3].Style.Color, Color(128, 0, 0, 128));
  EXPECT_EQ(runs[4].Style.Decorations, TextDecoration::Underline);
  ASSERT_TRUE(runs[5].Object);
  EXPECT_EQ(runs[5].Object->Size, (Vector2{10, 12}));
  EXPECT_EQ(runs[6].Style.Tag, 3);
  ASSERT_EQ(runs[6].Style.Features.size(), 1U);
  EXPECT_EQ(runs[6].Style.Features[0].Value, 0U);
  EXPECT_GT(runs[7].Style.BaselineShift, 0);
  EXPECT_EQ(runs[8].Style.Language, "sr");

  struct Bad {
    const char* Markup;
    std::int32_t Offset;
    const char* Message;
  };
  const Bad bad[] = {
      {"ab[blink]c[/blink]", 2, "Unknown tag [blink] at byte 2"},
      {"[b][i]x[/b][/i]", 7, "Tag [/b] closes [i] opened at byte 3 at byte 7"},
      {"x[/b]", 1, "A closing tag closes nothing open at byte 1"},
      {"[color=#ff00]x[/color]", 0, "Bad colour, not #rrggbb or #rrggbbaa at byte 0"},
      {"[size=100000]x[/size]", 0,
       "Bad size, not a whole number of pixels from 1 to 512 at byte 0"},
      {"[font=Comic]x[/font]", 0, "Unknown font name at byte 0"},
      {"[img=1 axb]", 0, "Bad image, not [img=ID WxH] at byte 0"},
      {"ok [u]open", 3, "Tag [u] opened at byte 3 is never closed"},
      {"[b", 0, "A tag is not closed with ] at byte 0"},
  };
  for (const Bad& c : bad) {
    SCOPED_TRACE(c.Markup);
    try {
      RichText::FromMarkup(c.Markup, family, 16);
      ADD_FAILURE() << "no MarkupError";
    } catch (const MarkupError& error) {
      EXPECT_EQ(error.Offset, c.Offset);
      EXPECT_STREQ(error.what(), c.Message);
    }
  }
  // Hostile nesting and sizes end in an error, not in unbounded work.
  std::string deep;
  for (int i = 0; i < 100; ++i) deep += "[u]";
  EXPECT_THROW(RichText::FromMarkup(deep, family, 16), MarkupError);
  std::string sizes;
  for (int i = 1; i < 40; ++i) sizes += "[size=" + std::to_string(i) + "]x[/size]";
  EXPECT_THROW(RichText::FromMarkup(sizes, family, 16), MarkupError);

  const RichText lenient = RichText::FromMarkup("a[blink]b[/u]", family, 16, {.Lenient = true});
  EXPECT_EQ(lenient.Text(), u"a[blink]b[/u]");
}

// A paragraph of runs in two fonts and sizes and several colours draws the pixels of its runs
// laid out one by one and placed by hand: each after the runs before it, on the line's baseline,
// which is the tallest run's ascent. The colour change inside " brave new" is shaped as one text.
TEST(RichText, DrawsThePixelsOfItsRunsPlacedByHand) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  VENNICOR_REQUIRE_FONT(DejaVuBold);
  SoftwareGraphicsDevice device(360, 48);
  Font regular(device, Testing::PathText(Testing::DejaVuSans), 16);
  Font bold(device, Testing::PathText(DejaVuBold), 24);
  struct Run {
    std::u16string Text;
    Font* Face;
    std::optional<Color> Tint;
  };
  const std::vector<Run> runs = {
      {u"Say ", &regular, std::nullopt},           {u"hello", &bold, Color(255, 40, 40)},
      {u", brave ", &regular, Color(40, 255, 40)}, {u"new", &regular, Color(255, 255, 0, 160)},
      {u" world", &bold, Color(90, 90, 255)},
  };
  const Vector2 origin{10, 6};
  const Color tint(230, 230, 230);
  RichText text;
  for (const Run& run : runs) text.Append(run.Text, {.Font = run.Face, .Color = run.Tint});
  const TextLayout layout(regular, text);
  ASSERT_EQ(layout.LineCount(), 1);
  const auto baseline = static_cast<float>(std::max(regular.Ascent(), bold.Ascent()));
  ASSERT_EQ(layout.Line(0).Baseline, baseline);

  device.Clear(Color::Black());
  Graphics::SpriteBatch batch(device);
  batch.Begin();
  SpriteBatchEx::DrawText(batch, layout, origin, tint);
  batch.End();
  const std::vector<Color> drawn(device.BackBuffer().begin(), device.BackBuffer().end());

  device.Clear(Color::Black());
  float x = 0;
  std::int32_t start = 0;
  batch.Begin();
  for (const Run& run : runs) {
    SCOPED_TRACE(std::string(run.Text.begin(), run.Text.end()));
    const TextLayout part(*run.Face, run.Text);
    ASSERT_EQ(layout.CaretPosition(start).X, x);
    SpriteBatchEx::DrawText(batch, part, origin + Vector2{x, baseline - part.Line(0).Baseline},
                            run.Tint.value_or(tint));
    // The pen's advance, the spaces a line's end hangs included.
    for (const LayoutGlyph& glyph : part.Glyphs()) x += glyph.Advance;
    start += static_cast<std::int32_t>(run.Text.size());
  }
  batch.End();
  std::size_t differing = 0;
  std::size_t lit = 0;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    if (drawn[i] != device.BackBuffer()[i]) ++differing;
    if (drawn[i] != Color::Black()) ++lit;
  }
  EXPECT_EQ(differing, 0U);
  EXPECT_GT(lit, 300U);
}

// Counts the runs of sprites of one texture the device is given.
class DrawCountingDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                                       bool mipMap,
                                                       Graphics::SurfaceFormat format) override {
    return std::make_shared<Graphics::Software::SoftwareTexture2D>(width, height, mipMap, format);
  }
  void DrawSprites(std::span<const Graphics::SpriteQuad> sprites,
                   const Graphics::SpriteRenderState& /*state*/) override {
    for (const Graphics::SpriteQuad& sprite : sprites) {
      if (sprite.Texture != last) ++TextureRuns;
      last = sprite.Texture;
    }
    last = nullptr;
  }
  int TextureRuns = 0;  // runs of sprites of one texture, as a GPU backend draws them

 private:
  const Graphics::Texture2D* last = nullptr;
};

// The fonts of a family share one atlas: a paragraph mixing regular, bold, italic and two sizes
// draws from one texture in one run of sprites, with the pixels of the same runs drawn with
// fonts made on their own (with the options the family gives its styles). The atlas growing
// re-places every font's glyphs, and disposing one font leaves the atlas to the others: the
// pixels stay the same.
TEST(FontFamily, FontsShareOneAtlasAndDrawAsSeparateFontsDo) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  const std::u16string path = Testing::PathText(Testing::DejaVuSans);
  const char* markup =
      "Plain [b]bold[/b] [i]slanted[/i] [size=26]big [b][i]both[/i][/b][/size] end";
  const TextLayoutOptions wrap{.MaxWidth = 300};
  {
    DrawCountingDevice device;
    FontFamily family(device, path);
    const TextLayout layout(family.Get(FontStyle::Regular, 16),
                            RichText::FromMarkup(markup, family, 16), wrap);
    Testing::SpriteRecorder recorder(device);
    recorder.Begin();
    SpriteBatchEx::DrawText(recorder, layout, {0, 0}, Color::White());
    recorder.End();
    ASSERT_EQ(recorder.Sprites.size(), layout.Glyphs().size());
    for (const auto& sprite : recorder.Sprites)
      EXPECT_EQ(sprite.Texture, recorder.Sprites[0].Texture);
    Graphics::SpriteBatch batch(device);
    batch.Begin();
    SpriteBatchEx::DrawText(batch, layout, {0, 0}, Color::White());
    batch.End();
    EXPECT_EQ(device.TextureRuns, 1);
  }

  SoftwareGraphicsDevice device(320, 90);
  FontFamily family(device, path);
  const RichText familyText = RichText::FromMarkup(markup, family, 16);
  Font& regular = family.Get(FontStyle::Regular, 16);
  // The same runs in fonts of their own.
  struct Made {
    FontStyle Style;
    float Size;
  };
  const Made made[] = {{FontStyle::Regular, 16},
                       {FontStyle::Bold, 16},
                       {FontStyle::Italic, 16},
                       {FontStyle::Regular, 26},
                       {FontStyle::Bold | FontStyle::Italic, 26}};
  std::vector<std::unique_ptr<Font>> own;
  RichText ownText;
  for (const StyledRun& run : familyText.Runs()) {
    TextStyle style = run.Style;
    for (const Made& font : made) {
      if (style.Font != &family.Get(font.Style, font.Size)) continue;
      FontOptions options;
      options.Bold = (font.Style & FontStyle::Bold) == FontStyle::Bold;
      options.Oblique = (font.Style & FontStyle::Italic) == FontStyle::Italic;
      own.push_back(std::make_unique<Font>(device, path, font.Size, options));
      style.Font = own.back().get();
    }
    ASSERT_NE(style.Font, run.Style.Font);
    ownText.Append(
        std::u16string_view(familyText.Text())
            .substr(static_cast<std::size_t>(run.Start), static_cast<std::size_t>(run.Length)),
        style);
  }
  const auto draw = [&device](const TextLayout& layout) {
    device.Clear(Color::Black());
    Graphics::SpriteBatch batch(device);
    batch.Begin();
    SpriteBatchEx::DrawText(batch, layout, {8, 4}, Color::White());
    batch.End();
    return std::vector<Color>(device.BackBuffer().begin(), device.BackBuffer().end());
  };
  Font ownRegular(device, path, 16);
  const std::vector<Color> expected = draw(TextLayout(ownRegular, ownText, wrap));
  EXPECT_GT(
      std::count_if(expected.begin(), expected.end(), [](Color c) { return c != Color::Black(); }),
      500);
  EXPECT_EQ(draw(TextLayout(regular, familyText, wrap)), expected);

  // Many glyphs of a third size outgrow the first page: every font's glyphs move.
  const std::int32_t edge = regular.GlyphTexture()->Width();
  std::u16string many;
  for (char16_t c = 0x391; c < 0x3C9; ++c) many += c;
  for (char16_t c = 0x410; c < 0x450; ++c) many += c;
  Font& large = family.Get(FontStyle::Regular, 40);
  large.EnsureGlyphsExist(many);
  EXPECT_GT(regular.GlyphTexture()->Width(), edge);
  EXPECT_EQ(family.Get(FontStyle::Bold, 16).GlyphTexture(), regular.GlyphTexture());
  EXPECT_EQ(draw(TextLayout(regular, familyText, wrap)), expected);
  large.Dispose();
  EXPECT_EQ(draw(TextLayout(regular, familyText, wrap)), expected);

  try {
    regular.SaveGlyphCache("never-written.vnglyphs");
    ADD_FAILURE() << "a family's font saved its glyph cache";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), Messages::GlyphCacheOfSharedAtlas);
  }
  EXPECT_FALSE(std::filesystem::exists("never-written.vnglyphs"));
}

// Decorations and backgrounds are boxes from the font's own atlas page, drawn before (the
// background) and after (the underline) the glyphs; a typewriter hook hides glyphs with their
// boxes.
TEST(RichText, DrawsBoxesFromTheAtlasAndHidesWithTheHook) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(64, 64);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  RichText text;
  text.Append(u"ab", {.Decorations = TextDecoration::Underline, .Background = Color(0, 0, 255)});
  text.Append(u"cd");
  const TextLayout layout(font, text);
  Testing::SpriteRecorder batch(device);
  batch.Begin();
  SpriteBatchEx::DrawText(batch, layout, {10, 20}, Color::White());
  batch.End();
  ASSERT_EQ(batch.Sprites.size(), 6U);  // background, four glyphs, underline
  const auto& background = batch.Sprites.front();
  const auto& underline = batch.Sprites.back();
  EXPECT_EQ(background.Texture, batch.Sprites[1].Texture);
  EXPECT_EQ(underline.Texture, batch.Sprites[1].Texture);
  EXPECT_EQ(background.Tint, Color(0, 0, 255));
  const float ab = layout.CaretPosition(2).X;
  EXPECT_EQ(background.Scale, (Vector2{ab, static_cast<float>(font.LineHeight())}));
  EXPECT_EQ(background.Position, (Vector2{10, 20}));
  EXPECT_EQ(underline.Scale.X, ab);
  // DejaVu Sans's post table: the underline a little below the baseline, about a pixel thick.
  EXPECT_GT(underline.Position.Y, 20 + layout.Line(0).Baseline);
  EXPECT_LT(underline.Position.Y, 20 + layout.Line(0).Baseline + 4);
  EXPECT_GE(underline.Scale.Y, 1.0F);

  // The quads are the sprites: the boxes included, in the same order and places.
  std::vector<GlyphQuad> quads;
  GlyphQuadBuilder().Build(layout, {10, 20}, Color::White(), quads);
  ASSERT_EQ(quads.size(), batch.Sprites.size());
  for (std::size_t i = 0; i < quads.size(); ++i) {
    EXPECT_EQ(quads[i].TopLeft, batch.Sprites[i].Position) << i;
    EXPECT_EQ(quads[i].Color, batch.Sprites[i].Tint) << i;
  }
  EXPECT_EQ(quads.front().BottomRight - quads.front().TopLeft, background.Scale);

  Testing::SpriteRecorder typed(device);
  typed.Begin();
  SpriteBatchEx::DrawText(typed, layout, {10, 20}, Color::White(),
                          [](GlyphDraw& glyph) { glyph.Visible = glyph.Index < 1; });
  typed.End();
  // The first glyph, with the background and underline of its cluster alone.
  ASSERT_EQ(typed.Sprites.size(), 3U);
  EXPECT_EQ(typed.Sprites[0].Scale.X, layout.CaretPosition(1).X);

  Testing::SpriteRecorder waved(device);
  waved.Begin();
  SpriteBatchEx::DrawText(waved, TextLayout(font, u"ab"), {0, 0}, Color::White(),
                          [](GlyphDraw& glyph) {
                            glyph.Offset = {0, static_cast<float>(glyph.Index) * 3};
                          });
  waved.End();
  Testing::SpriteRecorder still(device);
  still.Begin();
  SpriteBatchEx::DrawText(still, TextLayout(font, u"ab"), {0, 0}, Color::White());
  still.End();
  ASSERT_EQ(waved.Sprites.size(), still.Sprites.size());
  EXPECT_EQ(waved.Sprites[1].Position.Y, still.Sprites[1].Position.Y + 3);
  EXPECT_EQ(waved.Sprites[0].Position, still.Sprites[0].Position);
}

}  // namespace
}  // namespace Vennicor::Font
