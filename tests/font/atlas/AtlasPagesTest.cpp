// A font whose glyphs outgrow the device's largest texture keeps drawing: from several atlas
// pages, and beyond the page limit by emptying the least recently used page. Every scene is
// drawn twice on the software device, once with a small largest texture and once with room for
// a single atlas, and the pictures must be the same.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FontTestSupport.h"

namespace {

using namespace Vennicor;
using Font::Testing::FixtureFontText;
using Graphics::Color;
using Graphics::Software::SoftwareGraphicsDevice;

// Characters the fixture face lacks: each is cached on its own, with the missing glyph's image.
std::u16string Unmapped(std::size_t count, char16_t first) {
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char16_t>(first + i);
  return text;
}

// One device and font; `largest` is the device's largest texture edge.
struct Scene {
  explicit Scene(std::int32_t largest, std::int32_t pageLimit = 4) : Device(160, 120) {
    Device.SetMaxTextureSize(largest);
    TextFont = std::make_unique<Font::Font>(Device, FixtureFontText("VennicorMetrics.ttf"), 18);
    TextFont->SetAtlasPageLimit(pageLimit);
    Device.Clear(Color::Black());
  }
  void Draw(Graphics::SpriteBatch& batch, std::u16string_view text, float y) {
    Font::SpriteBatchEx::DrawString(batch, *TextFont, text, {2, y}, Color::White(), 0.0F, {0, 0},
                                    {1, 1}, Graphics::SpriteEffects::None, 0.0F, 0);
  }
  std::vector<Color> Picture() const {
    return {Device.BackBuffer().begin(), Device.BackBuffer().end()};
  }

