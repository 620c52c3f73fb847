#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "font/layout/detail/TextBoundaries.h"
#include "tests/font/layout/UnicodeTestFiles.h"

namespace Vennicor::Font::Layout::Detail {
namespace {

using Font::Testing::BreakCase;

// The characters after which a line must end (rules LB4 and LB5: classes BK, CR, LF, NL).
bool EndsLine(char16_t character) {
  switch (character) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
      return true;
    default:
      return false;
  }
}

// Every case of Unicode's LineBreakTest.txt: ICU's root line iterator must find exactly the
// breaks marked ÷, and call mandatory exactly those after a hard line end, except for the cases
// where ICU's root rules are tailored (tests/data/unicode/LineBreakTailoring.txt says which and
// why).
TEST(LineBreaker, PassesUnicodeLineBreakTest) {
  std::ifstream file = Font::Testing::OpenUnicodeFile("auxiliary/LineBreakTest.txt");
  ASSERT_TRUE(file.is_open());
  LineBreaker breaker;
  std::vector<LineBreakOpportunity> found;
  std::vector<std::string> failures;
  // ICU's deliberate tailoring, each case with its reason.
  const std::set<std::string> tailored =
      Font::Testing::ReadKnownDifferences("LineBreakTailoring.txt");
  int cases = 0;
  int tailoredCases = 0;
  BreakCase c;
  for (std::string line; std::getline(file, line);) {
    if (!Font::Testing::ParseBreakCase(line, c)) continue;
    ++cases;
    breaker.Find(c.Text.Text, found);
    std::vector<LineBreakOpportunity> expected;
    for (const std::int32_t index : c.Breaks) {
      expected.push_back({index, EndsLine(c.Text.Text[static_cast<std::size_t>(index - 1)])});
    }
    if (found == expected) continue;
    if (tailored.contains(Font::Testing::CodePointsOf(c))) {
      ++tailoredCases;
    } else {
      failures.push_back(Font::Testing::CodePointsOf(c));
    }
  }
  EXPECT_GT(cases, 7000);
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << cases
                                << " cases fail, the first: " << failures.front();
  RecordProperty("cases", cases);
  // Every listed case still differs: a newer ICU that drops a tailoring shows up here.
  EXPECT_EQ(tailoredCases, static_cast<int>(tailored.size()));
  RecordProperty("tailored", tailoredCases);
}

}  // namespace
}  // namespace Vennicor::Font::Layout::Detail
