#pragma once

#include "graphics/Color.h"

namespace Vennicor::Graphics {

/// Draws sprites whose texture alpha holds a signed distance field (as FreeType's SDF renderer
/// writes one: 128 on the shape's edge, 128 / Spread more per texel inside, as much less
/// outside) as the shape itself: opaque inside, clear outside, with an edge one screen pixel
/// wide whatever the sprite's scale or rotation, so one small texture draws sharp shapes at any
/// size. The sprite's tint colours the shape; an outline and a soft glow come from the same
/// field. Set it in SpriteRenderState (SpriteBatch::Begin takes one); disabled, sprites draw as
/// always.
struct DistanceFieldEffect {
  bool Enabled = false;  ///< off: sprites draw as plain textures
  /// Texels of distance from the edge at which the field reaches 0 or 255.
  float Spread = 8;
  /// Texels beyond the edge drawn in OutlineColor under the shape (0: no outline). At most
  /// Spread.
  float OutlineWidth = 0;
  /// Premultiplied colour of the outline.
  Color OutlineColor;
  /// Texels over which the outline fades out at its outer edge: 0 gives a crisp outline, a few
  /// texels a glow.
  float OutlineSoftness = 0;
  /// The texture is a multi-channel distance field (FontOptions::MultiChannel): the shape's
  /// distance is the median of the texel's red, green and blue, which keeps corners sharp,
  /// while the outline and glow read the true distance in alpha, which keeps them round. Off:
  /// everything reads alpha.
  bool MultiChannel = false;
};

}  // namespace Vennicor::Graphics
