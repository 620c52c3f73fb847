// The conformance table on the Direct3D 11 backend, drawn into an offscreen render target (under
// Wine: wined3d over Mesa's software rasterizer, through Xvfb). The rule is the OpenGL backend's:
// the scenes' tolerance of 2 per channel is a GPU's 8-bit filtering, tinting and blending, and a
// pixel beyond it may only match the software picture moved by 1/128 pixel, as Direct3D snaps
// vertices to 1/256 pixel and breaks ties on edges by its own rule; at most 1% of the drawn
// pixels may. A device that cannot be made fails every row: CI must not pass without it.
#include <memory>
#include <string>

#include "backends/BackendConformance.h"
#include "direct3d11/D3D11Target.h"
#include "graphics/direct3d11/Direct3D11GraphicsDevice.h"

namespace Vennicor::Graphics::Testing {
namespace {

using Direct3D11::Direct3D11GraphicsDevice;
using Direct3D11::Testing::D3D11Target;

class SceneTarget final : public BackendTarget {
 public:
  explicit SceneTarget(std::unique_ptr<D3D11Target> target)
      : target(std::move(target)),
        device(this->target->Device.Get(), this->target->Context.Get()) {}
  GraphicsDevice& Device() override { return device; }
  void Clear(Color color) override { device.Clear(color); }
  std::vector<Color> Pixels() override { return device.ReadRenderTargetPixels(); }

 private:
  std::unique_ptr<D3D11Target> target;  // outlives the device
  Direct3D11GraphicsDevice device;
};

Backend OnDirect3D11() {
  const auto open = [](std::string& failure) -> std::unique_ptr<BackendTarget> {
    auto target = std::make_unique<D3D11Target>(SceneWidth, SceneHeight);
    if (!target->Error.empty()) {
      failure = target->Error;
      return nullptr;
    }
    return std::make_unique<SceneTarget>(std::move(target));
  };
  return {"Direct3D11", open, {.MaxNudgedShare = 10}, {}};
}

VENNICOR_CONFORMANCE_TABLE(Direct3D11, OnDirect3D11());

}  // namespace
}  // namespace Vennicor::Graphics::Testing
