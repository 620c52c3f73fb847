// The atlas packer under arbitrary areas and sequences of packs and integrations, its promises
// checked after every step: placements lie inside the area and overlap nothing placed before, a
// refused pack or integration changes nothing, and the skyline stays well formed.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "font/packing/VyrelRectanglePacker.h"

namespace {

using Vennicor::Font::VyrelRectanglePacker;
using Vennicor::Graphics::Point;

struct Box {
  std::int64_t Left, Top, Right, Bottom;  // right and bottom exclusive
};

bool Overlap(const Box& a, const Box& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

std::vector<Point> Slices(const VyrelRectanglePacker& packer) {
  return {packer.HeightSlices().begin(), packer.HeightSlices().end()};
}

void CheckSkyline(const VyrelRectanglePacker& packer) {
  const auto slices = packer.HeightSlices();
  Require(!slices.empty() && slices.front().X == 0);
  for (std::size_t i = 0; i < slices.size(); ++i) {
    Require(slices[i].Y >= 0);
    if (i > 0) Require(slices[i - 1].X < slices[i].X);
    if (packer.PackingAreaWidth() > 0) Require(slices[i].X < packer.PackingAreaWidth());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Mostly small areas, so that they fill up; now and then a negative or empty one.
  const auto width = input.ConsumeIntegralInRange<std::int32_t>(-2, 300);
  const auto height = input.ConsumeIntegralInRange<std::int32_t>(-2, 300);
  VyrelRectanglePacker packer(width, height);
  std::vector<Box> used;

  for (int step = 0; step < 400 && input.remaining_bytes() > 0; ++step) {
    const auto kind = input.ConsumeIntegralInRange<int>(0, 15);
    const auto before = Slices(packer);
    if (kind == 0) {
      const auto left = input.ConsumeIntegralInRange<std::int32_t>(-2, 310);
      const auto columns = input.ConsumeIntegralInRange<std::int32_t>(-2, 310);
      const auto bottom = input.ConsumeIntegralInRange<std::int32_t>(-2, 310);
      try {
        packer.IntegrateRectangle(left, columns, bottom);
        Require(left >= 0 && columns >= 1 && std::int64_t{left} + columns <= width);
        used.push_back({left, 0, std::int64_t{left} + columns, bottom});
      } catch (const std::invalid_argument&) {
        Require(Slices(packer) == before);
      }
    } else {
      const auto rectangleWidth = input.ConsumeIntegralInRange<std::int32_t>(-1, 80);
      const auto rectangleHeight = input.ConsumeIntegralInRange<std::int32_t>(-1, 80);
      Point placement{-1, -1};
      if (packer.TryPack(rectangleWidth, rectangleHeight, placement)) {
        const Box box{placement.X, placement.Y, std::int64_t{placement.X} + rectangleWidth,
                      std::int64_t{placement.Y} + rectangleHeight};
        Require(rectangleWidth >= 1 && rectangleHeight >= 1);
        Require(box.Left >= 0 && box.Top >= 0 && box.Right <= width && box.Bottom < height);
        for (const Box& other : used) Require(!Overlap(box, other));
        used.push_back(box);
      } else {
        Require(placement.X == 0 && placement.Y == 0);
        Require(Slices(packer) == before);
      }
    }
    CheckSkyline(packer);
  }
  return 0;
}
