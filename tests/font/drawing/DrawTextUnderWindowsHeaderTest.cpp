// A Windows game often includes windows.h before the library's headers; its DrawText macro
// (DrawTextW, or DrawTextA) then renames the game's SpriteBatchEx::DrawText calls. They must
// still reach the library's DrawText, and the game's own Win32 DrawText must keep working.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <vector>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FixtureFonts.h"

#if defined(_WIN32) && !defined(DrawText)
#error "the library's header left windows.h without its DrawText macro"
#endif

#if VENNICOR_FONT_HAS_TEXT_LAYOUT
namespace Vennicor::Font {
namespace {

using Graphics::Color;

TEST(SpriteBatchExDrawText, DrawsWhenWindowsRenamesTheCall) {
  Graphics::Software::SoftwareGraphicsDevice device(96, 32);
  Font font(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
  const TextLayout layout(font, u"AV BAV");
  Graphics::SpriteBatch batch(device);
  std::vector<std::vector<Color>> pictures;
  for (int form = 0; form < 2; ++form) {
    device.Clear(Color::Black());
    batch.Begin();
    if (form == 0) {
      SpriteBatchEx::DrawText(batch, layout, {2, 3}, Color::White());
    } else {
      SpriteBatchEx::DrawText(batch, layout, {2, 3}, Color::White(), 0, {0, 0}, {1, 1},
                              Graphics::SpriteEffects::None, 0);
    }
    batch.End();
    pictures.emplace_back(device.BackBuffer().begin(), device.BackBuffer().end());
  }
  EXPECT_NE(pictures[0], std::vector<Color>(pictures[0].size(), Color::Black()));
  EXPECT_EQ(pictures[0], pictures[1]);
#ifdef _WIN32
  // The game's Win32 DrawText is still the macro's function.
  EXPECT_NE(reinterpret_cast<void*>(&::DrawText), nullptr);
#endif
}

}  // namespace
}  // namespace Vennicor::Font
#endif
