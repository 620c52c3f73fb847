#include "font/packing/VyrelRectanglePacker.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Vennicor::Font {

using Graphics::Point;

const VyrelRectanglePacker::SliceStartComparer VyrelRectanglePacker::SliceStartComparer::Default{};

VyrelRectanglePacker::VyrelRectanglePacker(std::int32_t packingAreaWidth,
                                           std::int32_t packingAreaHeight)
    : heightSlices{Point{0, 0}},
      packingAreaHeight(packingAreaHeight),
      packingAreaWidth(packingAreaWidth) {}

VyrelRectanglePacker::~VyrelRectanglePacker() = default;

bool VyrelRectanglePacker::TryPack(std::int32_t rectangleWidth, std::int32_t rectangleHeight,
                                   Point& placement) {
  // Sizes below 1 would break the skyline (a zero-width slice, a fill line moving up).
  if (rectangleWidth < 1 || rectangleHeight < 1 || rectangleWidth > packingAreaWidth ||
      rectangleHeight > packingAreaHeight) {
    placement = Point{0, 0};
    return false;
  }
  if (!TryFindBestPlacement(rectangleWidth, rectangleHeight, placement)) return false;
  IntegrateRectangle(placement.X, rectangleWidth, placement.Y + rectangleHeight);
  return true;
}

std::ptrdiff_t VyrelRectanglePacker::FindSlice(std::int32_t x, std::size_t first) const {
  const Point key{x, 0};
  std::size_t low = first;
  std::size_t high = heightSlices.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const std::int32_t order = SliceStartComparer::Default.Compare(heightSlices[middle], key);
    if (order == 0) return static_cast<std::ptrdiff_t>(middle);
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return ~static_cast<std::ptrdiff_t>(low);
}

bool VyrelRectanglePacker::TryFindBestPlacement(std::int32_t rectangleWidth,
                                                std::int32_t rectangleHeight,
                                                Point& placement) const {
  const std::size_t count = heightSlices.size();
  const Point* slices = heightSlices.data();
  // Right ends and heights are summed in 64 bits so that areas near the 32-bit limit work.
  const auto startOf = [&](std::size_t index) -> std::int64_t {
    return index == count ? packingAreaWidth : slices[index].X;
  };

  std::int64_t bestHeight = std::int64_t{packingAreaWidth} * std::int64_t{packingAreaHeight};
  std::size_t bestIndex = count;

  // The first candidate covers the slices that start left of its right end; every later one
  // also counts a slice starting exactly at its right end, and must end before the right edge.
  std::size_t index = 0;
  const std::ptrdiff_t found = FindSlice(rectangleWidth, 0);
  std::size_t end = static_cast<std::size_t>(found >= 0 ? found : ~found);
  for (;;) {
    std::int32_t candidateHeight = slices[index].Y;
    for (std::size_t k = index + 1; k < end; ++k) {
      candidateHeight = std::max(candidateHeight, slices[k].Y);
    }
    // Strictly less: the last row stays free, and the leftmost of equal candidates wins.
    if (std::int64_t{candidateHeight} + rectangleHeight < packingAreaHeight &&
        candidateHeight < bestHeight) {
      bestIndex = index;
      bestHeight = candidateHeight;
    }
    if (++index >= count) break;
    const std::int64_t right = std::int64_t{slices[index].X} + rectangleWidth;
    while (end <= count && startOf(end) <= right) ++end;
    if (end > count) break;
  }

  if (bestIndex == count) {
    placement = Point{0, 0};
    return false;
  }
  placement = Point{slices[bestIndex].X, static_cast<std::int32_t>(bestHeight)};
  return true;
}

void VyrelRectanglePacker::IntegrateRectangle(std::int32_t left, std::int32_t width,
                                              std::int32_t bottom) {
  if (left < 0 || width < 1 || left >= packingAreaWidth || width > packingAreaWidth - left) {
    throw std::invalid_argument("Rectangle columns " + std::to_string(left) + " + " +
                                std::to_string(width) + " do not lie inside the " +
                                std::to_string(packingAreaWidth) + " pixel wide packing area");
  }

  std::ptrdiff_t found = FindSlice(left, 0);
  // A bottom above a covered slice's fill line would hand out rows already in use, and the
  // later searches would see negative free heights: refuse it before anything changes.
  {
    const std::int32_t right = left + width;
    std::size_t covered =
        found >= 0 ? static_cast<std::size_t>(found) : static_cast<std::size_t>(~found) - 1;
    for (; covered < heightSlices.size() && heightSlices[covered].X < right; ++covered) {
      if (heightSlices[covered].Y > bottom) {
        throw std::invalid_argument(
            "Rectangle bottom " + std::to_string(bottom) + " lies above the fill line " +
            std::to_string(heightSlices[covered].Y) + " of the columns it covers");
      }
    }
  }
  std::size_t index;
  std::int32_t previousHeight;
  if (found >= 0) {
    index = static_cast<std::size_t>(found);
    previousHeight = heightSlices[index].Y;
    heightSlices[index] = Point{left, bottom};
  } else {
    index = static_cast<std::size_t>(~found);
    previousHeight = heightSlices[index - 1].Y;
    heightSlices.insert(heightSlices.begin() + static_cast<std::ptrdiff_t>(index),
                        Point{left, bottom});
  }

  const std::int32_t right = left + width;
  const std::size_t next = index + 1;
  if (next >= heightSlices.size()) {
    if (right < packingAreaWidth) heightSlices.push_back(Point{right, previousHeight});
    return;
  }

  const auto first = heightSlices.begin() + static_cast<std::ptrdiff_t>(next);
  found = FindSlice(right, next);
  if (found >= 0) {
    // A slice starts exactly at the right end and keeps its height; drop those inside.
    heightSlices.erase(first, heightSlices.begin() + found);
    return;
  }
  const auto past = static_cast<std::size_t>(~found);
  // The fill line at the right end is that of the last slice starting inside the rectangle,
  // or of the rectangle's own slice before it was overwritten when none started inside.
  const std::int32_t restoredHeight = past == next ? previousHeight : heightSlices[past - 1].Y;
  heightSlices.erase(first, heightSlices.begin() + static_cast<std::ptrdiff_t>(past));
  if (right < packingAreaWidth) {
    heightSlices.insert(heightSlices.begin() + static_cast<std::ptrdiff_t>(next),
                        Point{right, restoredHeight});
  }
}

}  // namespace Vennicor::Font
