// The installed-font lookup against fontconfig, seeing only the fixture fonts (see
// HermeticFontconfig.h and tests/data/fonts/README.md).

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "HermeticFontconfig.h"
#include "font/FontException.h"
#include "font/faces/detail/FontFace.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/FreeTypeMemoryCounter.h"
#include "font/sources/detail/FaceHandle.h"
#include "font/sources/detail/InstalledFontCandidates.h"
#include "font/sources/detail/InstalledFontLookup.h"
#include "tests/support/FixtureFonts.h"

namespace {

using Vennicor::Font::FaceHandle;
using Vennicor::Font::FindInstalledFamilyCandidates;
using Vennicor::Font::FindInstalledFontCandidates;
using Vennicor::Font::FontException;
using Vennicor::Font::FontStyle;
using Vennicor::Font::FreeTypeManager;
using Vennicor::Font::OpenInstalledFont;
using Vennicor::Font::Testing::AddedFontsFolder;
using Vennicor::Font::Testing::CountingFreeTypeLibrary;
using Vennicor::Font::Testing::FixtureFont;
namespace Messages = Vennicor::Font::Messages;

constexpr FontStyle Regular = FontStyle::Regular;
constexpr FontStyle Bold = FontStyle::Bold;
constexpr FontStyle Italic = FontStyle::Italic;
constexpr FontStyle BoldItalic = FontStyle::Bold | FontStyle::Italic;

// The PostScript name of the face that `open` returns, closing it again; or the error message.
template <typename Open>
std::string Outcome(Open open) {
  try {
    const FaceHandle face(open());
    if (!face) return "(null)";
    return FT_Get_Postscript_Name(face.get());
  } catch (const FontException& error) {
    return error.what();
  }
}

struct LookupCase {
  const char* Name;
  std::u16string Searched;
  FontStyle Style;
  std::string Expected;
};

void PrintTo(const LookupCase& value, std::ostream* out) { *out << value.Name; }

class OpenInstalledFontCases : public ::testing::TestWithParam<LookupCase> {};

TEST_P(OpenInstalledFontCases, FindsTheExpectedFaceAndLeavesNoOtherOpen) {
  CountingFreeTypeLibrary library;
  ASSERT_NE(library.Get(), nullptr);
  const long before = library.LiveBlocks();
  EXPECT_EQ(Outcome([&] {
              return OpenInstalledFont(library.Get(), GetParam().Searched, GetParam().Style);
            }),
            GetParam().Expected);
  EXPECT_EQ(library.LiveBlocks(), before) << "a face was left open";
}

const std::string NotFound = Messages::FontNotFound;

INSTANTIATE_TEST_SUITE_P(
    Fixtures, OpenInstalledFontCases,
    ::testing::Values(
        LookupCase{"Regular", u"Vennicor Lookup", Regular, "VennicorLookup-Regular"},
        LookupCase{"BoldAfterTheShorterRegular", u"Vennicor Lookup", Bold, "VennicorLookup-Bold"},
        LookupCase{"Italic", u"Vennicor Lookup", Italic, "VennicorLookup-Italic"},
        // "Vennicor Lookup Extended" is shorter than "Vennicor Lookup Bold Italic".
        LookupCase{"BoldItalicFromTheShorterLongerFamily", u"Vennicor Lookup", BoldItalic,
                   "VennicorLookupExtended-BoldItalic"},
        LookupCase{"BoldItalicOfTheFamily", u"Vennicor Lookup Bold", BoldItalic,
                   "VennicorLookup-BoldItalic"},
        LookupCase{"BoldItalicServesNoBold", u"Vennicor Lookup Bold I", Bold, NotFound},
        LookupCase{"OnlyBoldInstalled", u"Vennicor Lookup Bold", Regular, NotFound},
        LookupCase{"OnlyBoldItalicInstalled", u"Vennicor Lookup Extended", Italic, NotFound},
        LookupCase{"NameInOtherCase", u"vENNICOR lookup", Regular, "VennicorLookup-Regular"},
        LookupCase{"PrefixOfTheName", u"Vennicor Look", Regular, "VennicorLookup-Regular"},
        LookupCase{"NonAsciiLowerCase", u"vennicor \u0142\u00f3d\u017a", Regular,
                   "VennicorLodz-Regular"},
        LookupCase{"NonAsciiUpperCase", u"VENNICOR \u0141\u00d3D\u0179", Regular,
                   "VennicorLodz-Regular"},
        LookupCase{"UpperCaseExtension", u"vennicor capitals", Regular, "VennicorCapitals-Regular"},
        // ".ttf" files first: the Shy ".otf" and ".ttc" only when no ".ttf" has the style, and
        // the ".pfb" never.
        LookupCase{"TtfBeforeOtfAndTtc", u"Vennicor Shy", Regular, "VennicorShyVisible-Regular"},
        LookupCase{"BoldOnlyInATtc", u"Vennicor Shy", Bold, "VennicorShy-CollectedBold"},
        LookupCase{"PfbNeverOpened", u"Vennicor Shy", Italic, NotFound},
        // The family's face of the usual weight before shorter names (Thin, Fat).
        LookupCase{"UsualWeightBeforeThin", u"Vennicor Weights", Regular,
                   "VennicorWeights-Regular"},
        LookupCase{"UsualBoldWeightBeforeFat", u"Vennicor Weights", Bold, "VennicorWeights-Bold"},
        LookupCase{"FamilyInOtherCase", u"vENNICOR wEIGHTS", Regular, "VennicorWeights-Regular"},
        LookupCase{"PrefixOfTheFamilyKeepsShortestName", u"Vennicor Weight", Regular,
                   "VennicorWeights-Thin"},
        LookupCase{"NoFaceOfTheUsualWeight", u"Vennicor Weights", Italic, NotFound},
        // Families that have no ".ttf" file at all.
        LookupCase{"OtfOnlyFamily", u"Vennicor Otto", Regular, "VennicorOtto-Regular"},
        LookupCase{"OtfOnlyFamilyBold", u"Vennicor Otto", Bold, "VennicorOtto-Bold"},
        LookupCase{"TtcOnlyFamilyPrefersItsOwnFace", u"Vennicor Cased", Regular,
                   "VennicorCased-Regular"},
        LookupCase{"TtcOnlyFamilyBold", u"Vennicor Cased", Bold, "VennicorCased-Bold"},
        LookupCase{"TtcFaceByItsFullFamily", u"Vennicor Cased Condensed", Regular,
                   "VennicorCased-Condensed"},
        LookupCase{"OtcOnlyFamily", u"Vennicor Orbit", Italic, "VennicorOrbit-Italic"},
        // Faces of one file in index order: "Heavy" (index 1) before "Bold" (index 2), even
        // when the search names the latter.
        LookupCase{"FirstBoldFaceByIndex", u"Vennicor Multi", Bold, "VennicorMulti-Heavy"},
        LookupCase{"FileOfANamedFace", u"Vennicor Multi Bold", Bold, "VennicorMulti-Heavy"},
        LookupCase{"LaterFaceOfAFile", u"Vennicor Multi", Italic, "VennicorMulti-Italic"},
        LookupCase{"FamilyAndStyleAsName", u"Vennicor Nameless Bold", Bold,
                   "VennicorNameless-Bold"},
        // An empty name, or one with U+0000, once opened whatever font came first.
        LookupCase{"EmptyNameRegular", u"", Regular, NotFound},
        LookupCase{"EmptyNameBold", u"", Bold, NotFound},
        LookupCase{"OnlyANull", std::u16string(1, u'\0'), Regular, NotFound},
        LookupCase{"NullAfterAName", std::u16string(u"Vennicor Lookup\0", 16), Regular, NotFound},
        LookupCase{"NullInsideAName", std::u16string(u"Vennicor\0Lookup", 15), Regular, NotFound},
        LookupCase{"LongerThanEveryName", u"Vennicor Lookup Bold Italic Extra", BoldItalic,
                   NotFound},
        LookupCase{"OtherStyleValue", u"Vennicor Lookup", static_cast<FontStyle>(4),
                   "VennicorLookup-Regular"},
        LookupCase{"SystemFontsAreNotListed", u"DejaVu Sans", Regular, NotFound},
        LookupCase{"LoneSurrogate", std::u16string(u"Vennicor Lookup\xD800", 16), Regular,
                   NotFound},
        // Names that no display name begins with: any family name of a face, whole, in any
        // language. The display names still decide first.
        LookupCase{"DisplayNameFirst", u"Vennicor Paired", Regular, "VennicorPaired-Regular"},
        LookupCase{"SecondFaceWhoseFullNameIsTheFirsts", u"vennicor paired mono", Regular,
                   "VennicorPaired-Mono"},
        LookupCase{"FamilyInJapanese", u"\u30f4\u30a7\u30cb\u30b3\u30eb \u30da\u30a2", Regular,
                   "VennicorPaired-Regular"},
        LookupCase{"FamilyInKoreanBold", u"\ubca0\ub2c8\ucf54\ub974 \ud398\uc5b4", Bold,
                   "VennicorPaired-Bold"},
        LookupCase{"SecondFaceInJapanese", u"\u30f4\u30a7\u30cb\u30b3\u30eb \u7b49\u5e45", Regular,
                   "VennicorPaired-Mono"},
        LookupCase{"SecondFaceHasNoBold", u"\u30f4\u30a7\u30cb\u30b3\u30eb \u7b49\u5e45", Bold,
                   NotFound},
        LookupCase{"FamilyInGreekLowerCase", u"\u03b2\u03ad\u03bd\u03b9\u03ba\u03bf\u03c1", Regular,
                   "VennicorPaired-Regular"},
        LookupCase{"FamilyInGreekUpperCase", u"\u0392\u0388\u039d\u0399\u039a\u039f\u03a1", Bold,
                   "VennicorPaired-Bold"},
        // Fontconfig's listing by family ignores blanks; the lookup does not.
        LookupCase{"BlanksOfAFamilyCount", u"VennicorHefty", Bold, NotFound},
        LookupCase{"PrefixOfAFamilyInJapanese", u"\u30f4\u30a7\u30cb\u30b3\u30eb", Regular,
                   NotFound},
        // Where no face has the style's flags, OS/2 weight (600 up: bold) and italic angle give
        // it, the usual weight first ("Fat", 800, has the shorter name); never against a flag.
        LookupCase{"RegularByFlags", u"Vennicor Hefty", Regular, "VennicorHefty-Regular"},
        LookupCase{"BoldByWeight", u"Vennicor Hefty", Bold, "VennicorHefty-Bold"},
        LookupCase{"ItalicByAngle", u"Vennicor Hefty", Italic, "VennicorHefty-Slanted"},
        LookupCase{"BoldItalicByWeightAndAngle", u"vennicor hefty", BoldItalic,
                   "VennicorHefty-BoldSlanted"},
        LookupCase{"WeightOnlyWithinAFamily", u"Vennicor Hefty Fat", Bold, NotFound},
        LookupCase{"BoldFlagNotOverruledByWeight", u"Vennicor Nameless", Regular, NotFound}),
    [](const auto& test) { return std::string(test.param.Name); });

TEST(FindInstalledFontCandidates, ListsDisplayNamesThatBeginWithTheName) {
  const auto candidates = FindInstalledFontCandidates(u"vennicor multi");
  std::vector<std::u16string> names;
  for (const auto& candidate : candidates) {
    names.push_back(candidate.DisplayName);
    EXPECT_EQ(std::filesystem::path(candidate.FilePath).filename(), "VennicorMulti.ttf");
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::u16string>{u"Vennicor Multi", u"Vennicor Multi Bold",
                                         u"Vennicor Multi Heavy", u"Vennicor Multi Italic"}));
}

