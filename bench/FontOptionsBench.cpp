// What each FontOptions setting costs: making 387 glyphs (the 87 a font preloads and 300 more)
// next to bare FreeType doing the same loads with the same flags, synthesis, stroking and
// rendering in the same run (for multi-channel fields, the library's own, FreeType's
// single-channel SDF renderer); the atlas bytes each setting needs for those glyphs; and drawing
// distance-field text on the software device next to coverage text, per pixel drawn.

#include <benchmark/benchmark.h>
#include <ft2build.h>

#include "bench/BenchText.h"
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_MODULE_H
#include FT_STROKER_H
#include FT_SYNTHESIS_H

#include <cstdint>
#include <cstdlib>
#include <string>

#include "font/Font.h"
#include "font/FontOptions.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/sources/FreeTypeManager.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

using Vennicor::Font::Font;
using Vennicor::Font::FontHinting;
using Vennicor::Font::FontOptions;
using Vennicor::Font::FontStyle;
using Vennicor::Font::FreeTypeManager;
using Vennicor::Graphics::Software::SoftwareGraphicsDevice;

namespace {

const std::u16string DejaVuSansPath(Vennicor::Bench::DejaVuSansPath);
constexpr float Size = 24;

// The preload set and 300 accented Latin, Greek and Cyrillic letters: 387 glyphs.
std::u16string Characters() {
  std::u16string text =
      u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
      u"!@#$%^&*()-_+=~'`:;,./\\| ";
  for (char16_t c = 0x00C0; c <= 0x017F; ++c) text += c;
  for (char16_t c = 0x0391; c <= 0x03C9; ++c) {
    if (c != 0x03A2) text += c;
  }
  for (char16_t c = 0x0410; text.size() < 387; ++c) text += c;
  return text;
}

struct Setting {
  const char* Name;
  FontOptions Options;
  FT_Int32 LoadFlags;
  FT_Render_Mode Mode;
};

Setting SettingAt(std::int64_t index) {
  FontOptions o;
  switch (index) {
    case 1:
      o.Hinting = FontHinting::Normal;
      return {"Normal", o, FT_LOAD_DEFAULT, FT_RENDER_MODE_NORMAL};
    case 2:
      o.Hinting = FontHinting::Light;
      return {"Light", o, FT_LOAD_TARGET_LIGHT, FT_RENDER_MODE_LIGHT};
    case 3:
      o.Hinting = FontHinting::Mono;
      return {"Mono", o, FT_LOAD_TARGET_MONO, FT_RENDER_MODE_MONO};
    case 4:
      o.Hinting = FontHinting::None;
      return {"None", o, FT_LOAD_NO_HINTING, FT_RENDER_MODE_NORMAL};
    case 5:
      o.Bold = true;
      return {"Bold", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_NORMAL};
    case 6:
      o.Oblique = true;
      return {"Oblique", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_NORMAL};
    case 7:
      o.OutlineThickness = 2;
      return {"Outline2", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_NORMAL};
    case 8:
      o.DistanceField = true;
      return {"DistanceField", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_SDF};
    case 9:
      o.AtlasFormat = Vennicor::Graphics::SurfaceFormat::Alpha8;
      return {"Alpha8", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_NORMAL};
    // Multi-channel fields are the library's own; the bare rows are FreeType's single-channel
    // SDF renderer for the same glyphs, what a multi-channel glyph is measured against.
    case 10:
      o.DistanceField = true;
      o.MultiChannel = true;
      return {"MultiChannel", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_SDF};
    case 11:
      o.DistanceField = true;
      o.MultiChannel = true;
      o.RenderThreads = 2;
      return {"MultiChannel2Threads", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_SDF};
    default:
      return {"Default", o, FT_LOAD_FORCE_AUTOHINT, FT_RENDER_MODE_NORMAL};
  }
}
constexpr std::int64_t SettingCount = 12;

FreeTypeManager& Keeper() {
  static FreeTypeManager manager;
  return manager;
}

// The floor: open and size the face, then load, synthesise, stroke and render each glyph as
// the setting asks, with FreeType alone.
void BM_Glyphs_BareFreeType(benchmark::State& state) {
  const Setting setting = SettingAt(state.range(0));
  const std::u16string characters = Characters();
  const FT_Library library = Keeper().GetLibraryInstance();
  FT_Stroker stroker = nullptr;
  if (FT_Stroker_New(library, &stroker) != 0) std::abort();
  FT_Stroker_Set(stroker, 2 * 64, FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
  FT_Int spread = 8;
  FT_Property_Set(library, "sdf", "spread", &spread);
  const FontOptions& o = setting.Options;
  for (auto _ : state) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, Vennicor::Bench::DejaVuSansFile, 0, &face) != 0 ||
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(Size * 64), 72, 72) != 0) {
      std::abort();
    }
    for (const char16_t c : characters) {
      if (FT_Load_Char(face, c, setting.LoadFlags) != 0) std::abort();
      if (o.Oblique) FT_GlyphSlot_Oblique(face->glyph);
      if (o.Bold) FT_GlyphSlot_Embolden(face->glyph);
      if (o.OutlineThickness > 0) {
        FT_Glyph glyph = nullptr;
        FT_Get_Glyph(face->glyph, &glyph);
        FT_Glyph_StrokeBorder(&glyph, stroker, 0, 1);
        FT_Glyph_To_Bitmap(&glyph, setting.Mode, nullptr, 1);
        benchmark::DoNotOptimize(glyph);
        FT_Done_Glyph(glyph);
      }
      if (FT_Render_Glyph(face->glyph, setting.Mode) != 0) std::abort();
      benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
    }
    FT_Done_Face(face);
  }
  FT_Stroker_Done(stroker);
  state.SetLabel(setting.Name);
}

