// What the software device draws for sprites queued through a SpriteBatch, pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "graphics/software/SpriteRasterizer.h"
#include "tests/support/GraphicsTestDoubles.h"

using namespace Vennicor::Graphics;
using Software::SoftwareGraphicsDevice;

namespace {

const Color Background(11, 22, 33, 44);

// Six distinct texels, some translucent (premultiplied):   A B C
//                                                           D E F
const std::vector<Color> Texels6 = {Color(255, 0, 0, 255), Color(0, 255, 0, 255),
                                    Color(0, 0, 255, 255), Color(100, 100, 0, 128),
                                    Color(10, 20, 30, 40), Color(255, 255, 255, 255)};
enum Texel { A, B, C, D, E, F };

struct Placement {
  int X, Y;
  int TexelIndex;
};

class SoftwareRenderingTest : public ::testing::Test {
 protected:
  std::shared_ptr<Texture2D> MakeTexture(std::int32_t width, std::int32_t height,
                                         const std::vector<Color>& texels) {
    auto texture = device.CreateTexture2D(width, height, false, SurfaceFormat::Color);
    texture->SetData(texels);
    return texture;
  }

  void DrawOne(const std::shared_ptr<Texture2D>& texture, Vector2 position,
               std::optional<Rectangle> source, Color tint, float rotation, Vector2 origin,
               Vector2 scale, SpriteEffects effects = SpriteEffects::None,
               SamplerState sampler = SamplerState::PointClamp,
               BlendState blend = BlendState::Opaque) {
    batch.Begin(SpriteSortMode::Deferred, blend, sampler);
    batch.Draw(texture, position, source, tint, rotation, origin, scale, effects, 0);
    batch.End();
  }

  // Every listed pixel shows its texel (drawn opaque), every other pixel the background.
  void ExpectPixels(const std::vector<Placement>& expected, const std::vector<Color>& texels) {
    std::vector<Color> want(device.BackBuffer().size(), Background);
    for (const Placement& p : expected) {
      want[static_cast<std::size_t>(p.Y * device.BackBufferWidth() + p.X)] =
          texels[static_cast<std::size_t>(p.TexelIndex)];
    }
    for (std::int32_t y = 0; y < device.BackBufferHeight(); ++y) {
      for (std::int32_t x = 0; x < device.BackBufferWidth(); ++x) {
        const Color w = want[static_cast<std::size_t>(y * device.BackBufferWidth() + x)];
        const Color got = device.GetPixel(x, y);
        EXPECT_EQ(got, w) << "pixel (" << x << ", " << y << "): got " << int{got.R} << ","
                          << int{got.G} << "," << int{got.B} << "," << int{got.A};
      }
    }
  }

  SoftwareGraphicsDevice device{12, 10};
  SpriteBatch batch{device};

