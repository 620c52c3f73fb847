// Sprite scenes drawn by both backends: glyph-like sprites at several sizes, rotated, scaled,
// flipped, tinted, over a background, with every blend state and sampler, and a texture
// replaced between two draws of one batch.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "opengl/HeadlessContext.h"
#include "opengl/SceneSupport.h"

namespace Vennicor::Graphics::OpenGL::Testing {
namespace {

constexpr std::int32_t Width = SceneWidth;
constexpr std::int32_t Height = SceneHeight;

void Background(SpriteBatch& batch, const SceneTextures& textures) {
  batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::LinearClamp);
  batch.Draw(textures.Gradient, Rectangle{0, 0, Width, Height}, std::nullopt, Color::White());
  batch.End();
}

void Glyph(SpriteBatch& batch, const SceneTextures& textures, int index, Vector2 position,
           Color tint = Color::White(), float rotation = 0, Vector2 scale = {1, 1},
           SpriteEffects effects = SpriteEffects::None) {
  batch.Draw(textures.Glyphs, position, GlyphCell(index), tint, rotation, {8, 8}, scale, effects,
             0);
}

void WholePixelCopies(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  for (SamplerState sampler : {SamplerState::PointClamp, SamplerState::LinearClamp}) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, sampler);
    const float row = sampler == SamplerState::PointClamp ? 12 : 60;
    for (int i = 0; i < 8; ++i)
      Glyph(batch, textures, i, {12.0F + 18.0F * static_cast<float>(i), row});
    batch.Draw(textures.Translucent, Vector2{10, row + 14}, Color::White());
    batch.Draw(textures.Gradient, Vector2{40, row + 14}, Color::White());
    batch.End();
  }
}

void SeveralSizes(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  Background(batch, textures);
  batch.Begin();
  const float scales[] = {0.5F, 0.75F, 1.25F, 1.5F, 2.0F, 3.3F};
  float x = 8.3F;
  for (int i = 0; i < 6; ++i) {
    const float s = scales[i];
    Glyph(batch, textures, i, {x + 8 * s, 30.4F}, Color::White(), 0, {s, s});
    Glyph(batch, textures, 7 - i, {x + 8 * s, 85.7F}, Color::White(), 0, {s, s * 0.6F});
    x += 16 * s + 3;
  }
  batch.End();
}

void Rotated(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  Background(batch, textures);
  for (SamplerState sampler : {SamplerState::LinearClamp, SamplerState::PointClamp}) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, sampler);
    const float y = sampler == SamplerState::LinearClamp ? 30.2F : 88.6F;
    const float angles[] = {0.3F, 1.1F, -0.7F, 2.5F, std::numbers::pi_v<float> / 2};
    for (int i = 0; i < 5; ++i) {
      Glyph(batch, textures, i + 1, {20.3F + 30 * static_cast<float>(i), y}, Color::White(),
            angles[i], {1.7F, 1.7F});
    }
    batch.End();
  }
}

void Flipped(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  const SpriteEffects effects[] = {SpriteEffects::None, SpriteEffects::FlipHorizontally,
                                   SpriteEffects::FlipVertically,
                                   SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically};
  for (SamplerState sampler : {SamplerState::PointClamp, SamplerState::LinearClamp}) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, sampler);
    const float y = sampler == SamplerState::PointClamp ? 20 : 70;
    for (int i = 0; i < 4; ++i) {
      const float x = 16 + 36 * static_cast<float>(i);
      Glyph(batch, textures, 2, {x, y}, Color::White(), 0, {1, 1}, effects[i]);
      Glyph(batch, textures, 6, {x + 0.35F, y + 28.6F}, Color::White(), 0.2F, {1.4F, 1.4F},
            effects[i]);
    }
    batch.End();
  }
}

void Tinted(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  Background(batch, textures);
  batch.Begin();
  const Color tints[] = {Color(255, 0, 0, 255), Color(128, 128, 128, 128), Color(40, 200, 90, 200),
                         Color(0, 0, 0, 255),   Color(20, 20, 60, 60),     Color(255, 255, 255, 0)};
  for (int i = 0; i < 6; ++i) {
    const float x = 14.4F + 24 * static_cast<float>(i);
    Glyph(batch, textures, i, {x, 30}, tints[i], 0, {1.3F, 1.3F});
    batch.Draw(textures.Translucent, Vector2{x - 8, 70.5F}, std::nullopt, tints[i], 0.1F, {},
               {1.2F, 1.2F}, SpriteEffects::None, 0);
  }
  batch.End();
}

void AllBlendStates(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  Background(batch, textures);
  const BlendState blends[] = {BlendState::AlphaBlend, BlendState::NonPremultiplied,
                               BlendState::Additive, BlendState::Opaque};
  for (int i = 0; i < 4; ++i) {
    batch.Begin(SpriteSortMode::Deferred, blends[i], SamplerState::LinearClamp);
    const float x = 6.2F + 38 * static_cast<float>(i);
    batch.Draw(textures.Translucent, Vector2{x, 10.3F}, std::nullopt, Color::White(), 0, {}, {2, 2},
               SpriteEffects::None, 0);
    Glyph(batch, textures, i, {x + 16, 70.6F}, Color(200, 120, 40, 220), 0.25F, {2, 2});
    batch.End();
  }
}

