// DrawString hands the library's own batch its sprites in runs (SpriteBatch::DrawRun) and a
// batch that overrides Draw one Draw a sprite: both must end up with the same quads, bit for
// bit, whatever the placement.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/GraphicsTestDoubles.h"

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::Matrix;
using Graphics::SpriteBatch;
using Graphics::SpriteEffects;
using Graphics::SpriteQuad;
using Graphics::Vector2;
using Graphics::Testing::RecordingDevice;

// Queues every sprite through the base Draw, one call each: the path an override sees.
class OneByOneBatch final : public SpriteBatch {
 public:
  using SpriteBatch::SpriteBatch;
  void Draw(const std::shared_ptr<Graphics::Texture2D>& texture, Vector2 position,
            std::optional<Graphics::Rectangle> sourceRectangle, Color color, float rotation,
            Vector2 origin, Vector2 scale, SpriteEffects effects, float layerDepth) override {
    ++Calls;
    SpriteBatch::Draw(texture, position, sourceRectangle, color, rotation, origin, scale, effects,
                      layerDepth);
  }
  std::size_t Calls = 0;
};

std::vector<std::uint32_t> Bits(const std::vector<RecordingDevice>& devices, std::size_t which) {
  std::vector<std::uint32_t> bits;
  for (const auto& draw : devices[which].Draws) {
    for (const SpriteQuad& quad : draw.Quads) {
      for (const Vector2 v : {quad.TopLeft, quad.TopRight, quad.BottomLeft, quad.BottomRight,
                              quad.TexTopLeft, quad.TexBottomRight}) {
        bits.push_back(std::bit_cast<std::uint32_t>(v.X));
        bits.push_back(std::bit_cast<std::uint32_t>(v.Y));
      }
      bits.push_back(std::bit_cast<std::uint32_t>(quad.Tint));
      bits.push_back(std::bit_cast<std::uint32_t>(quad.Depth));
    }
  }
  return bits;
}

}  // namespace

TEST(DrawStringRunTest, RunsQueueTheSameQuadsAsOneDrawASprite) {
  struct Case {
    const char* Name;
    Vector2 Position;
    float Rotation;
    Vector2 Origin;
    Vector2 Scale;
    char16_t LastCharacter;
    std::optional<Matrix> Transform;
  };
  const Case cases[] = {
      {"whole pixels", {100, 50}, 0, {0, 0}, {1, 1}, 0, std::nullopt},
      {"halves round to even", {10.5F, 7.25F}, 0, {0, 0}, {1, 1}, u'A', std::nullopt},
      {"negative zero", {-0.0F, -0.0F}, 0, {0, 0}, {1, 1}, 0, std::nullopt},
      {"left of zero", {-37.5F, 3}, 0, {2.5F, 1}, {1, 1}, u'V', std::nullopt},
      {"scaled", {3, 4}, 0, {0, 0}, {1.5F, 0.75F}, 0, std::nullopt},
      {"mirrored", {300, 9}, 0, {4, 0}, {-1, 1}, 0, std::nullopt},
      {"rotated", {64, 64}, 0.3F, {5, 2}, {1, 1}, 0, std::nullopt},
      {"half turn", {64, 64}, std::numbers::pi_v<float>, {0, 0}, {2, 2}, u'A', std::nullopt},
      {"camera", {1, 2}, -0.7F, {1, 1}, {1, 1}, 0, Matrix::CreateRotationZ(0.25F)},
      {"far away", {3e6F, -2e6F}, 0, {0, 0}, {1, 1}, 0, std::nullopt},
  };
  // Longer than one run, with control characters and line feeds breaking the kerning chain.
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"AVB A\tV\nAVAV";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<RecordingDevice> devices(2);
    Font font(devices[0], Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
    SpriteBatch runs(devices[0]);
    OneByOneBatch oneByOne(devices[1]);
    for (SpriteBatch* batch : {&runs, static_cast<SpriteBatch*>(&oneByOne)}) {
      batch->Begin(Graphics::SpriteSortMode::Deferred, Graphics::BlendState::AlphaBlend,
                   Graphics::SamplerState::LinearClamp, c.Transform);
      SpriteBatchEx::DrawString(*batch, font, text, c.Position, Color(200, 100, 50, 255),
                                c.Rotation, c.Origin, c.Scale, SpriteEffects::FlipVertically, 0.5F,
                                c.LastCharacter);
      batch->End();
    }
    EXPECT_EQ(oneByOne.Calls, 30U * 10U);
    EXPECT_EQ(Bits(devices, 0), Bits(devices, 1));
  }
}

}  // namespace Vennicor::Font
