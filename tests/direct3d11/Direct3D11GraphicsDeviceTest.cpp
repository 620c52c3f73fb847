// The Direct3D 11 device beyond the conformance table's pictures: the pipeline state a game
// had bound survives a draw, foreign textures draw nothing, long batches wrap the vertex
// buffer, textures read back what was written, and the game's device gets back every
// reference taken on it.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

#include "direct3d11/D3D11Target.h"
#include "graphics/SpriteQuad.h"
#include "graphics/direct3d11/Direct3D11GraphicsDevice.h"
#include "graphics/direct3d11/Direct3D11Texture2D.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace Vennicor::Graphics::Direct3D11::Testing {
namespace {

constexpr std::int32_t Width = 64;
constexpr std::int32_t Height = 48;

// A device on a target of its own. Without one the test fails with the reason: CI must not pass
// without Direct3D.
class Direct3D11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    target = std::make_unique<D3D11Target>(Width, Height);
    ASSERT_EQ(target->Error, "") << "no Direct3D 11 device";
    device =
        std::make_unique<Direct3D11GraphicsDevice>(target->Device.Get(), target->Context.Get());
  }

  std::shared_ptr<Texture2D> White() {
    auto texture = device->CreateTexture2D(1, 1, false, SurfaceFormat::Color);
    const std::array<Color, 1> white = {Color::White()};
    texture->SetData(white);
    return texture;
  }

  std::unique_ptr<D3D11Target> target;
  std::unique_ptr<Direct3D11GraphicsDevice> device;
};

SpriteQuad PixelQuad(Texture2D* texture, float x, float y, Color tint) {
  SpriteQuad quad;
  quad.Texture = texture;
  quad.TopLeft = {x, y};
  quad.TopRight = {x + 1, y};
  quad.BottomLeft = {x, y + 1};
  quad.BottomRight = {x + 1, y + 1};
  quad.TexBottomRight = {1, 1};
  quad.Tint = tint;
  return quad;
}

