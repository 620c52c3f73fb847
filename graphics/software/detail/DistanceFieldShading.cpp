#include "graphics/software/detail/DistanceFieldShading.h"

#include <cmath>

namespace Vennicor::Graphics::Software::Detail {

// The field's steps per screen pixel follow the quad's scale: texels per pixel is the square
// root of its texel area over its screen area, so a rotated or stretched sprite gets the
// average of its two scales.
FieldShading PrepareField(const DistanceFieldEffect& field, const SpriteQuad& quad,
                          double screenArea) {
  FieldShading shading;
  const double texelArea =
      std::abs((static_cast<double>(quad.TexBottomRight.X) - quad.TexTopLeft.X) *
               (static_cast<double>(quad.TexBottomRight.Y) - quad.TexTopLeft.Y));
  const double texelsPerPixel = std::sqrt(texelArea / screenArea);
  shading.Field = DistanceFieldRamp::Of(field);
  const auto stepsPerPixel = static_cast<float>(shading.Field.StepsPerTexel * texelsPerPixel);
  shading.FieldScale = stepsPerPixel > 0 ? 1.0F / stepsPerPixel : 0.0F;
  shading.OutlineColor = ToRgba(field.OutlineColor);
  shading.MultiChannel = field.MultiChannel;
  return shading;
}

}  // namespace Vennicor::Graphics::Software::Detail
