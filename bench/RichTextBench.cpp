// Cost of RichText against plain text, as ratios within one run:
// - a first layout (empty shaping caches) of a 2,000-character text in 10 runs of two
//   styles and two sizes of one FontFamily with two icons, against the same text unstyled
//   (goal: at most 1.3 times);
// - drawing it, per glyph, against DrawText of the plain layout (goal: at most 1.1 times).
// - the runs of sprites of one texture a frame (a GPU backend's draws): one for the paragraph
//   in a family's fonts, which share an atlas, against the same runs in fonts of their own.
// The device draws nothing at End, so drawing measures the walk and the queuing of sprites.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>

#include "bench/BenchText.h"
#include "font/FontFamily.h"
#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/RichText.h"
#include "font/layout/TextLayout.h"
#include "font/layout/detail/LayoutServices.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareTexture2D.h"

namespace {

using namespace Vennicor;
using Graphics::Color;

constexpr float WrapWidth = 400;
constexpr std::size_t Characters = 2000;

class NullDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                                       bool mipMap,
                                                       Graphics::SurfaceFormat format) override {
    return std::make_shared<Graphics::Software::SoftwareTexture2D>(width, height, mipMap, format);
  }
  void DrawSprites(std::span<const Graphics::SpriteQuad> sprites,
                   const Graphics::SpriteRenderState& /*state*/) override {
    for (const Graphics::SpriteQuad& sprite : sprites) {
      if (sprite.Texture != last) ++TextureRuns;
      last = sprite.Texture;
    }
    last = nullptr;
  }
  std::int64_t TextureRuns = 0;  // runs of sprites of one texture, as a GPU backend draws them

 private:
  const Graphics::Texture2D* last = nullptr;
};

struct Setup {
  Setup() {
    // Each line numbered, so that no paragraph is shaped twice: the plain text's repeats would
    // otherwise hit the shaped-run cache where the styled text's, spread over four fonts, miss.
    const std::u16string english = Vennicor::Bench::EnglishText();
    int line = 0;
    for (std::size_t start = 0; start < english.size() && Text.size() < Characters;) {
      const std::size_t end = std::min(english.find(u'\n', start), english.size());
      for (const char c : std::to_string(++line) + " ") Text += static_cast<char16_t>(c);
      Text.append(english, start, end + 1 - start);
      start = end + 1;
    }
    Text.resize(Characters);
    Font::Font* fonts[4] = {&Regular, &Family.Get(Font::FontStyle::Bold, 14),
                            &Family.Get(Font::FontStyle::Regular, 18),
                            &Family.Get(Font::FontStyle::Bold, 18)};
    Font::Font* own[4] = {&OwnRegular, &OwnBold, &OwnLarge, &OwnLargeBold};
    const std::size_t run = Text.size() / 10;
    for (std::size_t k = 0; k < 10; ++k) {
      Font::TextStyle style;
      style.Font = fonts[k % 4];
      if (k % 3 == 1) style.Color = Color(255, 200, 60, 255);
      Rich.Append(std::u16string_view(Text).substr(k * run, k == 9 ? std::u16string::npos : run),
                  style);
      style.Font = own[k % 4];
      OwnRich.Append(std::u16string_view(Text).substr(k * run, k == 9 ? std::u16string::npos : run),
                     style);
      if (k == 3 || k == 7) {
        Rich.AppendObject({static_cast<std::int32_t>(k), {16, 16}, 14});
        OwnRich.AppendObject({static_cast<std::int32_t>(k), {16, 16}, 14});
      }
    }
  }
  void ClearCaches() {
    for (Font::Font* font :
         {&Regular, &Family.Get(Font::FontStyle::Bold, 14),
          &Family.Get(Font::FontStyle::Regular, 18), &Family.Get(Font::FontStyle::Bold, 18)}) {
      Font::Layout::Detail::LayoutServices::Of(Font::Detail::FontAccess::Of(*font)).ClearCaches();
    }
  }
  NullDevice Device;
  Font::FontFamily Family{Device, Vennicor::Bench::DejaVuSansPath};
  Font::Font& Regular = Family.Get(Font::FontStyle::Regular, 14);
  Graphics::SpriteBatch Batch{Device};
  std::u16string Text;
  Font::RichText Rich;
  // The same fonts made on their own, each with its own atlas.
  Font::Font OwnRegular{Device, Vennicor::Bench::DejaVuSansPath, 14};
  Font::Font OwnBold{Device, Vennicor::Bench::DejaVuSansPath, 14, Bold()};
  Font::Font OwnLarge{Device, Vennicor::Bench::DejaVuSansPath, 18};
  Font::Font OwnLargeBold{Device, Vennicor::Bench::DejaVuSansPath, 18, Bold()};
  Font::RichText OwnRich;

