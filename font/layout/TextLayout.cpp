#include "font/layout/TextLayout.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/layout/detail/Itemizer.h"
#include "font/layout/detail/LayoutData.h"
#include "font/layout/detail/LayoutScratch.h"
#include "font/layout/detail/LayoutServices.h"
#include "font/text/Utf.h"

namespace Vennicor::Font {

namespace {

using Layout::Detail::PixelsOf26Dot6;
using Layout::Detail::ShapedGlyph;

constexpr std::u16string_view Space = u" ";
// What ends a line cut short by MaxLines, or three full stops in a face without it.
constexpr std::u16string_view Ellipsis = u"\u2026";
constexpr std::u16string_view Dots = u"...";

using Layout::Detail::IsControl;
using Layout::Detail::IsLineBreakCharacter;
using Layout::Detail::IsSpace;
using Layout::Detail::LayoutScratch;
using Layout::Detail::Run;
using Layout::Detail::Segment;

LayoutScratch& ThreadScratch() {
  thread_local LayoutScratch scratch;
  return scratch;
}

}  // namespace

// Lays a text out paragraph by paragraph: itemizes each into runs (bidi level, script, face),
// shapes the runs, breaks lines greedily at the break opportunities that fit, then orders each
// line's pieces visually and places their glyphs.
class TextLayoutBuilder {
 public:
  TextLayoutBuilder(Detail::FontImpl& font, Layout::Detail::LayoutData& layout,
                    LayoutScratch& scratch)
      : font(font),
        layout(layout),
        s(scratch),
        shaping(Layout::Detail::LayoutServices::Of(font).Shaping),
        itemizer(font, shaping, scratch, layout) {}

  void Build() {
    const TextLayoutOptions& options = layout.Options;
    const Detail::FaceMetrics& metrics = font.Metrics();
    ascent = static_cast<float>(metrics.Ascent);
    lineHeight = static_cast<float>(metrics.LineHeight);
    layout.LineDistance = static_cast<float>(metrics.LineHeight + metrics.Leading) *
                          (std::isfinite(options.LineSpacing) ? options.LineSpacing : 1.0F);
    maxWidth = std::isfinite(options.MaxWidth) && options.MaxWidth > 0 ? options.MaxWidth : 0;
    tabWidth = options.TabWidth > 0 ? options.TabWidth : 8 * SpaceAdvance();
    maxLines = options.MaxLines > 0 ? options.MaxLines : std::numeric_limits<std::int32_t>::max();

    const std::u16string_view whole = layout.Text;
    s.Breaker.Find(whole, s.Breaks);
    s.Graphemes.Find(whole, layout.GraphemeStarts);

    std::int32_t nextParagraph = 0;
    const auto length = static_cast<std::int32_t>(whole.size());
    for (const auto& opportunity : s.Breaks) {
      if (!opportunity.Mandatory && opportunity.Index != length) continue;
      if (!LayOutParagraph(nextParagraph, opportunity.Index)) break;
      nextParagraph = opportunity.Index;
    }
    // Empty text, or text that ends with a line break, ends with an empty line (for the caret).
    if (!truncated && static_cast<std::int32_t>(layout.Lines.size()) < maxLines &&
        (whole.empty() || IsLineBreakCharacter(whole.back()))) {
      const bool lastRightToLeft = options.Direction == TextDirection::RightToLeft;
      AddLine(length, length, 0, lastRightToLeft);
      FinishLine();
    }
    Align();
    // Every glyph's image, rendered now so that drawing only uploads. Runs went to the face
    // that has their characters (the font's own, or a fallback); glyphs are found by (face,
    // glyph index).
    for (const LayoutGlyph& glyph : layout.Glyphs) font.GlyphOfIndex(glyph.GlyphIndex, glyph.Face);
  }

