#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "graphics/software/SoftwareTexture2D.h"
#include "tests/support/GraphicsTestDoubles.h"

// One-byte textures and the distance-field effect on the software device.

namespace Vennicor::Graphics {
namespace {

using Software::SoftwareGraphicsDevice;
using Software::SoftwareTexture2D;

// A device that only makes textures offers Color alone; a texture that stores Color only
// takes bytes as premultiplied white, checked as its Color uploads are.
TEST(AlphaTexture, TexturesWithoutAByteFormatTakeBytesAsWhite) {
  Testing::RecordingDevice recording;
  EXPECT_TRUE(recording.SupportsFormat(SurfaceFormat::Color));
  EXPECT_FALSE(recording.SupportsFormat(SurfaceFormat::Alpha8));
  Testing::RecordingTexture texture(4, 3);
  const std::vector<std::uint8_t> bytes{0, 7, 128, 255};
  texture.SetAlphaData(0, Rectangle{1, 1, 2, 2}, bytes);
  EXPECT_EQ(texture.At(1, 1), Color(0, 0, 0, 0));
  EXPECT_EQ(texture.At(2, 1), Color(7, 7, 7, 7));
  EXPECT_EQ(texture.At(1, 2), Color(128, 128, 128, 128));
  EXPECT_EQ(texture.At(2, 2), Color(255, 255, 255, 255));
  EXPECT_THROW(texture.SetAlphaData(0, Rectangle{0, 0, 3, 1}, bytes), std::invalid_argument);
  EXPECT_THROW(texture.SetAlphaData(0, Rectangle{3, 1, 2, 2}, bytes), std::invalid_argument);
  EXPECT_EQ(texture.Uploads.size(), 1U);
}

// The software device's Alpha8 textures hold a byte a texel, read back as white, keep the
// alpha of Color data, and are gone after Dispose.
TEST(AlphaTexture, SoftwareAlpha8TexturesHoldOneByteATexel) {
  SoftwareGraphicsDevice device(1, 1);
  EXPECT_TRUE(device.SupportsFormat(SurfaceFormat::Alpha8));
  const auto texture = device.CreateTexture2D(3, 2, false, SurfaceFormat::Alpha8);
  const auto& software = dynamic_cast<const SoftwareTexture2D&>(*texture);
  EXPECT_EQ(software.Alphas().size(), 6U);
  EXPECT_TRUE(software.Texels().empty());
  texture->SetAlphaData(0, Rectangle{0, 0, 3, 1}, std::vector<std::uint8_t>{1, 2, 3});
  const std::vector<Color> colors{Color(9, 8, 7, 60), Color(0, 0, 0, 0)};
  texture->SetData(0, Rectangle{1, 1, 2, 1}, colors);
  std::vector<Color> read(6);
  texture->GetData(0, std::nullopt, read);
  const std::vector<Color> expected{Color(1, 1, 1, 1), Color(2, 2, 2, 2),     Color(3, 3, 3, 3),
                                    Color(0, 0, 0, 0), Color(60, 60, 60, 60), Color(0, 0, 0, 0)};
  EXPECT_EQ(read, expected);
  EXPECT_THROW(texture->SetAlphaData(0, Rectangle{2, 0, 2, 1}, std::vector<std::uint8_t>{1, 2}),
               std::invalid_argument);
  texture->Dispose();
  EXPECT_TRUE(software.Alphas().empty());
  EXPECT_THROW(texture->SetAlphaData(0, std::nullopt, std::vector<std::uint8_t>(6)),
               std::logic_error);
}

// A field that rises by 128 / spread a texel across the texture (edge in the middle) draws a
// sharp vertical edge whose ramp is one screen pixel wide at every scale, centred where the
// field crosses 128; an outline from the field widens the shape by its width times the scale.
TEST(DistanceFieldEffect, EdgeIsOnePixelWideAtAnyScale) {
  constexpr int Texels = 32;
  constexpr float Spread = 8;
  std::vector<std::uint8_t> ramp;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < Texels; ++x) {
      const double value = 128 + (x + 0.5 - Texels / 2.0) * 128 / Spread;
      ramp.push_back(static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0)));
    }
  }
  for (const float scale : {1.0F, 3.0F, 8.0F}) {
    for (const float outline : {0.0F, 2.0F}) {
      SCOPED_TRACE(testing::Message() << "scale " << scale << ", outline " << outline);
      const int width = static_cast<int>(Texels * scale);
      SoftwareGraphicsDevice device(width, 8);
      const auto texture = device.CreateTexture2D(Texels, 4, false, SurfaceFormat::Alpha8);
      texture->SetAlphaData(0, std::nullopt, ramp);
      DistanceFieldEffect effect;
      effect.Enabled = true;
      effect.Spread = Spread;
      effect.OutlineWidth = outline;
      effect.OutlineColor = Color(0, 0, 255, 255);
      SpriteBatch batch(device);
      batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
                  std::nullopt, effect);
      batch.Draw(texture, {0, 0}, std::nullopt, Color::White(), 0, {0, 0}, {scale, scale},
                 SpriteEffects::None, 0);
      batch.End();
      int partial = 0;
      double ink = 0;
      for (int x = 0; x < width; ++x) {
        const Color pixel = device.GetPixel(x, 2);
        if (pixel.A > 0 && pixel.A < 255) ++partial;
        ink += pixel.A / 255.0;
      }
      EXPECT_LE(partial, 2);
      EXPECT_NEAR(ink, width / 2.0 + outline * scale, 0.75);
    }
  }
}

}  // namespace
}  // namespace Vennicor::Graphics
