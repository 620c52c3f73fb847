#pragma once

#include <cstdint>
#include <memory>

#include "graphics/Texture2D.h"

struct ID3D11Device;
struct ID3D11DeviceContext;
struct ID3D11Texture2D;
struct ID3D11ShaderResourceView;

namespace Vennicor::Graphics::Direct3D11 {

/// A texture in GPU memory: DXGI_FORMAT_R8G8B8A8_UNORM (R8_UNORM for SurfaceFormat::Alpha8,
/// whose red channel the sprite shader reads as all four) with one level, usage DEFAULT.
/// Created by Direct3D11GraphicsDevice.
///
/// SetData updates a sub-rectangle with UpdateSubresource on the immediate context, which
/// orders it after the draws issued before it: a sprite drawn earlier in the frame keeps the
/// texels it was drawn with. The Direct3D objects are released by Dispose or when the last
/// shared_ptr goes; Direct3D itself keeps them alive until the GPU has finished with them.
/// Use it on the thread that uses the device.
class Direct3D11Texture2D final : public Texture2D {
 public:
  /// Creates the texture and its shader resource view, filled with transparent black.
  /// \throws std::invalid_argument for a non-positive size or a mipmapped texture,
  ///         std::runtime_error if Direct3D cannot create it.
  Direct3D11Texture2D(ID3D11Device* device, ID3D11DeviceContext* context, std::int32_t width,
                      std::int32_t height, bool mipMap, SurfaceFormat format);
  ~Direct3D11Texture2D() override;

  /// Uploads with UpdateSubresource. \throws as Texture2D::SetData documents.
  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override;
  /// Uploads the bytes as they are to an Alpha8 texture, as (a, a, a, a) to a Color one.
  void SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                    std::span<const std::uint8_t> alpha) override;
  /// Reads back through a staging texture (slow: for tools and tests). An Alpha8 texel reads as
  /// (a, a, a, a). \throws as SetData, and std::runtime_error if Direct3D refuses the copy.
  void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<Color> data) const override;
  /// Releases the Direct3D objects. Idempotent.
  void Dispose() override;

  /// The Direct3D texture; null after Dispose. Not referenced for the caller.
  ID3D11Texture2D* NativeTexture() const;
  /// The view the sprite shader samples; null after Dispose. Not referenced for the caller.
  ID3D11ShaderResourceView* ShaderResourceView() const;
  /// The ID3D11Device the texture was created on; null after Dispose.
  ID3D11Device* NativeDevice() const;

 private:
  struct Native;

  void Upload(const Rectangle& area, const void* rows, std::uint32_t rowBytes);

  std::unique_ptr<Native> native;
};

}  // namespace Vennicor::Graphics::Direct3D11
