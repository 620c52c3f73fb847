#include "graphics/direct3d11/Direct3D11GraphicsDevice.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "graphics/DistanceFieldRamp.h"
#include "graphics/direct3d11/D3D11Error.h"
#include "graphics/direct3d11/Direct3D11Texture2D.h"
#include "graphics/direct3d11/PipelineState.h"
#include "graphics/direct3d11/SpriteShader.h"

namespace Vennicor::Graphics::Direct3D11 {

using Microsoft::WRL::ComPtr;

namespace {

struct Vertex {
  float X, Y;  // viewport pixels
  float U, V;  // normalised texture coordinates
  Color Tint;
  float FieldScale;  // screen pixels per unit of field value (0..1), for distance fields
};
static_assert(sizeof(Vertex) == 24, "vertices are tightly packed");

constexpr D3D11_INPUT_ELEMENT_DESC VertexLayout[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, offsetof(Vertex, X), D3D11_INPUT_PER_VERTEX_DATA,
     0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, offsetof(Vertex, U), D3D11_INPUT_PER_VERTEX_DATA,
     0},
    {"COLOR", 0, DXGI_FORMAT_R8G8B8A8_UNORM, 0, offsetof(Vertex, Tint), D3D11_INPUT_PER_VERTEX_DATA,
     0},
    {"TEXCOORD", 1, DXGI_FORMAT_R32_FLOAT, 0, offsetof(Vertex, FieldScale),
     D3D11_INPUT_PER_VERTEX_DATA, 0},
};

// The shader's constant buffer, in HLSL's packing (16-byte rows).
struct Constants {
  float PixelToClip[2];
  float TextureSize[2];
  std::int32_t FieldMode;
  std::int32_t SingleChannel;
  float OutlineEdge;
  float OutlineSoftness;
  float OutlineColor[4];
  std::int32_t MultiChannel;
  std::int32_t Padding[3];
};
static_assert(sizeof(Constants) == 64, "a whole number of 16-byte rows");

constexpr std::size_t VerticesPerSprite = 4;
constexpr std::size_t IndicesPerSprite = 6;
// 16-bit indices address 65536 vertices: 16384 sprites a draw call at most.
constexpr std::size_t MaxSpritesPerUpload = 65536 / VerticesPerSprite;
// The dynamic vertex buffer holds two full uploads; sprites are appended behind the ones the
// GPU may still read (D3D11_MAP_WRITE_NO_OVERWRITE), and the buffer is discarded when full.
constexpr std::size_t RingSprites = 2 * MaxSpritesPerUpload;
constexpr std::size_t SpriteBytes = VerticesPerSprite * sizeof(Vertex);

const Direct3D11Texture2D& Resolve(Texture2D* texture, ID3D11Device* device) {
  const auto* d3d = dynamic_cast<const Direct3D11Texture2D*>(texture);
  if (d3d == nullptr) {
    throw std::invalid_argument("A sprite's texture was not created by a Direct3D 11 device");
  }
  if (d3d->NativeDevice() != nullptr && d3d->NativeDevice() != device) {
    throw std::invalid_argument("A sprite's texture was created on another Direct3D 11 device");
  }
  return *d3d;
}

// The same steps per screen pixel the software device derives once a quad: the square root of
// its texel area over its screen area, inverted, in the shader's units of field value (0..1).
float FieldScaleOf(const SpriteQuad& quad, const DistanceFieldRamp& ramp) {
  const double exX = static_cast<double>(quad.TopRight.X) - quad.TopLeft.X;
  const double exY = static_cast<double>(quad.TopRight.Y) - quad.TopLeft.Y;
  const double eyX = static_cast<double>(quad.BottomLeft.X) - quad.TopLeft.X;
  const double eyY = static_cast<double>(quad.BottomLeft.Y) - quad.TopLeft.Y;
  const double screenArea = std::abs(exX * eyY - exY * eyX);
  const double texelArea =
      std::abs((static_cast<double>(quad.TexBottomRight.X) - quad.TexTopLeft.X) *
               (static_cast<double>(quad.TexBottomRight.Y) - quad.TexTopLeft.Y));
  if (screenArea == 0) return 0;
  const auto stepsPerPixel =
      static_cast<float>(ramp.StepsPerTexel * std::sqrt(texelArea / screenArea));
  return stepsPerPixel > 0 ? 255.0F / stepsPerPixel : 0.0F;
}

void ToFloats(Color c, float (&out)[4]) {
  out[0] = static_cast<float>(c.R) / 255.0F;
  out[1] = static_cast<float>(c.G) / 255.0F;
  out[2] = static_cast<float>(c.B) / 255.0F;
  out[3] = static_cast<float>(c.A) / 255.0F;
}

D3D11_BLEND_DESC BlendDescription(BlendState blend) {
  D3D11_BLEND_DESC description{};
  D3D11_RENDER_TARGET_BLEND_DESC& target = description.RenderTarget[0];
  target.RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
  target.BlendOp = D3D11_BLEND_OP_ADD;
  target.BlendOpAlpha = D3D11_BLEND_OP_ADD;
  target.BlendEnable = blend == BlendState::Opaque ? FALSE : TRUE;
  // Alpha blends as colour does, as glBlendFunc's single pair of factors does in the GL backend.
  switch (blend) {
    case BlendState::NonPremultiplied:
      target.SrcBlend = target.SrcBlendAlpha = D3D11_BLEND_SRC_ALPHA;
      target.DestBlend = target.DestBlendAlpha = D3D11_BLEND_INV_SRC_ALPHA;
      break;
    case BlendState::Additive:
      target.SrcBlend = target.SrcBlendAlpha = D3D11_BLEND_SRC_ALPHA;
      target.DestBlend = target.DestBlendAlpha = D3D11_BLEND_ONE;
      break;
    case BlendState::AlphaBlend:
    case BlendState::Opaque:
      target.SrcBlend = target.SrcBlendAlpha = D3D11_BLEND_ONE;
      target.DestBlend = target.DestBlendAlpha = D3D11_BLEND_INV_SRC_ALPHA;
      break;
  }
  return description;
}

std::size_t BlendIndex(BlendState blend) {
  switch (blend) {
    case BlendState::AlphaBlend:
      return 0;
    case BlendState::NonPremultiplied:
      return 1;
    case BlendState::Additive:
      return 2;
    case BlendState::Opaque:
      return 3;
  }
  return 0;
}

constexpr std::array<BlendState, 4> BlendStates = {
    BlendState::AlphaBlend, BlendState::NonPremultiplied, BlendState::Additive, BlendState::Opaque};

bool FirstViewport(ID3D11DeviceContext* context, D3D11_VIEWPORT& viewport) {
  std::array<D3D11_VIEWPORT, D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE> viewports{};
  auto count = static_cast<UINT>(viewports.size());
  context->RSGetViewports(&count, viewports.data());
  if (count == 0) return false;
  viewport = viewports[0];
  return viewport.Width >= 1 && viewport.Height >= 1;
}

}  // namespace

