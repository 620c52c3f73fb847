#pragma once

#include <cmath>

#include "graphics/Rectangle.h"
#include "graphics/SpriteEffects.h"
#include "graphics/Vector2.h"

// The batch's loop over its sprites needs Write inlined (a call a sprite costs a fifth of it).
#if defined(__GNUC__) || defined(__clang__)
#define VENNICOR_GEOMETRY_INLINE [[gnu::always_inline]]
#else
#define VENNICOR_GEOMETRY_INLINE
#endif

namespace Vennicor::Graphics {

/// Where a sprite's corners land: the one place the sprite batch, the glyph quads and anyone
/// who wants a sprite's extent (a tool fitting a picture to its text) compute them, so that they
/// agree to the bit. It holds what the sprites of one draw share (origin, scale, rotation,
/// flips); a sprite then adds its position and source rectangle.
///
/// The origin is in source texels and scales with the sprite; the sprite turns by the rotation
/// about its position; flips swap the texel coordinates, not the corners. Plain value, no
/// allocation; the corner functions are inline for the batch's hot loop.
struct SpriteGeometry {
  Vector2 Scale{1, 1};   ///< of the source rectangle
  float X0 = 0;          ///< corner offset of the origin from the position, scaled, before rotation
  float Y0 = 0;          ///< the same vertically
  bool Rotated = false;  ///< the rotation is not 0: Cos and Sin apply
  float Cos = 1;         ///< of the rotation, when Rotated
  float Sin = 0;         ///< of the rotation, when Rotated
  bool FlipX = false;    ///< texel coordinates swapped horizontally
  bool FlipY = false;    ///< texel coordinates swapped vertically

  /// The geometry of sprites drawn with these arguments of SpriteBatch::Draw; `cosine` and
  /// `sine` are those of `rotation` (kept by a caller that draws many sprites at one rotation).
  static constexpr SpriteGeometry Of(float rotation, float cosine, float sine, Vector2 origin,
                                     Vector2 scale, SpriteEffects effects) {
    SpriteGeometry geometry;
    geometry.Scale = scale;
    geometry.X0 = -origin.X * scale.X;
    geometry.Y0 = -origin.Y * scale.Y;
    geometry.Rotated = rotation != 0;
    geometry.Cos = cosine;
    geometry.Sin = sine;
    geometry.FlipX = HasFlag(effects, SpriteEffects::FlipHorizontally);
    geometry.FlipY = HasFlag(effects, SpriteEffects::FlipVertically);
    return geometry;
  }
  /// The same, working out the sine and cosine (two library calls when `rotation` is not 0).
  static SpriteGeometry Of(float rotation, Vector2 origin, Vector2 scale, SpriteEffects effects) {
    const bool rotated = rotation != 0;
    return Of(rotation, rotated ? std::cos(rotation) : 1.0F, rotated ? std::sin(rotation) : 0.0F,
              origin, scale, effects);
  }

  /// A point of the sprite at `position`, given in scaled pixels from its origin before
  /// rotation ((X0, Y0) is its top-left corner).
  VENNICOR_GEOMETRY_INLINE constexpr Vector2 Corner(Vector2 position, float x, float y) const {
    if (!Rotated) return {position.X + x, position.Y + y};
    return {position.X + x * Cos - y * Sin, position.Y + x * Sin + y * Cos};
  }

  /// Writes the corners (TopLeft, TopRight, BottomLeft, BottomRight) and texel coordinates
  /// (TexTopLeft, TexBottomRight) of the sprite at `position` showing `area` into any quad type
  /// with members of those names (SpriteQuad, the font's GlyphQuad).
  template <class Quad>
  VENNICOR_GEOMETRY_INLINE constexpr void Write(Vector2 position, const Rectangle& area,
                                                Quad& quad) const {
    const auto left = static_cast<float>(area.X);
    const auto top = static_cast<float>(area.Y);
    const auto right = static_cast<float>(area.X) + static_cast<float>(area.Width);
    const auto bottom = static_cast<float>(area.Y) + static_cast<float>(area.Height);
    quad.TexTopLeft = {FlipX ? right : left, FlipY ? bottom : top};
    quad.TexBottomRight = {FlipX ? left : right, FlipY ? top : bottom};

    const float x1 = X0 + static_cast<float>(area.Width) * Scale.X;
    const float y1 = Y0 + static_cast<float>(area.Height) * Scale.Y;
    if (!Rotated) {
      quad.TopLeft = {position.X + X0, position.Y + Y0};
      quad.TopRight = {position.X + x1, position.Y + Y0};
      quad.BottomLeft = {position.X + X0, position.Y + y1};
      quad.BottomRight = {position.X + x1, position.Y + y1};
    } else {
      quad.TopLeft = Corner(position, X0, Y0);
      quad.TopRight = Corner(position, x1, Y0);
      quad.BottomLeft = Corner(position, X0, y1);
      quad.BottomRight = Corner(position, x1, y1);
    }
  }
};

}  // namespace Vennicor::Graphics
