#include "font/layout/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_map>

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

using Layout::Detail::LayoutScratch;

constexpr std::u16string_view Space = u" ";

LayoutScratch& ThreadScratch() {
  thread_local LayoutScratch scratch;
  return scratch;
}

// Advance of a space of the font's own face, in pixels.
float SpaceAdvance(Layout::Detail::ShapingContext& shaping) {
  const auto& glyphs = shaping.Shape(0, {Space, 0, 1, HB_SCRIPT_COMMON, false});
  return glyphs.empty() ? 0.0F : Layout::Detail::ShapedPixels(glyphs[0].XAdvance);
}

// Features and a language as HarfBuzz takes them, with the text that keys them in the cache of
// shaped runs (empty for none and the default language).
Layout::Detail::ShapingFeatures FeaturesOf(const std::vector<OpenTypeFeature>& first,
                                           const std::vector<OpenTypeFeature>& then,
                                           const std::string& language) {
  Layout::Detail::ShapingFeatures made;
  for (const auto* list : {&first, &then}) {
    for (const OpenTypeFeature& feature : *list) {
      const auto tag = HB_TAG(feature.Tag[0], feature.Tag[1], feature.Tag[2], feature.Tag[3]);
      made.Features.push_back({tag, feature.Value, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END});
      made.Key.append(feature.Tag, 4).append("=").append(std::to_string(feature.Value)).append(",");
    }
  }
  if (!language.empty()) {
    made.Language = hb_language_from_string(language.data(), static_cast<int>(language.size()));
    made.Key.append("|").append(language);
  }
  return made;
}

// The fonts and shapers a layout uses, and the shaping class of each RichText style.
void PrepareShaping(Detail::FontImpl& font, const Layout::Detail::LayoutData& layout,
                    const RichText* text, LayoutScratch& s) {
  const TextLayoutOptions& options = layout.Options;
  s.Fonts.assign(1, &font);
  s.Shapers.assign(1, &Layout::Detail::LayoutServices::Of(font).Shaping);
  s.ShapingClasses.clear();
  s.ShapingClasses.push_back(FeaturesOf(options.Features, {}, options.Language));
  s.StyleShaping.clear();
  if (text == nullptr) return;
  const Layout::Detail::RichData& rich = *layout.Rich;
  for (std::size_t slot = 1; slot < rich.Fonts.size(); ++slot) {
    s.Fonts.push_back(rich.Fonts[slot].get());
    s.Shapers.push_back(&Layout::Detail::LayoutServices::Of(*rich.Fonts[slot]).Shaping);
  }
  std::unordered_map<std::string, std::int32_t> classes{{s.ShapingClasses[0].Key, 0}};
  s.StyleShaping.push_back(0);
  for (const StyledRun& run : text->Runs()) {
    if (run.Length == 0) continue;
    const TextStyle& style = run.Style;
    if (style.Features.empty() && style.Language.empty()) {
      s.StyleShaping.push_back(0);
      continue;
    }
    auto features = FeaturesOf(options.Features, style.Features,
                               style.Language.empty() ? options.Language : style.Language);
    const auto [known, added] =
        classes.emplace(features.Key, static_cast<std::int32_t>(s.ShapingClasses.size()));
    if (added) s.ShapingClasses.push_back(std::move(features));
    s.StyleShaping.push_back(known->second);
  }
}

// Lays a text out paragraph by paragraph, in three stages: the itemizer splits each into runs
// (bidi level, script, face) and shapes them, the fitter breaks lines greedily at the break
// opportunities that fit, and the placer orders each line's pieces visually and places their
// glyphs.
void Build(Detail::FontImpl& font, Layout::Detail::LayoutData& layout, LayoutScratch& s,
           const RichText* text = nullptr) {
  // Before the shapers follow the fonts' faces.
  font.AddSystemFacesFor(layout.Text);
  if (layout.Rich) {
    for (std::size_t slot = 1; slot < layout.Rich->Fonts.size(); ++slot) {
      layout.Rich->Fonts[slot]->AddSystemFacesFor(layout.Text);
    }
  }
  PrepareShaping(font, layout, text, s);
  Layout::Detail::ShapingContext& shaping = *s.Shapers[0];
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

  Layout::Detail::Itemizer itemizer(s, layout);
  Layout::Detail::LinePlacer placer(s, layout, settings);
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
  if (!layout.Rich) {
    // With render threads, a burst of new glyphs renders on them first.
    if (font.RendersOnThreads()) {
      std::vector<Detail::FaceGlyph> wanted;
      wanted.reserve(layout.Glyphs.size());
      for (const LayoutGlyph& glyph : layout.Glyphs) {
        wanted.push_back({glyph.Face, glyph.GlyphIndex});
      }
      font.RenderGlyphsAhead(wanted);
    }
    struct ForgetAhead {
      Detail::FontImpl& Font;
      ~ForgetAhead() { Font.ForgetRenderedAhead(); }
    } forgetAhead{font};
    for (const LayoutGlyph& glyph : layout.Glyphs) font.GlyphOfIndex(glyph.GlyphIndex, glyph.Face);
    return;
  }
  Layout::Detail::RichData& rich = *layout.Rich;
  rich.GlyphFont.resize(layout.Glyphs.size());
  for (std::size_t i = 0; i < layout.Glyphs.size(); ++i) {
    const LayoutGlyph& glyph = layout.Glyphs[i];
    const auto style = static_cast<std::size_t>(rich.GlyphStyle[i]);
    rich.GlyphFont[i] = rich.Styles[style].Font;
    rich.Fonts[rich.GlyphFont[i]]->GlyphOfIndex(glyph.GlyphIndex, glyph.Face);
  }
}