struct Direct3D11GraphicsDevice::Resources {
  ComPtr<ID3D11Device> Device;
  ComPtr<ID3D11DeviceContext> Context;
  SpriteShader Shader;
  ComPtr<ID3D11Buffer> Vertices;
  ComPtr<ID3D11Buffer> Indices;
  ComPtr<ID3D11Buffer> ConstantBuffer;
  std::array<ComPtr<ID3D11BlendState>, 4> Blends;      // indexed by BlendIndex
  std::array<ComPtr<ID3D11SamplerState>, 2> Samplers;  // LinearClamp, PointClamp
  ComPtr<ID3D11RasterizerState> Rasterizer;
  ComPtr<ID3D11DepthStencilState> DepthStencil;
  // Sprites written since the buffer was last discarded; full at first, so that the first map
  // of the new buffer discards, as Direct3D wants.
  std::size_t RingUsed = RingSprites;
};

Direct3D11GraphicsDevice::Direct3D11GraphicsDevice(ID3D11Device* device,
                                                   ID3D11DeviceContext* context) {
  if (device == nullptr || context == nullptr) {
    throw std::invalid_argument(
        "A Direct3D 11 graphics device needs an ID3D11Device and its immediate context");
  }
  ComPtr<ID3D11DeviceContext> immediate;
  device->GetImmediateContext(immediate.GetAddressOf());
  if (immediate.Get() != context) {
    throw std::invalid_argument(
        "The Direct3D 11 graphics device draws with its device's immediate context only");
  }
  const D3D_FEATURE_LEVEL level = device->GetFeatureLevel();
  if (level < D3D_FEATURE_LEVEL_10_0) {
    throw std::runtime_error(
        "The Direct3D 11 graphics device needs feature level 10_0 (shader model 4) or later");
  }
  maxTextureSize = level >= D3D_FEATURE_LEVEL_11_0 ? D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION
                                                   : D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION;

  auto r = std::make_unique<Resources>();
  r->Device = device;
  r->Context = context;
  r->Shader = BuildSpriteShader(device, VertexLayout, static_cast<UINT>(std::size(VertexLayout)));

  D3D11_BUFFER_DESC vertices{};
  vertices.ByteWidth = static_cast<UINT>(RingSprites * SpriteBytes);
  vertices.Usage = D3D11_USAGE_DYNAMIC;
  vertices.BindFlags = D3D11_BIND_VERTEX_BUFFER;
  vertices.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
  ThrowIfFailed(device->CreateBuffer(&vertices, nullptr, r->Vertices.GetAddressOf()),
                "CreateBuffer (vertices)");

  // Corners go top-left, top-right, bottom-left, bottom-right; two triangles share the diagonal.
  std::vector<std::uint16_t> indices(MaxSpritesPerUpload * IndicesPerSprite);
  for (std::size_t sprite = 0; sprite < MaxSpritesPerUpload; ++sprite) {
    const auto first = static_cast<std::uint16_t>(sprite * VerticesPerSprite);
    const std::array<std::uint16_t, IndicesPerSprite> quad = {
        first,
        static_cast<std::uint16_t>(first + 1),
        static_cast<std::uint16_t>(first + 2),
        static_cast<std::uint16_t>(first + 1),
        static_cast<std::uint16_t>(first + 3),
        static_cast<std::uint16_t>(first + 2)};
    std::copy(quad.begin(), quad.end(),
              indices.begin() + static_cast<std::ptrdiff_t>(sprite * IndicesPerSprite));
  }
  D3D11_BUFFER_DESC indexDescription{};
  indexDescription.ByteWidth = static_cast<UINT>(indices.size() * sizeof(std::uint16_t));
  indexDescription.Usage = D3D11_USAGE_IMMUTABLE;
  indexDescription.BindFlags = D3D11_BIND_INDEX_BUFFER;
  const D3D11_SUBRESOURCE_DATA indexData{indices.data(), 0, 0};
  ThrowIfFailed(device->CreateBuffer(&indexDescription, &indexData, r->Indices.GetAddressOf()),
                "CreateBuffer (indices)");

  D3D11_BUFFER_DESC constants{};
  constants.ByteWidth = sizeof(Constants);
  constants.Usage = D3D11_USAGE_DYNAMIC;
  constants.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
  constants.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
  ThrowIfFailed(device->CreateBuffer(&constants, nullptr, r->ConstantBuffer.GetAddressOf()),
                "CreateBuffer (constants)");

  for (const BlendState blend : BlendStates) {
    const D3D11_BLEND_DESC description = BlendDescription(blend);
    ThrowIfFailed(
        device->CreateBlendState(&description, r->Blends[BlendIndex(blend)].GetAddressOf()),
        "CreateBlendState");
  }
  const std::array<D3D11_FILTER, 2> filters = {D3D11_FILTER_MIN_MAG_MIP_LINEAR,
                                               D3D11_FILTER_MIN_MAG_MIP_POINT};
  for (std::size_t i = 0; i < filters.size(); ++i) {
    D3D11_SAMPLER_DESC sampler{};
    sampler.Filter = filters[i];
    sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
    sampler.MaxLOD = D3D11_FLOAT32_MAX;
    ThrowIfFailed(device->CreateSamplerState(&sampler, r->Samplers[i].GetAddressOf()),
                  "CreateSamplerState");
  }
  D3D11_RASTERIZER_DESC rasterizer{};
  rasterizer.FillMode = D3D11_FILL_SOLID;
  rasterizer.CullMode = D3D11_CULL_NONE;
  rasterizer.DepthClipEnable = TRUE;
  ThrowIfFailed(device->CreateRasterizerState(&rasterizer, r->Rasterizer.GetAddressOf()),
                "CreateRasterizerState");
  D3D11_DEPTH_STENCIL_DESC depthStencil{};
  depthStencil.DepthEnable = FALSE;
  depthStencil.DepthWriteMask = D3D11_DEPTH_WRITE_MASK_ZERO;
  depthStencil.DepthFunc = D3D11_COMPARISON_ALWAYS;
  depthStencil.StencilEnable = FALSE;
  ThrowIfFailed(device->CreateDepthStencilState(&depthStencil, r->DepthStencil.GetAddressOf()),
                "CreateDepthStencilState");
  resources = std::move(r);
}

