#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GraphicsDevice.h"

namespace Vennicor::Graphics::OpenGL {

/// A graphics device that draws through the caller's current OpenGL 3.3 core or OpenGL ES 3.0
/// context. It never creates a window or a context: make yours current first, and keep it (or
/// one sharing objects with it) current whenever the device or its textures are used.
///
/// Sprites are drawn into the bound draw framebuffer, with the current viewport as the back
/// buffer: pixel (0, 0) is its top-left corner, and the projection is re-read from the viewport
/// at every DrawSprites call, so resizing a window needs no call here.
///
/// Drawing sets the state it needs and leaves it so: the sprite program, the active texture
/// unit 0 and its texture, GL_ARRAY_BUFFER, blending, and depth test, stencil test and face
/// culling off. It unbinds its vertex array and sampler afterwards. Scissor and colour mask are
/// the caller's.
class OpenGLGraphicsDevice final : public GraphicsDevice {
 public:
  /// Compiles the sprite shader and creates the vertex buffers in the current context.
  /// \throws std::logic_error without a current context, std::runtime_error if the context is
  ///         older than OpenGL 3.3 / OpenGL ES 3.0 or the shader does not build.
  OpenGLGraphicsDevice();
  ~OpenGLGraphicsDevice() override;

  /// Creates an RGBA8 texture (R8 for Alpha8) without mipmaps, filled with transparent black.
  /// \throws std::invalid_argument beyond MaxTextureSize() or for mipMap = true;
  ///         std::logic_error without a current context.
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override;
  /// Color and Alpha8 (an R8 texture whose red channel reads as all four).
  bool SupportsFormat(SurfaceFormat format) const override;
  /// GL_MAX_TEXTURE_SIZE of the context the device was created in.
  std::int32_t MaxTextureSize() const override { return maxTextureSize; }

  /// Draws the sprites with one draw call per run of sprites sharing a texture. Every texture
  /// must come from an OpenGLGraphicsDevice; a disposed one draws nothing.
  /// \throws std::invalid_argument for a foreign texture (nothing is drawn),
  ///         std::logic_error without a current context.
  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override;

  /// Clears the viewport of the bound draw framebuffer to `color`.
  void Clear(Color color);
  /// Reads the viewport of the bound read framebuffer, row by row from the top.
  std::vector<Color> ReadViewportPixels() const;

  /// Width of the current viewport (the back buffer sprites are drawn into).
  std::int32_t ViewportWidth() const;
  /// Height of the current viewport.
  std::int32_t ViewportHeight() const;

  /// True when the context is OpenGL ES rather than desktop OpenGL.
  bool IsEmbedded() const { return embedded; }
  /// Number of draw calls the last DrawSprites issued (for tests and profiling).
  std::int32_t LastDrawCallCount() const { return lastDrawCalls; }

 private:
  struct Resources;

  static void ApplyDistanceField(const Resources& r, const DistanceFieldEffect& field,
                                 SamplerState sampler);

  std::unique_ptr<Resources> resources;
  std::int32_t maxTextureSize = 0;
  bool embedded = false;
  std::int32_t lastDrawCalls = 0;
};

}  // namespace Vennicor::Graphics::OpenGL