  void SetUp() override { device.Clear(Background); }
};

class SpritePlacementTest : public SoftwareRenderingTest,
                            public ::testing::WithParamInterface<SamplerState> {};

// Texel centres land on pixel centres in all of these, so both samplers read single texels.
TEST_P(SpritePlacementTest, WholePixelSpritesShowTheirTexelsExactly) {
  const auto texture = MakeTexture(3, 2, Texels6);
  struct Case {
    const char* Name;
    Vector2 Position;
    std::optional<Rectangle> Source;
    float Rotation;
    Vector2 Origin;
    Vector2 Scale;
    SpriteEffects Effects;
    std::vector<Placement> Expected;
  };
  const float quarter = std::numbers::pi_v<float> / 2;
  const std::vector<Case> cases = {
      {"plain",
       {5, 4},
       std::nullopt,
       0,
       {},
       {1, 1},
       SpriteEffects::None,
       {{5, 4, A}, {6, 4, B}, {7, 4, C}, {5, 5, D}, {6, 5, E}, {7, 5, F}}},
      {"source rectangle",
       {0, 0},
       Rectangle{1, 0, 2, 2},
       0,
       {},
       {1, 1},
       SpriteEffects::None,
       {{0, 0, B}, {1, 0, C}, {0, 1, E}, {1, 1, F}}},
      {"clipped at the top-left",
       {-1, -1},
       std::nullopt,
       0,
       {},
       {1, 1},
       SpriteEffects::None,
       {{0, 0, E}, {1, 0, F}}},
      {"clipped at the bottom-right",
       {10, 9},
       std::nullopt,
       0,
       {},
       {1, 1},
       SpriteEffects::None,
       {{10, 9, A}, {11, 9, B}}},
      {"origin",
       {5, 4},
       std::nullopt,
       0,
       {2, 1},
       {1, 1},
       SpriteEffects::None,
       {{3, 3, A}, {4, 3, B}, {5, 3, C}, {3, 4, D}, {4, 4, E}, {5, 4, F}}},
      {"flip horizontally",
       {2, 2},
       std::nullopt,
       0,
       {},
       {1, 1},
       SpriteEffects::FlipHorizontally,
       {{2, 2, C}, {3, 2, B}, {4, 2, A}, {2, 3, F}, {3, 3, E}, {4, 3, D}}},
      {"flip vertically",
       {2, 2},
       std::nullopt,
       0,
       {},
       {1, 1},
       SpriteEffects::FlipVertically,
       {{2, 2, D}, {3, 2, E}, {4, 2, F}, {2, 3, A}, {3, 3, B}, {4, 3, C}}},
      {"flip both ways",
       {2, 2},
       std::nullopt,
       0,
       {},
       {1, 1},
       SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically,
       {{2, 2, F}, {3, 2, E}, {4, 2, D}, {2, 3, C}, {3, 3, B}, {4, 3, A}}},
      {"flipped source rectangle",
       {0, 0},
       Rectangle{1, 0, 2, 2},
       0,
       {},
       {1, 1},
       SpriteEffects::FlipHorizontally,
       {{0, 0, C}, {1, 0, B}, {0, 1, F}, {1, 1, E}}},
      {"negative scale mirrors about the position",
       {5, 0},
       std::nullopt,
       0,
       {},
       {-1, 1},
       SpriteEffects::None,
       {{4, 0, A}, {3, 0, B}, {2, 0, C}, {4, 1, D}, {3, 1, E}, {2, 1, F}}},
      // Clockwise quarter turn about the top-left corner: texel (i, j) → pixel (4 − j, 1 + i).
      {"quarter turn",
       {5, 1},
       std::nullopt,
       quarter,
       {},
       {1, 1},
       SpriteEffects::None,
       {{4, 1, A}, {4, 2, B}, {4, 3, C}, {3, 1, D}, {3, 2, E}, {3, 3, F}}},
      // About origin (1, 1): texel (i, j) → pixel (5 − j, 4 + i).
      {"quarter turn about an origin",
       {5, 5},
       std::nullopt,
       quarter,
       {1, 1},
       {1, 1},
       SpriteEffects::None,
       {{5, 4, A}, {5, 5, B}, {5, 6, C}, {4, 4, D}, {4, 5, E}, {4, 6, F}}},
      {"half turn",
       {6, 6},
       std::nullopt,
       2 * quarter,
       {},
       {1, 1},
       SpriteEffects::None,
       {{5, 5, A}, {4, 5, B}, {3, 5, C}, {5, 4, D}, {4, 4, E}, {3, 4, F}}},
      {"three quarter turn, flipped",
       {1, 5},
       std::nullopt,
       3 * quarter,
       {},
       {1, 1},
       SpriteEffects::FlipVertically,
       // Unflipped, texel (i, j) → pixel (1 + j, 4 − i); flipping swaps the rows.
       {{2, 4, A}, {2, 3, B}, {2, 2, C}, {1, 4, D}, {1, 3, E}, {1, 2, F}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    device.Clear(Background);
    DrawOne(texture, c.Position, c.Source, Color::White(), c.Rotation, c.Origin, c.Scale, c.Effects,
            GetParam());
    ExpectPixels(c.Expected, Texels6);
  }
}

TEST_P(SpritePlacementTest, ScaleTwoCoversTwiceTheArea) {
  const auto texture = MakeTexture(3, 2, Texels6);
  DrawOne(texture, {1, 1}, std::nullopt, Color::White(), 0, {}, {2, 2}, SpriteEffects::None,
          GetParam());
  if (GetParam() == SamplerState::PointClamp) {
    std::vector<Placement> expected;
    for (int j = 0; j < 4; ++j) {
      for (int i = 0; i < 6; ++i) expected.push_back({1 + i, 1 + j, (j / 2) * 3 + i / 2});
    }
    ExpectPixels(expected, Texels6);
    return;
  }
  // Linear filtering blends neighbours, but the covered area is the same 6 × 4 block and the
  // corner pixels, clamped at the edge, read their corner texels.
  for (std::int32_t y = 0; y < device.BackBufferHeight(); ++y) {
    for (std::int32_t x = 0; x < device.BackBufferWidth(); ++x) {
      const bool inside = x >= 1 && x < 7 && y >= 1 && y < 5;
      EXPECT_EQ(device.GetPixel(x, y) != Background, inside) << x << ", " << y;
    }
  }
  EXPECT_EQ(device.GetPixel(1, 1), Texels6[A]);
  EXPECT_EQ(device.GetPixel(6, 4), Texels6[F]);
}

INSTANTIATE_TEST_SUITE_P(Samplers, SpritePlacementTest,
                         ::testing::Values(SamplerState::PointClamp, SamplerState::LinearClamp),
                         [](const auto& testCase) {
                           return testCase.param == SamplerState::PointClamp ? "Point" : "Linear";
                         });

TEST_F(SoftwareRenderingTest, LinearFilteringWeighsTexelCentres) {
  // Two texels stretched over four pixels: centres at u = 0.25, 0.75, 1.25, 1.75 weigh the
  // texels 1:0 (clamped), 3:1, 1:3, 0:1.
  const auto texture = MakeTexture(2, 1, {Color(0, 0, 0, 255), Color(255, 255, 255, 255)});
  DrawOne(texture, {0, 0}, std::nullopt, Color::White(), 0, {}, {2, 1}, SpriteEffects::None,
          SamplerState::LinearClamp);
  const int expected[] = {0, 64, 191, 255};  // 255 × 0.25 = 63.75, 255 × 0.75 = 191.25
  for (int x = 0; x < 4; ++x) EXPECT_EQ(device.GetPixel(x, 0).R, expected[x]) << x;
  EXPECT_EQ(device.GetPixel(4, 0), Background);
}

TEST_F(SoftwareRenderingTest, SourceOutsideTheTextureClampsToItsEdge) {
  const auto texture = MakeTexture(3, 2, Texels6);
  for (const auto sampler : {SamplerState::PointClamp, SamplerState::LinearClamp}) {
    device.Clear(Background);
    DrawOne(texture, {0, 0}, Rectangle{-1, 1, 5, 2}, Color::White(), 0, {}, {1, 1},
            SpriteEffects::None, sampler);
    ExpectPixels({{0, 0, D},
                  {1, 0, D},
                  {2, 0, E},
                  {3, 0, F},
                  {4, 0, F},  // row 1
                  {0, 1, D},
                  {1, 1, D},
                  {2, 1, E},
                  {3, 1, F},
                  {4, 1, F}},  // below: row 1 again
                 Texels6);
  }
  // Texel coordinates beyond any integer: still the edge texel, never a stray read.
  device.Clear(Background);
  // (As floats, both ends of this source round to 2^31.)
  DrawOne(texture, {0, 0}, Rectangle{2'147'483'600, 0, 40, 1}, Color::White(), 0, {}, {0.3F, 1},
          SpriteEffects::None, SamplerState::PointClamp);
  EXPECT_EQ(device.GetPixel(0, 0), Texels6[C]);
  EXPECT_EQ(device.GetPixel(11, 0), Texels6[C]);
}

TEST_F(SoftwareRenderingTest, TintMultipliesEachChannel) {
  const auto texture = MakeTexture(1, 1, {Color(200, 100, 50, 255)});
  DrawOne(texture, {0, 0}, std::nullopt, Color(128, 255, 0, 255), 0, {}, {1, 1});
  EXPECT_EQ(device.GetPixel(0, 0), Color(100, 100, 0, 255));  // 200 × 128 / 255 = 100.4
  // A translucent (premultiplied) tint makes an opaque white texel translucent.
  device.Clear(Color(0, 0, 255, 255));
  DrawOne(texture, {0, 0}, std::nullopt, Color(128, 128, 128, 128), 0, {}, {1, 1},
          SpriteEffects::None, SamplerState::PointClamp, BlendState::AlphaBlend);
  // src (100.4, 50.2, 25.1, 128) + dst (0, 0, 255, 255) × 127/255
  EXPECT_EQ(device.GetPixel(0, 0), Color(100, 50, 152, 255));
}

TEST_F(SoftwareRenderingTest, BlendStatesCombineSourceAndTarget) {
  struct Case {
    BlendState Blend;
    Color Source;
    Color Target;
    Color Expected;
  };
  const Color dst(40, 80, 120, 200);
  const Case cases[] = {
      // Premultiplied: src + dst × (1 − 128/255).
      {BlendState::AlphaBlend, Color(100, 50, 0, 128), dst, Color(120, 90, 60, 228)},
      {BlendState::AlphaBlend, Color(128, 0, 0, 128), Color(0, 0, 255, 255),
       Color(128, 0, 127, 255)},
      {BlendState::AlphaBlend, Color(0, 0, 0, 0), dst, dst},
      {BlendState::AlphaBlend, Color(9, 8, 7, 255), dst, Color(9, 8, 7, 255)},
      {BlendState::AlphaBlend, Color(60, 0, 0, 0), dst, Color(100, 80, 120, 200)},  // additive
      // Straight alpha: src × a + dst × (1 − a).
      {BlendState::NonPremultiplied, Color(100, 50, 0, 128), dst, Color(70, 65, 60, 164)},
      {BlendState::NonPremultiplied, Color(200, 200, 200, 0), dst, dst},
      // src × a + dst, saturating.
      {BlendState::Additive, Color(100, 50, 0, 128), dst, Color(90, 105, 120, 255)},
      {BlendState::Additive, Color(200, 200, 200, 255), dst, Color(240, 255, 255, 255)},
      {BlendState::Opaque, Color(100, 50, 0, 128), dst, Color(100, 50, 0, 128)},
      {BlendState::Opaque, Color(0, 0, 0, 0), dst, Color(0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Blend));
    const auto texture = MakeTexture(1, 1, {c.Source});
    // Once through the whole-texel path, once scaled through the general one.
    for (const float scale : {1.0F, 1.5F}) {
      device.Clear(c.Target);
      DrawOne(texture, {0, 0}, std::nullopt, Color::White(), 0, {}, {scale, scale},
              SpriteEffects::None, SamplerState::LinearClamp, c.Blend);
      EXPECT_EQ(device.GetPixel(0, 0), c.Expected) << "scale " << scale;
      EXPECT_EQ(device.GetPixel(2, 2), c.Target);
    }
  }
}

TEST_F(SoftwareRenderingTest, HalfPixelPositionsCoverExactlyTheSpriteSize) {
  // An edge through pixel centres: the left and top edges take those pixels, the right and
  // bottom edges leave them, so a sprite n texels wide always covers n pixels.
  SoftwareGraphicsDevice wide(80, 80);
  SpriteBatch wideBatch(wide);
  for (std::int32_t size = 1; size <= 70; ++size) {
    SCOPED_TRACE(size);
    const auto texture = wide.CreateTexture2D(size, size, false, SurfaceFormat::Color);
    texture->SetData(std::vector<Color>(static_cast<std::size_t>(size * size), Color::White()));
    for (const float at : {0.5F, 3.5F}) {
      wide.Clear(Color());
      wideBatch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::PointClamp);
      wideBatch.Draw(texture, {at, at}, Color::White());
      wideBatch.End();
      const auto first = static_cast<std::int32_t>(at - 0.5F);
      for (std::int32_t i = 0; i < 80; ++i) {
        const bool inside = i >= first && i < first + size;
        ASSERT_EQ(wide.GetPixel(i, first) == Color::White(), inside) << "column " << i;
        ASSERT_EQ(wide.GetPixel(first, i) == Color::White(), inside) << "row " << i;
      }
    }
  }
}

// Coverage by the textbook rule, written independently of the rasterizer: a pixel centre is
// inside when it is on the inner side of all four edges, or on an edge that is a left edge
// (or a top edge, when horizontal).
bool ReferenceCovers(const SpriteQuad& q, double px, double py, bool& onEdge) {
  const Vector2 loop[] = {q.TopLeft, q.TopRight, q.BottomRight, q.BottomLeft};
  const double area = (static_cast<double>(q.TopRight.X) - q.TopLeft.X) *
                          (static_cast<double>(q.BottomLeft.Y) - q.TopLeft.Y) -
                      (static_cast<double>(q.TopRight.Y) - q.TopLeft.Y) *
                          (static_cast<double>(q.BottomLeft.X) - q.TopLeft.X);
  if (area == 0) return false;
  const double orientation = area > 0 ? 1 : -1;
  for (int i = 0; i < 4; ++i) {
    const Vector2 a = loop[i];
    const Vector2 b = loop[(i + 1) % 4];
    const double dx = static_cast<double>(b.X) - a.X;
    const double dy = static_cast<double>(b.Y) - a.Y;
    const double e = orientation * (dx * (py - a.Y) - dy * (px - a.X));
    const double normalX = -dy * orientation;
    const double normalY = dx * orientation;
    const bool topLeft = normalX > 0 || (normalX == 0 && normalY > 0);
    if (e == 0) onEdge = true;
    if (e < 0 || (e == 0 && !topLeft)) return false;
  }
  return true;
}

SpriteQuad Parallelogram(Vector2 topLeft, Vector2 alongX, Vector2 alongY) {
  SpriteQuad quad;
  quad.TopLeft = topLeft;
  quad.TopRight = topLeft + alongX;
  quad.BottomLeft = topLeft + alongY;
  quad.BottomRight = topLeft + alongX + alongY;
  quad.Tint = Color::White();
  return quad;
}

constexpr std::int32_t Edge = 16;

TEST(SpriteRasterizer, CoverageFollowsTheTopLeftRuleForAnyParallelogram) {
  // Corners on a quarter-pixel grid put many pixel centres exactly on edges; all arithmetic on
  // them is exact, so the rasterizer must agree with the reference on every pixel. Splitting a
  // quad in two along a midline must neither overlap nor leave a gap.
  std::mt19937 random(12345);
  const auto grid = [&](int low, int high) {
    return static_cast<float>(std::uniform_int_distribution<int>(low * 4, high * 4)(random)) / 4;
  };
  const Color texel(50, 50, 50, 255);
  std::vector<Color> whole(Edge * Edge);
  std::vector<Color> halves(Edge * Edge);
  int onEdges = 0;
  for (int round = 0; round < 3000; ++round) {
    Vector2 alongX{grid(-12, 12), grid(-12, 12)};
    Vector2 alongY{grid(-12, 12), grid(-12, 12)};
    if (round % 3 == 0) {  // axis-aligned, possibly mirrored
      alongX.Y = 0;
      alongY.X = 0;
    }
    if (round % 7 == 0) std::swap(alongX, alongY);  // mirrored orientation
    const SpriteQuad quad = Parallelogram({grid(-4, 18), grid(-4, 18)}, alongX, alongY);
    SpriteQuad first = Parallelogram(quad.TopLeft, alongX * 0.5F, alongY);
    SpriteQuad second = Parallelogram(quad.TopLeft + alongX * 0.5F, alongX * 0.5F, alongY);
    // A texture as big as the quad when it is whole-pixel aligned, so that the fast path for
    // unscaled sprites is exercised too; else one texel stretched.
    const bool wholePixels =
        alongX.Y == 0 && alongY.X == 0 && std::floor(alongX.X) == alongX.X &&
        std::floor(alongY.Y) == alongY.Y && std::floor(quad.TopLeft.X) == quad.TopLeft.X &&
        std::floor(quad.TopLeft.Y) == quad.TopLeft.Y && alongX.X != 0 && alongY.Y != 0;
    const std::int32_t texWidth = wholePixels ? static_cast<std::int32_t>(std::abs(alongX.X)) : 1;
    const std::int32_t texHeight = wholePixels ? static_cast<std::int32_t>(std::abs(alongY.Y)) : 1;
    const std::vector<Color> texels(static_cast<std::size_t>(texWidth * texHeight), texel);
    const Software::RasterSource source{texels, texWidth, texHeight};
    SpriteQuad textured = quad;
    textured.TexBottomRight = {static_cast<float>(texWidth), static_cast<float>(texHeight)};
    if (round % 2 == 0) std::swap(textured.TexTopLeft.X, textured.TexBottomRight.X);
    first.TexBottomRight = second.TexBottomRight = {1, 1};

    std::fill(whole.begin(), whole.end(), Color());
    std::fill(halves.begin(), halves.end(), Color());
    const SpriteRenderState additive{BlendState::Additive, SamplerState::PointClamp};
    Software::DrawSpriteQuad({whole, Edge, Edge}, source, textured, additive);
    const std::vector<Color> one{texel};
    Software::DrawSpriteQuad({halves, Edge, Edge}, {one, 1, 1}, first, additive);
    Software::DrawSpriteQuad({halves, Edge, Edge}, {one, 1, 1}, second, additive);

    for (std::int32_t y = 0; y < Edge; ++y) {
      for (std::int32_t x = 0; x < Edge; ++x) {
        const double px = x + 0.5;
        const double py = y + 0.5;
        bool onEdge = false;
        const bool expected = ReferenceCovers(quad, px, py, onEdge);
        if (onEdge) ++onEdges;
        const std::size_t i = static_cast<std::size_t>(y * Edge + x);
        ASSERT_EQ(whole[i].R, expected ? 50 : 0)
            << "round " << round << " pixel (" << x << ", " << y << ")";
        ASSERT_EQ(halves[i].R, whole[i].R)
            << "split quad, round " << round << " pixel (" << x << ", " << y << ")";
      }
    }
  }
  EXPECT_GT(onEdges, 1000) << "the grid should put pixel centres on edges";
}

TEST_F(SoftwareRenderingTest, DegenerateAndNonFiniteQuadsDrawNothing) {
  const std::vector<Color> white{Color::White()};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<Color> pixels(16, Background);
  const Software::RasterTarget target{pixels, 4, 4};
  const SpriteRenderState state{};
  struct Case {
    const char* Name;
    SpriteQuad Quad;
  };
  SpriteQuad texNan = Parallelogram({0, 0}, {4, 0}, {0, 4});
  texNan.TexBottomRight = {nan, 1};
  SpriteQuad texInf = Parallelogram({0, 0}, {4, 0}, {0, 4});
  texInf.TexTopLeft = {-inf, 0};
  const Case cases[] = {
      {"zero width", Parallelogram({1, 1}, {0, 0}, {0, 3})},
      {"collinear", Parallelogram({0, 0}, {2, 2}, {1, 1})},
      {"NaN corner", Parallelogram({nan, 0}, {4, 0}, {0, 4})},
      {"NaN edge", Parallelogram({0, 0}, {4, nan}, {0, 4})},
      {"infinite corner", Parallelogram({0, 0}, {inf, 0}, {0, 4})},
      {"infinite everything", Parallelogram({-inf, -inf}, {inf, 0}, {0, inf})},
      {"NaN texel coordinate", texNan},
      {"infinite texel coordinate", texInf},
      {"far away", Parallelogram({-1e30F, 1e30F}, {5, 1}, {-1, 5})},
      {"just off the right", Parallelogram({4, 0}, {3, 0}, {0, 4})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::fill(pixels.begin(), pixels.end(), Background);
    Software::DrawSpriteQuad(target, {white, 1, 1}, c.Quad, state);
    EXPECT_EQ(pixels, std::vector<Color>(16, Background));
  }
}

TEST_F(SoftwareRenderingTest, HugeQuadsAreClippedToTheTarget) {
  const std::vector<Color> texels{Color(1, 2, 3, 255), Color(4, 5, 6, 255)};
  std::vector<Color> pixels(16, Background);
  const Software::RasterTarget target{pixels, 4, 4};
  // A turned quad far larger than the target, its corners near the float range's end: every
  // pixel is inside and samples the left texel (u is about 0.51 here).
  SpriteQuad quad = Parallelogram({-1e30F, -1e30F}, {2e30F, 1e29F}, {-1e29F, 4e30F});
  quad.TexBottomRight = {1, 1};
  const SpriteRenderState opaque{BlendState::Opaque, SamplerState::PointClamp};
  Software::DrawSpriteQuad(target, {texels, 2, 1}, quad, opaque);
  EXPECT_EQ(pixels, std::vector<Color>(16, texels[0]));
  // A long thin diagonal only touches the pixels along it.
  std::fill(pixels.begin(), pixels.end(), Background);
  quad = Parallelogram({-1e6F, -1e6F}, {2e6F + 1, 2e6F}, {-0.5F, 0.5F});
  Software::DrawSpriteQuad(target, {texels, 2, 1}, quad, opaque);
  for (std::int32_t y = 0; y < 4; ++y) {
    for (std::int32_t x = 0; x < 4; ++x) {
      EXPECT_EQ(pixels[static_cast<std::size_t>(y * 4 + x)] != Background, x == y) << x << y;
    }
  }
}

TEST_F(SoftwareRenderingTest, TextureDroppedAfterDrawStillDrawsAtEnd) {
  auto texture = MakeTexture(3, 2, Texels6);
  batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::PointClamp);
  batch.Draw(texture, Vector2{1, 1}, Color::White());
  texture.reset();
  // A new texture in the dropped one's place must not change what was queued.
  texture = MakeTexture(3, 2, std::vector<Color>(6, Color(1, 1, 1, 1)));
  EXPECT_EQ(device.GetPixel(1, 1), Background);
  batch.End();
  ExpectPixels({{1, 1, A}, {2, 1, B}, {3, 1, C}, {1, 2, D}, {2, 2, E}, {3, 2, F}}, Texels6);
}

TEST_F(SoftwareRenderingTest, ImmediateModeDrawsBeforeEnd) {
  const auto texture = MakeTexture(3, 2, Texels6);
  batch.Begin(SpriteSortMode::Immediate, BlendState::Opaque, SamplerState::PointClamp);
  batch.Draw(texture, Vector2{0, 0}, Color::White());
  EXPECT_EQ(device.GetPixel(0, 0), Texels6[A]);
  // Later sprites draw over earlier ones, in call order.
  batch.Draw(texture, Vector2{-1, 0}, Color::White());
  EXPECT_EQ(device.GetPixel(0, 0), Texels6[B]);
  batch.End();
}

TEST_F(SoftwareRenderingTest, DepthSortDecidesWhichSpriteEndsOnTop) {
  const auto red = MakeTexture(1, 1, {Color(255, 0, 0, 255)});
  const auto blue = MakeTexture(1, 1, {Color(0, 0, 255, 255)});
  for (const auto mode : {SpriteSortMode::BackToFront, SpriteSortMode::FrontToBack}) {
    batch.Begin(mode);
    batch.Draw(red, {0, 0}, std::nullopt, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0.2F);
    batch.Draw(blue, {0, 0}, std::nullopt, Color::White(), 0, {}, {1, 1}, SpriteEffects::None,
               0.8F);
    batch.End();
    // Back to front draws the larger depth first, so the smaller depth ends on top.
    EXPECT_EQ(device.GetPixel(0, 0),
              mode == SpriteSortMode::BackToFront ? Color(255, 0, 0, 255) : Color(0, 0, 255, 255));
  }
}

TEST_F(SoftwareRenderingTest, DisposedTextureDrawsNothing) {
  const auto texture = MakeTexture(3, 2, Texels6);
  batch.Begin();
  batch.Draw(texture, Vector2{0, 0}, Color::White());
  texture->Dispose();
  EXPECT_NO_THROW(batch.End());
  ExpectPixels({}, Texels6);
}

TEST_F(SoftwareRenderingTest, ForeignTextureIsRejectedBeforeAnythingIsDrawn) {
  const auto own = MakeTexture(3, 2, Texels6);
  Testing::RecordingDevice otherDevice;
  const auto foreign = otherDevice.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  batch.Begin();
  batch.Draw(own, Vector2{0, 0}, Color::White());
  batch.Draw(foreign, Vector2{5, 5}, Color::White());
  EXPECT_THROW(batch.End(), std::invalid_argument);
  ExpectPixels({}, Texels6);
  EXPECT_FALSE(batch.IsInBeginEndPair());
}

TEST_F(SoftwareRenderingTest, BackBufferAccess) {
  device.Clear(Color(1, 2, 3, 4));
  EXPECT_EQ(device.GetPixel(11, 9), Color(1, 2, 3, 4));
  EXPECT_EQ(device.BackBuffer().size(), 120U);
  EXPECT_THROW((void)device.GetPixel(12, 0), std::out_of_range);
  EXPECT_THROW((void)device.GetPixel(0, 10), std::out_of_range);
  EXPECT_THROW((void)device.GetPixel(-1, 0), std::out_of_range);
}

}  // namespace
