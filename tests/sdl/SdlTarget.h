#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

namespace Vennicor::Graphics::Sdl::Testing {

/// SDL's software renderer drawing into an RGBA surface: a real SDL_Renderer with no window
/// and no display.
class SdlTarget {
 public:
  SdlTarget(std::int32_t width, std::int32_t height)
      : surface(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32)),
        renderer(surface != nullptr ? SDL_CreateSoftwareRenderer(surface) : nullptr) {
    if (renderer == nullptr) error = SDL_GetError();
  }
  ~SdlTarget() {
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (surface != nullptr) SDL_FreeSurface(surface);
  }
  SdlTarget(const SdlTarget&) = delete;
  SdlTarget& operator=(const SdlTarget&) = delete;

  SDL_Renderer* Renderer() const { return renderer; }
  /// Why the renderer could not be made; empty when it was.
  const std::string& Error() const { return error; }

 private:
  SDL_Surface* surface;
  SDL_Renderer* renderer;
  std::string error;
};

}  // namespace Vennicor::Graphics::Sdl::Testing
