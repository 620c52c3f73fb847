#pragma once

#include "graphics/BlendState.h"
#include "graphics/DistanceFieldEffect.h"
#include "graphics/SamplerState.h"

namespace Vennicor::Graphics {

/// The pipeline state that a SpriteBatch's Begin fixes for the sprites it hands to a device.
struct SpriteRenderState {
  BlendState Blend = BlendState::AlphaBlend;         ///< how sprites combine with the target
  SamplerState Sampler = SamplerState::LinearClamp;  ///< how texels are read
  /// Off by default; when enabled, every sprite's texture is read as a distance field.
  DistanceFieldEffect DistanceField{};
};

}  // namespace Vennicor::Graphics
