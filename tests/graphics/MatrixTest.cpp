#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "graphics/Color.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"
#include "graphics/SpriteEffects.h"
#include "graphics/Vector2.h"

using namespace Vennicor::Graphics;

TEST(Matrix, IdentityLeavesPointsAlone) {
  EXPECT_EQ(Vector2::Transform({3.5F, -2}, Matrix::Identity()), (Vector2{3.5F, -2}));
}

TEST(Matrix, RotationZFollowsRowVectorConvention) {
  const Matrix r = Matrix::CreateRotationZ(std::numbers::pi_v<float> / 2);
  EXPECT_NEAR(r.M11, 0, 1e-6);
  EXPECT_NEAR(r.M12, 1, 1e-6);
  EXPECT_NEAR(r.M21, -1, 1e-6);
  EXPECT_NEAR(r.M22, 0, 1e-6);
  EXPECT_EQ(r.M33, 1);
  EXPECT_EQ(r.M44, 1);
  // With Y down the screen, +90° turns the X axis onto the Y axis: clockwise.
  const Vector2 p = Vector2::Transform({1, 0}, r);
  EXPECT_NEAR(p.X, 0, 1e-6);
  EXPECT_NEAR(p.Y, 1, 1e-6);
}

TEST(Matrix, MultiplyAppliesLeftThenRight) {
  const Matrix t = Matrix::CreateTranslation(10, 0, 0);
  const Matrix r = Matrix::CreateRotationZ(std::numbers::pi_v<float> / 2);
  const Vector2 translatedFirst = Vector2::Transform({1, 0}, Matrix::Multiply(t, r));
  EXPECT_NEAR(translatedFirst.X, 0, 1e-5);
  EXPECT_NEAR(translatedFirst.Y, 11, 1e-5);
  const Vector2 rotatedFirst = Vector2::Transform({1, 0}, r * t);
  EXPECT_NEAR(rotatedFirst.X, 10, 1e-5);
  EXPECT_NEAR(rotatedFirst.Y, 1, 1e-5);
}

TEST(Matrix, MultiplyMatchesHandComputedProduct) {
  Matrix a;
  Matrix b;
  float* pa = &a.M11;
  float* pb = &b.M11;
  for (int i = 0; i < 16; ++i) {
    pa[i] = static_cast<float>(i + 1);
    pb[i] = static_cast<float>(16 - i);
  }
  const Matrix p = Matrix::Multiply(a, b);
  // Row 1 of a (1 2 3 4) times columns of b (16 12 8 4), (15 11 7 3), ...
  EXPECT_EQ(p.M11, 1 * 16 + 2 * 12 + 3 * 8 + 4 * 4);
  EXPECT_EQ(p.M12, 1 * 15 + 2 * 11 + 3 * 7 + 4 * 3);
  EXPECT_EQ(p.M44, 13 * 13 + 14 * 9 + 15 * 5 + 16 * 1);
  EXPECT_EQ(p.M41, 13 * 16 + 14 * 12 + 15 * 8 + 16 * 4);
}

TEST(Vector2, TransformUsesRowsOneTwoAndFour) {
  Matrix m;
  m.M11 = 2;
  m.M12 = 3;
  m.M21 = 5;
  m.M22 = 7;
  m.M41 = 11;
  m.M42 = 13;
  m.M31 = 100;  // z is 0: the third row plays no part
  EXPECT_EQ(Vector2::Transform({1, 2}, m), (Vector2{1 * 2 + 2 * 5 + 11, 1 * 3 + 2 * 7 + 13}));
}

TEST(Vector2, ArithmeticIsComponentWise) {
  EXPECT_EQ((Vector2{1, 2} + Vector2{3, 4}), (Vector2{4, 6}));
  EXPECT_EQ((Vector2{1, 2} - Vector2{3, 5}), (Vector2{-2, -3}));
  EXPECT_EQ((Vector2{2, 3} * Vector2{4, 5}), (Vector2{8, 15}));
  EXPECT_EQ((Vector2{2, 3} * 2.0F), (Vector2{4, 6}));
}

TEST(Matrix, TranslationAndScaleByHand) {
  const Matrix t = Matrix::CreateTranslation(3, -4, 5);
  EXPECT_EQ(t.M41, 3);
  EXPECT_EQ(t.M42, -4);
  EXPECT_EQ(t.M43, 5);
  EXPECT_EQ(t.M44, 1);
  EXPECT_EQ(Vector2::Transform({1, 2}, t), (Vector2{4, -2}));
  EXPECT_EQ(Vector2::Transform({1, 2}, Matrix::CreateScale(2, -3, 7)), (Vector2{2, -6}));
  // Scale then translate, as a camera zooming and panning.
  EXPECT_EQ(Vector2::Transform({1, 2}, Matrix::CreateScale(2, 2, 1) * t), (Vector2{5, 0}));
  EXPECT_EQ(Vector2::Transform({1, 2}, t * Matrix::CreateScale(2, 2, 1)), (Vector2{8, -4}));
}