Direct3D11GraphicsDevice::~Direct3D11GraphicsDevice() = default;

ID3D11Device* Direct3D11GraphicsDevice::NativeDevice() const { return resources->Device.Get(); }

ID3D11DeviceContext* Direct3D11GraphicsDevice::NativeContext() const {
  return resources->Context.Get();
}

bool Direct3D11GraphicsDevice::SupportsFormat(SurfaceFormat format) const {
  return format == SurfaceFormat::Color || format == SurfaceFormat::Alpha8;
}

std::shared_ptr<Texture2D> Direct3D11GraphicsDevice::CreateTexture2D(std::int32_t width,
                                                                     std::int32_t height,
                                                                     bool mipMap,
                                                                     SurfaceFormat format) {
  CheckTextureSize(width, height);
  return std::make_shared<Direct3D11Texture2D>(resources->Device.Get(), resources->Context.Get(),
                                               width, height, mipMap, format);
}

void Direct3D11GraphicsDevice::DrawSprites(std::span<const SpriteQuad> sprites,
                                           const SpriteRenderState& state) {
  lastDrawCalls = 0;
  Resources& r = *resources;
  // Every texture is checked before anything is drawn, so a foreign one draws nothing at all.
  for (std::size_t i = 0; i < sprites.size(); ++i) {
    if (i == 0 || sprites[i].Texture != sprites[i - 1].Texture) {
      Resolve(sprites[i].Texture, r.Device.Get());
    }
  }
  if (sprites.empty()) return;
  ID3D11DeviceContext* context = r.Context.Get();
  D3D11_VIEWPORT viewport{};
  if (!FirstViewport(context, viewport)) return;

  const SavedPipelineState saved(context);
  context->IASetInputLayout(r.Shader.Layout.Get());
  context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  ID3D11Buffer* const vertexBuffers[] = {r.Vertices.Get()};
  const UINT stride = sizeof(Vertex);
  const UINT offset = 0;
  context->IASetVertexBuffers(0, 1, vertexBuffers, &stride, &offset);
  context->IASetIndexBuffer(r.Indices.Get(), DXGI_FORMAT_R16_UINT, 0);
  context->VSSetShader(r.Shader.Vertex.Get(), nullptr, 0);
  context->PSSetShader(r.Shader.Pixel.Get(), nullptr, 0);
  context->GSSetShader(nullptr, nullptr, 0);
  context->HSSetShader(nullptr, nullptr, 0);
  context->DSSetShader(nullptr, nullptr, 0);
  ID3D11Buffer* const constantBuffers[] = {r.ConstantBuffer.Get()};
  context->VSSetConstantBuffers(0, 1, constantBuffers);
  context->PSSetConstantBuffers(0, 1, constantBuffers);
  ID3D11SamplerState* const samplers[] = {
      r.Samplers[state.Sampler == SamplerState::PointClamp ? 1 : 0].Get()};
  context->PSSetSamplers(0, 1, samplers);
  context->RSSetState(r.Rasterizer.Get());
  const float blendFactor[4] = {1, 1, 1, 1};
  context->OMSetBlendState(r.Blends[BlendIndex(state.Blend)].Get(), blendFactor, 0xFFFFFFFFU);
  context->OMSetDepthStencilState(r.DepthStencil.Get(), 0);

  Constants constants{};
  constants.PixelToClip[0] = 2.0F / viewport.Width;
  constants.PixelToClip[1] = -2.0F / viewport.Height;
  const DistanceFieldEffect& field = state.DistanceField;
  const DistanceFieldRamp ramp = DistanceFieldRamp::Of(field);
  constants.FieldMode = field.Enabled ? (state.Sampler == SamplerState::LinearClamp ? 1 : 2) : 0;
  constants.OutlineEdge = ramp.OutlineEdge / 255.0F;
  constants.OutlineSoftness = ramp.OutlineSoftness / 255.0F;
  ToFloats(field.OutlineColor, constants.OutlineColor);
  constants.MultiChannel = field.Enabled && field.MultiChannel ? 1 : 0;

  for (std::size_t done = 0; done < sprites.size();) {
    const std::size_t count = std::min(sprites.size() - done, MaxSpritesPerUpload);
    const auto chunk = sprites.subspan(done, count);
    D3D11_MAP mode = D3D11_MAP_WRITE_NO_OVERWRITE;
    if (r.RingUsed + count > RingSprites) {
      // Discarding hands the old memory to the GPU and gives us fresh memory without a stall.
      r.RingUsed = 0;
      mode = D3D11_MAP_WRITE_DISCARD;
    }
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ThrowIfFailed(context->Map(r.Vertices.Get(), 0, mode, 0, &mapped),
                  "ID3D11DeviceContext::Map (sprite vertices)");
    Vertex* out = static_cast<Vertex*>(mapped.pData) + r.RingUsed * VerticesPerSprite;
    const Texture2D* sizedFor = nullptr;
    float inverseWidth = 0;
    float inverseHeight = 0;
    for (const SpriteQuad& quad : chunk) {
      if (quad.Texture != sizedFor) {
        sizedFor = quad.Texture;
        inverseWidth = 1.0F / static_cast<float>(quad.Texture->Width());
        inverseHeight = 1.0F / static_cast<float>(quad.Texture->Height());
      }
      const float u0 = quad.TexTopLeft.X * inverseWidth;
      const float v0 = quad.TexTopLeft.Y * inverseHeight;
      const float u1 = quad.TexBottomRight.X * inverseWidth;
      const float v1 = quad.TexBottomRight.Y * inverseHeight;
      const float scale = field.Enabled ? FieldScaleOf(quad, ramp) : 0.0F;
      *out++ = {quad.TopLeft.X, quad.TopLeft.Y, u0, v0, quad.Tint, scale};
      *out++ = {quad.TopRight.X, quad.TopRight.Y, u1, v0, quad.Tint, scale};
      *out++ = {quad.BottomLeft.X, quad.BottomLeft.Y, u0, v1, quad.Tint, scale};
      *out++ = {quad.BottomRight.X, quad.BottomRight.Y, u1, v1, quad.Tint, scale};
    }
    context->Unmap(r.Vertices.Get(), 0);

    for (std::size_t first = 0; first < count;) {
      std::size_t end = first + 1;
      while (end < count && chunk[end].Texture == chunk[first].Texture) ++end;
      const Direct3D11Texture2D& texture = Resolve(chunk[first].Texture, r.Device.Get());
      ID3D11ShaderResourceView* const view = texture.ShaderResourceView();
      if (view != nullptr) {  // disposed after it was queued: draws nothing
        constants.TextureSize[0] = static_cast<float>(texture.Width());
        constants.TextureSize[1] = static_cast<float>(texture.Height());
        constants.SingleChannel = texture.Format() == SurfaceFormat::Alpha8 ? 1 : 0;
        D3D11_MAPPED_SUBRESOURCE mappedConstants{};
        ThrowIfFailed(
            context->Map(r.ConstantBuffer.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mappedConstants),
            "ID3D11DeviceContext::Map (sprite constants)");
        std::memcpy(mappedConstants.pData, &constants, sizeof constants);
        context->Unmap(r.ConstantBuffer.Get(), 0);
        ID3D11ShaderResourceView* const views[] = {view};
        context->PSSetShaderResources(0, 1, views);
        context->DrawIndexed(static_cast<UINT>((end - first) * IndicesPerSprite),
                             static_cast<UINT>(first * IndicesPerSprite),
                             static_cast<INT>(r.RingUsed * VerticesPerSprite));
        ++lastDrawCalls;
      }
      first = end;
    }
    r.RingUsed += count;
    done += count;
  }
}

