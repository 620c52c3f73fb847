// Text drawn by both backends: the same Font calls on each device, with the fixture fonts, at
// several sizes, rotated, scaled, flipped, tinted, over a background, and with an atlas that
// grows between two DrawString calls of one batch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "opengl/HeadlessContext.h"
#include "opengl/SceneSupport.h"
#include "tests/support/FixtureFonts.h"

namespace Vennicor::Graphics::OpenGL::Testing {
namespace {

using Vennicor::Font::Testing::FixtureFontText;

void Text(SpriteBatch& batch, Font::Font& font, std::u16string_view text, Vector2 position,
          Color color = Color::White(), float rotation = 0, Vector2 origin = {},
          Vector2 scale = {1, 1}, SpriteEffects effects = SpriteEffects::None) {
  Font::SpriteBatchEx::DrawString(batch, font, text, position, color, rotation, origin, scale,
                                  effects, 0, u'\0');
}

void Backdrop(SpriteBatch& batch, const SceneTextures& textures) {
  batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::LinearClamp);
  batch.Draw(textures.Gradient, Rectangle{0, 0, SceneWidth, SceneHeight}, std::nullopt,
             Color::White());
  batch.End();
}

void SeveralSizes(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  Backdrop(batch, textures);
  float y = 2.3F;
  for (float size : {9.0F, 12.5F, 16.0F, 22.0F, 30.0F}) {
    Font::Font font(device, FixtureFontText("VennicorMetrics.ttf"), size);
    batch.Begin();
    Text(batch, font, u"AV Vennicor 0123!", {3.4F, y}, Color::White());
    batch.End();
    y += static_cast<float>(font.LineHeight());
  }
}

void Transformed(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  Backdrop(batch, textures);
  Font::Font font(device, FixtureFontText("VennicorMetrics.ttf"), 16);
  const Vector2 size = font.MeasureString(u"Rotated");
  for (SamplerState sampler : {SamplerState::LinearClamp, SamplerState::PointClamp}) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, sampler);
    const float x = sampler == SamplerState::LinearClamp ? 0 : 80;
    Text(batch, font, u"Rotated", {x + 40.3F, 22.6F}, Color(255, 220, 0, 255), 0.45F,
         {size.X / 2, size.Y / 2});
    Text(batch, font, u"Scaled", {x + 2.2F, 40.4F}, Color::White(), 0, {}, {1.6F, 1.2F});
    Text(batch, font, u"Flip H", {x + 4.6F, 66.3F}, Color(0, 160, 255, 255), 0, {}, {1, 1},
         SpriteEffects::FlipHorizontally);
    Text(batch, font, u"Flip V", {x + 4.1F, 84.7F}, Color(128, 128, 128, 128), 0, {}, {1, 1},
         SpriteEffects::FlipVertically);
    Text(batch, font, u"Tint", {x + 40.5F, 100.2F}, Color(20, 120, 40, 160), -0.3F, {},
         {1.3F, 1.3F});
    batch.End();
  }
}

// The second string needs glyphs the atlas has no room for: the atlas is rebuilt at double edge
// while the first string's sprites, queued from the old atlas, wait for End.
void AtlasGrowsInOneBatch(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures&) {
  Font::Font font(device, FixtureFontText("VennicorMetrics.ttf"), 14);
  const auto before = font.GlyphTexture();
  batch.Begin();
  Text(batch, font, u"Before AV", {4.2F, 6.4F}, Color::White());
  std::u16string many;
  for (char16_t c = u'\u00C0'; c < u'\u0180'; ++c) many += c;  // each a new glyph
  Text(batch, font, many.substr(0, 14), {4.6F, 40.3F}, Color(255, 200, 120, 255));
  Text(batch, font, many.substr(14), {200, 200}, Color::White());  // off screen, still added
  const auto after = font.GlyphTexture();
  Text(batch, font, u"After AV", {6.3F, 80.5F}, Color(120, 255, 160, 255), 0.2F);
  batch.End();
  EXPECT_NE(before.get(), after.get()) << "the atlas did not grow";
  EXPECT_GT(after->Width(), before->Width());
}

const Scene TextScenes[] = {
    {"TextSizes", SeveralSizes},
    {"TextRotatedScaledFlippedTinted", Transformed},
    {"TextAtlasGrowsInOneBatch", AtlasGrowsInOneBatch, Color(0, 0, 0, 255)},
};

class TextComparison : public ::testing::TestWithParam<std::tuple<GlApi, Scene>> {};

TEST_P(TextComparison, DrawsWhatTheSoftwareBackendDraws) {
  ExpectBackendsAgree(std::get<0>(GetParam()), std::get<1>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Scenes, TextComparison,
                         ::testing::Combine(::testing::Values(GlApi::Desktop33Core, GlApi::Es30),
                                            ::testing::ValuesIn(TextScenes)),
                         [](const auto& param) {
                           return std::string(ApiName(std::get<0>(param.param))) + "_" +
                                  std::get<1>(param.param).Name;
                         });

}  // namespace
}  // namespace Vennicor::Graphics::OpenGL::Testing
