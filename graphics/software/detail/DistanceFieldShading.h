#pragma once

#include <algorithm>

#include "graphics/DistanceFieldEffect.h"
#include "graphics/DistanceFieldRamp.h"
#include "graphics/SpriteQuad.h"
#include "graphics/software/detail/PixelBlend.h"

namespace Vennicor::Graphics::Software::Detail {

/// A distance field's shading for one quad: the ramp, field steps per screen pixel inverted,
/// the outline colour.
struct FieldShading {
  DistanceFieldRamp Field{};
  float FieldScale = 0;
  Rgba OutlineColor{0, 0, 0, 0};
  bool MultiChannel = false;
};

/// The shading of `field` for `quad`, whose screen area is `screenArea` square pixels. Once a
/// quad: a square root.
FieldShading PrepareField(const DistanceFieldEffect& field, const SpriteQuad& quad,
                          double screenArea);

VENNICOR_PIXEL_INLINE float Ramp(float value) { return std::clamp(value + 0.5F, 0.0F, 1.0F); }

/// The shape's colour where the field reads `distance` for the shape and `outlineDistance` for
/// its outline: the `tint`ed shape over its outline.
VENNICOR_PIXEL_INLINE Rgba ShadeField(float shapeDistance, float distance, const Rgba& tint,
                                      const FieldShading& shading) {
  const DistanceFieldRamp& field = shading.Field;
  const float fill = Ramp((shapeDistance - DistanceFieldRamp::Edge) * shading.FieldScale);
  Rgba color{tint.R * fill, tint.G * fill, tint.B * fill, tint.A * fill};
  if (field.HasOutline()) {
    const float outer =
        field.OutlineSoftness > 0
            ? std::clamp((distance - field.OutlineEdge) / field.OutlineSoftness, 0.0F, 1.0F)
            : Ramp((distance - field.OutlineEdge) * shading.FieldScale);
    const float under = outer * (1.0F - color.A / 255.0F);
    color.R += shading.OutlineColor.R * under;
    color.G += shading.OutlineColor.G * under;
    color.B += shading.OutlineColor.B * under;
    color.A += shading.OutlineColor.A * under;
  }
  return color;
}

/// The shape's colour for a sampled `texel`: alpha is the distance, or with a multi-channel
/// field the median of red, green and blue for the shape and alpha for the outline.
VENNICOR_PIXEL_INLINE Rgba ShadeFieldTexel(const Rgba& texel, const Rgba& tint,
                                           const FieldShading& shading) {
  if (!shading.MultiChannel) return ShadeField(texel.A, texel.A, tint, shading);
  const float median =
      std::max(std::min(texel.R, texel.G), std::min(std::max(texel.R, texel.G), texel.B));
  return ShadeField(median, texel.A, tint, shading);
}

}  // namespace Vennicor::Graphics::Software::Detail
