#include <gtest/gtest.h>

#include <numbers>
#include <stdexcept>
#include <type_traits>

#include "graphics/SpriteBatch.h"
#include "tests/support/GraphicsTestDoubles.h"

using namespace Vennicor::Graphics;
using Vennicor::Graphics::Testing::RecordedDraw;
using Vennicor::Graphics::Testing::RecordingDevice;

static_assert(!std::is_copy_constructible_v<SpriteBatch>);
static_assert(!std::is_copy_assignable_v<SpriteBatch>);

namespace {

void ExpectNear(Vector2 actual, Vector2 expected) {
  EXPECT_NEAR(actual.X, expected.X, 1e-4) << "X of (" << actual.X << ", " << actual.Y << ")";
  EXPECT_NEAR(actual.Y, expected.Y, 1e-4) << "Y of (" << actual.X << ", " << actual.Y << ")";
}

class SpriteBatchTest : public ::testing::Test {
 protected:
  // Draws one sprite of the 10 × 20 texture and returns the quad the device received.
  SpriteQuad DrawOne(Vector2 position, std::optional<Rectangle> source, float rotation,
                     Vector2 origin, Vector2 scale, SpriteEffects effects = SpriteEffects::None,
                     std::optional<Matrix> transform = std::nullopt) {
    device.Draws.clear();
    batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
                transform);
    batch.Draw(texture, position, source, Color(10, 20, 30, 40), rotation, origin, scale, effects,
               0.5F);
    batch.End();
    EXPECT_EQ(device.Draws.size(), 1U);
    EXPECT_EQ(device.Draws.at(0).Quads.size(), 1U);
    return device.Draws.at(0).Quads.at(0);
  }

  // Queues one sprite a texture and depth, tagged through its tint's red channel.
  void Queue(const std::shared_ptr<Texture2D>& t, int tag, float depth) {
    batch.Draw(t, {0, 0}, std::nullopt, Color(tag, 0, 0, 255), 0, {}, {1, 1}, SpriteEffects::None,
               depth);
  }

  std::vector<int> DrawnTags() const {
    std::vector<int> tags;
    for (const RecordedDraw& draw : device.Draws) {
      for (const SpriteQuad& quad : draw.Quads) tags.push_back(quad.Tint.R);
    }
    return tags;
  }

  RecordingDevice device;
  SpriteBatch batch{device};
  std::shared_ptr<Texture2D> texture = device.CreateTexture2D(10, 20, false, SurfaceFormat::Color);
};

TEST_F(SpriteBatchTest, PlainSpriteCoversItsSourceAtItsPosition) {
  const SpriteQuad quad = DrawOne({5, 7}, Rectangle{2, 3, 4, 6}, 0, {}, {1, 1});
  EXPECT_EQ(quad.Texture, texture.get());
  EXPECT_EQ(quad.TopLeft, (Vector2{5, 7}));
  EXPECT_EQ(quad.TopRight, (Vector2{9, 7}));
  EXPECT_EQ(quad.BottomLeft, (Vector2{5, 13}));
  EXPECT_EQ(quad.BottomRight, (Vector2{9, 13}));
  EXPECT_EQ(quad.TexTopLeft, (Vector2{2, 3}));
  EXPECT_EQ(quad.TexBottomRight, (Vector2{6, 9}));
  EXPECT_EQ(quad.Tint, Color(10, 20, 30, 40));
  EXPECT_EQ(quad.Depth, 0.5F);
}

TEST_F(SpriteBatchTest, NoSourceRectangleMeansTheWholeTexture) {
  const SpriteQuad quad = DrawOne({0, 0}, std::nullopt, 0, {}, {1, 1});
  EXPECT_EQ(quad.TexTopLeft, (Vector2{0, 0}));
  EXPECT_EQ(quad.TexBottomRight, (Vector2{10, 20}));
  EXPECT_EQ(quad.BottomRight, (Vector2{10, 20}));
}

TEST_F(SpriteBatchTest, OriginIsInSourceTexelsAndScalesWithTheSprite) {
  // Origin (1, 2) of a 4 × 6 source, scale (2, 3): the box starts 2 left and 6 up of position.
  const SpriteQuad quad = DrawOne({20, 30}, Rectangle{0, 0, 4, 6}, 0, {1, 2}, {2, 3});
  EXPECT_EQ(quad.TopLeft, (Vector2{18, 24}));
  EXPECT_EQ(quad.BottomRight, (Vector2{26, 42}));
}

