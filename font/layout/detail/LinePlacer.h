#pragma once

// The last stage of laying out a paragraph: each line's pieces in visual order, their glyphs
// placed on the pen with the line's caret stops, and at the end every line aligned.

#include <cstdint>
#include <span>

#include "font/layout/detail/LayoutData.h"
#include "font/layout/detail/LayoutScratch.h"
#include "font/layout/detail/ShapingContext.h"

namespace Vennicor::Font::Layout::Detail {

/// A line as breaking chose it, in code units of its paragraph.
struct BrokenLine {
  std::int32_t From = 0;
  std::int32_t VisibleEnd = 0;  // before the spaces that hang past the line's end
  std::int32_t HangingEnd = 0;  // after them: their glyphs are placed but not counted in Width
  std::int32_t TextEnd = 0;     // text index: with its line break, or all the text an ellipsis cut
  bool Justify = false;         // its spaces widen to the width if the alignment says so
  std::span<const ShapedGlyph> Ellipsis;  // empty unless the line ends the layout early
};

/// Appends lines to a layout: their glyphs, caret stops and extents. Reads the scratch the
/// itemizer filled for the line's paragraph.
class LinePlacer {
 public:
  /// Shapes again with the scratch's Shapers.
  LinePlacer(LayoutScratch& scratch, LayoutData& layout, const LineSettings& settings)
      : s(scratch),
        layout(layout),
        settings(settings),
        rich(layout.Rich.get()),
        lineAscent(settings.Ascent),
        lineHeight(settings.LineHeight) {}

  /// Places a line of `paragraph` below those placed so far.
  void PlaceLine(const Paragraph& paragraph, const BrokenLine& line);
  /// Places an empty line at text index `at`: the caret's line at the end of the text.
  void PlaceEmptyLine(std::int32_t at, bool rightToLeft);
  /// A paragraph that ended in wrapping: its line break joins the last line.
  void ExtendLastLine(std::int32_t textEnd) { layout.Lines.back().TextEnd = textEnd; }
  /// Moves each line to its alignment and sets the layout's size, once every line is placed.
  void Align();

 private:
  // Inline, and defined in LinePlacer.cpp, the one file that calls them: the compiler weighs
  // them as it did when the stages were one class, and folds Colorize and UnsafeCut into the
  // per-glyph loop (called out of line, they cost the layout 7%).
  inline void AddLine(std::int32_t textStart, std::int32_t textEnd, bool lineRightToLeft);
  inline void FinishLine();
  inline void PlaceGlyphs(const BrokenLine& line);
  inline void Segments(std::int32_t from, std::int32_t to);
  inline bool UnsafeCut(const Run& run, std::int32_t at) const;
  inline float PlaceSegment(const Segment& segment, bool segmentRightToLeft, float pen,
                            float spaceStretch);
  inline void AddStops(std::int32_t cluster, std::int32_t segmentEnd, float left, float right,
                       bool stopRightToLeft);
  inline float PlaceEllipsis(std::span<const ShapedGlyph> glyphs, float pen, std::int32_t at);
  inline void PlaceHanging(std::int32_t from, std::int32_t to, float pen);
  inline void Colorize(LayoutGlyph& glyph) const;
  inline void PlaceRich(const ShapedGlyph& glyph, const Run& run, float pen);
  inline void MeasureRichLine(std::int32_t from, std::int32_t to);

  LayoutScratch& s;
  LayoutData& layout;
  LineSettings settings;
  RichData* rich = nullptr;  // the layout's, or null for plain text
  // A RichText line's extent, each line's own; plain lines keep the settings' for all.
  float lineAscent = 0;
  float lineHeight = 0;
  double nextTop = 0;   // where the next line of a RichText starts
  Paragraph paragraph;  // of the line being placed
};

}  // namespace Vennicor::Font::Layout::Detail
