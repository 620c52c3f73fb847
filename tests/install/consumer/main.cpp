// A game-like consumer: draws a sprite and a string with the software backend and checks the
// pixels. It compiles with the installed include folder alone (no FreeType headers).
#include <cstdio>
#include <stdexcept>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/Version.h"
#include "font/drawing/SpriteBatchEx.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/layout/TextLayout.h"
#endif
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

  // Text: "AV" from the metrics fixture, red on the cleared buffer.
  Software::SoftwareGraphicsDevice screen(64, 32);
  Vennicor::Font::Font font(screen, u"" CONSUMER_FONT, 18);
  SpriteBatch textBatch(screen);
  textBatch.Begin();
  Vennicor::Font::SpriteBatchEx::DrawString(textBatch, font, u"AV", Vector2{4, 4},
                                            Color(255, 0, 0, 255), 0, Vector2{0, 0}, Vector2{1, 1},
                                            SpriteEffects::None, 0, 0);
  textBatch.End();
  int inked = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) inked += screen.GetPixel(x, y).R > 0 ? 1 : 0;
  }
  std::printf("consumer: the text inked %d pixels\n", inked);
  if (inked == 0) return 1;

#if VENNICOR_FONT_HAS_TEXT_LAYOUT
  // The same text laid out (HarfBuzz and ICU stay inside the library) and drawn over it.
  const Vennicor::Font::TextLayout layout(font, u"AV");
  textBatch.Begin();
  Vennicor::Font::SpriteBatchEx::DrawText(textBatch, layout, Vector2{4, 4}, Color(0, 255, 0, 255));
  textBatch.End();
  int laidOut = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) laidOut += screen.GetPixel(x, y).G > 0 ? 1 : 0;
  }
  std::printf("consumer: the laid-out text inked %d pixels\n", laidOut);
  if (laidOut == 0) return 1;
#else
  std::puts("consumer: a build without the layout");
#endif
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
