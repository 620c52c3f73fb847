#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "font/FontStyle.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Point.h"
#include "graphics/Rectangle.h"
#include "graphics/Texture2D.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

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
    Graphics::Point Position;     ///< top-left of the image in the atlas
    Graphics::Rectangle Bounds;   ///< (0, 0, image width, image height)
    Graphics::Point Offset;       ///< image top-left relative to the pen on the line's top
    Graphics::Point Advance;      ///< pen advance in whole pixels
  };

  /// Opens `fontFace` (a font file path, or else an installed font's family name) in the
  /// Regular style at `size` pixels per em.
  /// \throws FontException with the library's messages when the face cannot be opened or sized.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size);
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
       FontStyle style);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  /// Brings the atlas up to date with every cached glyph and returns it. A texture returned
  /// earlier stays valid for whoever still holds it after the atlas is rebuilt.
  const std::shared_ptr<Graphics::Texture2D>& GlyphTexture();

  /// Closes the face, disposes the atlas and releases the FreeType library reference.
  /// Idempotent.
  void Dispose();

  std::int32_t LineHeight() const;
  std::int32_t Ascent() const;
  std::int32_t Descent() const;
  std::int32_t Leading() const;
  std::int32_t Spacing() const;

  /// The kerning of a character pair in pixels.
  Graphics::Vector2 GetKerning(char16_t leftCharacter, char16_t rightCharacter) const;

  float MeasureWidth(std::u16string_view text, char16_t previousCharacter);
  Graphics::Vector2 MeasureString(std::u16string_view text);
  Graphics::Vector2 MeasureString(std::u16string_view text, char16_t previousCharacter);

  /// Adds a glyph for every non-control character of `characters` that has none.
  void EnsureGlyphsExist(std::u16string_view characters);
  /// The cached glyph of a character. \throws std::out_of_range if it has none.
  const Glyph& GetGlyph(char16_t character) const;

 private:
  // The implementation fills this in.
};

}  // namespace Vennicor::Font
