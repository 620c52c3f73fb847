#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/TextLayout.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/font/layout/LayoutTestSupport.h"
#include "tests/support/FixtureFonts.h"

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::Vector2;
using Graphics::Software::SoftwareGraphicsDevice;
using Testing::SpriteRecorder;

const std::u16string Paragraph =
    u"The quick brown fox jumps over the lazy dog. Typography for games wants words that wrap "
    u"where a reader expects them to, lines that align, and text that reads the same on every "
    u"machine. Supercalifragilisticexpialidocious words need cutting too.";

// A line of a wrapped paragraph must not be wider than the width unless it holds one grapheme
// cluster, must not have room for the next word (greedy filling), and lines must cover the text
// without gaps or overlaps.
TEST(TextLayout, WrapsGreedilyWithinTheWidth) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  for (const float width : {60.0F, 150.0F, 400.0F}) {
    SCOPED_TRACE(width);
    TextLayout layout(font, Paragraph, {.MaxWidth = width});
    ASSERT_GT(layout.LineCount(), 1);
    EXPECT_EQ(layout.Line(0).TextStart, 0);
    EXPECT_EQ(layout.Line(layout.LineCount() - 1).TextEnd, static_cast<int>(Paragraph.size()));
    for (int i = 0; i < layout.LineCount(); ++i) {
      const LayoutLine& line = layout.Line(i);
      if (i > 0) {
        EXPECT_EQ(line.TextStart, layout.Line(i - 1).TextEnd);
      }
      const auto glyphs = layout.LineGlyphs(i);
      if (line.Width > width) {
        EXPECT_EQ(glyphs.size(), 1U) << "line " << i;
      }
      float right = 0;
      for (const LayoutGlyph& glyph : glyphs) {
        // Spaces that end the line keep their glyphs, hanging past the width.
        if (layout.Text()[static_cast<std::size_t>(glyph.TextIndex)] == u' ') continue;
        right = std::max(right, glyph.Position.X + glyph.Advance);
      }
      EXPECT_LE(right, std::max(width, line.Width) + 0.01F);
      if (i + 1 == layout.LineCount()) continue;
      // The next line's first word would not have fitted.
      const std::u16string_view text = layout.Text();
      std::size_t wordEnd = static_cast<std::size_t>(layout.Line(i + 1).TextStart);
      while (wordEnd < text.size() && text[wordEnd] != u' ') ++wordEnd;
      const std::u16string candidate(
          text.substr(static_cast<std::size_t>(line.TextStart),
                      wordEnd - static_cast<std::size_t>(line.TextStart)));
      if (text[static_cast<std::size_t>(line.TextEnd) - 1] == u' ') {
        EXPECT_GT(TextLayout(font, candidate).Size().X, width) << "line " << i;
      }
    }
    EXPECT_LE(layout.Size().X, width);
  }
  // The long word alone is cut between characters at 60 px.
  TextLayout narrow(font, u"Supercalifragilisticexpialidocious", {.MaxWidth = 60});
  EXPECT_GT(narrow.LineCount(), 3);
  for (int i = 0; i < narrow.LineCount(); ++i) EXPECT_LE(narrow.Line(i).Width, 60);
}

// Line breaks in the text end lines; empty text and a final line break give an empty line; the
// height counts line distances (scaled by LineSpacing) plus one LineHeight.
TEST(TextLayout, EndsLinesAtLineBreaksAndStacksThem) {
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
  const float distance = static_cast<float>(font.LineHeight() + font.Leading());
  struct Case {
    std::u16string Text;
    int Lines;
  };
  for (const Case& c : {Case{u"", 1}, Case{u"AB", 1}, Case{u"A\nB", 2}, Case{u"A\r\nB\n", 3},
                        Case{u"A\u2028B\u2029C\vD", 4}, Case{u"\n\n", 3}}) {
    TextLayout layout(font, c.Text);
    EXPECT_EQ(layout.LineCount(), c.Lines);
    EXPECT_EQ(layout.Size().Y,
              static_cast<float>(c.Lines - 1) * distance + static_cast<float>(font.LineHeight()));
  }
  TextLayout spaced(font, u"A\nB\nC", {.LineSpacing = 1.5F});
  EXPECT_EQ(spaced.Line(2).Top, std::round(2 * 1.5F * distance));
  EXPECT_EQ(spaced.Line(2).Baseline, spaced.Line(2).Top + static_cast<float>(font.Ascent()));
  // "A" advances 12 px, a space 5: the second line starts at the third code unit.
  TextLayout wrapped(font, u"AA AA", {.MaxWidth = 30});
  ASSERT_EQ(wrapped.LineCount(), 2);
  EXPECT_EQ(wrapped.Line(0).Width, 24);
  EXPECT_EQ(wrapped.Line(1).TextStart, 3);
}

