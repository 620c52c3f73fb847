#include <gtest/gtest.h>

#include <array>
#include <span>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "tests/support/FontTestSupport.h"

using namespace Vennicor::Font;
using namespace Vennicor::Font::Testing;
using Vennicor::Graphics::Vector2;

namespace {

// The fixture faces: units per EM 1000, ascender 800, descender -200, height 1100 (900 for
// the negative gap face). At 18 px the advances are A 12, V 11, B 10, space 5, others 9, and
// the only kerning is A,V = -1 px.
// Parameter tables hold file names: the fixture folder is only known once the tests run.
const std::string MetricsFont = "VennicorMetrics.ttf";
const std::string NegativeGapFont = "VennicorMetricsNegativeGap.ttf";
const std::string NoKernFont = "VennicorMetricsNoKern.ttf";
// A,V = -26 px at 18 px.
const std::string DeepKernFont = "VennicorMetricsDeepKern.ttf";

struct VerticalMetrics {
  std::string Face;
  float Size;
  std::int32_t LineHeight, Ascent, Descent, Leading;
};

class FontVerticalMetrics : public testing::TestWithParam<VerticalMetrics> {};

TEST_P(FontVerticalMetrics, ScaleDesignUnitsTruncatingTowardZero) {
  const VerticalMetrics& m = GetParam();
  RecordingDevice device;
  Font font(device, FixtureFontText(m.Face), m.Size);
  EXPECT_EQ(font.LineHeight(), m.LineHeight);
  EXPECT_EQ(font.Ascent(), m.Ascent);
  EXPECT_EQ(font.Descent(), m.Descent);
  EXPECT_EQ(font.Leading(), m.Leading);
  EXPECT_EQ(font.Spacing(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, FontVerticalMetrics,
    testing::Values(
        // 14.4 -> 14, -3.6 -> -3 (not -4), 1.8 -> 1; LineHeight is one more than Ascent - Descent.
        VerticalMetrics{MetricsFont, 18, 18, 14, -3, 1},
        // -1.8 -> -1.
        VerticalMetrics{NegativeGapFont, 18, 18, 14, -3, -1},
        VerticalMetrics{MetricsFont, 10, 10, 8, -2, 1},
        // FreeType rounds a fractional size to whole pixels per em for these faces.
        VerticalMetrics{MetricsFont, 14.9F, 15, 12, -3, 1},
        VerticalMetrics{NegativeGapFont, 33, 33, 26, -6, -3}));

struct Measurement {
  std::string Name;
  std::string Face;
  std::u16string Text;
  char16_t Previous;
  float Width, Height;
};

void PrintTo(const Measurement& m, std::ostream* out) { *out << m.Name; }

class FontMeasureString : public testing::TestWithParam<Measurement> {};

TEST_P(FontMeasureString, WalksAdvancesKerningAndLines) {
  const Measurement& m = GetParam();
  RecordingDevice device;
  Font font(device, FixtureFontText(m.Face), 18);
  EXPECT_EQ(font.MeasureString(m.Text, m.Previous), (Vector2{m.Width, m.Height}));
  EXPECT_EQ(font.MeasureWidth(m.Text, m.Previous), m.Width);
  if (m.Previous == 0) {
    EXPECT_EQ(font.MeasureString(m.Text), (Vector2{m.Width, m.Height}));
  }
  // A caller's buffer measures as the string does.
  const std::vector<char16_t> buffer(m.Text.begin(), m.Text.end());
  EXPECT_EQ(font.MeasureString(buffer, m.Previous), (Vector2{m.Width, m.Height}));
  EXPECT_EQ(font.MeasureString(std::span<const char16_t>(buffer), m.Previous),
            (Vector2{m.Width, m.Height}));
  if (m.Previous == 0) {
    EXPECT_EQ(font.MeasureString(buffer), (Vector2{m.Width, m.Height}));
  }
}

std::vector<Measurement> Measurements() {
  const std::string& f = MetricsFont;
  return {
      {"Empty", f, u"", 0, 0, -1},
      {"TabAlone", f, u"\t", 0, 0, -1},
      {"LineFeedAlone", f, u"\n", 0, 0, 17},
      {"A", f, u"A", 0, 12, 17},
      {"ALineFeed", f, u"A\n", 0, 12, 17},
      {"ATwoLineFeeds", f, u"A\n\n", 0, 12, 35},
      {"Space", f, u" ", 0, 5, 17},
      {"TrailingSpaces", f, u"A  ", 0, 22, 17},
      {"AV", f, u"AV", 0, 22, 17},
      {"VA", f, u"VA", 0, 23, 17},
      {"ATabV", f, u"A\tV", 0, 23, 17},
      {"ACarriageReturnV", f, u"A\rV", 0, 23, 17},
      {"ALineFeedB", f, u"A\nB", 0, 12, 35},
      {"ACarriageReturnLineFeedB", f, u"A\r\nB", 0, 12, 35},
      {"WidestLineWins", f, u"B\nAVA\nA", 0, 34, 53},
      {"EmptyMiddleLine", f, u"A\n\nB", 0, 12, 53},
      {"LastLineOfControlsOnly", f, u"A\n\t\r", 0, 12, 17},
      {"VAfterA", f, u"V", u'A', 10, 17},
      {"VAfterNothing", f, u"V", 0, 11, 17},
      {"SeedDoesNotCountItsAdvance", f, u"B", u'A', 10, 17},
      {"SeedOnlyKernsTheFirstLine", f, u"\nV", u'A', 11, 35},
      {"SeedBrokenByLeadingControl", f, u"\tV", u'A', 11, 17},
      {"SeedMayBeAControlCharacter", f, u"V", u'\n', 11, 17},
      {"MissingCharacterAdvance", f, u"\u03A9", 0, 9, 17},
      {"NegativeGapEmpty", NegativeGapFont, u"", 0, 0, 1},
      {"NegativeGapA", NegativeGapFont, u"A", 0, 12, 19},
      {"NoKernAV", NoKernFont, u"AV", 0, 23, 17},
      {"NoKernSeed", NoKernFont, u"V", u'A', 11, 17},
      // 12 - 26 + 11 = -3: the width is 0, not negative; the line goes on from -3.
      {"KerningOutweighsAdvances", DeepKernFont, u"AV", 0, 0, 17},
      {"NegativeLineContinues", DeepKernFont, u"AVB", 0, 7, 17},
      {"NegativeLineThenWiderLine", DeepKernFont, u"AV\nB", 0, 10, 35},
      {"SeedKernsBelowZero", DeepKernFont, u"V", u'A', 0, 17},
  };
}

INSTANTIATE_TEST_SUITE_P(Texts, FontMeasureString, testing::ValuesIn(Measurements()),
                         [](const auto& param) { return param.param.Name; });

TEST(FontKerning, MatchesFreeTypeForEveryPairTwice) {
  for (const std::u16string& face :
       {FixtureFontText(MetricsFont), FixtureFontText(NoKernFont), FixtureFontText(DeepKernFont)}) {
    RecordingDevice device;
    Font font(device, face, 18);
    const ReferenceFace reference(face, 18);
    // The preload set plus characters the face lacks (they kern as glyph 0).
    const std::u16string characters = u"AVBa .\u03A9\u0416\t";
    for (int pass = 0; pass < 2; ++pass) {  // the second pass answers from memory
      for (const char16_t left : characters) {
        for (const char16_t right : characters) {
          FT_Vector expected;
          ASSERT_EQ(FT_Get_Kerning(reference.Face(), FT_Get_Char_Index(reference.Face(), left),
                                   FT_Get_Char_Index(reference.Face(), right), FT_KERNING_DEFAULT,
                                   &expected),
                    0);
          EXPECT_EQ(font.GetKerning(left, right),
                    (Vector2{static_cast<float>(expected.x) * 0.015625F,
                             static_cast<float>(expected.y) * 0.015625F}))
              << int(left) << ", " << int(right);
        }
      }
    }
  }
}

TEST(FontKerning, PairsOfTheFixture) {
  RecordingDevice device;
  Font kerned(device, FixtureFontText(MetricsFont), 18);
  Font unkerned(device, FixtureFontText(NoKernFont), 18);
  EXPECT_EQ(kerned.GetKerning(u'A', u'V'), (Vector2{-1, 0}));
  EXPECT_EQ(kerned.GetKerning(u'V', u'A'), (Vector2{0, 0}));
  EXPECT_EQ(unkerned.GetKerning(u'A', u'V'), (Vector2{0, 0}));
  EXPECT_EQ(kerned.GetKerning(u'A', 0), (Vector2{0, 0}));
  Font deep(device, FixtureFontText(DeepKernFont), 18);
  EXPECT_EQ(deep.GetKerning(u'A', u'V'), (Vector2{-26, 0}));
}

TEST(FontMeasureString, CachesNewGlyphsButLeavesTheAtlasAlone) {
  RecordingDevice device;
  Font font(device, FixtureFontText(MetricsFont), 18);
  const auto* atlas = font.GlyphTexture().get();
  const std::size_t uploads = device.UploadCount();

  EXPECT_EQ(font.MeasureString(u"\u0416\u0416\u03A9"), (Vector2{27, 17}));
  EXPECT_EQ(font.GetGlyph(u'\u0416').Advance.X, 9);
  EXPECT_EQ(font.GetGlyph(u'\u03A9').Bounds.Width, 0) << "placed before the next update";
  EXPECT_EQ(device.UploadCount(), uploads);

  EXPECT_EQ(font.GlyphTexture().get(), atlas);
  EXPECT_EQ(device.UploadCount(), uploads + 2);
  EXPECT_GT(font.GetGlyph(u'\u03A9').Bounds.Width, 0);
}

TEST(FontMeasureString, BufferFormsTakeEveryContiguousBuffer) {
  RecordingDevice device;
  Font font(device, FixtureFontText(MetricsFont), 18);
  const std::array<char16_t, 3> array{u'A', u'V', u'B'};
  std::u16string string(u"AVB");
  const Vector2 expected{32, 17};
  EXPECT_EQ(font.MeasureString(array), expected);
  EXPECT_EQ(font.MeasureString(string), expected);
  EXPECT_EQ(font.MeasureString(std::u16string_view(string)), expected);
  EXPECT_EQ(font.MeasureString(u"AVB"), expected);
  // The buffer is read where it lies; later changes show in the next measurement.
  std::vector<char16_t> builder{u'A'};
  EXPECT_EQ(font.MeasureString(builder), (Vector2{12, 17}));
  builder.push_back(u'V');
  EXPECT_EQ(font.MeasureString(builder), (Vector2{22, 17}));
  EXPECT_EQ(font.MeasureString(std::span<const char16_t>(builder).subspan(1), u'A'),
            (Vector2{10, 17}));
}

}  // namespace

namespace {

// At 300 px the deep pair kerns by -600 px, beyond what the font's table of common pairs holds
// in 16 bits: it must come out exactly as FreeType gives it, first and later times.
TEST(FontKerning, LargeKerningStaysExact) {
  const std::u16string face = FixtureFontText(DeepKernFont);
  RecordingDevice device;
  Font font(device, face, 300);
  const ReferenceFace reference(face, 300);
  FT_Vector expected;
  ASSERT_EQ(
      FT_Get_Kerning(reference.Face(), FT_Get_Char_Index(reference.Face(), u'A'),
                     FT_Get_Char_Index(reference.Face(), u'V'), FT_KERNING_DEFAULT, &expected),
      0);
  ASSERT_LT(expected.x, -32768);
  const float kerning = static_cast<float>(expected.x) * 0.015625F;
  EXPECT_EQ(font.GetKerning(u'A', u'V'), (Vector2{kerning, 0}));
  EXPECT_EQ(font.GetKerning(u'A', u'V'), (Vector2{kerning, 0}));
  const auto advance = [&](char16_t c) { return static_cast<float>(reference.Render(c).AdvanceX); };
  const float width = advance(u'A') + kerning + advance(u'V') + 4 * advance(u'B');
  ASSERT_GT(width, 0);
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(font.MeasureString(u"AVBBBB").X, width);
  }
}

}  // namespace
