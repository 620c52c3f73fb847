#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "font/Font.h"
#include "font/Version.h"
#include "font/drawing/DrawStyle.h"
#include "font/drawing/GlyphDraw.h"
#include "graphics/Color.h"
#include "graphics/SpriteEffects.h"
#include "graphics/Texture2D.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

class TextLayout;

/// One character of a string as a textured quad, for a renderer that draws glyphs itself
/// instead of through a SpriteBatch and a GraphicsDevice.
///
///   TopLeft ---- TopRight        texel TexTopLeft lands on TopLeft,
///      |            |            texel TexBottomRight on BottomRight;
///   BottomLeft - BottomRight     flips swap the texture coordinates, not the corners.
///
/// Draw it as the triangles (TopLeft, TopRight, BottomLeft) and (TopRight, BottomRight,
/// BottomLeft), sampling the atlas with the texture coordinates and multiplying by Color; the
/// atlas and Color are premultiplied by alpha.
struct GlyphQuad {
  Graphics::Vector2 TopLeft;         ///< screen pixels, (0, 0) the top-left corner, Y down
  Graphics::Vector2 TopRight;        ///< screen pixels
  Graphics::Vector2 BottomLeft;      ///< screen pixels
  Graphics::Vector2 BottomRight;     ///< screen pixels
  Graphics::Vector2 TexTopLeft;      ///< atlas texels, shown at TopLeft
  Graphics::Vector2 TexBottomRight;  ///< atlas texels, shown at BottomRight
  Graphics::Vector2 UvTopLeft;       ///< TexTopLeft divided by the atlas size (0..1)
  Graphics::Vector2 UvBottomRight;   ///< TexBottomRight divided by the atlas size (0..1)
  Graphics::Color Color;             ///< the tint, as given
  float Depth = 0;                   ///< the layer depth, as given
  /// The atlas page the texture coordinates refer to (the font's atlas, or the page of it that
  /// holds this glyph once the atlas has several). Held here, so it stays valid when the font
  /// later replaces or empties that page.
  std::shared_ptr<Graphics::Texture2D> Texture;
};

/// Turns strings and layouts into GlyphQuads with exactly the placement SpriteBatchEx::DrawString
/// and DrawText give their sprites (kerning, whole-pixel rounding of each glyph's left edge,
/// origin, scale, rotation, flips, colour glyphs' tint, outline and shadow passes): both go
/// through the same glyph writer, and the corners are the sprite batch's
/// (Graphics::SpriteGeometry).
///
/// A builder holds nothing between calls; a Build allocates nothing but the room `quads` itself
/// needs. It is used by one thread at a time; the fonts it reads follow their own rules (Font).
class GlyphQuadBuilder {
 public:
  GlyphQuadBuilder();
  ~GlyphQuadBuilder();
  GlyphQuadBuilder(const GlyphQuadBuilder&) = delete;
  GlyphQuadBuilder& operator=(const GlyphQuadBuilder&) = delete;
  /// A builder holds nothing, so a move only keeps older code compiling.
  GlyphQuadBuilder(GlyphQuadBuilder&& other) noexcept;
  /// As the move constructor.
  GlyphQuadBuilder& operator=(GlyphQuadBuilder&& other) noexcept;

  /// Appends one quad per non-control character of `text` to `quads`, with the arguments of
  /// SpriteBatchEx::DrawString and its meaning of each: where DrawString would queue a sprite,
  /// this appends its quad, in the same order. A character without an image (a space) gives a
  /// quad of zero area, as DrawString gives a sprite; a renderer may skip those. Renders and
  /// uploads the glyphs the text needs, as DrawString does.
  /// \throws FontException as DrawString does; `quads` is then as it was.
  void Build(Font& font, std::u16string_view text, Graphics::Vector2 position,
             Graphics::Color color, float rotation, Graphics::Vector2 origin,
             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects, float layerDepth,
             char16_t lastCharacter, std::vector<GlyphQuad>& quads);

  /// The same for UTF-8 text, converted as the UTF-8 DrawString converts it.
  void Build(Font& font, std::string_view utf8Text, Graphics::Vector2 position,
             Graphics::Color color, float rotation, Graphics::Vector2 origin,
             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects, float layerDepth,
             char16_t lastCharacter, std::vector<GlyphQuad>& quads);

  /// `text` at `position` in `color`, unrotated and unscaled, from its top-left corner.
  void Build(Font& font, std::u16string_view text, Graphics::Vector2 position,
             Graphics::Color color, std::vector<GlyphQuad>& quads);
  /// UTF-8 `text` at `position` in `color`, unrotated and unscaled, from its top-left corner.
  void Build(Font& font, std::string_view utf8Text, Graphics::Vector2 position,
             Graphics::Color color, std::vector<GlyphQuad>& quads);

  /// The quads of SpriteBatchEx::DrawString with a DrawStyle: each pass's quads in the order
  /// drawn (shadow, outline images, glyphs). \throws as above; `quads` is then as it was.
  void Build(Font& font, std::u16string_view text, Graphics::Vector2 position,
             const DrawStyle& style, std::vector<GlyphQuad>& quads, char32_t lastCharacter = 0);

#if VENNICOR_FONT_HAS_TEXT_LAYOUT
  /// Appends one quad per glyph of `layout` to `quads`, placed, tinted and ordered exactly as
  /// SpriteBatchEx::DrawText(spriteBatch, layout, position, color) queues its sprites (colour
  /// spans included), each quad with its own atlas page. Renders and uploads the glyphs the
  /// layout needs, as DrawText does.
  /// \throws FontException as DrawText does (a disposed font); `quads` is then as it was.
  void Build(const TextLayout& layout, Graphics::Vector2 position, Graphics::Color color,
             std::vector<GlyphQuad>& quads);
  /// The same as the long form of DrawText places its sprites. \throws as above.
  void Build(const TextLayout& layout, Graphics::Vector2 position, Graphics::Color color,
             float rotation, Graphics::Vector2 origin, Graphics::Vector2 scale,
             Graphics::SpriteEffects spriteEffects, float layerDepth,
             std::vector<GlyphQuad>& quads);
  /// The same as DrawText with a DrawStyle: each pass's quads in the order drawn.
  /// \throws as above.
  void Build(const TextLayout& layout, Graphics::Vector2 position, const DrawStyle& style,
             std::vector<GlyphQuad>& quads);
  /// The quads of SpriteBatchEx::DrawText with a per-glyph hook, in its order (backgrounds,
  /// glyphs, decorations of a RichText's runs). \throws as above, and what `effect` throws.
  void Build(const TextLayout& layout, Graphics::Vector2 position, const DrawStyle& style,
             const std::function<void(GlyphDraw&)>& effect, std::vector<GlyphQuad>& quads);
#endif
};

}  // namespace Vennicor::Font
