#pragma once

#include <cstdint>

namespace Vennicor::Font {

/// The style of a face looked up among the installed fonts; Bold and Italic combine as bits.
enum class FontStyle : std::int32_t { Regular = 0, Bold = 1, Italic = 2 };

constexpr FontStyle operator|(FontStyle a, FontStyle b) {
  return static_cast<FontStyle>(static_cast<std::int32_t>(a) | static_cast<std::int32_t>(b));
}
constexpr FontStyle operator&(FontStyle a, FontStyle b) {
  return static_cast<FontStyle>(static_cast<std::int32_t>(a) & static_cast<std::int32_t>(b));
}

}  // namespace Vennicor::Font
