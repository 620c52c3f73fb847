// Draws a picture of tinted, rotated and scaled sprites with the software backend and saves it
// as a PNG: the graphics layer on its own, without fonts.
#include <cmath>
#include <cstdio>
#include <exception>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

using namespace Vennicor::Graphics;

int main(int argc, char** argv) {
  const char* output = argc > 1 ? argv[1] : "sprites.png";
  try {
    Software::SoftwareGraphicsDevice device(320, 200);
    device.Clear(Color::CornflowerBlue());

    // A 16 × 16 white disc with a soft, premultiplied edge.
    constexpr int Edge = 16;
    std::vector<Color> disc(Edge * Edge);
    for (int y = 0; y < Edge; ++y) {
      for (int x = 0; x < Edge; ++x) {
        const double dx = x + 0.5 - Edge / 2.0;
        const double dy = y + 0.5 - Edge / 2.0;
        const double coverage = std::clamp(Edge / 2.0 - std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
        const int v = static_cast<int>(std::lround(coverage * 255));
        disc[static_cast<std::size_t>(y * Edge + x)] = Color(v, v, v, v);
      }
    }
    auto texture = device.CreateTexture2D(Edge, Edge, false, SurfaceFormat::Color);
    texture->SetData(disc);

    SpriteBatch batch(device);
    batch.Begin();
    for (int i = 0; i < 12; ++i) {
      const float angle = static_cast<float>(i) * 0.5236F;
      const Vector2 position{160 + 70 * std::cos(angle), 100 + 70 * std::sin(angle)};
      const Color tint(128 + 127 * (i % 2), 40 * (i % 5), 255 - 20 * i, 255);
      batch.Draw(texture, position, std::nullopt, tint, angle, {8, 8},
                 {1.0F + 0.15F * static_cast<float>(i), 1.0F}, SpriteEffects::None, 0);
    }
    batch.End();
    device.SaveBackBuffer(output);
    std::printf("wrote %s\n", output);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "sprite-picture: %s\n", error.what());
    return 1;
  }
}
