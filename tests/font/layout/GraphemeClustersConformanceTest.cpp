#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/layout/detail/TextBoundaries.h"
#include "tests/font/layout/UnicodeTestFiles.h"

namespace Vennicor::Font::Layout::Detail {
namespace {

using Font::Testing::BreakCase;

// Every case of Unicode's GraphemeBreakTest.txt: the boundaries are exactly the ÷ marks.
TEST(GraphemeClusters, PassesUnicodeGraphemeBreakTest) {
  std::ifstream file = Font::Testing::OpenUnicodeFile("auxiliary/GraphemeBreakTest.txt");
  ASSERT_TRUE(file.is_open());
  GraphemeClusters clusters;
  std::vector<std::int32_t> found;
  std::vector<std::string> failures;
  int cases = 0;
  BreakCase c;
  for (std::string line; std::getline(file, line);) {
    if (!Font::Testing::ParseBreakCase(line, c)) continue;
    ++cases;
    clusters.Find(c.Text.Text, found);
    std::vector<std::int32_t> expected{0};
    expected.insert(expected.end(), c.Breaks.begin(), c.Breaks.end());
    if (found != expected) failures.push_back(Font::Testing::CodePointsOf(c));
  }
  EXPECT_GT(cases, 600);
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << cases
                                << " cases fail, the first: " << failures.front();
  RecordProperty("cases", cases);
}

}  // namespace
}  // namespace Vennicor::Font::Layout::Detail
