#pragma once

// (Not installed.) The pipeline state the sprite device changes, saved and put back.

#include <d3d11.h>
#include <wrl/client.h>

#include <array>

namespace Vennicor::Graphics::Direct3D11 {

/// Saves, on construction, every piece of the immediate context's state that DrawSprites sets,
/// and restores it on destruction (also when drawing throws). Costs some twenty Get and Set
/// calls and the references they take.
class SavedPipelineState {
 public:
  explicit SavedPipelineState(ID3D11DeviceContext* context);
  ~SavedPipelineState();
  SavedPipelineState(const SavedPipelineState&) = delete;
  SavedPipelineState& operator=(const SavedPipelineState&) = delete;

 private:
  template <typename Shader>
  struct Stage {
    Microsoft::WRL::ComPtr<Shader> Program;
    // Class instances the game's shader was bound with (dynamic linkage); usually none.
    std::array<ID3D11ClassInstance*, D3D11_SHADER_MAX_INTERFACES> Instances{};
    UINT InstanceCount = 0;

    Stage() = default;
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;
    void Trim() {
      while (InstanceCount > 0 && Instances[InstanceCount - 1] == nullptr) --InstanceCount;
    }
    ~Stage() {
      for (UINT i = 0; i < InstanceCount; ++i) {
        if (Instances[i] != nullptr) Instances[i]->Release();
      }
    }
  };

  ID3D11DeviceContext* context;
  Microsoft::WRL::ComPtr<ID3D11InputLayout> layout;
  D3D11_PRIMITIVE_TOPOLOGY topology = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
  Microsoft::WRL::ComPtr<ID3D11Buffer> vertexBuffer;
  UINT vertexStride = 0;
  UINT vertexOffset = 0;
  Microsoft::WRL::ComPtr<ID3D11Buffer> indexBuffer;
  DXGI_FORMAT indexFormat = DXGI_FORMAT_UNKNOWN;
  UINT indexOffset = 0;
  Stage<ID3D11VertexShader> vertex;
  Stage<ID3D11PixelShader> pixel;
  Stage<ID3D11GeometryShader> geometry;
  Stage<ID3D11HullShader> hull;
  Stage<ID3D11DomainShader> domain;
  Microsoft::WRL::ComPtr<ID3D11Buffer> vertexConstants;
  Microsoft::WRL::ComPtr<ID3D11Buffer> pixelConstants;
  Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> pixelResource;
  Microsoft::WRL::ComPtr<ID3D11SamplerState> pixelSampler;
  Microsoft::WRL::ComPtr<ID3D11RasterizerState> rasterizer;
  Microsoft::WRL::ComPtr<ID3D11BlendState> blend;
  std::array<float, 4> blendFactor{};
  UINT sampleMask = 0;
  Microsoft::WRL::ComPtr<ID3D11DepthStencilState> depthStencil;
  UINT stencilReference = 0;
};

}  // namespace Vennicor::Graphics::Direct3D11
