// Text laid out from raw input: arbitrary UTF-8, every TextLayoutOptions field from raw bytes
// (NaN, infinities and negative counts included), colour spans anywhere, and a font with
// fallback faces (one of colour glyphs, one of many ideographs) on a device whose small largest
// texture and low page limit keep the atlas opening and emptying pages. Every caret and a set of
// hit tests are asked for, and the layout is drawn through the software rasterizer. Errors the
// library documents (FontException) are fine; crashes, sanitizer reports and stalls are not.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/TextLayout.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace {

using namespace Vennicor;

// Every field is read from the front, in order, so that the seeds' layout is the input's.
template <typename T>
T Raw(FuzzedDataProvider& input) {
  T value{};
  input.ConsumeData(&value, sizeof value);
  return value;
}
float RawFloat(FuzzedDataProvider& input) { return Raw<float>(input); }

std::u16string Fixture(const char16_t* name) {
  return std::u16string(u"" VENNICOR_FUZZ_FONTS_U16) + name;
}

struct Scene {
  Scene() {
    Device.SetMaxTextureSize(128);
    Plain = std::make_unique<Font::Font>(Device, Fixture(u"VennicorMetrics.ttf"), 14);
    Plain->SetAtlasPageLimit(2);
    Font::FontOptions alpha;
    alpha.AtlasFormat = Graphics::SurfaceFormat::Alpha8;
    Fallbacks = std::make_unique<Font::Font>(Device, Fixture(u"VennicorMetrics.ttf"), 14,
                                             Font::FontStyle::Regular, alpha);
    Fallbacks->AddFallbackFace(Fixture(u"VennicorColor.ttf"));
    Fallbacks->AddFallbackFace(Fixture(u"hostile/VennicorMany.ttf"));
    Fallbacks->SetAtlasPageLimit(1);
  }
  Graphics::Software::SoftwareGraphicsDevice Device{48, 24};
  std::unique_ptr<Font::Font> Plain;
  std::unique_ptr<Font::Font> Fallbacks;
};

// Texts longer than this are cut: the run's time goes to variety, not to one long layout (the
// budget tests cover long texts).
constexpr std::size_t LongestText = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scene scene;
  FuzzedDataProvider input(data, size);
  Font::TextLayoutOptions options;
  options.MaxWidth = RawFloat(input);
  options.LineSpacing = RawFloat(input);
  options.LetterSpacing = RawFloat(input);
  options.TabWidth = RawFloat(input);
  options.MaxLines = Raw<std::int32_t>(input);
  options.Alignment = static_cast<Font::TextAlignment>(Raw<std::uint8_t>(input));
  options.Direction = static_cast<Font::TextDirection>(Raw<std::uint8_t>(input));
  const bool fallbacks = (Raw<std::uint8_t>(input) & 1U) != 0;
  const int spans = Raw<std::uint8_t>(input) % 17;
  for (int i = 0; i < spans; ++i) {
    Font::ColorSpan span;
    span.Start = Raw<std::int32_t>(input);
    span.Length = Raw<std::int32_t>(input);
    span.Color = Graphics::Color(Raw<std::uint8_t>(input), 0, 255);
    options.ColorSpans.push_back(span);
  }
  const Graphics::Vector2 probe{RawFloat(input), RawFloat(input)};
  std::string text = input.ConsumeRemainingBytesAsString();
  if (text.size() > LongestText) text.resize(LongestText);

  Font::Font& font = fallbacks ? *scene.Fallbacks : *scene.Plain;
  Graphics::SpriteBatch batch(scene.Device);
  try {
    const Font::TextLayout layout(font, std::string_view(text), options);
    const auto length = static_cast<std::int32_t>(layout.Text().size());
    for (std::int32_t index = -1; index <= length + 1; ++index) {
      const Graphics::Vector2 caret = layout.CaretPosition(index);
      if (!std::isfinite(caret.X) || !std::isfinite(caret.Y)) __builtin_trap();
    }
    for (const Graphics::Vector2 point :
         {probe, Graphics::Vector2{0, 0}, Graphics::Vector2{layout.Size().X / 2, 5},
          Graphics::Vector2{1e30F, -1e30F}}) {
      const std::int32_t hit = layout.HitTest(point);
      if (hit < 0 || hit > length) __builtin_trap();
    }
    for (const Font::LayoutGlyph& glyph : layout.Glyphs()) {
      if (!std::isfinite(glyph.Position.X) || !std::isfinite(glyph.Position.Y)) __builtin_trap();
    }
    batch.Begin();
    Font::SpriteBatchEx::DrawText(batch, layout, {1, 1}, Graphics::Color::White());
    batch.End();
  } catch (const Font::FontException&) {
    if (batch.IsInBeginEndPair()) batch.End();
  }
  return 0;
}
