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

/// Texels to read from, row by row.
struct RasterSource {
  std::span<const Color> Texels;  ///< Width × Height texels, premultiplied
  std::int32_t Width = 0;         ///< texels a row
  std::int32_t Height = 0;        ///< rows
};

/// Draws one sprite quad the way a GPU draws XNA's sprites: a pixel is covered when its centre
/// lies inside the quad, or on an edge that is a left edge on screen (a top edge when it is
/// horizontal), so sprites sharing an edge neither overlap nor leave a gap; its texel coordinate
/// is interpolated at that centre, the texture is sampled with clamping to its edges (nearest
/// texel, or bilinear between texel centres), multiplied by the tint and blended.
/// A sprite drawn at whole-pixel coordinates with scale 1 therefore copies its texels exactly.
/// Quads with a non-finite coordinate draw nothing; spans that do not match their sizes draw
/// nothing.
void DrawSpriteQuad(const RasterTarget& target, const RasterSource& source, const SpriteQuad& quad,
                    const SpriteRenderState& state);

}  // namespace Vennicor::Graphics::Software
