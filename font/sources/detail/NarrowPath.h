#pragma once

#include <string>
#include <string_view>

namespace Vennicor::Font {

/// A path as the bytes that the C file functions open, for FreeType's FT_OPEN_PATHNAME. On Linux
/// that is UTF-8; a lone surrogate becomes U+FFFD, so such a path normally names no file.
std::string ToNarrowPath(std::u16string_view path);

}  // namespace Vennicor::Font
