// Cost of TextLayout against its floors, as ratios within one run:
// - laying out 10,000 characters of English wrapped at 400 px, with an empty shaping cache,
//   against hb_shape alone on the same text with the same face (goal: at most 1.5 times);
// - laying the same text out again (the font's cache holds its runs) against the first time
//   (goal: at least 5 times cheaper);
// - drawing a prepared layout against DrawString on the same lines, per glyph (goal: no more);
// - a first layout of English with emoji through a text face and a colour emoji fallback
//   (LayoutFirstTimeWithEmoji), against the English alone.
// The device draws nothing at End, so drawing measures the walk and the queuing of sprites.
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchText.h"
#include "font/Font.h"
#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/TextLayout.h"
#include "font/layout/detail/LayoutServices.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareTexture2D.h"

namespace {

using namespace Vennicor;
using Graphics::Color;

constexpr float FontSize = 14;
constexpr float WrapWidth = 400;

class NullDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                                       bool mipMap,
                                                       Graphics::SurfaceFormat format) override {
    return std::make_shared<Graphics::Software::SoftwareTexture2D>(width, height, mipMap, format);
  }
};

// The English text repeats its sentences, so that some of its lines recur and hit the font's
// cache of shaped runs even in a first layout; the same text with each line numbered has no two
// lines alike.
std::u16string NumberedLines(std::u16string_view text) {
  std::u16string numbered;
  int line = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find(u'\n', start), text.size());
    for (const char c : std::to_string(++line) + " ") numbered += static_cast<char16_t>(c);
    numbered += text.substr(start, end + 1 - start);
    start = end + 1;
  }
  return numbered;
}

// Noto Color Emoji (Debian fonts-noto-color-emoji).
constexpr std::u16string_view NotoColorEmojiPath =
    u"/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf";

// The English text with an emoji after about every sixth word: faces, skin tones, a ZWJ
// family, a flag, a keycap and a VS16 sequence.
std::u16string WithEmoji(std::u16string_view text) {
  static const std::u16string_view emoji[] = {u"😀",  u"👍🏽", u"👨‍👩‍👧",
                                              u"🇯🇵", u"1️⃣",  u"❤️"};
  std::u16string mixed;
  std::size_t words = 0;
  for (const char16_t c : text) {
    mixed += c;
    if (c == u' ' && ++words % 6 == 0) {
      mixed += emoji[(words / 6) % std::size(emoji)];
      mixed += u' ';
    }
  }
  return mixed;
}

struct Setup {
  Setup() {
    EmojiFont.AddFallbackFace(NotoColorEmojiPath);
    for (const std::u16string& text : Texts)
      Font::TextLayout warm(TextFont, text, {.MaxWidth = WrapWidth});
    Font::TextLayout warm(EmojiFont, EmojiText, {.MaxWidth = WrapWidth});
    TextFont.GlyphTexture();
    EmojiFont.GlyphTexture();
  }
  NullDevice Device;
  Font::Font TextFont{Device, Vennicor::Bench::DejaVuSansPath, FontSize};
  Graphics::SpriteBatch Batch{Device};
  std::u16string Text = Vennicor::Bench::EnglishText();
  std::u16string Texts[2] = {Text, NumberedLines(Text)};
  Font::Font EmojiFont{Device, Vennicor::Bench::DejaVuSansPath, FontSize};
  std::u16string EmojiText = WithEmoji(Text);
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void PerCharacter(benchmark::State& state, std::size_t characters) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(characters));
}

// Argument 0: the English text; 1: the same with numbered lines (no line shaped twice).
void LayoutFirstTime(benchmark::State& state) {
  Setup& s = Shared();
  const std::u16string& text = s.Texts[state.range(0)];
  auto& services =
      Font::Layout::Detail::LayoutServices::Of(Font::Detail::FontAccess::Of(s.TextFont));
  for (auto _ : state) {
    services.ClearCaches();
    Font::TextLayout layout(s.TextFont, text, {.MaxWidth = WrapWidth});
    benchmark::DoNotOptimize(layout.Size());
  }
  PerCharacter(state, text.size());
}
BENCHMARK(LayoutFirstTime)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The English text with emoji, through the fallback chain: per code unit, against the English.
void LayoutFirstTimeWithEmoji(benchmark::State& state) {
  Setup& s = Shared();
  auto& services =
      Font::Layout::Detail::LayoutServices::Of(Font::Detail::FontAccess::Of(s.EmojiFont));
  for (auto _ : state) {
    services.ClearCaches();
    Font::TextLayout layout(s.EmojiFont, s.EmojiText, {.MaxWidth = WrapWidth});
    benchmark::DoNotOptimize(layout.Size());
  }
  PerCharacter(state, s.EmojiText.size());
}
BENCHMARK(LayoutFirstTimeWithEmoji)->Unit(benchmark::kMicrosecond);

