#pragma once

// What the stages of laying out a paragraph share: its runs, glyphs and per-code-unit advances
// in one per-thread scratch, and the character classes they all test.

#include <hb.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "font/layout/detail/Bidi.h"
#include "font/layout/detail/ScriptRuns.h"
#include "font/layout/detail/ShapedGlyph.h"
#include "font/layout/detail/TextBoundaries.h"

namespace Vennicor::Font::Layout::Detail {

// Characters after which a line must end; they draw nothing.
inline bool IsLineBreakCharacter(char16_t c) {
  return c == u'\n' || c == u'\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 ||
         c == 0x2029;
}

// Control characters (general category Cc) draw nothing; a tab moves to the next tab stop.
inline bool IsControl(char16_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

// Spaces that hang past the end of a line and that justification widens.
inline bool IsSpace(char16_t c) {
  if (c < 0x80) return c == u' ' || c == u'\t';  // the rest of ASCII's white space breaks lines
  return c != 0xA0 && c != 0x202F && u_isUWhiteSpace(c);
}

inline char32_t CodePointAt(std::u16string_view text, std::size_t index) {
  const char16_t unit = text[index];
  if (U16_IS_LEAD(unit) && index + 1 < text.size() && U16_IS_TRAIL(text[index + 1])) {
    return static_cast<char32_t>(U16_GET_SUPPLEMENTARY(unit, text[index + 1]));
  }
  return unit;
}

/// A run of a paragraph with one bidi level, script and face, and its shaped glyphs.
struct Run {
  std::int32_t Start = 0;
  std::int32_t End = 0;
  std::uint8_t Level = 0;
  hb_script_t Script = HB_SCRIPT_COMMON;
  std::uint16_t Face = 0;
  std::int32_t GlyphBegin = 0;  // in LayoutScratch::Glyphs, clusters relative to the paragraph
  std::int32_t GlyphEnd = 0;
};

/// A piece of a line with one run and one level, the unit of visual reordering.
struct Segment {
  std::int32_t Start = 0;
  std::int32_t End = 0;
  std::size_t RunIndex = 0;
};

/// The paragraph being laid out. Indices into it are code units from its start.
struct Paragraph {
  std::int32_t Start = 0;    // in the layout's text
  std::u16string_view Text;  // through the line break that ends it
  std::int32_t Content = 0;  // its length without that line break, which takes no room
  bool RightToLeft = false;  // its base direction

  std::u16string_view ContentText() const {
    return Text.substr(0, static_cast<std::size_t>(Content));
  }
  std::int32_t End() const { return Start + static_cast<std::int32_t>(Text.size()); }
};

/// What the stages read of a layout's options and its font's metrics, worked out once.
struct LineSettings {
  float Ascent = 0;
  float LineHeight = 0;
  float MaxWidth = 0;  // 0: lines do not wrap
  float TabWidth = 0;
  std::int32_t MaxLines = 0;
};

/// What laying out reuses from one layout to the next on a thread: ICU's iterators are costly
/// to open, and the buffers would otherwise be allocated for every layout.
struct LayoutScratch {
  LineBreaker Breaker;
  GraphemeClusters Graphemes;
  BidiParagraph Bidi;
  std::vector<LineBreakOpportunity> Breaks;
  std::vector<ScriptRun> Scripts;
  std::vector<std::uint8_t> Levels;
  std::vector<std::uint8_t> LineLevels;
  std::vector<Run> Runs;
  std::vector<ShapedGlyph> Glyphs;
  std::vector<ShapedGlyph> Reshaped;
  std::vector<float> Advance;            // per code unit of the paragraph: its cluster's advance
  std::vector<float> Extra;              // per code unit: letter spacing, tab widths
  std::vector<std::uint8_t> IsCluster;   // per code unit: starts a shaped cluster
  std::vector<std::uint8_t> IsGrapheme;  // per code unit: starts a grapheme cluster
  std::vector<Segment> Segments;
  std::vector<std::uint8_t> SegmentLevels;
  std::vector<std::int32_t> Order;
};

/// The pen after the code units [from, to) of a line of `paragraph`, starting at `pen`
/// (relative to the line's start); a tab reaches the next tab stop, and keeps that width until
/// walked again. Inline: line breaking calls it for every break opportunity.
inline float WalkLine(const Paragraph& paragraph, LayoutScratch& s, float tabWidth,
                      std::int32_t from, std::int32_t to, float pen) {
  for (std::int32_t i = from; i < to; ++i) {
    const auto index = static_cast<std::size_t>(i);
    if (paragraph.Text[index] == u'\t' && tabWidth > 0) {
      const float stop = (std::floor(pen / tabWidth) + 1) * tabWidth;
      s.Extra[index] = stop - pen;
    }
    pen += s.Advance[index] + s.Extra[index];
  }
  return pen;
}

}  // namespace Vennicor::Font::Layout::Detail
