#pragma once

#include <cstdint>

namespace Vennicor::Font::Layout::Detail {

/// One glyph as HarfBuzz positioned it, in the face's 26.6 pixel units. The layout rounds
/// advances and offsets to whole pixels, halves away from zero (Pixels26Dot6Rounded), so that
/// glyphs rendered with hinting sit on whole pixels as DrawString places them.
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

}  // namespace Vennicor::Font::Layout::Detail
