// A game-like consumer: draws a sprite with the software backend and checks the pixel.
#include <cstdio>

#include "font/FontException.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

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
  const bool ok = device.GetPixel(1, 1) == Color(255, 0, 0, 255) && device.GetPixel(0, 0) == Color();
  std::puts(ok ? "consumer: ok" : "consumer: wrong pixel");
  return ok ? 0 : 1;
}
