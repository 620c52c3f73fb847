// A game-like consumer: draws a sprite with the software backend and checks the pixel.
#include <cstdio>
#include <stdexcept>

#include "font/FontException.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#ifdef VENNICOR_CONSUMER_HAS_GL
#include "graphics/opengl/OpenGLGraphicsDevice.h"
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
  const bool ok =
      device.GetPixel(1, 1) == Color(255, 0, 0, 255) && device.GetPixel(0, 0) == Color();
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
  return ok ? 0 : 1;
}
