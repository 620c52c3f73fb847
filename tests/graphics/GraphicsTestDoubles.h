#pragma once

// Test doubles for the graphics seam: a texture that only stores texels and a device that
// records what a sprite batch hands it instead of drawing.

#include <algorithm>
#include <memory>
#include <vector>

#include "graphics/GraphicsDevice.h"
#include "graphics/Texture2D.h"

namespace Vennicor::Graphics::Testing {

/// Texels in memory, validated like any backend's texture.
class MemoryTexture final : public Texture2D {
 public:
  MemoryTexture(std::int32_t width, std::int32_t height)
      : Texture2D(width, height, SurfaceFormat::Color),
        texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override {
    const Rectangle area = CheckDataCall(level, rectangle, data.size());
    for (std::int32_t y = 0; y < area.Height; ++y) {
      for (std::int32_t x = 0; x < area.Width; ++x) {
        At(area.X + x, area.Y + y) = data[Index(x, y, area.Width)];
      }
    }
  }

  void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<Color> data) const override {
    const Rectangle area = CheckDataCall(level, rectangle, data.size());
    for (std::int32_t y = 0; y < area.Height; ++y) {
      for (std::int32_t x = 0; x < area.Width; ++x) {
        data[Index(x, y, area.Width)] = texels[Index(area.X + x, area.Y + y, Width())];
      }
    }
  }

 private:
  static std::size_t Index(std::int32_t x, std::int32_t y, std::int32_t stride) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
           static_cast<std::size_t>(x);
  }
  Color& At(std::int32_t x, std::int32_t y) { return texels[Index(x, y, Width())]; }

  std::vector<Color> texels;
};

/// One DrawSprites call as the device saw it.
struct RecordedDraw {
  std::vector<SpriteQuad> Quads;
  SpriteRenderState State;
  /// Width of each quad's texture, read during the call (a dead texture would show here, or
  /// under AddressSanitizer).
  std::vector<std::int32_t> TextureWidths;
};

/// Creates MemoryTextures and records every DrawSprites call.
class RecordingGraphicsDevice : public GraphicsDevice {
 public:
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool,
                                             SurfaceFormat) override {
    CheckTextureSize(width, height);
    return std::make_shared<MemoryTexture>(width, height);
  }

  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override {
    RecordedDraw draw{{sprites.begin(), sprites.end()}, state, {}};
    for (const SpriteQuad& quad : sprites) draw.TextureWidths.push_back(quad.Texture->Width());
    Draws.push_back(std::move(draw));
  }

  std::vector<RecordedDraw> Draws;
};

}  // namespace Vennicor::Graphics::Testing
