// The shared half of the installed-font lookup, fed with candidate lists made up here, in a
// FreeType library whose memory is counted so that any face left open shows.

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "font/FontException.h"
#include "font/sources/FreeTypeMemoryCounter.h"
#include "font/sources/detail/FaceHandle.h"
#include "font/sources/detail/InstalledFontLookup.h"
#include "tests/support/FixtureFonts.h"

namespace {

using Vennicor::Font::FaceHandle;
using Vennicor::Font::FontException;
using Vennicor::Font::FontStyle;
using Vennicor::Font::InstalledFontCandidate;
using Vennicor::Font::OpenFamilyFaceWithStyle;
using Vennicor::Font::OpenFirstFaceWithStyle;
using Vennicor::Font::StyleFlagsFromFontDescriptionStyle;
using Vennicor::Font::Testing::CountingFreeTypeLibrary;
using Vennicor::Font::Testing::FixtureFont;
namespace Messages = Vennicor::Font::Messages;

constexpr FontStyle BoldItalic = FontStyle::Bold | FontStyle::Italic;

InstalledFontCandidate Installed(std::u16string displayName, const std::string& file) {
  return {std::move(displayName), FixtureFont("installed/" + file).string()};
}

// The lookup family as a system would list it, longest names first so that the order is the
// lookup's own doing.
std::vector<InstalledFontCandidate> LookupFamily() {
  return {Installed(u"Vennicor Lookup Bold Italic", "VennicorLookup-BoldItalic.ttf"),
          Installed(u"Vennicor Lookup Extended", "VennicorLookupExtended.ttf"),
          Installed(u"Vennicor Lookup Italic", "VennicorLookup-Italic.ttf"),
          Installed(u"Vennicor Lookup Bold", "VennicorLookup-Bold.ttf"),
          Installed(u"Vennicor Lookup", "VennicorLookup-Regular.ttf")};
}

class InstalledFontLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library.Get(), nullptr);
    // Let FreeType set up whatever it keeps per library before counting starts.
    FaceHandle warmUp;
    FT_Open_Args arguments{};
    std::string path = FixtureFont("installed/VennicorLookup-Regular.ttf").string();
    arguments.flags = FT_OPEN_PATHNAME;
    arguments.pathname = path.data();
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Open_Face(library.Get(), &arguments, 0, &face), 0);
    warmUp.reset(face);
    warmUp.reset();
    baseline = library.LiveBlocks();
  }

  // The PostScript name of the face found, closing it again; or the error's message.
  std::string Find(std::vector<InstalledFontCandidate> candidates, FontStyle style,
                   FT_Long* faceIndex = nullptr) {
    std::string result;
    try {
      const FaceHandle face(OpenFirstFaceWithStyle(library.Get(), std::move(candidates), style));
      EXPECT_TRUE(face);
      if (!face) return "(null)";
      EXPECT_EQ(face->style_flags, StyleFlagsFromFontDescriptionStyle(style));
      if (faceIndex != nullptr) *faceIndex = face->face_index;
      result = FT_Get_Postscript_Name(face.get());
    } catch (const FontException& error) {
      result = error.what();
    }
    EXPECT_EQ(library.LiveBlocks(), baseline) << "a face was left open";
    return result;
  }

  // The same for faces of one family, as OpenFamilyFaceWithStyle chooses among them.
  std::string FindInFamily(std::vector<InstalledFontCandidate> family, FontStyle style) {
    std::string result;
    try {
      const FaceHandle face(OpenFamilyFaceWithStyle(library.Get(), std::move(family), style));
      result = face ? FT_Get_Postscript_Name(face.get()) : "(null)";
    } catch (const FontException& error) {
      result = error.what();
    }
    EXPECT_EQ(library.LiveBlocks(), baseline) << "a face was left open";
    return result;
  }

  CountingFreeTypeLibrary library;
  long baseline = 0;
};

InstalledFontCandidate Face(std::u16string displayName, const std::string& file, FT_Long index) {
  InstalledFontCandidate candidate = Installed(std::move(displayName), file);
  candidate.FaceIndex = index;
  return candidate;
}

std::vector<InstalledFontCandidate> Hefty(std::initializer_list<const char*> names) {
  std::vector<InstalledFontCandidate> faces;
  for (const char* name : names) {
    const std::string file = std::string("VennicorHefty-") + name + ".ttf";
    faces.push_back(Face(u"Vennicor Hefty " + std::u16string(file.begin(), file.end()), file, 0));
  }
  return faces;
}

