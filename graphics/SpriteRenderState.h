#pragma once

#include "graphics/BlendState.h"
#include "graphics/SamplerState.h"

namespace Vennicor::Graphics {

/// The pipeline state that a SpriteBatch's Begin fixes for the sprites it hands to a device.
struct SpriteRenderState {
  BlendState Blend = BlendState::AlphaBlend;         ///< how sprites combine with the target
  SamplerState Sampler = SamplerState::LinearClamp;  ///< how texels are read
};

}  // namespace Vennicor::Graphics
