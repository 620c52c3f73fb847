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
  std::size_t slice = 0;
  if (!TryFindBestPlacement(rectangleWidth, rectangleHeight, placement, slice)) return false;
  // The place starts where slice `slice` does, so it needs no search.
  IntegrateAt(slice, rectangleWidth, placement.Y + rectangleHeight);
  return true;
}

std::ptrdiff_t VyrelRectanglePacker::FindSlice(std::int32_t x, std::size_t first) const {
  // A binary search whose halving is a conditional move rather than a branch: which way it goes
  // is as good as random, and a packing asks several times a rectangle.
  const Point key{x, 0};
  const Point* base = heightSlices.data() + first;
  std::size_t length = heightSlices.size() - std::min(first, heightSlices.size());
  if (length == 0) return ~static_cast<std::ptrdiff_t>(heightSlices.size());
  while (length > 1) {
    const std::size_t half = length / 2;
    base = SliceStartComparer::Default.Compare(base[half], key) < 0 ? base + half : base;
    length -= half;
  }
  // The first slice starting at x or beyond is `base`, or the one after it.
  if (SliceStartComparer::Default.Compare(*base, key) < 0) ++base;
  const std::ptrdiff_t index = base - heightSlices.data();
  const bool exact = static_cast<std::size_t>(index) < heightSlices.size() &&
                     SliceStartComparer::Default.Compare(*base, key) == 0;
  return exact ? index : ~index;
}

bool VyrelRectanglePacker::TryFindBestPlacement(std::int32_t rectangleWidth,
                                                std::int32_t rectangleHeight, Point& placement,
                                                std::size_t& slice) const {
  const std::size_t count = heightSlices.size();
  const Point* slices = heightSlices.data();

  // Heights and right ends are compared in 64 bits so that areas near the 32-bit limit work.
  std::int64_t bestHeight = std::int64_t{packingAreaWidth} * std::int64_t{packingAreaHeight};
  std::size_t bestIndex = count;
  // The candidate at `index` lies on the slices [index, end). Strictly lower wins: the last row
  // stays free, and the leftmost of equal candidates wins. So a candidate is out as soon as one
  // of its slices reaches the best height so far; and since the best only gets lower, so is
  // every later candidate that still lies on that slice. Returns the slice where the next
  // candidate worth a look may start.
  const auto consider = [&](std::size_t index, std::size_t end) {
    std::int64_t height = slices[index].Y;
    for (std::size_t k = index + 1; k < end; ++k) {
      height = std::max<std::int64_t>(height, slices[k].Y);
      if (height >= bestHeight) return k + 1;
    }
    if (height < bestHeight && height + rectangleHeight < packingAreaHeight) {
      bestIndex = index;
      bestHeight = height;
    }
    return index + 1;
  };

  // The first candidate covers the slices that start left of its right end.
  const std::ptrdiff_t found = FindSlice(rectangleWidth, 0);
  std::size_t end = static_cast<std::size_t>(found >= 0 ? found : ~found);
  std::size_t index = consider(0, end);
  // Every later one also covers a slice starting exactly at its right end, and must end before
  // the right edge (so it starts before slice `last`). Its end only moves right from one
  // candidate to the next, so it is advanced just for the candidates that can win: a slice as
  // high as the best so far rules its candidate out at once.
  // Few slices start that close to the right edge: counted from the end.
  std::size_t last = count;
  while (last > 1 && slices[last - 1].X >= packingAreaWidth - rectangleWidth) --last;
  for (index = std::max<std::size_t>(index, 1); index < last;) {
    if (slices[index].Y >= bestHeight) {
      ++index;
      continue;
    }
    const std::int64_t right = std::int64_t{slices[index].X} + rectangleWidth;
    while (end < count && slices[end].X <= right) ++end;
    index = consider(index, end);
  }

  if (bestIndex == count) {
    placement = Point{0, 0};
    return false;
  }
  placement = Point{slices[bestIndex].X, static_cast<std::int32_t>(bestHeight)};
  slice = bestIndex;
  return true;
}

void VyrelRectanglePacker::IntegrateRectangle(std::int32_t left, std::int32_t width,
                                              std::int32_t bottom) {
  if (left < 0 || width < 1 || left >= packingAreaWidth || width > packingAreaWidth - left) {
    throw std::invalid_argument("Rectangle columns " + std::to_string(left) + " + " +
                                std::to_string(width) + " do not lie inside the " +
                                std::to_string(packingAreaWidth) + " pixel wide packing area");
  }

  const std::ptrdiff_t found = FindSlice(left, 0);
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
  if (found >= 0) {
    IntegrateAt(static_cast<std::size_t>(found), width, bottom);
    return;
  }
  const auto index = static_cast<std::size_t>(~found);
  const std::int32_t previousHeight = heightSlices[index - 1].Y;
  heightSlices.insert(heightSlices.begin() + static_cast<std::ptrdiff_t>(index),
                      Point{left, bottom});
  CloseRectangle(index, left + width, previousHeight);
}

void VyrelRectanglePacker::IntegrateAt(std::size_t index, std::int32_t width, std::int32_t bottom) {
  const std::int32_t previousHeight = heightSlices[index].Y;
  const std::int32_t left = heightSlices[index].X;
  heightSlices[index] = Point{left, bottom};
  CloseRectangle(index, left + width, previousHeight);
}

// The rectangle's slice is `index`; the slices it covers after that go, and the fill line
// resumes at its right end.
void VyrelRectanglePacker::CloseRectangle(std::size_t index, std::int32_t right,
                                          std::int32_t previousHeight) {
  const std::size_t next = index + 1;
  if (next >= heightSlices.size()) {
    if (right < packingAreaWidth) heightSlices.push_back(Point{right, previousHeight});
    return;
  }

  const auto first = heightSlices.begin() + static_cast<std::ptrdiff_t>(next);
  // A rectangle covers few slices: the first one at or past its right end is near.
  std::size_t past = next;
  while (past < heightSlices.size() && heightSlices[past].X < right) ++past;
  if (past < heightSlices.size() && heightSlices[past].X == right) {
    // A slice starts exactly at the right end and keeps its height; drop those inside.
    heightSlices.erase(first, heightSlices.begin() + static_cast<std::ptrdiff_t>(past));
    return;
  }
  // The fill line at the right end is that of the last slice starting inside the rectangle,
  // or of the rectangle's own slice before it was overwritten when none started inside.
  const std::int32_t restoredHeight = past == next ? previousHeight : heightSlices[past - 1].Y;
  if (right >= packingAreaWidth) {
    heightSlices.erase(first, heightSlices.begin() + static_cast<std::ptrdiff_t>(past));
  } else if (past > next) {
    // The first covered slice becomes the one at the right end: one move fewer.
    heightSlices[next] = Point{right, restoredHeight};
    heightSlices.erase(first + 1, heightSlices.begin() + static_cast<std::ptrdiff_t>(past));
  } else {
    heightSlices.insert(first, Point{right, restoredHeight});
  }
}

}  // namespace Vennicor::Font
