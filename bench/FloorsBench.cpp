// The library next to its floors: each workload runs beside the plainest code that does the same
// job (SDL2's software renderer, flat tables, FreeType alone), interleaved in one process, and
// the ratios are printed. Times are thread CPU time, the minimum over the repetitions, so that
// other processes on a shared machine disturb the ratios as little as possible.
//
//   usage: bench_FloorsBench [repetitions [filter]]   (default 15 repetitions; with a filter,
//          only the workloads whose name contains it)
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include "bench/BenchText.h"
#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/packing/VyrelRectanglePacker.h"
#include "font/sources/FreeTypeManager.h"
#include "font/text/detail/ControlCharacter.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "graphics/software/SoftwareTexture2D.h"

namespace {

using namespace Vennicor;
using Graphics::Color;
using Graphics::SpriteEffects;
using Graphics::SpriteQuad;
using Graphics::Vector2;

constexpr float FontSize = 14;
constexpr std::int32_t ScreenWidth = 1280;
constexpr std::int32_t ScreenHeight = 720;
constexpr std::size_t MissCount = 300;
constexpr std::size_t GrowthGlyphs = 2000;
constexpr std::size_t HanGlyphs = 8000;
constexpr std::size_t HanCachedGlyphs = 2000;
constexpr const char* NotoSansCjkFile = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";
constexpr FT_Int32 LoadFlags = FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT;
// The characters a new font renders at once (Font.cpp); FreeType alone loads the same.
constexpr std::u16string_view PreloadCharacters =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";

double ThreadSeconds() {
#ifdef _WIN32
  FILETIME creation, exit, kernel, user;
  GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
  const auto ticks = [](FILETIME t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32U) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#else
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

// A workload measured per call: `Prepare` (untimed) runs before each call of `Run`.
struct Workload {
  std::function<void()> Run;
  std::function<void()> Prepare;
  std::int64_t Calls = 1;  // calls a sample, chosen so that a sample takes some milliseconds
  double Best = std::numeric_limits<double>::infinity();
  bool Wall = false;  // timed by the clock on the wall: work on other threads counts too

  void Calibrate() {
    if (Prepare) return;  // each call needs its own preparation: one call a sample
    for (Calls = 1;; Calls *= 2) {
      const double start = ThreadSeconds();
      for (std::int64_t i = 0; i < Calls; ++i) Run();
      if (ThreadSeconds() - start > 0.01) break;
    }
  }
  // Calls long enough to time one by one (a fraction of a millisecond) count singly: the
  // fastest call is the one least disturbed.
  bool Single() const { return Calls <= 64; }
  void TimeOneCall() {
    if (Prepare) Prepare();
    const double start = Now();
    Run();
    Best = std::min(Best, Now() - start);
  }
  double Now() const {
    if (!Wall) return ThreadSeconds();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  // Shorter ones count as the mean of a sample of calls.
  void Sample() {
    const double start = ThreadSeconds();
    for (std::int64_t i = 0; i < Calls; ++i) Run();
    Best = std::min(Best, (ThreadSeconds() - start) / static_cast<double>(Calls));
  }
};

struct Comparison {
  std::string Name;
  std::string FloorName;
  Workload Library;
  Workload Floor;
  double Units = 1;  // what a call handles, for the per-unit times printed beside the ratio
  const char* Unit = "call";
};

// Sprites land here instead of on a screen: DrawSprites keeps a copy of the quads.
class RecordingDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                                       bool mipMap,
                                                       Graphics::SurfaceFormat format) override {
    return std::make_shared<Graphics::Software::SoftwareTexture2D>(width, height, mipMap, format);
  }
  void DrawSprites(std::span<const SpriteQuad> sprites,
                   const Graphics::SpriteRenderState& /*state*/) override {
    Quads.assign(sprites.begin(), sprites.end());
  }
  std::vector<SpriteQuad> Quads;
};

// Holds textures and draws nothing: what is left of DrawString is the walk and the queuing.
class NullDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height,
                                                       bool mipMap,
                                                       Graphics::SurfaceFormat format) override {
    return std::make_shared<Graphics::Software::SoftwareTexture2D>(width, height, mipMap, format);
  }
};

