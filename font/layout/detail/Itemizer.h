#pragma once

// The first stage of laying out a paragraph: its bidi levels, its runs of one level, script
// and face, their glyphs, and what each code unit advances the pen.

#include <cstdint>

#include "font/detail/FontImpl.h"
#include "font/layout/detail/LayoutData.h"
#include "font/layout/detail/LayoutScratch.h"
#include "font/layout/detail/ShapingContext.h"

namespace Vennicor::Font::Layout::Detail {

/// Fills the scratch for one paragraph after another: its bidi analysis, Runs and Glyphs, and
/// the per-code-unit Advance, Extra, IsCluster and IsGrapheme that line breaking sums and
/// placement reads. Reads the layout's text, options and grapheme starts.
class Itemizer {
 public:
  /// Shapes with the scratch's Fonts and Shapers.
  Itemizer(LayoutScratch& scratch, const LayoutData& layout) : s(scratch), layout(layout) {}

  /// Itemizes the paragraph [start, end) of the layout's text, its line break included.
  Paragraph Itemize(std::int32_t start, std::int32_t end);

 private:
  // Inline, and defined in Itemizer.cpp, the one file that calls them: the compiler weighs
  // them as it did when the stages were one class.
  inline void SplitAndShape();
  inline void Measure();

  LayoutScratch& s;
  const LayoutData& layout;
  Paragraph paragraph;
};

}  // namespace Vennicor::Font::Layout::Detail
