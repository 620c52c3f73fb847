#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <vector>

namespace Vennicor::Font {

/// Copies a BGRA glyph image (FT_PIXEL_MODE_BGRA: premultiplied blue, green, red, alpha) into
/// `target` as `width` x `rows` pixels of the same format, top row first, packed tightly. When
/// the size differs from the bitmap's, each target pixel is the area-weighted average of the
/// source pixels it covers (a box filter, so that a downscaled emoji keeps its detail instead of
/// dropping rows and columns). `scratch` is reused between calls. Rows stored bottom-up
/// (negative pitch) are read top-down. Precondition: width, rows > 0 and the bitmap is not empty.
void ResampleBgra(const FT_Bitmap& bitmap, std::int32_t width, std::int32_t rows,
                  std::uint8_t* target, std::vector<float>& scratch);

}  // namespace Vennicor::Font