TEST_F(Direct3D11Test, PutsBackThePipelineStateItChanges) {
  ID3D11Device* d3d = target->Device.Get();
  ID3D11DeviceContext* context = target->Context.Get();
  // A game's state, every piece unlike what the sprite device sets.
  D3D11_RASTERIZER_DESC rasterizerDescription{};
  rasterizerDescription.FillMode = D3D11_FILL_SOLID;
  rasterizerDescription.CullMode = D3D11_CULL_FRONT;
  rasterizerDescription.ScissorEnable = TRUE;
  ComPtr<ID3D11RasterizerState> rasterizer;
  ASSERT_TRUE(SUCCEEDED(d3d->CreateRasterizerState(&rasterizerDescription, &rasterizer)));
  D3D11_BLEND_DESC blendDescription{};
  blendDescription.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_RED;
  ComPtr<ID3D11BlendState> blend;
  ASSERT_TRUE(SUCCEEDED(d3d->CreateBlendState(&blendDescription, &blend)));
  D3D11_DEPTH_STENCIL_DESC depthDescription{};
  depthDescription.DepthEnable = TRUE;
  depthDescription.DepthWriteMask = D3D11_DEPTH_WRITE_MASK_ALL;
  depthDescription.DepthFunc = D3D11_COMPARISON_LESS;
  ComPtr<ID3D11DepthStencilState> depth;
  ASSERT_TRUE(SUCCEEDED(d3d->CreateDepthStencilState(&depthDescription, &depth)));
  D3D11_SAMPLER_DESC samplerDescription{};
  samplerDescription.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
  samplerDescription.AddressU = samplerDescription.AddressV = samplerDescription.AddressW =
      D3D11_TEXTURE_ADDRESS_WRAP;
  samplerDescription.MaxLOD = D3D11_FLOAT32_MAX;
  ComPtr<ID3D11SamplerState> sampler;
  ASSERT_TRUE(SUCCEEDED(d3d->CreateSamplerState(&samplerDescription, &sampler)));
  D3D11_BUFFER_DESC bufferDescription{};
  bufferDescription.ByteWidth = 256;
  bufferDescription.Usage = D3D11_USAGE_DEFAULT;
  bufferDescription.BindFlags = D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER;
  ComPtr<ID3D11Buffer> buffer;
  ASSERT_TRUE(SUCCEEDED(d3d->CreateBuffer(&bufferDescription, nullptr, &buffer)));
  bufferDescription.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
  ComPtr<ID3D11Buffer> constants;
  ASSERT_TRUE(SUCCEEDED(d3d->CreateBuffer(&bufferDescription, nullptr, &constants)));
  const auto gameTexture = device->CreateTexture2D(4, 4, false, SurfaceFormat::Color);
  ID3D11ShaderResourceView* const gameView =
      static_cast<Direct3D11Texture2D&>(*gameTexture).ShaderResourceView();

  const float factor[4] = {0.1F, 0.2F, 0.3F, 0.4F};
  context->RSSetState(rasterizer.Get());
  const D3D11_RECT scissor{1, 2, 30, 40};
  context->RSSetScissorRects(1, &scissor);
  context->OMSetBlendState(blend.Get(), factor, 0x0FU);
  context->OMSetDepthStencilState(depth.Get(), 7);
  context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_POINTLIST);
  ID3D11Buffer* const vertexBuffers[] = {buffer.Get()};
  const UINT stride = 12;
  const UINT offset = 4;
  context->IASetVertexBuffers(0, 1, vertexBuffers, &stride, &offset);
  context->IASetIndexBuffer(buffer.Get(), DXGI_FORMAT_R32_UINT, 8);
  ID3D11Buffer* const constantBuffers[] = {constants.Get()};
  context->VSSetConstantBuffers(0, 1, constantBuffers);
  context->PSSetConstantBuffers(0, 1, constantBuffers);
  context->PSSetShaderResources(0, 1, &gameView);
  ID3D11SamplerState* const samplers[] = {sampler.Get()};
  context->PSSetSamplers(0, 1, samplers);

  // Drawing with the game's depth test and scissor would draw nothing: it must draw.
  device->Clear(Color(0, 0, 0, 255));
  const auto white = White();
  const SpriteQuad quad = PixelQuad(white.get(), 40, 44, Color::White());
  device->DrawSprites({&quad, 1}, {});
  EXPECT_EQ(device->ReadRenderTargetPixels()[44 * Width + 40], Color::White());

  ComPtr<ID3D11RasterizerState> gotRasterizer;
  context->RSGetState(&gotRasterizer);
  EXPECT_EQ(gotRasterizer.Get(), rasterizer.Get());
  D3D11_RECT gotScissor{};
  UINT scissors = 1;
  context->RSGetScissorRects(&scissors, &gotScissor);
  EXPECT_EQ(gotScissor.right, 30);
  ComPtr<ID3D11BlendState> gotBlend;
  float gotFactor[4] = {};
  UINT gotMask = 0;
  context->OMGetBlendState(&gotBlend, gotFactor, &gotMask);
  EXPECT_EQ(gotBlend.Get(), blend.Get());
  EXPECT_EQ(gotFactor[2], 0.3F);
  EXPECT_EQ(gotMask, 0x0FU);
  ComPtr<ID3D11DepthStencilState> gotDepth;
  UINT gotReference = 0;
  context->OMGetDepthStencilState(&gotDepth, &gotReference);
  EXPECT_EQ(gotDepth.Get(), depth.Get());
  EXPECT_EQ(gotReference, 7U);
  D3D11_PRIMITIVE_TOPOLOGY topology{};
  context->IAGetPrimitiveTopology(&topology);
  EXPECT_EQ(topology, D3D11_PRIMITIVE_TOPOLOGY_POINTLIST);
  ComPtr<ID3D11Buffer> gotVertices;
  UINT gotStride = 0;
  UINT gotOffset = 0;
  context->IAGetVertexBuffers(0, 1, &gotVertices, &gotStride, &gotOffset);
  EXPECT_EQ(gotVertices.Get(), buffer.Get());
  EXPECT_EQ(gotStride, 12U);
  EXPECT_EQ(gotOffset, 4U);
  ComPtr<ID3D11Buffer> gotIndices;
  DXGI_FORMAT indexFormat{};
  UINT indexOffset = 0;
  context->IAGetIndexBuffer(&gotIndices, &indexFormat, &indexOffset);
  EXPECT_EQ(gotIndices.Get(), buffer.Get());
  EXPECT_EQ(indexFormat, DXGI_FORMAT_R32_UINT);
  EXPECT_EQ(indexOffset, 8U);
  ComPtr<ID3D11Buffer> gotVertexConstants;
  ComPtr<ID3D11Buffer> gotPixelConstants;
  context->VSGetConstantBuffers(0, 1, &gotVertexConstants);
  context->PSGetConstantBuffers(0, 1, &gotPixelConstants);
  EXPECT_EQ(gotVertexConstants.Get(), constants.Get());
  EXPECT_EQ(gotPixelConstants.Get(), constants.Get());
  ComPtr<ID3D11ShaderResourceView> gotView;
  context->PSGetShaderResources(0, 1, &gotView);
  EXPECT_EQ(gotView.Get(), gameView);
  ComPtr<ID3D11SamplerState> gotSampler;
  context->PSGetSamplers(0, 1, &gotSampler);
  EXPECT_EQ(gotSampler.Get(), sampler.Get());
  // The game had no shaders and no input layout bound: none are left bound.
  ComPtr<ID3D11InputLayout> layout;
  context->IAGetInputLayout(&layout);
  EXPECT_EQ(layout.Get(), nullptr);
  ComPtr<ID3D11VertexShader> vertexShader;
  ComPtr<ID3D11PixelShader> pixelShader;
  context->VSGetShader(&vertexShader, nullptr, nullptr);
  context->PSGetShader(&pixelShader, nullptr, nullptr);
  EXPECT_EQ(vertexShader.Get(), nullptr);
  EXPECT_EQ(pixelShader.Get(), nullptr);
}

