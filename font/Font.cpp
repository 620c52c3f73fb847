#include "font/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "font/ControlCharacter.h"
#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/GlyphCoverage.h"

namespace Vennicor::Font {

using Graphics::Color;
using Graphics::Point;
using Graphics::Rectangle;
using Graphics::Vector2;

namespace {

// Rendered and placed at construction so that common text needs no atlas update.
constexpr std::u16string_view PreloadCharacters =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";
static_assert(PreloadCharacters.size() == 87);

constexpr std::int32_t FirstAtlasPowerSize = 6;  // 64 x 64
constexpr std::int32_t LargestAtlasPowerSize = 30;

// Design units to pixels: widened so that large faces at large sizes cannot overflow, and
// truncated toward zero as integer division does.
std::int32_t ScaleToPixels(std::int32_t designUnits, const FT_Face face) {
  const std::int64_t product = std::int64_t{designUnits} * face->size->metrics.y_ppem;
  return static_cast<std::int32_t>(product / face->units_per_EM);
}

}  // namespace

void Font::FaceCloser::operator()(FT_FaceRec_* face) const noexcept {
  FreeTypeManager::CloseFace(face);
}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size)
    : Font(graphicsDevice, fontFace, size, FontStyle::Regular) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
           FontStyle style)
    : graphicsDevice(graphicsDevice), freeTypeManager(std::make_unique<FreeTypeManager>()) {
  // If this throws, the members unwind in reverse order: face closed, then reference released.
  Initialize(fontFace, size, style);
}