TEST(FindInstalledFamilyCandidates, ListsTheFacesThatCarryTheFamilyName) {
  std::vector<std::pair<std::string, FT_Long>> faces;
  for (const auto& candidate : FindInstalledFamilyCandidates(u"Vennicor PAIRED")) {
    faces.emplace_back(std::filesystem::path(candidate.FilePath).filename().string(),
                       candidate.FaceIndex);
  }
  std::sort(faces.begin(), faces.end());
  EXPECT_EQ(faces, (std::vector<std::pair<std::string, FT_Long>>{{"VennicorPaired.ttc", 0},
                                                                 {"VennicorPaired.ttc", 2}}));
  EXPECT_TRUE(FindInstalledFamilyCandidates(u"").empty());
  EXPECT_TRUE(FindInstalledFamilyCandidates(u"Vennicor Pair").empty());
}

TEST(FindInstalledFontCandidates, ListsEveryFontFileForAnEmptyName) {
  std::set<std::string> files;
  for (const auto& candidate : FindInstalledFontCandidates(u"")) {
    files.insert(std::filesystem::path(candidate.FilePath).filename().string());
  }
  // The lookup, not the listing, chooses among the extensions.
  EXPECT_EQ(files.size(), 27U);
  EXPECT_EQ(files.count("VennicorShy.pfb"), 1U);
  EXPECT_EQ(files.count("VENNICORCAPITALS.TTF"), 1U);
}

