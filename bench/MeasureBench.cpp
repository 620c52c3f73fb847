// Measuring and kerning on DejaVu Sans (installed; it has a legacy kern table), next to the walk
// that asks FreeType for every pair, in the same run.

#include <benchmark/benchmark.h>
#include <ft2build.h>

#include "bench/BenchText.h"
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

#include "font/Font.h"
#include "font/sources/FreeTypeManager.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

using Vennicor::Font::Font;
using Vennicor::Font::FreeTypeManager;
using Vennicor::Graphics::Software::SoftwareGraphicsDevice;

namespace {

const std::u16string DejaVuSansPath(Vennicor::Bench::DejaVuSansPath);

void PerCharacter(benchmark::State& state, std::size_t characters) {
  state.counters["per_char"] = benchmark::Counter(
      static_cast<double>(characters),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_MeasureString(benchmark::State& state) {
  SoftwareGraphicsDevice device(1, 1);
  Font font(device, DejaVuSansPath, static_cast<float>(state.range(0)));
  const std::u16string text = Vennicor::Bench::EnglishText();
  benchmark::DoNotOptimize(font.MeasureString(text));  // caches the glyphs and the pairs
  for (auto _ : state) benchmark::DoNotOptimize(font.MeasureString(text));
  PerCharacter(state, text.size());
}
BENCHMARK(BM_MeasureString)->Arg(14)->Arg(32);

// The same walk asking FreeType for every pair, as a measurement without any memory would.
void BM_MeasureString_FreeTypePerPair(benchmark::State& state) {
  SoftwareGraphicsDevice device(1, 1);
  Font font(device, DejaVuSansPath, static_cast<float>(state.range(0)));
  FreeTypeManager manager;
  FT_Face face = nullptr;
  if (FT_New_Face(manager.GetLibraryInstance(), Vennicor::Bench::DejaVuSansFile, 0, &face) != 0 ||
      FT_Set_Char_Size(face, 0, state.range(0) * 64, 72, 72) != 0) {
    std::abort();
  }
  const std::u16string text = Vennicor::Bench::EnglishText();
  font.EnsureGlyphsExist(text);
  for (auto _ : state) {
    std::int32_t width = 0;
    std::int32_t widest = 0;
    char16_t previous = 0;
    for (const char16_t c : text) {
      if (c == u'\n') {
        widest = std::max(width, widest);
        width = 0;
        previous = 0;
        continue;
      }
      if (previous != 0) {
        FT_Vector kerning;
        FT_Get_Kerning(face, FT_Get_Char_Index(face, previous), FT_Get_Char_Index(face, c),
                       FT_KERNING_DEFAULT, &kerning);
        width = static_cast<std::int32_t>(static_cast<float>(width) +
                                          static_cast<float>(kerning.x) * 0.015625F);
      }
      width += font.GetGlyph(c).Advance.X;
      previous = c;
    }
    benchmark::DoNotOptimize(std::max(width, widest));
  }
  FT_Done_Face(face);
  PerCharacter(state, text.size());
}
BENCHMARK(BM_MeasureString_FreeTypePerPair)->Arg(14)->Arg(32);

void BM_GetKerning(benchmark::State& state) {
  SoftwareGraphicsDevice device(1, 1);
  Font font(device, DejaVuSansPath, static_cast<float>(state.range(0)));
  const std::u16string text = Vennicor::Bench::EnglishText();
  font.MeasureString(text);
  for (auto _ : state) {
    float sum = 0;
    for (std::size_t i = 1; i < text.size(); ++i) sum += font.GetKerning(text[i - 1], text[i]).X;
    benchmark::DoNotOptimize(sum);
  }
  PerCharacter(state, text.size() - 1);
}
BENCHMARK(BM_GetKerning)->Arg(14)->Arg(32);

void BM_GetKerning_FreeType(benchmark::State& state) {
  FreeTypeManager manager;
  FT_Face face = nullptr;
  if (FT_New_Face(manager.GetLibraryInstance(), Vennicor::Bench::DejaVuSansFile, 0, &face) != 0 ||
      FT_Set_Char_Size(face, 0, state.range(0) * 64, 72, 72) != 0) {
    std::abort();
  }
  const std::u16string text = Vennicor::Bench::EnglishText();
  for (auto _ : state) {
    float sum = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
      FT_Vector kerning;
      FT_Get_Kerning(face, FT_Get_Char_Index(face, text[i - 1]), FT_Get_Char_Index(face, text[i]),
                     FT_KERNING_DEFAULT, &kerning);
      sum += static_cast<float>(kerning.x) * 0.015625F;
    }
    benchmark::DoNotOptimize(sum);
  }
  FT_Done_Face(face);
  PerCharacter(state, text.size() - 1);
}
BENCHMARK(BM_GetKerning_FreeType)->Arg(14)->Arg(32);

}  // namespace

BENCHMARK_MAIN();
