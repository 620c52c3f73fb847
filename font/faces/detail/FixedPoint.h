#pragma once

// FreeType and HarfBuzz give positions in 26.6 fixed point, 64ths of a pixel. These are the
// four ways the library turns them into pixels; each place names the one it means, since they
// differ on halves and on negative values. Templates over the integer type, so that FreeType's
// long positions (64 bits on Linux, 32 on Windows) convert without first being narrowed.

#include <concepts>
#include <cstdint>

namespace Vennicor::Font::Detail {

/// Exactly, in fractional pixels (only the conversion to float rounds, beyond 2^24).
constexpr float Pixels26Dot6Exact(std::int32_t value) {
  return static_cast<float>(value) * 0.015625F;
}

/// In whole pixels, toward zero: -1.5 px becomes -1.
template <std::integral T>
constexpr T Pixels26Dot6Truncated(T value) {
  return static_cast<T>(value / 64);
}

/// In whole pixels, halves away from zero: 1.5 px becomes 2, -1.5 px becomes -2.
template <std::integral T>
constexpr T Pixels26Dot6Rounded(T value) {
  return static_cast<T>(value >= 0 ? (value + 32) / 64 : -((-value + 32) / 64));
}

/// In whole pixels, toward negative infinity: -1.5 px becomes -2. An arithmetic shift, which
/// C++20 defines for negative values.
template <std::integral T>
constexpr T Pixels26Dot6Floored(T value) {
  return static_cast<T>(value >> 6);
}

}  // namespace Vennicor::Font::Detail
