#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font/layout/TextLayout.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font::Layout::Detail {

/// A grapheme cluster on a line, for carets and hit tests: where it starts in the text (it ends
/// at the next grapheme boundary) and its edges, leading (where reading enters it) and
/// trailing. Leading is right of trailing in right-to-left text. Twelve bytes a cluster: a
/// layout has one for each.
struct CaretStop {
  std::int32_t TextStart = 0;
  float Leading = 0;
  float Trailing = 0;

  bool RightToLeft() const { return Leading > Trailing; }
  float Left() const { return RightToLeft() ? Trailing : Leading; }
  float Right() const { return RightToLeft() ? Leading : Trailing; }
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
  std::vector<CaretStop> Stops;              // line after line, each line's left to right
  std::vector<std::int32_t> GraphemeStarts;  // grapheme-cluster boundaries of Text
  float LineDistance = 0;
  Graphics::Vector2 Size;
};

}  // namespace Vennicor::Font::Layout::Detail
