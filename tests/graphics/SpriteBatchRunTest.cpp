// SpriteBatch::DrawRun: a run of sprites queues bit for bit what one Draw a sprite queues, and a
// batch that overrides Draw sees every sprite of a run.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "tests/support/GraphicsTestDoubles.h"

using namespace Vennicor::Graphics;
using Vennicor::Graphics::Testing::RecordingDevice;

namespace {

// Floats compared by their bits: -0 and +0, or two NaNs, are told apart as a backend would.
void ExpectSameBits(Vector2 got, Vector2 want, const char* what) {
  EXPECT_EQ(std::bit_cast<std::uint32_t>(got.X), std::bit_cast<std::uint32_t>(want.X))
      << what << ".X: " << got.X << " vs " << want.X;
  EXPECT_EQ(std::bit_cast<std::uint32_t>(got.Y), std::bit_cast<std::uint32_t>(want.Y))
      << what << ".Y: " << got.Y << " vs " << want.Y;
}

void ExpectSameQuads(const std::vector<SpriteQuad>& got, const std::vector<SpriteQuad>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE("sprite " + std::to_string(i));
    EXPECT_EQ(got[i].Texture, want[i].Texture);
    ExpectSameBits(got[i].TopLeft, want[i].TopLeft, "TopLeft");
    ExpectSameBits(got[i].TopRight, want[i].TopRight, "TopRight");
    ExpectSameBits(got[i].BottomLeft, want[i].BottomLeft, "BottomLeft");
    ExpectSameBits(got[i].BottomRight, want[i].BottomRight, "BottomRight");
    ExpectSameBits(got[i].TexTopLeft, want[i].TexTopLeft, "TexTopLeft");
    ExpectSameBits(got[i].TexBottomRight, want[i].TexBottomRight, "TexBottomRight");
    EXPECT_EQ(got[i].Tint, want[i].Tint);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(got[i].Depth),
              std::bit_cast<std::uint32_t>(want[i].Depth));
  }
}

std::vector<SpriteQuad> AllQuads(const RecordingDevice& device) {
  std::vector<SpriteQuad> quads;
  for (const auto& draw : device.Draws)
    quads.insert(quads.end(), draw.Quads.begin(), draw.Quads.end());
  return quads;
}

// Stands in for the real batch and keeps every Draw call, as a test's recording batch does.
class DrawRecordingBatch final : public SpriteBatch {
 public:
  using SpriteBatch::SpriteBatch;
  void Draw(const std::shared_ptr<Texture2D>& texture, Vector2 position,
            std::optional<Rectangle> sourceRectangle, Color color, float rotation, Vector2 origin,
            Vector2 scale, SpriteEffects effects, float layerDepth) override {
    Calls.push_back({position, sourceRectangle});
    SpriteBatch::Draw(texture, position, sourceRectangle, color, rotation, origin, scale, effects,
                      layerDepth);
  }
  struct Call {
    Vector2 Position;
    std::optional<Rectangle> Source;
  };
  std::vector<Call> Calls;
};

const std::vector<SpriteRunItem> Items = {
    {{0, 0}, {0, 0, 4, 6}},        {{-0.0F, 3.5F}, {4, 0, 0, 6}}, {{10.25F, -7}, {1, 2, 9, 18}},
    {{1e6F, 1e-3F}, {3, 3, 2, 1}}, {{-5, 12}, {0, 0, 10, 20}},
};

}  // namespace

