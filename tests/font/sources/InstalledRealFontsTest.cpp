// The installed-font lookup against the fonts of the machine (Debian: fonts-lato,
// fonts-wqy-microhei, fonts-noto-cjk, fonts-nanum, fonts-ipafont-gothic). Each case is skipped,
// with a message, where its family is not installed.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/detail/FaceHandle.h"
#include "font/sources/detail/InstalledFontCandidates.h"

namespace {

using Vennicor::Font::FaceHandle;
using Vennicor::Font::FindInstalledFamilyCandidates;
using Vennicor::Font::FindInstalledFontCandidates;
using Vennicor::Font::FontException;
using Vennicor::Font::FontStyle;
using Vennicor::Font::FreeTypeManager;

struct RealFontCase {
  const char* Name;
  std::u16string Family;
  FontStyle Style;
  const char* Expected;  // PostScript name
};

void PrintTo(const RealFontCase& value, std::ostream* out) { *out << value.Name; }

class InstalledRealFonts : public ::testing::TestWithParam<RealFontCase> {};

TEST_P(InstalledRealFonts, OpenTheFamilysFaceOfTheStyle) {
  const RealFontCase& test = GetParam();
  if (FindInstalledFontCandidates(test.Family).empty() &&
      FindInstalledFamilyCandidates(test.Family).empty()) {
    GTEST_SKIP() << "the family is not installed (" << test.Name
                 << "; see scripts/setup-debian.sh)";
  }
  FreeTypeManager manager;
  try {
    const FaceHandle face(manager.OpenFont(test.Family, test.Style));
    EXPECT_STREQ(FT_Get_Postscript_Name(face.get()), test.Expected);
  } catch (const FontException& error) {
    ADD_FAILURE() << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Debian, InstalledRealFonts,
    ::testing::Values(
        // "Lato Thin", "Lato Light" and others have shorter names than "Lato Regular".
        RealFontCase{"LatoRegular", u"Lato", FontStyle::Regular, "Lato-Regular"},
        RealFontCase{"LatoBold", u"Lato", FontStyle::Bold, "Lato-Bold"},
        RealFontCase{"LatoItalic", u"Lato", FontStyle::Italic, "Lato-Italic"},
        RealFontCase{"LatoThinByName", u"Lato Thin", FontStyle::Regular, "Lato-Thin"},
        // Collections only: the face of the named family, not the collection's first face.
        RealFontCase{"WenQuanYi", u"WenQuanYi Micro Hei", FontStyle::Regular, "WenQuanYiMicroHei"},
        RealFontCase{"NotoSansCjkSc", u"Noto Sans CJK SC", FontStyle::Regular,
                     "NotoSansCJKsc-Regular"},
        RealFontCase{"NotoSansCjkScBold", u"Noto Sans CJK SC", FontStyle::Bold,
                     "NotoSansCJKsc-Bold"},
        // Names no display name begins with: the second face of a collection whose first full
        // name is the first face's, and family names in Chinese, Korean and Japanese.
        RealFontCase{"WenQuanYiMono", u"WenQuanYi Micro Hei Mono", FontStyle::Regular,
                     "WenQuanYiMicroHeiMono"},
        RealFontCase{"WenQuanYiInChinese", u"\u6587\u6cc9\u9a7f\u5fae\u7c73\u9ed1",
                     FontStyle::Regular, "WenQuanYiMicroHei"},
        RealFontCase{"NanumGothicInKoreanBold", u"\ub098\ub214\uace0\ub515", FontStyle::Bold,
                     "NanumGothicBold"},
        RealFontCase{"IpaPGothicInJapanese", u"IPA P\u30b4\u30b7\u30c3\u30af", FontStyle::Regular,
                     "IPAPGothic"},
        // Bold by OS/2 weight alone: 700 (NanumSquare), 600 (NanumMyeongjo), no bold flag.
        RealFontCase{"NanumSquareBoldByWeight", u"NanumSquare", FontStyle::Bold, "NanumSquareB"},
        RealFontCase{"NanumSquareRegular", u"NanumSquare", FontStyle::Regular, "NanumSquareR"},
        RealFontCase{"NanumMyeongjoBoldByWeight", u"NanumMyeongjo", FontStyle::Bold,
                     "NanumMyeongjoBold"}),
    [](const auto& test) { return std::string(test.param.Name); });

}  // namespace
