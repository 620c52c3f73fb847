#pragma once

#include <cstdint>

namespace Vennicor::Graphics {

/// A point with integer coordinates, X to the right and Y downwards.
struct Point {
  std::int32_t X = 0;
  std::int32_t Y = 0;

  friend constexpr bool operator==(Point, Point) = default;
};

}  // namespace Vennicor::Graphics