Font::~Font() {
  // A destructor must not throw; a backend whose texture Dispose throws loses that error here,
  // but the face and the library reference are still released.
  try {
    Dispose();
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

void Font::Initialize(std::u16string_view fontFace, float size, FontStyle style) {
  freeTypeFace.reset(freeTypeManager->OpenFont(fontFace, style));
  const FT_Face face = freeTypeFace.get();
  // Bitmap-only formats have no design units; every scaled metric would divide by zero.
  if (face->units_per_EM == 0) throw FontException(Messages::FaceNotScalable);

  // Refuse what would not convert to a 26.6 value instead of converting undefined values.
  const double height = static_cast<double>(size) * 64.0;
  if (!std::isfinite(height) || height <= -2147483649.0 || height >= 2147483648.0) {
    throw FontException(Messages::CouldNotSetFontSize);
  }
  const auto charHeight = static_cast<FT_F26Dot6>(static_cast<std::int32_t>(height));
  if (FT_Set_Char_Size(face, 0, charHeight, 72, 72) != 0) {
    throw FontException(Messages::CouldNotSetFontSize);
  }
  loadFlags = FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT;

  ascent = ScaleToPixels(face->ascender, face);
  descent = ScaleToPixels(face->descender, face);
  lineHeight = ScaleToPixels(std::int32_t{face->ascender} - face->descender, face);
  leading = ScaleToPixels(std::int32_t{face->height} - face->ascender + face->descender, face);
  // Without kerning data FreeType answers (0, 0) for every pair, so asking can be skipped.
  hasKerning = FT_HAS_KERNING(face);

  EnsureGlyphsExist(PreloadCharacters);
  ValidateGlyphTexture();
}

void Font::Dispose() {
  // The library reference goes last, and even when closing or disposing throws.
  struct ReleaseReference {
    FreeTypeManager& Manager;
    ~ReleaseReference() { Manager.Dispose(); }
  } releaseReference{*freeTypeManager};
  freeTypeFace.reset();
  if (glyphTexture) {
    const std::shared_ptr<Graphics::Texture2D> texture = std::move(glyphTexture);
    texture->Dispose();
  }
}

void Font::ThrowIfDisposed() const {
  if (!freeTypeFace) throw FontException(Messages::FontDisposed);
}

const std::shared_ptr<Graphics::Texture2D>& Font::GlyphTexture() {
  ThrowIfDisposed();
  ValidateGlyphTexture();
  return glyphTexture;
}

void Font::EnsureGlyphsExist(std::u16string_view characters) {
  ThrowIfDisposed();
  for (const char16_t character : characters) {
    if (!IsControlCharacter(character) && FindEntry(character) == nullptr) AddGlyph(character);
  }
}

const Font::Glyph& Font::GetGlyph(char16_t character) const {
  if (const GlyphEntry* entry = FindEntry(character)) return entry->Record;
  constexpr char digits[] = "0123456789ABCDEF";
  std::string code = "U+0000";
  for (unsigned i = 0; i < 4; ++i) code[5 - i] = digits[(unsigned{character} >> (4 * i)) & 0xFU];
  throw std::out_of_range("The font has no glyph for character " + code);
}

void Font::LoadCharacter(char16_t character) {
  if (loadedGlyph == character) return;
  // A failed load may leave the slot cleared, so it no longer holds the previous glyph either.
  loadedGlyph.reset();
  if (FT_Load_Char(freeTypeFace.get(), character, loadFlags) != 0) {
    throw FontException(Messages::ErrorLoadingGlyph);
  }
  loadedGlyph = character;
}

void Font::AddGlyph(char16_t character) {
  const std::size_t pageIndex = character >> 8U;
  if (pageIndex >= characterToGlyph.size()) characterToGlyph.resize(pageIndex + 1);
  std::unique_ptr<GlyphPage>& page = characterToGlyph[pageIndex];
  if (!page) page = std::make_unique<GlyphPage>();  // value-initialized: all null

  LoadCharacter(character);
  const FT_Face face = freeTypeFace.get();
  GlyphEntry entry;
  entry.Record.Character = character;
  // Arithmetic shifts: 26.6 advances floor to whole pixels.
  entry.Record.Advance = Point{static_cast<std::int32_t>(face->glyph->advance.x >> 6),
                               static_cast<std::int32_t>(face->glyph->advance.y >> 6)};
  entry.FreeTypeIndex = FT_Get_Char_Index(face, character);
  entry.CacheIndex = static_cast<std::uint32_t>(glyphs.size());

  // Should appending fail, the bytes captured stay unused in their block; nothing else changed.
  CaptureImage(entry);
  glyphs.push_back(entry);
  (*page)[character & 0xFFU] = &glyphs.back();
}

// Keeps the glyph's coverage so that placing and uploading it, now or after the atlas grows,
// never renders it again.
void Font::CaptureImage(GlyphEntry& entry) {
  const FT_GlyphSlot slot = freeTypeFace->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  constexpr unsigned largestEdge = std::numeric_limits<std::int32_t>::max() - 1;
  if (bitmap.width > largestEdge || bitmap.rows > largestEdge) {
    throw FontException(Messages::AtlasTooLarge);
  }
  entry.ImageWidth = static_cast<std::int32_t>(bitmap.width);
  entry.ImageRows = static_cast<std::int32_t>(bitmap.rows);
  entry.ImageLeft = slot->bitmap_left;
  entry.ImageTop = slot->bitmap_top;
  if (entry.ImageWidth == 0 || entry.ImageRows == 0) return;

  std::uint8_t* target = AllocateCoverage(static_cast<std::size_t>(bitmap.width) * bitmap.rows);
  CopyGlyphCoverage(freeTypeManager->GetLibraryInstance(), bitmap, target);
  entry.Image = target;
}

std::uint8_t* Font::AllocateCoverage(std::size_t bytes) {
  // Blocks grow with the font (4 KiB for the first, at most 64 KiB), so a small font stays
  // small; an image larger than a block gets a block of its own.
  constexpr std::size_t smallestBlock = std::size_t{4} << 10U;
  constexpr std::size_t largestBlock = std::size_t{64} << 10U;
  if (bytes > coverageFreeBytes) {
    const std::size_t blockBytes =
        std::max(bytes, std::clamp(coverageBlockBytes, smallestBlock, largestBlock));
    coverageBlocks.reserve(coverageBlocks.size() + 1);
    coverageBlocks.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(blockBytes));
    coverageBlockBytes += blockBytes;
    if (blockBytes - bytes < coverageFreeBytes) return coverageBlocks.back().get();
    coverageFree = coverageBlocks.back().get();
    coverageFreeBytes = blockBytes;
  }
  std::uint8_t* bytesAt = coverageFree;
  coverageFree += bytes;
  coverageFreeBytes -= bytes;
  return bytesAt;
}

std::int32_t Font::CheckedAtlasEdge(std::int32_t powerSize) const {
  if (powerSize > LargestAtlasPowerSize ||
      (std::int32_t{1} << powerSize) > graphicsDevice.MaxTextureSize()) {
    throw FontException(Messages::AtlasTooLarge);
  }
  return std::int32_t{1} << powerSize;
}

void Font::ValidateGlyphTexture() {
  const auto count = static_cast<std::int32_t>(glyphs.size());
  if (lastGlyphIndexInTexture == count - 1) return;
  if (placedGlyphCount < count) AddNewGlyphsToPacker();

  for (std::int32_t i = lastGlyphIndexInTexture + 1; i < count; ++i) {
    const GlyphEntry& entry = glyphs[static_cast<std::size_t>(i)];
    if (entry.ImageWidth > 0 && entry.ImageRows > 0) {
      const std::size_t pixelCount =
          static_cast<std::size_t>(entry.ImageWidth) * static_cast<std::size_t>(entry.ImageRows);
      if (uploadPixels.size() < pixelCount) uploadPixels.resize(pixelCount);
      // White in premultiplied alpha: the tint gives the colour when drawing.
      const std::uint8_t* source = entry.Image;
      Color* target = uploadPixels.data();
      for (std::size_t k = 0; k < pixelCount; ++k) {
        const std::uint8_t v = source[k];
        target[k].R = v;
        target[k].G = v;
        target[k].B = v;
        target[k].A = v;
      }
      const Point position = entry.Record.Position;
      glyphTexture->SetData(0, Rectangle{position.X, position.Y, entry.ImageWidth, entry.ImageRows},
                            std::span<const Color>(uploadPixels.data(), pixelCount));
    }
    lastGlyphIndexInTexture = i;
  }
}

// Places the glyphs added since the last update. When one does not fit, the edge doubles and
// every glyph is placed again from the first, into a new texture. The work happens on a trial
// packer and is committed only when everything fits and the texture exists, so a refused
// growth leaves the atlas as it was.
void Font::AddNewGlyphsToPacker() {
  std::int32_t powerSize = currentTexturePowerSize;
  std::size_t first = static_cast<std::size_t>(placedGlyphCount);
  bool newAtlas = !packer.has_value();
  if (newAtlas) {
    powerSize = FirstAtlasPowerSize;
    const std::int32_t edge = CheckedAtlasEdge(powerSize);
    trialPacker = VyrelRectanglePacker(edge, edge);
    first = 0;
  } else {
    trialPacker = *packer;  // reuses the trial packer's memory
  }

  placements.clear();
  for (std::size_t i = first; i < glyphs.size();) {
    const GlyphEntry& entry = glyphs[i];
    Point placement;
    if (entry.ImageWidth > 0 && entry.ImageRows > 0 &&
        !trialPacker.TryPack(entry.ImageWidth + 1, entry.ImageRows + 1, placement)) {
      const std::int32_t edge = CheckedAtlasEdge(++powerSize);
      trialPacker = VyrelRectanglePacker(edge, edge);
      newAtlas = true;
      first = 0;
      i = 0;
      placements.clear();
      continue;
    }
    placements.push_back(placement);
    ++i;
  }

  std::shared_ptr<Graphics::Texture2D> texture;
  if (newAtlas) {
    texture = graphicsDevice.CreateTexture2D(trialPacker.PackingAreaWidth(),
                                             trialPacker.PackingAreaHeight(), false,
                                             Graphics::SurfaceFormat::Color);
  }

  if (!packer) packer.emplace(0, 0);
  std::swap(*packer, trialPacker);
  currentTexturePowerSize = powerSize;
  for (std::size_t i = first; i < glyphs.size(); ++i) {
    GlyphEntry& entry = glyphs[i];
    entry.Record.Bounds = Rectangle{0, 0, entry.ImageWidth, entry.ImageRows};
    entry.Record.Offset = Point{entry.ImageLeft, ascent - entry.ImageTop};
    if (entry.ImageWidth > 0 && entry.ImageRows > 0) entry.Record.Position = placements[i - first];
  }
  placedGlyphCount = static_cast<std::int32_t>(glyphs.size());
  if (newAtlas) {
    // The replaced texture is only dropped: sprites queued with it keep it alive.
    glyphTexture = std::move(texture);
    lastGlyphIndexInTexture = -1;
  }
}

std::int32_t Font::LineHeight() const {
  ThrowIfDisposed();
  return lineHeight;
}

std::int32_t Font::Ascent() const {
  ThrowIfDisposed();
  return ascent;
}

std::int32_t Font::Descent() const {
  ThrowIfDisposed();
  return descent;
}

std::int32_t Font::Leading() const {
  ThrowIfDisposed();
  return leading;
}

std::int32_t Font::Spacing() const {
  ThrowIfDisposed();
  return 0;
}

std::uint32_t Font::FreeTypeIndexOf(char16_t character) const {
  if (const GlyphEntry* entry = FindEntry(character)) return entry->FreeTypeIndex;
  return FT_Get_Char_Index(freeTypeFace.get(), character);
}

KerningPairCache::Kerning Font::KerningOf(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const {
  if (!hasKerning) return {};
  if (const KerningPairCache::Kerning* cached = kerningCache.Find(leftGlyph, rightGlyph)) {
    return *cached;
  }
  FT_Vector kerning;
  if (FT_Get_Kerning(freeTypeFace.get(), leftGlyph, rightGlyph, FT_KERNING_DEFAULT, &kerning) !=
      0) {
    throw FontException(Messages::NoKerningInformation);
  }
  const KerningPairCache::Kerning result{static_cast<std::int32_t>(kerning.x),
                                         static_cast<std::int32_t>(kerning.y)};
  kerningCache.Insert(leftGlyph, rightGlyph, result);
  return result;
}

KerningPairCache::Kerning Font::KerningOfUncommon(const GlyphEntry& left,
                                                  const GlyphEntry& right) const {
  if (left.CacheIndex >= CommonGlyphs || right.CacheIndex >= CommonGlyphs) {
    return KerningOf(left.FreeTypeIndex, right.FreeTypeIndex);
  }
  if (!commonPairKerning) {
    commonPairKerning =
        std::make_unique_for_overwrite<std::int16_t[]>(std::size_t{CommonGlyphs} * CommonGlyphs);
    std::fill_n(commonPairKerning.get(), CommonGlyphs * CommonGlyphs, NotAsked);
  }
  std::int16_t& known = commonPairKerning[left.CacheIndex * CommonGlyphs + right.CacheIndex];
  if (known > HeldElsewhere) return {known, 0};
  const KerningPairCache::Kerning kerning = KerningOf(left.FreeTypeIndex, right.FreeTypeIndex);
  if (known == NotAsked) {
    const bool fits = kerning.Y == 0 && kerning.X > HeldElsewhere &&
                      kerning.X <= std::numeric_limits<std::int16_t>::max();
    known = fits ? static_cast<std::int16_t>(kerning.X) : HeldElsewhere;
  }
  return kerning;
}

Vector2 Font::GetKerning(char16_t leftCharacter, char16_t rightCharacter) const {
  ThrowIfDisposed();
  const GlyphEntry* left = FindEntry(leftCharacter);
  const GlyphEntry* right = FindEntry(rightCharacter);
  const KerningPairCache::Kerning kerning =
      left != nullptr && right != nullptr
          ? KerningOf(*left, *right)
          : KerningOf(FreeTypeIndexOf(leftCharacter), FreeTypeIndexOf(rightCharacter));
  return Vector2{static_cast<float>(kerning.X) * 0.015625F,
                 static_cast<float>(kerning.Y) * 0.015625F};
}

float Font::MeasureWidth(std::u16string_view text, char16_t previousCharacter) {
  return MeasureString(text, previousCharacter).X;
}

Vector2 Font::MeasureString(std::u16string_view text) { return MeasureString(text, 0); }

Vector2 Font::MeasureString(std::u16string_view text, char16_t previousCharacter) {
  EnsureGlyphsExist(text);

  // 64-bit sums: a very long text cannot overflow them.
  std::int64_t lineWidth = 0;
  std::int64_t widestLine = 0;
  std::int64_t completedLinesHeight = 0;
  std::int32_t currentLineHeight = 0;
  char16_t previous = previousCharacter;
  // The seed may be a character without a glyph; its glyph index stands in for it then.
  const GlyphEntry* previousEntry = previous != 0 ? FindEntry(previous) : nullptr;
  const std::uint32_t seedGlyph =
      previous != 0 && previousEntry == nullptr && hasKerning ? FreeTypeIndexOf(previous) : 0;
  for (const char16_t character : text) {
    if (character == u'\n') {
      widestLine = std::max(lineWidth, widestLine);
      lineWidth = 0;
      currentLineHeight = 0;
      completedLinesHeight += lineHeight;
      previous = 0;
      continue;
    }
    if (IsControlCharacter(character)) {
      previous = 0;
      continue;
    }
    const GlyphEntry& entry = *FindEntry(character);
    if (previous != 0) {
      // Kerning in pixels, as GetKerning gives it, added and truncated toward zero. FreeType
      // grid-fits it to whole pixels, which add exactly as integers; the floating-point round
      // trip stays for any other value.
      const KerningPairCache::Kerning kerning = previousEntry != nullptr
                                                    ? KerningOf(*previousEntry, entry)
                                                    : KerningOf(seedGlyph, entry.FreeTypeIndex);
      if ((kerning.X & 63) == 0) {
        lineWidth += kerning.X / 64;
      } else {
        lineWidth = static_cast<std::int64_t>(static_cast<double>(lineWidth) +
                                              static_cast<float>(kerning.X) * 0.015625F);
      }
    }
    currentLineHeight = lineHeight;
    lineWidth += entry.Record.Advance.X;
    previous = character;
    previousEntry = &entry;
  }
  const std::int64_t height = currentLineHeight - std::int64_t{leading} + completedLinesHeight;
  return Vector2{static_cast<float>(std::max(lineWidth, widestLine)), static_cast<float>(height)};
}

}  // namespace Vennicor::Font
