#include "graphics/software/SoftwareGraphicsDevice.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "graphics/software/PngFile.h"
#include "graphics/software/SoftwareTexture2D.h"
#include "graphics/software/SpriteRasterizer.h"

namespace Vennicor::Graphics::Software {

SoftwareGraphicsDevice::SoftwareGraphicsDevice(std::int32_t backBufferWidth,
                                               std::int32_t backBufferHeight)
    : width(backBufferWidth), height(backBufferHeight) {
  if (width <= 0 || height <= 0) {
    throw std::invalid_argument("Back buffer size must be positive, not " + std::to_string(width) +
                                " x " + std::to_string(height));
  }
  pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

std::shared_ptr<Texture2D> SoftwareGraphicsDevice::CreateTexture2D(std::int32_t textureWidth,
                                                                   std::int32_t textureHeight,
                                                                   bool mipMap,
                                                                   SurfaceFormat format) {
  CheckTextureSize(textureWidth, textureHeight);
  return std::make_shared<SoftwareTexture2D>(textureWidth, textureHeight, mipMap, format);
}

void SoftwareGraphicsDevice::SetMaxTextureSize(std::int32_t edge) {
  if (edge <= 0) throw std::invalid_argument("The largest texture edge must be positive");
  maxTextureSize = edge;
}

void SoftwareGraphicsDevice::DrawSprites(std::span<const SpriteQuad> sprites,
                                         const SpriteRenderState& state) {
  // Resolve every texture before drawing anything, so a foreign texture draws nothing at all.
  // Sprites come in runs of one texture, so the cast is done once a run.
  const auto resolve = [](Texture2D* texture) -> const SoftwareTexture2D* {
    const auto* software = dynamic_cast<const SoftwareTexture2D*>(texture);
    if (software == nullptr) {
      throw std::invalid_argument("A sprite's texture was not created by a software device");
    }
    return software;
  };
  {
    Texture2D* last = nullptr;
    for (const SpriteQuad& quad : sprites) {
      if (quad.Texture != last) {
        resolve(quad.Texture);
        last = quad.Texture;
      }
    }
  }

  const RasterTarget target{pixels, width, height};
  Texture2D* last = nullptr;
  RasterSource source;
  for (const SpriteQuad& quad : sprites) {
    if (quad.Texture != last) {
      const SoftwareTexture2D* texture = resolve(quad.Texture);
      source = {texture->Texels(0), texture->Width(), texture->Height(), texture->Alphas(0)};
      last = quad.Texture;
    }
    if (source.Texels.empty() && source.Alphas.empty()) continue;  // disposed after it was queued
    DrawSpriteQuad(target, source, quad, state);
  }
}

void SoftwareGraphicsDevice::Clear(Color color) { std::fill(pixels.begin(), pixels.end(), color); }

Color SoftwareGraphicsDevice::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) {
    throw std::out_of_range("Pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                            ") lies outside the back buffer");
  }
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)];
}

void SoftwareGraphicsDevice::SaveBackBuffer(const std::filesystem::path& path) const {
  SavePng(path, width, height, pixels);
}

}  // namespace Vennicor::Graphics::Software
