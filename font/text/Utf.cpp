#include "font/text/Utf.h"

namespace Vennicor::Font {

char32_t DecodeUtf8(std::string_view text, std::size_t& index, bool& malformed) {
  const auto lead = static_cast<std::uint8_t>(text[index++]);
  if (lead < 0x80) return lead;

  // The allowed range of the second byte excludes overlong forms, surrogates and values past
  // U+10FFFF; later continuation bytes are always 0x80..0xBF. The first byte out of range ends
  // the maximal subpart, and is read again as the start of what follows.
  std::size_t length = 0;
  char32_t value = 0;
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
    malformed = true;
    return ReplacementCharacter;
  }

  for (std::size_t taken = 1; taken < length; ++taken) {
    if (index >= text.size()) {
      malformed = true;
      return ReplacementCharacter;
    }
    const auto byte = static_cast<std::uint8_t>(text[index]);
    const std::uint8_t low = taken == 1 ? secondLow : std::uint8_t{0x80};
    const std::uint8_t high = taken == 1 ? secondHigh : std::uint8_t{0xBF};
    if (byte < low || byte > high) {
      malformed = true;
      return ReplacementCharacter;
    }
    value = (value << 6U) | (byte & 0x3FU);
    ++index;
  }
  return value;
}

void AppendUtf16(char32_t codePoint, std::u16string& utf16) {
  if (codePoint < 0x10000) {
    utf16 += static_cast<char16_t>(codePoint);
  } else {
    codePoint -= 0x10000;
    utf16 += static_cast<char16_t>(0xD800 + (codePoint >> 10U));
    utf16 += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FFU));
  }
}

void AppendUtf8(char32_t codePoint, std::string& utf8) {
  if (IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint) || codePoint > 0x10FFFF) {
    codePoint = ReplacementCharacter;
  }
  const auto byte = [](char32_t value) {
    return static_cast<char>(static_cast<std::uint8_t>(value));
  };
  if (codePoint < 0x80) {
    utf8 += byte(codePoint);
  } else if (codePoint < 0x800) {
    utf8 += byte(0xC0 | (codePoint >> 6U));
    utf8 += byte(0x80 | (codePoint & 0x3FU));
  } else if (codePoint < 0x10000) {
    utf8 += byte(0xE0 | (codePoint >> 12U));
    utf8 += byte(0x80 | ((codePoint >> 6U) & 0x3FU));
    utf8 += byte(0x80 | (codePoint & 0x3FU));
  } else {
    utf8 += byte(0xF0 | (codePoint >> 18U));
    utf8 += byte(0x80 | ((codePoint >> 12U) & 0x3FU));
    utf8 += byte(0x80 | ((codePoint >> 6U) & 0x3FU));
    utf8 += byte(0x80 | (codePoint & 0x3FU));
  }
}

bool AppendUtf16FromUtf8(std::string_view utf8, std::u16string& utf16) {
  bool malformed = false;
  for (std::size_t i = 0; i < utf8.size();) {
    // ASCII needs no decoding; it is most of the text a game draws.
    const auto byte = static_cast<std::uint8_t>(utf8[i]);
    if (byte < 0x80) {
      utf16 += static_cast<char16_t>(byte);
      ++i;
      continue;
    }
    AppendUtf16(DecodeUtf8(utf8, i, malformed), utf16);
  }
  return !malformed;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf8(DecodeUtf16(text, i), out);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  AppendUtf16FromUtf8(text, out);
  return out;
}

}  // namespace Vennicor::Font
