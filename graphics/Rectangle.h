#pragma once

#include <cstdint>

namespace Vennicor::Graphics {

/// An axis-aligned rectangle in whole pixels: top-left corner and size.
struct Rectangle {
  std::int32_t X = 0;       ///< left edge
  std::int32_t Y = 0;       ///< top edge
  std::int32_t Width = 0;   ///< extent to the right
  std::int32_t Height = 0;  ///< extent downwards

  /// True when the rectangle lies entirely inside 0..width × 0..height (computed without overflow).
  constexpr bool IsInside(std::int32_t width, std::int32_t height) const {
    return X >= 0 && Y >= 0 && Width >= 0 && Height >= 0 &&
           static_cast<std::int64_t>(X) + Width <= width &&
           static_cast<std::int64_t>(Y) + Height <= height;
  }

  /// Equal when corner and size are.
  friend constexpr bool operator==(const Rectangle&, const Rectangle&) = default;
};

}  // namespace Vennicor::Graphics
