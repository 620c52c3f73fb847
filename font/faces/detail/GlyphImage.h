#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/Point.h"

namespace Vennicor::Font::Detail {

/// How a glyph image's bytes are to be read.
enum class GlyphPixelFormat : std::uint8_t {
  Coverage8,  ///< one byte a pixel: how much of the pixel the glyph covers, 0..255
  /// Four bytes a pixel, blue, green, red, alpha, premultiplied (as FreeType gives colour glyphs).
  Bgra32,
  /// Four bytes a pixel, red, green, blue, alpha, each a signed distance (a multi-channel
  /// distance field: R, G, B the channels, A the true distance), not a colour.
  Field32,
};

/// Bytes one pixel of `format` takes.
constexpr std::size_t BytesPerPixel(GlyphPixelFormat format) {
  return format == GlyphPixelFormat::Coverage8 ? 1 : 4;
}

/// A rendered glyph as a face produced it, before it goes into an atlas.
struct GlyphImage {
  std::int32_t Width = 0;  ///< pixels a row
  std::int32_t Rows = 0;
  std::int32_t Left = 0;    ///< from the pen to the image's left edge, in pixels
  std::int32_t Top = 0;     ///< from the baseline up to the image's top row, in pixels
  Graphics::Point Advance;  ///< pen advance in whole pixels (26.6 floored)
  GlyphPixelFormat Format = GlyphPixelFormat::Coverage8;
  /// Rows top first, packed tightly. Reused from glyph to glyph, so it only grows.
  std::vector<std::uint8_t> Pixels;

  bool IsEmpty() const { return Width == 0 || Rows == 0; }
};

}  // namespace Vennicor::Font::Detail
