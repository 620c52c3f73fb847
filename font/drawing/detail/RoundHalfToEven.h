#pragma once

#include <cmath>

namespace Vennicor::Font::Detail {

/// Rounds to a whole number, halves to the even neighbour, whatever the floating-point
/// rounding mode is: how drawing puts each sprite's left edge on a pixel.
inline double RoundHalfToEven(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

}  // namespace Vennicor::Font::Detail
