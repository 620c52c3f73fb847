#pragma once

#include <filesystem>
#include <vector>

#include "graphics/GraphicsDevice.h"

namespace Vennicor::Graphics::Software {

/// A graphics device that needs neither GPU nor display: textures live in memory and sprites
/// are rasterized into a back buffer on the CPU, as XNA's sprite batch would draw them.
class SoftwareGraphicsDevice final : public GraphicsDevice {
 public:
  /// \throws std::invalid_argument if a back buffer edge is not positive.
  SoftwareGraphicsDevice(std::int32_t backBufferWidth, std::int32_t backBufferHeight);

  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override;
  std::int32_t MaxTextureSize() const override { return maxTextureSize; }
  /// Color and Alpha8.
  bool SupportsFormat(SurfaceFormat format) const override {
    return format == SurfaceFormat::Color || format == SurfaceFormat::Alpha8;
  }
  /// Lowers (or raises) the largest texture edge, to behave like a smaller GPU.
  /// \throws std::invalid_argument if not positive.
  void SetMaxTextureSize(std::int32_t edge);

  /// Rasterizes the sprites into the back buffer. Every texture must come from a
  /// SoftwareGraphicsDevice. \throws std::invalid_argument otherwise (nothing is drawn).
  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override;

  /// Width of the back buffer in pixels.
  std::int32_t BackBufferWidth() const { return width; }
  /// Height of the back buffer in pixels.
  std::int32_t BackBufferHeight() const { return height; }
  /// Sets every back-buffer pixel to `color`.
  void Clear(Color color);
  /// The back buffer, row by row.
  std::span<const Color> BackBuffer() const { return pixels; }
  /// \throws std::out_of_range outside the back buffer.
  Color GetPixel(std::int32_t x, std::int32_t y) const;
  /// Writes the back buffer as a PNG (complete or not at all). \throws std::runtime_error.
  void SaveBackBuffer(const std::filesystem::path& path) const;

 private:
  std::int32_t width;
  std::int32_t height;
  std::int32_t maxTextureSize = DefaultMaxTextureSize;
  std::vector<Color> pixels;
};

}  // namespace Vennicor::Graphics::Software