TEST_F(Direct3D11Test, DrawsNothingWhenATextureIsForeign) {
  Software::SoftwareGraphicsDevice software(4, 4);
  const auto softwareTexture = software.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  D3D11Target other(4, 4);
  ASSERT_EQ(other.Error, "");
  Direct3D11GraphicsDevice otherDevice(other.Device.Get(), other.Context.Get());
  const auto otherTexture = otherDevice.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  target->Bind(Width, Height);

  const auto white = White();
  for (Texture2D* foreign : {softwareTexture.get(), otherTexture.get()}) {
    device->Clear(Color(0, 0, 0, 255));
    const std::vector<SpriteQuad> quads = {PixelQuad(white.get(), 1, 1, Color::White()),
                                           PixelQuad(foreign, 2, 2, Color::White())};
    EXPECT_THROW(device->DrawSprites(quads, {}), std::invalid_argument);
    EXPECT_EQ(device->ReadRenderTargetPixels()[1 * Width + 1], Color(0, 0, 0, 255));
  }
}

// 13 layers of one sprite a pixel (39936 sprites) in one call, three times: the sprites go to
// the vertex buffer in uploads of 16384, the third call discards the full buffer, and every
// pixel shows the last layer's colour. Two textures alternating by layer make a draw call a
// layer, and a disposed one draws nothing.
TEST_F(Direct3D11Test, DrawsLongBatchesInOrderAcrossTheVertexBuffer) {
  const auto white = White();
  const auto second = White();
  const auto disposed = White();
  disposed->Dispose();
  constexpr int Layers = 13;
  std::vector<SpriteQuad> quads;
  for (int layer = 0; layer < Layers; ++layer) {
    Texture2D* texture = layer % 2 == 0 ? white.get() : second.get();
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        quads.push_back(PixelQuad(texture, static_cast<float>(x), static_cast<float>(y),
                                  Color(layer * 19, x * 4, y * 5, 255)));
      }
    }
  }
  quads.push_back(PixelQuad(disposed.get(), 0, 0, Color(255, 0, 0, 255)));
  SpriteRenderState opaque;
  opaque.Blend = BlendState::Opaque;
  for (int call = 0; call < 3; ++call) {
    device->Clear(Color(0, 0, 0, 0));
    device->DrawSprites(quads, opaque);
    EXPECT_EQ(device->LastDrawCallCount(), Layers + 2);  // two layers split by an upload
    const std::vector<Color> pixels = device->ReadRenderTargetPixels();
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(Width * Height));
    int wrong = 0;
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        if (pixels[static_cast<std::size_t>(y * Width + x)] !=
            Color((Layers - 1) * 19, x * 4, y * 5, 255)) {
          ++wrong;
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "call " << call;
  }
}