 private:
  // Advance of a space of the font's own face, in pixels.
  float SpaceAdvance() {
    const auto& glyphs = shaping.Shape(0, {Space, 0, 1, HB_SCRIPT_COMMON, false});
    return glyphs.empty() ? 0.0F : static_cast<float>(PixelsOf26Dot6(glyphs[0].XAdvance));
  }

  // Lays out the paragraph [start, end) of the text; false once MaxLines cut the text short.
  bool LayOutParagraph(std::int32_t start, std::int32_t end) {
    const Layout::Detail::Paragraph itemized = itemizer.Itemize(start, end);
    paragraphStart = itemized.Start;
    paragraph = itemized.Text;
    content = itemized.Content;
    rightToLeft = itemized.RightToLeft;

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
        while (pen - HangingWidth(lineStart, at) > maxWidth + 0.001F) {
          std::int32_t cut = lastFit;
          if (cut <= lineStart) cut = GraphemeCut(lineStart, at);
          if (!EmitLine(lineStart, cut, false, end)) return false;
          lineStart = cut;
          lastFit = -1;
          pen = Walk(lineStart, at, 0);
          if (lineStart >= at) break;
        }
        lastFit = at;
        if (at == content) break;
      }
    }
    // The rest of the paragraph; an empty paragraph still makes a line.
    if (lineStart < content || lineStart == 0) return EmitLine(lineStart, content, true, end);
    // A paragraph that ended in wrapping: its line break joins the last line.
    layout.Lines.back().TextEnd = end;
    return true;
  }

  // The pen after the code units [from, to) of a line, starting at `pen` (relative to the
  // line's start); a tab reaches the next tab stop, and keeps that width until walked again.
  float Walk(std::int32_t from, std::int32_t to, float pen) {
    for (std::int32_t i = from; i < to; ++i) {
      const auto index = static_cast<std::size_t>(i);
      if (paragraph[index] == u'\t' && tabWidth > 0) {
        const float stop = (std::floor(pen / tabWidth) + 1) * tabWidth;
        s.Extra[index] = stop - pen;
      }
      pen += s.Advance[index] + s.Extra[index];
    }
    return pen;
  }

  // Width of the spaces that end [from, to): they hang past the line's end.
  float HangingWidth(std::int32_t from, std::int32_t to) const {
    float width = 0;
    for (std::int32_t i = to; i > from && IsSpace(paragraph[static_cast<std::size_t>(i - 1)]);
         --i) {
      width +=
          s.Advance[static_cast<std::size_t>(i - 1)] + s.Extra[static_cast<std::size_t>(i - 1)];
    }
    return width;
  }

  // Where a word too long for a line is cut: after the most grapheme clusters that fit, and
  // after one at least.
  std::int32_t GraphemeCut(std::int32_t lineStart, std::int32_t wordEnd) {
    const auto& starts = layout.GraphemeStarts;
    auto grapheme = std::upper_bound(starts.begin(), starts.end(), paragraphStart + lineStart);
    std::int32_t cut = std::min(*grapheme - paragraphStart, wordEnd);
    float pen = Walk(lineStart, cut, 0);
    for (++grapheme; grapheme != starts.end() && *grapheme - paragraphStart < wordEnd; ++grapheme) {
      const std::int32_t next = *grapheme - paragraphStart;
      const float wider = Walk(cut, next, pen);
      if (wider - HangingWidth(lineStart, next) > maxWidth) break;
      pen = wider;
      cut = next;
    }
    return cut;
  }

  // The visible end of [from, to): before the spaces that hang.
  std::int32_t VisibleEnd(std::int32_t from, std::int32_t to) const {
    while (to > from && IsSpace(paragraph[static_cast<std::size_t>(to - 1)])) --to;
    return to;
  }

  // Places the line [from, to) of the paragraph. `last` says it ends the paragraph, whose text
  // ends at `paragraphEnd` (text index). False when MaxLines stops the layout here.
  bool EmitLine(std::int32_t from, std::int32_t to, bool last, std::int32_t paragraphEnd) {
    const bool finalLine = static_cast<std::int32_t>(layout.Lines.size()) + 1 >= maxLines;
    const bool moreText = !last || paragraphEnd < static_cast<std::int32_t>(layout.Text.size());
    const bool ellipsis = finalLine && moreText;

    Walk(from, to, 0);  // tab widths for this line
    std::int32_t visible = VisibleEnd(from, to);
    ellipsisGlyphs.clear();
    float ellipsisWidth = 0;
    if (ellipsis) {
      ShapeEllipsis();
      for (const ShapedGlyph& glyph : ellipsisGlyphs) {
        ellipsisWidth += static_cast<float>(PixelsOf26Dot6(glyph.XAdvance));
      }
      // Drop whole grapheme clusters until the line and the ellipsis fit.
      const auto& starts = layout.GraphemeStarts;
      while (maxWidth > 0 && visible > from && Walk(from, visible, 0) + ellipsisWidth > maxWidth) {
        auto grapheme =
            std::lower_bound(starts.begin(), starts.end(), paragraphStart + visible) - 1;
        visible = std::max(from, *grapheme - paragraphStart);
        visible = VisibleEnd(from, visible);
      }
    }

    const std::int32_t lineEnd = ellipsis || last ? paragraphEnd : paragraphStart + to;
    AddLine(paragraphStart + from, lineEnd, 0, rightToLeft);
    PlaceGlyphs(from, visible, ellipsis, !last && !ellipsis);
    FinishLine();
    if (ellipsis) truncated = true;
    return !finalLine || !moreText;
  }

  void ShapeEllipsis() {
    const std::u16string_view mark = font.FaceHas(0, U'\u2026') ? Ellipsis : Dots;
    const auto& glyphs = shaping.Shape(
        0, {mark, 0, static_cast<std::int32_t>(mark.size()), HB_SCRIPT_COMMON, false});
    ellipsisGlyphs.assign(glyphs.begin(), glyphs.end());
  }

  void AddLine(std::int32_t textStart, std::int32_t textEnd, float width, bool lineRightToLeft) {
    const auto index = static_cast<float>(layout.Lines.size());
    LayoutLine line;
    line.TextStart = textStart;
    line.TextEnd = textEnd;
    line.Width = width;
    line.Top = std::round(index * layout.LineDistance);
    line.Baseline = line.Top + ascent;
    line.RightToLeft = lineRightToLeft;
    layout.Lines.push_back(line);
  }

  void FinishLine() {
    layout.LineGlyphStart.push_back(static_cast<std::int32_t>(layout.Glyphs.size()));
    layout.LineStopStart.push_back(static_cast<std::int32_t>(layout.Stops.size()));
  }

  // The glyphs of [from, visibleEnd) in visual order, then the line's width.
  void PlaceGlyphs(std::int32_t from, std::int32_t visibleEnd, bool ellipsis, bool justify) {
    LayoutLine& line = layout.Lines.back();
    float pen = 0;
    if (ellipsis && rightToLeft) pen = PlaceEllipsis(pen, visibleEnd);

    float spaceStretch = 0;
    if (justify && maxWidth > 0 && layout.Options.Alignment == TextAlignment::Justify) {
      std::int32_t spaces = 0;
      for (std::int32_t i = from; i < visibleEnd; ++i) {
        if (paragraph[static_cast<std::size_t>(i)] == u' ') ++spaces;
      }
      if (spaces > 0)
        spaceStretch = (maxWidth - Walk(from, visibleEnd, 0)) / static_cast<float>(spaces);
      spaceStretch = std::max(spaceStretch, 0.0F);
    }

    Segments(from, visibleEnd);
    Layout::Detail::BidiParagraph::VisualOrder(s.SegmentLevels, s.Order);
    for (const std::int32_t logical : s.Order) {
      const Segment& segment = s.Segments[static_cast<std::size_t>(logical)];
      const bool segmentRightToLeft =
          (s.SegmentLevels[static_cast<std::size_t>(logical)] & 1U) != 0;
      pen = PlaceSegment(segment, segmentRightToLeft, pen, spaceStretch);
    }
    if (ellipsis && !rightToLeft) pen = PlaceEllipsis(pen, visibleEnd);
    line.Width = pen;
  }

  // Splits [from, to) where the run or the line's bidi level changes.
  void Segments(std::int32_t from, std::int32_t to) {
    s.Segments.clear();
    s.SegmentLevels.clear();
    if (from >= to) return;
    s.Bidi.LineLevels(from, to, s.LineLevels);
    std::size_t run = 0;
    for (std::int32_t i = from; i < to; ++i) {
      while (s.Runs[run].End <= i) ++run;
      const std::uint8_t level = s.LineLevels[static_cast<std::size_t>(i - from)];
      if (s.Segments.empty() || s.Segments.back().RunIndex != run ||
          s.SegmentLevels.back() != level) {
        s.Segments.push_back({i, i + 1, run});
        s.SegmentLevels.push_back(level);
      } else {
        s.Segments.back().End = i + 1;
      }
    }
  }

  // Cutting a run at `at` would change its shaping: a cluster cut apart, or HarfBuzz's flag.
  bool UnsafeCut(const Run& run, std::int32_t at) const {
    if (at <= run.Start || at >= run.End) return false;
    if (s.IsCluster[static_cast<std::size_t>(at)] == 0) return true;
    // The run's glyphs are in logical order: those of the cluster at `at` are together.
    const ShapedGlyph* end = s.Glyphs.data() + run.GlyphEnd;
    for (const ShapedGlyph *glyph = std::lower_bound(
             static_cast<const ShapedGlyph*>(s.Glyphs.data() + run.GlyphBegin), end, at,
             [](const ShapedGlyph&g, std::int32_t cluster) { return g.Cluster < cluster; });
         glyph != end && glyph->Cluster == at; ++glyph) {
      if (glyph->UnsafeToBreak) return true;
    }
    return false;
  }

  float PlaceSegment(const Segment& segment, bool segmentRightToLeft, float pen,
                     float spaceStretch) {
    const Run& run = s.Runs[segment.RunIndex];
    const ShapedGlyph* first = nullptr;
    const ShapedGlyph* last = nullptr;
    if (UnsafeCut(run, segment.Start) || UnsafeCut(run, segment.End)) {
      // A line cut through shaping context: shape the piece on its own.
      const auto& shaped =
          shaping.Shape(run.Face, {paragraph.substr(0, static_cast<std::size_t>(content)),
                                   segment.Start, segment.End, run.Script, (run.Level & 1U) != 0});
      s.Reshaped.clear();
      for (ShapedGlyph glyph : shaped) {
        glyph.Cluster += segment.Start;
        s.Reshaped.push_back(glyph);
      }
      first = s.Reshaped.data();
      last = first + s.Reshaped.size();
    } else {
      const ShapedGlyph* begin = s.Glyphs.data() + run.GlyphBegin;
      const ShapedGlyph* end = s.Glyphs.data() + run.GlyphEnd;
      first =
          std::lower_bound(begin, end, segment.Start,
                           [](const ShapedGlyph& g, std::int32_t at) { return g.Cluster < at; });
      last = std::lower_bound(first, end, segment.End,
                              [](const ShapedGlyph& g, std::int32_t at) { return g.Cluster < at; });
    }
    const auto count = last - first;
    float clusterLeft = pen;
    for (std::ptrdiff_t k = 0; k < count; ++k) {
      const ShapedGlyph& glyph = segmentRightToLeft ? first[count - 1 - k] : first[k];
      const auto cluster = static_cast<std::size_t>(glyph.Cluster);
      const char16_t c = paragraph[cluster];
      if (!IsControl(c)) {
        // Filled in place: a copy of a glyph built field by field on the stack made the CPU
        // wait for its narrow stores to reach the wide load (a third of this function's time).
        LayoutGlyph& placed = layout.Glyphs.emplace_back();
        placed.GlyphIndex = glyph.GlyphIndex;
        placed.Face = run.Face;
        placed.Position = {
            pen + static_cast<float>(PixelsOf26Dot6(glyph.XOffset)),
            layout.Lines.back().Baseline - static_cast<float>(PixelsOf26Dot6(glyph.YOffset))};
        placed.Advance = static_cast<float>(PixelsOf26Dot6(glyph.XAdvance));
        placed.TextIndex = paragraphStart + glyph.Cluster;
        Colorize(placed);
        pen += placed.Advance;
      }
      const bool clusterEnds =
          k + 1 == count ||
          (segmentRightToLeft ? first[count - 2 - k] : first[k + 1]).Cluster != glyph.Cluster;
      if (clusterEnds) {
        pen += s.Extra[cluster];
        if (c == u' ') pen += spaceStretch;
        AddStops(glyph.Cluster, segment.End, clusterLeft, pen, segmentRightToLeft);
        clusterLeft = pen;
      }
    }
    return pen;
  }

  // Caret stops for the shaped cluster starting at `cluster`: one per grapheme cluster in it,
  // sharing its width evenly (the parts of a ligature), left to right.
  void AddStops(std::int32_t cluster, std::int32_t segmentEnd, float left, float right,
                bool stopRightToLeft) {
    std::int32_t end = cluster + 1;
    std::int32_t parts = 1;
    for (; end < segmentEnd && s.IsCluster[static_cast<std::size_t>(end)] == 0; ++end) {
      parts += s.IsGrapheme[static_cast<std::size_t>(end)];
    }
    const float width = (right - left) / static_cast<float>(parts);
    std::int32_t part = 0;
    for (std::int32_t i = cluster; i < end; ++i) {
      if (i > cluster && s.IsGrapheme[static_cast<std::size_t>(i)] == 0) continue;
      const auto visual = static_cast<float>(stopRightToLeft ? parts - 1 - part : part);
      const float partLeft = left + visual * width;
      const float partRight = parts == 1 ? right : partLeft + width;
      layout.Stops.push_back({paragraphStart + i, stopRightToLeft ? partRight : partLeft,
                              stopRightToLeft ? partLeft : partRight});
      ++part;
    }
    if (stopRightToLeft && parts > 1) {
      std::reverse(layout.Stops.end() - parts, layout.Stops.end());
    }
  }

  float PlaceEllipsis(float pen, std::int32_t at) {
    for (const ShapedGlyph& glyph : ellipsisGlyphs) {
      LayoutGlyph placed;
      placed.GlyphIndex = glyph.GlyphIndex;
      placed.Position = {
          pen + static_cast<float>(PixelsOf26Dot6(glyph.XOffset)),
          layout.Lines.back().Baseline - static_cast<float>(PixelsOf26Dot6(glyph.YOffset))};
      placed.Advance = static_cast<float>(PixelsOf26Dot6(glyph.XAdvance));
      placed.TextIndex = paragraphStart + at;
      Colorize(placed);
      layout.Glyphs.push_back(placed);
      pen += placed.Advance;
    }
    return pen;
  }

  void Colorize(LayoutGlyph& glyph) const {
    for (const ColorSpan& span : layout.Options.ColorSpans) {
      if (glyph.TextIndex >= span.Start &&
          static_cast<std::int64_t>(glyph.TextIndex) <
              static_cast<std::int64_t>(span.Start) + span.Length) {
        glyph.HasSpanColor = true;
        glyph.SpanColor = span.Color;
      }
    }
  }

  // Moves each line to its alignment and sets the layout's size.
  void Align() {
    float widest = 0;
    for (const LayoutLine& line : layout.Lines) widest = std::max(widest, line.Width);
    const float box = maxWidth > 0 ? maxWidth : widest;
    for (std::size_t i = 0; i < layout.Lines.size(); ++i) {
      LayoutLine& line = layout.Lines[i];
      float x = 0;
      switch (layout.Options.Alignment) {
        case TextAlignment::Center:
          x = std::round((box - line.Width) / 2);
          break;
        case TextAlignment::Right:
          x = box - line.Width;
          break;
        case TextAlignment::Left:
        case TextAlignment::Justify:
          break;
      }
      x = std::round(x);
      line.X = x;
      if (x == 0) continue;
      const auto glyphBegin = static_cast<std::size_t>(layout.LineGlyphStart[i]);
      const auto glyphEnd = static_cast<std::size_t>(layout.LineGlyphStart[i + 1]);
      for (std::size_t g = glyphBegin; g < glyphEnd; ++g) layout.Glyphs[g].Position.X += x;
      const auto stopBegin = static_cast<std::size_t>(layout.LineStopStart[i]);
      const auto stopEnd = static_cast<std::size_t>(layout.LineStopStart[i + 1]);
      for (std::size_t k = stopBegin; k < stopEnd; ++k) {
        layout.Stops[k].Leading += x;
        layout.Stops[k].Trailing += x;
      }
    }
    layout.Size = {widest, layout.Lines.back().Top + lineHeight};
  }

  Detail::FontImpl& font;
  Layout::Detail::LayoutData& layout;
  LayoutScratch& s;
  Layout::Detail::ShapingContext& shaping;
  Layout::Detail::Itemizer itemizer;
  float ascent = 0;
  float lineHeight = 0;
  float maxWidth = 0;
  float tabWidth = 0;
  std::int32_t maxLines = 0;
  bool truncated = false;

  // The paragraph being laid out.
  std::int32_t paragraphStart = 0;
  std::u16string_view paragraph;
  std::int32_t content = 0;  // its length without the line break that ends it
  bool rightToLeft = false;
  std::vector<ShapedGlyph> ellipsisGlyphs;
};