TEST_F(SpriteBatchTest, RotationTurnsClockwiseAboutTheOrigin) {
  // 4 × 6 source, origin (1, 2), +90°: offsets (x, y) from the origin become (−y, x).
  const SpriteQuad quad =
      DrawOne({20, 30}, Rectangle{0, 0, 4, 6}, std::numbers::pi_v<float> / 2, {1, 2}, {1, 1});
  ExpectNear(quad.TopLeft, {20 + 2, 30 - 1});     // offset (−1, −2)
  ExpectNear(quad.TopRight, {20 + 2, 30 + 3});    // offset (3, −2)
  ExpectNear(quad.BottomLeft, {20 - 4, 30 - 1});  // offset (−1, 4)
  ExpectNear(quad.BottomRight, {20 - 4, 30 + 3});
}

TEST_F(SpriteBatchTest, ScaledRotationUsesScaledOffsets) {
  // 180° with scale 2: the offset (−origin × scale) = (−2, −4) turns to (2, 4).
  const SpriteQuad quad =
      DrawOne({0, 0}, Rectangle{0, 0, 4, 6}, std::numbers::pi_v<float>, {1, 2}, {2, 2});
  ExpectNear(quad.TopLeft, {2, 4});
  ExpectNear(quad.BottomRight, {2 - 8, 4 - 12});
}

TEST_F(SpriteBatchTest, FlipsSwapTexelCoordinatesNotCorners) {
  struct Case {
    SpriteEffects Effects;
    Vector2 TexTopLeft;
    Vector2 TexBottomRight;
  };
  const Case cases[] = {
      {SpriteEffects::FlipHorizontally, {6, 3}, {2, 9}},
      {SpriteEffects::FlipVertically, {2, 9}, {6, 3}},
      {SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically, {6, 9}, {2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Effects));
    const SpriteQuad quad = DrawOne({5, 7}, Rectangle{2, 3, 4, 6}, 0, {}, {1, 1}, c.Effects);
    EXPECT_EQ(quad.TopLeft, (Vector2{5, 7}));
    EXPECT_EQ(quad.BottomRight, (Vector2{9, 13}));
    EXPECT_EQ(quad.TexTopLeft, c.TexTopLeft);
    EXPECT_EQ(quad.TexBottomRight, c.TexBottomRight);
  }
}

TEST_F(SpriteBatchTest, TransformMatrixAppliesToEveryCornerAfterPlacement) {
  // Camera: scale by 2, then move by (100, 50).
  const Matrix camera =
      Matrix::Multiply(Matrix::CreateScale(2, 2, 1), Matrix::CreateTranslation(100, 50, 0));
  const SpriteQuad quad =
      DrawOne({5, 7}, Rectangle{0, 0, 4, 6}, 0, {}, {1, 1}, SpriteEffects::None, camera);
  EXPECT_EQ(quad.TopLeft, (Vector2{110, 64}));
  EXPECT_EQ(quad.TopRight, (Vector2{118, 64}));
  EXPECT_EQ(quad.BottomLeft, (Vector2{110, 76}));
  EXPECT_EQ(quad.BottomRight, (Vector2{118, 76}));

  // A rotating camera turns the sprite about the screen origin.
  const SpriteQuad turned =
      DrawOne({5, 7}, Rectangle{0, 0, 4, 6}, 0, {}, {1, 1}, SpriteEffects::None,
              Matrix::CreateRotationZ(std::numbers::pi_v<float> / 2));
  ExpectNear(turned.TopLeft, {-7, 5});
  ExpectNear(turned.TopRight, {-7, 9});

  // The next Begin without a matrix draws untransformed again.
  EXPECT_EQ(DrawOne({5, 7}, Rectangle{0, 0, 4, 6}, 0, {}, {1, 1}).TopLeft, (Vector2{5, 7}));
}