// One line of Latin in a face with only a kern table: the layout's glyphs sit where DrawString
// puts them (within a pixel) and its width is MeasureString's. Below 25 pixels per em FreeType
// scales kerning down (DrawString's arithmetic) and HarfBuzz does not, so the deep kerning of
// -2 em is compared at 30 pixels.
TEST(TextLayout, MatchesDrawStringForKernedLatin) {
  SoftwareGraphicsDevice device(8, 8);
  struct Face {
    const char* File;
    float Size;
  };
  for (const auto& [file, size] : {Face{"VennicorMetrics.ttf", 18}, Face{"VennicorMetrics.ttf", 31},
                                   Face{"VennicorMetricsDeepKern.ttf", 30}}) {
    Font font(device, Testing::FixtureFontText(file), size);
    const std::u16string text = u"AVA BAV, wave AV!";
    TextLayout layout(font, text);
    EXPECT_NEAR(layout.Size().X, font.MeasureString(text).X, 1) << file;

    SpriteRecorder byString(device);
    SpriteRecorder byLayout(device);
    SpriteBatchEx::DrawString(byString, font, text, {10, 20}, Color::White(), 0, {0, 0}, {1, 1},
                              Graphics::SpriteEffects::None, 0, 0);
    SpriteBatchEx::DrawText(byLayout, layout, {10, 20}, Color::White());
    ASSERT_EQ(byLayout.Sprites.size(), byString.Sprites.size()) << file;
    for (std::size_t i = 0; i < byLayout.Sprites.size(); ++i) {
      EXPECT_NEAR(byLayout.Sprites[i].Position.X, byString.Sprites[i].Position.X, 1) << i;
      EXPECT_EQ(byLayout.Sprites[i].Position.Y, byString.Sprites[i].Position.Y) << i;
      EXPECT_EQ(byLayout.Sprites[i].Source->Width, byString.Sprites[i].Source->Width) << i;
    }
  }
}

// Alignment offsets each line within MaxWidth (or the widest line); Justify stretches the lines
// that wrap to the full width and leaves the paragraph's last line alone.
TEST(TextLayout, AlignsLines) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  constexpr float Width = 180;
  for (const TextAlignment alignment :
       {TextAlignment::Left, TextAlignment::Center, TextAlignment::Right, TextAlignment::Justify}) {
    TextLayout layout(font, Paragraph, {.MaxWidth = Width, .Alignment = alignment});
    TextLayout left(font, Paragraph, {.MaxWidth = Width});
    ASSERT_EQ(layout.LineCount(), left.LineCount());
    for (int i = 0; i < layout.LineCount(); ++i) {
      const LayoutLine& line = layout.Line(i);
      const bool last = i + 1 == layout.LineCount();
      switch (alignment) {
        case TextAlignment::Left:
          EXPECT_EQ(line.X, 0);
          break;
        case TextAlignment::Center:
          EXPECT_EQ(line.X, std::round((Width - line.Width) / 2));
          break;
        case TextAlignment::Right:
          EXPECT_EQ(line.X, Width - line.Width);
          break;
        case TextAlignment::Justify:
          EXPECT_EQ(line.X, 0);
          if (!last && layout.Text()
                               .substr(static_cast<std::size_t>(line.TextStart),
                                       static_cast<std::size_t>(line.TextEnd - line.TextStart - 1))
                               .find(u' ') != std::u16string_view::npos) {
            EXPECT_NEAR(line.Width, Width, 0.01) << "line " << i;
          }
          break;
      }
      if (alignment != TextAlignment::Justify) {
        // The same glyphs as the left-aligned line, moved by the offset.
        const auto moved = layout.LineGlyphs(i);
        const auto base = left.LineGlyphs(i);
        ASSERT_EQ(moved.size(), base.size());
        for (std::size_t g = 0; g < moved.size(); ++g) {
          EXPECT_EQ(moved[g].Position.X, base[g].Position.X + line.X);
        }
      }
    }
    if (alignment == TextAlignment::Justify) {
      EXPECT_LT(layout.Line(layout.LineCount() - 1).Width, Width);
    }
  }
}

