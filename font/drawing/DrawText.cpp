#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "font/Font.h"
#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/drawing/detail/RoundHalfToEven.h"
#include "font/layout/TextLayout.h"
#include "font/layout/detail/LayoutData.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"

namespace Vennicor::Font {

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color) {
  DrawText(spriteBatch, layout, position, color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None,
           0);
}

namespace {

// One pass over the layout: the glyphs, or their outline images.
void DrawLayout(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                const Layout::Detail::LayoutData& data, Graphics::Vector2 position,
                Graphics::Color color, float rotation, Graphics::Vector2 origin,
                Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects, float layerDepth,
                bool outlines) {
  using Graphics::Matrix;
  using Graphics::Vector2;
  Font& font = layout.GetFont();
  // Glyph positions are on their baselines; the records' offsets are from the line's top.
  const auto ascent = static_cast<float>(font.Ascent());  // checks for disposal
  Detail::FontImpl& impl = Detail::FontAccess::Of(font);
  // Each glyph's record is found once; the list is the font's, borrowed for this call.
  struct EntryList {
    Detail::FontImpl& Impl;
    std::vector<const Detail::GlyphEntry*> Entries;
    explicit EntryList(Detail::FontImpl& impl) : Impl(impl), Entries(impl.TakeEntryList()) {}
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;
    ~EntryList() { Impl.GiveBackEntryList(std::move(Entries)); }
  } list{impl};
  std::vector<const Detail::GlyphEntry*>& entries = list.Entries;
  entries.resize(data.Glyphs.size());
  // Every glyph of the layout is in the atlas, and placed, before the first sprite.
  impl.BeginUse();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const LayoutGlyph& glyph = data.Glyphs[i];
    entries[i] = &impl.GlyphOfIndex(glyph.GlyphIndex, glyph.Face);
    impl.Use(*entries[i]);
  }
  font.GlyphTexture();
  // Our own reference to the page drawn from last, as DrawString keeps: Draw may run code of
  // the caller's.
  std::shared_ptr<Graphics::Texture2D> texture;
  std::int32_t texturePage = -1;
  // Sprites go to the batch in runs of one texture and one tint, as DrawString's do (one Draw a
  // sprite for a batch that overrides Draw).
  constexpr std::size_t RunLength = 64;
  std::array<Graphics::SpriteRunItem, RunLength> run{};
  std::size_t queued = 0;
  Graphics::Color runTint;
  const auto flush = [&] {
    if (queued == 0) return;
    spriteBatch.DrawRun(texture, std::span(run.data(), std::exchange(queued, 0)), runTint, rotation,
                        Vector2{0, 0}, scale, spriteEffects, layerDepth);
  };

  // As DrawString: translate by the scaled origin first, then rotate about (0, 0).
  const Matrix transform =
      Matrix::Multiply(Matrix::CreateTranslation(-origin.X * scale.X, -origin.Y * scale.Y, 0),
                       Matrix::CreateRotationZ(rotation));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const LayoutGlyph& glyph = data.Glyphs[i];
    const Detail::GlyphEntry& entry = *entries[i];
    const Font::Glyph& record = entry.Record;
    const Graphics::Point offset = outlines ? entry.OutlineOffset : record.Offset;
    Vector2 p{glyph.Position.X + static_cast<float>(offset.X),
              glyph.Position.Y - ascent + static_cast<float>(offset.Y)};
    p = Vector2::Transform(p * scale, transform) + position;
    p.X = Detail::OnWholePixel(p.X);
    const auto page = outlines ? static_cast<std::int32_t>(entry.OutlinePage) : record.Page;
    const Graphics::Color spanTint = glyph.HasColor ? glyph.Color : color;
    // A colour glyph keeps its colours and takes the tint's alpha, as in DrawString.
    const Graphics::Color tint =
        record.IsColor && !outlines
            ? Graphics::Color(spanTint.A, spanTint.A, spanTint.A, spanTint.A)
            : spanTint;
    if (page != texturePage || !(tint == runTint) || queued == RunLength) {
      flush();
      runTint = tint;
      if (page != texturePage) {
        texturePage = page;
        texture = impl.PageTexture(static_cast<std::uint32_t>(page));
      }
    }
    run[queued++] = {p, outlines ? entry.OutlineSource
                                 : Graphics::Rectangle{record.Position.X, record.Position.Y,
                                                       record.Bounds.Width, record.Bounds.Height}};
  }
  flush();
}

}  // namespace

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color, float rotation,
                             Graphics::Vector2 origin, Graphics::Vector2 scale,
                             Graphics::SpriteEffects spriteEffects, float layerDepth) {
  DrawLayout(spriteBatch, layout, *layout.data, position, color, rotation, origin, scale,
             spriteEffects, layerDepth, false);
}

void SpriteBatchEx::DrawOutlinedText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                                     Graphics::Vector2 position, Graphics::Color color,
                                     Graphics::Color outlineColor, float rotation,
                                     Graphics::Vector2 origin, Graphics::Vector2 scale,
                                     Graphics::SpriteEffects spriteEffects, float layerDepth) {
  static_cast<void>(layout.GetFont().Ascent());  // checks for disposal
  if (Detail::FontAccess::Of(layout.GetFont()).HasOutlines()) {
    DrawLayout(spriteBatch, layout, *layout.data, position, outlineColor, rotation, origin, scale,
               spriteEffects, layerDepth, true);
  }
  DrawLayout(spriteBatch, layout, *layout.data, position, color, rotation, origin, scale,
             spriteEffects, layerDepth, false);
}

}  // namespace Vennicor::Font
