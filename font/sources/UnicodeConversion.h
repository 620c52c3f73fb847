#pragma once

#include <string>
#include <string_view>

namespace Vennicor::Font {

/// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD, so every input converts.
std::string Utf16ToUtf8(std::u16string_view text);

/// UTF-8 to UTF-16. Each malformed byte sequence becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace Vennicor::Font
