#pragma once

// (Not installed.) The sprite shader's HLSL and its compiled stages.

#include <d3d11.h>
#include <wrl/client.h>

namespace Vennicor::Graphics::Direct3D11 {

/// SpriteShader.hlsl, built into the library by CMake.
extern const char* const SpriteShaderSource;

/// The compiled stages and the input layout that matches the vertex stage's signature.
struct SpriteShader {
  Microsoft::WRL::ComPtr<ID3D11VertexShader> Vertex;
  Microsoft::WRL::ComPtr<ID3D11PixelShader> Pixel;
  Microsoft::WRL::ComPtr<ID3D11InputLayout> Layout;
};

/// Compiles SpriteShaderSource (vs_4_0, ps_4_0) and creates its stages on `device`.
/// `layout` describes the vertex. \throws std::runtime_error with the compiler's log when it
/// does not compile, or when Direct3D refuses the bytecode.
SpriteShader BuildSpriteShader(ID3D11Device* device, const D3D11_INPUT_ELEMENT_DESC* layout,
                               UINT layoutElements);

}  // namespace Vennicor::Graphics::Direct3D11
