#include "font/detail/FontImpl.h"

#include <algorithm>
#include <utility>

#include "font/text/Utf.h"
#include "font/text/detail/ControlCharacter.h"

namespace Vennicor::Font::Detail {

namespace {

// Rendered and placed at construction so that common text needs no atlas update.
constexpr std::u16string_view PreloadCharacters =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";
static_assert(PreloadCharacters.size() == 87);

std::vector<std::unique_ptr<FontFace>> OneFace(std::unique_ptr<FontFace> face) {
  std::vector<std::unique_ptr<FontFace>> faces;
  faces.push_back(std::move(face));
  return faces;
}

}  // namespace

FontImpl::FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace,
                   float size)
    : size(size),
      faces(OneFace(std::move(fontFace))),
      atlas(graphicsDevice, AtlasSettings{}),
      kerning(*faces.front()) {
  faces.front()->SetPixelSize(size);
  EnsureGlyphsExist(PreloadCharacters);
  UpdateAtlas();
}

void FontImpl::EnsureGlyphsExist(std::u16string_view text) {
  for (std::size_t index = 0; index < text.size();) {
    char32_t character = text[index];
    if (IsPrintableAscii(character)) {
      ++index;
    } else {
      character = DecodeUtf16(text, index);
      if (IsControlCharacter(character)) continue;
    }
    if (Find(character) == nullptr) AddGlyph(character);
  }
}

FaceGlyph FontImpl::Resolve(char32_t character) const {
  if (const GlyphEntry* entry = Find(character)) return {entry->Face, entry->GlyphIndex};
  for (std::uint32_t face = 0; face < faces.size(); ++face) {
    if (const std::uint32_t glyph = faces[face]->GlyphIndex(character); glyph != 0) {
      return {face, glyph};
    }
  }
  return {};
}

void FontImpl::AddGlyph(char32_t character) {
  characters.Reserve(character);
  GlyphEntry entry;
  entry.Record.Character =
      character <= 0xFFFF ? static_cast<char16_t>(character) : char16_t{ReplacementCharacter};
  entry.Record.CodePoint = character;
  entry.CacheOrder = static_cast<std::uint32_t>(glyphs.size());
  RenderInto(entry, Resolve(character));
  glyphs.push_back(entry);
  characters.Set(character, &glyphs.back());
}

void FontImpl::RenderInto(GlyphEntry& entry, FaceGlyph glyph) {
  faces[glyph.Face]->RenderGlyph(glyph.GlyphIndex, image);
  const std::uint32_t atlasId = atlas.Add(image);
  entry.Face = glyph.Face;
  entry.GlyphIndex = glyph.GlyphIndex;
  entry.Record.Advance = image.Advance;
  entry.Record.IsColor = image.Format == GlyphPixelFormat::Bgra32;
  entry.ImageLeft = image.Left;
  entry.ImageTop = image.Top;
  entry.AtlasId = atlasId;
}

void FontImpl::AddFallbackFace(std::unique_ptr<FontFace> fallback) {
  fallback->SetPixelSize(size);
  faces.reserve(faces.size() + 1);
  faces.push_back(std::move(fallback));
  const auto face = static_cast<std::uint32_t>(faces.size() - 1);
  // Characters cached as missing glyphs may be the new face's: their records change in place
  // and are placed again (with everything after them) by the next atlas update.
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    GlyphEntry& entry = glyphs[i];
    if (entry.Face != 0 || entry.GlyphIndex != 0) continue;
    const std::uint32_t glyph = faces.back()->GlyphIndex(entry.Record.CodePoint);
    if (glyph == 0) continue;
    RenderInto(entry, FaceGlyph{face, glyph});
    placedGlyphs = std::min(placedGlyphs, i);
  }
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
  // growth, the new (or newly rendered) ones otherwise.
  const std::size_t first = firstMoved == 0 ? 0 : placedGlyphs;
  const std::int32_t ascent = Metrics().Ascent;
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
  // Every face's library reference goes last, whatever throws before.
  struct ReleaseLibraries {
    std::vector<std::unique_ptr<FontFace>>& Faces;
    ~ReleaseLibraries() {
      for (const std::unique_ptr<FontFace>& face : Faces) face->ReleaseLibrary();
    }
  } releaseLibraries{faces};
  for (const std::unique_ptr<FontFace>& face : faces) face->Close();
  atlas.Dispose();
}

}  // namespace Vennicor::Font::Detail
