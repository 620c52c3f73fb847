#pragma once

#include <string_view>

#include "font/Font.h"
#include "graphics/Color.h"
#include "graphics/SpriteBatch.h"
#include "graphics/SpriteEffects.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

/// Draws text with a Font through a sprite batch, one sprite per character cut out of the
/// font's atlas texture.
struct SpriteBatchEx {
  /// Draws `text` as one line: every non-control character is one Draw on `spriteBatch` from
  /// the font's atlas, placed by its glyph's offset and advance and kerned against the character
  /// before it. Control characters (U+0000..U+001F, U+007F..U+009F) draw nothing, do not move
  /// the pen and break the kerning chain; a line feed does not start a new line (lay out lines
  /// with Font::MeasureString and Font::LineHeight and draw each one).
  ///
  /// `origin`, in the text's own unscaled pixels (x along the line, y down from the line's top),
  /// lands on `position`; the line is scaled by `scale` and turned by `rotation` radians about
  /// it. Each sprite's left edge is rounded to a whole pixel (halves to even). `color`,
  /// `spriteEffects` and `layerDepth` pass unchanged to every Draw. `lastCharacter` is the
  /// character drawn just before `text` (0 for none), so that a line drawn in pieces is kerned
  /// across the seams.
  ///
  /// Begin/End and the batch's sort and blend modes are the caller's. The sprites hold the
  /// atlas texture they were queued with, so a later call that rebuilds the atlas before the
  /// batch ends does not disturb them.
  /// \throws FontException from the font (a glyph that cannot be loaded or an atlas update
  ///         failing: nothing drawn; a failed kerning query: the sprites of the characters before
  ///         it stay queued), and whatever spriteBatch.Draw throws.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, Graphics::Color color, float rotation,
                         Graphics::Vector2 origin, Graphics::Vector2 scale,
                         Graphics::SpriteEffects spriteEffects, float layerDepth,
                         char16_t lastCharacter);

  /// The same for UTF-8 text, converted to UTF-16 first (a character outside the Basic
  /// Multilingual Plane becomes two surrogate characters; a malformed sequence draws as
  /// U+FFFD). The conversion reuses a buffer of the calling thread, so it allocates only while
  /// that buffer grows.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::string_view utf8Text,
                         Graphics::Vector2 position, Graphics::Color color, float rotation,
                         Graphics::Vector2 origin, Graphics::Vector2 scale,
                         Graphics::SpriteEffects spriteEffects, float layerDepth,
                         char16_t lastCharacter);

  /// `text` with its top-left corner at `position` in `color`: unrotated, unscaled, unflipped,
  /// layer depth 0, not kerned against anything before it. \throws as the full DrawString.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, Graphics::Color color);
  /// The same for UTF-8 text. \throws as the full DrawString.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::string_view utf8Text,
                         Graphics::Vector2 position, Graphics::Color color);
  /// `text` with its top-left corner at `position` in `color`, scaled by `scale` about that
  /// corner; otherwise as the short form above. \throws as the full DrawString.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, Graphics::Color color,
                         Graphics::Vector2 scale);
  /// The same for UTF-8 text. \throws as the full DrawString.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::string_view utf8Text,
                         Graphics::Vector2 position, Graphics::Color color,
                         Graphics::Vector2 scale);
  /// `text` scaled by `scale` along both axes; otherwise as the short form above.
  /// \throws as the full DrawString.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, Graphics::Color color, float scale);
  /// The same for UTF-8 text. \throws as the full DrawString.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::string_view utf8Text,
                         Graphics::Vector2 position, Graphics::Color color, float scale);
};

}  // namespace Vennicor::Font
