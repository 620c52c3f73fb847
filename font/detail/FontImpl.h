#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>

#include "font/atlas/detail/GlyphAtlas.h"
#include "font/detail/CharacterMap.h"
#include "font/detail/GlyphEntry.h"
#include "font/faces/detail/FontFace.h"
#include "font/faces/detail/GlyphImage.h"
#include "font/kerning/detail/KerningTable.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Texture2D.h"

namespace Vennicor::Font::Detail {

/// What a Font is made of: its face, the glyphs it has cached by character, their atlas and
/// the face's kerning. The library's own drawing and layout code works on this directly; the
/// public Font checks its state and forwards.
class FontImpl {
 public:
  /// Sizes the face, caches the common characters and builds the atlas from them.
  FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace,
           float size);

  /// The cached glyph of a character, or null.
  const GlyphEntry* Find(char32_t character) const { return characters.Find(character); }
  /// Caches a glyph for every non-control character of `text` that has none.
  void EnsureGlyphsExist(std::u16string_view text);

  /// Kerning in 26.6 of two cached glyphs.
  KerningVector KerningOf(const GlyphEntry& left, const GlyphEntry& right) const {
    return kerning.Of(left.CacheOrder, left.GlyphIndex, right.CacheOrder, right.GlyphIndex);
  }
  /// Kerning in 26.6 of two glyph indices.
  KerningVector KerningOfGlyphs(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const {
    return kerning.OfGlyphs(leftGlyph, rightGlyph);
  }
  /// The glyph index of a character, cached or not.
  std::uint32_t GlyphIndexOf(char32_t character) const {
    if (const GlyphEntry* entry = Find(character)) return entry->GlyphIndex;
    return face->GlyphIndex(character);
  }
  bool HasKerning() const { return face->HasKerning(); }

  /// Places and uploads the glyphs cached since the last update and returns the atlas texture.
  /// \throws FontException as GlyphAtlas::Update does.
  const std::shared_ptr<Graphics::Texture2D>& UpdateAtlas();

  const FaceMetrics& Metrics() const { return face->Metrics(); }
  FontFace& Face() { return *face; }
  bool IsDisposed() const { return !face->IsOpen(); }
  /// Closes the face, disposes the atlas texture, then releases the library reference, the
  /// last even if an earlier step throws. Idempotent.
  void Dispose();

 private:
  void AddGlyph(char32_t character);
  void PlaceGlyphs();

  std::unique_ptr<FontFace> face;
  GlyphAtlas atlas;
  KerningTable kerning;
  CharacterMap<GlyphEntry> characters;
  std::deque<GlyphEntry> glyphs;  // appending never moves a record
  std::size_t placedGlyphs = 0;   // records whose placement is up to date
  GlyphImage image;               // reused for every glyph rendered
};

}  // namespace Vennicor::Font::Detail
