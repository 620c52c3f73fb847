#include "graphics/GraphicsDevice.h"

#include <stdexcept>
#include <string>

namespace Vennicor::Graphics {

GraphicsDevice::~GraphicsDevice() = default;

void GraphicsDevice::DrawSprites(std::span<const SpriteQuad> /*sprites*/,
                                 const SpriteRenderState& /*state*/) {}

void GraphicsDevice::CheckTextureSize(std::int32_t width, std::int32_t height) const {
  const std::int32_t maximum = MaxTextureSize();
  if (width <= 0 || height <= 0 || width > maximum || height > maximum) {
    throw std::invalid_argument("Texture size " + std::to_string(width) + " x " +
                                std::to_string(height) + " is outside 1.." +
                                std::to_string(maximum));
  }
}

}  // namespace Vennicor::Graphics
