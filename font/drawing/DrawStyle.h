#pragma once

#include <optional>

#include "graphics/Color.h"
#include "graphics/SpriteEffects.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

/// A drop shadow: the text's glyphs drawn once more, moved and in one colour, under the text.
struct TextShadow {
  Graphics::Vector2 Offset{1, 1};  ///< render-target pixels, added to the position
  Graphics::Color Color = Graphics::Color::Black();  ///< premultiplied, as every tint
};

/// How SpriteBatchEx draws a string or a layout, as one value that reads well with designated
/// initialisers:
///
///     SpriteBatchEx::DrawString(batch, font, u"Score", {16, 12},
///                               {.Color = gold, .Scale = {2, 2}, .Shadow = TextShadow{}});
///
/// Every member has an initialiser, so that a designated list may leave any out (without
/// GCC's -Wmissing-field-initializers). Each member means what the argument of the same name means
/// for the long forms of DrawString and DrawText. The passes are drawn in this order: the shadow
/// (the glyphs alone, at Position + Shadow->Offset), the outline images (a font made with
/// FontOptions::OutlineThickness; other fonts skip the pass), then the glyphs. A plain value;
/// copying it costs nothing worth counting.
struct DrawStyle {
  Graphics::Color Color = Graphics::Color::White();  ///< the tint, premultiplied
  float Rotation = 0;                                ///< radians, about the origin
  Graphics::Vector2 Origin{};                        ///< the text's own unscaled pixels
  Graphics::Vector2 Scale{1, 1};                     ///< about the origin
  Graphics::SpriteEffects Effects = Graphics::SpriteEffects::None;  ///< flips each glyph in its box
  float LayerDepth = 0;  ///< passed to every sprite, for the batch's depth sorting
  std::optional<Graphics::Color> Outline{};  ///< the outline images' tint; none: no outline pass
  std::optional<TextShadow> Shadow{};        ///< none: no shadow pass
};

}  // namespace Vennicor::Font
