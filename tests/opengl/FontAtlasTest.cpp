// A Font keeps its atlas in a texture of the device it was made for: on the OpenGL device the
// glyphs are uploaded rectangle by rectangle with glTexSubImage2D and the atlas is rebuilt when
// it grows. The texels must be exactly those the same Font puts into a software texture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "font/Font.h"
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

VENNICOR_GL_TEST_APIS(FontAtlasOnOpenGL);

}  // namespace
}  // namespace Vennicor::Graphics::OpenGL::Testing
