// Sprite batch throughput: sprites queued and drawn per second, once with a device that draws
// nothing (the batch's own cost) and once with the software device (batch plus rasterizer).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

using namespace Vennicor::Graphics;

namespace {

class NullTexture final : public Texture2D {
 public:
  NullTexture(std::int32_t width, std::int32_t height)
      : Texture2D(width, height, SurfaceFormat::Color) {}
  void SetData(std::int32_t, std::optional<Rectangle>, std::span<const Color>) override {}
  void GetData(std::int32_t, std::optional<Rectangle>, std::span<Color>) const override {}
};

// Holds textures and draws nothing, so only the batch is measured.
class NullDevice final : public GraphicsDevice {
 public:
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool,
                                             SurfaceFormat) override {
    return std::make_shared<NullTexture>(width, height);
  }
};

constexpr int SpritesPerFrame = 2000;

// Glyph-sized sprites laid out like lines of text across a 1024 × 768 screen.
void QueueFrame(SpriteBatch& batch, const std::shared_ptr<Texture2D>& texture, float rotation) {
  for (int i = 0; i < SpritesPerFrame; ++i) {
    const Vector2 position{static_cast<float>((i % 100) * 10), static_cast<float>((i / 100) * 16)};
    const Rectangle source{(i % 16) * 8, (i / 16 % 8) * 12, 8, 12};
    batch.Draw(texture, position, source, Color::White(), rotation, {}, {1, 1}, SpriteEffects::None,
               0);
  }
}

void RunFrames(benchmark::State& state, GraphicsDevice& device, float rotation,
               SpriteSortMode mode) {
  auto texture = device.CreateTexture2D(128, 96, false, SurfaceFormat::Color);
  std::vector<Color> texels(128 * 96);
  for (std::size_t i = 0; i < texels.size(); ++i) {
    const int v = (i % 3 == 0) ? 255 : 0;
    texels[i] = Color(v, v, v, v);
  }
  texture->SetData(texels);
  SpriteBatch batch(device);
  for (auto _ : state) {
    batch.Begin(mode);
    QueueFrame(batch, texture, rotation);
    batch.End();
  }
  state.SetItemsProcessed(state.iterations() * SpritesPerFrame);
}

void NullDeviceDeferred(benchmark::State& state) {
  NullDevice device;
  RunFrames(state, device, 0, SpriteSortMode::Deferred);
}

void NullDeviceRotated(benchmark::State& state) {
  NullDevice device;
  RunFrames(state, device, 0.3F, SpriteSortMode::Deferred);
}

void NullDeviceBackToFront(benchmark::State& state) {
  NullDevice device;
  RunFrames(state, device, 0, SpriteSortMode::BackToFront);
}

void SoftwareDeviceDeferred(benchmark::State& state) {
  Software::SoftwareGraphicsDevice device(1024, 768);
  RunFrames(state, device, 0, SpriteSortMode::Deferred);
}

void SoftwareDeviceRotated(benchmark::State& state) {
  Software::SoftwareGraphicsDevice device(1024, 768);
  RunFrames(state, device, 0.3F, SpriteSortMode::Deferred);
}

}  // namespace

BENCHMARK(NullDeviceDeferred);
BENCHMARK(NullDeviceRotated);
BENCHMARK(NullDeviceBackToFront);
BENCHMARK(SoftwareDeviceDeferred);
BENCHMARK(SoftwareDeviceRotated);

BENCHMARK_MAIN();