TEST_F(SpriteBatchTest, DestinationRectangleStretchesTheSource) {
  batch.Begin();
  batch.Draw(texture, Rectangle{10, 20, 8, 3}, Rectangle{1, 1, 4, 6}, Color::White());
  batch.Draw(texture, Rectangle{0, 0, 5, 5}, std::nullopt, Color::White());
  batch.End();
  const auto& quads = device.Draws.at(0).Quads;
  EXPECT_EQ(quads[0].TopLeft, (Vector2{10, 20}));
  EXPECT_EQ(quads[0].BottomRight, (Vector2{18, 23}));
  EXPECT_EQ(quads[0].TexBottomRight, (Vector2{5, 7}));
  EXPECT_EQ(quads[1].BottomRight, (Vector2{5, 5}));
  EXPECT_EQ(quads[1].TexBottomRight, (Vector2{10, 20}));
}

TEST_F(SpriteBatchTest, BeginStatePassesToTheDevice) {
  batch.Begin(SpriteSortMode::Deferred, BlendState::Additive, SamplerState::PointClamp);
  Queue(texture, 1, 0);
  batch.End();
  batch.Begin();
  Queue(texture, 2, 0);
  batch.End();
  ASSERT_EQ(device.Draws.size(), 2U);
  EXPECT_EQ(device.Draws[0].State.Blend, BlendState::Additive);
  EXPECT_EQ(device.Draws[0].State.Sampler, SamplerState::PointClamp);
  // XNA's defaults: premultiplied alpha blending, linear clamp.
  EXPECT_EQ(device.Draws[1].State.Blend, BlendState::AlphaBlend);
  EXPECT_EQ(device.Draws[1].State.Sampler, SamplerState::LinearClamp);
}

struct SortCase {
  const char* Name;
  SpriteSortMode Mode;
  std::vector<int> Expected;  // tags in drawing order
};

class SpriteBatchSortTest : public SpriteBatchTest,
                            public ::testing::WithParamInterface<SortCase> {};

TEST_P(SpriteBatchSortTest, OrdersSpritesAtEnd) {
  const auto other = device.CreateTexture2D(2, 2, false, SurfaceFormat::Color);
  // Tags 1..5; depths and textures chosen so that every mode gives a different order, with
  // ties that a stable sort must keep in Draw order.
  batch.Begin(GetParam().Mode);
  Queue(texture, 1, 0.5F);
  Queue(other, 2, 0.2F);
  Queue(texture, 3, 0.9F);
  Queue(other, 4, 0.5F);
  Queue(texture, 5, 0.1F);
  EXPECT_TRUE(device.Draws.empty()) << "nothing is drawn before End";
  batch.End();
  ASSERT_EQ(device.Draws.size(), 1U) << "one hand-over for the whole batch";
  EXPECT_EQ(DrawnTags(), GetParam().Expected);
}

std::vector<int> TextureOrder(bool texturesFirst) {
  return texturesFirst ? std::vector<int>{1, 3, 5, 2, 4} : std::vector<int>{2, 4, 1, 3, 5};
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SpriteBatchSortTest,
    ::testing::Values(SortCase{"Deferred", SpriteSortMode::Deferred, {1, 2, 3, 4, 5}},
                      SortCase{"BackToFront", SpriteSortMode::BackToFront, {3, 1, 4, 2, 5}},
                      SortCase{"FrontToBack", SpriteSortMode::FrontToBack, {5, 2, 1, 4, 3}}),
    [](const auto& testCase) { return std::string(testCase.param.Name); });

TEST_F(SpriteBatchTest, TextureModeGroupsSpritesByTextureKeepingDrawOrder) {
  const auto other = device.CreateTexture2D(2, 2, false, SurfaceFormat::Color);
  batch.Begin(SpriteSortMode::Texture);
  Queue(texture, 1, 0.5F);
  Queue(other, 2, 0.2F);
  Queue(texture, 3, 0.9F);
  Queue(other, 4, 0.5F);
  Queue(texture, 5, 0.1F);
  batch.End();
  // Which texture comes first is the batch's choice; within a texture, Draw order holds.
  EXPECT_EQ(DrawnTags(), TextureOrder(std::less<>()(texture.get(), other.get())));
}

