#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>

namespace Vennicor::Font {

/// Copies a glyph image as FreeType left it in a glyph slot into `target` as 8-bit coverage:
/// `bitmap.width` bytes a row, `bitmap.rows` rows, top row first, packed tightly. Gray images
/// are copied as they are; one-bit, 2-bit and 4-bit images (embedded bitmaps) are converted,
/// with full coverage 255, and colour images give their alpha channel. Rows stored bottom-up
/// (negative pitch) are read top-down. \throws FontException "Error loading glyph in FreeType" when
/// FreeType cannot convert the image; `target` may then be partly written.
void CopyGlyphCoverage(FT_Library library, const FT_Bitmap& bitmap, std::uint8_t* target);

}  // namespace Vennicor::Font
