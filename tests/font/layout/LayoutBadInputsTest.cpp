// Bad inputs to the layout, one table: options a player's settings file or a modder's script may
// hold (non-finite and extreme numbers, spans far outside the text), hostile fonts and hostile
// text. Each case names the error it must raise (or none); a layout that is made must then have
// finite glyph, line, caret and hit-test positions everywhere, and draw finite sprites.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
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

constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::int32_t IntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t IntMin = std::numeric_limits<std::int32_t>::min();

const std::u16string Words = u"Wave\tAV quick\tbrown fox, jumps over\nthe lazy dog";

struct LayoutInput {
  const char* Name;
  const char* FontFile;  // a fixture
  std::u16string Text;
  std::function<void(TextLayoutOptions&)> Set;
  std::string Expected = {};  // the error's message; empty for none
};

void PrintTo(const LayoutInput& input, std::ostream* out) { *out << input.Name; }

bool Finite(Vector2 v) { return std::isfinite(v.X) && std::isfinite(v.Y); }

void ExpectFiniteEverywhere(const TextLayout& layout) {
  EXPECT_TRUE(Finite(layout.Size()));
  for (const LayoutGlyph& glyph : layout.Glyphs()) {
    ASSERT_TRUE(Finite(glyph.Position) && std::isfinite(glyph.Advance)) << glyph.TextIndex;
  }
  for (std::int32_t i = 0; i < layout.LineCount(); ++i) {
    const LayoutLine& line = layout.Line(i);
    ASSERT_TRUE(std::isfinite(line.X) && std::isfinite(line.Width) && std::isfinite(line.Top))
        << "line " << i;
  }
  const auto length = static_cast<std::int32_t>(layout.Text().size());
  for (std::int32_t index = -1; index <= length + 1; ++index) {
    ASSERT_TRUE(Finite(layout.CaretPosition(index))) << "caret " << index;
  }
  for (const Vector2 point : {Vector2{0, 0}, Vector2{-1e30F, 1e30F}, Vector2{NaN, NaN},
                              Vector2{Inf, -Inf}, Vector2{37, 12}}) {
    const std::int32_t hit = layout.HitTest(point);
    EXPECT_GE(hit, 0);
    EXPECT_LE(hit, length);
  }
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Testing::SpriteRecorder recorder(device);
  recorder.Begin();
  SpriteBatchEx::DrawText(recorder, layout, {1, 1}, Color::White());
  recorder.End();
  for (const Testing::RecordedSprite& sprite : recorder.Sprites) {
    ASSERT_TRUE(Finite(sprite.Position)) << "a sprite queued at a non-finite place";
  }
}

class LayoutBadInputs : public testing::TestWithParam<LayoutInput> {};

TEST_P(LayoutBadInputs, RaiseTheExpectedErrorOrLayOutFinitely) {
  const LayoutInput& input = GetParam();
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::FixtureFontText(input.FontFile), 18);
  TextLayoutOptions options;
  if (input.Set) input.Set(options);
  std::string message;
  try {
    TextLayout layout(font, input.Text, options);
    ExpectFiniteEverywhere(layout);
  } catch (const std::exception& error) {
    message = error.what();
  }
  EXPECT_EQ(message, input.Expected);
  // The font still lays out and measures afterwards.
  TextLayout after(font, std::u16string(u"AV"));
  EXPECT_EQ(after.Size().X, font.MeasureString(u"AV").X);
}

std::u16string Marks(std::size_t count) {
  // Appended, not concatenated: mingw's GCC 12 warns falsely (-Wrestrict) on the latter.
  std::u16string text(1, u'a');
  text.append(count, u'\u0301').append(u" b\u0301\u0302");
  return text;
}

std::vector<ColorSpan> ManySpans() {
  std::vector<ColorSpan> spans;
  for (std::int32_t i = -3; i < 60; ++i) spans.push_back({i, 1, Color(255, 0, 0, 255)});
  spans.push_back({IntMax - 1, IntMax, Color(0, 0, 255, 255)});
  spans.push_back({IntMin, IntMax, Color(0, 0, 255, 255)});
  spans.push_back({5, -7, Color(0, 0, 255, 255)});
  spans.push_back({10, IntMin, Color(0, 0, 255, 255)});
  return spans;
}

constexpr const char* Metrics = "VennicorMetrics.ttf";

