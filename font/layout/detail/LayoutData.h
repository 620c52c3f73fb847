#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font/detail/GlyphEntry.h"
#include "font/layout/TextLayout.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font::Layout::Detail {

/// A grapheme cluster's extent on a line, for carets and hit tests.
struct CaretStop {
  std::int32_t TextStart = 0;
  std::int32_t TextEnd = 0;
  float Left = 0;
  float Right = 0;
  bool RightToLeft = false;
};

/// What a TextLayout holds: immutable once built, so that layouts of the same text and options
/// with the same font share one.
struct LayoutData {
  std::u16string Text;
  TextLayoutOptions Options;
  std::vector<LayoutLine> Lines;
  std::vector<std::int32_t> LineGlyphStart{0};  // Lines + 1 entries
  std::vector<std::int32_t> LineStopStart{0};   // Lines + 1 entries
  std::vector<LayoutGlyph> Glyphs;
  /// The font's record of each glyph (stable for the font's life): where drawing finds its
  /// image without a lookup.
  std::vector<const ::Vennicor::Font::Detail::GlyphEntry*> Entries;
  std::vector<CaretStop> Stops;              // line after line, each line's left to right
  std::vector<std::int32_t> GraphemeStarts;  // grapheme-cluster boundaries of Text
  float LineDistance = 0;
  Graphics::Vector2 Size;
};

}  // namespace Vennicor::Font::Layout::Detail