  SoftwareGraphicsDevice Device;
  std::unique_ptr<Font::Font> TextFont;
};

// The lines drawn, each in a batch of its own, with the text that fills the atlas in between.
void DrawLines(Scene& scene, const std::vector<std::u16string>& lines) {
  float y = 0;
  for (const std::u16string& line : lines) {
    Graphics::SpriteBatch batch(scene.Device);
    batch.Begin();
    scene.Draw(batch, line, y);
    batch.End();
    y += 20;
  }
}

TEST(AtlasPages, TextDrawsTheSameFromSeveralPages) {
  // At 64 texels a page holds a few dozen glyphs: the 87 preloaded ones need several pages.
  Scene paged(64);
  Scene single(4096);
  EXPECT_GE(paged.TextFont->AtlasPageCount(), 3);
  EXPECT_EQ(single.TextFont->AtlasPageCount(), 1);
  const std::vector<std::u16string> lines = {u"AVATAR Wave", u"quick brown fox", u"0123456789 @#$%",
                                             u"jumps OVER lazy"};
  DrawLines(paged, lines);
  DrawLines(single, lines);
  EXPECT_EQ(paged.Picture(), single.Picture());
}

TEST(AtlasPages, BeyondTheLimitTheLeastRecentlyUsedPageIsEmptiedAndGlyphsComeBack) {
  Scene paged(64, 2);
  Scene single(4096, 2);
  const std::int32_t preloaded = paged.TextFont->AtlasPageCount();
  ASSERT_GT(preloaded, 2) << "one text may need more pages than the limit";
  const Font::Font::Glyph& a = paged.TextFont->GetGlyph(u'a');

  // Many new characters, text after text: pages are emptied to make room, the page the first
  // text needed beyond the limit is given back, and the letters drawn first are dropped and
  // rendered again.
  std::vector<std::u16string> lines = {u"abc xyz"};
  for (int round = 0; round < 6; ++round) {
    lines.push_back(Unmapped(24, static_cast<char16_t>(0x0400 + 24 * round)));
  }
  lines.push_back(u"abc xyz");
  DrawLines(paged, lines);
  DrawLines(single, lines);
  EXPECT_EQ(paged.Picture(), single.Picture());
  EXPECT_EQ(paged.TextFont->AtlasPageCount(), 2);
  // The reference handed out before shows the glyph's new place.
  EXPECT_EQ(&paged.TextFont->GetGlyph(u'a'), &a);
  EXPECT_EQ(a.Bounds, single.TextFont->GetGlyph(u'a').Bounds);
}

TEST(AtlasPages, QueuedSpritesKeepTheTexturesTheyWereQueuedWith) {
  Scene paged(64, 1);
  Scene single(4096, 1);
  for (Scene* scene : {&paged, &single}) {
    // The first line is queued, then text that empties every page it could use is drawn in
    // the same batch, before the batch ends.
    Graphics::SpriteBatch batch(scene->Device);
    batch.Begin();
    scene->Draw(batch, u"Wave AV", 0);
    for (int round = 0; round < 4; ++round) {
      scene->TextFont->EnsureGlyphsExist(Unmapped(40, static_cast<char16_t>(0x0500 + 40 * round)));
      scene->TextFont->GlyphTexture();
    }
    scene->Draw(batch, u"Wave AV", 40);
    batch.End();
  }
  EXPECT_EQ(paged.Picture(), single.Picture());
}

// A chat log: each frame draws its last six lines, each half characters seen before and half
// new ones, so that every line's glyphs come to lie on every page. The atlas may open one page
// beyond the limit while a line needs them all, and gives it back afterwards (it kept five pages
// at a limit of two before).
TEST(AtlasPages, ALogOfNewCharactersKeepsToThePageLimit) {
  Scene scene(256, 2);
  scene.TextFont =
      std::make_unique<Font::Font>(scene.Device, FixtureFontText("hostile/VennicorMany.ttf"), 20);
  scene.TextFont->SetAtlasPageLimit(2);
  std::int32_t most = 0;
  for (int frame = 0; frame < 120; ++frame) {
    Graphics::SpriteBatch batch(scene.Device);
    batch.Begin();
    for (int line = 0; line < 6 && line <= frame; ++line) {
      const int number = frame - line;
      std::u16string text;
      for (int k = 0; k < 15; ++k) text += static_cast<char16_t>(0x4E00 + (k * 37 + number) % 200);
      for (int k = 0; k < 15; ++k) {
        text += static_cast<char16_t>(0x4E00 + 200 + (number * 15 + k) % 1800);
      }
      scene.Draw(batch, text, static_cast<float>(line * 20));
    }
    batch.End();
    most = std::max(most, scene.TextFont->AtlasPageCount());
  }
  EXPECT_LE(most, 3);
}

// A one-byte atlas keeps only the shapes of colour glyphs: a font asked for one that gains a
// colour fallback face turns its atlas Color, and draws what a Color font draws (its emoji were
// white silhouettes before).
TEST(AtlasPages, AnAlpha8FontThatGainsAColourFaceDrawsItsColours) {
  std::vector<Color> pictures[2];
  for (const auto format : {Graphics::SurfaceFormat::Alpha8, Graphics::SurfaceFormat::Color}) {
    Scene scene(4096);
    Font::FontOptions options;
    options.AtlasFormat = format;
    scene.TextFont =
        std::make_unique<Font::Font>(scene.Device, FixtureFontText("VennicorMetrics.ttf"), 18,
                                     Font::FontStyle::Regular, options);
    ASSERT_EQ(scene.TextFont->GlyphTexture()->Format(), format)
        << "the device must offer one-byte textures";
    DrawLines(scene, {u"AV"});  // drawn before the fallback joins
    scene.TextFont->AddFallbackFace(FixtureFontText("VennicorColor.ttf"));
    DrawLines(scene, {u"AV", u"A\U0001F600V"});
    EXPECT_EQ(scene.TextFont->GlyphTexture()->Format(), Graphics::SurfaceFormat::Color);
    pictures[format == Graphics::SurfaceFormat::Color ? 1 : 0] = scene.Picture();
  }
  EXPECT_EQ(pictures[0], pictures[1]);
  EXPECT_TRUE(std::any_of(pictures[0].begin(), pictures[0].end(), [](Color c) {
    return c.R > 200 && c.G < 50 && c.B < 50;
  })) << "the emoji's red layer is missing";
}

}  // namespace