std::u16string ProseWithoutLineFeeds() {
  std::u16string text = Bench::EnglishText();
  std::replace(text.begin(), text.end(), u'\n', u' ');
  return text;
}

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

// ----- (a) the software device against SDL2's software renderer ---------------------------------

struct SdlScreen {
  SdlScreen(const Graphics::Software::SoftwareTexture2D& atlas) {
    surface =
        SDL_CreateRGBSurfaceWithFormat(0, ScreenWidth, ScreenHeight, 32, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) throw std::runtime_error(SDL_GetError());
    renderer = SDL_CreateSoftwareRenderer(surface);
    if (renderer == nullptr) throw std::runtime_error(SDL_GetError());
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC,
                                atlas.Width(), atlas.Height());
    if (texture == nullptr) throw std::runtime_error(SDL_GetError());
    SDL_UpdateTexture(texture, nullptr, atlas.Texels(0).data(), atlas.Width() * 4);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  }
  ~SdlScreen() {
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
  }
  SdlScreen(const SdlScreen&) = delete;
  SdlScreen& operator=(const SdlScreen&) = delete;

  // The same quads, each an SDL_RenderCopy of its texel rectangle to its pixel rectangle.
  void Draw(const std::vector<SpriteQuad>& quads, Color tint) {
    SDL_SetTextureColorMod(texture, tint.R, tint.G, tint.B);
    SDL_SetTextureAlphaMod(texture, tint.A);
    for (const SpriteQuad& quad : quads) {
      const SDL_Rect source{static_cast<int>(quad.TexTopLeft.X),
                            static_cast<int>(quad.TexTopLeft.Y),
                            static_cast<int>(quad.TexBottomRight.X - quad.TexTopLeft.X),
                            static_cast<int>(quad.TexBottomRight.Y - quad.TexTopLeft.Y)};
      const SDL_Rect target{static_cast<int>(quad.TopLeft.X), static_cast<int>(quad.TopLeft.Y),
                            static_cast<int>(quad.BottomRight.X - quad.TopLeft.X),
                            static_cast<int>(quad.BottomRight.Y - quad.TopLeft.Y)};
      if (source.w <= 0 || source.h <= 0) continue;
      SDL_RenderCopy(renderer, texture, &source, &target);
    }
    SDL_RenderFlush(renderer);
  }

  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
};

struct TextScreen {
  TextScreen() : TextFont(Device, Bench::DejaVuSansPath, FontSize) {
    // Lines as wide as the screen, one under the other, until the screen is full.
    const std::u16string prose = ProseWithoutLineFeeds();
    std::size_t start = 0;
    RecordingDevice recorder;
    Graphics::SpriteBatch batch(recorder);
    batch.Begin();
    for (std::int32_t y = 0; y + TextFont.LineHeight() <= ScreenHeight;
         y += TextFont.LineHeight()) {
      std::size_t end = start;
      while (end < prose.size() &&
             TextFont.MeasureString(std::u16string_view(prose).substr(start, end + 1 - start)).X <=
                 ScreenWidth) {
        ++end;
      }
      Font::SpriteBatchEx::DrawString(
          batch, TextFont, std::u16string_view(prose).substr(start, end - start),
          {0, static_cast<float>(y)}, Color::White(), 0, {0, 0}, {1, 1}, SpriteEffects::None, 0, 0);
      start = end % prose.size();
    }
    batch.End();
    Quads = recorder.Quads;
    for (const SpriteQuad& quad : Quads) {
      CoveredPixels += static_cast<double>((quad.BottomRight.X - quad.TopLeft.X) *
                                           (quad.BottomRight.Y - quad.TopLeft.Y));
    }
    Atlas =
        std::dynamic_pointer_cast<Graphics::Software::SoftwareTexture2D>(TextFont.GlyphTexture());
  }

