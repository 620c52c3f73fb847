#pragma once

#include <concepts>
#include <functional>
#include <string_view>

#include "font/Font.h"
#include "font/Version.h"
#include "font/drawing/DrawStyle.h"
#include "font/drawing/GlyphDraw.h"
#include "graphics/Color.h"
#include "graphics/DistanceFieldEffect.h"
#include "graphics/SpriteBatch.h"
#include "graphics/SpriteEffects.h"
#include "graphics/Vector2.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/layout/TextLayout.h"
#endif

// windows.h defines DrawText as DrawTextW or DrawTextA. Included before this header, it would
// rename the declarations below away from the functions the library defines; they keep their
// name, and the calls it renames reach them through the forwarders at the end of SpriteBatchEx.
#ifdef DrawText
#pragma push_macro("DrawText")
#undef DrawText
#define VENNICOR_DRAW_TEXT_MACRO_SAVED
#endif

namespace Vennicor::Font {

/// Draws text with a Font through a sprite batch, one sprite per character cut out of the
/// font's atlas texture.
struct SpriteBatchEx {
  /// Draws `text` as one line: every non-control character (a valid surrogate pair is one
  /// character, a lone surrogate one of its own) is one sprite on `spriteBatch` from
  /// the font's atlas, placed by its glyph's offset and advance and kerned against the character
  /// before it. The sprites go to the batch in runs (SpriteBatch::DrawRun), so a batch that
  /// overrides Draw gets one Draw call a character, in order; the library's own batch queues the
  /// same sprites without a call each. Control characters (U+0000..U+001F, U+007F..U+009F) draw
  /// nothing, do not move the pen and break the kerning chain; a line feed does not start a new
  /// line (lay out lines with Font::MeasureString and Font::LineHeight and draw each one).
  ///
  /// `origin`, in the text's own unscaled pixels (x along the line, y down from the line's top),
  /// lands on `position`; the line is scaled by `scale` and turned by `rotation` radians about
  /// it. Each sprite's left edge is rounded to a whole pixel (halves to even). `color`,
  /// `spriteEffects` and `layerDepth` pass unchanged to every Draw, but for a colour glyph
  /// (Font::Glyph::IsColor: emoji and other glyphs that carry their own colours) the tint is
  /// white with `color`'s alpha, so that the glyph keeps its colours and only fades with the
  /// tint. `lastCharacter` is the
  /// character drawn just before `text` (0 for none), so that a line drawn in pieces is kerned
  /// across the seams.
  ///
  /// Begin/End and the batch's sort and blend modes are the caller's. The sprites hold the
  /// atlas texture they were queued with, so a later call that rebuilds the atlas before the
  /// batch ends does not disturb them.
  /// Cost: linear in the text, no allocation (beyond the batch's queue growing); about 2.5
  /// times the cost of writing the sprites' quads from flat tables (bench/FloorsBench.cpp).
  /// \throws FontException from the font (a glyph that cannot be loaded or an atlas update
  ///         failing: nothing drawn; a failed kerning query: the sprites of the characters before
  ///         it stay queued), and whatever spriteBatch.Draw throws.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, Graphics::Color color, float rotation,
                         Graphics::Vector2 origin, Graphics::Vector2 scale,
                         Graphics::SpriteEffects spriteEffects, float layerDepth,
                         char16_t lastCharacter) {
    DrawAfter(spriteBatch, font, text, position, color, rotation, origin, scale, spriteEffects,
              layerDepth, lastCharacter);
  }