namespace {

ComPtr<ID3D11RenderTargetView> BoundTarget(ID3D11DeviceContext* context) {
  ComPtr<ID3D11RenderTargetView> target;
  context->OMGetRenderTargets(1, target.GetAddressOf(), nullptr);
  return target;
}

}  // namespace

void Direct3D11GraphicsDevice::Clear(Color color) {
  const ComPtr<ID3D11RenderTargetView> target = BoundTarget(resources->Context.Get());
  if (target == nullptr) return;
  float rgba[4];
  ToFloats(color, rgba);
  resources->Context->ClearRenderTargetView(target.Get(), rgba);
}

std::vector<Color> Direct3D11GraphicsDevice::ReadRenderTargetPixels() const {
  ID3D11DeviceContext* context = resources->Context.Get();
  const ComPtr<ID3D11RenderTargetView> target = BoundTarget(context);
  if (target == nullptr) throw std::logic_error("No render target is bound to read");
  ComPtr<ID3D11Resource> resource;
  target->GetResource(resource.GetAddressOf());
  ComPtr<ID3D11Texture2D> texture;
  if (FAILED(resource.As(&texture))) {
    throw std::logic_error("The bound render target is not a 2D texture");
  }
  D3D11_TEXTURE2D_DESC description{};
  texture->GetDesc(&description);
  const bool bgra = description.Format == DXGI_FORMAT_B8G8R8A8_UNORM;
  if ((description.Format != DXGI_FORMAT_R8G8B8A8_UNORM && !bgra) ||
      description.SampleDesc.Count != 1) {
    throw std::logic_error(
        "Only R8G8B8A8_UNORM and B8G8R8A8_UNORM render targets without multisampling are read");
  }
  D3D11_VIEWPORT viewport{};
  if (!FirstViewport(context, viewport)) return {};
  // The viewport's pixels that lie on the target.
  const auto left =
      static_cast<UINT>(std::clamp(viewport.TopLeftX, 0.0F, static_cast<float>(description.Width)));
  const auto top = static_cast<UINT>(
      std::clamp(viewport.TopLeftY, 0.0F, static_cast<float>(description.Height)));
  const auto right = static_cast<UINT>(
      std::clamp(viewport.TopLeftX + viewport.Width, 0.0F, static_cast<float>(description.Width)));
  const auto bottom = static_cast<UINT>(std::clamp(viewport.TopLeftY + viewport.Height, 0.0F,
                                                   static_cast<float>(description.Height)));
  if (right <= left || bottom <= top) return {};
  D3D11_TEXTURE2D_DESC staging = description;
  staging.Width = right - left;
  staging.Height = bottom - top;
  staging.MipLevels = 1;
  staging.ArraySize = 1;
  staging.Usage = D3D11_USAGE_STAGING;
  staging.BindFlags = 0;
  staging.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  staging.MiscFlags = 0;
  ComPtr<ID3D11Texture2D> copy;
  ThrowIfFailed(resources->Device->CreateTexture2D(&staging, nullptr, copy.GetAddressOf()),
                "ID3D11Device::CreateTexture2D (staging)");
  const D3D11_BOX box{left, top, 0, right, bottom, 1};
  D3D11_RENDER_TARGET_VIEW_DESC view{};
  target->GetDesc(&view);
  const UINT subresource =
      view.ViewDimension == D3D11_RTV_DIMENSION_TEXTURE2D ? view.Texture2D.MipSlice : 0;
  context->CopySubresourceRegion(copy.Get(), 0, 0, 0, 0, texture.Get(), subresource, &box);
  D3D11_MAPPED_SUBRESOURCE mapped{};
  ThrowIfFailed(context->Map(copy.Get(), 0, D3D11_MAP_READ, 0, &mapped),
                "ID3D11DeviceContext::Map (staging)");
  std::vector<Color> pixels(static_cast<std::size_t>(staging.Width) * staging.Height);
  for (std::size_t y = 0; y < staging.Height; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(mapped.pData) + y * mapped.RowPitch;
    for (std::size_t x = 0; x < staging.Width; ++x) {
      const std::uint8_t* p = row + x * 4;
      pixels[y * staging.Width + x] =
          bgra ? Color{p[2], p[1], p[0], p[3]} : Color{p[0], p[1], p[2], p[3]};
    }
  }
  context->Unmap(copy.Get(), 0);
  return pixels;
}

}  // namespace Vennicor::Graphics::Direct3D11
