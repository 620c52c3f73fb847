#pragma once

namespace Vennicor::Font {

/// True for a control character (Unicode general category Cc: U+0000 to U+001F and U+007F to
/// U+009F). Such characters never get a glyph, are never drawn and break the kerning chain.
constexpr bool IsControlCharacter(char32_t character) {
  return character <= 0x1F || (character >= 0x7F && character <= 0x9F);
}

/// True for U+0020..U+007E: one test that rules out control characters and surrogates at once,
/// so that text walks take the common case in one comparison.
constexpr bool IsPrintableAscii(char32_t character) { return character - 0x20U < 0x5FU; }

}  // namespace Vennicor::Font
