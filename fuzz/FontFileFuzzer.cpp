// Arbitrary bytes opened as a font file (through a temporary file and the path constructor),
// then measured, rendered into the atlas and drawn, and (with the layout) text laid out with it:
// shaped by HarfBuzz from the same bytes, wrapped, and drawn. A file FreeType refuses must end in a
// FontException; one it accepts must draw without fault. The same file's name tables are read
// as the installed-font lookup reads them on Windows.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/FontOptions.h"
#include "font/Version.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/sources/detail/SfntNames.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/layout/TextLayout.h"
#endif
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace {

using namespace Vennicor;

std::filesystem::path TemporaryFontPath() {
  return std::filesystem::temp_directory_path() /
         ("vennicor-fuzz-font-" + std::to_string(::getpid()) + ".ttf");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path path = TemporaryFontPath();
  // A largest texture of 1024: a font whose glyph images are huge would otherwise grow the
  // atlas to the software device's 16384 texels (1 GiB) and stop the run for memory.
  static Graphics::Software::SoftwareGraphicsDevice device(32, 16);
  device.SetMaxTextureSize(1024);
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  {
    std::ifstream file(path, std::ios::binary);
    (void)Font::ReadSfntFaceNames(file);
  }
  // The last byte picks the size and the options, so the font bytes themselves stay intact for
  // the seeds: axes of a variable font (any value, clamped to the axes the bytes define), and
  // glyph images at quarters of a pixel.
  const std::uint8_t last = size > 0 ? data[size - 1] : 0;
  const float pixels = size > 0 ? static_cast<float>(4 + last % 40) : 12.0F;
  Font::FontOptions options;
  if ((last / 40 & 1U) != 0) {
    options.Variations = {{{'w', 'g', 'h', 't'}, static_cast<float>(last) * 4},
                          {{'w', 'd', 't', 'h'}, static_cast<float>(last % 7) * 25}};
  }
  if ((last / 40 & 2U) != 0) options.Subpixel = Font::SubpixelPositioning::Quarter;
  Graphics::SpriteBatch batch(device);
  try {
    Font::Font font(device, path.u16string(), pixels, Font::FontStyle::Regular, options);
    (void)font.MeasureString(u"AVA\nb\u00e9\u4e2d");
    font.EnsureGlyphsExist(u"\u00e9\u00c5\u4e2d\U0001F600");
    batch.Begin();
    Font::SpriteBatchEx::DrawString(batch, font, u"Wave \u00e9", {1, 12}, Graphics::Color::White(),
                                    0.3F, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0, 0);
    Font::SpriteBatchEx::DrawString(batch, font, u"Wave", {1.25F, 2}, Graphics::Color::White());
    batch.End();
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
    // Latin with kerning and marks, Hebrew, Arabic and Devanagari: whatever GSUB and GPOS the
    // bytes hold are applied.
    const Font::TextLayout layout(
        font,
        std::u16string_view(u"AVA wave\u0301\u0302 \u05e9\u05dc\u05d5\u05dd "
                            u"\u0645\u0631\u062d\u0628\u0627 \u0915\u094d\u0937 x\tfi"),
        {.MaxWidth = 40, .MaxLines = 3});
    static_cast<void>(layout.HitTest({20, 5}));
    batch.Begin();
    Font::SpriteBatchEx::DrawText(batch, layout, {1.5F, 1}, Graphics::Color::White());
    batch.End();
#endif
  } catch (const Font::FontException&) {
    if (batch.IsInBeginEndPair()) batch.End();
  }
  return 0;
}
