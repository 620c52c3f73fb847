#pragma once

// The middle stage of laying out a paragraph: where its lines end. Greedy: each line takes the
// most break opportunities that fit the width; a word too long for a line is cut between
// grapheme clusters; the last line MaxLines allows ends with an ellipsis when text remains.

#include <cstdint>
#include <vector>

#include "font/detail/FontImpl.h"
#include "font/layout/detail/LayoutData.h"
#include "font/layout/detail/LayoutScratch.h"
#include "font/layout/detail/LinePlacer.h"
#include "font/layout/detail/ShapingContext.h"

namespace Vennicor::Font::Layout::Detail {

/// Breaks itemized paragraphs into lines, at the opportunities in the scratch, and hands each
/// line to the placer. Reads the layout's text, grapheme starts and lines so far.
class LineFitter {
 public:
  LineFitter(Vennicor::Font::Detail::FontImpl& font, ShapingContext& shaping,
             LayoutScratch& scratch, const LayoutData& layout, LinePlacer& placer,
             const LineSettings& settings)
      : font(font),
        shaping(shaping),
        s(scratch),
        layout(layout),
        placer(placer),
        settings(settings) {}

  /// Breaks and places the lines of `paragraph`; false once MaxLines cut the text short.
  bool BreakLines(const Paragraph& paragraph);
  /// The text was cut short and its last line ends with an ellipsis.
  bool Truncated() const { return truncated; }

 private:
  float Walk(std::int32_t from, std::int32_t to, float pen) {
    return WalkLine(paragraph, s, settings.TabWidth, from, to, pen);
  }
  // Inline, and defined in LineFitter.cpp, the one file that calls them: the compiler weighs
  // them as it did when the stages were one class, and folds HangingWidth, which runs at
  // every break opportunity, into the breaking loop.
  // Also tells where those spaces start, when asked.
  inline float HangingWidth(std::int32_t from, std::int32_t to,
                            std::int32_t* spacesFrom = nullptr) const;
  inline bool RestOverflows(std::int32_t from, std::int32_t to, float hanging, float& pen);
  inline std::int32_t GraphemeCut(std::int32_t lineStart, std::int32_t wordEnd);
  inline std::int32_t VisibleEnd(std::int32_t from, std::int32_t to) const;
  inline bool EmitLine(std::int32_t from, std::int32_t to, bool last);
  inline void ShapeEllipsis();

  Vennicor::Font::Detail::FontImpl& font;
  ShapingContext& shaping;
  LayoutScratch& s;
  const LayoutData& layout;
  LinePlacer& placer;
  LineSettings settings;
  bool truncated = false;
  Paragraph paragraph;  // being broken
  std::vector<ShapedGlyph> ellipsisGlyphs;
};

}  // namespace Vennicor::Font::Layout::Detail