// A Font with the setting making the same glyphs and its atlas; reports the atlas's bytes.
void BM_Glyphs_Font(benchmark::State& state) {
  const Setting setting = SettingAt(state.range(0));
  const std::u16string characters = Characters();
  Keeper();
  SoftwareGraphicsDevice device(1, 1);
  std::int64_t atlasBytes = 0;
  for (auto _ : state) {
    Font font(device, DejaVuSansPath, Size, FontStyle::Regular, setting.Options);
    font.EnsureGlyphsExist(characters);
    const auto& atlas = font.GlyphTexture();
    atlasBytes = std::int64_t{atlas->Width()} * atlas->Height() *
                 Vennicor::Graphics::BytesPerTexel(atlas->Format());
  }
  state.counters["AtlasBytes"] = static_cast<double>(atlasBytes);
  state.SetLabel(setting.Name);
}

BENCHMARK(BM_Glyphs_BareFreeType)->DenseRange(0, SettingCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Glyphs_Font)->DenseRange(0, SettingCount - 1)->Unit(benchmark::kMillisecond);

// A paragraph scaled by 2.5 on a software device, coverage (0) or distance field (1); the
// pixels counter is the screen area of the glyph sprites drawn, so time per pixel compares the
// two although field sprites carry their spread around them.
void BM_DrawScaled(benchmark::State& state) {
  const bool field = state.range(0) == 1;
  FontOptions options;
  options.DistanceField = field;
  options.Hinting = FontHinting::None;
  SoftwareGraphicsDevice device(1024, 512);
  Font font(device, DejaVuSansPath, 16, FontStyle::Regular, options);
  const std::u16string line = u"The quick brown fox jumps over the lazy dog, 0123456789";
  font.EnsureGlyphsExist(line);
  constexpr float Scale = 2.5F;
  double pixels = 0;
  for (const char16_t c : line) {
    const Font::Glyph& glyph = font.GetGlyph(c);
    pixels += static_cast<double>(glyph.Bounds.Width) * glyph.Bounds.Height * Scale * Scale;
  }
  pixels *= 10;  // lines a draw
  Vennicor::Graphics::SpriteBatch batch(device);
  const auto effect = Vennicor::Font::SpriteBatchEx::DistanceFieldEffectOf(font);
  for (auto _ : state) {
    batch.Begin(Vennicor::Graphics::SpriteSortMode::Deferred,
                Vennicor::Graphics::BlendState::AlphaBlend,
                Vennicor::Graphics::SamplerState::LinearClamp, std::nullopt, effect);
    for (int i = 0; i < 10; ++i) {
      Vennicor::Font::SpriteBatchEx::DrawString(
          batch, font, line, {4, 4 + 48.0F * static_cast<float>(i)},
          Vennicor::Graphics::Color::White(), 0, {0, 0}, {Scale, Scale},
          Vennicor::Graphics::SpriteEffects::None, 0, 0);
    }
    batch.End();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(pixels) * state.iterations());
  state.SetLabel(field ? "distance field" : "coverage");
}
BENCHMARK(BM_DrawScaled)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