TEST(Matrix, IdentityIsNeutralInProducts) {
  const Matrix r = Matrix::CreateRotationZ(0.7F);
  EXPECT_EQ(Matrix::Multiply(Matrix::Identity(), r), r);
  EXPECT_EQ(Matrix::Multiply(r, Matrix::Identity()), r);
}

TEST(Matrix, RotationAboutAPivotByHand) {
  // Move the pivot (2, 1) to the origin, turn a quarter, move back: (3, 1) → (2, 2),
  // (2, 0) → (3, 1).
  const Matrix about = Matrix::CreateTranslation(-2, -1, 0) *
                       Matrix::CreateRotationZ(std::numbers::pi_v<float> / 2) *
                       Matrix::CreateTranslation(2, 1, 0);
  const Vector2 a = Vector2::Transform({3, 1}, about);
  const Vector2 b = Vector2::Transform({2, 0}, about);
  EXPECT_NEAR(a.X, 2, 1e-6);
  EXPECT_NEAR(a.Y, 2, 1e-6);
  EXPECT_NEAR(b.X, 3, 1e-6);
  EXPECT_NEAR(b.Y, 1, 1e-6);
  // 30°: cos = 0.8660254, sin = 0.5; (1, 0) → (cos, sin), (0, 1) → (−sin, cos).
  const Matrix r30 = Matrix::CreateRotationZ(std::numbers::pi_v<float> / 6);
  const Vector2 p = Vector2::Transform({2, 4}, r30);
  EXPECT_NEAR(p.X, 2 * 0.8660254 - 4 * 0.5, 1e-5);
  EXPECT_NEAR(p.Y, 2 * 0.5 + 4 * 0.8660254, 1e-5);
}

TEST(Color, ClampsEachChannelAndKeepsItsLayout) {
  EXPECT_EQ(Color(300, -5, 128, 1000), Color(255, 0, 128, 255));
  EXPECT_EQ(Color(1, 2, 3), Color(1, 2, 3, 255));
  EXPECT_EQ(Color(), Color(0, 0, 0, 0));
  const Color c(10, 20, 30, 40);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&c);
  EXPECT_EQ(bytes[0], 10);
  EXPECT_EQ(bytes[1], 20);
  EXPECT_EQ(bytes[2], 30);
  EXPECT_EQ(bytes[3], 40);
}

TEST(Color, FromNonPremultipliedClampsThenScalesByAlphaRoundingToNearest) {
  struct Case {
    int R, G, B, A;
    Color Expected;
  };
  const Case cases[] = {
      {10, 200, 255, 255, Color(10, 200, 255, 255)},  // opaque: unchanged
      {255, 128, 7, 0, Color(0, 0, 0, 0)},            // clear: transparent black
      {300, -5, 128, 1000, Color(255, 0, 128, 255)},  // clamped before scaling
      {400, 100, -1, 128, Color(128, 50, 0, 128)},   {255, 255, 255, -20, Color(0, 0, 0, 0)},
      {1, 2, 3, 128, Color(1, 1, 2, 128)},  // 0.502, 1.004, 1.506
      {1, 1, 1, 127, Color(0, 0, 0, 127)},  // 0.498
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.R << ", " << c.G << ", " << c.B << ", " << c.A);
    EXPECT_EQ(Color::FromNonPremultiplied(c.R, c.G, c.B, c.A), c.Expected);
  }
  // Every channel and alpha: the nearest byte to c · a / 255 (never a tie).
  for (int a = 0; a < 256; ++a) {
    for (int v = 0; v < 256; ++v) {
      const auto nearest = static_cast<int>(std::lround(v * a / 255.0));
      ASSERT_EQ(Color::FromNonPremultiplied(v, 0, 255, a), Color(nearest, 0, a, a))
          << v << ", " << a;
    }
  }
  static_assert(Color::FromNonPremultiplied(255, 0, 0, 128) == Color(128, 0, 0, 128));
}

TEST(Rectangle, InsideTestsDoNotOverflow) {
  EXPECT_TRUE((Rectangle{0, 0, 4, 3}.IsInside(4, 3)));
  EXPECT_TRUE((Rectangle{4, 3, 0, 0}.IsInside(4, 3)));
  EXPECT_FALSE((Rectangle{1, 0, 4, 3}.IsInside(4, 3)));
  EXPECT_FALSE((Rectangle{2, 0, 2147483647, 1}.IsInside(4, 3)));
  EXPECT_FALSE((Rectangle{0, 0, -1, 1}.IsInside(4, 3)));
}

TEST(SpriteEffects, FlagsCombine) {
  const SpriteEffects both = SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically;
  EXPECT_EQ(static_cast<int>(both), 3);
  EXPECT_TRUE(HasFlag(both, SpriteEffects::FlipVertically));
  EXPECT_FALSE(HasFlag(SpriteEffects::FlipHorizontally, SpriteEffects::FlipVertically));
  EXPECT_EQ(both & SpriteEffects::FlipHorizontally, SpriteEffects::FlipHorizontally);
}
