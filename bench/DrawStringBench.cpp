// Cost of DrawString per glyph, apart from the rasterizer: the batch's device draws nothing, so
// what is measured is the walk (glyph lookup, kerning, transform, rounding) and the queuing of
// one sprite a glyph. Baselines in the same run give ratios that survive a noisy machine.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchText.h"
#include "font/Font.h"
#include "font/FontOptions.h"
#include "font/Version.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareTexture2D.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/layout/TextLayout.h"
#endif

namespace {

using namespace Vennicor;
using Graphics::Color;
using Graphics::SpriteEffects;
using Graphics::Vector2;

constexpr std::u16string_view FontPath = Vennicor::Bench::DejaVuSansPath;
constexpr float FontSize = 14;

// Holds textures in memory and draws nothing at End.
class NullDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                                       bool mipMap,
                                                       Graphics::SurfaceFormat format) override {
    return std::make_shared<Graphics::Software::SoftwareTexture2D>(width, height, mipMap, format);
  }
};

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

struct Setup {
  explicit Setup(std::u16string_view fontPath = FontPath, const Font::FontOptions& options = {})
      : TextFont(Device, fontPath, FontSize, Font::FontStyle::Regular, options) {
    TextFont.EnsureGlyphsExist(Text);
    TextFont.GlyphTexture();
    for (const char16_t c : Text) Glyphs += c == u'\n' ? 0 : 1;
  }

  NullDevice Device;
  Font::Font TextFont;
  Graphics::SpriteBatch Batch{Device};
  std::u16string Text = Vennicor::Bench::EnglishText();
  std::vector<std::u16string_view> Lines = SplitLines(Text);
  std::int64_t Glyphs = 0;
};

void PerGlyph(benchmark::State& state, std::int64_t glyphs) {
  state.SetItemsProcessed(state.iterations() * glyphs);
  // Time per glyph (CPU time), shown with its unit, e.g. "105n" for 105 ns.
  state.counters["per_glyph"] = benchmark::Counter(
      static_cast<double>(glyphs),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void DrawLines(benchmark::State& state, Setup& s, float rotation, float x = 0) {
  for (auto _ : state) {
    s.Batch.Begin();
    float y = 0;
    for (const std::u16string_view line : s.Lines) {
      Font::SpriteBatchEx::DrawString(s.Batch, s.TextFont, line, {x, y}, Color::White(), rotation,
                                      {0, 0}, {1, 1}, SpriteEffects::None, 0, 0);
      y += 19;
    }
    benchmark::DoNotOptimize(s.Batch.QueuedSpriteCount());
    s.Batch.End();
  }
  PerGlyph(state, s.Glyphs);
}

// The whole text, one DrawString a line, kerned, into a batch that queues and discards.
void BM_DrawString(benchmark::State& state) {
  Setup s;
  DrawLines(state, s, static_cast<float>(state.range(0)) * 0.1F);
}
BENCHMARK(BM_DrawString)->Arg(0)->Arg(3)->ArgName("rotation_tenths");

// The same with images at quarters of a pixel: the lines start a quarter pixel over, so every
// glyph draws its image for that quarter (rendered in the first iteration). Against
// BM_DrawString/0: what choosing the image costs (goal: at most 1.1 times).
void BM_DrawStringSubpixel(benchmark::State& state) {
  Font::FontOptions options;
  options.Subpixel = Font::SubpixelPositioning::Quarter;
  Setup s(FontPath, options);
  DrawLines(state, s, 0, 0.25F);
}
BENCHMARK(BM_DrawStringSubpixel);

#if VENNICOR_FONT_HAS_TEXT_LAYOUT
// The text laid out once and drawn each iteration, with whole-pixel advances (0) or the
// designed ones at quarters of a pixel (1), where glyphs use all four images.
void BM_DrawTextLayout(benchmark::State& state) {
  Font::FontOptions options;
  if (state.range(0) == 1) options.Subpixel = Font::SubpixelPositioning::Quarter;
  Setup s(FontPath, options);
  const Font::TextLayout layout(s.TextFont, s.Text);
  for (auto _ : state) {
    s.Batch.Begin();
    Font::SpriteBatchEx::DrawText(s.Batch, layout, {0, 0}, Color::White());
    benchmark::DoNotOptimize(s.Batch.QueuedSpriteCount());
    s.Batch.End();
  }
  PerGlyph(state, static_cast<std::int64_t>(layout.Glyphs().size()));
}
BENCHMARK(BM_DrawTextLayout)->Arg(0)->Arg(1)->ArgName("quarters");
#endif

// The same with a face that has no kerning table, where a kerning query is cheap: what is
// left is the walk itself and the queuing.
void BM_DrawStringFaceWithoutKerning(benchmark::State& state) {
  Setup s(u"" VENNICOR_TEST_DATA "/fonts/VennicorMetricsNoKern.ttf");
  DrawLines(state, s, 0);
}
BENCHMARK(BM_DrawStringFaceWithoutKerning);

// The same text measured: the same walk with kerning, without the sprites.
void BM_MeasureString(benchmark::State& state) {
  Setup s;
  for (auto _ : state) {
    for (const std::u16string_view line : s.Lines) {
      benchmark::DoNotOptimize(s.TextFont.MeasureString(line));
    }
  }
  PerGlyph(state, s.Glyphs);
}
BENCHMARK(BM_MeasureString);

// Kerning queries alone, one a neighbouring pair, as the walk makes them.
void BM_KerningQueries(benchmark::State& state) {
  Setup s;
  for (auto _ : state) {
    for (const std::u16string_view line : s.Lines) {
      for (std::size_t i = 1; i < line.size(); ++i) {
        benchmark::DoNotOptimize(s.TextFont.GetKerning(line[i - 1], line[i]));
      }
    }
  }
  PerGlyph(state, s.Glyphs);
}
BENCHMARK(BM_KerningQueries);

// The floor: one Draw a glyph from precomputed positions and rectangles, no font involved.
void BM_DrawPrecomputedSprites(benchmark::State& state) {
  Setup s;
  struct Sprite {
    Vector2 Position;
    Graphics::Rectangle Source;
  };
  std::vector<Sprite> sprites;
  float y = 0;
  for (const std::u16string_view line : s.Lines) {
    float x = 0;
    for (const char16_t c : line) {
      const Font::Font::Glyph& glyph = s.TextFont.GetGlyph(c);
      sprites.push_back(
          {{x + static_cast<float>(glyph.Offset.X), y + static_cast<float>(glyph.Offset.Y)},
           {glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width, glyph.Bounds.Height}});
      x += static_cast<float>(glyph.Advance.X);
    }
    y += 19;
  }
  const std::shared_ptr<Graphics::Texture2D> atlas = s.TextFont.GlyphTexture();
  for (auto _ : state) {
    s.Batch.Begin();
    for (const Sprite& sprite : sprites) {
      s.Batch.Draw(atlas, sprite.Position, sprite.Source, Color::White(), 0, {0, 0}, {1, 1},
                   SpriteEffects::None, 0);
    }
    benchmark::DoNotOptimize(s.Batch.QueuedSpriteCount());
    s.Batch.End();
  }
  PerGlyph(state, static_cast<std::int64_t>(sprites.size()));
}
BENCHMARK(BM_DrawPrecomputedSprites);

}  // namespace

BENCHMARK_MAIN();
