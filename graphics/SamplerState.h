#pragma once

namespace Vennicor::Graphics {

/// How texels are read; coordinates outside the texture are clamped to its edge.
enum class SamplerState : int {
  LinearClamp = 0,  ///< bilinear filtering (XNA's default for sprites)
  PointClamp = 1,   ///< nearest texel
};

}  // namespace Vennicor::Graphics