TEST(SpriteBatchRunTest, ARunQueuesTheQuadsOfOneDrawASprite) {
  struct Case {
    const char* Name;
    float Rotation;
    Vector2 Origin;
    Vector2 Scale;
    SpriteEffects Effects;
    SpriteSortMode Sort;
    std::optional<Matrix> Transform;
  };
  const Case cases[] = {
      {"text: rotation 0, no origin, scale 1",
       0,
       {0, 0},
       {1, 1},
       SpriteEffects::None,
       SpriteSortMode::Deferred,
       std::nullopt},
      {"rotated",
       0.3F,
       {0, 0},
       {1, 1},
       SpriteEffects::None,
       SpriteSortMode::Deferred,
       std::nullopt},
      {"origin, scale, flips",
       0,
       {2.5F, -1},
       {1.5F, -0.75F},
       SpriteEffects::FlipHorizontally,
       SpriteSortMode::Deferred,
       std::nullopt},
      {"rotated, origin, scale, both flips",
       -2.1F,
       {3, 4},
       {0.5F, 2},
       SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically,
       SpriteSortMode::BackToFront,
       std::nullopt},
      {"camera transform",
       0.8F,
       {1, 1},
       {2, 2},
       SpriteEffects::FlipVertically,
       SpriteSortMode::Texture,
       Matrix::CreateRotationZ(0.2F)},
      {"immediate",
       0.1F,
       {0, 0},
       {1, 1},
       SpriteEffects::None,
       SpriteSortMode::Immediate,
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    RecordingDevice oneByOne;
    RecordingDevice inARun;
    const auto texture = oneByOne.CreateTexture2D(10, 20, false, SurfaceFormat::Color);
    SpriteBatch single(oneByOne);
    SpriteBatch run(inARun);
    const Color tint(10, 20, 30, 40);
    single.Begin(c.Sort, BlendState::AlphaBlend, SamplerState::LinearClamp, c.Transform);
    run.Begin(c.Sort, BlendState::AlphaBlend, SamplerState::LinearClamp, c.Transform);
    // A sprite before and after the run: the run joins the queue in order.
    for (SpriteBatch* batch : {&single, &run}) {
      batch->Draw(texture, {1, 2}, std::nullopt, tint, 0.5F, {}, {1, 1}, SpriteEffects::None,
                  0.25F);
    }
    for (const SpriteRunItem& item : Items) {
      single.Draw(texture, item.Position, item.SourceRectangle, tint, c.Rotation, c.Origin, c.Scale,
                  c.Effects, 0.5F);
    }
    run.DrawRun(texture, Items, tint, c.Rotation, c.Origin, c.Scale, c.Effects, 0.5F);
    for (SpriteBatch* batch : {&single, &run}) {
      batch->Draw(texture, {3, 4}, std::nullopt, tint, 0, {}, {1, 1}, SpriteEffects::None, 0.75F);
      batch->End();
    }
    ExpectSameQuads(AllQuads(inARun), AllQuads(oneByOne));
    EXPECT_EQ(inARun.Draws.size(), oneByOne.Draws.size());
  }
}

TEST(SpriteBatchRunTest, ABatchThatOverridesDrawSeesEverySpriteOfARun) {
  RecordingDevice device;
  const auto texture = device.CreateTexture2D(10, 20, false, SurfaceFormat::Color);
  DrawRecordingBatch batch(device);
  batch.Begin();
  batch.DrawRun(texture, Items, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0);
  batch.End();
  ASSERT_EQ(batch.Calls.size(), Items.size());
  for (std::size_t i = 0; i < Items.size(); ++i) {
    EXPECT_EQ(batch.Calls[i].Position, Items[i].Position);
    EXPECT_EQ(batch.Calls[i].Source, Items[i].SourceRectangle);
  }
  EXPECT_EQ(AllQuads(device).size(), Items.size());
}

// A run that cannot be drawn queues none of its sprites, and the batch stays usable.
TEST(SpriteBatchRunTest, ARefusedRunQueuesNothing) {
  RecordingDevice device;
  const auto texture = device.CreateTexture2D(10, 20, false, SurfaceFormat::Color);
  const auto disposed = device.CreateTexture2D(10, 20, false, SurfaceFormat::Color);
  disposed->Dispose();
  SpriteBatch batch(device);
  EXPECT_THROW(batch.DrawRun(texture, Items, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0),
               std::logic_error);
  batch.Begin();
  EXPECT_THROW(batch.DrawRun(nullptr, Items, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0),
               std::invalid_argument);
  EXPECT_THROW(
      batch.DrawRun(disposed, Items, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0),
      std::logic_error);
  EXPECT_EQ(batch.QueuedSpriteCount(), 0U);
  batch.DrawRun(texture, {}, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0);
  EXPECT_EQ(batch.QueuedSpriteCount(), 0U);
  batch.DrawRun(texture, Items, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0);
  EXPECT_EQ(batch.QueuedSpriteCount(), Items.size());
  batch.End();
  EXPECT_EQ(AllQuads(device).size(), Items.size());
}
