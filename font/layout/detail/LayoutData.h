#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "font/layout/TextLayout.h"
#include "font/layout/TextStyle.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font::Detail {
class FontImpl;
}

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

/// A RichText run's style as the layout keeps it: which of its fonts, and what drawing needs.
struct RichStyle {
  std::uint16_t Font = 0;  // in RichData::Fonts
  std::optional<Graphics::Color> Color;
  TextDecoration Decorations = TextDecoration::None;
  std::optional<Graphics::Color> Background;
  float BaselineShift = 0;
  std::int32_t Tag = 0;
  std::int32_t Object = -1;  // in RichData::ObjectSpecs, for an object's run
};

/// What a layout of a RichText keeps beyond plain text's. Style 0 is the layout font's own,
/// unstyled (the ellipsis, text outside every run).
struct RichData {
  std::vector<std::shared_ptr<Vennicor::Font::Detail::FontImpl>> Fonts;  // 0: the layout's
  std::vector<RichStyle> Styles;
  std::vector<std::int32_t> StyleAt;     // per code unit of Text
  std::vector<std::int32_t> GlyphStyle;  // per glyph of Glyphs
  std::vector<std::uint16_t> GlyphFont;  // per glyph: its style's font, read once a glyph drawn
  std::vector<InlineObject> ObjectSpecs;
  std::vector<PlacedObject> Objects;
  std::vector<float> LineHeights;                // per line: from its top to its bottom
  std::vector<std::int32_t> LineObjectStart{0};  // Lines + 1 entries, into Objects
};

/// What a TextLayout holds: immutable once built, so that layouts of the same text and options
/// with the same font share one, but for a note drawing keeps (with the font, so on one thread
/// at a time).
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
  std::unique_ptr<RichData> Rich;  // null for plain text
  /// For a font with images at fractions of a pixel: what the passes of the last drawing that
  /// rendered them were keyed by (where each pass's origin landed, and the font's ShiftEpoch),
  /// so that drawing the layout again at the same place needs no new images; 0: none yet.
  mutable std::uint64_t ShiftedFor = 0;
  /// For the same font: each glyph's Position.X in steps of a pixel (rounded, halves to even),
  /// noted at its first drawing; empty before. The steps are the font's, which never change.
  mutable std::vector<std::int32_t> GlyphSteps;
};

}  // namespace Vennicor::Font::Layout::Detail
