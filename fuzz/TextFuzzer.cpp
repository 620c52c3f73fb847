// Text measured and drawn with a fixture font: arbitrary UTF-16 and UTF-8 text, and raw floats
// (NaN and infinities included) for the position, rotation, origin, scale and depth, through the
// software device's rasterizer, with an atlas that keeps opening and emptying pages.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace {

using namespace Vennicor;

float RawFloat(FuzzedDataProvider& input) {
  float value = 0;
  input.ConsumeData(&value, sizeof value);
  return value;
}

// The device's largest texture is small and the page limit low, so that new characters soon
// fill the atlas's pages and empty the least recently used ones.
struct Scene {
  Scene() {
    Device.SetMaxTextureSize(64);
    TextFont = std::make_unique<Font::Font>(Device, std::u16string(u"" VENNICOR_FUZZ_FONT_U16), 14);
    TextFont->SetAtlasPageLimit(2);
  }
  Graphics::Software::SoftwareGraphicsDevice Device{48, 24};
  std::unique_ptr<Font::Font> TextFont;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One font for the whole run: opening one per input would spend the time on the preload.
  static Scene scene;
  FuzzedDataProvider input(data, size);
  const Graphics::Vector2 position{RawFloat(input), RawFloat(input)};
  const float rotation = RawFloat(input);
  const Graphics::Vector2 origin{RawFloat(input), RawFloat(input)};
  const Graphics::Vector2 scale{RawFloat(input), RawFloat(input)};
  const float depth = RawFloat(input);
  const auto effects = static_cast<Graphics::SpriteEffects>(input.ConsumeIntegralInRange(0, 3));
  const auto previous = input.ConsumeIntegral<char16_t>();
  const bool utf8 = input.ConsumeBool();
  const std::vector<std::uint8_t> bytes = input.ConsumeRemainingBytes<std::uint8_t>();

  Font::Font& font = *scene.TextFont;
  Graphics::SpriteBatch batch(scene.Device);
  try {
    batch.Begin(Graphics::SpriteSortMode::BackToFront);
    if (utf8) {
      const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      Font::SpriteBatchEx::DrawString(batch, font, text, position, Graphics::Color::White(),
                                      rotation, origin, scale, effects, depth, previous);
    } else {
      std::u16string text(bytes.size() / 2, u'\0');
      if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * 2);
      (void)font.MeasureString(text);
      (void)font.MeasureString(text, previous);
      Font::SpriteBatchEx::DrawString(batch, font, text, position, Graphics::Color::White(),
                                      rotation, origin, scale, effects, depth, previous);
    }
    batch.End();
  } catch (const Font::FontException&) {
    // A glyph FreeType cannot render is an error the caller sees, not a crash.
    if (batch.IsInBeginEndPair()) batch.End();
  }
  return 0;
}
