// The installed-font lookup on Windows: the registry key of installed fonts and the shell's fonts
// folder, exercised under Wine with values and files that the tests add and remove themselves.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>
// The shell header needs windows.h first.
#include <shlobj.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/detail/FaceHandle.h"

namespace {

using Vennicor::Font::FaceHandle;
using Vennicor::Font::FontException;
using Vennicor::Font::FontStyle;
using Vennicor::Font::FreeTypeManager;
namespace Messages = Vennicor::Font::Messages;

constexpr const wchar_t* FontsKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr FontStyle BoldItalic = FontStyle::Bold | FontStyle::Italic;

std::filesystem::path InstalledFixtures() {
  const char* root = std::getenv("VENNICOR_TEST_DATA");
  return std::filesystem::path(root != nullptr ? root : "tests/data") / "fonts" / "installed";
}

std::wstring FullPath(const std::filesystem::path& path) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  return std::wstring(buffer, length);
}

std::wstring FontsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_FONTS, nullptr, 0, buffer), S_OK);
  return buffer;
}

std::u16string Text(const std::wstring& text) { return {text.begin(), text.end()}; }

// Registry values and files in the fonts folder that one test adds; all removed afterwards.
class WindowsFontLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, FontsKey, 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
  }

  void TearDown() override {
    for (const std::wstring& name : values) RegDeleteValueW(key, name.c_str());
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
    RegCloseKey(key);
  }

  // Copies a fixture into the fonts folder under `installedName`.
  void InstallFile(const std::string& fixture, const std::wstring& installedName) {
    const std::wstring target = FontsFolder() + L"\\" + installedName;
    ASSERT_TRUE(CopyFileW(FullPath(InstalledFixtures() / fixture).c_str(), target.c_str(), FALSE))
        << fixture;
    files.push_back(target);
  }

  void AddValue(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    values.push_back(name);
  }

  void AddText(const std::wstring& name, const std::wstring& data, DWORD type = REG_SZ) {
    AddValue(name, type, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }

  // The family used by most tests: four styles installed as relative values.
  void InstallFamily() {
    InstallFile("VennicorLookup-Regular.ttf", L"VennicorWine-Regular.ttf");
    InstallFile("VennicorLookup-Bold.ttf", L"VennicorWine-Bold.ttf");
    InstallFile("VennicorLookup-Italic.ttf", L"VennicorWine-Italic.ttf");
    InstallFile("VennicorLookup-BoldItalic.ttf", L"VennicorWine-BoldItalic.ttf");
    AddText(L"Vennicor Wine (TrueType)", L"VennicorWine-Regular.ttf");
    AddText(L"Vennicor Wine Bold (TrueType)", L"VennicorWine-Bold.ttf");
    AddText(L"Vennicor Wine Italic (TrueType)", L"VennicorWine-Italic.ttf");
    AddText(L"Vennicor Wine Bold Italic (TrueType)", L"VennicorWine-BoldItalic.ttf");
  }

  // The PostScript name of the face the lookup returns, or the lookup's error message.
  std::string Lookup(const std::u16string& name, FontStyle style) {
    try {
      const FaceHandle face(manager.OpenWindowsFont(name, style));
      const char* postScriptName = FT_Get_Postscript_Name(face.get());
      return postScriptName != nullptr ? postScriptName : "(unnamed)";
    } catch (const FontException& error) {
      return std::string("error: ") + error.what();
    }
  }

  FreeTypeManager manager;
  HKEY key = nullptr;
  std::vector<std::wstring> values;
  std::vector<std::wstring> files;
};

const std::string NotFound = std::string("error: ") + Messages::FontNotFound;

TEST_F(WindowsFontLookup, StylesMatchExactly) {
  InstallFamily();
  EXPECT_EQ(Lookup(u"Vennicor Wine", FontStyle::Regular), "VennicorLookup-Regular");
  // Bold: the regular file has the shorter name and is opened first, then passed over.
  EXPECT_EQ(Lookup(u"Vennicor Wine", FontStyle::Bold), "VennicorLookup-Bold");
  EXPECT_EQ(Lookup(u"Vennicor Wine", FontStyle::Italic), "VennicorLookup-Italic");
  EXPECT_EQ(Lookup(u"Vennicor Wine", BoldItalic), "VennicorLookup-BoldItalic");
  EXPECT_EQ(Lookup(u"Vennicor Wine", static_cast<FontStyle>(12)), "VennicorLookup-Regular");
}