  /// The same after a character beyond the Basic Multilingual Plane. (A template only so that
  /// a literal 0 keeps choosing the overload above.)
  template <std::same_as<char32_t> CodePoint>
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, Graphics::Color color, float rotation,
                         Graphics::Vector2 origin, Graphics::Vector2 scale,
                         Graphics::SpriteEffects spriteEffects, float layerDepth,
                         CodePoint lastCharacter) {
    DrawAfter(spriteBatch, font, text, position, color, rotation, origin, scale, spriteEffects,
              layerDepth, lastCharacter);
  }

  /// The same for UTF-8 text, which draws as its UTF-16 form does (a malformed sequence draws
  /// as U+FFFD). The text is decoded into a buffer of the calling thread, so the call allocates
  /// only while that buffer grows.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::string_view utf8Text,
                         Graphics::Vector2 position, Graphics::Color color, float rotation,
                         Graphics::Vector2 origin, Graphics::Vector2 scale,
                         Graphics::SpriteEffects spriteEffects, float layerDepth,
                         char32_t lastCharacter);

  /// Draws `text` as one line, as the long form above, with everything but the text and its
  /// position in one value: `style`'s passes (shadow, outline images, glyphs; see DrawStyle)
  /// one after the other. With a default style this is the short form below.
  /// \throws as the long form (a pass that throws leaves the passes before it queued).
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, const DrawStyle& style,
                         char32_t lastCharacter = 0);
  /// The same for UTF-8 text. \throws as above.
  static void DrawString(Graphics::SpriteBatch& spriteBatch, Font& font, std::string_view utf8Text,
                         Graphics::Vector2 position, const DrawStyle& style,
                         char32_t lastCharacter = 0);

  /// Draws `text` as DrawString does, framed by the font's outline images
  /// (FontOptions::OutlineThickness): first every character's outline in `outlineColor`, then
  /// every character in `color` over them, so the frame never covers a neighbour's glyph and a
  /// translucent outline colour shows no glyph through it. A font without outline images draws
  /// the glyphs alone; colour glyphs have no outline. Sort modes keep the order when the layer
  /// depths are equal. \throws as DrawString.
  static void DrawOutlinedString(Graphics::SpriteBatch& spriteBatch, Font& font,
                                 std::u16string_view text, Graphics::Vector2 position,
                                 Graphics::Color color, Graphics::Color outlineColor,
                                 float rotation, Graphics::Vector2 origin, Graphics::Vector2 scale,
                                 Graphics::SpriteEffects spriteEffects, float layerDepth,
                                 char16_t lastCharacter);

  /// Draws `text` once at `position + shadowOffset` (render-target pixels) in `shadowColor`,
  /// then as DrawString does over it. \throws as DrawString.
  static void DrawStringWithShadow(Graphics::SpriteBatch& spriteBatch, Font& font,
                                   std::u16string_view text, Graphics::Vector2 position,
                                   Graphics::Color color, Graphics::Vector2 shadowOffset,
                                   Graphics::Color shadowColor, float rotation,
                                   Graphics::Vector2 origin, Graphics::Vector2 scale,
                                   Graphics::SpriteEffects spriteEffects, float layerDepth,
                                   char16_t lastCharacter);

  /// The effect that draws text of a font made with FontOptions::DistanceField: pass it to
  /// SpriteBatch::Begin, then DrawString as usual, at any scale. `outlineWidth` and
  /// `outlineSoftness` are in pixels at the font's size (a soft outline is a glow), at most the
  /// font's spread. For a font without distance fields the effect is disabled; for a
  /// FontOptions::MultiChannel one it reads the multi-channel field.
  /// \throws FontException on a moved-from font.
  static Graphics::DistanceFieldEffect DistanceFieldEffectOf(const Font& font,
                                                             float outlineWidth = 0,
                                                             Graphics::Color outlineColor = {},
                                                             float outlineSoftness = 0);

#if VENNICOR_FONT_HAS_TEXT_LAYOUT
  /// Draws a laid-out text with its top-left corner at `position`: one Draw on `spriteBatch` a
  /// glyph (spaces included, from an empty rectangle), from the font's atlas, tinted by the
  /// glyph's colour span or else by `color`. The font's atlas is brought up to date first.
  /// \throws FontException from the font (after Dispose; an atlas too large for the device),
  ///         and whatever spriteBatch.Draw throws (the sprites of earlier runs stay queued:
  ///         sprites go to the batch in runs, as DrawString's do).
  static void DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                       Graphics::Vector2 position, Graphics::Color color);
  /// The same with a per-glyph hook: `effect` sees each glyph (GlyphDraw: its number, text
  /// index and colour) and may move, recolour, scale or hide it; a hidden glyph's background and
  /// decorations are not drawn either. For a typewriter, hide the glyphs from a count on
  /// (`[n](GlyphDraw& g) { g.Visible = g.Index < n; }`): the layout stays as it is. A RichText
  /// layout draws its runs' backgrounds first, then the glyphs, then the underlines and
  /// strikethroughs, the boxes from the layout font's atlas. Costs one call of `effect` a glyph
  /// and a list of the glyphs' draws. \throws as above, and what `effect` throws.
  static void DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                       Graphics::Vector2 position, Graphics::Color color,
                       const std::function<void(GlyphDraw&)>& effect);
  /// The same with a DrawStyle's passes (the hook's offsets, scales and visibility apply to
  /// every pass, its colour to the glyphs' own). \throws as above.
  static void DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                       Graphics::Vector2 position, const DrawStyle& style,
                       const std::function<void(GlyphDraw&)>& effect);

  /// The same, placed as DrawString places a line: `origin`, in the layout's own unscaled
  /// pixels, lands on `position`; the layout is scaled by `scale` and turned by `rotation`
  /// radians about it; each sprite's left edge is rounded to a whole pixel (halves to even).
  /// `spriteEffects` and `layerDepth` pass unchanged to every Draw (a flip mirrors each glyph
  /// in its own box, as DrawString does).
  static void DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                       Graphics::Vector2 position, Graphics::Color color, float rotation,
                       Graphics::Vector2 origin, Graphics::Vector2 scale,
                       Graphics::SpriteEffects spriteEffects, float layerDepth);

  /// Draws a laid-out text as DrawText does, framed by the font's outline images
  /// (FontOptions::OutlineThickness): first every glyph's outline in `outlineColor`, then every
  /// glyph over them, as DrawOutlinedString does for a line. A font without outline images
  /// draws the glyphs alone. Colour spans tint the glyphs, not their outlines.
  /// \throws as DrawText.
  static void DrawOutlinedText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                               Graphics::Vector2 position, Graphics::Color color,
                               Graphics::Color outlineColor, float rotation,
                               Graphics::Vector2 origin, Graphics::Vector2 scale,
                               Graphics::SpriteEffects spriteEffects, float layerDepth);

  /// Draws a laid-out text once at `position + shadowOffset` (render-target pixels) in
  /// `shadowColor` (colour spans tint only the glyphs over it), then as DrawText does over it.
  /// \throws as DrawText.
  static void DrawTextWithShadow(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                                 Graphics::Vector2 position, Graphics::Color color,
                                 Graphics::Vector2 shadowOffset, Graphics::Color shadowColor,
                                 float rotation, Graphics::Vector2 origin, Graphics::Vector2 scale,
                                 Graphics::SpriteEffects spriteEffects, float layerDepth);

  /// Draws a laid-out text with its top-left corner at `position`, with `style`'s passes
  /// (shadow, outline images, glyphs; see DrawStyle); glyphs under a colour span take the span's
  /// colour in the glyphs' pass (a shadow and an outline keep their own colours). \throws as
  /// DrawText.
  static void DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                       Graphics::Vector2 position, const DrawStyle& style);

