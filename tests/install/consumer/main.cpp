// A game-like consumer: draws a sprite with the software backend and checks the pixel.
#include <cstdio>
#include <stdexcept>

#include "font/FontException.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#ifdef VENNICOR_CONSUMER_HAS_GL
#include "graphics/opengl/OpenGLGraphicsDevice.h"
#endif
#ifdef VENNICOR_CONSUMER_HAS_SDL
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "graphics/sdl/SdlGraphicsDevice.h"
#endif

int main() {
  using namespace Vennicor::Graphics;
  Software::SoftwareGraphicsDevice device(4, 4);
  auto texture = device.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  const Color white = Color::White();
  texture->SetData({&white, 1});
  SpriteBatch batch(device);
  batch.Begin();
  batch.Draw(texture, Vector2{1, 1}, Color(255, 0, 0, 255));
  batch.End();
  bool ok = device.GetPixel(1, 1) == Color(255, 0, 0, 255) && device.GetPixel(0, 0) == Color();
  std::puts(ok ? "consumer: ok" : "consumer: wrong pixel");
#ifdef VENNICOR_CONSUMER_HAS_GL
  // No context is current here: the device must say so rather than crash.
  try {
    OpenGL::OpenGLGraphicsDevice glDevice;
    std::puts("consumer: an OpenGL device started without a context");
    return 1;
  } catch (const std::logic_error& error) {
    std::printf("consumer: OpenGL backend linked (%s)\n", error.what());
  }
#endif
#ifdef VENNICOR_CONSUMER_HAS_SDL
  {
    // SDL's software renderer on a surface: no window needed.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_RGBA32);
    SDL_Renderer* renderer = surface != nullptr ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    if (renderer == nullptr) {
      std::printf("consumer: no SDL software renderer (%s)\n", SDL_GetError());
      return 1;
    }
    bool sdlOk = false;
    {
      Sdl::SdlGraphicsDevice sdlDevice(renderer);
      sdlDevice.Clear(Color::Black());
      auto sdlTexture = sdlDevice.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
      sdlTexture->SetData({&white, 1});
      SpriteBatch sdlBatch(sdlDevice);
      sdlBatch.Begin();
      sdlBatch.Draw(sdlTexture, Vector2{1, 1}, Color(255, 0, 0, 255));
      sdlBatch.End();
      sdlOk = sdlDevice.ReadViewportPixels()[5] == Color(255, 0, 0, 255);
    }
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
    std::puts(sdlOk ? "consumer: SDL backend ok" : "consumer: SDL backend drew a wrong pixel");
    ok = ok && sdlOk;
  }
#endif
  return ok ? 0 : 1;
}