  std::vector<SpriteQuad> Tinted(Color tint) const {
    std::vector<SpriteQuad> quads = Quads;
    for (SpriteQuad& quad : quads) quad.Tint = tint;
    return quads;
  }

  Graphics::Software::SoftwareGraphicsDevice Device{ScreenWidth, ScreenHeight};
  Font::Font TextFont;
  std::vector<SpriteQuad> Quads;
  std::shared_ptr<Graphics::Software::SoftwareTexture2D> Atlas;
  double CoveredPixels = 0;
};

// ----- flat tables: what the font knows, read without any lookup structure ----------------------

struct FlatTables {
  explicit FlatTables(Font::Font& font, std::u16string_view text) {
    font.EnsureGlyphsExist(text);
    for (char16_t c = 0; c < 128; ++c) {
      if (Font::IsControlCharacter(c)) continue;
      font.EnsureGlyphsExist(std::u16string_view(&c, 1));
      const Font::Font::Glyph& glyph = font.GetGlyph(c);
      Advance[c] = glyph.Advance.X;
      Offset[c] = {static_cast<float>(glyph.Offset.X), static_cast<float>(glyph.Offset.Y)};
      Source[c] = {glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width, glyph.Bounds.Height};
      for (char16_t d = 0; d < 128; ++d) {
        if (!Font::IsControlCharacter(d)) Kerning[c * 128U + d] = font.GetKerning(c, d).X;
      }
    }
    LineHeight = font.LineHeight();
    Leading = font.Leading();
  }

  std::array<std::int32_t, 128> Advance{};
  std::array<Vector2, 128> Offset{};
  std::array<Graphics::Rectangle, 128> Source{};
  std::vector<float> Kerning = std::vector<float>(128 * 128);
  std::int32_t LineHeight = 0;
  std::int32_t Leading = 0;
};

// Sums advances and kerning line by line, as MeasureString does, for ASCII text.
Vector2 MeasureFlat(const FlatTables& tables, std::u16string_view text) {
  std::int64_t width = 0;
  std::int64_t widest = 0;
  std::int64_t height = tables.LineHeight - std::int64_t{tables.Leading};
  char16_t previous = 0;
  for (const char16_t c : text) {
    if (c == u'\n') {
      widest = std::max(widest, width);
      width = 0;
      height += tables.LineHeight;
      previous = 0;
      continue;
    }
    if (previous != 0) width += static_cast<std::int64_t>(tables.Kerning[previous * 128U + c]);
    width += tables.Advance[c];
    previous = c;
  }
  return {static_cast<float>(std::max(width, widest)), static_cast<float>(height)};
}

// Writes one quad a glyph from the tables, kerned, rotated about the line's start when
// `rotation` is not 0: what DrawString and the batch must do at the least. DejaVu's advances,
// offsets and kerning are whole pixels, so no rounding is needed here.
void QuadsFlat(const FlatTables& tables, Graphics::Texture2D* atlas, std::u16string_view line,
               Vector2 position, float rotation, SpriteQuad*& out) {
  const float c = std::cos(rotation);
  const float s = std::sin(rotation);
  float pen = 0;
  char16_t previous = 0;
  for (const char16_t ch : line) {
    if (previous != 0) pen += tables.Kerning[previous * 128U + ch];
    const Vector2 offset = tables.Offset[ch];
    const Graphics::Rectangle& source = tables.Source[ch];
    const float x0 = pen + offset.X;
    const float y0 = offset.Y;
    const float x1 = x0 + static_cast<float>(source.Width);
    const float y1 = y0 + static_cast<float>(source.Height);
    SpriteQuad& quad = *out++;
    quad.Texture = atlas;
    if (rotation == 0) {
      quad.TopLeft = {position.X + x0, position.Y + y0};
      quad.TopRight = {quad.TopLeft.X + static_cast<float>(source.Width), position.Y + y0};
      quad.BottomLeft = {quad.TopLeft.X, position.Y + y1};
      quad.BottomRight = {quad.TopRight.X, position.Y + y1};
    } else {
      const auto corner = [&](float x, float y) {
        return Vector2{position.X + x * c - y * s, position.Y + x * s + y * c};
      };
      quad.TopLeft = corner(x0, y0);
      quad.TopRight = corner(x1, y0);
      quad.BottomLeft = corner(x0, y1);
      quad.BottomRight = corner(x1, y1);
    }
    quad.TexTopLeft = {static_cast<float>(source.X), static_cast<float>(source.Y)};
    quad.TexBottomRight = {static_cast<float>(source.X + source.Width),
                           static_cast<float>(source.Y + source.Height)};
    quad.Tint = Color::White();
    quad.Depth = 0;
    pen += static_cast<float>(tables.Advance[ch]);
    previous = ch;
  }
}

