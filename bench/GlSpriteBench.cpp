// Sprites per second through the OpenGL backend (on whatever GL the headless EGL context gets:
// Mesa's llvmpipe on a machine without a GPU) against the software backend, same scene, same
// run. Compare the two as a ratio; absolute figures depend on the machine. Wall-clock time is
// what counts: llvmpipe rasterizes on its own threads, outside this thread's CPU time.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/opengl/OpenGLGraphicsDevice.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "opengl/HeadlessContext.h"

namespace {

using namespace Vennicor::Graphics;

constexpr std::int32_t Width = 640;
constexpr std::int32_t Height = 480;

std::shared_ptr<Texture2D> GlyphSheet(GraphicsDevice& device) {
  // 16 glyph-sized cells of anti-aliased discs, premultiplied white.
  auto texture = device.CreateTexture2D(64, 64, false, SurfaceFormat::Color);
  std::vector<Color> texels(64 * 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const double dx = (x % 16) + 0.5 - 8;
      const double dy = (y % 16) + 0.5 - 8;
      const double edge = 6.5 - std::sqrt(dx * dx + dy * dy);
      const int a = static_cast<int>(std::clamp(edge, 0.0, 1.0) * 255);
      texels[static_cast<std::size_t>(y * 64 + x)] = Color(a, a, a, a);
    }
  }
  texture->SetData(texels);
  return texture;
}

// Text-like: rows of 16 x 16 glyphs across the screen, optionally rotated as a whole line.
void DrawScene(SpriteBatch& batch, const std::shared_ptr<Texture2D>& sheet, std::int64_t count,
               float rotation) {
  batch.Begin();
  for (std::int64_t i = 0; i < count; ++i) {
    const auto column = static_cast<float>(i % 38);
    const auto row = static_cast<float>((i / 38) % 28);
    const Rectangle cell{static_cast<int>(i % 4) * 16, static_cast<int>((i / 4) % 4) * 16, 16, 16};
    batch.Draw(sheet, Vector2{8 + column * 16.5F, 8 + row * 16.7F}, cell, Color(255, 230, 200, 255),
               rotation, {8, 8}, {1, 1}, SpriteEffects::None, 0);
  }
  batch.End();
}

void Software(benchmark::State& state) {
  Software::SoftwareGraphicsDevice device(Width, Height);
  SpriteBatch batch(device);
  const auto sheet = GlyphSheet(device);
  for (auto _ : state) {
    device.Clear(Color::Black());
    DrawScene(batch, sheet, state.range(0), static_cast<float>(state.range(1)) * 0.3F);
    benchmark::DoNotOptimize(device.GetPixel(0, 0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void OpenGL(benchmark::State& state) {
  using namespace Vennicor::Graphics::OpenGL::Testing;
  const std::string failure = HeadlessContext::MakeCurrent(GlApi::Desktop33Core);
  if (!failure.empty()) {
    state.SkipWithError(failure.c_str());
    return;
  }
  const OffscreenTarget target(Width, Height);
  OpenGL::OpenGLGraphicsDevice device;
  SpriteBatch batch(device);
  const auto sheet = GlyphSheet(device);
  for (auto _ : state) {
    device.Clear(Color::Black());
    DrawScene(batch, sheet, state.range(0), static_cast<float>(state.range(1)) * 0.3F);
    glFinish();  // count the rasterization, not only the submission
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Arguments: sprite count, rotated (0 or 1).
BENCHMARK(Software)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(OpenGL)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
