// The fixture fonts have the exact numbers that the font, metrics and drawing tests rely on;
// these tests fail first if the generator or FreeType's treatment of the fonts changes.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/FixtureFonts.h"

namespace {

using Vennicor::Font::Testing::FixtureFont;

constexpr std::u16string_view PreloadSet =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$%^&*()-_+=~'`:;,./\\| ";
constexpr FT_Int32 RenderFlags = FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT;

struct LibraryCloser {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceCloser {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};

class FixtureFonts : public ::testing::Test {
 protected:
  void SetUp() override {
    FT_Library raw = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&raw), 0);
    library.reset(raw);
  }

  std::unique_ptr<FT_FaceRec_, FaceCloser> Open(const std::string& name, FT_Long index = 0) {
    FT_Face face = nullptr;
    const std::string path = FixtureFont(name).string();
    if (FT_New_Face(library.get(), path.c_str(), index, &face) != 0) return nullptr;
    return std::unique_ptr<FT_FaceRec_, FaceCloser>(face);
  }

  std::unique_ptr<FT_LibraryRec_, LibraryCloser> library;
};

// Readable test names: the file name's ASCII letters and digits (and the face index).
std::string Identifier(const std::string& file) {
  std::string name;
  bool nonAscii = false;
  for (const char character : file) {
    const auto byte = static_cast<unsigned char>(character);
    if (byte >= 0x80) nonAscii = true;
    if (byte < 0x80 && std::isalnum(byte) != 0) name += character;
  }
  return nonAscii ? name + "NonAscii" : name;
}

void PrintTo(const struct MetricsCase& value, std::ostream* out);
void PrintTo(const struct StyledFace& value, std::ostream* out);