// ----- (d) FreeType alone ------------------------------------------------------------------------

// On the library's own FreeType instance, which stays up as long as any font (or this) lives.
struct FreeTypeAlone {
  FreeTypeAlone() = default;
  ~FreeTypeAlone() { Close(); }
  FreeTypeAlone(const FreeTypeAlone&) = delete;
  FreeTypeAlone& operator=(const FreeTypeAlone&) = delete;

  Font::FreeTypeManager Manager;
  FT_Library Library = Manager.GetLibraryInstance();
  FT_Face Face = nullptr;

  void Open(const char* file = Bench::DejaVuSansFile, float size = FontSize) {
    if (FT_New_Face(Library, file, 0, &Face) != 0) throw std::runtime_error("FT_New_Face");
    FT_Set_Char_Size(Face, 0, static_cast<FT_F26Dot6>(size * 64), 72, 72);
  }
  void Load(std::u16string_view characters) const {
    for (const char16_t c : characters) {
      if (FT_Load_Char(Face, c, LoadFlags) != 0) throw std::runtime_error("FT_Load_Char");
      benchmark::DoNotOptimize(Face->glyph->bitmap.buffer);
    }
  }
  void Close() {
    if (Face != nullptr) FT_Done_Face(Face);
    Face = nullptr;
  }
};

// The first `count` characters above ASCII that DejaVu Sans maps: glyphs a new font lacks.
std::u16string MissingCharacters(std::size_t count) {
  FreeTypeAlone freeType;
  freeType.Open();
  std::u16string characters;
  for (char16_t c = 0xC0; characters.size() < count && c < 0xD800; ++c) {
    if (FT_Get_Char_Index(freeType.Face, c) != 0) characters += c;
  }
  return characters;
}

// The image sizes (plus the one-texel gap the font leaves) of `count` glyphs beyond ASCII, and
// the atlas edge the font would settle on for them: what an atlas growth re-places.
struct GlyphBoxes {
  std::vector<std::pair<std::int32_t, std::int32_t>> Sizes;
  std::int32_t Edge = 64;
};

GlyphBoxes MeasureGlyphBoxes(std::size_t count) {
  FreeTypeAlone freeType;
  freeType.Open();
  GlyphBoxes boxes;
  for (char16_t c = 0xC0; boxes.Sizes.size() < count && c < 0xD800; ++c) {
    if (FT_Get_Char_Index(freeType.Face, c) == 0) continue;
    if (FT_Load_Char(freeType.Face, c, LoadFlags) != 0) continue;
    const FT_Bitmap& bitmap = freeType.Face->glyph->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0) continue;
    boxes.Sizes.emplace_back(static_cast<std::int32_t>(bitmap.width) + 1,
                             static_cast<std::int32_t>(bitmap.rows) + 1);
  }
  for (;; boxes.Edge *= 2) {
    Font::VyrelRectanglePacker packer(boxes.Edge, boxes.Edge);
    Graphics::Point placement;
    if (std::all_of(boxes.Sizes.begin(), boxes.Sizes.end(), [&](const auto& size) {
          return packer.TryPack(size.first, size.second, placement);
        })) {
      return boxes;
    }
  }
}

