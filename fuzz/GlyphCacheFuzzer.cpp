// Arbitrary bytes as a glyph cache file for the fixture face at 14 px: the checksum is made right
// first, so that changes reach the checks behind it. The font must start (from the file or by
// rendering), every cached character must show its own glyph, and text must draw without fault.
//
// Run with `--write-seeds FOLDER` it writes cache files for that font (plain, with more glyphs,
// with outlines) and exits: the build makes its seed corpus so.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/cache/detail/GlyphCacheFile.h"
#include "font/detail/FontAccess.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace {

using namespace Vennicor;

constexpr float Size = 14;

Graphics::Software::SoftwareGraphicsDevice& Device() {
  static Graphics::Software::SoftwareGraphicsDevice device(32, 16);
  device.SetMaxTextureSize(1024);
  return device;
}

std::u16string FontPath() { return std::u16string(u"" VENNICOR_FUZZ_FONT_U16); }

// The first byte chooses the options, so that seeds of each kind keep their own key.
Font::FontOptions OptionsFor(std::uint8_t choice) {
  Font::FontOptions options;
  if ((choice & 1U) != 0) options.OutlineThickness = 1;
  return options;
}

void WriteSeeds(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const auto write = [&](const char* name, std::uint8_t choice, std::u16string_view text) {
    Font::Font font(Device(), FontPath(), Size, OptionsFor(choice));
    font.EnsureGlyphsExist(text);
    font.GlyphTexture();
    const std::filesystem::path cache = folder / (std::string(name) + ".cache");
    font.SaveGlyphCache(cache);
    // The choice byte goes first; the file follows.
    std::ifstream in(cache, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    std::filesystem::remove(cache);
    std::ofstream out(folder / name, std::ios::binary);
    out.put(static_cast<char>(choice));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  write("plain", 0, u"");
  write("more", 0, u"\u00e9\u4e2d");
  write("outlined", 1, u"");
}

std::filesystem::path TemporaryCachePath() {
  return std::filesystem::temp_directory_path() /
         ("vennicor-fuzz-glyph-cache-" + std::to_string(::getpid()) + ".cache");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int k = 1; k + 1 < *argc; ++k) {
    if (std::strcmp((*argv)[k], "--write-seeds") == 0) {
      WriteSeeds((*argv)[k + 1]);
      std::exit(0);
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const std::filesystem::path path = TemporaryCachePath();
  std::vector<std::uint8_t> file(data + 1, data + size);
  Font::Detail::SealGlyphCache(file);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }
  Font::FontOptions options = OptionsFor(data[0]);
  options.GlyphCache = path;
  Font::Font font(Device(), FontPath(), Size, options);
  font.EnsureGlyphsExist(u"\u00e9\u00c5\u4e2d");
  // Whatever the file said, each character shows the glyph its face maps it to.
  Font::Detail::FontImpl& impl = Font::Detail::FontAccess::Of(font);
  for (char32_t c = 0x20; c < 0x7F; ++c) {
    const Font::Detail::GlyphEntry* entry = impl.Find(c);
    const bool preloaded =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (entry == nullptr ? preloaded : entry->GlyphIndex != impl.Face().GlyphIndex(c)) std::abort();
  }
  Graphics::SpriteBatch batch(Device());
  batch.Begin();
  Font::SpriteBatchEx::DrawString(batch, font, u"Wave \u00e9\u4e2d", {1, 12},
                                  Graphics::Color::White(), 0.3F, {0, 0}, {1, 1},
                                  Graphics::SpriteEffects::None, 0, 0);
  batch.End();
  return 0;
}
