#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "font/faces/detail/ColorBitmap.h"

namespace {

using Vennicor::Font::ResampleBgra;

// One channel value a pixel, repeated into all four BGRA bytes (gray, opaque where 255): each
// case reads like a grayscale picture.
struct Case {
  std::string Name;
  unsigned Width, Rows;
  int Pitch;  // in pixels; negative: rows stored bottom-up
  std::vector<std::uint8_t> Source;
  std::int32_t TargetWidth, TargetRows;
  std::vector<std::uint8_t> Expected;
};

TEST(ResampleBgra, AveragesTheSourceAreaUnderEachPixel) {
  const Case cases[] = {
      {"same size copies", 2, 2, 2, {10, 20, 30, 40}, 2, 2, {10, 20, 30, 40}},
      {"bottom-up rows are read top-down", 2, 2, -2, {30, 40, 10, 20}, 2, 2, {10, 20, 30, 40}},
      {"padded rows", 1, 2, 3, {7, 0, 0, 9, 0, 0}, 1, 2, {7, 9}},
      // A lone bright pixel among four keeps its share instead of vanishing or filling the pixel
      // as nearest-neighbour sampling would.
      {"2x2 to 1x1", 2, 2, 2, {255, 0, 0, 0}, 1, 1, {64}},
      // Three to two: each target pixel covers one and a half source pixels.
      {"3 to 2", 3, 1, 3, {90, 30, 150}, 2, 1, {70, 110}},
      {"4x2 to 2x1", 4, 2, 4, {0, 40, 80, 80, 40, 0, 80, 80}, 2, 1, {20, 80}},
      {"1x1 to 2x3", 1, 1, 1, {77}, 2, 3, {77, 77, 77, 77, 77, 77}},
  };
  std::vector<float> scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint8_t> memory;
    for (const std::uint8_t v : c.Source) memory.insert(memory.end(), {v, v, v, v});
    FT_Bitmap bitmap{};
    bitmap.width = c.Width;
    bitmap.rows = c.Rows;
    bitmap.pitch = c.Pitch * 4;
    bitmap.buffer = memory.data();
    bitmap.pixel_mode = FT_PIXEL_MODE_BGRA;
    const std::size_t bytes = static_cast<std::size_t>(c.TargetWidth * c.TargetRows) * 4;
    std::vector<std::uint8_t> target(bytes + 1, 0xEE);  // a guard byte past the image
    ResampleBgra(bitmap, c.TargetWidth, c.TargetRows, target.data(), scratch);
    EXPECT_EQ(target.back(), 0xEE);
    std::vector<std::uint8_t> firstChannel;
    for (std::size_t i = 0; i < bytes; i += 4) {
      EXPECT_TRUE(target[i] == target[i + 1] && target[i] == target[i + 2] &&
                  target[i] == target[i + 3])
          << "channels differ at pixel " << i / 4;
      firstChannel.push_back(target[i]);
    }
    EXPECT_EQ(firstChannel, c.Expected);
  }
}

}  // namespace
