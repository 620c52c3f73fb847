#include "graphics/direct3d11/Direct3D11Texture2D.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "graphics/direct3d11/D3D11Error.h"

namespace Vennicor::Graphics::Direct3D11 {

using Microsoft::WRL::ComPtr;

struct Direct3D11Texture2D::Native {
  ComPtr<ID3D11Device> Device;
  ComPtr<ID3D11DeviceContext> Context;
  ComPtr<ID3D11Texture2D> Texture;
  ComPtr<ID3D11ShaderResourceView> View;
};

namespace {

bool IsAlpha(SurfaceFormat format) { return format == SurfaceFormat::Alpha8; }

D3D11_BOX BoxOf(const Rectangle& area) {
  return {static_cast<UINT>(area.X),
          static_cast<UINT>(area.Y),
          0,
          static_cast<UINT>(area.X + area.Width),
          static_cast<UINT>(area.Y + area.Height),
          1};
}

}  // namespace

Direct3D11Texture2D::Direct3D11Texture2D(ID3D11Device* device, ID3D11DeviceContext* context,
                                         std::int32_t width, std::int32_t height, bool mipMap,
                                         SurfaceFormat format)
    : Texture2D(width, height, false, format) {
  if (mipMap) throw std::invalid_argument("Direct3D 11 textures are created without mipmaps");
  if (device == nullptr || context == nullptr) {
    throw std::invalid_argument("A Direct3D 11 texture needs a device and its immediate context");
  }
  auto n = std::make_unique<Native>();
  n->Device = device;
  n->Context = context;
  D3D11_TEXTURE2D_DESC description{};
  description.Width = static_cast<UINT>(width);
  description.Height = static_cast<UINT>(height);
  description.MipLevels = 1;
  description.ArraySize = 1;
  description.Format = IsAlpha(format) ? DXGI_FORMAT_R8_UNORM : DXGI_FORMAT_R8G8B8A8_UNORM;
  description.SampleDesc.Count = 1;
  description.Usage = D3D11_USAGE_DEFAULT;
  description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
  // A new texture's contents are undefined; zeros in strips keep the memory this needs small
  // even for a 16384-texel edge.
  ThrowIfFailed(device->CreateTexture2D(&description, nullptr, n->Texture.GetAddressOf()),
                "ID3D11Device::CreateTexture2D");
  ThrowIfFailed(device->CreateShaderResourceView(n->Texture.Get(), nullptr, n->View.GetAddressOf()),
                "ID3D11Device::CreateShaderResourceView");
  native = std::move(n);
  constexpr std::int32_t StripTexels = 1 << 16;
  const std::int32_t rows = std::clamp(StripTexels / width, 1, height);
  const std::vector<Color> zeros(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
  const auto rowBytes = static_cast<std::uint32_t>(width * BytesPerTexel(format));
  for (std::int32_t y = 0; y < height; y += rows) {
    Upload({0, y, width, std::min(rows, height - y)}, zeros.data(), rowBytes);
  }
}

Direct3D11Texture2D::~Direct3D11Texture2D() = default;

void Direct3D11Texture2D::Upload(const Rectangle& area, const void* rows, std::uint32_t rowBytes) {
  const D3D11_BOX box = BoxOf(area);
  native->Context->UpdateSubresource(native->Texture.Get(), 0, &box, rows, rowBytes, 0);
}

void Direct3D11Texture2D::SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                                       std::span<const std::uint8_t> alpha) {
  if (!IsAlpha(Format())) {
    Texture2D::SetAlphaData(level, rectangle, alpha);
    return;
  }
  const Rectangle area = CheckDataCall(level, rectangle, alpha.size());
  if (area.Width == 0 || area.Height == 0) return;
  Upload(area, alpha.data(), static_cast<std::uint32_t>(area.Width));
}

void Direct3D11Texture2D::SetData(std::int32_t level, std::optional<Rectangle> rectangle,
                                  std::span<const Color> data) {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  if (area.Width == 0 || area.Height == 0) return;
  if (IsAlpha(Format())) {
    // An Alpha8 texture keeps the alpha of Color data.
    std::vector<std::uint8_t> alpha(data.size());
    std::transform(data.begin(), data.end(), alpha.begin(), [](Color c) { return c.A; });
    Upload(area, alpha.data(), static_cast<std::uint32_t>(area.Width));
    return;
  }
  Upload(area, data.data(), static_cast<std::uint32_t>(area.Width) * sizeof(Color));
}

void Direct3D11Texture2D::GetData(std::int32_t level, std::optional<Rectangle> rectangle,
                                  std::span<Color> data) const {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  if (area.Width == 0 || area.Height == 0) return;
  D3D11_TEXTURE2D_DESC description{};
  native->Texture->GetDesc(&description);
  description.Width = static_cast<UINT>(area.Width);
  description.Height = static_cast<UINT>(area.Height);
  description.Usage = D3D11_USAGE_STAGING;
  description.BindFlags = 0;
  description.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  ComPtr<ID3D11Texture2D> staging;
  ThrowIfFailed(native->Device->CreateTexture2D(&description, nullptr, staging.GetAddressOf()),
                "ID3D11Device::CreateTexture2D (staging)");
  const D3D11_BOX box = BoxOf(area);
  ID3D11DeviceContext* context = native->Context.Get();
  context->CopySubresourceRegion(staging.Get(), 0, 0, 0, 0, native->Texture.Get(), 0, &box);
  D3D11_MAPPED_SUBRESOURCE mapped{};
  ThrowIfFailed(context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped),
                "ID3D11DeviceContext::Map (staging)");
  const auto* bytes = static_cast<const std::uint8_t*>(mapped.pData);
  const auto width = static_cast<std::size_t>(area.Width);
  for (std::size_t y = 0; y < static_cast<std::size_t>(area.Height); ++y) {
    const std::uint8_t* row = bytes + y * mapped.RowPitch;
    Color* out = data.data() + y * width;
    if (IsAlpha(Format())) {
      for (std::size_t x = 0; x < width; ++x) out[x] = Color{row[x], row[x], row[x], row[x]};
    } else {
      std::memcpy(out, row, width * sizeof(Color));
    }
  }
  context->Unmap(staging.Get(), 0);
}

void Direct3D11Texture2D::Dispose() {
  Texture2D::Dispose();
  native.reset();
}

ID3D11Texture2D* Direct3D11Texture2D::NativeTexture() const {
  return native != nullptr ? native->Texture.Get() : nullptr;
}

ID3D11ShaderResourceView* Direct3D11Texture2D::ShaderResourceView() const {
  return native != nullptr ? native->View.Get() : nullptr;
}

ID3D11Device* Direct3D11Texture2D::NativeDevice() const {
  return native != nullptr ? native->Device.Get() : nullptr;
}

}  // namespace Vennicor::Graphics::Direct3D11
