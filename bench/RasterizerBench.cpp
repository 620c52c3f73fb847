// Software rasterizer throughput: covered pixels drawn per second for one 256 × 256 sprite in
// the common cases, plus the cost of sprites that miss the screen or cross it thinly.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "graphics/software/SpriteRasterizer.h"

using namespace Vennicor::Graphics;
using namespace Vennicor::Graphics::Software;

namespace {

constexpr std::int32_t TargetEdge = 512;
constexpr std::int32_t SpriteEdge = 256;

struct Scene {
  explicit Scene(bool glyphLike = false) : Texels(glyphLike ? MakeGlyphTexels() : MakeTexels()) {}

  std::vector<Color> Pixels = std::vector<Color>(TargetEdge * TargetEdge, Color(30, 60, 90));
  std::vector<Color> Texels;
  RasterTarget Target{Pixels, TargetEdge, TargetEdge};
  RasterSource Source{Texels, SpriteEdge, SpriteEdge};

  // Half the texels opaque, a quarter translucent, a quarter clear: like a glyph atlas.
  static std::vector<Color> MakeTexels() {
    std::vector<Color> texels(SpriteEdge * SpriteEdge);
    for (std::size_t i = 0; i < texels.size(); ++i) {
      const int kind = static_cast<int>(i * 7 % 4);
      const int v = kind < 2 ? 255 : kind == 2 ? 128 : 0;
      texels[i] = Color(v, v, v, v);
    }
    return texels;
  }