// Textures of both formats start transparent, take rectangles, and read back as Color.
TEST_F(Direct3D11Test, TexturesReadBackWhatWasWritten) {
  for (const SurfaceFormat format : {SurfaceFormat::Color, SurfaceFormat::Alpha8}) {
    SCOPED_TRACE(static_cast<int>(format));
    const auto texture = device->CreateTexture2D(5, 3, false, format);
    std::vector<Color> texels(15, Color(9, 9, 9, 9));
    texture->GetData(texels);
    EXPECT_EQ(texels, std::vector<Color>(15, Color()));

    const std::vector<Color> block = {Color(10, 20, 30, 40), Color(50, 60, 70, 80),
                                      Color(90, 100, 110, 120), Color(130, 140, 150, 160)};
    texture->SetData(0, Rectangle{3, 1, 2, 2}, block);
    const std::vector<std::uint8_t> bytes = {200, 201, 202};
    texture->SetAlphaData(0, Rectangle{0, 0, 3, 1}, bytes);
    std::vector<Color> corner(4);
    texture->GetData(0, Rectangle{3, 1, 2, 2}, corner);
    std::vector<Color> row(3);
    texture->GetData(0, Rectangle{0, 0, 3, 1}, row);
    if (format == SurfaceFormat::Color) {
      EXPECT_EQ(corner, block);
    } else {
      EXPECT_EQ(corner, (std::vector<Color>{Color(40, 40, 40, 40), Color(80, 80, 80, 80),
                                            Color(120, 120, 120, 120), Color(160, 160, 160, 160)}));
    }
    EXPECT_EQ(row, (std::vector<Color>{Color(200, 200, 200, 200), Color(201, 201, 201, 201),
                                       Color(202, 202, 202, 202)}));
    EXPECT_THROW(texture->SetData(0, Rectangle{4, 0, 2, 1}, std::vector<Color>(2)),
                 std::invalid_argument);
    texture->Dispose();
    EXPECT_EQ(static_cast<Direct3D11Texture2D&>(*texture).NativeTexture(), nullptr);
    EXPECT_THROW(texture->GetData(texels), std::logic_error);
  }
  EXPECT_THROW(device->CreateTexture2D(4, 4, true, SurfaceFormat::Color), std::invalid_argument);
  EXPECT_THROW(
      device->CreateTexture2D(device->MaxTextureSize() + 1, 1, false, SurfaceFormat::Color),
      std::invalid_argument);
}

// Everything the device and its textures hold on the game's device goes when they go: a bound
// sprite texture, a staging copy or a saved state left behind would keep the game's device alive.
TEST_F(Direct3D11Test, GivesBackEveryReferenceItTook) {
  const auto references = [](IUnknown* object) {
    object->AddRef();
    return object->Release();
  };
  ID3D11Device* d3d = target->Device.Get();
  ID3D11DeviceContext* context = target->Context.Get();
  device.reset();
  const ULONG deviceReferences = references(d3d);
  const ULONG contextReferences = references(context);
  {
    Direct3D11GraphicsDevice drawing(d3d, context);
    const auto kept = drawing.CreateTexture2D(4, 4, false, SurfaceFormat::Color);
    const auto disposed = drawing.CreateTexture2D(4, 4, false, SurfaceFormat::Alpha8);
    const std::vector<Color> texels(16, Color::White());
    kept->SetData(texels);
    disposed->SetData(texels);
    const std::vector<SpriteQuad> quads = {PixelQuad(kept.get(), 1, 1, Color::White()),
                                           PixelQuad(disposed.get(), 2, 2, Color::White())};
    drawing.DrawSprites(quads, {});
    std::vector<Color> readBack(16);
    kept->GetData(readBack);
    EXPECT_EQ(drawing.ReadRenderTargetPixels()[1 * Width + 1], Color::White());
    disposed->Dispose();
    EXPECT_GT(references(d3d), deviceReferences);
  }
  EXPECT_EQ(references(d3d), deviceReferences);
  EXPECT_EQ(references(context), contextReferences);
}

TEST_F(Direct3D11Test, DrawsOnlyWithTheImmediateContext) {
  ComPtr<ID3D11DeviceContext> deferred;
  ASSERT_TRUE(SUCCEEDED(target->Device->CreateDeferredContext(0, &deferred)));
  EXPECT_THROW(Direct3D11GraphicsDevice(target->Device.Get(), deferred.Get()),
               std::invalid_argument);
  EXPECT_THROW(Direct3D11GraphicsDevice(nullptr, target->Context.Get()), std::invalid_argument);
}

}  // namespace
}  // namespace Vennicor::Graphics::Direct3D11::Testing
