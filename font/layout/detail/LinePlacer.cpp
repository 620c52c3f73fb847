#include "font/layout/detail/LinePlacer.h"

#include <algorithm>
#include <cmath>

#include "font/detail/FontImpl.h"
#include "font/faces/detail/FixedPoint.h"

namespace Vennicor::Font::Layout::Detail {

void LinePlacer::PlaceLine(const Paragraph& lineParagraph, const BrokenLine& line) {
  paragraph = lineParagraph;
  if (rich != nullptr) {
    MeasureRichLine(paragraph.Start + line.From,
                    paragraph.Start + std::max(line.HangingEnd, line.VisibleEnd));
  }
  AddLine(paragraph.Start + line.From, line.TextEnd, paragraph.RightToLeft);
  PlaceGlyphs(line);
  FinishLine();
}

void LinePlacer::PlaceEmptyLine(std::int32_t at, bool rightToLeft) {
  lineAscent = settings.Ascent;
  lineHeight = settings.LineHeight;
  AddLine(at, at, rightToLeft);
  FinishLine();
}

void LinePlacer::AddLine(std::int32_t textStart, std::int32_t textEnd, bool lineRightToLeft) {
  const auto index = static_cast<float>(layout.Lines.size());
  LayoutLine line;
  line.TextStart = textStart;
  line.TextEnd = textEnd;
  if (rich == nullptr) {
    line.Top = std::round(index * layout.LineDistance);
    line.Baseline = line.Top + settings.Ascent;
  } else {
    // Each line as tall as its tallest run, the next below it by that and the leading.
    line.Top = static_cast<float>(std::round(nextTop));
    line.Baseline = line.Top + lineAscent;
    rich->LineHeights.push_back(lineHeight);
    nextTop += static_cast<double>(layout.LineDistance) +
               static_cast<double>(lineHeight - settings.LineHeight) *
                   static_cast<double>(UsableLineSpacing(layout.Options.LineSpacing));
  }
  line.RightToLeft = lineRightToLeft;
  layout.Lines.push_back(line);
}

void LinePlacer::FinishLine() {
  layout.LineGlyphStart.push_back(static_cast<std::int32_t>(layout.Glyphs.size()));
  layout.LineStopStart.push_back(static_cast<std::int32_t>(layout.Stops.size()));
  if (rich != nullptr) {
    rich->LineObjectStart.push_back(static_cast<std::int32_t>(rich->Objects.size()));
  }
}

// The ascent and height of the RichText line over the text [from, to): the largest of its
// runs' (fonts' metrics moved by their baseline shifts, objects' boxes), and never less than
// the layout font's, as a browser's line keeps its strut.
void LinePlacer::MeasureRichLine(std::int32_t from, std::int32_t to) {
  float ascent = settings.Ascent;
  float descent = settings.LineHeight - settings.Ascent;
  std::int32_t last = -1;
  for (std::int32_t i = from; i < to; ++i) {
    const std::int32_t styleIndex = rich->StyleAt[static_cast<std::size_t>(i)];
    if (styleIndex == last) continue;
    last = styleIndex;
    const RichStyle& style = rich->Styles[static_cast<std::size_t>(styleIndex)];
    float up = 0;
    float down = 0;
    if (style.Object >= 0) {
      const InlineObject& object = rich->ObjectSpecs[static_cast<std::size_t>(style.Object)];
      up = object.Baseline;
      down = object.Size.Y - object.Baseline;
    } else {
      const auto& metrics = s.Fonts[style.Font]->Metrics();
      up = static_cast<float>(metrics.Ascent);
      down = static_cast<float>(metrics.LineHeight - metrics.Ascent);
    }
    ascent = std::max(ascent, up + style.BaselineShift);
    descent = std::max(descent, down - style.BaselineShift);
  }
  lineAscent = std::ceil(ascent);
  lineHeight = lineAscent + std::ceil(descent);
}

// Places a glyph of a RichText at `pen`: moved by its run's baseline shift, in its run's
// colour, or for an object's U+FFFC the object's box instead of a glyph.
void LinePlacer::PlaceRich(const ShapedGlyph& glyph, const Run& run, float pen) {
  const std::int32_t textIndex = paragraph.Start + glyph.Cluster;
  const std::int32_t styleIndex = rich->StyleAt[static_cast<std::size_t>(textIndex)];
  const RichStyle& style = rich->Styles[static_cast<std::size_t>(styleIndex)];
  const float baseline = layout.Lines.back().Baseline - style.BaselineShift;
  if (style.Object >= 0) {
    if (!rich->Objects.empty() && rich->Objects.back().TextIndex == textIndex) return;
    const InlineObject& object = rich->ObjectSpecs[static_cast<std::size_t>(style.Object)];
    rich->Objects.push_back({object.Id, {pen, baseline - object.Baseline}, object.Size, textIndex});
    return;
  }
  LayoutGlyph& placed = layout.Glyphs.emplace_back();
  placed.GlyphIndex = glyph.GlyphIndex;
  placed.Face = run.Face;
  placed.Position = {pen + ShapedPixels(glyph.XOffset), baseline - ShapedPixels(glyph.YOffset)};
  placed.Advance = ShapedPixels(glyph.XAdvance);
  placed.TextIndex = textIndex;
  if (style.Color) {
    placed.HasSpanColor = true;
    placed.SpanColor = *style.Color;
  }
  Colorize(placed);
  rich->GlyphStyle.push_back(styleIndex);
}

// The glyphs of [From, VisibleEnd) in visual order, then the line's width.
void LinePlacer::PlaceGlyphs(const BrokenLine& line) {
  const std::int32_t from = line.From;
  const std::int32_t visibleEnd = line.VisibleEnd;
  const bool ellipsis = !line.Ellipsis.empty();
  float pen = 0;
  if (ellipsis && paragraph.RightToLeft) pen = PlaceEllipsis(line.Ellipsis, pen, visibleEnd);

  float spaceStretch = 0;
  if (line.Justify && settings.MaxWidth > 0 && layout.Options.Alignment == TextAlignment::Justify) {
    std::int32_t spaces = 0;
    for (std::int32_t i = from; i < visibleEnd; ++i) {
      if (paragraph.Text[static_cast<std::size_t>(i)] == u' ') ++spaces;
    }
    if (spaces > 0) {
      const float width = WalkLine(paragraph, s, settings.TabWidth, from, visibleEnd, 0);
      spaceStretch = (settings.MaxWidth - width) / static_cast<float>(spaces);
    }
    spaceStretch = std::max(spaceStretch, 0.0F);
  }

  // The spaces that end the line hang past its end, at the paragraph's level (UAX #9 L1): after
  // the content of a left-to-right line, before that of a right-to-left one. They keep their
  // glyphs (some spaces are visible) but not their width.
  const std::int32_t hangingEnd = std::max(line.HangingEnd, visibleEnd);
  if (hangingEnd > visibleEnd && paragraph.RightToLeft) {
    float hanging = 0;
    for (std::int32_t i = visibleEnd; i < hangingEnd; ++i) {
      hanging += s.Advance[static_cast<std::size_t>(i)] + s.Extra[static_cast<std::size_t>(i)];
    }
    PlaceHanging(visibleEnd, hangingEnd, pen - hanging);
  }
  Segments(from, visibleEnd);
  BidiParagraph::VisualOrder(s.SegmentLevels, s.Order);
  for (const std::int32_t logical : s.Order) {
    const Segment& segment = s.Segments[static_cast<std::size_t>(logical)];
    const bool segmentRightToLeft = (s.SegmentLevels[static_cast<std::size_t>(logical)] & 1U) != 0;
    pen = PlaceSegment(segment, segmentRightToLeft, pen, spaceStretch);
  }
  if (ellipsis && !paragraph.RightToLeft) pen = PlaceEllipsis(line.Ellipsis, pen, visibleEnd);
  layout.Lines.back().Width = pen;
  if (hangingEnd > visibleEnd && !paragraph.RightToLeft) PlaceHanging(visibleEnd, hangingEnd, pen);
}

// The glyphs of the spaces [from, to) from `pen`, in the paragraph's direction; they get no
// caret stops (the caret stays at the line's end).
void LinePlacer::PlaceHanging(std::int32_t from, std::int32_t to, float pen) {
  const bool rightToLeft = paragraph.RightToLeft;
  std::size_t run = 0;
  for (std::int32_t k = 0; k < to - from; ++k) {
    const std::int32_t i = rightToLeft ? to - 1 - k : from + k;
    const auto unit = static_cast<std::size_t>(i);
    if (s.IsCluster[unit] != 0) {
      run = 0;
      while (s.Runs[run].End <= i) ++run;
      const Run& owner = s.Runs[run];
      const ShapedGlyph* end = s.Glyphs.data() + owner.GlyphEnd;
      for (const ShapedGlyph *glyph = std::lower_bound(
               static_cast<const ShapedGlyph*>(s.Glyphs.data() + owner.GlyphBegin), end, i,
               [](const ShapedGlyph&g, std::int32_t cluster) { return g.Cluster < cluster; });
           glyph != end && glyph->Cluster == i; ++glyph) {
        if (IsControl(paragraph.Text[unit])) continue;
        if (rich != nullptr) {
          PlaceRich(*glyph, owner, pen);
          pen += ShapedPixels(glyph->XAdvance);
          continue;
        }
        LayoutGlyph& placed = layout.Glyphs.emplace_back();
        placed.GlyphIndex = glyph->GlyphIndex;
        placed.Face = owner.Face;
        placed.Position = {pen + ShapedPixels(glyph->XOffset),
                           layout.Lines.back().Baseline - ShapedPixels(glyph->YOffset)};
        placed.Advance = ShapedPixels(glyph->XAdvance);
        placed.TextIndex = paragraph.Start + i;
        Colorize(placed);
        pen += placed.Advance;
      }
    }
    pen += s.Extra[unit];
  }
}

// Splits [from, to) where the run or the line's bidi level changes.
void LinePlacer::Segments(std::int32_t from, std::int32_t to) {
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
bool LinePlacer::UnsafeCut(const Run& run, std::int32_t at) const {
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

float LinePlacer::PlaceSegment(const Segment& segment, bool segmentRightToLeft, float pen,
                               float spaceStretch) {
  const Run& run = s.Runs[segment.RunIndex];
  const ShapedGlyph* first = nullptr;
  const ShapedGlyph* last = nullptr;
  if (UnsafeCut(run, segment.Start) || UnsafeCut(run, segment.End)) {
    // A line cut through shaping context: shape the piece on its own.
    const auto& shaped = s.Shapers[run.Font]->Shape(
        run.Face, {paragraph.ContentText(), segment.Start, segment.End, run.Script,
                   (run.Level & 1U) != 0, FeaturesOf(s, run.Shaping)});
    s.Reshaped.clear();
    for (ShapedGlyph glyph : shaped) {
      glyph.Cluster += segment.Start;
      s.Reshaped.push_back(glyph);
    }
    SizeObjects(rich, paragraph.Start, s.Reshaped.data(), s.Reshaped.data() + s.Reshaped.size());
    first = s.Reshaped.data();
    last = first + s.Reshaped.size();
  } else {
    const ShapedGlyph* begin = s.Glyphs.data() + run.GlyphBegin;
    const ShapedGlyph* end = s.Glyphs.data() + run.GlyphEnd;
    first = std::lower_bound(begin, end, segment.Start,
                             [](const ShapedGlyph& g, std::int32_t at) { return g.Cluster < at; });
    last = std::lower_bound(first, end, segment.End,
                            [](const ShapedGlyph& g, std::int32_t at) { return g.Cluster < at; });
  }
  const auto count = last - first;
  float clusterLeft = pen;
  for (std::ptrdiff_t k = 0; k < count; ++k) {
    const ShapedGlyph& glyph = segmentRightToLeft ? first[count - 1 - k] : first[k];
    const auto cluster = static_cast<std::size_t>(glyph.Cluster);
    const char16_t c = paragraph.Text[cluster];
    if (!IsControl(c) && rich != nullptr) {
      PlaceRich(glyph, run, pen);
      pen += ShapedPixels(glyph.XAdvance);
    } else if (!IsControl(c)) {
      // Filled in place: a copy of a glyph built field by field on the stack made the CPU
      // wait for its narrow stores to reach the wide load (a third of this function's time).
      LayoutGlyph& placed = layout.Glyphs.emplace_back();
      placed.GlyphIndex = glyph.GlyphIndex;
      placed.Face = run.Face;
      placed.Position = {pen + ShapedPixels(glyph.XOffset),
                         layout.Lines.back().Baseline - ShapedPixels(glyph.YOffset)};
      placed.Advance = ShapedPixels(glyph.XAdvance);
      placed.TextIndex = paragraph.Start + glyph.Cluster;
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
void LinePlacer::AddStops(std::int32_t cluster, std::int32_t segmentEnd, float left, float right,
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
    layout.Stops.push_back({paragraph.Start + i, stopRightToLeft ? partRight : partLeft,
                            stopRightToLeft ? partLeft : partRight});
    ++part;
  }
  if (stopRightToLeft && parts > 1) {
    std::reverse(layout.Stops.end() - parts, layout.Stops.end());
  }
}

float LinePlacer::PlaceEllipsis(std::span<const ShapedGlyph> glyphs, float pen, std::int32_t at) {
  for (const ShapedGlyph& glyph : glyphs) {
    LayoutGlyph placed;
    placed.GlyphIndex = glyph.GlyphIndex;
    placed.Position = {pen + ShapedPixels(glyph.XOffset),
                       layout.Lines.back().Baseline - ShapedPixels(glyph.YOffset)};
    placed.Advance = ShapedPixels(glyph.XAdvance);
    placed.TextIndex = paragraph.Start + at;
    Colorize(placed);
    layout.Glyphs.push_back(placed);
    if (rich != nullptr) rich->GlyphStyle.push_back(0);
    pen += placed.Advance;
  }
  return pen;
}

void LinePlacer::Colorize(LayoutGlyph& glyph) const {
  if (s.SpanAt.empty()) return;
  const std::int32_t span = s.SpanAt[static_cast<std::size_t>(glyph.TextIndex)];
  if (span < 0) return;
  glyph.HasSpanColor = true;
  glyph.SpanColor = layout.Options.ColorSpans[static_cast<std::size_t>(span)].Color;
}

void LinePlacer::Align() {
  float widest = 0;
  for (const LayoutLine& line : layout.Lines) widest = std::max(widest, line.Width);
  const float box = settings.MaxWidth > 0 ? settings.MaxWidth : widest;
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
    if (rich != nullptr) {
      for (auto k = static_cast<std::size_t>(rich->LineObjectStart[i]);
           k < static_cast<std::size_t>(rich->LineObjectStart[i + 1]); ++k) {
        rich->Objects[k].Position.X += x;
      }
    }
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
  layout.Size = {widest, layout.Lines.back().Top +
                             (rich != nullptr ? rich->LineHeights.back() : settings.LineHeight)};
}

}  // namespace Vennicor::Font::Layout::Detail
