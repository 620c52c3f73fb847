#include "font/layout/detail/LineFitter.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "font/faces/detail/FixedPoint.h"

namespace Vennicor::Font::Layout::Detail {

namespace {

// What ends a line cut short by MaxLines, or three full stops in a face without it.
constexpr std::u16string_view Ellipsis = u"\u2026";
constexpr std::u16string_view Dots = u"...";

}  // namespace

bool LineFitter::BreakLines(const Paragraph& itemized) {
  paragraph = itemized;
  const std::int32_t start = paragraph.Start;
  const std::int32_t content = paragraph.Content;
  const float maxWidth = settings.MaxWidth;
  // Greedy breaking: each line takes the most break opportunities that fit.
  std::int32_t lineStart = 0;
  if (maxWidth > 0) {
    std::int32_t lastFit = -1;
    std::int32_t position = 0;
    float pen = 0;
    auto opportunity =
        std::upper_bound(s.Breaks.begin(), s.Breaks.end(), start,
                         [](std::int32_t index, const auto& o) { return index < o.Index; });
    for (; opportunity != s.Breaks.end(); ++opportunity) {
      // The paragraph's own end is where its content ends, before its line break.
      const std::int32_t at = std::min(opportunity->Index - start, content);
      if (at <= lineStart) continue;
      pen = Walk(position, at, pen);
      position = at;
      // The spaces that end the piece hang; their width is worked out once for every line the
      // piece is cut into, unless a cut falls among them.
      std::int32_t spacesFrom = 0;
      float hanging = HangingWidth(lineStart, at, &spacesFrom);
      bool overflows = pen - hanging > maxWidth + 0.001F;
      while (overflows) {
        std::int32_t cut = lastFit;
        if (cut <= lineStart) cut = GraphemeCut(lineStart, at);
        if (!EmitLine(lineStart, cut, false)) return false;
        lineStart = cut;
        lastFit = -1;
        if (lineStart >= at) {
          pen = 0;
          break;
        }
        if (lineStart > spacesFrom) {
          hanging = HangingWidth(lineStart, at, &spacesFrom);
        }
        overflows = RestOverflows(lineStart, at, hanging, pen);
      }
      lastFit = at;
      if (at == content) break;
    }
  }
  // The rest of the paragraph; an empty paragraph still makes a line.
  if (lineStart < content || lineStart == 0) return EmitLine(lineStart, content, true);
  placer.ExtendLastLine(paragraph.End());
  return true;
}

// Width of the spaces that end [from, to): they hang past the line's end.
float LineFitter::HangingWidth(std::int32_t from, std::int32_t to, std::int32_t* spacesFrom) const {
  float width = 0;
  std::int32_t i = to;
  for (; i > from && IsSpace(paragraph.Text[static_cast<std::size_t>(i - 1)]); --i) {
    width += s.Advance[static_cast<std::size_t>(i - 1)] + s.Extra[static_cast<std::size_t>(i - 1)];
  }
  if (spacesFrom != nullptr) *spacesFrom = i;
  return width;
}

// Walks [from, to) from the line's start and tells whether the pen passes the width (the
// hanging spaces aside). It stops as soon as it does: the pen only grows, unless clusters are
// narrower than nothing (letter spacing below their advance), and then the line ends where the
// pen first passes the width. Only a walk that reaches `to` leaves the pen of the whole piece,
// and its tab widths, in place; after one that stops, the piece is cut and walked again.
bool LineFitter::RestOverflows(std::int32_t from, std::int32_t to, float hanging, float& pen) {
  const float limit = settings.MaxWidth + 0.001F;
  pen = 0;
  for (std::int32_t i = from; i < to; ++i) {
    pen = WalkUnit(paragraph, s, settings.TabWidth, static_cast<std::size_t>(i), pen);
    if (pen - hanging > limit) return true;
  }
  return false;
}

// Where a word too long for a line is cut: after the most grapheme clusters that fit, and
// after one at least. Linear in the clusters it looks at: the width of the spaces that end the
// line so far is carried from one cluster to the next.
std::int32_t LineFitter::GraphemeCut(std::int32_t lineStart, std::int32_t wordEnd) {
  const auto& starts = layout.GraphemeStarts;
  const std::int32_t paragraphStart = paragraph.Start;
  auto grapheme = std::upper_bound(starts.begin(), starts.end(), paragraphStart + lineStart);
  std::int32_t cut = std::min(*grapheme - paragraphStart, wordEnd);
  float pen = Walk(lineStart, cut, 0);
  float hanging = HangingWidth(lineStart, cut);
  for (++grapheme; grapheme != starts.end() && *grapheme - paragraphStart < wordEnd; ++grapheme) {
    const std::int32_t next = *grapheme - paragraphStart;
    const float wider = Walk(cut, next, pen);
    // A cluster of spaces lengthens the spaces that end the line; any other ends them.
    const float widerHanging =
        VisibleEnd(cut, next) == cut ? hanging + HangingWidth(cut, next) : HangingWidth(cut, next);
    if (wider - widerHanging > settings.MaxWidth) break;
    pen = wider;
    hanging = widerHanging;
    cut = next;
  }
  return cut;
}

// The visible end of [from, to): before the spaces that hang.
std::int32_t LineFitter::VisibleEnd(std::int32_t from, std::int32_t to) const {
  while (to > from && IsSpace(paragraph.Text[static_cast<std::size_t>(to - 1)])) --to;
  return to;
}

// Places the line [from, to) of the paragraph; `last` says it ends the paragraph. False when
// MaxLines stops the layout here.
bool LineFitter::EmitLine(std::int32_t from, std::int32_t to, bool last) {
  const std::int32_t paragraphEnd = paragraph.End();
  const bool finalLine = static_cast<std::int32_t>(layout.Lines.size()) + 1 >= settings.MaxLines;
  const bool moreText = !last || paragraphEnd < static_cast<std::int32_t>(layout.Text.size());
  const bool ellipsis = finalLine && moreText;

  Walk(from, to, 0);  // tab widths for this line
  std::int32_t visible = VisibleEnd(from, to);
  ellipsisGlyphs.clear();
  float ellipsisWidth = 0;
  if (ellipsis) {
    ShapeEllipsis();
    for (const ShapedGlyph& glyph : ellipsisGlyphs) {
      ellipsisWidth += ShapedPixels(glyph.XAdvance);
    }
    // Drop whole grapheme clusters until the line and the ellipsis fit, reading the pen before
    // each from one walk of the line.
    const auto& starts = layout.GraphemeStarts;
    if (settings.MaxWidth > 0 && visible > from) {
      s.LinePens.resize(static_cast<std::size_t>(visible - from) + 1);
      float pen = 0;
      s.LinePens[0] = 0;
      for (std::int32_t i = from; i < visible; ++i) {
        pen = Walk(i, i + 1, pen);
        s.LinePens[static_cast<std::size_t>(i - from) + 1] = pen;
      }
      // The walk left the tab widths of the whole line, as EmitLine's own walk did.
      while (visible > from &&
             s.LinePens[static_cast<std::size_t>(visible - from)] + ellipsisWidth >
                 settings.MaxWidth) {
        auto grapheme =
            std::lower_bound(starts.begin(), starts.end(), paragraph.Start + visible) - 1;
        visible = std::max(from, *grapheme - paragraph.Start);
        visible = VisibleEnd(from, visible);
      }
    }
  }

  BrokenLine line;
  line.From = from;
  line.VisibleEnd = visible;
  line.HangingEnd = ellipsis ? visible : to;
  line.TextEnd = ellipsis || last ? paragraphEnd : paragraph.Start + to;
  line.Justify = !last && !ellipsis;
  line.Ellipsis = ellipsisGlyphs;
  placer.PlaceLine(paragraph, line);
  if (ellipsis) truncated = true;
  return !finalLine || !moreText;
}

void LineFitter::ShapeEllipsis() {
  const std::u16string_view mark = font.FaceHas(0, U'\u2026') ? Ellipsis : Dots;
  const auto& glyphs =
      shaping.Shape(0, {mark, 0, static_cast<std::int32_t>(mark.size()), HB_SCRIPT_COMMON, false});
  ellipsisGlyphs.assign(glyphs.begin(), glyphs.end());
}

}  // namespace Vennicor::Font::Layout::Detail