  // Mostly clear with solid strokes and soft edges between, like rendered glyphs.
  static std::vector<Color> MakeGlyphTexels() {
    std::vector<Color> texels(SpriteEdge * SpriteEdge);
    for (std::int32_t y = 0; y < SpriteEdge; ++y) {
      for (std::int32_t x = 0; x < SpriteEdge; ++x) {
        const int d = std::abs((x % 32) - 16) + std::abs((y % 48) - 24) / 4;
        const int v = d < 4 ? 255 : d < 6 ? 120 : 0;
        texels[static_cast<std::size_t>(y * SpriteEdge + x)] = Color(v, v, v, v);
      }
    }
    return texels;
  }
};

// The quad a batch would make for the whole texture at `position`, rotated about its centre.
SpriteQuad MakeQuad(Vector2 position, float rotation, float scale) {
  const float half = SpriteEdge * scale / 2;
  const float c = std::cos(rotation);
  const float s = std::sin(rotation);
  const auto corner = [&](float x, float y) {
    return Vector2{position.X + x * c - y * s, position.Y + x * s + y * c};
  };
  SpriteQuad quad;
  quad.TopLeft = corner(-half, -half);
  quad.TopRight = corner(half, -half);
  quad.BottomLeft = corner(-half, half);
  quad.BottomRight = corner(half, half);
  quad.TexTopLeft = {0, 0};
  quad.TexBottomRight = {SpriteEdge, SpriteEdge};
  quad.Tint = Color::White();
  return quad;
}

void Draw(benchmark::State& state, const SpriteQuad& quad, SamplerState sampler, Color tint,
          double coveredPixels, bool glyphLike = false) {
  Scene scene(glyphLike);
  SpriteQuad tinted = quad;
  tinted.Tint = tint;
  const SpriteRenderState renderState{BlendState::AlphaBlend, sampler};
  for (auto _ : state) {
    DrawSpriteQuad(scene.Target, scene.Source, tinted, renderState);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(
      static_cast<std::int64_t>(static_cast<double>(state.iterations()) * coveredPixels));
}

constexpr double SpriteArea = static_cast<double>(SpriteEdge) * SpriteEdge;
const Vector2 Centre{TargetEdge / 2, TargetEdge / 2};

void AxisAlignedPoint(benchmark::State& state) {
  Draw(state, MakeQuad(Centre, 0, 1), SamplerState::PointClamp, Color::White(), SpriteArea);
}

void AxisAlignedLinear(benchmark::State& state) {
  Draw(state, MakeQuad(Centre, 0, 1), SamplerState::LinearClamp, Color::White(), SpriteArea);
}

void AxisAlignedLinearTinted(benchmark::State& state) {
  Draw(state, MakeQuad(Centre, 0, 1), SamplerState::LinearClamp, Color(255, 128, 0, 255),
       SpriteArea);
}

void ScaledLinear(benchmark::State& state) {
  Draw(state, MakeQuad(Centre, 0, 1.5F), SamplerState::LinearClamp, Color::White(),
       SpriteArea * 1.5 * 1.5);
}

void RotatedLinear(benchmark::State& state) {
  Draw(state, MakeQuad(Centre, 0.5F, 1), SamplerState::LinearClamp, Color::White(), SpriteArea);
}

void RotatedLinearGlyphLike(benchmark::State& state) {
  Draw(state, MakeQuad(Centre, 0.5F, 1), SamplerState::LinearClamp, Color::White(), SpriteArea,
       true);
}

// A long thin sprite crossing the screen diagonally: its bounding box is the whole screen.
void RotatedThinLinear(benchmark::State& state) {
  SpriteQuad quad = MakeQuad(Centre, 0.785F, 1);
  const float c = std::cos(0.785F);
  const float s = std::sin(0.785F);
  const float halfLength = TargetEdge * 0.75F;
  const float halfWidth = 2;
  const auto corner = [&](float x, float y) {
    return Vector2{Centre.X + x * c - y * s, Centre.Y + x * s + y * c};
  };
  quad.TopLeft = corner(-halfLength, -halfWidth);
  quad.TopRight = corner(halfLength, -halfWidth);
  quad.BottomLeft = corner(-halfLength, halfWidth);
  quad.BottomRight = corner(halfLength, halfWidth);
  Draw(state, quad, SamplerState::LinearClamp, Color::White(), 4.0 * TargetEdge * 1.414);
}

// Glyph-sized sprites (8 × 12), where the per-sprite and per-row set-up shows; counted per
// sprite.
void SmallSprites(benchmark::State& state, float rotation) {
  Scene scene(true);
  const SpriteRenderState renderState{};
  const float c = std::cos(rotation);
  const float s = std::sin(rotation);
  std::vector<SpriteQuad> quads;
  for (int i = 0; i < 256; ++i) {
    const Vector2 p{static_cast<float>(20 + (i % 16) * 28), static_cast<float>(20 + (i / 16) * 28)};
    SpriteQuad quad;
    quad.TopLeft = p;
    quad.TopRight = {p.X + 8 * c, p.Y + 8 * s};
    quad.BottomLeft = {p.X - 12 * s, p.Y + 12 * c};
    quad.BottomRight = {p.X + 8 * c - 12 * s, p.Y + 8 * s + 12 * c};
    quad.TexTopLeft = {static_cast<float>((i % 32) * 8), static_cast<float>((i / 32) * 12)};
    quad.TexBottomRight = quad.TexTopLeft + Vector2{8, 12};
    quad.Tint = Color::White();
    quads.push_back(quad);
  }
  for (auto _ : state) {
    for (const SpriteQuad& quad : quads) {
      DrawSpriteQuad(scene.Target, scene.Source, quad, renderState);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(quads.size()));
}

void SmallSpritesUnrotated(benchmark::State& state) { SmallSprites(state, 0); }
void SmallSpritesRotated(benchmark::State& state) { SmallSprites(state, 0.3F); }

// Sprites entirely off the screen must cost next to nothing; counted per sprite.
void OffScreen(benchmark::State& state) {
  Scene scene;
  const SpriteQuad quad = MakeQuad({-1e6F, 3e5F}, 0.3F, 1);
  const SpriteRenderState renderState{};
  for (auto _ : state) {
    DrawSpriteQuad(scene.Target, scene.Source, quad, renderState);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(AxisAlignedPoint);
BENCHMARK(AxisAlignedLinear);
BENCHMARK(AxisAlignedLinearTinted);
BENCHMARK(ScaledLinear);
BENCHMARK(RotatedLinear);
BENCHMARK(RotatedLinearGlyphLike);
BENCHMARK(RotatedThinLinear);
BENCHMARK(SmallSpritesUnrotated);
BENCHMARK(SmallSpritesRotated);
BENCHMARK(OffScreen);

BENCHMARK_MAIN();