namespace {

std::shared_ptr<const Layout::Detail::LayoutData> LayOut(Detail::FontImpl& impl,
                                                         std::u16string text,
                                                         const TextLayoutOptions& options) {
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2)) {
    throw FontException(Messages::TextTooLong);
  }
  Layout::Detail::LayoutServices& services = Layout::Detail::LayoutServices::Of(impl);
  if (auto known = services.Layouts.Find(text, options)) return known;

  auto layout = std::make_shared<Layout::Detail::LayoutData>();
  layout->Text = std::move(text);
  layout->Options = options;
  layout->Glyphs.reserve(layout->Text.size() + 4);
  layout->Stops.reserve(layout->Text.size() + 1);
  TextLayoutBuilder(impl, *layout, ThreadScratch()).Build();
  services.Layouts.Add(layout);
  return layout;
}

// The font's internals, which the layout keeps: checked first, so that a disposed (or
// moved-from) font throws before anything is converted.
std::shared_ptr<Detail::FontImpl> InternalsOf(Font& font) {
  static_cast<void>(font.LineHeight());  // throws for a disposed (or moved-from) font
  return Detail::FontAccess::Share(font);
}

}  // namespace

TextLayout::TextLayout(Font& font, std::u16string_view text, const TextLayoutOptions& options)
    : font(&font), impl(InternalsOf(font)), data(LayOut(*impl, std::u16string(text), options)) {}

