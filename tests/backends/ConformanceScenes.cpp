#include "backends/ConformanceScenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "tests/support/FixtureFonts.h"

namespace Vennicor::Graphics::Testing {

namespace {

using Font::Testing::FixtureFontText;

constexpr int Cell = 16;
constexpr std::int32_t Width = SceneWidth;
constexpr std::int32_t Height = SceneHeight;

// Shapes in a 16 x 16 cell, coordinates 0..16; the glyph sheet anti-aliases them by 4 x 4
// supersampling, as a rasterized glyph's coverage would look.
bool Inside(int shape, double x, double y) {
  const double cx = x - 8;
  const double cy = y - 8;
  const double r = std::sqrt(cx * cx + cy * cy);
  switch (shape) {
    case 0:
      return r >= 4.5 && r <= 7.0;  // ring "o"
    case 1:
      return std::abs(cx - cy) <= 1.8 && r <= 7.5;  // diagonal "\"
    case 2:
      return (x >= 3 && x <= 6 && y >= 2 && y <= 14) ||  // "L"
             (x >= 3 && x <= 13 && y >= 11 && y <= 14);
    case 3:
      return r <= 3.2;  // dot
    case 4:
      return (y >= 2 && y <= 5 && x >= 2 && x <= 14) ||  // "T"
             (x >= 6.5 && x <= 9.5 && y >= 2 && y <= 14);
    case 5:
      return std::abs(cx) <= 1.4 || std::abs(cy) <= 1.4;  // "+"
    case 6:
      return y >= 3 && y <= 14 && std::abs(cx) <= (y - 3) * 0.55;  // "A"-like wedge
    default:
      return std::abs(std::abs(cx) - std::abs(cy)) <= 1.5 && r <= 7;  // "x"
  }
}

std::vector<Color> GradientTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) texels.emplace_back(x * 8, y * 8, 255 - (x + y) * 4, 255);
  }
  return texels;
}

std::vector<Color> TranslucentTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int a = std::min(255, (x + y) * 9);
      texels.emplace_back(a * x / 15, a * (15 - y) / 15, a / 2, a);  // premultiplied
    }
  }
  return texels;
}

// Shows rotation, flips (the bar is off centre) and filtering at its soft edges.
std::vector<Color> RingTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      int covered = 0;
      for (int s = 0; s < 16; ++s) {
        const double px = x + (s % 4 + 0.5) / 4 - 16;
        const double py = y + (s / 4 + 0.5) / 4 - 16;
        const double r = std::sqrt(px * px + py * py);
        covered += ((r >= 9 && r <= 14) || (py >= -9 && py <= -5 && px >= -12 && px <= 4)) ? 1 : 0;
      }
      const int a = covered * 255 / 16;
      texels.emplace_back(a, a, a, a);
    }
  }
  return texels;
}

// Alpha rises from 0 to 255 across the diagonal; the flat blocks show a blend itself, away from
// where a backend that samples a texel off would differ.
std::vector<Color> BlockTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int bx = x / 4;
      const int by = y / 4;
      const int a = (bx + by) * 255 / 6;
      texels.emplace_back(a * bx / 3, a * (3 - by) / 3, a / 2, a);
    }
  }
  return texels;
}

std::vector<Color> BackdropTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) texels.emplace_back(x * 8 / 5, y * 2, 255 - x - y, 255);
  }
  return texels;
}

std::shared_ptr<Texture2D> Make(GraphicsDevice& device, int width, int height,
                                const std::vector<Color>& texels) {
  auto texture = device.CreateTexture2D(width, height, false, SurfaceFormat::Color);
  texture->SetData(texels);
  return texture;
}

// --- Sprites -------------------------------------------------------------------------------

// The gradient stretched over the whole target, filtered.
void Background(SpriteBatch& batch, const SceneTextures& textures) {
  batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::LinearClamp);
  batch.Draw(textures.Gradient, Rectangle{0, 0, Width, Height}, std::nullopt, Color::White());
  batch.End();
}

// The ramp copied one texel a pixel.
void WholePixelBackground(SpriteBatch& batch, const SceneTextures& textures) {
  batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::LinearClamp);
  batch.Draw(textures.Backdrop, Vector2{0, 0}, Color::White());
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

