#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GraphicsDevice.h"

struct ID3D11Device;
struct ID3D11DeviceContext;

namespace Vennicor::Graphics::Direct3D11 {

/// A graphics device that draws through the game's own ID3D11Device and its immediate context.
/// It never creates a device, a window or a swap chain: the game makes those and binds the
/// render target it wants sprites in.
///
/// Sprites are drawn into the render target bound at slot 0 of the output merger, through the
/// first viewport: pixel (0, 0) is the viewport's top-left corner, and the viewport is re-read
/// at every DrawSprites call, so resizing a swap chain needs no call here.
///
/// DrawSprites saves the pipeline state it changes and restores it before it returns (also
/// when it throws): the input layout, topology, vertex buffer 0 and index buffer; the vertex,
/// pixel, geometry, hull and domain shaders; constant buffer 0 of the vertex and pixel stages,
/// shader resource 0 and sampler 0 of the pixel stage; the rasterizer, blend (with its factor
/// and sample mask) and depth-stencil (with its reference) states. It draws with no depth or
/// stencil test, no culling and no scissor test, and never touches the render targets,
/// viewports or scissor rectangles.
///
/// The shader is compiled once a device, when it is created, with D3DCompile from
/// d3dcompiler_47.dll (Windows 10 and later, Wine), which the program loads at start-up.
///
/// Use the device, its textures and the context from one thread at a time (Direct3D's
/// immediate context is not thread-safe). The ID3D11Device and context are referenced
/// (AddRef) for the device's lifetime, and by each texture for its own.
class Direct3D11GraphicsDevice final : public GraphicsDevice {
 public:
  /// Compiles the sprite shader and creates the buffers and states on `device`.
  /// \throws std::invalid_argument if either pointer is null or `context` is not `device`'s
  ///         immediate context; std::runtime_error if the device's feature level is below
  ///         10_0 (shader model 4) or Direct3D refuses a resource (the message names the call
  ///         and its HRESULT), or if the shader does not compile (with the compiler's log).
  Direct3D11GraphicsDevice(ID3D11Device* device, ID3D11DeviceContext* context);
  ~Direct3D11GraphicsDevice() override;

  /// Creates a DXGI_FORMAT_R8G8B8A8_UNORM texture (R8_UNORM for Alpha8) without mipmaps,
  /// filled with transparent black.
  /// \throws std::invalid_argument beyond MaxTextureSize() or for mipMap = true;
  ///         std::runtime_error if Direct3D cannot create it (out of memory, a lost device).
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override;
  /// Color and Alpha8 (an R8 texture whose red channel reads as all four).
  bool SupportsFormat(SurfaceFormat format) const override;
  /// The largest texture edge of the device's feature level: 16384 from 11_0, 8192 for 10_x.
  std::int32_t MaxTextureSize() const override { return maxTextureSize; }

  /// Draws the sprites, writing them into one dynamic vertex buffer and issuing one draw call
  /// per run of sprites that share a texture. Every texture must come from a
  /// Direct3D11GraphicsDevice on the same ID3D11Device; a disposed one draws nothing.
  /// \throws std::invalid_argument for a foreign texture (nothing is drawn);
  ///         std::runtime_error if the vertex buffer cannot be mapped (a removed device).
  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override;

  /// Clears the render target bound at slot 0 to `color`; does nothing without one.
  void Clear(Color color);
  /// Reads the first viewport's pixels of the render target bound at slot 0, row by row from
  /// the top, through a staging copy (slow: for tests and screenshots). The target must be
  /// R8G8B8A8_UNORM or B8G8R8A8_UNORM (a swap chain's usual formats; either reads as RGBA),
  /// without multisampling.
  /// \throws std::logic_error without a bound render target or for another format;
  ///         std::runtime_error if Direct3D refuses the copy.
  std::vector<Color> ReadRenderTargetPixels() const;

  /// Number of draw calls the last DrawSprites issued (for tests and profiling).
  std::int32_t LastDrawCallCount() const { return lastDrawCalls; }

  /// The ID3D11Device the device draws with.
  ID3D11Device* NativeDevice() const;
  /// The immediate context the device draws with.
  ID3D11DeviceContext* NativeContext() const;

 private:
  struct Resources;

  std::unique_ptr<Resources> resources;
  std::int32_t maxTextureSize = 0;
  std::int32_t lastDrawCalls = 0;
};

}  // namespace Vennicor::Graphics::Direct3D11
