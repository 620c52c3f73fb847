#pragma once

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ranges>
#include <string_view>

#include "font/FontStyle.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Point.h"
#include "graphics/Rectangle.h"
#include "graphics/Texture2D.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

namespace Detail {
class FontImpl;
struct FontAccess;
}  // namespace Detail

/// One font face at one pixel size: its glyph cache, its atlas texture, its metrics and string
/// measurement. Glyphs are rendered the first time a character is needed and packed into one
/// square atlas texture whose edge doubles when a glyph no longer fits.
///
/// The graphics device must outlive the font. A Font is used from one thread at a time. A font
/// can be moved; the moved-from font behaves as a disposed one.
class Font {
 public:
  /// One cached glyph. References returned by GetGlyph stay valid, and show later atlas
  /// updates, for the life of the Font.
  struct Glyph {
    char16_t Character = 0;      ///< the character the glyph shows
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
  /// Opens the first face of the font file at `file` at `size` pixels per em, as the
  /// constructors above do with a path, but never looks the text up as an installed family
  /// name: a path that names no font is an error, whatever fonts are installed. A template only
  /// so that a string literal still picks the name-or-path constructors.
  /// \throws FontException "Error openening font file" when the file is missing, is not a
  /// regular file or is not a font FreeType reads; the sizing errors of the constructors above.
  template <class Path>
  requires std::same_as<Path, std::filesystem::path> Font(Graphics::GraphicsDevice& graphicsDevice,
                                                          const Path& file, float size)
      : Font(graphicsDevice, FromFile{file}, size) {}
  /// Performs Dispose if it has not run.
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  /// Takes over `other`'s face, glyphs and atlas; glyph references and textures handed out by
  /// `other` stay valid and now belong to this font. `other` behaves as disposed afterwards.
  Font(Font&& other) noexcept;
  /// Disposes this font (an error from that is lost), then takes over `other` as above.
  Font& operator=(Font&& other) noexcept;

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
  friend struct Detail::FontAccess;

  struct FromFile {
    const std::filesystem::path& File;
  };
  Font(Graphics::GraphicsDevice& graphicsDevice, FromFile file, float size);

  void ThrowIfDisposed() const;

  // Behind a pointer so that the header names none of the internals and a move is cheap. Null
  // only in a moved-from font.
  std::unique_ptr<Detail::FontImpl> impl;
};

}  // namespace Vennicor::Font
