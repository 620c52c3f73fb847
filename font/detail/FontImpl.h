#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

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
  /// The cached glyphs of U+0000..U+00FF by character (null: none), or null; see
  /// CharacterMap::FirstPage.
  const GlyphEntry* const* FirstGlyphPage() const { return characters.FirstPage(); }
  /// Caches a glyph for every non-control character of `text` that has none.
  void EnsureGlyphsExist(std::u16string_view text);

  /// Kerning in 26.6 of two cached glyphs.
  KerningVector KerningOf(const GlyphEntry& left, const GlyphEntry& right) const {
    return kerning.Of(left.CacheOrder, left.GlyphIndex, right.CacheOrder, right.GlyphIndex);
  }
  /// The same for a font whose face has kerning (HasKerning), checked once by the caller: the
  /// flat table of common pairs inline, anything else out of line.
  KerningVector KerningOfKerningFace(const GlyphEntry& left, const GlyphEntry& right) const {
    std::int32_t known = 0;
    if (kerning.TryCommon(left.CacheOrder, right.CacheOrder, known)) [[likely]] {
      return {known, 0};
    }
    return kerning.OfKerningFace(left.CacheOrder, left.GlyphIndex, right.CacheOrder,
                                 right.GlyphIndex);
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

  /// Places and uploads the glyphs cached since the last update and returns the first atlas
  /// page's texture. \throws FontException as GlyphAtlas::Place and Upload do.
  const std::shared_ptr<Graphics::Texture2D>& UpdateAtlas();
  /// The texture of an atlas page as it is now (null past the last page).
  const std::shared_ptr<Graphics::Texture2D>& PageTexture(std::uint32_t page) const {
    return atlas.PageTexture(page);
  }
  std::uint32_t PageCount() const { return atlas.PageCount(); }
  void SetPageLimit(std::int32_t limit) { atlas.SetPageLimit(limit); }
  std::int32_t PageLimit() const { return atlas.PageLimit(); }

  const FaceMetrics& Metrics() const { return face->Metrics(); }
  FontFace& Face() { return *face; }
  bool IsDisposed() const { return !face->IsOpen(); }
  /// Closes the face, disposes the atlas texture, then releases the library reference, the
  /// last even if an earlier step throws. Idempotent.
  void Dispose();

 private:
  void AddGlyph(char32_t character);
  void RenderAgain(GlyphEntry& entry);
  void PlaceGlyphs();

  std::unique_ptr<FontFace> face;
  GlyphAtlas atlas;
  KerningTable kerning;
  CharacterMap<GlyphEntry> characters;
  std::deque<GlyphEntry> glyphs;      // appending never moves a record
  std::vector<GlyphEntry*> unplaced;  // records whose images wait for the next placing
  std::uint64_t useStamp = 0;         // one more for each text the font caches glyphs for
  GlyphImage image;                   // reused for every glyph rendered
};

}  // namespace Vennicor::Font::Detail
