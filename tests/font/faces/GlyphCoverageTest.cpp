#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "font/faces/detail/GlyphCoverage.h"

namespace {

using Vennicor::Font::CopyGlyphCoverage;

class GlyphCoverage : public testing::Test {
 protected:
  GlyphCoverage() { FT_Init_FreeType(&library); }
  ~GlyphCoverage() override { FT_Done_FreeType(library); }

  // Copies `memory` described as a bitmap into packed coverage.
  std::vector<std::uint8_t> Copy(std::vector<std::uint8_t> memory, unsigned width, unsigned rows,
                                 int pitch, unsigned char pixelMode, unsigned short grays) {
    FT_Bitmap bitmap{};
    bitmap.width = width;
    bitmap.rows = rows;
    bitmap.pitch = pitch;
    bitmap.buffer = memory.data();
    bitmap.pixel_mode = pixelMode;
    bitmap.num_grays = grays;
    // A guard byte that must stay untouched shows any write past the image.
    std::vector<std::uint8_t> target(static_cast<std::size_t>(width) * rows + 1, 0xEE);
    CopyGlyphCoverage(library, bitmap, target.data());
    EXPECT_EQ(target.back(), 0xEE) << "wrote past the image";
    target.pop_back();
    return target;
  }

  FT_Library library = nullptr;
};

TEST_F(GlyphCoverage, GrayRowsDropTheirPadding) {
  // 3 x 2 image in rows of 5 bytes.
  EXPECT_EQ(Copy({1, 2, 3, 99, 99, 4, 5, 6, 99, 99}, 3, 2, 5, FT_PIXEL_MODE_GRAY, 256),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(GlyphCoverage, BottomUpRowsAreReadTopDown) {
  // Negative pitch: the bottom row (4, 5, 6) comes first in memory.
  EXPECT_EQ(Copy({4, 5, 6, 99, 1, 2, 3, 99}, 3, 2, -4, FT_PIXEL_MODE_GRAY, 256),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
}

// One bit a pixel, most significant bit first: 10 pixels take 2 bytes a row.
TEST_F(GlyphCoverage, OneBitImagesBecomeFullOrNoCoverage) {
  EXPECT_EQ(
      Copy({0b1010'0000, 0b0100'0000, 0b0000'0001, 0b1000'0000}, 10, 2, 2, FT_PIXEL_MODE_MONO, 2),
      (std::vector<std::uint8_t>{255, 0, 255, 0, 0, 0, 0, 0,   0,   255,  //
                                 0,   0, 0,   0, 0, 0, 0, 255, 255, 0}));
}

TEST_F(GlyphCoverage, FourBitImagesScaleToFullCoverage) {
  // Two pixels a byte, high nibble first; 15 is full coverage.
  EXPECT_EQ(Copy({0xF0, 0x8F}, 2, 2, 1, FT_PIXEL_MODE_GRAY4, 16),
            (std::vector<std::uint8_t>{255, 0, 136, 255}));
}

TEST_F(GlyphCoverage, ColourImagesGiveTheirAlpha) {
  // Premultiplied BGRA: transparent, opaque white, opaque black, half-covered red; rows of 16.
  EXPECT_EQ(Copy({0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 128, 128,  //
                  9, 9, 9, 9, 0,   0,   0,   0,   1, 2, 3, 4,   0, 0, 0,   0},
                 3, 2, 16, FT_PIXEL_MODE_BGRA, 256),
            (std::vector<std::uint8_t>{0, 255, 255, 9, 0, 4}));
}

}  // namespace