// Right-to-left runs are reordered per line after wrapping; a right-to-left paragraph runs from
// the right; Direction forces the paragraph's base direction.
TEST(TextLayout, OrdersBidirectionalTextPerLine) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  const auto order = [](const TextLayout& layout, int line) {
    std::vector<int> indices;
    for (const LayoutGlyph& glyph : layout.LineGlyphs(line)) indices.push_back(glyph.TextIndex);
    return indices;
  };
  // "ab אבג cd": the Hebrew word reads right to left inside left-to-right text.
  const std::u16string mixed = u"ab \u05D0\u05D1\u05D2 cd";
  EXPECT_EQ(order(TextLayout(font, mixed), 0), (std::vector<int>{0, 1, 2, 5, 4, 3, 6, 7, 8}));
  TextLayout forced(font, mixed, {.Direction = TextDirection::RightToLeft});
  EXPECT_TRUE(forced.Line(0).RightToLeft);
  EXPECT_EQ(order(forced, 0), (std::vector<int>{7, 8, 6, 5, 4, 3, 2, 0, 1}));
  // Wrapped between the words, each line is reordered on its own: the first line of a
  // right-to-left paragraph holds its first words, rightmost first, and the space that ends it
  // hangs at its left end.
  const std::u16string hebrew = u"\u05D0\u05D1 \u05D2\u05D3 \u05D4\u05D5";
  const float oneWord = TextLayout(font, u"\u05D0\u05D1 \u05D2\u05D3").Size().X;
  TextLayout wrapped(font, hebrew, {.MaxWidth = oneWord + 1});
  ASSERT_EQ(wrapped.LineCount(), 2);
  EXPECT_EQ(order(wrapped, 0), (std::vector<int>{5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(order(wrapped, 1), (std::vector<int>{7, 6}));
}

// For every grapheme-cluster boundary of visible text, the hit test of the caret's position
// gives the boundary back; in mixed-direction text, where two boundaries share a position, it
// gives one whose caret is there.
TEST(TextLayout, HitTestsWhereTheCaretStands) {
  struct Case {
    const char* FontPath;
    std::u16string Text;
    bool Mixed;
  };
  const std::vector<Case> cases = {
      {Testing::DejaVuSans, Paragraph, false},
      {Testing::DejaVuSans, u"office affluent e\u0301te\u0301", false},  // ligatures, marks
      {Testing::NotoSansHebrew, u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", false},
      {Testing::NotoSansArabic,
       u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645", false},
      {Testing::DejaVuSans, u"abc \u05D0\u05D1\u05D2 def \u05D3\u05D4 gh", true},
  };
  SoftwareGraphicsDevice device(8, 8);
  for (const Case& c : cases) {
    if (!std::filesystem::exists(c.FontPath)) continue;
    Font font(device, Testing::PathText(c.FontPath), 20);
    TextLayout layout(font, c.Text, {.MaxWidth = 140});
    int checked = 0;
    for (int line = 0; line < layout.LineCount(); ++line) {
      const LayoutLine& info = layout.Line(line);
      for (int index = info.TextStart; index <= info.TextEnd; ++index) {
        const Vector2 caret = layout.CaretPosition(index);
        if (index > info.TextStart && caret.X == layout.CaretPosition(index - 1).X) continue;
        if (index < static_cast<int>(c.Text.size()) &&
            c.Text[static_cast<std::size_t>(index)] == u' ' && index + 1 == info.TextEnd) {
          continue;  // a space that hangs past the line's end
        }
        const int hit = layout.HitTest({caret.X, caret.Y + 1});
        if (c.Mixed) {
          EXPECT_EQ(layout.CaretPosition(hit).X, caret.X) << index;
        } else {
          EXPECT_EQ(hit, index) << "line " << line;
        }
        ++checked;
      }
    }
    EXPECT_GT(checked, 8);
    // Left of the first line: its start, or in right-to-left text its end before the spaces
    // that hang.
    int firstEnd = layout.Line(0).TextEnd;
    while (c.Text[static_cast<std::size_t>(firstEnd) - 1] == u' ') --firstEnd;
    EXPECT_EQ(layout.HitTest({-100, -100}), layout.Line(0).RightToLeft ? firstEnd : 0);
  }
  // An index inside a grapheme cluster moves back to its start.
  Font font(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
  TextLayout marks(font, u"Ae\u0301B");
  EXPECT_EQ(marks.CaretPosition(2).X, marks.CaretPosition(1).X);
}

// With MaxLines, the last kept line ends with an ellipsis and still fits MaxWidth.
TEST(TextLayout, EllipsizesTheLastKeptLine) {
  VENNICOR_REQUIRE_FONT(Testing::DejaVuSans);
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  TextLayout full(font, Paragraph, {.MaxWidth = 200});
  TextLayout cut(font, Paragraph, {.MaxWidth = 200, .MaxLines = 2});
  ASSERT_GT(full.LineCount(), 2);
  ASSERT_EQ(cut.LineCount(), 2);
  EXPECT_LE(cut.Line(1).Width, 200);
  const auto last = cut.LineGlyphs(1);
  ASSERT_FALSE(last.empty());
  TextLayout ellipsis(font, u"\u2026");
  EXPECT_EQ(last.back().GlyphIndex, ellipsis.Glyphs()[0].GlyphIndex);
  EXPECT_EQ(cut.Line(1).TextEnd, static_cast<int>(Paragraph.size()));
  // Unwrapped lines: the second paragraph's line is the last and says more follows.
  TextLayout lines(font, u"one\ntwo\nthree", {.MaxLines = 2});
  ASSERT_EQ(lines.LineCount(), 2);
  EXPECT_EQ(lines.LineGlyphs(1).back().GlyphIndex, ellipsis.Glyphs()[0].GlyphIndex);
  EXPECT_EQ(TextLayout(font, u"one\ntwo", {.MaxLines = 2}).LineGlyphs(1).size(), 3U);
}

// Colour spans colour the glyphs of their code units (the later span wins), DrawText tints the
// rest with its colour; letter spacing widens each cluster; tabs reach tab stops.
TEST(TextLayout, AppliesColorSpansLetterSpacingAndTabs) {
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
  const Color red{255, 0, 0, 255};
  const Color blue{0, 0, 255, 255};
  TextLayoutOptions options;
  options.ColorSpans = {{1, 3, red}, {3, 1, blue}};
  TextLayout layout(font, u"ABABA", options);
  SpriteRecorder batch(device);
  SpriteBatchEx::DrawText(batch, layout, {0, 0}, Color::White());
  ASSERT_EQ(batch.Sprites.size(), 5U);
  const std::vector<Color> expected = {Color::White(), red, red, blue, Color::White()};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(batch.Sprites[i].Tint, expected[i]) << i;

  const float plain = TextLayout(font, u"ABAB").Size().X;
  EXPECT_EQ(TextLayout(font, u"ABAB", {.LetterSpacing = 3}).Size().X, plain + 12);
  EXPECT_EQ(TextLayout(font, u"A\u0301BAB", {.LetterSpacing = 3}).Size().X,
            TextLayout(font, u"A\u0301BAB").Size().X + 12);

  TextLayout tabs(font, u"A\tB\tAB", {.TabWidth = 40});
  const auto glyphs = tabs.LineGlyphs(0);
  ASSERT_EQ(glyphs.size(), 4U);  // tabs draw nothing
  EXPECT_EQ(glyphs[1].Position.X, 40);
  EXPECT_EQ(glyphs[2].Position.X, 80);
}

// Pixels: a wrapped, centred paragraph drawn by DrawText on the software device is the same
// picture as each of its lines drawn by DrawString where the layout puts them (in a face
// without kerning: DrawString keeps fractions of kerning that the layout rounds).
TEST(TextLayout, DrawsTheSamePixelsAsItsLinesDrawnOneByOne) {
  SoftwareGraphicsDevice byLayout(200, 120);
  SoftwareGraphicsDevice byHand(200, 120);
  Font layoutFont(byLayout, Testing::FixtureFontText("VennicorMetricsNoKern.ttf"), 18);
  Font handFont(byHand, Testing::FixtureFontText("VennicorMetricsNoKern.ttf"), 18);
  const std::u16string text = u"AVA wave BAV\nkerned text, centred";
  TextLayout layout(layoutFont, text, {.MaxWidth = 150, .Alignment = TextAlignment::Center});
  ASSERT_GE(layout.LineCount(), 3);

  Graphics::SpriteBatch layoutBatch(byLayout);
  layoutBatch.Begin();
  SpriteBatchEx::DrawText(layoutBatch, layout, {20, 5}, Color::White());
  layoutBatch.End();

  Graphics::SpriteBatch handBatch(byHand);
  handBatch.Begin();
  for (int i = 0; i < layout.LineCount(); ++i) {
    const LayoutLine& line = layout.Line(i);
    std::u16string_view piece =
        layout.Text().substr(static_cast<std::size_t>(line.TextStart),
                             static_cast<std::size_t>(line.TextEnd - line.TextStart));
    while (!piece.empty() && (piece.back() == u' ' || piece.back() == u'\n'))
      piece.remove_suffix(1);
    SpriteBatchEx::DrawString(handBatch, handFont, piece, {20 + line.X, 5 + line.Top},
                              Color::White(), 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0,
                              0);
  }
  handBatch.End();

  const auto a = byLayout.BackBuffer();
  const auto b = byHand.BackBuffer();
  int lit = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i], b[i]) << "pixel " << i % 200 << "," << i / 200;
    lit += a[i].A > 0 ? 1 : 0;
  }
  EXPECT_GT(lit, 200);
}

// UTF-8 text is laid out as its UTF-16 conversion; a disposed font refuses to lay out or to
// draw a layout made before, with the library's message.
TEST(TextLayout, TakesUtf8AndRefusesADisposedFont) {
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
  const TextLayout utf8(font, std::string_view("A\xC3\xA9\xF0\x9F\x98\x80\xFF"));
  EXPECT_EQ(utf8.Text(), u"A\u00E9\U0001F600\uFFFD");
  const TextLayout before(font, u"AB");
  font.Dispose();
  SpriteRecorder batch(device);
  try {
    TextLayout after(font, u"AB");
    ADD_FAILURE() << "laid out with a disposed font";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), Messages::FontDisposed);
  }
  EXPECT_THROW(SpriteBatchEx::DrawText(batch, before, {0, 0}, Color::White()), FontException);
  EXPECT_TRUE(batch.Sprites.empty());
  EXPECT_EQ(before.LineCount(), 1);  // queries need no font
}