// Runs a test in a fresh folder as the current directory, so that relative paths are tested.
class InFreshCurrentFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = std::filesystem::current_path();
    folder =
        std::filesystem::temp_directory_path() / ("vennicor-cwd-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
  }

  std::filesystem::path previous;
  std::filesystem::path folder;
};

TEST_F(InFreshCurrentFolder, AFileNamedLikeAnInstalledFontIsOpenedAsAFile) {
  std::ofstream("Vennicor Lookup") << "not a font";
  FreeTypeManager manager;
  EXPECT_EQ(Outcome([&] { return manager.OpenFont(u"Vennicor Lookup", Regular); }),
            Messages::ErrorOpeningFontFile);
  // The lookup itself still finds the installed font.
  EXPECT_EQ(Outcome([&] { return manager.OpenWindowsFont(u"Vennicor Lookup", Regular); }),
            "VennicorLookup-Regular");
}

TEST_F(InFreshCurrentFolder, ADirectoryOrAMissingPathIsTakenAsAName) {
  std::filesystem::create_directory("Vennicor Lookup");
  FreeTypeManager manager;
  const struct {
    std::u16string Text;
    FontStyle Style;
    std::string Expected;
  } cases[] = {
      {u"Vennicor Lookup", Bold, "VennicorLookup-Bold"},
      {u"Vennicor Lookup Italic", Italic, "VennicorLookup-Italic"},
      {(folder / "Vennicor Lookup").u16string(), Regular, NotFound},
      {u"/no/such/folder/VennicorLookup-Regular.ttf", Regular, NotFound},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Outcome([&] { return manager.OpenFont(test.Text, test.Style); }), test.Expected);
  }
}

