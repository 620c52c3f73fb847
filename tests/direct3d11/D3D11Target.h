#pragma once

// A Direct3D 11 device of the test's own (under Wine: wined3d over Mesa's software OpenGL, which
// needs an X display: xvfb-run) and an offscreen R8G8B8A8 render target, bound with a viewport
// of its size, for the backend to draw into.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <ios>
#include <memory>
#include <sstream>
#include <string>

namespace Vennicor::Graphics::Direct3D11::Testing {

using Microsoft::WRL::ComPtr;

inline std::string Failure(const char* call, HRESULT result) {
  std::ostringstream text;
  text << call << " failed with HRESULT 0x" << std::hex << static_cast<unsigned long>(result);
  return text.str();
}

struct D3D11Target {
  ComPtr<ID3D11Device> Device;
  ComPtr<ID3D11DeviceContext> Context;
  ComPtr<ID3D11Texture2D> Texture;
  ComPtr<ID3D11RenderTargetView> View;
  /// Empty when the target is ready; else why not.
  std::string Error;

  D3D11Target(std::int32_t width, std::int32_t height) {
    // The hardware driver first (Wine's wined3d answers to it); WARP where there is no GPU.
    HRESULT result = E_FAIL;
    for (const D3D_DRIVER_TYPE type : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}) {
      result = D3D11CreateDevice(nullptr, type, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                 Device.GetAddressOf(), nullptr, Context.GetAddressOf());
      if (SUCCEEDED(result)) break;
    }
    if (FAILED(result)) {
      Error = Failure(
          "D3D11CreateDevice (hardware and WARP; under Wine it needs an X display: "
          "xvfb-run)",
          result);
      return;
    }
    D3D11_TEXTURE2D_DESC description{};
    description.Width = static_cast<UINT>(width);
    description.Height = static_cast<UINT>(height);
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_DEFAULT;
    description.BindFlags = D3D11_BIND_RENDER_TARGET;
    result = Device->CreateTexture2D(&description, nullptr, Texture.GetAddressOf());
    if (SUCCEEDED(result)) {
      result = Device->CreateRenderTargetView(Texture.Get(), nullptr, View.GetAddressOf());
    }
    if (FAILED(result)) {
      Error = Failure("Creating the render target", result);
      return;
    }
    Bind(width, height);
  }

  /// Binds the target and a viewport of `width` x `height` at the top-left corner.
  void Bind(std::int32_t width, std::int32_t height) {
    ID3D11RenderTargetView* const views[] = {View.Get()};
    Context->OMSetRenderTargets(1, views, nullptr);
    const D3D11_VIEWPORT viewport{0, 0, static_cast<float>(width), static_cast<float>(height),
                                  0, 1};
    Context->RSSetViewports(1, &viewport);
  }
};

}  // namespace Vennicor::Graphics::Direct3D11::Testing
