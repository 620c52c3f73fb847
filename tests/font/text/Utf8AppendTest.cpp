#include <gtest/gtest.h>

#include <string>

#include "font/text/Utf.h"

namespace Vennicor::Font {
namespace {

struct Utf8Case {
  const char* Name;
  std::string Utf8;
  std::u16string Utf16;
  bool Valid;
};

class Utf8Conversion : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Conversion, GivesUtf16AndReportsMalformedInput) {
  const Utf8Case& c = GetParam();
  std::u16string out = u"kept";
  EXPECT_EQ(AppendUtf16FromUtf8(c.Utf8, out), c.Valid);
  EXPECT_EQ(out, u"kept" + c.Utf16);
}

INSTANTIATE_TEST_SUITE_P(
    AppendUtf16FromUtf8, Utf8Conversion,
    testing::Values(
        Utf8Case{"Empty", "", u"", true}, Utf8Case{"Ascii", "AV\n", u"AV\n", true},
        Utf8Case{"EmbeddedNul", std::string("A\0B", 3), std::u16string(u"A\0B", 3), true},
        Utf8Case{"TwoBytes", "\xC3\xA9", u"\u00E9", true},
        Utf8Case{"ThreeBytes", "\xE2\x82\xAC", u"\u20AC", true},
        Utf8Case{"LastBmp", "\xEF\xBF\xBF", u"\uFFFF", true},
        Utf8Case{"FourBytesBecomeSurrogatePair", "\xF0\x9F\x98\x80", u"\U0001F600", true},
        Utf8Case{"LargestScalar", "\xF4\x8F\xBF\xBF", u"\U0010FFFF", true},
        Utf8Case{"StrayContinuation",
                 "A\x80"
                 "B",
                 u"A\uFFFDB", false},
        Utf8Case{"OverlongTwoBytes", "\xC0\xAF", u"\uFFFD\uFFFD", false},
        Utf8Case{"OverlongThreeBytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", false},
        Utf8Case{"EncodedSurrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
        Utf8Case{"AboveLargestScalar", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},
        Utf8Case{"TruncatedAtEnd", "A\xE2\x82", u"A\uFFFD", false},
        Utf8Case{"TruncatedBeforeAscii",
                 "\xF0\x9F\x98"
                 "A",
                 u"\uFFFDA", false},
        Utf8Case{"InvalidLeadByte",
                 "\xFF"
                 "A",
                 u"\uFFFDA", false}),
    [](const testing::TestParamInfo<Utf8Case>& param) { return param.param.Name; });

}  // namespace
}  // namespace Vennicor::Font
