#pragma once

#include <cstdint>

namespace Vennicor::Font::Layout::Detail {

/// One glyph as HarfBuzz positioned it, in the face's 26.6 pixel units: whole pixels (advances
/// and offsets rounded halves away from zero, so that glyphs rendered with hinting sit on whole
/// pixels as DrawString places them), or for a font that draws at fractions of a pixel with
/// their fractions (see Shaper).
struct ShapedGlyph {
  std::uint32_t GlyphIndex = 0;
  std::int32_t Cluster = 0;  ///< code-unit index of the first character of its cluster
  std::int32_t XAdvance = 0;
  std::int32_t XOffset = 0;
  std::int32_t YOffset = 0;  ///< up is positive, as in HarfBuzz
  /// Cutting the text just before this glyph's cluster would change the shaping around it
  /// (HarfBuzz's HB_GLYPH_FLAG_UNSAFE_TO_BREAK): a line cut there shapes its pieces again.
  bool UnsafeToBreak = false;
};

/// A ShapedGlyph's 26.6 value in pixels, exactly (a whole value as it is).
constexpr float ShapedPixels(std::int32_t value) { return static_cast<float>(value) * 0.015625F; }

}  // namespace Vennicor::Font::Layout::Detail
