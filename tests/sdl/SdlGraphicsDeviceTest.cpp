// The SDL device and texture contract on SDL's software renderer: texel storage, validation,
// lifetimes, the renderer's state, and the straight-alpha copies this renderer needs.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/sdl/SdlGraphicsDevice.h"
#include "graphics/sdl/SdlTexture2D.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "sdl/SdlTarget.h"

namespace Vennicor::Graphics::Sdl::Testing {
namespace {

class SdlDevice : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(target.Renderer(), nullptr) << target.Error(); }

  // Draws `texture` over the whole 8 x 8 target (cleared to `background`) and returns the
  // pixel at (3, 3).
  Color DrawOver(SdlGraphicsDevice& device, const std::shared_ptr<Texture2D>& texture,
                 BlendState blend, Color tint, Color background) {
    device.Clear(background);
    SpriteBatch batch(device);
    batch.Begin(SpriteSortMode::Deferred, blend, SamplerState::PointClamp);
    batch.Draw(texture, Rectangle{0, 0, 8, 8}, std::nullopt, tint);
    batch.End();
    return device.ReadViewportPixels()[3 * 8 + 3];
  }

  SdlTarget target{8, 8};
};

TEST_F(SdlDevice, KeepsTexelsAndValidatesLikeEveryBackend) {
  SdlGraphicsDevice device(target.Renderer());
  EXPECT_FALSE(device.HasPremultipliedBlend()) << "SDL's software renderer has no custom blend";
  EXPECT_EQ(device.MaxTextureSize(), GraphicsDevice::DefaultMaxTextureSize);
  EXPECT_THROW(device.CreateTexture2D(0, 4, false, SurfaceFormat::Color), std::invalid_argument);
  EXPECT_THROW(device.CreateTexture2D(4, 4, true, SurfaceFormat::Color), std::invalid_argument);
  EXPECT_THROW(device.CreateTexture2D(device.MaxTextureSize() + 1, 1, false, SurfaceFormat::Color),
               std::invalid_argument);

  auto texture = device.CreateTexture2D(4, 3, false, SurfaceFormat::Color);
  std::vector<Color> read(12, Color::White());
  texture->GetData(read);
  EXPECT_EQ(read, std::vector<Color>(12)) << "a new texture reads as transparent black";

  const std::vector<Color> patch = {Color(1, 2, 3, 4), Color(5, 6, 7, 8)};
  texture->SetData(0, Rectangle{2, 1, 2, 1}, patch);
  texture->GetData(read);
  EXPECT_EQ(read[6], patch[0]);
  EXPECT_EQ(read[7], patch[1]);
  std::vector<Color> part(2);
  texture->GetData(0, Rectangle{2, 1, 2, 1}, part);
  EXPECT_EQ(part, patch);

  // A bad call throws before anything changes.
  EXPECT_THROW(texture->SetData(0, Rectangle{3, 0, 2, 1}, patch), std::invalid_argument);
  EXPECT_THROW(texture->SetData(0, Rectangle{0, 0, 1, 1}, patch), std::invalid_argument);
  EXPECT_THROW(texture->SetData(1, std::nullopt, read), std::invalid_argument);
  std::vector<Color> again(12);
  texture->GetData(again);
  EXPECT_EQ(again, read);

  texture->Dispose();
  texture->Dispose();
  EXPECT_EQ(dynamic_cast<SdlTexture2D&>(*texture).Handle(), nullptr);
  EXPECT_THROW(texture->GetData(read), std::logic_error);
  EXPECT_THROW(texture->SetData(read), std::logic_error);
}

TEST_F(SdlDevice, UploadsWhatItKeepsAndBlendsEachState) {
  SdlGraphicsDevice device(target.Renderer());
  auto texture = device.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  const Color half(100, 60, 20, 128);  // premultiplied
  texture->SetData({&half, 1});
  const Color background(40, 80, 200, 255);
  struct Case {
    BlendState Blend;
    Color Tint;
    Color Expected;
  };
  // src = tint × texel; the expected colours follow BlendState's formulas, rounded.
  const Case cases[] = {
      {BlendState::AlphaBlend, Color::White(), Color(120, 100, 120, 255)},
      {BlendState::AlphaBlend, Color(128, 128, 128, 128), Color(80, 90, 160, 255)},
      {BlendState::NonPremultiplied, Color::White(), Color(70, 70, 109, 255)},
      {BlendState::Additive, Color::White(), Color(90, 110, 210, 255)},
      {BlendState::Opaque, Color(255, 0, 255, 255), Color(100, 0, 20, 128)},
  };
  for (const Case& c : cases) {
    const Color got = DrawOver(device, texture, c.Blend, c.Tint, background);
    const auto near = [](int a, int b) { return std::abs(a - b) <= 2; };
    EXPECT_TRUE(near(got.R, c.Expected.R) && near(got.G, c.Expected.G) && near(got.B, c.Expected.B))
        << "blend " << static_cast<int>(c.Blend) << ": got " << int(got.R) << "," << int(got.G)
        << "," << int(got.B);
  }

  // A SetData after the straight-alpha copy was made reaches that copy too.
  const Color opaqueRed(255, 0, 0, 255);
  texture->SetData({&opaqueRed, 1});
  EXPECT_EQ(DrawOver(device, texture, BlendState::AlphaBlend, Color::White(), background),
            opaqueRed);
}

