// Markup from players and modders: arbitrary bytes read as RichText markup (strict, and lenient
// when the first byte says so) over a family of the fixture font, laid out to a width, asked for
// carets, tags and objects, and drawn through a per-glyph hook. MarkupError and the library's
// other FontExceptions are fine; crashes, sanitizer reports and stalls are not.

#include <cstdint>
#include <memory>
#include <string_view>

#include "font/FontException.h"
#include "font/FontFamily.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/RichText.h"
#include "font/layout/TextLayout.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace {

using namespace Vennicor;

struct Scene {
  Scene() { Device.SetMaxTextureSize(256); }
  Graphics::Software::SoftwareGraphicsDevice Device{48, 24};
  Font::FontFamily Family{Device, u"" VENNICOR_FUZZ_FONT_U16};
};

// Longer markup is cut: the run's time goes to variety (the parser is linear).
constexpr std::size_t LongestMarkup = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scene scene;
  if (size == 0) return 0;
  Font::MarkupOptions options;
  options.Lenient = (data[0] & 1U) != 0;
  Font::Font& named = scene.Family.Get(Font::FontStyle::Regular, 12);
  options.Fonts.emplace_back("small", &named);
  const std::string_view markup(reinterpret_cast<const char*>(data + 1),
                                std::min(size - 1, LongestMarkup));
  try {
    const Font::RichText text = Font::RichText::FromMarkup(markup, scene.Family, 14, options);
    Font::TextLayoutOptions layoutOptions;
    layoutOptions.MaxWidth = static_cast<float>(data[0] >> 1U) * 4;
    const Font::TextLayout layout(scene.Family.Get(Font::FontStyle::Regular, 14), text,
                                  layoutOptions);
    const auto length = static_cast<std::int32_t>(layout.Text().size());
    for (std::int32_t i = 0; i <= length; i += 7) {
      const Graphics::Vector2 caret = layout.CaretPosition(i);
      static_cast<void>(layout.HitTest(caret));
      static_cast<void>(layout.TagAt(caret));
    }
    static_cast<void>(layout.Objects().size());
    Graphics::SpriteBatch batch(scene.Device);
    batch.Begin();
    Font::SpriteBatchEx::DrawText(batch, layout, {1, 1}, Graphics::Color::White(),
                                  [](Font::GlyphDraw& glyph) {
                                    glyph.Visible = glyph.Index % 3 != 0;
                                    glyph.Scale = glyph.Index % 2 == 0 ? 1.5F : 1.0F;
                                  });
    batch.End();
  } catch (const Font::FontException&) {
  }
  return 0;
}
