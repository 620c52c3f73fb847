#include "font/sources/detail/NarrowPath.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include "font/text/Utf.h"

namespace Vennicor::Font {

#ifdef _WIN32
// FreeType opens paths with the C runtime's narrow functions, which read the ANSI code page.
// Characters the code page lacks become its substitute, so such a path normally opens nothing.
std::string ToNarrowPath(std::u16string_view path) {
  if (path.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(path.data());
  const int length = static_cast<int>(path.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}
#else
std::string ToNarrowPath(std::u16string_view path) { return Utf16ToUtf8(path); }
#endif

}  // namespace Vennicor::Font