TEST_F(WindowsFontLookup, OnlyBoldInstalledIsNotFoundForRegular) {
  InstallFile("VennicorLookup-Bold.ttf", L"VennicorWineLone-Bold.ttf");
  AddText(L"Vennicor Wine Lone Bold (TrueType)", L"VennicorWineLone-Bold.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Wine Lone", FontStyle::Regular), NotFound);
  EXPECT_EQ(Lookup(u"Vennicor Wine Lone", FontStyle::Italic), NotFound);
  EXPECT_EQ(Lookup(u"Vennicor Wine Lone", FontStyle::Bold), "VennicorLookup-Bold");
}

TEST_F(WindowsFontLookup, ShortestValueNameIsTriedFirst) {
  InstallFamily();
  InstallFile("VennicorLookupExtended.ttf", L"VennicorWineExtended.ttf");
  // 33 characters: shorter than "Vennicor Wine Bold Italic (TrueType)", so tried before it.
  AddText(L"Vennicor Wine Extended (TrueType)", L"VennicorWineExtended.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Wine", BoldItalic), "VennicorLookupExtended-BoldItalic");
  // The searched text may end inside a word: whatever follows it does not matter.
  EXPECT_EQ(Lookup(u"Vennicor Wine Ext", BoldItalic), "VennicorLookupExtended-BoldItalic");
  EXPECT_EQ(Lookup(u"Vennicor Wine Bold", BoldItalic), "VennicorLookup-BoldItalic");
}

TEST_F(WindowsFontLookup, CaseIsIgnoredInNameAndExtension) {
  InstallFile("VENNICORCAPITALS.TTF", L"VENNICORWINECAPITALS.TTF");
  AddText(L"VENNICOR WINE CAPITALS (TrueType)", L"VENNICORWINECAPITALS.TTF");
  EXPECT_EQ(Lookup(u"vennicor wine capitals", FontStyle::Regular), "VennicorCapitals-Regular");
  EXPECT_EQ(Lookup(u"Vennicor Wine Capitals", FontStyle::Regular), "VennicorCapitals-Regular");
}

// ".otf", ".ttc" and ".otc" values are tried when no ".ttf" one has the style; a ".fon" never.
TEST_F(WindowsFontLookup, OpenTypeAndCollectionsAfterTrueTypeOtherExtensionsNever) {
  InstallFile("VennicorShy.ttc", L"VennicorWineShy.ttc");
  InstallFile("VennicorShy.otf", L"VennicorWineShy.otf");
  InstallFile("VennicorShy.pfb", L"VennicorWineShy.fon");
  AddText(L"Vennicor Wine Shy (TrueType)", L"VennicorWineShy.ttc");
  AddText(L"Vennicor Wine Shy (OpenType)", L"VennicorWineShy.otf");
  AddText(L"Vennicor Wine Shy Bitmap", L"VennicorWineShy.fon");
  EXPECT_EQ(Lookup(u"Vennicor Wine Shy", FontStyle::Bold), "VennicorShy-CollectedBold");
  EXPECT_EQ(Lookup(u"Vennicor Wine Shy", FontStyle::Italic), NotFound);
  EXPECT_EQ(Lookup(u"Vennicor Wine Shy Bitmap", FontStyle::Regular), NotFound);
}

