#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "graphics/SpriteQuad.h"
#include "graphics/SpriteRenderState.h"
#include "graphics/SurfaceFormat.h"
#include "graphics/Texture2D.h"

namespace Vennicor::Graphics {

/// Creates textures and draws sprites. A device that only needs to hold textures (a test
/// double, a tool that measures text) overrides CreateTexture2D alone.
class GraphicsDevice {
 public:
  /// The default largest texture edge, as on a typical GPU.
  static constexpr std::int32_t DefaultMaxTextureSize = 16384;

  GraphicsDevice() = default;
  virtual ~GraphicsDevice();
  GraphicsDevice(const GraphicsDevice&) = delete;
  GraphicsDevice& operator=(const GraphicsDevice&) = delete;

  /// Creates a texture that reads as transparent black.
  /// \throws std::invalid_argument if width or height is not positive or exceeds
  ///         MaxTextureSize().
  virtual std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                                     bool mipMap, SurfaceFormat format) = 0;

  /// True when CreateTexture2D makes textures of `format` that store it as such. Color always
  /// is; the default offers nothing else, so a device that overrides only CreateTexture2D keeps
  /// getting asked for Color textures. Cheap; callers may ask once and remember.
  virtual bool SupportsFormat(SurfaceFormat format) const { return format == SurfaceFormat::Color; }

  /// The largest width or height CreateTexture2D accepts.
  virtual std::int32_t MaxTextureSize() const { return DefaultMaxTextureSize; }

  /// Draws sprites in the given order. SpriteBatch calls it from End (or from Draw in Immediate
  /// mode); every quad's texture stays alive until the call returns. The default draws nothing.
  virtual void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state);

 protected:
  /// Throws the error CreateTexture2D documents when a size is out of range.
  void CheckTextureSize(std::int32_t width, std::int32_t height) const;
};

}  // namespace Vennicor::Graphics
