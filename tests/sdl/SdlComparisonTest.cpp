// Scenes drawn by the SDL backend (on SDL's own software renderer) and by the software backend
// from the same calls: text from a Font, sprites rotated, scaled and flipped with both
// samplers, and every blend state. The images are compared pixel by pixel, colour channels only
// (the target is a window's surface, whose alpha nobody sees; SDL's fixed blend modes also
// write alpha differently for NonPremultiplied and Additive, as the device documents):
//
// * 3 per channel. The software backend blends in float and rounds once; SDL's blitters blend
//   in 8-bit integers with their own rounding (up to 1), and the straight-alpha copies the
//   device uses for AlphaBlend on this renderer add a rounding of their own (up to 1).
// * SDL's software renderer samples nearest-neighbour whatever the scale mode, so the
//   reference is drawn point-sampled as well.
// * Its triangle filler truncates corners to whole pixels and steps texel coordinates in fixed
//   point, so a sample may land a texel away from the exact one (measured: a 2x sprite shifted
//   by one texel row, a 1:1 background by one row in places). A pixel beyond the tolerance must
//   therefore match a reference pixel at most two pixels away; at least 80% of all pixels must
//   match in place and at most 1.5% may match nothing near (anti-aliased edges of rotated
//   sprites, where a shifted sample meets a different coverage). A missing, mirrored, mistinted
//   or wrongly blended sprite breaks those bounds: the scenes' flat blocks and glyph interiors
//   are far larger than the slack.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/sdl/SdlGraphicsDevice.h"
#include "graphics/software/PngFile.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "sdl/SdlTarget.h"

namespace Vennicor::Graphics::Sdl::Testing {
namespace {

constexpr std::int32_t Width = 160;
constexpr std::int32_t Height = 120;
const Color Backdrop(30, 40, 50, 255);
constexpr int Tolerance = 3;
constexpr int Reach = 2;

std::u16string FixtureFont(const char* file) {
  const char* data = std::getenv("VENNICOR_TEST_DATA");
  const std::string path = std::string(data != nullptr ? data : "tests/data") + "/fonts/" + file;
  return {path.begin(), path.end()};
}

// A 32 x 32 anti-aliased white ring with a bar across it (premultiplied coverage): shows
// rotation, flips (the bar is off centre) and filtering at its soft edges.
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

// 16 x 16 premultiplied colours in blocks of 4 x 4 texels, alpha rising from 0 to 255 across
// the diagonal: flat blocks show the blend itself, away from where SDL's sampling may differ.
std::vector<Color> TranslucentTexels() {
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

// An opaque colour ramp the size of the target, drawn one texel a pixel.
std::vector<Color> GradientTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) texels.emplace_back(x * 8 / 5, y * 2, 255 - x - y, 255);
  }
  return texels;
}

std::shared_ptr<Texture2D> Make(GraphicsDevice& device, int width, int height,
                                const std::vector<Color>& data) {
  auto texture = device.CreateTexture2D(width, height, false, SurfaceFormat::Color);
  texture->SetData(data);
  return texture;
}

std::shared_ptr<Texture2D> Make(GraphicsDevice& device, int edge, const std::vector<Color>& data) {
  return Make(device, edge, edge, data);
}

void Background(SpriteBatch& batch, GraphicsDevice& device) {
  batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::LinearClamp);
  batch.Draw(Make(device, Width, Height, GradientTexels()), Vector2{0, 0}, Color::White());
  batch.End();
}

void Text(SpriteBatch& batch, Font::Font& font, std::u16string_view text, Vector2 position,
          Color color, float rotation = 0, Vector2 origin = {}, Vector2 scale = {1, 1},
          SpriteEffects effects = SpriteEffects::None) {
  Font::SpriteBatchEx::DrawString(batch, font, text, position, color, rotation, origin, scale,
                                  effects, 0, u'\0');
}

