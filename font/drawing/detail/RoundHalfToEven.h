#pragma once

#include <cmath>
#include <cstdint>

#include "graphics/SpriteGeometry.h"

// The rare path of a call made for every glyph stays out of it, so that the call is inlined.
#if defined(__GNUC__) || defined(__clang__)
#define VENNICOR_STEP_OUT_OF_LINE [[gnu::noinline]]
#else
#define VENNICOR_STEP_OUT_OF_LINE
#endif

namespace Vennicor::Font::Detail {

/// Rounds to a whole number, halves to the even neighbour, whatever the floating-point
/// rounding mode is: how drawing puts each sprite's left edge on a pixel. The same results as
/// floor and fmod would give (signed zeros included), without their library calls.
inline double RoundHalfToEven(double value) {
  // Zeros keep their sign; beyond 2^52 every double is whole; NaN and infinities stay as they
  // are.
  if (value == 0 || !(std::abs(value) < 0x1p52)) return value;
  const auto truncated = static_cast<std::int64_t>(value);
  const std::int64_t below = truncated - (static_cast<double>(truncated) > value ? 1 : 0);
  const double fraction = value - static_cast<double>(below);
  if (fraction < 0.5) return static_cast<double>(below);
  if (fraction > 0.5) return static_cast<double>(below + 1);
  return static_cast<double>((below & 1) == 0 ? below : below + 1);
}

/// A sprite's left edge on a whole pixel: RoundHalfToEven of a float. Whole values (the usual
/// case: whole position, pen and offsets) are answered as they are, without the conversions.
inline float OnWholePixel(float x) {
  if (std::abs(x) < 0x1p23F && static_cast<float>(static_cast<std::int32_t>(x)) == x) return x;
  return static_cast<float>(RoundHalfToEven(static_cast<double>(x)));
}

/// A sprite's left edge to the nearest 1 / `steps` of a pixel (halves to even), `steps` 1, 2 or
/// 4: the whole pixel at or left of it and the steps into that pixel. A value too large
/// for fractions to matter (or not finite) is OnWholePixel's, at step 0.
struct PixelStep {
  float Whole = 0;
  std::int32_t Step = 0;
};
/// OnPixelStep of a value too large for fractions to matter, or not finite.
VENNICOR_STEP_OUT_OF_LINE inline PixelStep OnWholePixelStep(float x) {
  return {OnWholePixel(x), 0};
}
VENNICOR_GEOMETRY_INLINE inline PixelStep OnPixelStep(float x, std::int32_t steps) {
  // Exact in floats (`steps` is a power of two, the value below 2^22), and without branches:
  // laid-out pens fall anywhere between steps, where a branch on the fraction would be
  // mispredicted half the time.
  const float scaled = x * static_cast<float>(steps);
  if (!(std::abs(scaled) < 0x1p22F)) [[unlikely]]
    return OnWholePixelStep(x);
  auto below = static_cast<std::int32_t>(scaled);
  below -= static_cast<float>(below) > scaled ? 1 : 0;
  const float fraction = scaled - static_cast<float>(below);
  const std::int32_t step =
      below + (fraction > 0.5F ? 1 : 0) + (fraction == 0.5F ? (below & 1) : 0);
  const std::int32_t shift = steps >> 1;  // log2 of 1, 2 or 4
  return {static_cast<float>(step >> shift), step & (steps - 1)};
}

}  // namespace Vennicor::Font::Detail
