#include "font/detail/FontImpl.h"

#include <utility>

#include "font/FontException.h"

#if VENNICOR_TEXT_LAYOUT
#include "font/layout/detail/LayoutServices.h"
#else
namespace Vennicor::Font::Layout::Detail {
// This build has no text layout: nothing ever makes one of these.
class LayoutServices {};
}  // namespace Vennicor::Font::Layout::Detail
#endif
#include "font/text/detail/ControlCharacter.h"

namespace Vennicor::Font::Detail {

namespace {

// Rendered and placed at construction so that common text needs no atlas update.
constexpr std::u16string_view PreloadCharacters =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";
static_assert(PreloadCharacters.size() == 87);

}  // namespace

FontImpl::FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace,
                   float size)
    : face(std::move(fontFace)), atlas(graphicsDevice, AtlasSettings{}), kerning(*face) {
  face->SetPixelSize(size);
  EnsureGlyphsExist(PreloadCharacters);
  UpdateAtlas();
}

FontImpl::~FontImpl() = default;

void FontImpl::EnsureGlyphsExist(std::u16string_view text) {
  for (const char16_t character : text) {
    if (!IsControlCharacter(character) && Find(character) == nullptr) AddGlyph(character);
  }
}

void FontImpl::AddGlyph(char32_t character) {
  characters.Reserve(character);
  GlyphEntry& entry = AddImage(face->GlyphIndex(character));
  entry.Record.Character = static_cast<char16_t>(character);
  characters.Set(character, &entry);
}

GlyphEntry& FontImpl::AddImage(std::uint32_t glyphIndex) {
  // Glyph indices are below a face's glyph count (at most 65535): a table indexed by them
  // answers shaped text without hashing.
  if (glyphIndex >= glyphIndexes.size()) glyphIndexes.resize(std::size_t{glyphIndex} + 1);
  GlyphEntry entry;
  entry.GlyphIndex = glyphIndex;
  face->RenderGlyph(glyphIndex, image);
  entry.Record.Advance = image.Advance;
  entry.ImageLeft = image.Left;
  entry.ImageTop = image.Top;
  entry.CacheOrder = static_cast<std::uint32_t>(glyphs.size());
  entry.AtlasId = atlas.Add(image);
  glyphs.push_back(entry);
  // The first record of a glyph index serves the layout; characters sharing a glyph (a face
  // that maps two characters to one glyph) keep records of their own.
  if (glyphIndexes[glyphIndex] == nullptr) glyphIndexes[glyphIndex] = &glyphs.back();
  return glyphs.back();
}

const GlyphEntry& FontImpl::GlyphOfIndex(std::uint32_t glyphIndex) {
  if (glyphIndex < glyphIndexes.size() && glyphIndexes[glyphIndex] != nullptr) {
    return *glyphIndexes[glyphIndex];
  }
  return AddImage(glyphIndex);
}

Layout::Detail::LayoutServices& FontImpl::LayoutServices() {
#if !VENNICOR_TEXT_LAYOUT
  throw FontException(Messages::TextServicesUnavailable);
#else
  if (!layoutServices) {
    layoutServices =
        std::make_unique<Layout::Detail::LayoutServices>(face->Handle(), face->LoadFlags());
  }
  return *layoutServices;
#endif
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
  layoutServices.reset();  // its HarfBuzz fonts hold references on the face
  face->Close();
  atlas.Dispose();
}

}  // namespace Vennicor::Font::Detail