INSTANTIATE_TEST_SUITE_P(
    Table, LayoutBadInputs,
    testing::Values(
        // Letter spacing and tab widths that made every position NaN or infinite before.
        LayoutInput{"LetterSpacingNaN", Metrics, Words, [](auto& o) { o.LetterSpacing = NaN; }},
        LayoutInput{"LetterSpacingInfinite", Metrics, Words,
                    [](auto& o) { o.LetterSpacing = Inf; }},
        LayoutInput{"LetterSpacingMinusInfinite", Metrics, Words,
                    [](auto& o) { o.LetterSpacing = -Inf; }},
        LayoutInput{"LetterSpacingHuge", Metrics, Words,
                    [](auto& o) {
                      o.LetterSpacing = 3e38F;
                      o.MaxWidth = 100;
                    }},
        LayoutInput{"TabWidthInfinite", Metrics, Words, [](auto& o) { o.TabWidth = Inf; }},
        LayoutInput{"TabWidthDenormal", Metrics, Words, [](auto& o) { o.TabWidth = 1e-40F; }},
        LayoutInput{"TabWidthHugeAndWrapped", Metrics, Words,
                    [](auto& o) {
                      o.TabWidth = 3e38F;
                      o.MaxWidth = 50;
                    }},
        LayoutInput{"LineSpacingInfinite", Metrics, Words, [](auto& o) { o.LineSpacing = Inf; }},
        LayoutInput{"LineSpacingHugeNegative", Metrics, Words,
                    [](auto& o) { o.LineSpacing = -3e38F; }},
        LayoutInput{"MaxWidthNaNJustified", Metrics, Words,
                    [](auto& o) {
                      o.MaxWidth = NaN;
                      o.Alignment = TextAlignment::Justify;
                    }},
        LayoutInput{"MaxWidthTinyCentredWithEllipsis", Metrics, Words,
                    [](auto& o) {
                      o.MaxWidth = 1e-30F;
                      o.Alignment = TextAlignment::Center;
                      o.MaxLines = 2;
                    }},
        LayoutInput{"MaxLinesNegative", Metrics, Words, [](auto& o) { o.MaxLines = IntMin; }},
        LayoutInput{"DirectionOutOfRange", Metrics, Words,
                    [](auto& o) { o.Direction = static_cast<TextDirection>(97); }},
        LayoutInput{"SpansOutsideTheText", Metrics, Words,
                    [](auto& o) { o.ColorSpans = ManySpans(); }},
        // Hostile text: marks beyond the limit on one base are not shaped, and draw nothing.
        LayoutInput{"TenThousandMarksOnOneBase", Metrics, Marks(10000),
                    [](auto& o) { o.MaxWidth = 40; }},
        LayoutInput{"OnlyMarks", Metrics, std::u16string(500, u'\u0301'), nullptr},
        LayoutInput{"LoneSurrogatesAndControls", Metrics,
                    std::u16string(u"\xD800\t\x0001\xDC00\r\n\x2028 A\0V", 11),
                    [](auto& o) { o.MaxWidth = 10; }},
        // A font whose substitutions make 32,768 glyphs of one "x": an error about the font
        // and text, not about the text services (as before).
        LayoutInput{"SubstitutionsBeyondShapingLimits", "hostile/VennicorExplosion.ttf", u"a x b",
                    nullptr, Messages::TextCannotBeShaped},
        LayoutInput{"SubstitutionsWithinLimits", "hostile/VennicorExplosion.ttf", u"a b c",
                    nullptr}),
    [](const auto& test) { return std::string(test.param.Name); });

// Beyond the limit of marks in a row, marks draw nothing; up to it, each has its glyph.
TEST(LayoutLimits, MarksBeyondTheLimitInARowAreNotShaped) {
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::FixtureFontText(Metrics), 18);
  for (const std::size_t marks :
       {std::size_t{31}, std::size_t{32}, std::size_t{33}, std::size_t{1000}}) {
    SCOPED_TRACE(marks);
    std::u16string text(1, u'a');
    text.append(marks, u'\u0301').append(1, u'b');
    const TextLayout layout(font, text);
    EXPECT_EQ(layout.Glyphs().size(), 2 + std::min<std::size_t>(marks, 32));
    EXPECT_EQ(layout.Glyphs().back().TextIndex, static_cast<std::int32_t>(text.size() - 1));
    EXPECT_EQ(layout.CaretPosition(static_cast<std::int32_t>(text.size() - 1)).X, 9);
  }
}

}  // namespace
}  // namespace Vennicor::Font
