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
  // Every glyph of this text is marked with the new stamp, so that placing the text's new
  // glyphs never drops an atlas page that holds one of the others.
  ++useStamp;
  for (const char16_t character : text) {
    if (IsControlCharacter(character)) continue;
    GlyphEntry* entry = characters.Find(character);
    if (entry == nullptr) {
      AddGlyph(character);
      continue;
    }
    if (atlas.Entry(entry->AtlasId).Dropped) RenderAgain(*entry);
    atlas.Touch(entry->AtlasId, useStamp);
  }
}

void FontImpl::AddGlyph(char32_t character) {
  characters.Reserve(character);
  unplaced.reserve(unplaced.size() + 1);
  GlyphEntry entry;
  entry.Record.Character = static_cast<char16_t>(character);
  entry.GlyphIndex = face->GlyphIndex(character);
  face->RenderGlyph(entry.GlyphIndex, image);
  entry.Record.Advance = image.Advance;
  entry.ImageLeft = image.Left;
  entry.ImageTop = image.Top;
  entry.CacheOrder = static_cast<std::uint32_t>(glyphs.size());
  entry.AtlasId = atlas.Add(image);
  atlas.Touch(entry.AtlasId, useStamp);
  glyphs.push_back(entry);
  characters.Set(character, &glyphs.back());
  unplaced.push_back(&glyphs.back());
}

// A glyph whose atlas page was emptied gets its image back; its record (and every reference
// to it) stays the same.
void FontImpl::RenderAgain(GlyphEntry& entry) {
  unplaced.reserve(unplaced.size() + 1);
  face->RenderGlyph(entry.GlyphIndex, image);
  atlas.Readd(entry.AtlasId, image);
  unplaced.push_back(&entry);
}

const std::shared_ptr<Graphics::Texture2D>& FontImpl::UpdateAtlas() {
  if (!atlas.NeedsUpdate()) return atlas.Texture();
  if (atlas.NeedsPlacing()) PlaceGlyphs();
  atlas.Upload();
  return atlas.Texture();
}

void FontImpl::PlaceGlyphs() {
  const bool othersMoved = atlas.Place(useStamp);
  // Records show their glyph's place from the moment it is placed: every record after a
  // growth or an emptied page, the new ones otherwise.
  const std::int32_t ascent = face->Metrics().Ascent;
  const auto refresh = [&](GlyphEntry& entry) {
    const AtlasEntry& placed = atlas.Entry(entry.AtlasId);
    entry.Record.Bounds = Graphics::Rectangle{0, 0, placed.Width, placed.Rows};
    entry.Record.Offset = Graphics::Point{entry.ImageLeft, ascent - entry.ImageTop};
    if (placed.Width > 0 && placed.Rows > 0) entry.Record.Position = placed.Position;
    entry.Record.Page = static_cast<std::int32_t>(placed.Page);
  };
  if (othersMoved) {
    for (GlyphEntry& entry : glyphs) refresh(entry);
  } else {
    for (GlyphEntry* entry : unplaced) refresh(*entry);
  }
  unplaced.clear();
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