  static Font::FontOptions Bold() {
    Font::FontOptions options;
    options.Bold = true;
    return options;
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void PerGlyph(benchmark::State& state, std::size_t glyphs) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(glyphs));
  state.counters["per_glyph"] = benchmark::Counter(
      static_cast<double>(glyphs),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void PlainFirstLayout(benchmark::State& state) {
  Setup& s = Shared();
  for (auto _ : state) {
    s.ClearCaches();
    Font::TextLayout layout(s.Regular, s.Text, {.MaxWidth = WrapWidth});
    benchmark::DoNotOptimize(layout.Size());
  }
}
BENCHMARK(PlainFirstLayout)->Unit(benchmark::kMicrosecond);

void RichFirstLayout(benchmark::State& state) {
  Setup& s = Shared();
  for (auto _ : state) {
    s.ClearCaches();
    Font::TextLayout layout(s.Regular, s.Rich, {.MaxWidth = WrapWidth});
    benchmark::DoNotOptimize(layout.Size());
  }
}
BENCHMARK(RichFirstLayout)->Unit(benchmark::kMicrosecond);

void CountTextureRuns(benchmark::State& state, const NullDevice& device, std::int64_t before);

void DrawPlain(benchmark::State& state) {
  Setup& s = Shared();
  const Font::TextLayout layout(s.Regular, s.Text, {.MaxWidth = WrapWidth});
  const std::int64_t before = s.Device.TextureRuns;
  for (auto _ : state) {
    s.Batch.Begin();
    Font::SpriteBatchEx::DrawText(s.Batch, layout, {0, 0}, Color::White());
    s.Batch.End();
  }
  PerGlyph(state, layout.Glyphs().size());
  CountTextureRuns(state, s.Device, before);
}
BENCHMARK(DrawPlain)->Unit(benchmark::kMicrosecond);

void CountTextureRuns(benchmark::State& state, const NullDevice& device, std::int64_t before) {
  state.counters["texture_runs"] =
      static_cast<double>(device.TextureRuns - before) / static_cast<double>(state.iterations());
}

void DrawRich(benchmark::State& state) {
  Setup& s = Shared();
  const Font::TextLayout layout(s.Regular, s.Rich, {.MaxWidth = WrapWidth});
  const std::int64_t before = s.Device.TextureRuns;
  for (auto _ : state) {
    s.Batch.Begin();
    Font::SpriteBatchEx::DrawText(s.Batch, layout, {0, 0}, Color::White());
    s.Batch.End();
  }
  PerGlyph(state, layout.Glyphs().size());
  CountTextureRuns(state, s.Device, before);
}
BENCHMARK(DrawRich)->Unit(benchmark::kMicrosecond);

// The same runs in fonts with atlases of their own.
void DrawRichOwnAtlases(benchmark::State& state) {
  Setup& s = Shared();
  const Font::TextLayout layout(s.OwnRegular, s.OwnRich, {.MaxWidth = WrapWidth});
  const std::int64_t before = s.Device.TextureRuns;
  for (auto _ : state) {
    s.Batch.Begin();
    Font::SpriteBatchEx::DrawText(s.Batch, layout, {0, 0}, Color::White());
    s.Batch.End();
  }
  PerGlyph(state, layout.Glyphs().size());
  CountTextureRuns(state, s.Device, before);
}
BENCHMARK(DrawRichOwnAtlases)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