std::vector<char> ReadAll(const std::string& name) {
  std::ifstream in(FixtureFont(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct MetricsCase {
  const char* File;
  FT_Short Height;
  bool Kerning;
};

void PrintTo(const MetricsCase& value, std::ostream* out) { *out << value.File; }

class MetricsFaces : public FixtureFonts, public ::testing::WithParamInterface<MetricsCase> {};

TEST_P(MetricsFaces, HaveExactDesignMetrics) {
  const auto face = Open(GetParam().File);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->num_faces, 1);
  EXPECT_EQ(face->style_flags, 0);
  EXPECT_EQ(face->units_per_EM, 1000);
  EXPECT_EQ(face->ascender, 800);
  EXPECT_EQ(face->descender, -200);
  EXPECT_EQ(face->height, GetParam().Height);
}

TEST_P(MetricsFaces, AdvancesAt18PixelsAreWholeAndExact) {
  const auto face = Open(GetParam().File);
  ASSERT_TRUE(face);
  ASSERT_EQ(FT_Set_Char_Size(face.get(), 0, 18L * 64, 72, 72), 0);
  EXPECT_EQ(face->size->metrics.y_ppem, 18);
  const struct {
    char16_t Character;
    FT_Pos Pixels;
  } advances[] = {{u'A', 12}, {u'V', 11}, {u'B', 10}, {u' ', 5}, {u'x', 9}, {u'7', 9}, {u'|', 9}};
  for (const auto& expected : advances) {
    ASSERT_EQ(FT_Load_Char(face.get(), expected.Character, RenderFlags), 0);
    EXPECT_EQ(face->glyph->advance.x, expected.Pixels * 64)
        << "character " << static_cast<char>(expected.Character);
  }
}

TEST_P(MetricsFaces, CoverThePreloadSet) {
  const auto face = Open(GetParam().File);
  ASSERT_TRUE(face);
  ASSERT_EQ(PreloadSet.size(), 87U);
  for (const char16_t character : PreloadSet) {
    EXPECT_NE(FT_Get_Char_Index(face.get(), character), 0U) << static_cast<char>(character);
  }
}

TEST_P(MetricsFaces, KernAVByOnePixelOnlyWhereTheyHaveAKernTable) {
  const auto face = Open(GetParam().File);
  ASSERT_TRUE(face);
  ASSERT_EQ(FT_Set_Char_Size(face.get(), 0, 18L * 64, 72, 72), 0);
  EXPECT_EQ(FT_HAS_KERNING(face.get()) != 0, GetParam().Kerning);
  const FT_UInt a = FT_Get_Char_Index(face.get(), u'A');
  const FT_UInt v = FT_Get_Char_Index(face.get(), u'V');
  FT_Vector kerning{};
  ASSERT_EQ(FT_Get_Kerning(face.get(), a, v, FT_KERNING_DEFAULT, &kerning), 0);
  EXPECT_EQ(kerning.x, GetParam().Kerning ? -64 : 0);
  EXPECT_EQ(kerning.y, 0);
  ASSERT_EQ(FT_Get_Kerning(face.get(), v, a, FT_KERNING_DEFAULT, &kerning), 0);
  EXPECT_EQ(kerning.x, 0);
}

const MetricsCase MetricsCases[] = {
    {"VennicorMetrics.ttf", 1100, true},
    {"VennicorMetricsNegativeGap.ttf", 900, true},
    {"VennicorMetricsNoKern.ttf", 1100, false},
#ifndef _WIN32
    // FreeType opens narrow paths, which on Windows are in the ANSI code page: no U+0144 there.
    {"VennicorMetrics-\u0144\u00e9.ttf", 1100, true},
#endif
};

INSTANTIATE_TEST_SUITE_P(Fixtures, MetricsFaces, ::testing::ValuesIn(MetricsCases),
                         [](const auto& test) { return Identifier(test.param.File); });

TEST_F(FixtureFonts, NonAsciiFileIsTheMetricsFace) {
  const std::vector<char> plain = ReadAll("VennicorMetrics.ttf");
  EXPECT_FALSE(plain.empty());
  EXPECT_EQ(ReadAll("VennicorMetrics-\u0144\u00e9.ttf"), plain);
}

TEST_F(FixtureFonts, NotAFontIsRejectedByFreeType) {
  EXPECT_FALSE(ReadAll("NotAFont.ttf").empty());
  EXPECT_FALSE(Open("NotAFont.ttf"));
}

struct StyledFace {
  const char* File;
  FT_Long Index;
  FT_Long FaceCount;
  FT_Long StyleFlags;
  const char* PostScriptName;
};

void PrintTo(const StyledFace& value, std::ostream* out) {
  *out << value.File << " #" << value.Index;
}

class LookupFaces : public FixtureFonts, public ::testing::WithParamInterface<StyledFace> {};

TEST_P(LookupFaces, HaveTheirStyleFlags) {
  const auto face = Open(std::string("installed/") + GetParam().File, GetParam().Index);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->num_faces, GetParam().FaceCount);
  EXPECT_EQ(face->style_flags, GetParam().StyleFlags);
  EXPECT_STREQ(FT_Get_Postscript_Name(face.get()), GetParam().PostScriptName);
}

constexpr FT_Long B = FT_STYLE_FLAG_BOLD;
constexpr FT_Long I = FT_STYLE_FLAG_ITALIC;

INSTANTIATE_TEST_SUITE_P(
    Fixtures, LookupFaces,
    ::testing::Values(
        StyledFace{"VennicorLookup-Regular.ttf", 0, 1, 0, "VennicorLookup-Regular"},
        StyledFace{"VennicorLookup-Bold.ttf", 0, 1, B, "VennicorLookup-Bold"},
        StyledFace{"VennicorLookup-Italic.ttf", 0, 1, I, "VennicorLookup-Italic"},
        StyledFace{"VennicorLookup-BoldItalic.ttf", 0, 1, B | I, "VennicorLookup-BoldItalic"},
        StyledFace{"VennicorLookupExtended.ttf", 0, 1, B | I, "VennicorLookupExtended-BoldItalic"},
        StyledFace{"VennicorMulti.ttf", 0, 4, 0, "VennicorMulti-Regular"},
        StyledFace{"VennicorMulti.ttf", 1, 4, B, "VennicorMulti-Heavy"},
        StyledFace{"VennicorMulti.ttf", 2, 4, B, "VennicorMulti-Bold"},
        StyledFace{"VennicorMulti.ttf", 3, 4, I, "VennicorMulti-Italic"},
        StyledFace{"VENNICORCAPITALS.TTF", 0, 1, 0, "VennicorCapitals-Regular"},
        StyledFace{"VennicorShy.otf", 0, 1, 0, "VennicorShy-Regular"},
        StyledFace{"VennicorShy.pfb", 0, 1, 0, "VennicorShy-Regular"},
        StyledFace{"VennicorShy.ttc", 1, 2, B, "VennicorShy-CollectedBold"},
        StyledFace{"VennicorShyVisible.ttf", 0, 1, 0, "VennicorShyVisible-Regular"},
        StyledFace{"VennicorLodz.ttf", 0, 1, 0, "VennicorLodz-Regular"},
        StyledFace{"VennicorNameless-Bold.ttf", 0, 1, B, "VennicorNameless-Bold"}),
    [](const auto& test) {
      return Identifier(test.param.File) + std::to_string(test.param.Index);
    });

}  // namespace