// Families with no ".ttf" file at all, found from the registry as the fontconfig lookup finds
// them on Linux (the same fixtures and answers as its table).
TEST_F(WindowsFontLookup, FamiliesWithoutATrueTypeFile) {
  InstallFile("VennicorOtto-Regular.otf", L"VennicorWineOtto-Regular.otf");
  InstallFile("VennicorOtto-Bold.otf", L"VennicorWineOtto-Bold.otf");
  InstallFile("VennicorCased.ttc", L"VennicorWineCased.ttc");
  InstallFile("VennicorOrbit.otc", L"VennicorWineOrbit.otc");
  AddText(L"Vennicor Otto (OpenType)", L"VennicorWineOtto-Regular.otf");
  AddText(L"Vennicor Otto Bold (OpenType)", L"VennicorWineOtto-Bold.otf");
  AddText(L"Vennicor Cased & Vennicor Cased Condensed (TrueType)", L"VennicorWineCased.ttc");
  AddText(L"Vennicor Orbit (OpenType)", L"VennicorWineOrbit.otc");
  const struct {
    const char* Name;
    std::u16string Family;
    FontStyle Style;
    std::string Expected;
  } cases[] = {
      {"OtfOnlyFamily", u"Vennicor Otto", FontStyle::Regular, "VennicorOtto-Regular"},
      {"OtfOnlyFamilyBold", u"Vennicor Otto", FontStyle::Bold, "VennicorOtto-Bold"},
      {"TtcOnlyFamilyPrefersItsOwnFace", u"Vennicor Cased", FontStyle::Regular,
       "VennicorCased-Regular"},
      {"TtcOnlyFamilyBold", u"Vennicor Cased", FontStyle::Bold, "VennicorCased-Bold"},
      {"OtcOnlyFamily", u"Vennicor Orbit", FontStyle::Italic, "VennicorOrbit-Italic"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Lookup(c.Family, c.Style), c.Expected) << c.Name;
  }
}

TEST_F(WindowsFontLookup, FacesOfACollectionAreTriedInIndexOrder) {
  InstallFile("VennicorMulti.ttf", L"VennicorWineMulti.ttf");
  AddText(L"Vennicor Wine Multi (TrueType)", L"VennicorWineMulti.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Wine Multi", FontStyle::Regular), "VennicorMulti-Regular");
  // Faces 1 and 2 are both bold: the first in index order wins.
  EXPECT_EQ(Lookup(u"Vennicor Wine Multi", FontStyle::Bold), "VennicorMulti-Heavy");
  EXPECT_EQ(Lookup(u"Vennicor Wine Multi", FontStyle::Italic), "VennicorMulti-Italic");
  EXPECT_EQ(Lookup(u"Vennicor Wine Multi", BoldItalic), NotFound);
}

TEST_F(WindowsFontLookup, RootedValuesAreUsedAsTheyStandAndRelativeOnesJoinTheFontsFolder) {
  const std::wstring absolute = FullPath(InstalledFixtures() / "VennicorLookup-Bold.ttf");
  ASSERT_GE(absolute.size(), 3U);
  ASSERT_EQ(absolute[1], L':');
  AddText(L"Vennicor Wine Rooted (TrueType)", absolute);
  EXPECT_EQ(Lookup(u"Vennicor Wine Rooted", FontStyle::Bold), "VennicorLookup-Bold");

  // A leading backslash is rooted too: the current drive's root.
  AddText(L"Vennicor Wine Drive Rooted (TrueType)", absolute.substr(2));
  EXPECT_EQ(Lookup(u"Vennicor Wine Drive Rooted", FontStyle::Bold), "VennicorLookup-Bold");

  // A relative value naming a file that only exists outside the fonts folder finds nothing.
  AddText(L"Vennicor Wine Elsewhere (TrueType)", L"VennicorLookup-Italic.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Wine Elsewhere", FontStyle::Italic), NotFound);
}

TEST_F(WindowsFontLookup, ExpandableValuesAreExpanded) {
  const std::wstring folder = FullPath(InstalledFixtures());
  ASSERT_TRUE(SetEnvironmentVariableW(L"VENNICOR_WINE_FONTS", folder.c_str()));
  AddText(L"Vennicor Wine Expanded (TrueType)", L"%VENNICOR_WINE_FONTS%\\VennicorLookup-Italic.ttf",
          REG_EXPAND_SZ);
  EXPECT_EQ(Lookup(u"Vennicor Wine Expanded", FontStyle::Italic), "VennicorLookup-Italic");
  SetEnvironmentVariableW(L"VENNICOR_WINE_FONTS", nullptr);
}

