#include "font/layout/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/faces/detail/FixedPoint.h"
#include "font/layout/detail/ColorSpanMap.h"
#include "font/layout/detail/Itemizer.h"
#include "font/layout/detail/LayoutData.h"
#include "font/layout/detail/LayoutScratch.h"
#include "font/layout/detail/LayoutServices.h"
#include "font/layout/detail/LineFitter.h"
#include "font/layout/detail/LinePlacer.h"
#include "font/text/Utf.h"

namespace Vennicor::Font {

namespace {

using Detail::Pixels26Dot6Rounded;
using Layout::Detail::LayoutScratch;

constexpr std::u16string_view Space = u" ";

LayoutScratch& ThreadScratch() {
  thread_local LayoutScratch scratch;
  return scratch;
}

// Advance of a space of the font's own face, in pixels.
float SpaceAdvance(Layout::Detail::ShapingContext& shaping) {
  const auto& glyphs = shaping.Shape(0, {Space, 0, 1, HB_SCRIPT_COMMON, false});
  return glyphs.empty() ? 0.0F : static_cast<float>(Pixels26Dot6Rounded(glyphs[0].XAdvance));
}

// Lays a text out paragraph by paragraph, in three stages: the itemizer splits each into runs
// (bidi level, script, face) and shapes them, the fitter breaks lines greedily at the break
// opportunities that fit, and the placer orders each line's pieces visually and places their
// glyphs.
void Build(Detail::FontImpl& font, Layout::Detail::LayoutData& layout, LayoutScratch& s) {
  font.AddSystemFacesFor(layout.Text);  // before the shapers follow the font's faces
  Layout::Detail::ShapingContext& shaping = Layout::Detail::LayoutServices::Of(font).Shaping;
  const TextLayoutOptions& options = layout.Options;
  const Detail::FaceMetrics& metrics = font.Metrics();
  Layout::Detail::LineSettings settings;
  settings.Ascent = static_cast<float>(metrics.Ascent);
  settings.LineHeight = static_cast<float>(metrics.LineHeight);
  layout.LineDistance = static_cast<float>(metrics.LineHeight + metrics.Leading) *
                        Layout::Detail::UsableLineSpacing(options.LineSpacing);
  settings.MaxWidth =
      std::isfinite(options.MaxWidth) && options.MaxWidth > 0 ? options.MaxWidth : 0;
  settings.TabWidth = Layout::Detail::UsableTabWidth(options.TabWidth);
  if (settings.TabWidth == 0) settings.TabWidth = 8 * SpaceAdvance(shaping);
  settings.MaxLines =
      options.MaxLines > 0 ? options.MaxLines : std::numeric_limits<std::int32_t>::max();

  const std::u16string_view whole = layout.Text;
  s.Breaker.Find(whole, s.Breaks);
  s.Graphemes.Find(whole, layout.GraphemeStarts);
  Layout::Detail::MapColorSpans(options.ColorSpans, static_cast<std::int32_t>(whole.size()),
                                s.SpanAt, s.SpanSkip);

  Layout::Detail::Itemizer itemizer(font, shaping, s, layout);
  Layout::Detail::LinePlacer placer(shaping, s, layout, settings);
  Layout::Detail::LineFitter fitter(font, shaping, s, layout, placer, settings);
  std::int32_t nextParagraph = 0;
  const auto length = static_cast<std::int32_t>(whole.size());
  for (const auto& opportunity : s.Breaks) {
    if (!opportunity.Mandatory && opportunity.Index != length) continue;
    if (!fitter.BreakLines(itemizer.Itemize(nextParagraph, opportunity.Index))) break;
    nextParagraph = opportunity.Index;
  }
  // Empty text, or text that ends with a line break, ends with an empty line (for the caret).
  if (!fitter.Truncated() && static_cast<std::int32_t>(layout.Lines.size()) < settings.MaxLines &&
      (whole.empty() || Layout::Detail::IsLineBreakCharacter(whole.back()))) {
    placer.PlaceEmptyLine(length, options.Direction == TextDirection::RightToLeft);
  }
  placer.Align();
  // Every glyph's image, rendered now so that drawing only uploads. Runs went to the face
  // that has their characters (the font's own, or a fallback); glyphs are found by (face,
  // glyph index).
  for (const LayoutGlyph& glyph : layout.Glyphs) font.GlyphOfIndex(glyph.GlyphIndex, glyph.Face);
}

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
  Build(impl, *layout, ThreadScratch());
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
