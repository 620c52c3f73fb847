#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontOptions.h"
#include "font/Version.h"
#include "font/detail/FontAccess.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FontTestSupport.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/drawing/GlyphDraw.h"
#include "font/layout/TextLayout.h"
#endif

// Glyphs at fractions of a pixel: text moved by a quarter of a pixel moves its ink by a quarter
// of a pixel, on the software device, in every way text is drawn.

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::SpriteBatch;
using Graphics::Vector2;
using Graphics::Software::SoftwareGraphicsDevice;

constexpr const char16_t* Word = u"Hamburgefonstiv";
constexpr int Width = 260;
constexpr int Height = 48;

FontOptions WithSubpixel(SubpixelPositioning subpixel, float outline = 0) {
  FontOptions options;
  options.Subpixel = subpixel;
  options.OutlineThickness = outline;
  return options;
}

enum class Way { String, OutlinedString, Shadowed, ScaledString, Layout, HookedLayout };

struct Picture {
  std::vector<Color> Pixels;
  // The ink's centre along x: coverage-weighted mean of the pixel centres.
  double CentroidX() const {
    double sum = 0;
    double weighted = 0;
    for (std::size_t i = 0; i < Pixels.size(); ++i) {
      const double alpha = Pixels[i].A;
      sum += alpha;
      weighted += alpha * (static_cast<double>(i % Width) + 0.5);
    }
    return weighted / sum;
  }
};

Picture Draw(Font& font, Way way, float x) {
  SoftwareGraphicsDevice device(Width, Height);
  SpriteBatch batch(device);
  batch.Begin();
  DrawStyle style;
  style.Color = Color::White();
  const Vector2 at{x, 8};
  switch (way) {
    case Way::String:
      SpriteBatchEx::DrawString(batch, font, Word, at, style);
      break;
    case Way::OutlinedString:
      style.Outline = Color(0, 0, 128, 128);
      SpriteBatchEx::DrawString(batch, font, Word, at, style);
      break;
    case Way::Shadowed:
      style.Shadow = TextShadow{{1.25F, 1}, Color(0, 0, 0, 128)};
      SpriteBatchEx::DrawString(batch, font, Word, at, style);
      break;
    case Way::ScaledString:
      style.Scale = {2, 1};
      SpriteBatchEx::DrawString(batch, font, u"Hamb", at, style);
      break;
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
    case Way::Layout:
      SpriteBatchEx::DrawText(batch, TextLayout(font, Word), at, style);
      break;
    case Way::HookedLayout:
      SpriteBatchEx::DrawText(batch, TextLayout(font, Word), at, style, [](GlyphDraw& glyph) {
        if (glyph.Index % 2 == 1) glyph.Offset = {0.25F, 0};
      });
      break;
#else
    case Way::Layout:
    case Way::HookedLayout:
      break;
#endif
  }
  batch.End();
  return {{device.BackBuffer().begin(), device.BackBuffer().end()}};
}

// Where the ink of text drawn `shift` pixels right of a whole pixel goes: a quarter of a pixel
// with Quarter, the nearest half with Half, the nearest whole pixel without (and where quarters
// do not apply). Each moved picture is compared with the one at the whole pixel.
TEST(SubpixelPositioning, InkMovesByTheFractionsTheFontDrawsAt) {
  struct Case {
    const char* Name;
    SubpixelPositioning Subpixel;
    Way How;
    float Outline = 0;
    float Step = 0.25F;  // of a pixel the ink moves a quarter step; 0: whole pixels
    float Start = 20;    // where the text is first drawn
  };
  const std::vector<Case> cases = {
    {"string, whole pixels", SubpixelPositioning::None, Way::String, 0, 0},
    {"string, halves", SubpixelPositioning::Half, Way::String, 0, 0.5F},
    {"string, quarters", SubpixelPositioning::Quarter, Way::String},
    {"outlined string, quarters", SubpixelPositioning::Quarter, Way::OutlinedString, 1},
    {"shadowed string, quarters", SubpixelPositioning::Quarter, Way::Shadowed},
    {"string at twice the width: whole pixels", SubpixelPositioning::Quarter, Way::ScaledString, 0,
     0},
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
    {"layout, whole pixels", SubpixelPositioning::None, Way::Layout, 0, 0},
    {"layout, quarters", SubpixelPositioning::Quarter, Way::Layout},
    {"layout drawn between quarters", SubpixelPositioning::Quarter, Way::Layout, 0, 0.25F, 20.1F},
    {"layout through a per-glyph hook, quarters", SubpixelPositioning::Quarter, Way::HookedLayout},
#endif
  };
  SoftwareGraphicsDevice atlasDevice(1, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Font font(atlasDevice, Testing::FixtureFontText("VennicorMetrics.ttf"), 20, FontStyle::Regular,
              WithSubpixel(c.Subpixel, c.Outline));
    const double origin = Draw(font, c.How, c.Start).CentroidX();
    for (int quarter = 1; quarter <= 8; ++quarter) {
      const float shift = static_cast<float>(quarter) / 4;
      // Halfway between two places, each glyph goes to the even one: no one answer for a word.
      const float steps = c.Step == 0 ? shift : shift / c.Step;
      if (steps - std::floor(steps) == 0.5F) continue;
      const double expected = c.Step == 0 ? std::round(shift) : std::round(steps) * c.Step;
      EXPECT_NEAR(Draw(font, c.How, c.Start + shift).CentroidX() - origin, expected, 0.05)
          << "moved by " << shift;
    }
  }
}

// Fractions change nothing where they are not drawn: at whole pixels, a string of a Quarter font
// is the whole-pixel font's string, texel for texel, and the atlas holds a glyph's images at
// fractions only once it has been drawn at them.
TEST(SubpixelPositioning, WholePixelsDrawAsWithoutAndImagesComeOnlyWhenDrawn) {
  SoftwareGraphicsDevice atlasDevice(1, 1);
  Font quarter(atlasDevice, Testing::FixtureFontText("VennicorMetrics.ttf"), 20, FontStyle::Regular,
               WithSubpixel(SubpixelPositioning::Quarter));
  Font whole(atlasDevice, Testing::FixtureFontText("VennicorMetrics.ttf"), 20);
  for (const float x : {20.0F, 21.0F, 20.875F}) {
    EXPECT_EQ(Draw(quarter, Way::String, x).Pixels, Draw(whole, Way::String, x).Pixels) << x;
  }
  const Detail::FontImpl& impl = Detail::FontAccess::Of(quarter);
  const auto shiftedImages = [&](char16_t c) {
    int count = 0;
    for (int step = 1; step < 4; ++step) count += impl.Shifted(*impl.Find(c), step) != nullptr;
    return count;
  };
  EXPECT_EQ(shiftedImages(u'H'), 0);
  Draw(quarter, Way::String, 20.5F);
  EXPECT_EQ(shiftedImages(u'H'), 1);
  Draw(quarter, Way::String, 20.25F);
  Draw(quarter, Way::String, 20.75F);
  EXPECT_EQ(shiftedImages(u'H'), 3);
  EXPECT_EQ(shiftedImages(u'Z'), 0);  // cached, never drawn
}

}  // namespace
}  // namespace Vennicor::Font
