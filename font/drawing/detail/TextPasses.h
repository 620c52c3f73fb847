#pragma once

#include <type_traits>

#include "font/drawing/DrawStyle.h"
#include "font/drawing/detail/GlyphWriter.h"

namespace Vennicor::Font::Detail {

/// The DrawStyle of the long forms' arguments: one pass, the glyphs.
inline DrawStyle DrawStyleOf(Graphics::Color color, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                             float layerDepth) {
  DrawStyle style;
  style.Color = color;
  style.Rotation = rotation;
  style.Origin = origin;
  style.Scale = scale;
  style.Effects = spriteEffects;
  style.LayerDepth = layerDepth;
  return style;
}

/// The sprite style of a DrawStyle's passes, with the text's origin landing on `position`.
inline GlyphSpriteStyle SpriteStyleOf(Graphics::Vector2 position, const DrawStyle& style) {
  return GlyphSpriteStyle::Of(position, style.Rotation, style.Origin, style.Scale, style.Effects,
                              style.LayerDepth);
}

/// Calls `pass(outlines, spriteStyle, tint, glyphPass)` for each pass of `style`, in order: the
/// shadow's glyphs, the outline images (only when the font has them), the glyphs. `outlines` is
/// std::true_type or std::false_type, so that each pass is its own compiled loop; `glyphPass`
/// is true for the glyphs' own pass alone (where a layout's colour spans apply: a shadow and an
/// outline keep their own colour).
template <class Pass>
void ForEachPass(bool fontHasOutlines, const DrawStyle& style, const GlyphSpriteStyle& sprites,
                 Pass&& pass) {
  if (style.Shadow) {
    pass(std::false_type{}, sprites.MovedBy(style.Shadow->Offset), style.Shadow->Color, false);
  }
  if (style.Outline && fontHasOutlines) pass(std::true_type{}, sprites, *style.Outline, false);
  pass(std::false_type{}, sprites, style.Color, true);
}

}  // namespace Vennicor::Font::Detail
