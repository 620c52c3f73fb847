// The conformance table on the OpenGL backend, in a headless context of each kind (Mesa's
// software rasterizer in CI). The scenes' tolerance of 2 per channel is Mesa's arithmetic: it
// keeps bilinear weights in 8 bits (an error below 0.5), rounds the fragment colour to 8 bits
// before blending (0.5) and blends in 8-bit fixed point (0.5), where the software device
// rounds once. Beyond that, a pixel may differ only where the software picture itself changes
// when the whole scene moves by 1/128 pixel: GL snaps vertices to 1/256 pixel and breaks ties
// on edges by its own rule, so either answer is right on a pixel whose centre lies that close
// to a sprite edge, or whose point-sampled texel coordinate lies that close to a texel
// boundary. Such pixels must stay rare (at most 1% of the drawn ones), which a misplaced
// half-pixel or a wrong filter would break. A missing context fails every row: CI must not
// pass without GL.
#include <memory>
#include <string>

#include "backends/BackendConformance.h"
#include "graphics/opengl/OpenGLGraphicsDevice.h"
#include "opengl/HeadlessContext.h"

namespace Vennicor::Graphics::Testing {
namespace {

using OpenGL::OpenGLGraphicsDevice;
using OpenGL::Testing::GlApi;
using OpenGL::Testing::HeadlessContext;
using OpenGL::Testing::OffscreenTarget;

class GlTarget final : public BackendTarget {
 public:
  bool IsComplete() const { return target.IsComplete(); }
  GraphicsDevice& Device() override { return device; }
  void Clear(Color color) override { device.Clear(color); }
  std::vector<Color> Pixels() override { return device.ReadViewportPixels(); }

 private:
  OffscreenTarget target{SceneWidth, SceneHeight};
  OpenGLGraphicsDevice device;
};

Backend OnOpenGL(GlApi api) {
  const auto open = [api](std::string& failure) -> std::unique_ptr<BackendTarget> {
    failure = HeadlessContext::MakeCurrent(api);
    if (!failure.empty()) {
      failure = "no headless GL context: " + failure;
      return nullptr;
    }
    auto target = std::make_unique<GlTarget>();
    if (!target->IsComplete()) {
      failure = "the offscreen framebuffer is incomplete";
      return nullptr;
    }
    return target;
  };
  return {OpenGL::Testing::ApiName(api),
          open,
          {.MaxNudgedShare = 10},
          {},
          HeadlessContext::Unavailable(api)};
}

VENNICOR_CONFORMANCE_TABLE(OpenGL, OnOpenGL(GlApi::Desktop33Core), OnOpenGL(GlApi::Es30));

}  // namespace
}  // namespace Vennicor::Graphics::Testing
