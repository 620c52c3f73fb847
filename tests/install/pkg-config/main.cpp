// Built with nothing but `pkg-config --cflags --libs vennicor-font`: checks the version header
// against the version pkg-config reports, and draws a string with a fixture font.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "font/Font.h"
#include "font/Version.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

static_assert(VENNICOR_FONT_VERSION_AT_LEAST(0, 1, 0), "the version macros are missing");

// consumer <expected version> <font file>
int main(int argc, char** argv) {
  if (argc != 3) return 2;
  if (std::strcmp(argv[1], VENNICOR_FONT_VERSION_STRING) != 0) {
    std::printf("consumer: header says %s, pkg-config says %s\n", VENNICOR_FONT_VERSION_STRING,
                argv[1]);
    return 1;
  }
  using namespace Vennicor;
  try {
    Graphics::Software::SoftwareGraphicsDevice device(64, 32);
    const std::string path = argv[2];
    Font::Font font(device, std::u16string(path.begin(), path.end()), 16);
    Graphics::SpriteBatch batch(device);
    batch.Begin();
    Font::SpriteBatchEx::DrawString(batch, font, u"AV", {2, 2}, Graphics::Color::White(), 0, {0, 0},
                                    {1, 1}, Graphics::SpriteEffects::None, 0, 0);
    batch.End();
    const auto pixels = device.BackBuffer();
    const bool drawn =
        std::any_of(pixels.begin(), pixels.end(), [](Graphics::Color c) { return c.A != 0; });
    std::puts(drawn ? "consumer: ok" : "consumer: nothing drawn");
    return drawn ? 0 : 1;
  } catch (const std::exception& error) {
    std::printf("consumer: %s\n", error.what());
    return 1;
  }
}
