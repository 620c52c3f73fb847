#pragma once

#include <cstdint>
#include <span>

#include "graphics/Color.h"
#include "graphics/SpriteQuad.h"
#include "graphics/SpriteRenderState.h"

namespace Vennicor::Graphics::Software {

/// Pixels to draw into, row by row.
struct RasterTarget {
  std::span<Color> Pixels;  ///< Width × Height pixels
  std::int32_t Width = 0;   ///< pixels a row
  std::int32_t Height = 0;  ///< rows
};

/// Texels to read from, row by row: Color texels, or (when Alphas is not empty) one byte a
/// texel, read as the premultiplied white (a, a, a, a).
struct RasterSource {
  std::span<const Color> Texels;           ///< Width × Height texels, premultiplied (or empty)
  std::int32_t Width = 0;                  ///< texels a row
  std::int32_t Height = 0;                 ///< rows
  std::span<const std::uint8_t> Alphas{};  ///< Width × Height bytes of an Alpha8 source
};

/// Draws one sprite quad the way a GPU draws XNA's sprites: a pixel is covered when its centre
/// lies inside the quad, or on an edge that is a left edge on screen (a top edge when it is
/// horizontal), so sprites sharing an edge neither overlap nor leave a gap; its texel coordinate
/// is interpolated at that centre, the texture is sampled with clamping to its edges (nearest
/// texel, or bilinear between texel centres), multiplied by the tint and blended.
/// A sprite drawn at whole-pixel coordinates with scale 1 therefore copies its texels exactly.
/// Quads with a non-finite coordinate draw nothing; spans that do not match their sizes draw
/// nothing. With the state's DistanceField enabled the sampled alpha (with MultiChannel, for the
/// shape, the median of the sampled red, green and blue) is read as a distance field and shaded
/// as DistanceFieldEffect describes (the edge's width follows the quad's scale: the square root
/// of its screen area over its texel area).
///
/// Cost: linear in the pixels covered, plus a small set-up a quad. Sprites on whole pixels at
/// one texel a pixel (text, tiles) skip the general set-up, and with alpha blending and an
/// opaque tint they blend in integers, four pixels at a time where the processor has SSE2, to
/// exactly the bytes of the floating-point formula. Not thread-safe for one target.
void DrawSpriteQuad(const RasterTarget& target, const RasterSource& source, const SpriteQuad& quad,
                    const SpriteRenderState& state);

}  // namespace Vennicor::Graphics::Software
