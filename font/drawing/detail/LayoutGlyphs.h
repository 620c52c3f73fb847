#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "font/FontException.h"
#include "font/detail/FontImpl.h"
#include "font/detail/GlyphEntry.h"
#include "font/drawing/detail/GlyphWriter.h"
#include "font/layout/TextLayout.h"
#include "font/layout/detail/LayoutData.h"
#include "graphics/Color.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font::Detail {

/// The glyph records of a layout, each found once and every one in the atlas and placed before
/// the first sprite. The list is the font's own, borrowed for one drawing (a nested drawing with
/// the same font, from a batch's Draw, gets a list of its own).
class LayoutEntries {
 public:
  /// \throws FontException "The font has been disposed" once the layout's font is gone, and as
  /// the font renders and places glyphs.
  LayoutEntries(FontImpl& font, const Layout::Detail::LayoutData& layout) : font(font) {
    if (font.IsDisposed()) throw FontException(Messages::FontDisposed);
    entries = font.TakeEntryList();
    try {
      entries.resize(layout.Glyphs.size());
      font.BeginUse();
      for (std::size_t i = 0; i < entries.size(); ++i) {
        const LayoutGlyph& glyph = layout.Glyphs[i];
        entries[i] = &font.GlyphOfIndex(glyph.GlyphIndex, glyph.Face);
        font.Use(*entries[i]);
      }
      font.UpdateAtlas();
    } catch (...) {
      font.GiveBackEntryList(std::move(entries));
      throw;
    }
  }
  LayoutEntries(const LayoutEntries&) = delete;
  LayoutEntries& operator=(const LayoutEntries&) = delete;
  ~LayoutEntries() { font.GiveBackEntryList(std::move(entries)); }

  std::span<const GlyphEntry* const> Entries() const { return entries; }

 private:
  FontImpl& font;
  std::vector<const GlyphEntry*> entries;
};

/// Writes one pass of a layout (its glyphs, or with `Outlines` their outline images) to `sink`
/// in `tint`; with `spanColors`, a glyph under a colour span in the span's colour instead.
/// \throws whatever the sink throws (the runs before it handed over).
template <bool Outlines, class Sink>
void WriteLayout(Sink& sink, const FontImpl& font, const Layout::Detail::LayoutData& layout,
                 std::span<const GlyphEntry* const> entries, const GlyphSpriteStyle& style,
                 Graphics::Color tint, bool spanColors) {
  GlyphWriter<Sink, Outlines> writer(sink, font, style);
  // Glyph positions are on their baselines; the records' offsets are from the line's top.
  const auto ascent = static_cast<float>(font.Metrics().Ascent);
  const std::span<const std::int32_t> steps = layout.GlyphSteps;
  WriteThenFlush(writer, [&] {
    if (writer.OnStepGrid() && steps.size() == entries.size()) {
      // The pass's origin lands on a step: each glyph's step comes from its position's,
      // noted once for the layout, and the whole pixels its image and the origin add.
      for (std::size_t i = 0; i < entries.size(); ++i) {
        const LayoutGlyph& glyph = layout.Glyphs[i];
        const GlyphEntry& entry = *entries[i];
        const Graphics::Point offset = writer.Offset(entry);
        const Graphics::Vector2 local{glyph.Position.X + static_cast<float>(offset.X),
                                      glyph.Position.Y - ascent + static_cast<float>(offset.Y)};
        writer.PutInSteps(entry, local, steps[i] + writer.InSteps(offset.X),
                          spanColors && glyph.HasSpanColor ? glyph.SpanColor : tint);
      }
      return;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const LayoutGlyph& glyph = layout.Glyphs[i];
      const GlyphEntry& entry = *entries[i];
      const Graphics::Point offset = writer.Offset(entry);
      const Graphics::Vector2 local{glyph.Position.X + static_cast<float>(offset.X),
                                    glyph.Position.Y - ascent + static_cast<float>(offset.Y)};
      writer.Put(entry, local * style.Scale,
                 spanColors && glyph.HasSpanColor ? glyph.SpanColor : tint);
    }
  });
}

}  // namespace Vennicor::Font::Detail