TEST_F(SpriteBatchTest, ImmediateModeDrawsAtEachDraw) {
  batch.Begin(SpriteSortMode::Immediate, BlendState::Opaque);
  Queue(texture, 1, 0.9F);
  ASSERT_EQ(device.Draws.size(), 1U);
  Queue(texture, 2, 0.1F);
  ASSERT_EQ(device.Draws.size(), 2U);
  EXPECT_EQ(batch.QueuedSpriteCount(), 0U);
  EXPECT_EQ(device.Draws[1].State.Blend, BlendState::Opaque);
  batch.End();
  EXPECT_EQ(device.Draws.size(), 2U) << "End has nothing left to draw";
  EXPECT_EQ(DrawnTags(), (std::vector<int>{1, 2}));
}

TEST_F(SpriteBatchTest, EndDrawsOnceAndEmptiesTheQueue) {
  batch.Begin();
  batch.End();
  EXPECT_TRUE(device.Draws.empty()) << "an empty batch draws nothing";
  batch.Begin();
  Queue(texture, 1, 0);
  Queue(texture, 2, 0);
  EXPECT_EQ(batch.QueuedSpriteCount(), 2U);
  batch.End();
  EXPECT_EQ(batch.QueuedSpriteCount(), 0U);
  EXPECT_FALSE(batch.IsInBeginEndPair());
  batch.Begin();
  Queue(texture, 3, 0);
  batch.End();
  EXPECT_EQ(DrawnTags(), (std::vector<int>{1, 2, 3}));
}

TEST_F(SpriteBatchTest, QueuedSpriteKeepsADroppedTextureAliveUntilEnd) {
  // Made directly: the recording device would keep its own reference.
  std::shared_ptr<Texture2D> owned = std::make_shared<Testing::RecordingTexture>(7, 3);
  const std::weak_ptr<Texture2D> watch = owned;
  batch.Begin();
  Queue(owned, 1, 0);
  Queue(texture, 2, 0);
  Queue(owned, 3, 0);
  owned.reset();  // the owner replaces its texture, as the font's atlas does when it grows
  EXPECT_FALSE(watch.expired());
  batch.End();
  ASSERT_EQ(device.Draws.size(), 1U);
  EXPECT_EQ(device.Draws[0].TextureWidths, (std::vector<std::int32_t>{7, 10, 7}));
  EXPECT_TRUE(watch.expired()) << "End releases the texture";
}

TEST_F(SpriteBatchTest, SortingKeepsEveryQueuedTextureAlive) {
  auto first = device.CreateTexture2D(3, 1, false, SurfaceFormat::Color);
  auto second = device.CreateTexture2D(5, 1, false, SurfaceFormat::Color);
  batch.Begin(SpriteSortMode::FrontToBack);
  Queue(first, 1, 0.9F);
  Queue(second, 2, 0.1F);
  Queue(first, 3, 0.5F);
  first.reset();
  second.reset();
  batch.End();
  EXPECT_EQ(device.Draws.at(0).TextureWidths, (std::vector<std::int32_t>{5, 3, 3}));
}

TEST_F(SpriteBatchTest, DeviceFailureStillEndsTheBatch) {
  class FailingDevice : public RecordingDevice {
   public:
    void DrawSprites(std::span<const SpriteQuad>, const SpriteRenderState&) override {
      throw std::runtime_error("device lost");
    }
  } failing;
  SpriteBatch failingBatch(failing);
  std::shared_ptr<Texture2D> owned = std::make_shared<Testing::RecordingTexture>(1, 1);
  const std::weak_ptr<Texture2D> watch = owned;
  failingBatch.Begin();
  failingBatch.Draw(owned, {0, 0}, Color::White());
  owned.reset();
  EXPECT_THROW(failingBatch.End(), std::runtime_error);
  EXPECT_FALSE(failingBatch.IsInBeginEndPair());
  EXPECT_EQ(failingBatch.QueuedSpriteCount(), 0U);
  EXPECT_TRUE(watch.expired());
  EXPECT_NO_THROW(failingBatch.Begin());
}

