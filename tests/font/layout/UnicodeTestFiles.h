#pragma once

// Reading Unicode's conformance files (Debian's unicode-data, Unicode 15, the version of the
// installed ICU).

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/FixtureFonts.h"

namespace Vennicor::Font::Testing {

/// Opens a file of /usr/share/unicode; the test fails (not skips) if it is missing, since
/// scripts/setup-debian.sh installs it.
inline std::ifstream OpenUnicodeFile(const std::string& relativePath) {
  const std::string path = "/usr/share/unicode/" + relativePath;
  std::ifstream file(path);
  EXPECT_TRUE(file.is_open()) << path << " is missing: install Debian's unicode-data";
  return file;
}

/// A string of code points given in hex, with the UTF-16 offset of each code point and one
/// past the last.
struct HexText {
  std::u16string Text;
  std::vector<std::int32_t> Offsets;  ///< Offsets[i]: code units before code point i

  void Append(char32_t codePoint) {
    Offsets.push_back(static_cast<std::int32_t>(Text.size()));
    if (codePoint >= 0x10000) {
      codePoint -= 0x10000;
      Text.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10U)));
      Text.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FFU)));
    } else {
      Text.push_back(static_cast<char16_t>(codePoint));
    }
  }
  std::int32_t End() const { return static_cast<std::int32_t>(Text.size()); }
};

/// The data part of a line (before '#'), trimmed; empty for comments and blank lines.
inline std::string_view DataOf(std::string_view line) {
  line = line.substr(0, line.find('#'));
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return line;
}

/// One line of LineBreakTest.txt or GraphemeBreakTest.txt: "× 0023 × 0020 ÷ 0023 ÷".
struct BreakCase {
  HexText Text;
  std::vector<std::int32_t> Breaks;  ///< code-unit offsets marked ÷, the start excluded
  std::string Line;
};

inline bool ParseBreakCase(const std::string& line, BreakCase& out) {
  static constexpr std::string_view Break = "\xC3\xB7";    // ÷
  static constexpr std::string_view NoBreak = "\xC3\x97";  // ×
  const std::string_view data = DataOf(line);
  if (data.empty()) return false;
  out = BreakCase{};
  out.Line = line;
  std::size_t at = 0;
  while (at < data.size()) {
    const std::size_t end = std::min(data.find(' ', at), data.size());
    const std::string_view token = data.substr(at, end - at);
    at = end + 1;
    if (token.empty() || token == NoBreak) continue;
    if (token == Break) {
      if (!out.Text.Text.empty()) out.Breaks.push_back(out.Text.End());
      continue;
    }
    out.Text.Append(static_cast<char32_t>(std::stoul(std::string(token), nullptr, 16)));
  }
  return true;
}

/// The cases listed in one of the tests' files of known differences (tests/data/unicode): the
/// text of each line before its '#', trimmed.
inline std::set<std::string> ReadKnownDifferences(const std::string& fileName) {
  std::ifstream file(TestDataFolder() / "unicode" / fileName);
  EXPECT_TRUE(file.is_open()) << fileName << " is missing";
  std::set<std::string> cases;
  for (std::string line; std::getline(file, line);) {
    const std::string_view data = DataOf(line);
    if (!data.empty()) cases.emplace(data);
  }
  return cases;
}

/// "0023 0020 0023": the code points of a break case.
inline std::string CodePointsOf(const BreakCase& c) {
  std::string out;
  std::istringstream tokens{std::string(DataOf(c.Line))};
  for (std::string token; tokens >> token;) {
    if (token == "\xC3\x97" || token == "\xC3\xB7") continue;
    if (!out.empty()) out += ' ';
    out += token;
  }
  return out;
}

}  // namespace Vennicor::Font::Testing
