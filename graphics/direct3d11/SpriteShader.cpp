#include "graphics/direct3d11/SpriteShader.h"

#include <d3dcompiler.h>

#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>

#include "graphics/direct3d11/D3D11Error.h"

namespace Vennicor::Graphics::Direct3D11 {

namespace {

using Microsoft::WRL::ComPtr;

ComPtr<ID3DBlob> Compile(const char* entry, const char* profile) {
  ComPtr<ID3DBlob> code;
  ComPtr<ID3DBlob> log;
  const HRESULT result = D3DCompile(SpriteShaderSource, std::strlen(SpriteShaderSource),
                                    "SpriteShader.hlsl", nullptr, nullptr, entry, profile,
                                    D3DCOMPILE_ENABLE_STRICTNESS | D3DCOMPILE_OPTIMIZATION_LEVEL3,
                                    0, code.GetAddressOf(), log.GetAddressOf());
  if (FAILED(result) || code == nullptr) {
    std::ostringstream message;
    message << "The Direct3D 11 sprite shader (" << entry << ", " << profile
            << ") does not compile: HRESULT 0x" << std::hex << static_cast<unsigned long>(result);
    if (log != nullptr) {
      message << ": "
              << std::string(static_cast<const char*>(log->GetBufferPointer()),
                             log->GetBufferSize());
    }
    throw std::runtime_error(message.str());
  }
  return code;
}

}  // namespace

SpriteShader BuildSpriteShader(ID3D11Device* device, const D3D11_INPUT_ELEMENT_DESC* layout,
                               UINT layoutElements) {
  const ComPtr<ID3DBlob> vertex = Compile("SpriteVertex", "vs_4_0");
  const ComPtr<ID3DBlob> pixel = Compile("SpritePixel", "ps_4_0");
  SpriteShader shader;
  ThrowIfFailed(device->CreateVertexShader(vertex->GetBufferPointer(), vertex->GetBufferSize(),
                                           nullptr, shader.Vertex.GetAddressOf()),
                "CreateVertexShader");
  ThrowIfFailed(device->CreatePixelShader(pixel->GetBufferPointer(), pixel->GetBufferSize(),
                                          nullptr, shader.Pixel.GetAddressOf()),
                "CreatePixelShader");
  ThrowIfFailed(device->CreateInputLayout(layout, layoutElements, vertex->GetBufferPointer(),
                                          vertex->GetBufferSize(), shader.Layout.GetAddressOf()),
                "CreateInputLayout");
  return shader;
}

}  // namespace Vennicor::Graphics::Direct3D11