TextLayout::TextLayout(Font& font, std::string_view utf8Text, const TextLayoutOptions& options)
    : font(&font), impl(InternalsOf(font)), data(LayOut(*impl, Utf8ToUtf16(utf8Text), options)) {}

Graphics::Vector2 TextLayout::Size() const { return data->Size; }
std::int32_t TextLayout::LineCount() const { return static_cast<std::int32_t>(data->Lines.size()); }
std::span<const LayoutGlyph> TextLayout::Glyphs() const { return data->Glyphs; }
std::u16string_view TextLayout::Text() const { return data->Text; }
const TextLayoutOptions& TextLayout::Options() const { return data->Options; }

const LayoutLine& TextLayout::Line(std::int32_t index) const {
  if (index < 0 || index >= LineCount()) throw std::out_of_range("TextLayout::Line");
  return data->Lines[static_cast<std::size_t>(index)];
}

std::span<const LayoutGlyph> TextLayout::LineGlyphs(std::int32_t index) const {
  if (index < 0 || index >= LineCount()) throw std::out_of_range("TextLayout::LineGlyphs");
  const auto begin =
      static_cast<std::size_t>(data->LineGlyphStart[static_cast<std::size_t>(index)]);
  const auto end =
      static_cast<std::size_t>(data->LineGlyphStart[static_cast<std::size_t>(index) + 1]);
  return std::span<const LayoutGlyph>(data->Glyphs).subspan(begin, end - begin);
}