// Rings, each flip with a rotation and scale of its own, over the whole-pixel ramp.
void RingsRotatedScaledFlipped(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  WholePixelBackground(batch, textures);
  const SpriteEffects effects[] = {SpriteEffects::None, SpriteEffects::FlipHorizontally,
                                   SpriteEffects::FlipVertically,
                                   SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically};
  for (SamplerState sampler : {SamplerState::LinearClamp, SamplerState::PointClamp}) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, sampler);
    const float y = sampler == SamplerState::LinearClamp ? 22 : 80;
    for (int i = 0; i < 4; ++i) {
      const auto fi = static_cast<float>(i);
      batch.Draw(textures.Ring, {20 + 38 * fi, y}, std::nullopt, Color::White(), 0.4F * fi,
                 {16, 16}, {0.8F + 0.25F * fi, 1.1F}, effects[i], 0);
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

// Every blend state on flat blocks at whole pixels, white and tinted, and a tinted ring.
void BlendStateBlocks(SpriteBatch& batch, GraphicsDevice&, const SceneTextures& textures) {
  WholePixelBackground(batch, textures);
  const BlendState blends[] = {BlendState::AlphaBlend, BlendState::NonPremultiplied,
                               BlendState::Additive, BlendState::Opaque};
  for (int i = 0; i < 4; ++i) {
    batch.Begin(SpriteSortMode::Deferred, blends[i], SamplerState::PointClamp);
    const float x = 4 + 39 * static_cast<float>(i);
    batch.Draw(textures.Blocks, Rectangle{static_cast<int>(x), 6, 32, 32}, std::nullopt,
               Color::White());
    batch.Draw(textures.Blocks, Rectangle{static_cast<int>(x), 44, 32, 32}, std::nullopt,
               Color(200, 120, 60, 220));
    batch.Draw(textures.Ring, Vector2{x, 82}, Color(90, 200, 255, 255));
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
  std::vector<Color> texels(256);
  textures.Glyphs->GetData(0, GlyphCell(0), std::span<Color>(texels));
  auto owned = Make(device, 16, 16, texels);
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

// --- Text ----------------------------------------------------------------------------------

void Text(SpriteBatch& batch, Font::Font& font, std::u16string_view text, Vector2 position,
          Color color = Color::White(), float rotation = 0, Vector2 origin = {},
          Vector2 scale = {1, 1}, SpriteEffects effects = SpriteEffects::None) {
  Font::SpriteBatchEx::DrawString(batch, font, text, position, color, rotation, origin, scale,
                                  effects, 0, u'\0');
}

// Five sizes of one face, each a font of its own.
void TextSizesOn(SpriteBatch& batch, GraphicsDevice& device, float top, Color color) {
  float y = top;
  for (float size : {9.0F, 12.5F, 16.0F, 22.0F, 30.0F}) {
    Font::Font font(device, FixtureFontText("VennicorMetrics.ttf"), size);
    batch.Begin();
    Text(batch, font, u"AV Vennicor 0123!", {3.4F, y}, color);
    batch.End();
    y += static_cast<float>(font.LineHeight());
  }
}

void TextSizes(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  Background(batch, textures);
  TextSizesOn(batch, device, 2.3F, Color::White());
}

void TextSizesOverClear(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures&) {
  TextSizesOn(batch, device, 2, Color(240, 240, 240, 255));
}

// Rotated, scaled and flipped strings (and a tinted, rotated one) with each sampler.
void TextTransformedOn(SpriteBatch& batch, GraphicsDevice& device, bool tinted) {
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
    if (tinted) {
      Text(batch, font, u"Tint", {x + 40.5F, 100.2F}, Color(20, 120, 40, 160), -0.3F, {},
           {1.3F, 1.3F});
    }
    batch.End();
  }
}

void TextRotatedScaledFlippedTinted(SpriteBatch& batch, GraphicsDevice& device,
                                    const SceneTextures& textures) {
  Background(batch, textures);
  TextTransformedOn(batch, device, true);
}

void TextRotatedScaledFlippedOverRamp(SpriteBatch& batch, GraphicsDevice& device,
                                      const SceneTextures& textures) {
  WholePixelBackground(batch, textures);
  TextTransformedOn(batch, device, false);
}

// The second string needs glyphs the atlas has no room for: the atlas is rebuilt at double edge
// while the first string's sprites, queued from the old atlas, wait for End.
void TextAtlasGrowsInOneBatch(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures&) {
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

// Text from a one-byte atlas where the device offers one (an R8 texture on a GPU); elsewhere
// the font keeps a Color atlas, which must draw the same.
void TextAlpha8Atlas(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  Font::FontOptions options;
  options.AtlasFormat = SurfaceFormat::Alpha8;
  Background(batch, textures);
  Font::Font font(device, FixtureFontText("VennicorMetrics.ttf"), 16, Font::FontStyle::Regular,
                  options);
  EXPECT_EQ(font.GlyphTexture()->Format(), device.SupportsFormat(SurfaceFormat::Alpha8)
                                               ? SurfaceFormat::Alpha8
                                               : SurfaceFormat::Color);
  batch.Begin();
  Text(batch, font, u"Alpha8 AV", {3.4F, 4.3F}, Color::White());
  Text(batch, font, u"Scaled", {2.2F, 30.4F}, Color(255, 220, 0, 255), 0, {}, {1.6F, 1.2F});
  Text(batch, font, u"Tint", {40.5F, 70.2F}, Color(20, 120, 40, 160), -0.3F, {}, {1.3F, 1.3F});
  batch.End();
}

// One distance-field atlas drawn at several scales, rotated, and with an outline and a glow
// from the field; single-channel, or multi-channel (whose Color atlas the Alpha8 wish does not
// change).
void DrawDistanceFieldText(SpriteBatch& batch, GraphicsDevice& device,
                           const SceneTextures& textures, bool multiChannel) {
  Font::FontOptions options;
  options.DistanceField = true;
  options.MultiChannel = multiChannel;
  options.Hinting = Font::FontHinting::None;
  options.AtlasFormat = SurfaceFormat::Alpha8;
  Background(batch, textures);
  Font::Font font(device, FixtureFontText("VennicorMetrics.ttf"), 24, Font::FontStyle::Regular,
                  options);
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
              std::nullopt, Font::SpriteBatchEx::DistanceFieldEffectOf(font));
  Text(batch, font, u"Small AV", {2.4F, 2.3F}, Color::White(), 0, {}, {0.5F, 0.5F});
  Text(batch, font, u"Field", {3.1F, 16.6F}, Color(255, 220, 0, 255));
  Text(batch, font, u"Big", {70.3F, 10.2F}, Color(0, 160, 255, 255), 0.2F, {}, {2.5F, 2.5F});
  batch.End();
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
              std::nullopt,
              Font::SpriteBatchEx::DistanceFieldEffectOf(font, 2, Color(0, 0, 0, 255)));
  Text(batch, font, u"Outline", {4.2F, 60.4F}, Color::White(), 0, {}, {1.4F, 1.4F});
  batch.End();
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
              std::nullopt,
              Font::SpriteBatchEx::DistanceFieldEffectOf(font, 1, Color(200, 40, 0, 200), 4));
  Text(batch, font, u"Glow", {10.6F, 90.3F}, Color::White());
  batch.End();
}