// A batch whose Draw draws more text with the same font (an overlay, a debug label) while a
// layout is being drawn: the nested text is longer than the first, and the first's sprites stay
// those it draws alone.
TEST(TextLayout, DrawsIntactWhenTheBatchDrawsWithTheSameFontMeanwhile) {
  SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
  const TextLayout outer(font, Paragraph, {.MaxWidth = 300});
  const TextLayout nested(font, Paragraph + Paragraph + Paragraph);
  ASSERT_GT(outer.Glyphs().size(), 64U) << "the first run is handed over before the last glyph";

  class NestingBatch final : public Graphics::SpriteBatch {
   public:
    NestingBatch(Graphics::GraphicsDevice& device, const TextLayout& nested)
        : SpriteBatch(device), nestedLayout(nested), nestedBatch(device) {}
    void Draw(const std::shared_ptr<Graphics::Texture2D>& texture, Vector2 position,
              std::optional<Graphics::Rectangle> sourceRectangle, Color color, float rotation,
              Vector2 /*origin*/, Vector2 scale, Graphics::SpriteEffects /*effects*/,
              float /*layerDepth*/) override {
      Sprites.push_back({texture.get(), position, sourceRectangle, color, rotation, scale});
      if (Sprites.size() == 1) SpriteBatchEx::DrawText(nestedBatch, nestedLayout, {0, 0}, color);
    }
    std::vector<Testing::RecordedSprite> Sprites;

   private:
    const TextLayout& nestedLayout;
    SpriteRecorder nestedBatch;
  } nesting(device, nested);
  SpriteRecorder alone(device);
  SpriteBatchEx::DrawText(nesting, outer, {3, 4}, Color::White());
  SpriteBatchEx::DrawText(alone, outer, {3, 4}, Color::White());
  ASSERT_EQ(nesting.Sprites.size(), alone.Sprites.size());
  for (std::size_t i = 0; i < alone.Sprites.size(); ++i) {
    EXPECT_EQ(nesting.Sprites[i].Position, alone.Sprites[i].Position) << i;
    EXPECT_EQ(nesting.Sprites[i].Source, alone.Sprites[i].Source) << i;
  }
}

}  // namespace
}  // namespace Vennicor::Font