std::int32_t TextLayout::LineOf(std::int32_t textIndex) const {
  const auto& lines = data->Lines;
  const auto after = std::upper_bound(
      lines.begin(), lines.end(), textIndex,
      [](std::int32_t index, const LayoutLine& line) { return index < line.TextStart; });
  return after == lines.begin() ? 0 : static_cast<std::int32_t>(after - lines.begin()) - 1;
}

Graphics::Vector2 TextLayout::CaretPosition(std::int32_t textIndex) const {
  const auto& starts = data->GraphemeStarts;
  textIndex = std::clamp(textIndex, 0, static_cast<std::int32_t>(data->Text.size()));
  // Back to the start of the grapheme cluster holding the index.
  textIndex = *(std::upper_bound(starts.begin(), starts.end(), textIndex) - 1);
  const auto lineIndex = static_cast<std::size_t>(LineOf(textIndex));
  const LayoutLine& line = data->Lines[lineIndex];
  const auto begin = static_cast<std::size_t>(data->LineStopStart[lineIndex]);
  const auto end = static_cast<std::size_t>(data->LineStopStart[lineIndex + 1]);
  for (std::size_t k = begin; k < end; ++k) {
    if (data->Stops[k].TextStart == textIndex) return {data->Stops[k].Leading, line.Top};
  }
  // The end of the line's content: its spaces hang, its line break takes no room.
  return {line.RightToLeft ? line.X : line.X + line.Width, line.Top};
}