// Places every box in a new packer of the edge, as the font does after its atlas grew.
std::int64_t Replace(const GlyphBoxes& boxes) {
  Font::VyrelRectanglePacker packer(boxes.Edge, boxes.Edge);
  Graphics::Point placement;
  std::int64_t sum = 0;
  for (const auto& [width, height] : boxes.Sizes) {
    packer.TryPack(width, height, placement);
    sum += placement.X + placement.Y;
  }
  return sum;
}

void Print(const Comparison& comparison) {
  const double library = comparison.Library.Best / comparison.Units;
  const double floor = comparison.Floor.Best / comparison.Units;
  std::printf("%-44s %10.2f ns/%-6s %-28s %10.2f ns/%-6s %6.2fx\n", comparison.Name.c_str(),
              library * 1e9, comparison.Unit, comparison.FloorName.c_str(), floor * 1e9,
              comparison.Unit, comparison.Library.Best / comparison.Floor.Best);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::string filter = argc > 2 ? argv[2] : "";

  // (a) A 1280 × 720 screen of 14 px text, drawn by the software device and by SDL2.
  TextScreen screen;
  SdlScreen sdl(*screen.Atlas);
  const Color tint(255, 200, 40, 255);
  const std::vector<SpriteQuad> whiteQuads = screen.Quads;
  const std::vector<SpriteQuad> tintedQuads = screen.Tinted(tint);
  const Graphics::SpriteRenderState alphaBlend{};

  // (b), (c) 10,000 characters of prose, measured, and drawn line by line.
  NullDevice nullDevice;
  Font::Font font(nullDevice, Bench::DejaVuSansPath, FontSize);
  const std::u16string text = Bench::EnglishText();
  const std::vector<std::u16string_view> lines = SplitLines(text);
  const FlatTables tables(font, text);
  Graphics::SpriteBatch batch(nullDevice);
  std::vector<SpriteQuad> flatQuads(text.size());
  std::int64_t glyphCount = 0;
  for (const char16_t c : text) glyphCount += c == u'\n' ? 0 : 1;
  const std::shared_ptr<Graphics::Texture2D> atlas = font.GlyphTexture();
  const auto drawString = [&](float rotation) {
    batch.Begin();
    float y = 0;
    for (const std::u16string_view line : lines) {
      Font::SpriteBatchEx::DrawString(batch, font, line, {0, y}, Color::White(), rotation, {0, 0},
                                      {1, 1}, SpriteEffects::None, 0, 0);
      y += 19;
    }
    benchmark::DoNotOptimize(batch.QueuedSpriteCount());
    batch.End();
  };
  const auto drawFlat = [&](float rotation) {
    SpriteQuad* out = flatQuads.data();
    float y = 0;
    for (const std::u16string_view line : lines) {
      QuadsFlat(tables, atlas.get(), line, {0, y}, rotation, out);
      y += 19;
    }
    benchmark::DoNotOptimize(flatQuads.data());
    benchmark::ClobberMemory();
  };

  // (d) A new font (87 glyphs rendered and uploaded), and 300 glyphs more in a new font.
  Graphics::Software::SoftwareGraphicsDevice smallDevice(1, 1);
  const std::u16string missing = MissingCharacters(MissCount);
  std::unique_ptr<Font::Font> fresh;
  FreeTypeAlone freeType;

  const GlyphBoxes growth = MeasureGlyphBoxes(GrowthGlyphs);

  std::vector<Comparison> comparisons;
  comparisons.reserve(12);
  const auto compare = [&](std::string name, std::string floorName, std::function<void()> run,
                           std::function<void()> floorRun, double units, const char* unit) {
    Comparison& comparison = comparisons.emplace_back();
    comparison.Name = std::move(name);
    comparison.FloorName = std::move(floorName);
    comparison.Library.Run = std::move(run);
    comparison.Floor.Run = std::move(floorRun);
    comparison.Units = units;
    comparison.Unit = unit;
    return &comparison;
  };
  const double glyphs = static_cast<double>(glyphCount);
  compare(
      "(a) software device, 14 px text, white", "SDL2 software renderer",
      [&] { screen.Device.DrawSprites(whiteQuads, alphaBlend); },
      [&] { sdl.Draw(whiteQuads, Color::White()); }, screen.CoveredPixels, "px");
  compare(
      "(a) software device, 14 px text, tinted", "SDL2 software renderer",
      [&] { screen.Device.DrawSprites(tintedQuads, alphaBlend); },
      [&] { sdl.Draw(tintedQuads, tint); }, screen.CoveredPixels, "px");
  compare(
      "(b) MeasureString, 10,000 characters", "flat tables",
      [&] { benchmark::DoNotOptimize(font.MeasureString(text)); },
      [&] { benchmark::DoNotOptimize(MeasureFlat(tables, text)); },
      static_cast<double>(text.size()), "char");
  compare(
      "(c) DrawString, null device, rotation 0", "quads from flat tables", [&] { drawString(0); },
      [&] { drawFlat(0); }, glyphs, "glyph");
  compare(
      "(c) DrawString, null device, rotation 0.3", "quads from flat tables",
      [&] { drawString(0.3F); }, [&] { drawFlat(0.3F); }, glyphs, "glyph");
  compare(
      "(d) Font construction (87 glyphs), Dispose", "FreeType alone",
      [&] { Font::Font made(smallDevice, Bench::DejaVuSansPath, FontSize); },
      [&] {
        freeType.Open();
        freeType.Load(PreloadCharacters);
        freeType.Close();
      },
      1, "font");
  Comparison* misses = compare(
      "(d) 300 cache misses in a new font", "FreeType alone",
      [&] {
        fresh->EnsureGlyphsExist(missing);
        benchmark::DoNotOptimize(fresh->GlyphTexture().get());
      },
      [&] { freeType.Load(missing); }, static_cast<double>(MissCount), "glyph");
  misses->Library.Prepare = [&] {
    fresh.reset();
    fresh = std::make_unique<Font::Font>(smallDevice, Bench::DejaVuSansPath, FontSize);
  };
  misses->Floor.Prepare = [&] {
    freeType.Close();
    freeType.Open();
    freeType.Load(PreloadCharacters);
  };

  // (e) No floor: its goal is a time (0.5 ms for 2,000 glyphs); the floor column repeats it.
  compare(
      "(e) atlas growth: re-placing 2,000 glyphs", "(time of one re-placing)",
      [&] { benchmark::DoNotOptimize(Replace(growth)); },
      [&] { benchmark::DoNotOptimize(Replace(growth)); }, 1, "growth");

  // (f) Han characters at 32 px (Noto Sans CJK): 8,000 new glyphs on one thread and on two,
  // against FreeType alone on one; a font started from a glyph cache file of 2,000 of them,
  // against the same font rendering them. The two-thread row is timed by the wall clock, both
  // sides.
  constexpr float HanSize = 32;
  std::unique_ptr<Font::Font> han;
  std::u16string hanText;
  std::u16string hanCached;
  const std::filesystem::path hanCache =
      std::filesystem::temp_directory_path() / "vennicor-floors-han.cache";
  if (std::filesystem::exists(NotoSansCjkFile)) {
    // A name that is a path, as the other rows open DejaVu Sans: FreeType maps the file itself.
    const std::u16string hanPath(NotoSansCjkFile, NotoSansCjkFile + std::strlen(NotoSansCjkFile));
    {
      FreeTypeAlone probe;
      probe.Open(NotoSansCjkFile, HanSize);
      for (char16_t c = 0x4E00; hanText.size() < HanGlyphs && c < 0xA000; ++c) {
        if (FT_Get_Char_Index(probe.Face, c) != 0) hanText += c;
      }
    }
    hanCached = hanText.substr(0, HanCachedGlyphs);
    {
      Font::Font saved(smallDevice, hanPath, HanSize);
      saved.EnsureGlyphsExist(hanCached);
      saved.GlyphTexture();
      saved.SaveGlyphCache(hanCache);
    }
    const auto makeHan = [&, hanPath](std::int32_t threads) {
      return [&, hanPath, threads] {
        han.reset();
        Font::FontOptions options;
        options.RenderThreads = threads;
        han = std::make_unique<Font::Font>(smallDevice, hanPath, HanSize, options);
      };
    };
    const auto renderHan = [&] {
      han->EnsureGlyphsExist(hanText);
      benchmark::DoNotOptimize(han->GlyphTexture().get());
    };
    const auto openFreeType = [&] {
      freeType.Close();
      freeType.Open(NotoSansCjkFile, HanSize);
      freeType.Load(PreloadCharacters);
    };
    for (const std::int32_t threads : {1, 2}) {
      Comparison* row = compare(
          threads == 1 ? "(f) 8,000 Han glyphs, 32 px, one thread"
                       : "(f) 8,000 Han glyphs, 32 px, two threads",
          "FreeType alone, one thread", renderHan, [&] { freeType.Load(hanText); },
          static_cast<double>(HanGlyphs), "glyph");
      row->Library.Prepare = makeHan(threads);
      row->Floor.Prepare = openFreeType;
      row->Library.Wall = row->Floor.Wall = threads > 1;
    }
    Font::FontOptions cached;
    cached.GlyphCache = hanCache;
    Comparison* start = compare(
        "(f) new font from a cache of 2,000 Han glyphs", "the font rendering them",
        [&, hanPath, cached] {
          Font::Font made(smallDevice, hanPath, HanSize, cached);
          if (!made.StartedFromGlyphCache()) throw std::runtime_error("the cache was not used");
        },
        [&, hanPath] {
          Font::Font made(smallDevice, hanPath, HanSize);
          made.EnsureGlyphsExist(hanCached);
          benchmark::DoNotOptimize(made.GlyphTexture().get());
        },
        1, "font");
    start->Library.Prepare = [] {};  // one call a sample
  } else {
    std::printf("Noto Sans CJK (fonts-noto-cjk) is not installed: the (f) rows are left out\n");
  }

  std::erase_if(comparisons, [&](const Comparison& comparison) {
    return comparison.Name.find(filter) == std::string::npos;
  });
  std::printf("%zu quads on a %d x %d screen (%.0f covered pixels); %zu characters of text\n",
              screen.Quads.size(), ScreenWidth, ScreenHeight, screen.CoveredPixels, text.size());
  for (Comparison& comparison : comparisons) {
    comparison.Library.Calibrate();
    comparison.Floor.Calibrate();
  }
  for (int round = 0; round < repetitions; ++round) {
    for (Comparison& comparison : comparisons) {
      // Long calls alternate one by one, so that neither side runs with caches the other has
      // not had a chance to disturb; short ones alternate a sample at a time.
      if (comparison.Library.Single() || comparison.Floor.Single()) {
        const std::int64_t calls = std::max(comparison.Library.Calls, comparison.Floor.Calls);
        for (std::int64_t i = 0; i < calls; ++i) {
          comparison.Library.TimeOneCall();
          comparison.Floor.TimeOneCall();
        }
      } else {
        comparison.Library.Sample();
        comparison.Floor.Sample();
      }
    }
  }
  freeType.Close();
  han.reset();
  std::filesystem::remove(hanCache);
  std::printf("%-44s %20s %-28s %20s %7s\n", "workload", "time", "floor", "time", "ratio");
  for (const Comparison& comparison : comparisons) Print(comparison);
  return 0;
}