TEST(StyleFlagsFromFontDescriptionStyle, MapsStylesToFreeTypeFlags) {
  EXPECT_EQ(StyleFlagsFromFontDescriptionStyle(FontStyle::Regular), 0);
  EXPECT_EQ(StyleFlagsFromFontDescriptionStyle(FontStyle::Bold), FT_STYLE_FLAG_BOLD);
  EXPECT_EQ(StyleFlagsFromFontDescriptionStyle(FontStyle::Italic), FT_STYLE_FLAG_ITALIC);
  EXPECT_EQ(StyleFlagsFromFontDescriptionStyle(BoldItalic),
            FT_STYLE_FLAG_BOLD | FT_STYLE_FLAG_ITALIC);
  EXPECT_EQ(StyleFlagsFromFontDescriptionStyle(static_cast<FontStyle>(4)), 0);
  EXPECT_EQ(StyleFlagsFromFontDescriptionStyle(static_cast<FontStyle>(-1)), 0);
}

struct StyleCase {
  FontStyle Style;
  const char* Expected;
};

void PrintTo(const StyleCase& value, std::ostream* out) {
  *out << "style " << static_cast<int>(value.Style);
}

class InstalledFontLookupStyles : public InstalledFontLookup,
                                  public ::testing::WithParamInterface<StyleCase> {};

