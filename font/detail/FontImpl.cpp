#include "font/detail/FontImpl.h"

#include <utility>

#include "font/text/detail/ControlCharacter.h"

namespace Vennicor::Font::Detail {

namespace {

// Rendered and placed at construction so that common text needs no atlas update.
constexpr std::u16string_view PreloadCharacters =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";
static_assert(PreloadCharacters.size() == 87);

std::unique_ptr<FontFace> Sized(std::unique_ptr<FontFace> face, float size) {
  face->SetPixelSize(size);
  return face;
}

}  // namespace

FontImpl::FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace,
                   float size)
    : face(Sized(std::move(fontFace), size)),
      atlas(graphicsDevice, AtlasSettings{}),
      kerning(*face) {
  EnsureGlyphsExist(PreloadCharacters);
  UpdateAtlas();
}

void FontImpl::EnsureGlyphsExist(std::u16string_view text) {
  for (const char16_t character : text) {
    if (!IsControlCharacter(character) && Find(character) == nullptr) AddGlyph(character);
  }
}

void FontImpl::AddGlyph(char32_t character) {
  characters.Reserve(character);
  GlyphEntry entry;
  entry.Record.Character = static_cast<char16_t>(character);
  entry.GlyphIndex = face->GlyphIndex(character);
  face->RenderGlyph(entry.GlyphIndex, image);
  entry.Record.Advance = image.Advance;
  entry.ImageLeft = image.Left;
  entry.ImageTop = image.Top;
  entry.CacheOrder = static_cast<std::uint32_t>(glyphs.size());
  entry.AtlasId = atlas.Add(image);
  glyphs.push_back(entry);
  characters.Set(character, &glyphs.back());
}

const std::shared_ptr<Graphics::Texture2D>& FontImpl::UpdateAtlas() {
  if (!atlas.NeedsUpdate()) return atlas.Texture();
  if (atlas.NeedsPlacing()) PlaceGlyphs();
  atlas.Upload();
  return atlas.Texture();
}

void FontImpl::PlaceGlyphs() {
  const std::uint32_t firstMoved = atlas.Place();
  // Records show their glyph's place from the moment it is placed: every record after a
  // growth, the new ones otherwise.
  const std::size_t first = firstMoved == 0 ? 0 : placedGlyphs;
  const std::int32_t ascent = face->Metrics().Ascent;
  for (std::size_t i = first; i < glyphs.size(); ++i) {
    GlyphEntry& entry = glyphs[i];
    const AtlasEntry& image = atlas.Entry(entry.AtlasId);
    entry.Record.Bounds = Graphics::Rectangle{0, 0, image.Width, image.Rows};
    entry.Record.Offset = Graphics::Point{entry.ImageLeft, ascent - entry.ImageTop};
    if (image.Width > 0 && image.Rows > 0) entry.Record.Position = image.Position;
  }
  placedGlyphs = glyphs.size();
}

void FontImpl::Dispose() {
  struct ReleaseLibrary {
    FontFace& Face;
    ~ReleaseLibrary() { Face.ReleaseLibrary(); }
  } releaseLibrary{*face};
  face->Close();
  atlas.Dispose();
}

}  // namespace Vennicor::Font::Detail
