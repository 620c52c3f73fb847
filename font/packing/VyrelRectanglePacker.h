#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/Point.h"

namespace Vennicor::Font {

/// Places rectangles one at a time, for good, into a fixed area, keeping a skyline of height
/// slices. Each rectangle goes where its top row is nearest the top of the area, the leftmost
/// position on ties. The area never grows: when a rectangle does not fit, TryPack says so and
/// the owner replaces the packer by a larger one.
///
/// A slice (X, Y) covers the columns from X up to the next slice's X (the last one reaches the
/// area's right edge); rows 0 to Y - 1 of those columns are used. For example, after packing
/// 10 x 20 and then 10 x 30 into a 64 x 64 area:
///
///     x: 0    10   20                     64
///        +----+----+------------------ ...
///        | A  | B  |                          slices (0, 20), (10, 30), (20, 0)
///        +----+    |
///        .    +----+
///
/// Two rules decide when an area is full: no rectangle ever covers the last row, and only a
/// rectangle as wide as the area covers the last column (every candidate but the leftmost must
/// end at least one column before the right edge).
class VyrelRectanglePacker {
 public:
  /// An area of packingAreaWidth x packingAreaHeight pixels, empty. An area below 1 x 1 takes
  /// no rectangle.
  VyrelRectanglePacker(std::int32_t packingAreaWidth, std::int32_t packingAreaHeight);
  virtual ~VyrelRectanglePacker();
  /// Copies the area and its skyline.
  VyrelRectanglePacker(const VyrelRectanglePacker&) = default;
  /// Copies the area and its skyline.
  VyrelRectanglePacker& operator=(const VyrelRectanglePacker&) = default;
  /// Moves the area and its skyline.
  VyrelRectanglePacker(VyrelRectanglePacker&&) noexcept = default;
  /// Moves the area and its skyline.
  VyrelRectanglePacker& operator=(VyrelRectanglePacker&&) noexcept = default;

  /// Finds a place for a rectangle and marks it used. Returns true with its top-left corner in
  /// `placement`, or false with `placement` = (0, 0) and the packer unchanged: when the
  /// rectangle is too large or the area too full, and for a width or height below 1.
  virtual bool TryPack(std::int32_t rectangleWidth, std::int32_t rectangleHeight,
                       Graphics::Point& placement);

  /// Width of the area in pixels.
  std::int32_t PackingAreaWidth() const { return packingAreaWidth; }
  /// Height of the area in pixels.
  std::int32_t PackingAreaHeight() const { return packingAreaHeight; }

  /// Makes columns left to left + width - 1 one slice of height `bottom`; the fill line to the
  /// right of them stays as it was. The slices the columns cover are overwritten.
  /// \throws std::invalid_argument unless 0 <= left, 1 <= width and left + width <= the area's
  ///         width, and unless `bottom` is at least the height of every slice the columns cover;
  ///         nothing is changed then. Costs a pass over the covered slices.
  void IntegrateRectangle(std::int32_t left, std::int32_t width, std::int32_t bottom);

  /// The height slices in ascending order of X, for inspection. Valid until the next change.
  std::span<const Graphics::Point> HeightSlices() const { return heightSlices; }

 private:
  /// Orders slices by their X alone; the difference is exact because every X lies in
  /// [0, packingAreaWidth].
  class SliceStartComparer {
   public:
    static const SliceStartComparer Default;
    std::int32_t Compare(const Graphics::Point& left, const Graphics::Point& right) const {
      return left.X - right.X;
    }
  };

  /// The index of the slice at or after `first` whose X is `x`, or else the complement of the
  /// index of the first such slice whose X is greater (the slice count when there is none).
  std::ptrdiff_t FindSlice(std::int32_t x, std::size_t first) const;

  bool TryFindBestPlacement(std::int32_t rectangleWidth, std::int32_t rectangleHeight,
                            Graphics::Point& placement, std::size_t& slice) const;
  // IntegrateRectangle for a rectangle whose left edge is where slice `index` starts.
  void IntegrateAt(std::size_t index, std::int32_t width, std::int32_t bottom);
  void CloseRectangle(std::size_t index, std::int32_t right, std::int32_t previousHeight);

  std::vector<Graphics::Point> heightSlices;
  std::int32_t packingAreaHeight;
  std::int32_t packingAreaWidth;
};

}  // namespace Vennicor::Font