// The same with the shaped runs cached but not the finished layout: what the run cache saves.
void LayoutAgainShapingCached(benchmark::State& state) {
  Setup& s = Shared();
  auto& services =
      Font::Layout::Detail::LayoutServices::Of(Font::Detail::FontAccess::Of(s.TextFont));
  for (auto _ : state) {
    services.Layouts.Clear();
    Font::TextLayout layout(s.TextFont, s.Text, {.MaxWidth = WrapWidth});
    benchmark::DoNotOptimize(layout.Size());
  }
  PerCharacter(state, s.Text.size());
}
BENCHMARK(LayoutAgainShapingCached)->Unit(benchmark::kMicrosecond);

void LayoutAgain(benchmark::State& state) {
  Setup& s = Shared();
  for (auto _ : state) {
    Font::TextLayout layout(s.TextFont, s.Text, {.MaxWidth = WrapWidth});
    benchmark::DoNotOptimize(layout.Size());
  }
  PerCharacter(state, s.Text.size());
}
BENCHMARK(LayoutAgain)->Unit(benchmark::kMicrosecond);

// The floor: HarfBuzz shaping the whole text once, with its own FreeType face at the same size
// and load flags (advances cached by hb-ft after the first round, as the font's are).
void HarfBuzzShapeAlone(benchmark::State& state) {
  Setup& s = Shared();
  const std::u16string& text = s.Texts[state.range(0)];
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  FT_Face face = nullptr;
  FT_New_Face(library, Vennicor::Bench::DejaVuSansFile, 0, &face);
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(FontSize * 64), 72, 72);
  hb_font_t* font = hb_ft_font_create_referenced(face);
  hb_ft_font_set_load_flags(font, FT_LOAD_FORCE_AUTOHINT);
  hb_buffer_t* buffer = hb_buffer_create();
  for (auto _ : state) {
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf16(buffer, reinterpret_cast<const std::uint16_t*>(text.data()),
                        static_cast<int>(text.size()), 0, -1);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    benchmark::DoNotOptimize(hb_buffer_get_length(buffer));
  }
  hb_buffer_destroy(buffer);
  hb_font_destroy(font);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  PerCharacter(state, text.size());
}
BENCHMARK(HarfBuzzShapeAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void PerGlyph(benchmark::State& state, std::size_t glyphs) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(glyphs));
  state.counters["per_glyph"] = benchmark::Counter(
      static_cast<double>(glyphs),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void DrawPreparedLayout(benchmark::State& state) {
  Setup& s = Shared();
  Font::TextLayout layout(s.TextFont, s.Text);
  for (auto _ : state) {
    s.Batch.Begin();
    Font::SpriteBatchEx::DrawText(s.Batch, layout, {0, 0}, Color::White());
    s.Batch.End();
  }
  PerGlyph(state, layout.Glyphs().size());
}
BENCHMARK(DrawPreparedLayout)->Unit(benchmark::kMicrosecond);

// DrawString on the same lines (the text's own line feeds), one call a line.
void DrawStringLines(benchmark::State& state) {
  Setup& s = Shared();
  std::vector<std::u16string_view> lines;
  std::size_t glyphs = 0;
  const std::u16string_view text = s.Text;
  for (std::size_t start = 0, i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n') {
      lines.push_back(text.substr(start, i - start));
      glyphs += i - start;
      start = i + 1;
    }
  }
  for (auto _ : state) {
    s.Batch.Begin();
    float y = 0;
    for (const std::u16string_view line : lines) {
      Font::SpriteBatchEx::DrawString(s.Batch, s.TextFont, line, {0, y}, Color::White(), 0, {0, 0},
                                      {1, 1}, Graphics::SpriteEffects::None, 0, 0);
      y += 17;
    }
    s.Batch.End();
  }
  PerGlyph(state, glyphs);
}
BENCHMARK(DrawStringLines)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
