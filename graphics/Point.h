#pragma once

#include <cstdint>

namespace Vennicor::Graphics {

/// A point with integer coordinates, X to the right and Y downwards.
struct Point {
  std::int32_t X = 0;  ///< to the right
  std::int32_t Y = 0;  ///< downwards

  /// Equal when both coordinates are.
  friend constexpr bool operator==(Point, Point) = default;
};

}  // namespace Vennicor::Graphics
