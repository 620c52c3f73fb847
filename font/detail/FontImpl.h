#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
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

/// A glyph named by its face (0: the font's own, 1..: fallbacks) and its index in that face.
struct FaceGlyph {
  std::uint32_t Face = 0;
  std::uint32_t GlyphIndex = 0;
};

/// What a Font is made of: its faces (its own first, then the fallbacks), the glyphs it has
/// cached by character, their atlas and the kerning. The library's own drawing and layout code
/// works on this directly; the public Font checks its state and forwards.
class FontImpl {
 public:
  /// Sizes the face, caches the common characters and builds the atlas from them.
  FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace,
           float size);

  /// The cached glyph of a character, or null.
  const GlyphEntry* Find(char32_t character) const { return characters.Find(character); }
  /// Caches a glyph for every non-control character of `text` that has none; a valid surrogate
  /// pair is one character.
  void EnsureGlyphsExist(std::u16string_view text);

  /// The face and glyph a character is drawn with: the first face that maps it, or the font's
  /// own missing glyph (face 0, glyph 0). Cached characters answer from their entry; others
  /// ask each face's character map.
  FaceGlyph Resolve(char32_t character) const;

  /// Kerning in 26.6 of two cached glyphs: zero unless both come from one face.
  KerningVector KerningOf(const GlyphEntry& left, const GlyphEntry& right) const {
    // One test for the common case, two glyphs of the font's own face.
    if ((left.Face | right.Face) == 0) {
      return kerning.Of(left.CacheOrder, left.GlyphIndex, right.CacheOrder, right.GlyphIndex);
    }
    if (left.Face != right.Face) return {};
    return faces[left.Face]->Kerning(left.GlyphIndex, right.GlyphIndex);
  }
  /// Kerning in 26.6 of two glyphs, cached or not: zero unless both come from one face.
  KerningVector KerningOf(FaceGlyph left, FaceGlyph right) const {
    if (left.Face != right.Face) return {};
    if (left.Face == 0) return kerning.OfGlyphs(left.GlyphIndex, right.GlyphIndex);
    return faces[left.Face]->Kerning(left.GlyphIndex, right.GlyphIndex);
  }

  /// Opens no file itself: sizes `fallback` to the font's size and appends it to the faces, then
  /// renders again from it the cached characters that no face had.
  /// \throws FontException from sizing (nothing changed) or from rendering (the face stays).
  void AddFallbackFace(std::unique_ptr<FontFace> fallback);
  /// The faces, the font's own first and then the fallbacks in the order added; a GlyphEntry's
  /// Face indexes this. For layout code that shapes each run of text with its own face.
  std::span<const std::unique_ptr<FontFace>> Faces() const { return faces; }

  /// Places and uploads the glyphs cached since the last update and returns the atlas texture.
  /// \throws FontException as GlyphAtlas::Update does.
  const std::shared_ptr<Graphics::Texture2D>& UpdateAtlas();

  const FaceMetrics& Metrics() const { return faces.front()->Metrics(); }
  /// The font's own face.
  FontFace& Face() { return *faces.front(); }
  bool IsDisposed() const { return !faces.front()->IsOpen(); }
  /// Closes the faces, disposes the atlas texture, then releases the library references, the
  /// last even if an earlier step throws. Idempotent.
  void Dispose();

 private:
  void AddGlyph(char32_t character);
  /// Renders `glyph` into `entry` and adds its image to the atlas.
  void RenderInto(GlyphEntry& entry, FaceGlyph glyph);
  void PlaceGlyphs();

  float size;
  std::vector<std::unique_ptr<FontFace>> faces;  // never empty; [0] is the font's own
  GlyphAtlas atlas;
  KerningTable kerning;  // of faces[0]
  CharacterMap<GlyphEntry> characters;
  std::deque<GlyphEntry> glyphs;  // appending never moves a record
  std::size_t placedGlyphs = 0;   // records whose placement is up to date
  GlyphImage image;               // reused for every glyph rendered
};

}  // namespace Vennicor::Font::Detail