std::int32_t TextLayout::HitTest(Graphics::Vector2 point) const {
  const auto& lines = data->Lines;
  std::size_t lineIndex = 0;
  while (lineIndex + 1 < lines.size() && point.Y >= lines[lineIndex + 1].Top) ++lineIndex;
  const LayoutLine& line = lines[lineIndex];
  const auto begin = static_cast<std::size_t>(data->LineStopStart[lineIndex]);
  const auto end = static_cast<std::size_t>(data->LineStopStart[lineIndex + 1]);
  if (begin == end) return line.TextStart;
  using Layout::Detail::CaretStop;
  const auto& starts = data->GraphemeStarts;
  // The index at each side of a stop: its start on its leading side, its end (the next
  // grapheme boundary) on the other.
  const auto endOf = [&](const CaretStop& stop) {
    return *std::upper_bound(starts.begin(), starts.end(), stop.TextStart);
  };
  const auto leftIndex = [&](const CaretStop& stop) {
    return stop.RightToLeft() ? endOf(stop) : stop.TextStart;
  };
  const auto rightIndex = [&](const CaretStop& stop) {
    return stop.RightToLeft() ? stop.TextStart : endOf(stop);
  };
  const auto& stops = data->Stops;
  if (point.X < stops[begin].Left()) return leftIndex(stops[begin]);
  for (std::size_t k = begin; k < end; ++k) {
    const CaretStop& stop = stops[k];
    if (point.X < stop.Right()) {
      return point.X < (stop.Left() + stop.Right()) / 2 ? leftIndex(stop) : rightIndex(stop);
    }
  }
  return rightIndex(stops[end - 1]);
}

}  // namespace Vennicor::Font