void TextDistanceField(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  DrawDistanceFieldText(batch, device, textures, false);
}

void TextMultiChannelField(SpriteBatch& batch, GraphicsDevice& device,
                           const SceneTextures& textures) {
  DrawDistanceFieldText(batch, device, textures, true);
}

// Colour glyphs among coverage ones: a COLR emoji and an sbix bitmap star from fallback faces,
// which turn the atlas into Color, drawn as the white of the tint's alpha, scaled and rotated.
void TextColourGlyphs(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  Background(batch, textures);
  Font::Font font(device, FixtureFontText("VennicorMetrics.ttf"), 18);
  font.AddFallbackFace(std::string_view(Font::Testing::FixtureFont("VennicorColor.ttf").string()));
  font.AddFallbackFace(std::string_view(Font::Testing::FixtureFont("VennicorStrike.ttf").string()));
  const std::u16string text = u"A\U0001F600V\u2605";
  batch.Begin();
  Text(batch, font, text, {3.4F, 4.3F}, Color::White());
  Text(batch, font, text, {6.2F, 34.6F}, Color(255, 220, 0, 200), 0, {}, {1.7F, 1.3F});
  Text(batch, font, text, {50.5F, 78.2F}, Color(20, 120, 40, 160), -0.35F, {}, {1.4F, 1.4F});
  batch.End();
}

// A device whose textures are another's, but whose largest edge is 64 texels.
class SmallTextureDevice final : public GraphicsDevice {
 public:
  explicit SmallTextureDevice(GraphicsDevice& inner) : inner(inner) {}
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override {
    CheckTextureSize(width, height);
    return inner.CreateTexture2D(width, height, mipMap, format);
  }
  bool SupportsFormat(SurfaceFormat format) const override { return inner.SupportsFormat(format); }
  std::int32_t MaxTextureSize() const override { return 64; }

 private:
  GraphicsDevice& inner;
};