TEST_F(WindowsFontLookup, ValuesOfOtherKindsArePassedOver) {
  InstallFile("VennicorLookup-Regular.ttf", L"VennicorWineKinds.ttf");
  const DWORD number = 7;
  AddValue(L"Vennicor Wine Kinds A", REG_DWORD, &number, sizeof number);
  const std::string bytes = "VennicorWineKinds.ttf";
  AddValue(L"Vennicor Wine Kinds B", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
  EXPECT_EQ(Lookup(u"Vennicor Wine Kinds", FontStyle::Regular), NotFound);
  // The same file as text is found, after the longer-named values of other kinds.
  AddText(L"Vennicor Wine Kinds Text (TrueType)", L"VennicorWineKinds.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Wine Kinds", FontStyle::Regular), "VennicorLookup-Regular");
}

TEST_F(WindowsFontLookup, EmptyNameFindsNothing) {
  InstallFile("VennicorLookup-Italic.ttf", L"VennicorWineTilde.ttf");
  // Even with a one-character value name, shorter than any of the system's: an empty name
  // names no font.
  AddText(L"~", L"VennicorWineTilde.ttf");
  EXPECT_EQ(Lookup(u"", FontStyle::Italic), NotFound);
}

TEST_F(WindowsFontLookup, NameLongerThanEveryValueNameIsNotFound) {
  InstallFamily();
  EXPECT_EQ(Lookup(u"Vennicor Wine" + std::u16string(400, u'x'), FontStyle::Regular), NotFound);
}

TEST_F(WindowsFontLookup, OpenFontFallsBackToTheLookupForNamesThatAreNotFiles) {
  InstallFamily();
  const FaceHandle face(manager.OpenFont(u"Vennicor Wine", FontStyle::Bold));
  EXPECT_STREQ(FT_Get_Postscript_Name(face.get()), "VennicorLookup-Bold");
}

// Names that no value name begins with: the family names of the faces' own name tables, in any
// language, and the face names a value lists after its first.
TEST_F(WindowsFontLookup, FamilyNamesOfTheFacesAndFaceNamesOfTheRegistry) {
  InstallFile("VennicorPaired.ttc", L"VennicorWinePaired.ttc");
  // As Windows names a collection: its faces' full names joined by " & ".
  AddText(L"Vennicor Paired & Vennicor Paired & Vennicor Paired Bold (TrueType)",
          L"VennicorWinePaired.ttc");
  EXPECT_EQ(Lookup(u"Vennicor Paired", FontStyle::Regular), "VennicorPaired-Regular");
  EXPECT_EQ(Lookup(u"vennicor paired MONO", FontStyle::Regular), "VennicorPaired-Mono");
  EXPECT_EQ(Lookup(u"\u30f4\u30a7\u30cb\u30b3\u30eb \u30da\u30a2", FontStyle::Bold),
            "VennicorPaired-Bold");
  EXPECT_EQ(Lookup(u"\u30f4\u30a7\u30cb\u30b3\u30eb \u7b49\u5e45", FontStyle::Regular),
            "VennicorPaired-Mono");
  EXPECT_EQ(Lookup(u"\u03b2\u03ad\u03bd\u03b9\u03ba\u03bf\u03c1", FontStyle::Regular),
            "VennicorPaired-Regular");
  EXPECT_EQ(Lookup(u"\u30f4\u30a7\u30cb\u30b3\u30eb", FontStyle::Regular), NotFound);

  // A full name counts where the value lists it as a face, and only there.
  InstallFile("VennicorLookup-Bold.ttf", L"VennicorWineListed.ttf");
  AddText(L"Vennicor Wine Listed & Vennicor Lookup Bold (TrueType)", L"VennicorWineListed.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Lookup Bold", FontStyle::Bold), "VennicorLookup-Bold");
  InstallFile("VennicorLookup-Italic.ttf", L"VennicorWineUnlisted.ttf");
  AddText(L"Vennicor Wine Unlisted (TrueType)", L"VennicorWineUnlisted.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Lookup Italic", FontStyle::Italic), NotFound);
  // Its family name finds it all the same.
  EXPECT_EQ(Lookup(u"Vennicor Lookup", FontStyle::Italic), "VennicorLookup-Italic");
}

