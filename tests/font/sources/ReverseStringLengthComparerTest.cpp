#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "font/sources/ReverseStringLengthComparer.h"

namespace {

using Vennicor::Font::ReverseStringLengthComparer;

TEST(ReverseStringLengthComparer, ReturnsTheLengthDifference) {
  const struct {
    std::u16string_view Left, Right;
    std::int32_t Expected;
  } cases[] = {
      {u"", u"", 0},
      {{}, u"", 0},
      {u"", u"abc", -3},
      {u"abcd", u"", 4},
      {u"ab", u"xyz", -1},
      {u"Bold", u"Thin", 0},
      {u"Arial Black", u"Arial", 6},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(ReverseStringLengthComparer::Default.Compare(test.Left, test.Right), test.Expected);
  }
}

TEST(ReverseStringLengthComparer, SortsShortestFirst) {
  std::vector<std::u16string> names{u"DejaVu Sans Bold", u"DejaVu Sans", u"DejaVu Sans Mono Bold",
                                    u"DejaVu Sans Mono"};
  std::stable_sort(names.begin(), names.end(), [](const auto& left, const auto& right) {
    return ReverseStringLengthComparer::Default.Compare(left, right) < 0;
  });
  EXPECT_EQ(names, (std::vector<std::u16string>{u"DejaVu Sans", u"DejaVu Sans Bold",
                                                u"DejaVu Sans Mono", u"DejaVu Sans Mono Bold"}));
}

}  // namespace
