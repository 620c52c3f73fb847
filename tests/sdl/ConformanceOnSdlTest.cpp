// The conformance table on the SDL backend, drawn by SDL's own software renderer into a
// surface (no window, no display). Its rule, beyond a scene's tolerance:
//
// * One more per channel: the device draws AlphaBlend from straight-alpha copies of its
//   textures on this renderer, which round once more. Colour channels only: the target is a
//   window's surface, whose alpha nobody sees, and SDL's fixed blend modes write alpha
//   differently for NonPremultiplied and Additive, as the device documents.
// * SDL's software renderer samples nearest-neighbour whatever the scale mode, so the
//   reference is drawn point-sampled as well.
// * Its triangle filler truncates corners to whole pixels and steps texel coordinates in fixed
//   point, so a sample may land a texel away from the exact one (measured: a 2x sprite shifted
//   by one texel row, a 1:1 background by one row in places). A pixel beyond the tolerance must
//   therefore match a reference pixel at most two pixels away; at least 80% of all pixels must
//   match in place and at most 1.5% of the drawn ones may match nothing near (anti-aliased
//   edges of rotated sprites, where a shifted sample meets a different coverage). A missing,
//   mirrored, mistinted or wrongly blended sprite breaks those bounds: the scenes' flat blocks
//   and glyph interiors are far larger than the slack, and a blank picture of the sparsest
//   scene leaves more than 1.5% of its drawn pixels unexplained.
// * That sampling lands up to half a texel off where texels are magnified (a 32-texel gradient
//   stretched over 160 pixels samples 2.5 pixels off), and small rotated glyphs that overlap
//   meet different coverage wherever they do: the scenes that need exact sampling are not this
//   renderer's to draw, nor are those that need the distance-field effect, which the device
//   lacks.
#include <memory>
#include <string>
#include <utility>

#include "backends/BackendConformance.h"
#include "graphics/sdl/SdlGraphicsDevice.h"
#include "sdl/SdlTarget.h"

namespace Vennicor::Graphics::Testing {
namespace {

using Sdl::SdlGraphicsDevice;
using Sdl::Testing::SdlTarget;

class SdlSceneTarget final : public BackendTarget {
 public:
  explicit SdlSceneTarget(std::unique_ptr<SdlTarget> surface)
      : surface(std::move(surface)), device(this->surface->Renderer()) {}
  GraphicsDevice& Device() override { return device; }
  void Clear(Color color) override { device.Clear(color); }
  std::vector<Color> Pixels() override { return device.ReadViewportPixels(); }

 private:
  std::unique_ptr<SdlTarget> surface;
  SdlGraphicsDevice device;
};

Backend OnSdl() {
  const auto open = [](std::string& failure) -> std::unique_ptr<BackendTarget> {
    auto surface = std::make_unique<SdlTarget>(SceneWidth, SceneHeight);
    if (surface->Renderer() == nullptr) {
      failure = surface->Error();
      return nullptr;
    }
    return std::make_unique<SdlSceneTarget>(std::move(surface));
  };
  return {"SdlSoftwareRenderer",
          open,
          {.ExtraTolerance = 1,
           .ComparesAlpha = false,
           .PointSampledReference = true,
           .Reach = 2,
           .MinExactShare = 800,
           .MaxUnexplainedShare = 15},
          {.DistanceFields = false, .ExactSampling = false}};
}

#ifdef _WIN32
// SDL's Direct3D 11 renderer (under Wine, wined3d over Mesa's software OpenGL) drawing into a
// target texture of a hidden window; a window needs a display, which under Wine is Xvfb. The
// rule is a GPU's, as for the OpenGL backend.
struct WindowRenderer {
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Texture* Texture = nullptr;
  WindowRenderer() = default;
  WindowRenderer(const WindowRenderer&) = delete;
  WindowRenderer& operator=(const WindowRenderer&) = delete;
  ~WindowRenderer() {
    if (Texture != nullptr) SDL_DestroyTexture(Texture);
    if (Renderer != nullptr) SDL_DestroyRenderer(Renderer);
    if (Window != nullptr) SDL_DestroyWindow(Window);
  }
};

class SdlDirect3DTarget final : public BackendTarget {
 public:
  explicit SdlDirect3DTarget(std::unique_ptr<WindowRenderer> sdl)
      : sdl(std::move(sdl)), device(this->sdl->Renderer) {}
  GraphicsDevice& Device() override { return device; }
  void Clear(Color color) override { device.Clear(color); }
  std::vector<Color> Pixels() override { return device.ReadViewportPixels(); }

 private:
  std::unique_ptr<WindowRenderer> sdl;  // outlives the device
  SdlGraphicsDevice device;
};

Backend OnSdlDirect3D() {
  const auto open = [](std::string& failure) -> std::unique_ptr<BackendTarget> {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      failure =
          std::string("SDL_Init (is there a display? under Wine: xvfb-run): ") + SDL_GetError();
      return nullptr;
    }
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "direct3d11");
    auto sdl = std::make_unique<WindowRenderer>();
    sdl->Window = SDL_CreateWindow("SDL tests", 0, 0, SceneWidth, SceneHeight, SDL_WINDOW_HIDDEN);
    if (sdl->Window != nullptr) {
      sdl->Renderer = SDL_CreateRenderer(sdl->Window, -1,
                                         SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    }
    SDL_RendererInfo info{};
    if (sdl->Renderer == nullptr || SDL_GetRendererInfo(sdl->Renderer, &info) != 0 ||
        std::string(info.name) != "direct3d11") {
      failure = std::string("no Direct3D 11 SDL renderer: ") +
                (sdl->Renderer != nullptr ? info.name : SDL_GetError());
      return nullptr;
    }
    sdl->Texture = SDL_CreateTexture(sdl->Renderer, SDL_PIXELFORMAT_ABGR8888,
                                     SDL_TEXTUREACCESS_TARGET, SceneWidth, SceneHeight);
    if (sdl->Texture == nullptr || SDL_SetRenderTarget(sdl->Renderer, sdl->Texture) != 0) {
      failure = std::string("no target texture: ") + SDL_GetError();
      return nullptr;
    }
    return std::make_unique<SdlDirect3DTarget>(std::move(sdl));
  };
  return {"SdlDirect3D11", open, {.MaxNudgedShare = 10}, {.DistanceFields = false}};
}

VENNICOR_CONFORMANCE_TABLE(Sdl, OnSdl(), OnSdlDirect3D());
#else
VENNICOR_CONFORMANCE_TABLE(Sdl, OnSdl());
#endif

}  // namespace
}  // namespace Vennicor::Graphics::Testing