TEST_F(WindowsFontLookup, WeightAndAngleGiveTheStyleWhereTheFlagsDoNot) {
  for (const wchar_t* name : {L"Regular", L"Bold", L"Fat", L"Slanted", L"BoldSlanted"}) {
    const std::wstring wide(name);
    const std::string file = "VennicorHefty-" + std::string(wide.begin(), wide.end()) + ".ttf";
    InstallFile(file, L"VennicorWineHefty-" + wide + L".ttf");
    AddText(L"Vennicor Hefty " + wide + L" (TrueType)", L"VennicorWineHefty-" + wide + L".ttf");
  }
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Regular), "VennicorHefty-Regular");
  // The usual weight first: "Fat" (800) has the shorter value name.
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Bold), "VennicorHefty-Bold");
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Italic), "VennicorHefty-Slanted");
  EXPECT_EQ(Lookup(u"vennicor hefty", BoldItalic), "VennicorHefty-BoldSlanted");
  // The value names the face "Vennicor Hefty Fat", which is bold by weight; weight and angle
  // serve faces named whole, not whatever a value name begins with.
  EXPECT_EQ(Lookup(u"Vennicor Hefty Fat", FontStyle::Bold), "VennicorHefty-Fat");
  EXPECT_EQ(Lookup(u"Vennicor Hefty Fa", FontStyle::Bold), NotFound);
}

// The family search keeps the names it read; a file replaced under the same name, and a value
// added or removed, are seen by the next lookup.
TEST_F(WindowsFontLookup, FamilySearchSeesChangedFilesAndValues) {
  InstallFile("VennicorHefty-Bold.ttf", L"VennicorWineSwap.ttf");
  AddText(L"Vennicor Wine Swap (TrueType)", L"VennicorWineSwap.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Bold), "VennicorHefty-Bold");
  InstallFile("VennicorPaired.ttc", L"VennicorWineSwap.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Bold), NotFound);
  EXPECT_EQ(Lookup(u"Vennicor Paired Mono", FontStyle::Regular), "VennicorPaired-Mono");

  InstallFile("VennicorHefty-Slanted.ttf", L"VennicorWineSwapSlanted.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Italic), NotFound);
  AddText(L"Vennicor Wine Swap Slanted (TrueType)", L"VennicorWineSwapSlanted.ttf");
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Italic), "VennicorHefty-Slanted");
  ASSERT_EQ(RegDeleteValueW(key, L"Vennicor Wine Swap Slanted (TrueType)"), ERROR_SUCCESS);
  EXPECT_EQ(Lookup(u"Vennicor Hefty", FontStyle::Italic), NotFound);
}

TEST_F(WindowsFontLookup, PathsReachFreeTypeInTheAnsiCodePage) {
  // U+0144 has no place in the ANSI code page: the narrow path gets a substitute and FreeType
  // cannot open the file, although it exists.
  const std::wstring folder = FontsFolder();
  const std::wstring unrepresentable = folder + L"\\VennicorWine-\u0144.ttf";
  ASSERT_TRUE(CopyFileW(FullPath(InstalledFixtures() / "VennicorLookup-Regular.ttf").c_str(),
                        unrepresentable.c_str(), FALSE));
  files.push_back(unrepresentable);
  try {
    const FaceHandle face(manager.OpenFont(Text(unrepresentable), FontStyle::Regular));
    FAIL() << "opened a path the ANSI code page cannot hold";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), Messages::ErrorOpeningFontFile);
  }

  // U+00E9 is in the code page (Windows-1252 here): that path opens.
  const std::wstring representable = folder + L"\\VennicorWine-\u00e9.ttf";
  ASSERT_TRUE(CopyFileW(FullPath(InstalledFixtures() / "VennicorLookup-Regular.ttf").c_str(),
                        representable.c_str(), FALSE));
  files.push_back(representable);
  const FaceHandle face(manager.OpenFont(Text(representable), FontStyle::Regular));
  EXPECT_STREQ(FT_Get_Postscript_Name(face.get()), "VennicorLookup-Regular");
}

}  // namespace

#endif  // _WIN32
