#pragma once

namespace Vennicor::Font {

/// True for a control character (Unicode general category Cc: U+0000 to U+001F and U+007F to
/// U+009F). Such characters never get a glyph, are never drawn and break the kerning chain.
constexpr bool IsControlCharacter(char16_t character) {
  return character <= 0x1F || (character >= 0x7F && character <= 0x9F);
}

}  // namespace Vennicor::Font
