// A Font keeps its atlas in a texture of the device it was made for: on the OpenGL device the
// glyphs are uploaded rectangle by rectangle with glTexSubImage2D and the atlas is rebuilt when
// it grows. The texels must be exactly those the same Font puts into a software texture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "opengl/GlTestFixture.h"
#include "tests/support/FixtureFonts.h"

namespace Vennicor::Graphics::OpenGL::Testing {
namespace {

std::u16string MetricsFontPath() { return Font::Testing::FixtureFontText("VennicorMetrics.ttf"); }

std::vector<Color> Texels(const Texture2D& texture) {
  std::vector<Color> texels(static_cast<std::size_t>(texture.Width() * texture.Height()));
  texture.GetData(texels);
  return texels;
}

using FontAtlasOnOpenGL = GlTest;

TEST_P(FontAtlasOnOpenGL, HoldsTheSameTexelsAsOnTheSoftwareDevice) {
  Software::SoftwareGraphicsDevice software(8, 8);
  Font::Font onSoftware(software, MetricsFontPath(), 21);
  Font::Font onGl(*device, MetricsFontPath(), 21);
  const auto first = onGl.GlyphTexture();
  ASSERT_EQ(Texels(*first), Texels(*onSoftware.GlyphTexture()));

  // Characters the fixture lacks are cached one missing-glyph image each: enough of them make
  // the atlas double, so it is rebuilt and uploaded again.
  std::u16string many;
  for (char16_t c = u'\u0100'; c < u'\u0200'; ++c) many += c;
  onSoftware.EnsureGlyphsExist(many);
  onGl.EnsureGlyphsExist(many);
  const auto grown = onGl.GlyphTexture();
  EXPECT_GT(grown->Width(), first->Width());
  EXPECT_EQ(grown->Width(), onSoftware.GlyphTexture()->Width());
  EXPECT_EQ(Texels(*grown), Texels(*onSoftware.GlyphTexture()));
  // The replaced atlas was dropped, not disposed: a batch holding it can still draw it.
  EXPECT_FALSE(first->IsDisposed());
  EXPECT_EQ(first.use_count(), 1);
}

// An Alpha8 atlas is an R8 texture that reads back as the Color atlas does, and text drawn
// from it differs from text drawn from the Color atlas by at most 2 in any channel, scaled,
// rotated and tinted over a background.
TEST_P(FontAtlasOnOpenGL, Alpha8AtlasDrawsAsTheColorAtlas) {
  Font::FontOptions alpha;
  alpha.AtlasFormat = SurfaceFormat::Alpha8;
  Software::SoftwareGraphicsDevice software(8, 8);
  Font::Font onSoftware(software, MetricsFontPath(), 15);
  Font::Font color(*device, MetricsFontPath(), 15);
  Font::Font bytes(*device, MetricsFontPath(), 15, Font::FontStyle::Regular, alpha);
  ASSERT_EQ(bytes.GlyphTexture()->Format(), SurfaceFormat::Alpha8);
  EXPECT_EQ(Texels(*bytes.GlyphTexture()), Texels(*onSoftware.GlyphTexture()));

  std::vector<Color> pictures[2];
  SpriteBatch batch(*device);
  for (int i = 0; i < 2; ++i) {
    device->Clear(Color(40, 80, 120, 255));
    batch.Begin();
    Font::SpriteBatchEx::DrawString(batch, i == 0 ? color : bytes, u"AV Tint", {2.3F, 3.6F},
                                    Color(250, 200, 40, 220), 0.15F, {0, 0}, {1.3F, 1.4F},
                                    SpriteEffects::None, 0, 0);
    batch.End();
    pictures[i] = device->ReadViewportPixels();
  }
  int largest = 0;
  int drawn = 0;
  for (std::size_t i = 0; i < pictures[0].size(); ++i) {
    const Color a = pictures[0][i];
    const Color b = pictures[1][i];
    if (a != Color(40, 80, 120, 255)) ++drawn;
    largest = std::max({largest, std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B),
                        std::abs(a.A - b.A)});
  }
  EXPECT_GT(drawn, 100);
  EXPECT_LE(largest, 2);
}

VENNICOR_GL_TEST_APIS(FontAtlasOnOpenGL);

}  // namespace
}  // namespace Vennicor::Graphics::OpenGL::Testing
