#pragma once

#include "graphics/Color.h"
#include "graphics/Vector2.h"

namespace Vennicor::Graphics {

class Texture2D;

/// One sprite as SpriteBatch hands it to a backend: a parallelogram in render-target pixels
/// (the batch's transform matrix already applied) and the texel rectangle it shows.
///
///   TopLeft ---- TopRight        texel TexTopLeft lands on TopLeft,
///      |            |            texel TexBottomRight on BottomRight;
///   BottomLeft - BottomRight     flips swap the texel coordinates, not the corners.
///
/// Texel coordinates are in texels, not normalised, so a backend needs only the texture's size.
struct SpriteQuad {
  Texture2D* Texture = nullptr;  ///< held alive by the batch until the quad is drawn
  Vector2 TopLeft;               ///< render-target pixels
  Vector2 TopRight;              ///< render-target pixels
  Vector2 BottomLeft;            ///< render-target pixels
  Vector2 BottomRight;           ///< render-target pixels
  Vector2 TexTopLeft;            ///< texels, shown at TopLeft
  Vector2 TexBottomRight;        ///< texels, shown at BottomRight
  Color Tint;                    ///< premultiplied colour the texels are multiplied by
  float Depth = 0;               ///< layer depth the batch sorted by (already applied to the order)
};

}  // namespace Vennicor::Graphics