TEST_F(SdlDevice, LeavesTheRendererAsItFoundIt) {
  SdlGraphicsDevice device(target.Renderer());
  ASSERT_EQ(SDL_SetRenderDrawColor(target.Renderer(), 1, 2, 3, 4), 0);
  ASSERT_EQ(SDL_SetRenderDrawBlendMode(target.Renderer(), SDL_BLENDMODE_MOD), 0);
  auto texture = device.CreateTexture2D(2, 2, false, SurfaceFormat::Color);
  DrawOver(device, texture, BlendState::Additive, Color::White(), Color::Black());
  Uint8 r = 0, g = 0, b = 0, a = 0;
  SDL_GetRenderDrawColor(target.Renderer(), &r, &g, &b, &a);
  EXPECT_EQ(Color(r, g, b, a), Color(1, 2, 3, 4));
  SDL_BlendMode mode = SDL_BLENDMODE_NONE;
  SDL_GetRenderDrawBlendMode(target.Renderer(), &mode);
  EXPECT_EQ(mode, SDL_BLENDMODE_MOD);
  // The sampler reaches the texture's scale mode.
  SpriteBatch batch(device);
  for (SamplerState sampler : {SamplerState::LinearClamp, SamplerState::PointClamp}) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, sampler);
    batch.Draw(texture, Vector2{0, 0}, Color::White());
    batch.End();
    SDL_ScaleMode scale = SDL_ScaleModeBest;
    SDL_GetTextureScaleMode(dynamic_cast<SdlTexture2D&>(*texture).Handle(), &scale);
    EXPECT_EQ(scale,
              sampler == SamplerState::PointClamp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  }
}

TEST_F(SdlDevice, DrawsARunOfOneTextureInOneCallAndRefusesForeignTextures) {
  SdlGraphicsDevice device(target.Renderer());
  auto a = device.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  auto b = device.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  SpriteBatch batch(device);
  batch.Begin();
  for (auto* texture : {&a, &a, &a, &b, &b, &a})
    batch.Draw(*texture, Vector2{1, 1}, Color::White());
  batch.End();
  EXPECT_EQ(device.LastDrawCallCount(), 3);

  // A texture disposed while queued draws nothing and breaks nothing.
  batch.Begin();
  batch.Draw(a, Vector2{1, 1}, Color::White());
  a->Dispose();
  batch.Draw(b, Vector2{2, 2}, Color::White());
  batch.End();
  EXPECT_EQ(device.LastDrawCallCount(), 1);

  // A texture from another renderer or another backend throws before anything is drawn.
  SdlTarget other(4, 4);
  SdlGraphicsDevice otherDevice(other.Renderer());
  Software::SoftwareGraphicsDevice software(4, 4);
  for (const auto& foreign : {otherDevice.CreateTexture2D(1, 1, false, SurfaceFormat::Color),
                              software.CreateTexture2D(1, 1, false, SurfaceFormat::Color)}) {
    const SpriteQuad quads[] = {
        {b.get(), {0, 0}, {8, 0}, {0, 8}, {8, 8}, {0, 0}, {1, 1}, Color::White()},
        {foreign.get(), {0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 0}, {1, 1}, Color::White()}};
    const Color white = Color::White();
    b->SetData({&white, 1});
    device.Clear(Color::Black());
    EXPECT_THROW(device.DrawSprites(quads, {}), std::invalid_argument);
    EXPECT_EQ(device.ReadViewportPixels()[0], Color::Black());
  }
  EXPECT_THROW(SdlGraphicsDevice(nullptr), std::invalid_argument);
}

}  // namespace
}  // namespace Vennicor::Graphics::Sdl::Testing
