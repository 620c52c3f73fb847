#include <gtest/gtest.h>

#include <string>

#include "font/text/Utf.h"

namespace {

using Vennicor::Font::AppendUtf16;
using Vennicor::Font::AppendUtf16FromUtf8;
using Vennicor::Font::DecodeUtf8;
using Vennicor::Font::Utf16ToUtf8;
using Vennicor::Font::Utf8ToUtf16;

TEST(UnicodeConversion, Utf16ToUtf8EncodesEveryLengthAndReplacesLoneSurrogates) {
  const struct {
    std::u16string_view Text;
    std::string Expected;
  } cases[] = {
      {u"", ""},
      {u"Arial.ttf", "Arial.ttf"},
      {u"tuffy-\u0144.ttf", "tuffy-\xC5\x84.ttf"},
      {u"\u20AC", "\xE2\x82\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {std::u16string_view(u"a\0b", 3), std::string("a\0b", 3)},
      {std::u16string_view(u"\xD800x", 2), "\xEF\xBF\xBDx"},                  // lone high
      {std::u16string_view(u"x\xDC00", 2), "x\xEF\xBF\xBD"},                  // lone low
      {std::u16string_view(u"\xDC00\xD800", 2), "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
      {std::u16string_view(u"\xD800", 1), "\xEF\xBF\xBD"},                    // high at the end
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Utf16ToUtf8(test.Text), test.Expected);
  }
}

TEST(UnicodeConversion, Utf8ToUtf16DecodesAndReplacesMalformedBytes) {
  const struct {
    std::string_view Text;
    std::u16string Expected;
  } cases[] = {
      {"", u""},
      {"DejaVu Sans", u"DejaVu Sans"},
      {"\xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       u"\u0141\u00F3d\u017A"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xFF", u"\uFFFD"},
      {"\xC5", u"\uFFFD"},  // truncated at the end
      {"\xE2\x82"
       "A",
       u"\uFFFDA"},                                       // truncated: one maximal subpart
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Utf8ToUtf16(test.Text), test.Expected) << test.Text;
  }
}

// The Unicode Standard's own examples of "U+FFFD Substitution of Maximal Subparts" (chapter 3,
// tables 3-8 to 3-11): every decoder of the library gives exactly these.
TEST(UnicodeConversion, ReplacesMaximalSubpartsAsTheStandardShows) {
  const struct {
    std::string_view Text;
    std::u16string Expected;
  } cases[] = {
      {"\xC0\xAF\xE0\x80\xBF\xF0\x81\x82\x41",
       u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDA"},
      {"\xED\xA0\x80\xED\xBF\xBF\xED\xAF\x41",
       u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDA"},
      {"\xF4\x91\x92\x93\xFF\x41\x80\xBF\x42", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDA\uFFFD\uFFFDB"},
      {"\xE1\x80\xE2\xF0\x91\x92\xF1\xBF\x41", u"\uFFFD\uFFFD\uFFFD\uFFFDA"},
      {"\xF0\x9F\x98", u"\uFFFD"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Utf8ToUtf16(test.Text), test.Expected) << test.Text;
    std::u16string appended;
    EXPECT_FALSE(AppendUtf16FromUtf8(test.Text, appended));
    EXPECT_EQ(appended, test.Expected);
    std::u16string decoded;
    bool malformed = false;
    for (std::size_t i = 0; i < test.Text.size();) {
      AppendUtf16(DecodeUtf8(test.Text, i, malformed), decoded);
    }
    EXPECT_TRUE(malformed);
    EXPECT_EQ(decoded, test.Expected);
  }
}

TEST(UnicodeConversion, RoundTripsValidText) {
  const std::u16string text = u"Vennicor \u0141\u00F3d\u017A \U0001F600 \uFFFD";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

}  // namespace
