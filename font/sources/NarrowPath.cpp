#include "font/sources/NarrowPath.h"

#include "font/sources/UnicodeConversion.h"

namespace Vennicor::Font {

#ifndef _WIN32
std::string ToNarrowPath(std::u16string_view path) { return Utf16ToUtf8(path); }
#endif

}  // namespace Vennicor::Font