TEST_F(InFreshCurrentFolder, ARelativePathIsOpenedFromTheCurrentFolder) {
  std::filesystem::copy_file(FixtureFont("installed/VennicorLookup-Bold.ttf"), "Vennicor Lookup");
  FreeTypeManager manager;
  // Opened as a file: its first face, whatever the style asked for.
  EXPECT_EQ(Outcome([&] { return manager.OpenFont(u"Vennicor Lookup", Regular); }),
            "VennicorLookup-Bold");
}

// Fontconfig notices a changed font folder by its modification time, in whole seconds.
void WaitForTheNextSecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }

TEST(OpenInstalledFont, SeesFontsInstalledAndRemovedSinceTheLastLookup) {
  const std::filesystem::path added = AddedFontsFolder() / "VennicorLate.ttf";
  FreeTypeManager manager;
  EXPECT_EQ(Outcome([&] { return manager.OpenFont(u"Vennicor Metrics", Regular); }), NotFound);

  WaitForTheNextSecond();
  std::filesystem::copy_file(FixtureFont("VennicorMetrics.ttf"), added);
  EXPECT_EQ(Outcome([&] { return manager.OpenFont(u"Vennicor Metrics", Regular); }),
            "VennicorMetrics-Regular");

  WaitForTheNextSecond();
  std::filesystem::remove(added);
  EXPECT_EQ(Outcome([&] { return manager.OpenFont(u"Vennicor Metrics", Regular); }), NotFound);
}

