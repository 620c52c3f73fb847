#pragma once

#include <string>
#include <string_view>

namespace Vennicor::Font {

/// Appends the UTF-16 form of the UTF-8 text `utf8` to `utf16`. Each malformed sequence (a stray
/// continuation byte, a truncated or overlong sequence, an encoded surrogate, a value above
/// U+10FFFF) becomes one U+FFFD per maximal invalid prefix, as Unicode recommends.
/// \returns false if `utf8` held any malformed sequence.
bool AppendUtf16FromUtf8(std::string_view utf8, std::u16string& utf16);

}  // namespace Vennicor::Font