void TextSizes(SpriteBatch& batch, GraphicsDevice& device) {
  float y = 2;
  for (float size : {9.0F, 12.5F, 16.0F, 22.0F, 30.0F}) {
    Font::Font font(device, FixtureFont("VennicorMetrics.ttf"), size);
    batch.Begin();
    Text(batch, font, u"AV Vennicor 0123!", {3.4F, y}, Color(240, 240, 240, 255));
    batch.End();
    y += static_cast<float>(font.LineHeight());
  }
}

void TextTransformed(SpriteBatch& batch, GraphicsDevice& device) {
  Background(batch, device);
  Font::Font font(device, FixtureFont("VennicorMetrics.ttf"), 16);
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
    batch.End();
  }
}

void SpritesTransformed(SpriteBatch& batch, GraphicsDevice& device) {
  Background(batch, device);
  const auto ring = Make(device, 32, RingTexels());
  const SpriteEffects effects[] = {SpriteEffects::None, SpriteEffects::FlipHorizontally,
                                   SpriteEffects::FlipVertically,
                                   SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically};
  for (SamplerState sampler : {SamplerState::LinearClamp, SamplerState::PointClamp}) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, sampler);
    const float y = sampler == SamplerState::LinearClamp ? 22 : 80;
    for (int i = 0; i < 4; ++i) {
      const float x = 20 + 38 * static_cast<float>(i);
      batch.Draw(ring, {x, y}, std::nullopt, Color::White(), 0.4F * static_cast<float>(i), {16, 16},
                 {0.8F + 0.25F * static_cast<float>(i), 1.1F}, effects[i], 0);
    }
    batch.End();
  }
}

void BlendStates(SpriteBatch& batch, GraphicsDevice& device) {
  Background(batch, device);
  const auto translucent = Make(device, 16, TranslucentTexels());
  const auto ring = Make(device, 32, RingTexels());
  const BlendState blends[] = {BlendState::AlphaBlend, BlendState::NonPremultiplied,
                               BlendState::Additive, BlendState::Opaque};
  for (int i = 0; i < 4; ++i) {
    batch.Begin(SpriteSortMode::Deferred, blends[i], SamplerState::PointClamp);
    const float x = 4 + 39 * static_cast<float>(i);
    batch.Draw(translucent, Rectangle{static_cast<int>(x), 6, 32, 32}, std::nullopt,
               Color::White());
    batch.Draw(translucent, Rectangle{static_cast<int>(x), 44, 32, 32}, std::nullopt,
               Color(200, 120, 60, 220));
    batch.Draw(ring, Vector2{x, 82}, Color(90, 200, 255, 255));
    batch.End();
  }
}

struct Scene {
  const char* Name;
  void (*Draw)(SpriteBatch&, GraphicsDevice&);
};

void PrintTo(const Scene& scene, std::ostream* out) { *out << scene.Name; }

const Scene Scenes[] = {{"TextSizes", TextSizes},
                        {"TextRotatedScaledFlipped", TextTransformed},
                        {"SpritesRotatedScaledFlipped", SpritesTransformed},
                        {"BlendStates", BlendStates}};

// Passes sprites on to another device, point-sampled and with a blend state swapped for another
// (to show that the comparison catches a wrong blend).
class StateOverride final : public GraphicsDevice {
 public:
  StateOverride(GraphicsDevice& inner, BlendState from, BlendState to)
      : inner(inner), from(from), to(to) {}
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override {
    return inner.CreateTexture2D(width, height, mipMap, format);
  }
  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override {
    inner.DrawSprites(sprites, {state.Blend == from ? to : state.Blend, SamplerState::PointClamp});
  }

 private:
  GraphicsDevice& inner;
  BlendState from;
  BlendState to;
};

std::vector<Color> RenderInSoftware(const Scene& scene, BlendState from = BlendState::AlphaBlend,
                                    BlendState to = BlendState::AlphaBlend) {
  Software::SoftwareGraphicsDevice device(Width, Height);
  device.Clear(Backdrop);
  StateOverride pointSampled(device, from, to);
  SpriteBatch batch(pointSampled);
  scene.Draw(batch, pointSampled);
  return {device.BackBuffer().begin(), device.BackBuffer().end()};
}

int Difference(Color a, Color b) {
  return std::max({std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B)});
}

