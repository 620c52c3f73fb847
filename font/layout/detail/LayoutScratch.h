#pragma once

// What the stages of laying out a paragraph share: its runs, glyphs and per-code-unit advances
// in one per-thread scratch, and the character classes they all test.

#include <hb.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "font/layout/detail/Bidi.h"
#include "font/layout/detail/LayoutData.h"
#include "font/layout/detail/ScriptRuns.h"
#include "font/layout/detail/ShapedGlyph.h"
#include "font/layout/detail/Shaper.h"
#include "font/layout/detail/TextBoundaries.h"

namespace Vennicor::Font::Detail {
class FontImpl;
}

namespace Vennicor::Font::Layout::Detail {

class ShapingContext;

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
  std::uint16_t Font = 0;    // in LayoutScratch::Fonts
  std::int32_t Shaping = 0;  // in LayoutScratch::ShapingClasses
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

/// Spacings in pixels beyond this are taken as this: with at most 2^30 code units a line, no
/// pen position can then leave float's finite range.
inline constexpr float LargestSpacing = 16777216.0F;
/// Line spacing factors beyond this are taken as this, for the same reason.
inline constexpr float LargestLineSpacing = 65536.0F;

/// The letter spacing a layout uses: a non-finite value is the default, 0.
inline float UsableLetterSpacing(float spacing) {
  return std::isfinite(spacing) ? std::clamp(spacing, -LargestSpacing, LargestSpacing) : 0.0F;
}
/// The tab width a layout uses; 0 (the default: eight spaces) for a value that is not finite or
/// not positive. Tab stops closer than a 64th of a pixel are a 64th apart.
inline float UsableTabWidth(float width) {
  if (!std::isfinite(width) || width <= 0) return 0;
  return std::clamp(width, 1.0F / 64, LargestSpacing);
}
/// The line spacing factor a layout uses: a non-finite value is the default, 1.
inline float UsableLineSpacing(float factor) {
  return std::isfinite(factor) ? std::clamp(factor, -LargestLineSpacing, LargestLineSpacing) : 1.0F;
}

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
  std::vector<float> LinePens;         // per code unit of a line: the pen before it
  std::vector<std::int32_t> SpanAt;    // per code unit of the text: its colour span, or -1
  std::vector<std::int32_t> SpanSkip;  // reused by MapColorSpans
  // The fonts a layout shapes with and their shapers: the layout's own first, then those of a
  // RichText's runs. Set for each layout.
  std::vector<Vennicor::Font::Detail::FontImpl*> Fonts;
  std::vector<ShapingContext*> Shapers;
  // Features and language runs are shaped with; 0 is the options'. A RichText's styles with
  // one font, features and language share one.
  std::vector<ShapingFeatures> ShapingClasses;
  std::vector<std::int32_t> StyleShaping;  // per RichData style: its shaping class
};

/// What a run of shaping class `shaping` is shaped with: null for the plain default (no
/// features, the default language), so that plain text shapes and caches as it always has.
inline const ShapingFeatures* FeaturesOf(const LayoutScratch& s, std::int32_t shaping) {
  const ShapingFeatures& features = s.ShapingClasses[static_cast<std::size_t>(shaping)];
  return features.Key.empty() ? nullptr : &features;
}

/// Gives each glyph of an inline object's U+FFFC the object's width and no offset: the text
/// flows around the box, and no glyph of the font shows for it. [first, last) are glyphs of a
/// paragraph starting at `paragraphStart`.
inline void SizeObjects(const RichData* rich, std::int32_t paragraphStart, ShapedGlyph* first,
                        ShapedGlyph* last) {
  if (rich == nullptr || rich->ObjectSpecs.empty()) return;
  std::int32_t sized = -1;
  for (ShapedGlyph* glyph = first; glyph != last; ++glyph) {
    const std::int32_t style =
        rich->StyleAt[static_cast<std::size_t>(paragraphStart + glyph->Cluster)];
    const std::int32_t object = rich->Styles[static_cast<std::size_t>(style)].Object;
    if (object < 0) continue;
    const float width = rich->ObjectSpecs[static_cast<std::size_t>(object)].Size.X;
    glyph->XAdvance =
        glyph->Cluster == sized ? 0 : static_cast<std::int32_t>(std::lround(width * 64));
    glyph->XOffset = 0;
    glyph->YOffset = 0;
    sized = glyph->Cluster;
  }
}

/// The pen after code unit `index` of a line of `paragraph`, from `pen` before it (relative to
/// the line's start); a tab reaches the next tab stop, and keeps that width until walked again.
inline float WalkUnit(const Paragraph& paragraph, LayoutScratch& s, float tabWidth,
                      std::size_t index, float pen) {
  if (paragraph.Text[index] == u'\t' && tabWidth > 0) {
    const float stop = (std::floor(pen / tabWidth) + 1) * tabWidth;
    s.Extra[index] = stop - pen;
  }
  return pen + (s.Advance[index] + s.Extra[index]);
}

/// The pen after the code units [from, to) of a line of `paragraph`, starting at `pen`.
/// Inline: line breaking calls it for every break opportunity.
inline float WalkLine(const Paragraph& paragraph, LayoutScratch& s, float tabWidth,
                      std::int32_t from, std::int32_t to, float pen) {
  for (std::int32_t i = from; i < to; ++i) {
    pen = WalkUnit(paragraph, s, tabWidth, static_cast<std::size_t>(i), pen);
  }
  return pen;
}

}  // namespace Vennicor::Font::Layout::Detail
