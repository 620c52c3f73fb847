#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "font/layout/detail/Bidi.h"
#include "tests/font/layout/UnicodeTestFiles.h"

namespace Vennicor::Font::Layout::Detail {
namespace {

// One line of BidiCharacterTest.txt: code points; paragraph direction (0 LTR, 1 RTL, 2 auto);
// resolved paragraph level; resolved levels ("x": removed by rule X9); visual order of the
// characters that are not removed.
struct BidiCase {
  Font::Testing::HexText Text;
  TextDirection Direction = TextDirection::Auto;
  int ParagraphLevel = 0;
  std::vector<int> Levels;  // -1 for "x"
  std::vector<int> Order;
};

bool ParseBidiCase(const std::string& line, BidiCase& out) {
  const std::string_view data = Font::Testing::DataOf(line);
  if (data.empty()) return false;
  std::vector<std::string> fields;
  std::stringstream stream{std::string(data)};
  for (std::string field; std::getline(stream, field, ';');) fields.push_back(field);
  if (fields.size() != 5) return false;
  out = BidiCase{};
  std::stringstream codePoints(fields[0]);
  for (std::string hex; codePoints >> hex;) {
    out.Text.Append(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
  }
  const int direction = std::stoi(fields[1]);
  out.Direction = direction == 0   ? TextDirection::LeftToRight
                  : direction == 1 ? TextDirection::RightToLeft
                                   : TextDirection::Auto;
  out.ParagraphLevel = std::stoi(fields[2]);
  std::stringstream levels(fields[3]);
  for (std::string level; levels >> level;)
    out.Levels.push_back(level == "x" ? -1 : std::stoi(level));
  std::stringstream order(fields[4]);
  for (int index = 0; order >> index;) out.Order.push_back(index);
  return true;
}

// Every case of Unicode's BidiCharacterTest.txt, laid out as one line the way TextLayout does
// it: the paragraph level, the line's levels (with rule L1 at the line's end), and the visual
// order obtained by reordering runs of those levels. Characters the algorithm removes (level
// "x") carry no glyph of their own in a layout, so they take part in neither comparison. The
// cases where ICU resolves levels differently from the reference implementation are listed,
// with reasons, in tests/data/unicode/BidiDifferences.txt.
TEST(BidiParagraph, PassesUnicodeBidiCharacterTest) {
  std::ifstream file = Font::Testing::OpenUnicodeFile("BidiCharacterTest.txt");
  ASSERT_TRUE(file.is_open());
  BidiParagraph bidi;
  std::vector<std::uint8_t> lineLevels;
  std::vector<std::uint8_t> keptLevels;
  std::vector<int> keptCharacters;
  std::vector<std::int32_t> visual;
  std::vector<std::string> failures;
  // Where ICU 72 departs from the reference implementation, each case with its reason.
  const std::set<std::string> differences =
      Font::Testing::ReadKnownDifferences("BidiDifferences.txt");
  int cases = 0;
  int differentCases = 0;
  BidiCase c;
  for (std::string line; std::getline(file, line);) {
    if (!ParseBidiCase(line, c)) continue;
    ++cases;
    bidi.Analyze(c.Text.Text, c.Direction);
    bidi.LineLevels(0, c.Text.End(), lineLevels);
    bool pass = bidi.ParagraphLevel() == c.ParagraphLevel;
    keptLevels.clear();
    keptCharacters.clear();
    for (std::size_t i = 0; i < c.Levels.size(); ++i) {
      if (c.Levels[i] < 0) continue;
      const std::uint8_t level = lineLevels[static_cast<std::size_t>(c.Text.Offsets[i])];
      pass = pass && level == c.Levels[i];
      keptLevels.push_back(level);
      keptCharacters.push_back(static_cast<int>(i));
    }
    BidiParagraph::VisualOrder(keptLevels, visual);
    std::vector<int> order;
    for (const std::int32_t logical : visual)
      order.push_back(keptCharacters[static_cast<std::size_t>(logical)]);
    pass = pass && order == c.Order;
    if (pass) continue;
    const std::string key(Font::Testing::DataOf(line).substr(0, line.find(';') + 2));
    if (differences.contains(key)) {
      ++differentCases;
    } else {
      failures.push_back(line);
    }
  }
  EXPECT_GT(cases, 90000);
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << cases
                                << " cases fail, the first: " << failures.front();
  EXPECT_EQ(differentCases, static_cast<int>(differences.size()));
  RecordProperty("cases", cases);
  RecordProperty("icuDifferences", differentCases);
}

}  // namespace
}  // namespace Vennicor::Font::Layout::Detail
