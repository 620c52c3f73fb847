#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "graphics/GraphicsDevice.h"

struct SDL_Renderer;

namespace Vennicor::Graphics::Sdl {

/// A graphics device that draws through the caller's SDL_Renderer (SDL 2.0.18 or later). It
/// never creates a window or a renderer: make yours, hand it over, and keep it alive until the
/// device and every texture it created are gone (SDL frees a renderer's textures with it).
///
/// Sprites go to the renderer's current target and viewport, in its coordinates, through
/// SDL_RenderGeometry: one call per run of sprites sharing a texture. The renderer's own draw
/// colour, draw blend mode, target and viewport are left as they are; the device sets blend and
/// scale modes on its own textures only.
///
/// Premultiplied alpha (BlendState::AlphaBlend) needs a custom blend mode. Renderers without
/// one (SDL's software renderer) get the same picture from a straight-alpha copy of each
/// texture drawn with SDL_BLENDMODE_BLEND; there a tint whose colour exceeds its alpha (an
/// additive glow in premultiplied terms) is clamped, and the blended alpha channel of
/// NonPremultiplied and Additive follows SDL's fixed modes. Colour channels are unaffected.
///
/// Like SDL's renderer, a device and its textures are used by one thread at a time: the thread
/// that created the renderer.
class SdlGraphicsDevice final : public GraphicsDevice {
 public:
  /// Reads the renderer's limits and which blend modes it supports.
  /// \throws std::invalid_argument for a null renderer; std::runtime_error if SDL cannot tell
  ///         the renderer's capabilities.
  explicit SdlGraphicsDevice(SDL_Renderer* renderer);
  ~SdlGraphicsDevice() override;

  /// Creates a static RGBA texture filled with transparent black, with a CPU
  /// copy of its texels (GetData reads the copy, never the GPU).
  /// \throws std::invalid_argument beyond MaxTextureSize() or for mipMap = true;
  ///         std::runtime_error if SDL cannot create it.
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override;
  /// The smaller of the renderer's largest texture width and height (DefaultMaxTextureSize
  /// when the renderer reports no limit, as the software renderer does).
  std::int32_t MaxTextureSize() const override { return maxTextureSize; }

  /// Draws the sprites with SDL_RenderGeometry, in order. Every texture must come from an
  /// SdlGraphicsDevice on the same renderer; a disposed one draws nothing. Builds vertices in
  /// buffers the device keeps, so a frame allocates only while they grow.
  /// \throws std::invalid_argument for a foreign texture (nothing is drawn);
  ///         std::runtime_error if SDL fails to draw.
  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override;

  /// Fills the whole current target with `color` (SDL_RenderClear ignores the viewport); the
  /// renderer's draw colour is restored.
  /// \throws std::runtime_error if SDL fails.
  void Clear(Color color);
  /// Reads the current viewport, row by row from the top, with SDL_RenderReadPixels (slow on a
  /// GPU: for tests and screenshots).
  /// \throws std::runtime_error if SDL fails.
  std::vector<Color> ReadViewportPixels() const;
  /// Width of the current viewport in output pixels.
  std::int32_t ViewportWidth() const;
  /// Height of the current viewport in output pixels.
  std::int32_t ViewportHeight() const;

  /// The renderer the device draws with.
  SDL_Renderer* Renderer() const { return renderer; }
  /// True when the renderer blends premultiplied alpha itself (a custom blend mode); false when
  /// the device draws AlphaBlend sprites from straight-alpha copies.
  bool HasPremultipliedBlend() const { return premultipliedBlend; }
  /// Number of SDL_RenderGeometry calls the last DrawSprites made (for tests and profiling).
  std::int32_t LastDrawCallCount() const { return lastDrawCalls; }

 private:
  struct Buffers;

  SDL_Renderer* renderer;
  std::int32_t maxTextureSize = DefaultMaxTextureSize;
  bool premultipliedBlend = false;
  bool exactBlendAlpha = false;
  std::int32_t lastDrawCalls = 0;
  std::unique_ptr<Buffers> buffers;
};

}  // namespace Vennicor::Graphics::Sdl
