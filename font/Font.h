#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <ranges>
#include <string_view>
#include <vector>

#include "font/FontStyle.h"
#include "font/KerningPairCache.h"
#include "font/packing/VyrelRectanglePacker.h"
#include "graphics/Color.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Point.h"
#include "graphics/Rectangle.h"
#include "graphics/Texture2D.h"
#include "graphics/Vector2.h"

struct FT_FaceRec_;  // FreeType's face record, kept out of this header

namespace Vennicor::Font {

class FreeTypeManager;

/// One font face at one pixel size: its glyph cache, its atlas texture, its metrics and string
/// measurement. Glyphs are rendered the first time a character is needed and packed into one
/// square atlas texture whose edge doubles when a glyph no longer fits.
///
/// The graphics device must outlive the font. A Font is used from one thread at a time.
class Font {
 public:
  /// One cached glyph. References returned by GetGlyph stay valid, and show later atlas
  /// updates, for the life of the Font.
  struct Glyph {
    char16_t Character = 0;
    Graphics::Point Position;    ///< top-left of the image in the atlas
    Graphics::Rectangle Bounds;  ///< (0, 0, image width, image height)
    Graphics::Point Offset;      ///< image top-left relative to the pen on the line's top
    Graphics::Point Advance;     ///< pen advance in whole pixels
  };

  /// Opens `fontFace` (a font file path, or else an installed font's family name) in the
  /// Regular style at `size` pixels per em.
  /// \throws FontException with the library's messages when the face cannot be opened or sized.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size);
  /// Opens `fontFace` at `size` pixels per em, sets the size, renders the 87 common characters
  /// (a-z, A-Z, 0-9, punctuation and the space) and builds the atlas from them.
  /// The style chooses among installed faces; a face opened by path ignores it.
  /// \throws FontException when the face cannot be opened or found (the lookup's messages), has
  /// no scalable outlines, or when `size` is not finite or too large for FreeType ("Could not
  /// set font size in FreeType"); a size below one pixel becomes one pixel. Whatever was
  /// acquired is released before the error leaves.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
       FontStyle style);
  /// Performs Dispose if it has not run.
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  /// Brings the atlas up to date with every cached glyph and returns it. A texture returned
  /// earlier stays valid for whoever still holds it after the atlas is rebuilt; the font
  /// merely stops holding it.
  /// \throws FontException "The glyph atlas would exceed ..." when a glyph would need a larger
  /// texture than the device's MaxTextureSize() (the atlas is then left as it was), or after
  /// Dispose.
  const std::shared_ptr<Graphics::Texture2D>& GlyphTexture();

  /// Closes the face, disposes the atlas texture and then releases the FreeType library
  /// reference, the last even if an earlier step throws. Idempotent. Glyph references stay
  /// valid; every member that needs the face throws FontException afterwards.
  void Dispose();

  /// Distance from the ascender line to the descender line, in pixels.
  /// \throws FontException after Dispose (as do all the metrics and measuring members).
  std::int32_t LineHeight() const;
  /// Height of the ascender line above the baseline, in pixels.
  std::int32_t Ascent() const;
  /// Position of the descender line relative to the baseline: negative for ordinary faces.
  std::int32_t Descent() const;
  /// The line gap: baseline-to-baseline distance less LineHeight's extent; may be negative.
  std::int32_t Leading() const;
  /// Extra space between characters: always 0.
  std::int32_t Spacing() const;

  /// The kerning of a character pair in whole pixels (negative X pulls the right character
  /// closer). A character the face lacks counts as its missing glyph.
  /// \throws FontException "Could not obtain kerning information" when FreeType refuses.
  Graphics::Vector2 GetKerning(char16_t leftCharacter, char16_t rightCharacter) const;

  /// The width MeasureString(text, previousCharacter) gives.
  float MeasureWidth(std::u16string_view text, char16_t previousCharacter);
  /// The size of `text` in pixels: the widest line, and LineHeight per line feed plus one for
  /// a last line that holds a visible character, less Leading once. Caches glyphs for new
  /// characters but leaves the atlas alone until the next GlyphTexture.
  Graphics::Vector2 MeasureString(std::u16string_view text);
  /// As above, kerning the first character against `previousCharacter` (0: none), for text
  /// measured in pieces.
  Graphics::Vector2 MeasureString(std::u16string_view text, char16_t previousCharacter);

  /// Measures text that a caller builds in a buffer (a std::vector<char16_t>, a std::array, a
  /// std::span...), without copying it. Any contiguous range of char16_t is accepted; strings
  /// and string views take the overloads above, so the two never compete.
  template <class Buffer>
  requires std::ranges::contiguous_range<const Buffer> && std::ranges::sized_range<const Buffer> &&
      std::same_as < std::ranges::range_value_t<const Buffer>,
  char16_t > &&(!std::convertible_to<const Buffer&, std::u16string_view>)Graphics::Vector2
             MeasureString(const Buffer& text, char16_t previousCharacter = 0) {
    return MeasureString(std::u16string_view(std::ranges::data(text), std::ranges::size(text)),
                         previousCharacter);
  }

