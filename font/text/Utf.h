#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Vennicor::Font {

/// The character that stands for malformed text: U+FFFD REPLACEMENT CHARACTER.
inline constexpr char32_t ReplacementCharacter = 0xFFFD;

/// True for a UTF-16 high (leading) surrogate unit.
constexpr bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
/// True for a UTF-16 low (trailing) surrogate unit.
constexpr bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

/// Reads the code point that starts at `text[index]` and moves `index` past it. A valid
/// surrogate pair gives one code point beyond the Basic Multilingual Plane; a lone surrogate
/// gives its own unit value (fonts draw it as their missing glyph). Constant time, no allocation.
/// Precondition: `index < text.size()`.
constexpr char32_t DecodeUtf16(std::u16string_view text, std::size_t& index) {
  const char32_t unit = text[index++];
  if (IsHighSurrogate(unit) && index < text.size() && IsLowSurrogate(text[index])) {
    const char32_t low = text[index++];
    return 0x10000 + ((unit - 0xD800) << 10U) + (low - 0xDC00);
  }
  return unit;
}

/// Reads the code point that starts at `text[index]` and moves `index` past it. Each maximal
/// subpart of an ill-formed sequence (a stray continuation byte, a truncated or overlong
/// sequence, an encoded surrogate, a value above U+10FFFF, a byte that never starts a sequence)
/// gives one U+FFFD, as the Unicode Standard recommends ("U+FFFD Substitution of Maximal
/// Subparts"), and `malformed` is set. Precondition: `index < text.size()`.
char32_t DecodeUtf8(std::string_view text, std::size_t& index, bool& malformed);

/// Appends a code point as UTF-16: one unit, or a surrogate pair beyond U+FFFF. A surrogate
/// code point is appended as its own unit.
void AppendUtf16(char32_t codePoint, std::u16string& utf16);
/// Appends a code point as UTF-8. A surrogate code point or a value above U+10FFFF becomes
/// U+FFFD, so the output is always well-formed UTF-8.
void AppendUtf8(char32_t codePoint, std::string& utf8);

/// Appends the UTF-16 form of the UTF-8 text `utf8` to `utf16`, replacing ill-formed sequences
/// as DecodeUtf8 does. Allocates only while `utf16` grows.
/// \returns false if `utf8` held any ill-formed sequence.
bool AppendUtf16FromUtf8(std::string_view utf8, std::u16string& utf16);

/// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD, so every input converts.
std::string Utf16ToUtf8(std::u16string_view text);

/// UTF-8 to UTF-16, replacing ill-formed sequences as DecodeUtf8 does.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace Vennicor::Font