// A value a RichText gives in pixels, finite and within the layout's bounds.
float UsablePixels(float value, float low) {
  return std::isfinite(value) ? std::clamp(value, low, Layout::Detail::LargestSpacing) : 0.0F;
}

std::shared_ptr<const Layout::Detail::LayoutData> LayOutRich(
    const std::shared_ptr<Detail::FontImpl>& shared, const RichText& text,
    const TextLayoutOptions& options) {
  const std::u16string_view whole = text.Text();
  if (whole.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2)) {
    throw FontException(Messages::TextTooLong);
  }
  auto layout = std::make_shared<Layout::Detail::LayoutData>();
  layout->Text = std::u16string(whole);
  layout->Options = options;
  layout->Glyphs.reserve(layout->Text.size() + 4);
  layout->Stops.reserve(layout->Text.size() + 1);
  layout->Rich = std::make_unique<Layout::Detail::RichData>();
  Layout::Detail::RichData& rich = *layout->Rich;
  Detail::FontImpl& impl = *shared;
  rich.Fonts.push_back(shared);
  rich.Styles.emplace_back();
  rich.StyleAt.assign(whole.size(), 0);
  rich.GlyphStyle.reserve(layout->Text.size() + 4);
  std::unordered_map<const Detail::FontImpl*, std::uint16_t> slots{{&impl, 0}};
  for (const StyledRun& run : text.Runs()) {
    if (run.Length == 0) continue;
    const TextStyle& style = run.Style;
    Layout::Detail::RichStyle& kept = rich.Styles.emplace_back();
    if (style.Font != nullptr) {
      static_cast<void>(style.Font->LineHeight());  // throws for a disposed font
      std::shared_ptr<Detail::FontImpl> runFont = Detail::FontAccess::Share(*style.Font);
      auto found = slots.find(runFont.get());
      // Every run may name a font of its own: those beyond 65,536 are taken as the layout's.
      if (found == slots.end() && rich.Fonts.size() <= std::numeric_limits<std::uint16_t>::max()) {
        found = slots.emplace(runFont.get(), static_cast<std::uint16_t>(rich.Fonts.size())).first;
        rich.Fonts.push_back(std::move(runFont));
      }
      kept.Font = found != slots.end() ? found->second : std::uint16_t{0};
    }
    kept.Color = style.Color;
    kept.Decorations = style.Decorations;
    kept.Background = style.Background;
    kept.BaselineShift = std::isfinite(style.BaselineShift)
                             ? std::clamp(style.BaselineShift, -Layout::Detail::LargestLineSpacing,
                                          Layout::Detail::LargestLineSpacing)
                             : 0.0F;
    kept.Tag = style.Tag;
    if (run.Object) {
      kept.Object = static_cast<std::int32_t>(rich.ObjectSpecs.size());
      InlineObject object = *run.Object;
      object.Size = {UsablePixels(object.Size.X, 0), UsablePixels(object.Size.Y, 0)};
      object.Baseline = UsablePixels(object.Baseline, -Layout::Detail::LargestSpacing);
      rich.ObjectSpecs.push_back(object);
    }
    std::fill_n(rich.StyleAt.begin() + run.Start, run.Length,
                static_cast<std::int32_t>(rich.Styles.size() - 1));
  }
  Build(impl, *layout, ThreadScratch(), &text);
  return layout;
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

TextLayout::TextLayout(Font& font, const RichText& text, const TextLayoutOptions& options)
    : font(&font), impl(InternalsOf(font)), data(LayOutRich(impl, text, options)) {}

std::span<const PlacedObject> TextLayout::Objects() const {
  if (!data->Rich) return {};
  return data->Rich->Objects;
}

std::int32_t TextLayout::TagAt(Graphics::Vector2 point) const {
  if (!data->Rich) return 0;
  const Layout::Detail::RichData& rich = *data->Rich;
  const auto& lines = data->Lines;
  for (std::size_t lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
    const LayoutLine& line = lines[lineIndex];
    if (point.Y < line.Top || point.Y >= line.Top + rich.LineHeights[lineIndex]) continue;
    const auto begin = static_cast<std::size_t>(data->LineStopStart[lineIndex]);
    const auto end = static_cast<std::size_t>(data->LineStopStart[lineIndex + 1]);
    for (std::size_t k = begin; k < end; ++k) {
      const auto& stop = data->Stops[k];
      if (point.X >= stop.Left() && point.X < stop.Right()) {
        const auto style = rich.StyleAt[static_cast<std::size_t>(stop.TextStart)];
        return rich.Styles[static_cast<std::size_t>(style)].Tag;
      }
    }
  }
  return 0;
}

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