struct Agreement {
  int Exact = 0;
  int Neighbour = 0;
  int Unexplained = 0;
  int Drawn = 0;
  std::string FirstUnexplained;
};

Agreement Compare(const std::vector<Color>& sdl, const std::vector<Color>& software) {
  Agreement agreement;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const auto at = [](int px, int py) { return static_cast<std::size_t>(py * Width + px); };
      const Color got = sdl[at(x, y)];
      agreement.Drawn += software[at(x, y)] != Backdrop ? 1 : 0;
      if (Difference(got, software[at(x, y)]) <= Tolerance) {
        ++agreement.Exact;
        continue;
      }
      bool near = false;
      for (int dy = -Reach; dy <= Reach && !near; ++dy) {
        for (int dx = -Reach; dx <= Reach && !near; ++dx) {
          const int nx = x + dx;
          const int ny = y + dy;
          near = nx >= 0 && ny >= 0 && nx < Width && ny < Height &&
                 Difference(got, software[at(nx, ny)]) <= Tolerance;
        }
      }
      if (near) {
        ++agreement.Neighbour;
      } else if (agreement.Unexplained++ == 0) {
        const Color want = software[at(x, y)];
        agreement.FirstUnexplained = "(" + std::to_string(x) + ", " + std::to_string(y) + ") sdl " +
                                     std::to_string(got.R) + "," + std::to_string(got.G) + "," +
                                     std::to_string(got.B) + " software " + std::to_string(want.R) +
                                     "," + std::to_string(want.G) + "," + std::to_string(want.B);
      }
    }
  }
  return agreement;
}

class SdlComparison : public ::testing::TestWithParam<Scene> {};

std::vector<Color> RenderInSdl(const Scene& scene) {
  const SdlTarget target(Width, Height);
  if (target.Renderer() == nullptr) {
    ADD_FAILURE() << target.Error();
    return {};
  }
  SdlGraphicsDevice device(target.Renderer());
  device.Clear(Backdrop);
  SpriteBatch batch(device);
  scene.Draw(batch, device);
  return device.ReadViewportPixels();
}

// The rule has teeth: the blend scene against a reference that blends one state differently.
TEST(SdlComparisonRule, RejectsAWrongBlend) {
  const Scene scene{"BlendStates", BlendStates};
  const std::vector<Color> sdl = RenderInSdl(scene);
  for (const auto& [from, to] : {std::pair{BlendState::NonPremultiplied, BlendState::AlphaBlend},
                                 std::pair{BlendState::Additive, BlendState::NonPremultiplied}}) {
    const Agreement agreement = Compare(sdl, RenderInSoftware(scene, from, to));
    EXPECT_GT(agreement.Unexplained, Width * Height * 3 / 200);
  }
}

TEST_P(SdlComparison, DrawsWhatTheSoftwareBackendDraws) {
  const Scene& scene = GetParam();
  const std::vector<Color> sdl = RenderInSdl(scene);
  const std::vector<Color> software = RenderInSoftware(scene);
  ASSERT_EQ(sdl.size(), software.size());

  const Agreement agreement = Compare(sdl, software);
  ::testing::Test::RecordProperty("Exact", agreement.Exact);
  ::testing::Test::RecordProperty("Neighbour", agreement.Neighbour);
  constexpr int Pixels = Width * Height;
  EXPECT_GE(agreement.Exact, Pixels * 8 / 10);
  EXPECT_LE(agreement.Unexplained, Pixels * 3 / 200) << "first: " << agreement.FirstUnexplained;
  EXPECT_GT(agreement.Drawn, Pixels / 10) << "the scene drew almost nothing";
  if (::testing::Test::HasFailure()) {
    const auto folder = std::filesystem::path(::testing::TempDir());
    Software::SavePng(folder / (std::string(scene.Name) + "-sdl.png"), Width, Height, sdl);
    Software::SavePng(folder / (std::string(scene.Name) + "-software.png"), Width, Height,
                      software);
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, SdlComparison, ::testing::ValuesIn(Scenes),
                         [](const auto& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace Vennicor::Graphics::Sdl::Testing