#endif

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

 private:
  static void DrawAfter(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                        Graphics::Vector2 position, Graphics::Color color, float rotation,
                        Graphics::Vector2 origin, Graphics::Vector2 scale,
                        Graphics::SpriteEffects spriteEffects, float layerDepth,
                        char32_t lastCharacter);
  static void DrawStyled(Graphics::SpriteBatch& spriteBatch, Font& font, std::u16string_view text,
                         Graphics::Vector2 position, const DrawStyle& style,
                         char32_t lastCharacter);

#if VENNICOR_FONT_HAS_TEXT_LAYOUT && defined(_WIN32)
 public:
  /// DrawText, under the name windows.h's DrawText macro gives a call (UNICODE builds).
  static void DrawTextW(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                        Graphics::Vector2 position, Graphics::Color color) {
    DrawText(spriteBatch, layout, position, color);
  }
  /// DrawText, under the name windows.h's DrawText macro gives a call (UNICODE builds).
  static void DrawTextW(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                        Graphics::Vector2 position, Graphics::Color color, float rotation,
                        Graphics::Vector2 origin, Graphics::Vector2 scale,
                        Graphics::SpriteEffects spriteEffects, float layerDepth) {
    DrawText(spriteBatch, layout, position, color, rotation, origin, scale, spriteEffects,
             layerDepth);
  }
  /// DrawText, under the name windows.h's DrawText macro gives a call (UNICODE builds).
  static void DrawTextW(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                        Graphics::Vector2 position, const DrawStyle& style) {
    DrawText(spriteBatch, layout, position, style);
  }
  /// DrawText, under the name windows.h's DrawText macro gives a call (ANSI builds).
  static void DrawTextA(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                        Graphics::Vector2 position, Graphics::Color color) {
    DrawText(spriteBatch, layout, position, color);
  }
  /// DrawText, under the name windows.h's DrawText macro gives a call (ANSI builds).
  static void DrawTextA(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                        Graphics::Vector2 position, Graphics::Color color, float rotation,
                        Graphics::Vector2 origin, Graphics::Vector2 scale,
                        Graphics::SpriteEffects spriteEffects, float layerDepth) {
    DrawText(spriteBatch, layout, position, color, rotation, origin, scale, spriteEffects,
             layerDepth);
  }
  /// DrawText, under the name windows.h's DrawText macro gives a call (ANSI builds).
  static void DrawTextA(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                        Graphics::Vector2 position, const DrawStyle& style) {
    DrawText(spriteBatch, layout, position, style);
  }
#endif
};

}  // namespace Vennicor::Font

#ifdef VENNICOR_DRAW_TEXT_MACRO_SAVED
#pragma pop_macro("DrawText")
#undef VENNICOR_DRAW_TEXT_MACRO_SAVED
#endif
