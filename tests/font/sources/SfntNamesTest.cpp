// Reading family and full names from name tables without FreeType: checked against FreeType's own
// reading of the same files (the fixtures, and installed Debian collections and localized faces
// where they are installed: fonts-wqy-microhei, fonts-nanum, fonts-ipafont-gothic,
// fonts-noto-cjk), and against truncated and damaged files.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "font/sources/detail/SfntNames.h"
#include "tests/support/FixtureFonts.h"

namespace {

using Vennicor::Font::ReadSfntFaceNames;
using Vennicor::Font::SfntName;
using Vennicor::Font::Testing::FixtureFont;

std::string Describe(const std::vector<std::vector<SfntName>>& faces) {
  std::ostringstream out;
  for (std::size_t face = 0; face < faces.size(); ++face) {
    out << "face " << face << ":";
    for (const SfntName& name : faces[face]) {
      out << " [" << name.PlatformId << "/" << name.LanguageId << "/" << name.NameId << " ";
      for (const char16_t c : name.Text) out << std::hex << static_cast<unsigned>(c) << ' ';
      out << std::dec << "]";
    }
    out << "\n";
  }
  return out.str();
}

// The same names as FreeType reads them, decoded by the same rules.
std::vector<std::vector<SfntName>> NamesByFreeType(FT_Library library, const std::string& path) {
  std::vector<std::vector<SfntName>> faces;
  FT_Face probe = nullptr;
  if (FT_New_Face(library, path.c_str(), -1, &probe) != 0) return faces;
  const FT_Long count = probe->num_faces;
  FT_Done_Face(probe);
  for (FT_Long index = 0; index < count; ++index) {
    std::vector<SfntName>& names = faces.emplace_back();
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), index, &face) != 0) continue;
    for (FT_UInt i = 0; i < FT_Get_Sfnt_Name_Count(face); ++i) {
      FT_SfntName name{};
      if (FT_Get_Sfnt_Name(face, i, &name) != 0) continue;
      if (name.name_id != 1 && name.name_id != 4 && name.name_id != 16 && name.name_id != 21) {
        continue;
      }
      std::u16string text;
      const bool wide = name.platform_id == 0 ||
                        (name.platform_id == 3 && (name.encoding_id == 0 || name.encoding_id == 1 ||
                                                   name.encoding_id == 10));
      bool ascii = name.platform_id == 1 && name.encoding_id == 0;
      if (wide) {
        for (FT_UInt b = 0; b + 1 < name.string_len; b += 2) {
          text += static_cast<char16_t>((name.string[b] << 8) | name.string[b + 1]);
        }
      } else if (ascii) {
        for (FT_UInt b = 0; b < name.string_len && ascii; ++b) {
          ascii = name.string[b] < 0x80;
          text += static_cast<char16_t>(name.string[b]);
        }
      }
      if (wide || ascii) {
        names.push_back({name.platform_id, name.language_id, name.name_id, std::move(text)});
      }
    }
    FT_Done_Face(face);
  }
  return faces;
}

std::vector<std::vector<SfntName>> NamesOf(const std::string& bytes) {
  std::istringstream in(bytes);
  return ReadSfntFaceNames(in);
}

class SfntNames : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(FT_Init_FreeType(&library), 0); }
  void TearDown() override { FT_Done_FreeType(library); }
  FT_Library library = nullptr;
};

TEST_F(SfntNames, AgreeWithFreeTypeOnFixturesAndInstalledFonts) {
  std::vector<std::filesystem::path> files;
  for (const auto& folder : {FixtureFont(""), FixtureFont("installed")}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      // FreeType's narrow paths cannot name the non-ASCII copy of VennicorMetrics.ttf on Windows.
      const std::u8string name = entry.path().filename().u8string();
      const bool ascii = std::all_of(name.begin(), name.end(), [](char8_t c) { return c < 0x80; });
      if (entry.is_regular_file() && ascii) files.push_back(entry.path());
    }
  }
  const std::vector<std::filesystem::path> installed{
      "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
      "/usr/share/fonts/truetype/nanum/NanumSquareB.ttf",
      "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
      "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"};
  for (const auto& path : installed) {
    if (std::filesystem::exists(path)) {
      files.push_back(path);
    } else {
      std::cout << "not installed, not compared (see scripts/setup-debian.sh): " << path << "\n";
    }
  }
  for (const auto& path : files) {
    SCOPED_TRACE(path.string());
    std::ifstream in(path, std::ios::binary);
    const auto faces = ReadSfntFaceNames(in);
    const auto expected = NamesByFreeType(library, path.string());
    // FreeType opens more than sfnt files (BDF, Type 1): those have no name table to read.
    if (faces.empty() && !expected.empty()) {
      FT_Face face = nullptr;
      ASSERT_EQ(FT_New_Face(library, path.string().c_str(), 0, &face), 0);
      EXPECT_FALSE(FT_IS_SFNT(face));
      FT_Done_Face(face);
      continue;
    }
    EXPECT_EQ(Describe(faces), Describe(expected));
  }
}

TEST_F(SfntNames, ReadsLocalizedFamiliesOfEachFaceOfACollection) {
  std::ifstream in(FixtureFont("installed/VennicorPaired.ttc"), std::ios::binary);
  const auto faces = ReadSfntFaceNames(in);
  ASSERT_EQ(faces.size(), 3U);
  const auto families = [&](std::size_t face) {
    std::vector<std::u16string> names;
    for (const SfntName& name : faces[face]) {
      if (name.NameId == 1) names.push_back(name.Text);
    }
    return names;
  };
  EXPECT_EQ(families(0), (std::vector<std::u16string>{
                             u"\u0392\u03ad\u03bd\u03b9\u03ba\u03bf\u03c1", u"Vennicor Paired",
                             u"\u30f4\u30a7\u30cb\u30b3\u30eb \u30da\u30a2",
                             u"\ubca0\ub2c8\ucf54\ub974 \ud398\uc5b4"}));
  EXPECT_EQ(families(1),
            (std::vector<std::u16string>{u"Vennicor Paired Mono",
                                         u"\u30f4\u30a7\u30cb\u30b3\u30eb \u7b49\u5e45"}));
}

// Every truncation and a damaged directory, name table and collection header: no read outside
// the bytes, and only whole names.
TEST_F(SfntNames, DamagedFilesGiveWhatTheyHoldAndNoMore) {
  std::ifstream in(FixtureFont("installed/VennicorPaired.ttc"), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const auto whole = NamesOf(bytes);
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    const auto faces = NamesOf(bytes.substr(0, length));
    ASSERT_LE(faces.size(), whole.size()) << length;
    for (std::size_t face = 0; face < faces.size(); ++face) {
      for (const SfntName& name : faces[face]) {
        EXPECT_NE(std::find_if(whole[face].begin(), whole[face].end(),
                               [&](const SfntName& other) { return other.Text == name.Text; }),
                  whole[face].end())
            << length;
      }
    }
  }
  std::string manyFaces = bytes;
  manyFaces[8] = manyFaces[9] = manyFaces[10] = manyFaces[11] = '\xFF';
  EXPECT_TRUE(NamesOf(manyFaces).empty());
  EXPECT_TRUE(NamesOf("").empty());
  EXPECT_TRUE(NamesOf(std::string(64, '\0')).empty());
  // Every byte after the collection header set in turn to 0xFF: whatever it reads, it ends.
  for (std::size_t at = 12; at < bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged[at] = '\xFF';
    EXPECT_LE(NamesOf(damaged).size(), whole.size()) << at;
  }
}

}  // namespace
