#include "font/drawing/Utf8.h"

#include <cstddef>
#include <cstdint>

namespace Vennicor::Font {

namespace {

constexpr char16_t Replacement = u'\uFFFD';

}  // namespace

bool AppendUtf16FromUtf8(std::string_view utf8, std::u16string& utf16) {
  bool valid = true;
  std::size_t i = 0;
  const std::size_t size = utf8.size();
  while (i < size) {
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    if (lead < 0x80) {
      utf16.push_back(static_cast<char16_t>(lead));
      ++i;
      continue;
    }

    // The allowed range of the second byte excludes overlong forms, surrogates and values past
    // U+10FFFF; later continuation bytes are always 0x80..0xBF.
    std::size_t length = 0;
    std::uint32_t value = 0;
    std::uint8_t secondLow = 0x80;
    std::uint8_t secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0FU;
      if (lead == 0xE0) secondLow = 0xA0;
      if (lead == 0xED) secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07U;
      if (lead == 0xF0) secondLow = 0x90;
      if (lead == 0xF4) secondHigh = 0x8F;
    } else {
      utf16.push_back(Replacement);
      valid = false;
      ++i;
      continue;
    }

    std::size_t taken = 1;
    for (; taken < length && i + taken < size; ++taken) {
      const auto byte = static_cast<std::uint8_t>(utf8[i + taken]);
      const std::uint8_t low = taken == 1 ? secondLow : std::uint8_t{0x80};
      const std::uint8_t high = taken == 1 ? secondHigh : std::uint8_t{0xBF};
      if (byte < low || byte > high) break;
      value = (value << 6U) | (byte & 0x3FU);
    }
    i += taken;
    if (taken < length) {
      utf16.push_back(Replacement);
      valid = false;
      continue;
    }
    if (value < 0x10000) {
      utf16.push_back(static_cast<char16_t>(value));
    } else {
      value -= 0x10000;
      utf16.push_back(static_cast<char16_t>(0xD800U + (value >> 10U)));
      utf16.push_back(static_cast<char16_t>(0xDC00U + (value & 0x3FFU)));
    }
  }
  return valid;
}

}  // namespace Vennicor::Font