void MagnifiedPoints(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::PointClamp);
  batch.Draw(textures.Translucent, Vector2{10.2F, 8.1F}, std::nullopt, Color::White(), 0, {},
             {2.5F, 2.5F}, SpriteEffects::None, 0);
  batch.Draw(textures.Translucent, Vector2{100.4F, 20.3F}, std::nullopt, Color::White(), 0.4F,
             {8, 8}, {3.1F, 3.1F}, SpriteEffects::None, 0);
  Glyph(batch, textures, 0, {40.3F, 80.2F}, Color::White(), 0, {3.7F, 2.2F});
  batch.End();
}

void CameraTransform(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  const Matrix camera = Matrix::Multiply(
      Matrix::Multiply(Matrix::CreateScale(1.6F, 1.3F, 1), Matrix::CreateRotationZ(0.15F)),
      Matrix::CreateTranslation(20.3F, 5.1F, 0));
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp, camera);
  for (int i = 0; i < 8; ++i) {
    Glyph(batch, textures, i,
          {10 + 14 * static_cast<float>(i % 4), 12 + 20 * static_cast<float>(i / 4)});
  }
  batch.Draw(textures.Translucent, Vector2{5, 50}, Color::White());
  batch.End();
}

// The owner replaces its texture between two draws of one batch; the first draw must still
// show the old texels, which the batch keeps alive until End.
void ReplacedTexture(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  auto owned = device.CreateTexture2D(16, 16, false, SurfaceFormat::Color);
  std::vector<Color> texels;
  textures.Glyphs->GetData(0, GlyphCell(0), std::span<Color>(texels = std::vector<Color>(256)));
  owned->SetData(texels);
  batch.Begin();
  batch.Draw(owned, Vector2{20.4F, 20.2F}, std::nullopt, Color::White(), 0.3F, {8, 8}, {2, 2},
             SpriteEffects::None, 0);
  auto grown = device.CreateTexture2D(32, 16, false, SurfaceFormat::Color);
  grown->SetData(0, Rectangle{0, 0, 16, 16}, texels);
  textures.Glyphs->GetData(0, GlyphCell(5), std::span<Color>(texels));
  grown->SetData(0, Rectangle{16, 0, 16, 16}, texels);
  owned = grown;  // the old texture's last reference now lives in the batch
  batch.Draw(owned, Vector2{60.7F, 30.3F}, Rectangle{16, 0, 16, 16}, Color::White(), 0, {}, {2, 2},
             SpriteEffects::None, 0);
  batch.Draw(owned, Vector2{100.2F, 60.6F}, std::nullopt, Color(255, 200, 0, 255), -0.4F, {},
             {1.5F, 1.5F}, SpriteEffects::None, 0);
  batch.End();
}

void ManyRunsAndDepth(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  for (SpriteSortMode mode : {SpriteSortMode::BackToFront, SpriteSortMode::FrontToBack}) {
    batch.Begin(mode);
    const float top = mode == SpriteSortMode::BackToFront ? 4 : 62;
    for (int i = 0; i < 60; ++i) {
      const auto fi = static_cast<float>(i);
      const Vector2 at{4.3F + std::fmod(fi * 13.7F, 140.0F), top + std::fmod(fi * 7.3F, 40.0F)};
      if (i % 3 == 0) {
        batch.Draw(textures.Translucent, at, std::nullopt, Color::White(), fi * 0.1F, {}, {1, 1},
                   SpriteEffects::None, std::fmod(fi * 0.37F, 1.0F));
      } else {
        batch.Draw(textures.Glyphs, at, GlyphCell(i % 8), Color(255, 255 - i * 3, i * 4, 255),
                   fi * 0.05F, {}, {1, 1}, SpriteEffects::None, std::fmod(fi * 0.61F, 1.0F));
      }
    }
    batch.End();
  }
}

void Immediate(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  batch.Begin(SpriteSortMode::Immediate, BlendState::NonPremultiplied);
  for (int i = 0; i < 12; ++i) {
    Glyph(batch, textures, i % 8,
          {14.5F + 11 * static_cast<float>(i), 40.2F + static_cast<float>(i)},
          Color(90, 200, 255, 160), 0.1F * static_cast<float>(i), {1.5F, 1.5F});
  }
  batch.End();
}

const Scene Scenes[] = {
    {"WholePixelCopies", WholePixelCopies, Color(30, 40, 50, 255), true},
    {"SeveralSizes", SeveralSizes},
    {"Rotated", Rotated},
    {"Flipped", Flipped, Color(0, 0, 0, 0)},
    {"Tinted", Tinted},
    {"AllBlendStates", AllBlendStates},
    {"MagnifiedPoints", MagnifiedPoints},
    {"CameraTransform", CameraTransform},
    {"ReplacedTexture", ReplacedTexture},
    {"ManyRunsAndDepth", ManyRunsAndDepth},
    {"Immediate", Immediate},
};

class BackendComparison : public ::testing::TestWithParam<std::tuple<GlApi, Scene>> {};

TEST_P(BackendComparison, DrawsWhatTheSoftwareBackendDraws) {
  ExpectBackendsAgree(std::get<0>(GetParam()), std::get<1>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Scenes, BackendComparison,
                         ::testing::Combine(::testing::Values(GlApi::Desktop33Core, GlApi::Es30),
                                            ::testing::ValuesIn(Scenes)),
                         [](const auto& param) {
                           return std::string(ApiName(std::get<0>(param.param))) + "_" +
                                  std::get<1>(param.param).Name;
                         });

}  // namespace
}  // namespace Vennicor::Graphics::OpenGL::Testing