// A variable family (the generated VennicorVariable.ttf: a wght axis with Thin, Regular, Bold and
// Black instances, Regular by its flags) serves a style it has no face for from the named
// instance that has it; what it has a face for, and what no instance has, stay as they were.
TEST(OpenInstalledFont, AVariableFamilyServesBoldFromItsNamedInstance) {
  using Vennicor::Font::FontVariation;
  using Vennicor::Font::Detail::FontFace;
  const std::filesystem::path added = AddedFontsFolder() / "VennicorVariable.ttf";
  WaitForTheNextSecond();
  std::filesystem::copy_file(FixtureFont("VennicorVariable.ttf"), added);
  const struct Uninstall {
    std::filesystem::path File;
    ~Uninstall() {
      std::filesystem::remove(File);
      WaitForTheNextSecond();
    }
  } uninstall{added};

  FreeTypeManager manager;
  const struct {
    FontStyle Style;
    std::string Face;  // FreeType's style name of the face, or the error
  } cases[] = {{Regular, "Regular"},
               {Bold, "Bold"},
               {Italic, Messages::FontNotFound},
               {BoldItalic, Messages::FontNotFound}};
  for (const auto& row : cases) {
    std::string outcome;
    try {
      const FaceHandle face(manager.OpenFont(u"Vennicor Variable", row.Style));
      outcome = face->style_name != nullptr ? face->style_name : "(none)";
    } catch (const FontException& error) {
      outcome = error.what();
    }
    EXPECT_EQ(outcome, row.Face) << static_cast<int>(row.Style);
  }

  // The instance's coordinates are the face's own from then on: shaping reads them, a glyph
  // cache keys on them, a second opening keeps them, and the caller's values win.
  const FontFace bold(u"Vennicor Variable", Bold);
  const std::vector<std::int32_t> weight700{700 << 16};
  EXPECT_EQ(bold.DesignCoordinates(), weight700);
  EXPECT_EQ(bold.OpenAgain()->DesignCoordinates(), weight700);
  FontFace byPath(FixtureFont("VennicorVariable.ttf"));
  const FontVariation wght700[] = {{{'w', 'g', 'h', 't'}, 700}};
  byPath.SetVariations(wght700);
  EXPECT_EQ(bold.DataIdentity(), byPath.DataIdentity());
  EXPECT_TRUE(FontFace(u"Vennicor Variable", Regular).DesignCoordinates().empty());
  FontFace heavier(u"Vennicor Variable", Bold);
  const FontVariation wght900[] = {{{'w', 'g', 'h', 't'}, 900}};
  heavier.SetVariations(wght900);
  EXPECT_EQ(heavier.DesignCoordinates(), std::vector<std::int32_t>{900 << 16});
}

// Glyph cache files key on this identity: faces of one collection share tables, not their
// character maps, so each must have its own; the same face opened twice has the same.
TEST(InstalledFaceIdentity, EachFaceOfACollectionHasItsOwn) {
  using Vennicor::Font::Detail::FontFace;
  const std::uint64_t regular = FontFace(u"Vennicor Multi", Regular).DataIdentity();
  const std::uint64_t heavy = FontFace(u"Vennicor Multi", Bold).DataIdentity();
  const std::uint64_t italic = FontFace(u"Vennicor Multi", Italic).DataIdentity();
  EXPECT_NE(regular, 0U);
  EXPECT_NE(regular, heavy);
  EXPECT_NE(regular, italic);
  EXPECT_NE(heavy, italic);
  EXPECT_EQ(FontFace(u"Vennicor Multi", Italic).DataIdentity(), italic);
  EXPECT_EQ(FontFace(FixtureFont("installed/VennicorMulti.ttf")).DataIdentity(), regular);
}

}  // namespace
