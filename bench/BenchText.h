#pragma once

// What the text benchmarks share: the installed font they measure and draw with, and the text.

#include <cstddef>
#include <string>
#include <string_view>

namespace Vennicor::Bench {

/// DejaVu Sans (Debian fonts-dejavu-core): installed, with a legacy kern table.
inline constexpr const char* DejaVuSansFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr std::u16string_view DejaVuSansPath =
    u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

/// 10,000 characters of English prose, a line feed after about every 70.
inline std::u16string EnglishText() {
  static const std::u16string words =
      u"The quick brown fox jumps over the lazy dog. Waves of AVATAR Yoke Typography, "
      u"\"Quoted\" text; numbers 1234567890 and To, Ta, We, Yo: kerning pairs abound. ";
  std::u16string text;
  std::size_t column = 0;
  for (std::size_t i = 0; text.size() < 10000; ++i) {
    const char16_t c = words[i % words.size()];
    if (column >= 70 && c == u' ') {
      text += u'\n';
      column = 0;
    } else {
      text += c;
      ++column;
    }
  }
  return text;
}

}  // namespace Vennicor::Bench
