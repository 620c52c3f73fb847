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

// A one-byte atlas only where the device offers one: a device that does not would store the
// bytes as Color anyway, through the byte upload's default.
Graphics::SurfaceFormat ChooseAtlasFormat(const Graphics::GraphicsDevice& graphicsDevice,
                                          const FontOptions& options) {
  using Graphics::SurfaceFormat;
  if (options.AtlasFormat == SurfaceFormat::Alpha8 &&
      graphicsDevice.SupportsFormat(SurfaceFormat::Alpha8)) {
    return SurfaceFormat::Alpha8;
  }
  return SurfaceFormat::Color;
}

AtlasSettings SettingsFor(Graphics::SurfaceFormat format) {
  AtlasSettings settings;
  settings.Format = format;
  return settings;
}

}  // namespace

FontImpl::FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace,
                   float size, const FontOptions& fontOptions)
    : options(fontOptions),
      atlasFormat(ChooseAtlasFormat(graphicsDevice, fontOptions)),
      face(std::move(fontFace)),
      atlas(graphicsDevice, SettingsFor(atlasFormat)),
      kerning(*face) {
  face->SetRendering(RenderingFor(options));
  face->SetPixelSize(size);
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
  const bool outlined = HasOutlines();
  face->RenderGlyph(entry.GlyphIndex, image, outlined ? &outlineImage : nullptr);
  entry.Record.Advance = image.Advance;
  entry.ImageLeft = image.Left;
  entry.ImageTop = image.Top;
  entry.CacheOrder = static_cast<std::uint32_t>(glyphs.size());
  entry.AtlasId = atlas.Add(image);
  // Added right after the glyph so that a glyph and its outline are placed side by side.
  if (outlined) entry.OutlineAtlasId = atlas.Add(outlineImage);
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
    if (HasOutlines()) {
      const AtlasEntry& outline = atlas.Entry(entry.OutlineAtlasId);
      entry.OutlineSource =
          Graphics::Rectangle{outline.Position.X, outline.Position.Y, outline.Width, outline.Rows};
      const std::int32_t margin = face->Rendering().OutlineMargin;
      entry.OutlineOffset =
          Graphics::Point{entry.Record.Offset.X - margin, entry.Record.Offset.Y - margin};
    }
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