// Exact matching: a bold italic face serves neither Bold nor Italic, and for Bold | Italic the
// shorter display name "Vennicor Lookup Extended" wins over "Vennicor Lookup Bold Italic".
TEST_P(InstalledFontLookupStyles, ReturnsTheShortestNamedFaceWithExactlyTheStyle) {
  EXPECT_EQ(Find(LookupFamily(), GetParam().Style), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Family, InstalledFontLookupStyles,
    ::testing::Values(StyleCase{FontStyle::Regular, "VennicorLookup-Regular"},
                      StyleCase{FontStyle::Bold, "VennicorLookup-Bold"},
                      StyleCase{FontStyle::Italic, "VennicorLookup-Italic"},
                      StyleCase{BoldItalic, "VennicorLookupExtended-BoldItalic"},
                      StyleCase{static_cast<FontStyle>(4), "VennicorLookup-Regular"}));

TEST_F(InstalledFontLookup, StyleMissingFromTheCandidatesIsNotFound) {
  const std::vector<InstalledFontCandidate> boldOnly{
      Installed(u"Vennicor Lookup Bold", "VennicorLookup-Bold.ttf"),
      Installed(u"Vennicor Lookup Bold Italic", "VennicorLookup-BoldItalic.ttf")};
  EXPECT_EQ(Find(boldOnly, FontStyle::Regular), Messages::FontNotFound);
  EXPECT_EQ(Find(boldOnly, FontStyle::Italic), Messages::FontNotFound);
  EXPECT_EQ(Find(boldOnly, FontStyle::Bold), "VennicorLookup-Bold");
  EXPECT_EQ(Find({}, FontStyle::Regular), Messages::FontNotFound);
}

// ".ttf" files (in any case) first, even under longer names; ".otf", ".ttc" and ".otc" only
// when those have no face with the style; other files never.
TEST_F(InstalledFontLookup, OpensTrueTypeFilesFirstThenOpenTypeAndCollections) {
  std::vector<InstalledFontCandidate> candidates{
      Installed(u"Vennicor Shy", "VennicorShy.otf"), Installed(u"Vennicor Shy", "VennicorShy.ttc"),
      Installed(u"Vennicor Shy", "VennicorShy.pfb"),
      Installed(u"Vennicor Shy Visible", "VennicorShyVisible.ttf")};
  EXPECT_EQ(Find(candidates, FontStyle::Regular), "VennicorShyVisible-Regular");
  EXPECT_EQ(Find(candidates, FontStyle::Bold), "VennicorShy-CollectedBold");
  EXPECT_EQ(Find(candidates, FontStyle::Italic), Messages::FontNotFound);
  EXPECT_EQ(Find({Installed(u"Vennicor Shy", "VennicorShy.pfb")}, FontStyle::Regular),
            Messages::FontNotFound);
  EXPECT_EQ(Find({Installed(u"Vennicor Orbit", "VennicorOrbit.otc")}, FontStyle::Italic),
            "VennicorOrbit-Italic");

  candidates.push_back(Installed(u"Vennicor Capitals", "VENNICORCAPITALS.TTF"));
  EXPECT_EQ(Find(candidates, FontStyle::Regular), "VennicorCapitals-Regular");
}

TEST_F(InstalledFontLookup, TriesTheFacesOfAFileInIndexOrder) {
  // All three name the one collection; the shortest name leads to it, and its faces are tried
  // from index 0, so the bold face at index 1 wins over the one that is named "Bold".
  const std::vector<InstalledFontCandidate> multi{
      Installed(u"Vennicor Multi Bold", "VennicorMulti.ttf"),
      Installed(u"Vennicor Multi Heavy", "VennicorMulti.ttf"),
      Installed(u"Vennicor Multi", "VennicorMulti.ttf")};
  FT_Long index = -1;
  EXPECT_EQ(Find(multi, FontStyle::Bold, &index), "VennicorMulti-Heavy");
  EXPECT_EQ(index, 1);
  EXPECT_EQ(Find(multi, FontStyle::Italic, &index), "VennicorMulti-Italic");
  EXPECT_EQ(index, 3);
  EXPECT_EQ(Find(multi, FontStyle::Regular, &index), "VennicorMulti-Regular");
  EXPECT_EQ(index, 0);
  EXPECT_EQ(Find(multi, BoldItalic), Messages::FontNotFound);
}

TEST_F(InstalledFontLookup, ProbesEachFileOnce) {
  const auto allocationsFor = [this](std::vector<InstalledFontCandidate> candidates) {
    const long before = library.Allocations();
    EXPECT_EQ(Find(std::move(candidates), BoldItalic), Messages::FontNotFound);
    return library.Allocations() - before;
  };
  const long once = allocationsFor({Installed(u"Vennicor Multi", "VennicorMulti.ttf")});
  EXPECT_GT(once, 0);
  EXPECT_EQ(allocationsFor({Installed(u"Vennicor Multi", "VennicorMulti.ttf"),
                            Installed(u"Vennicor Multi Bold", "VennicorMulti.ttf"),
                            Installed(u"Vennicor Multi Heavy", "VennicorMulti.ttf")}),
            once);
}

// A family's faces: only the face a candidate names; style flags first, then OS/2 weight and
// italic angle for the bits the flags lack (never against a bit they have); the usual weight
// before the first in order.
TEST_F(InstalledFontLookup, ChoosesAmongAFamilysFacesByFlagsThenByWeightAndAngle) {
  const auto paired = [](FT_Long index) {
    return Face(u"Vennicor Paired", "VennicorPaired.ttc", index);
  };
  EXPECT_EQ(FindInFamily({paired(1)}, FontStyle::Regular), "VennicorPaired-Mono");
  EXPECT_EQ(FindInFamily({paired(1), paired(0)}, FontStyle::Regular), "VennicorPaired-Mono");
  EXPECT_EQ(FindInFamily({paired(0), paired(2)}, FontStyle::Bold), "VennicorPaired-Bold");
  EXPECT_EQ(FindInFamily({paired(5)}, FontStyle::Regular), Messages::FontNotFound);

  EXPECT_EQ(FindInFamily(Hefty({"Fat", "Bold"}), FontStyle::Bold), "VennicorHefty-Bold");
  EXPECT_EQ(FindInFamily(Hefty({"Fat"}), FontStyle::Bold), "VennicorHefty-Fat");
  // Flags first: the flagless Fat face is regular by its flags.
  EXPECT_EQ(FindInFamily(Hefty({"Fat"}), FontStyle::Regular), "VennicorHefty-Fat");
  EXPECT_EQ(FindInFamily(Hefty({"BoldSlanted", "Slanted"}), FontStyle::Italic),
            "VennicorHefty-Slanted");
  EXPECT_EQ(FindInFamily(Hefty({"BoldSlanted"}), FontStyle::Italic), Messages::FontNotFound);
  EXPECT_EQ(FindInFamily(Hefty({"Bold", "BoldSlanted"}), BoldItalic), "VennicorHefty-BoldSlanted");
  EXPECT_EQ(FindInFamily(Hefty({"Regular", "Slanted"}), FontStyle::Bold), Messages::FontNotFound);
  // Bold by its flag (weight 400): the weight does not make it regular, nor the lookup up a
  // face of the style where the flags say otherwise.
  EXPECT_EQ(FindInFamily({Face(u"Vennicor Nameless Bold", "VennicorNameless-Bold.ttf", 0)},
                         FontStyle::Regular),
            Messages::FontNotFound);
  // A face with the flags wins over one that has the style only by weight.
  EXPECT_EQ(FindInFamily({Face(u"Vennicor Hefty Bold", "VennicorHefty-Bold.ttf", 0),
                          Face(u"Vennicor Lookup Bold", "VennicorLookup-Bold.ttf", 0)},
                         FontStyle::Bold),
            "VennicorLookup-Bold");
}

TEST_F(InstalledFontLookup, PassesOverFilesThatDoNotOpen) {
  const std::vector<InstalledFontCandidate> candidates{
      {u"Vennicor", FixtureFont("installed/Missing.ttf").string()},
      {u"Vennicor N", FixtureFont("NotAFont.ttf").string()},
      {u"Vennicor Di", FixtureFont("installed").string() + "/.ttf"},
      Installed(u"Vennicor Lookup Bold", "VennicorLookup-Bold.ttf")};
  EXPECT_EQ(Find(candidates, FontStyle::Bold), "VennicorLookup-Bold");
  EXPECT_EQ(Find(candidates, FontStyle::Regular), Messages::FontNotFound);
}

}  // namespace