  /// Adds a glyph for every non-control character of `characters` that has none.
  /// \throws FontException "Error loading glyph in FreeType" (the glyphs cached before the
  /// failing character stay cached), or after Dispose.
  void EnsureGlyphsExist(std::u16string_view characters);
  /// The cached glyph of a character, in constant time. The reference stays valid for the life
  /// of the font. \throws std::out_of_range if it has none.
  const Glyph& GetGlyph(char16_t character) const;

 private:
  /// A glyph and what the font keeps to place and upload it without rendering it again.
  struct GlyphEntry {
    Glyph Record;
    std::uint32_t FreeTypeIndex = 0;  ///< glyph index for kerning queries
    std::uint32_t CacheIndex = 0;     ///< position in `glyphs`
    std::int32_t ImageWidth = 0;
    std::int32_t ImageRows = 0;
    std::int32_t ImageLeft = 0;
    std::int32_t ImageTop = 0;
    const std::uint8_t* Image = nullptr;  ///< coverage bytes, rows packed tightly
  };

  /// Glyphs of 256 consecutive characters; created when the first of them is cached.
  using GlyphPage = std::array<GlyphEntry*, 256>;

  struct FaceCloser {
    void operator()(FT_FaceRec_* face) const noexcept;
  };

  void Initialize(std::u16string_view fontFace, float size, FontStyle style);
  void ThrowIfDisposed() const;

  GlyphEntry* FindEntry(char16_t character) const {
    const std::size_t page = character >> 8U;
    if (page >= characterToGlyph.size() || !characterToGlyph[page]) return nullptr;
    return (*characterToGlyph[page])[character & 0xFFU];
  }
  void AddGlyph(char16_t character);
  void LoadCharacter(char16_t character);
  void CaptureImage(GlyphEntry& entry);
  std::uint8_t* AllocateCoverage(std::size_t bytes);
  void ValidateGlyphTexture();
  void AddNewGlyphsToPacker();
  std::int32_t CheckedAtlasEdge(std::int32_t powerSize) const;
  std::uint32_t FreeTypeIndexOf(char16_t character) const;
  KerningPairCache::Kerning KerningOf(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const;
  /// Kerning of two cached glyphs; pairs among the common glyphs answer from a table.
  KerningPairCache::Kerning KerningOf(const GlyphEntry& left, const GlyphEntry& right) const {
    if (!hasKerning) return {};
    if (left.CacheIndex < CommonGlyphs && right.CacheIndex < CommonGlyphs && commonPairKerning) {
      const std::int16_t known =
          commonPairKerning[left.CacheIndex * CommonGlyphs + right.CacheIndex];
      if (known > HeldElsewhere) return {known, 0};
    }
    return KerningOfUncommon(left, right);
  }
  KerningPairCache::Kerning KerningOfUncommon(const GlyphEntry& left,
                                              const GlyphEntry& right) const;

  // The order matters on a failed construction: members are destroyed in reverse, so the face
  // is closed before the manager gives the library reference back.
  Graphics::GraphicsDevice& graphicsDevice;
  std::unique_ptr<FreeTypeManager> freeTypeManager;
  std::unique_ptr<FT_FaceRec_, FaceCloser> freeTypeFace;
  std::int32_t loadFlags = 0;
  std::optional<char16_t> loadedGlyph;

  std::deque<GlyphEntry> glyphs;  // appending never moves a record
  std::vector<std::unique_ptr<GlyphPage>> characterToGlyph;
  // Glyph coverage lives in blocks that are never reallocated: growing one large array would
  // copy it and churn the allocator on every glyph burst.
  std::vector<std::unique_ptr<std::uint8_t[]>> coverageBlocks;
  std::uint8_t* coverageFree = nullptr;
  std::size_t coverageFreeBytes = 0;
  std::size_t coverageBlockBytes = 0;  // all blocks together

  std::optional<VyrelRectanglePacker> packer;
  VyrelRectanglePacker trialPacker{0, 0};     // placement happens here first, then is swapped in
  std::vector<Graphics::Point> placements;    // reused by AddNewGlyphsToPacker
  std::vector<Graphics::Color> uploadPixels;  // reused for each glyph's upload
  std::int32_t lastGlyphIndexInTexture = -1;
  std::int32_t placedGlyphCount = 0;  // glyphs placed in `packer`, uploaded or not
  std::int32_t currentTexturePowerSize = 0;
  std::shared_ptr<Graphics::Texture2D> glyphTexture;

  // Fixed for the font's life, since its size is set once.
  std::int32_t ascent = 0;
  std::int32_t descent = 0;
  std::int32_t lineHeight = 0;
  std::int32_t leading = 0;
  bool hasKerning = false;
  mutable KerningPairCache kerningCache;
  // Kerning X (26.6) of pairs among the first CommonGlyphs glyphs, the ones text uses most,
  // read without hashing; allocated at the first kerning query of a face with kerning.
  static constexpr std::uint32_t CommonGlyphs = 128;
  // Table entries that are no kerning value: not asked yet, and held by the pair cache instead
  // (a vertical component, or a value beyond 16 bits).
  static constexpr std::int16_t NotAsked = -32768;
  static constexpr std::int16_t HeldElsewhere = NotAsked + 1;
  mutable std::unique_ptr<std::int16_t[]> commonPairKerning;
};

}  // namespace Vennicor::Font
