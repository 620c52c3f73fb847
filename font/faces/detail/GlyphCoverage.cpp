#include "font/faces/detail/GlyphCoverage.h"

#include FT_BITMAP_H

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "font/FontException.h"

namespace Vennicor::Font {

namespace {

// Row y counted from the top. With a negative pitch FreeType stores the bottom row first, so
// the top row is the last one in memory.
const std::uint8_t* RowOf(const FT_Bitmap& bitmap, unsigned y) {
  const std::ptrdiff_t pitch = bitmap.pitch;
  const std::ptrdiff_t top =
      pitch < 0 ? -pitch * (static_cast<std::ptrdiff_t>(bitmap.rows) - 1) : 0;
  return bitmap.buffer + top + pitch * static_cast<std::ptrdiff_t>(y);
}

}  // namespace

void CopyGlyphCoverage(FT_Library library, const FT_Bitmap& bitmap, std::uint8_t* target) {
  const std::size_t width = bitmap.width;
  if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays == 256) {
    for (unsigned y = 0; y < bitmap.rows; ++y, target += width) {
      std::memcpy(target, RowOf(bitmap, y), width);
    }
    return;
  }

  if (bitmap.pixel_mode == FT_PIXEL_MODE_BGRA) {
    // Colour glyphs become their silhouette: the alpha channel is their coverage.
    for (unsigned y = 0; y < bitmap.rows; ++y, target += width) {
      const std::uint8_t* row = RowOf(bitmap, y);
      for (std::size_t x = 0; x < width; ++x) target[x] = row[4 * x + 3];
    }
    return;
  }

  // Reading these rows as bytes would read past them (one bit a pixel) or misread them.
  FT_Bitmap converted;
  FT_Bitmap_Init(&converted);
  struct ReleaseConverted {
    FT_Library Library;
    FT_Bitmap* Bitmap;
    ~ReleaseConverted() { FT_Bitmap_Done(Library, Bitmap); }
  } releaseConverted{library, &converted};
  if (FT_Bitmap_Convert(library, &bitmap, &converted, 1) != 0 || converted.width != bitmap.width ||
      converted.rows != bitmap.rows || converted.num_grays < 2) {
    throw FontException(Messages::ErrorLoadingGlyph);
  }
  const unsigned full = converted.num_grays - 1U;
  for (unsigned y = 0; y < converted.rows; ++y, target += width) {
    const std::uint8_t* row = RowOf(converted, y);
    for (std::size_t x = 0; x < width; ++x) {
      target[x] = static_cast<std::uint8_t>(std::min(255U, row[x] * 255U / full));
    }
  }
}

}  // namespace Vennicor::Font