TEST_F(SpriteBatchTest, BadCallsThrowAndLeaveTheBatchAsItWas) {
  // Outside Begin/End.
  EXPECT_THROW(Queue(texture, 1, 0), std::logic_error);
  EXPECT_THROW(batch.Draw(texture, Vector2{0, 0}, Color::White()), std::logic_error);
  EXPECT_THROW(batch.Draw(texture, Rectangle{0, 0, 1, 1}, std::nullopt, Color::White()),
               std::logic_error);
  EXPECT_THROW(batch.End(), std::logic_error);
  EXPECT_FALSE(batch.IsInBeginEndPair());
  EXPECT_EQ(batch.QueuedSpriteCount(), 0U);

  batch.Begin(SpriteSortMode::BackToFront, BlendState::Additive);
  Queue(texture, 1, 0.1F);
  Queue(texture, 2, 0.9F);

  // A nested Begin keeps the first Begin's settings and queue.
  EXPECT_THROW(batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque), std::logic_error);
  // No texture, or a disposed one, queues nothing.
  EXPECT_THROW(batch.Draw(nullptr, Vector2{0, 0}, Color::White()), std::invalid_argument);
  EXPECT_THROW(batch.Draw(nullptr, Rectangle{0, 0, 1, 1}, std::nullopt, Color::White()),
               std::invalid_argument);
  EXPECT_THROW(batch.Draw(nullptr, {0, 0}, std::nullopt, Color::White(), 0, {}, {1, 1},
                          SpriteEffects::None, 0),
               std::invalid_argument);
  const auto disposed = device.CreateTexture2D(1, 1, false, SurfaceFormat::Color);
  disposed->Dispose();
  EXPECT_THROW(batch.Draw(disposed, Vector2{0, 0}, Color::White()), std::logic_error);

  EXPECT_TRUE(batch.IsInBeginEndPair());
  EXPECT_EQ(batch.QueuedSpriteCount(), 2U);
  batch.End();
  EXPECT_EQ(DrawnTags(), (std::vector<int>{2, 1}));
  EXPECT_EQ(device.Draws.at(0).State.Blend, BlendState::Additive);
}

TEST_F(SpriteBatchTest, ImmediateModeRejectsBadDrawsToo) {
  batch.Begin(SpriteSortMode::Immediate);
  EXPECT_THROW(batch.Draw(nullptr, Vector2{0, 0}, Color::White()), std::invalid_argument);
  EXPECT_TRUE(device.Draws.empty());
  batch.End();
}

// The smallest device a tool or a test can write: only texture creation, with a texture that
// only stores data. It must be enough for a sprite batch, which then draws nothing.
class MinimalTexture : public Texture2D {
 public:
  MinimalTexture(std::int32_t width, std::int32_t height)
      : Texture2D(width, height, SurfaceFormat::Color) {}
  void SetData(std::int32_t, std::optional<Rectangle>, std::span<const Color>) override {
    ++SetDataCalls;
  }
  void GetData(std::int32_t, std::optional<Rectangle>, std::span<Color>) const override {}
  int SetDataCalls = 0;
};

class MinimalDevice : public GraphicsDevice {
 public:
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool,
                                             SurfaceFormat) override {
    return std::make_shared<MinimalTexture>(width, height);
  }
};

TEST(SpriteBatchWithMinimalDevice, ServesEveryOperation) {
  MinimalDevice device;
  EXPECT_EQ(device.MaxTextureSize(), GraphicsDevice::DefaultMaxTextureSize);
  auto texture = device.CreateTexture2D(8, 8, false, SurfaceFormat::Color);
  const Color texel = Color::White();
  texture->SetData(0, Rectangle{1, 1, 1, 1}, {&texel, 1});
  SpriteBatch batch(device);
  for (const auto mode : {SpriteSortMode::Deferred, SpriteSortMode::Immediate,
                          SpriteSortMode::Texture, SpriteSortMode::BackToFront}) {
    batch.Begin(mode);
    batch.Draw(texture, Vector2{1, 2}, Color::White());
    batch.Draw(texture, {3, 4}, Rectangle{0, 0, 2, 2}, Color::White(), 1, {1, 1}, {2, 2},
               SpriteEffects::FlipVertically, 0.5F);
    batch.End();
  }
  texture->Dispose();
  EXPECT_TRUE(texture->IsDisposed());
  EXPECT_EQ(static_cast<MinimalTexture&>(*texture).SetDataCalls, 1);
}

}  // namespace