// Glyphs that outgrow a 64-texel atlas go to further pages: one string draws from several
// textures, a run of sprites a page, in one batch.
void TextAtlasPages(SpriteBatch& batch, GraphicsDevice& device, const SceneTextures& textures) {
  Background(batch, textures);
  SmallTextureDevice small(device);
  Font::Font font(small, FixtureFontText("VennicorMetrics.ttf"), 16);
  std::u16string many;
  for (char16_t c = u'\u00C0'; c < u'\u00E0'; ++c) many += c;  // each a new glyph
  batch.Begin();
  Text(batch, font, u"Pages AV 0123", {3.4F, 4.3F}, Color::White());
  Text(batch, font, many.substr(0, 16), {2.6F, 30.4F}, Color(255, 200, 120, 255));
  Text(batch, font, many.substr(16), {4.2F, 56.7F}, Color(120, 255, 160, 230), 0.1F, {},
       {1.2F, 1.2F});
  Text(batch, font, u"Pages AV 0123", {6.3F, 88.5F}, Color(90, 170, 255, 255), -0.1F);
  batch.End();
  EXPECT_GT(font.AtlasPageCount(), 1) << "the glyphs fit one page";
}

// Scenes that magnify the gradient or draw many small rotated glyphs need exact sampling; those
// over the whole-pixel ramp or the clear colour do not.
constexpr Color Slate(30, 40, 50, 255);
constexpr Tolerance Filtered{};
constexpr Tolerance WholePixels{1, false};
constexpr bool DistanceFields = true;
constexpr bool ExactSampling = true;

const ConformanceScene Scenes[] = {
    {"WholePixelCopies", WholePixelCopies, Slate, WholePixels},
    {"SeveralSizes", SeveralSizes, Slate, Filtered, !DistanceFields, ExactSampling},
    {"Rotated", Rotated, Slate, Filtered, !DistanceFields, ExactSampling},
    {"Flipped", Flipped, Color(0, 0, 0, 0)},
    {"RingsRotatedScaledFlipped", RingsRotatedScaledFlipped},
    {"Tinted", Tinted, Slate, Filtered, !DistanceFields, ExactSampling},
    {"AllBlendStates", AllBlendStates, Slate, Filtered, !DistanceFields, ExactSampling},
    {"BlendStateBlocks", BlendStateBlocks},
    {"MagnifiedPoints", MagnifiedPoints, Slate, Filtered, !DistanceFields, ExactSampling},
    {"CameraTransform", CameraTransform},
    {"ReplacedTexture", ReplacedTexture},
    {"ManyRunsAndDepth", ManyRunsAndDepth, Slate, Filtered, !DistanceFields, ExactSampling},
    {"Immediate", Immediate, Slate, Filtered, !DistanceFields, ExactSampling},
    {"TextSizes", TextSizes, Slate, Filtered, !DistanceFields, ExactSampling},
    {"TextSizesOverClear", TextSizesOverClear},
    {"TextRotatedScaledFlippedTinted", TextRotatedScaledFlippedTinted, Slate, Filtered,
     !DistanceFields, ExactSampling},
    {"TextRotatedScaledFlippedOverRamp", TextRotatedScaledFlippedOverRamp},
    {"TextAtlasGrowsInOneBatch", TextAtlasGrowsInOneBatch, Color(0, 0, 0, 255)},
    {"TextAlpha8Atlas", TextAlpha8Atlas, Slate, Filtered, !DistanceFields, ExactSampling},
    {"TextDistanceField", TextDistanceField, Slate, Filtered, DistanceFields, ExactSampling},
    {"TextMultiChannelField", TextMultiChannelField, Slate, Filtered, DistanceFields,
     ExactSampling},
    {"TextColourGlyphs", TextColourGlyphs, Slate, Filtered, !DistanceFields, ExactSampling},
    {"TextAtlasPages", TextAtlasPages, Slate, Filtered, !DistanceFields, ExactSampling},
};

}  // namespace

std::vector<Color> GlyphSheetTexels() {
  std::vector<Color> texels(64 * 32);
  for (int shape = 0; shape < 8; ++shape) {
    const int left = (shape % 4) * Cell;
    const int top = (shape / 4) * Cell;
    for (int y = 0; y < Cell; ++y) {
      for (int x = 0; x < Cell; ++x) {
        int covered = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            covered += Inside(shape, x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
          }
        }
        const int a = covered * 255 / 16;
        texels[static_cast<std::size_t>((top + y) * 64 + left + x)] = Color(a, a, a, a);
      }
    }
  }
  return texels;
}

SceneTextures MakeSceneTextures(GraphicsDevice& device) {
  return {Make(device, 64, 32, GlyphSheetTexels()),  Make(device, 32, 32, GradientTexels()),
          Make(device, 16, 16, TranslucentTexels()), Make(device, 32, 32, RingTexels()),
          Make(device, 16, 16, BlockTexels()),       Make(device, Width, Height, BackdropTexels())};
}

Rectangle GlyphCell(int index) { return {(index % 4) * Cell, (index / 4) * Cell, Cell, Cell}; }

std::span<const ConformanceScene> ConformanceScenes() { return Scenes; }

}  // namespace Vennicor::Graphics::Testing
