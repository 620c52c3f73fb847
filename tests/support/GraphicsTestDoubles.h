#pragma once

// The test doubles of the graphics seam, shared by every test: a texture that keeps its texels
// and records its uploads, and a device that remembers its textures and records what a sprite
// batch hands it instead of drawing.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

#include "graphics/Color.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Rectangle.h"
#include "graphics/SpriteQuad.h"
#include "graphics/SpriteRenderState.h"
#include "graphics/Texture2D.h"

namespace Vennicor::Graphics::Testing {

/// One DrawSprites call as the device saw it.
struct RecordedDraw {
  std::vector<SpriteQuad> Quads;
  SpriteRenderState State;
  /// Width of each quad's texture, read during the call (a dead texture would show here, or
  /// under AddressSanitizer).
  std::vector<std::int32_t> TextureWidths;
};

/// A texture that keeps its texels and records every SetData rectangle.
class RecordingTexture final : public Texture2D {
 public:
  RecordingTexture(std::int32_t width, std::int32_t height)
      : Texture2D(width, height, SurfaceFormat::Color),
        texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override {
    const Rectangle area = CheckDataCall(level, rectangle, data.size());
    Uploads.push_back(area);
    for (std::int32_t y = 0; y < area.Height; ++y) {
      for (std::int32_t x = 0; x < area.Width; ++x) {
        texels[Index(area.X + x, area.Y + y)] =
            data[static_cast<std::size_t>(y) * static_cast<std::size_t>(area.Width) +
                 static_cast<std::size_t>(x)];
      }
    }
  }

  void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<Color> data) const override {
    const Rectangle area = CheckDataCall(level, rectangle, data.size());
    for (std::int32_t y = 0; y < area.Height; ++y) {
      for (std::int32_t x = 0; x < area.Width; ++x) {
        data[static_cast<std::size_t>(y) * static_cast<std::size_t>(area.Width) +
             static_cast<std::size_t>(x)] = texels[Index(area.X + x, area.Y + y)];
      }
    }
  }

  void Dispose() override {
    Texture2D::Dispose();
    if (ThrowOnDispose) throw std::runtime_error("texture refused to be disposed");
  }

  Color At(std::int32_t x, std::int32_t y) const { return texels[Index(x, y)]; }

  std::vector<Rectangle> Uploads;
  bool ThrowOnDispose = false;

 private:
  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) +
           static_cast<std::size_t>(x);
  }
  std::vector<Color> texels;
};

/// A device that hands out RecordingTextures, remembers them all and records every
/// DrawSprites call instead of drawing.
class RecordingDevice : public GraphicsDevice {
 public:
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                             bool /*mipMap*/, SurfaceFormat /*format*/) override {
    CheckTextureSize(width, height);
    auto texture = std::make_shared<RecordingTexture>(width, height);
    Textures.push_back(texture);
    return texture;
  }
  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override {
    RecordedDraw draw{{sprites.begin(), sprites.end()}, state, {}};
    for (const SpriteQuad& quad : sprites) draw.TextureWidths.push_back(quad.Texture->Width());
    Draws.push_back(std::move(draw));
  }
  std::int32_t MaxTextureSize() const override { return maxTextureSize; }
  void SetMaxTextureSize(std::int32_t edge) { maxTextureSize = edge; }

  std::size_t UploadCount() const {
    std::size_t count = 0;
    for (const auto& texture : Textures) count += texture->Uploads.size();
    return count;
  }

  std::vector<std::shared_ptr<RecordingTexture>> Textures;
  std::vector<RecordedDraw> Draws;

 private:
  std::int32_t maxTextureSize = DefaultMaxTextureSize;
};

}  // namespace Vennicor::Graphics::Testing
