// Sprites on whole pixels (text, tiles) take the software rasterizer's fastest path. Whatever
// the path, every pixel must get exactly the bytes of the blend formula: the texel times the
// tint over 255, then source + target × (1 − source alpha / 255), rounded to the nearest byte,
// in single precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

using namespace Vennicor::Graphics;

namespace {

constexpr std::int32_t Edge = 256;

std::uint8_t ToByte(float value) {
  return static_cast<std::uint8_t>(std::clamp(value + 0.5F, 0.0F, 255.0F));
}

// The formula, written out for one pixel.
Color AlphaBlend(Color texel, Color tint, Color target) {
  const auto modulate = [&](std::uint8_t t, std::uint8_t c) {
    return tint == Color::White() ? static_cast<float>(t)
                                  : static_cast<float>(t) * static_cast<float>(c) / 255.0F;
  };
  const float r = modulate(texel.R, tint.R);
  const float g = modulate(texel.G, tint.G);
  const float b = modulate(texel.B, tint.B);
  const float a = modulate(texel.A, tint.A);
  if (r == 0 && g == 0 && b == 0 && a == 0) return target;
  const float keep = 1.0F - a / 255.0F;
  return {ToByte(r + static_cast<float>(target.R) * keep),
          ToByte(g + static_cast<float>(target.G) * keep),
          ToByte(b + static_cast<float>(target.B) * keep),
          ToByte(a + static_cast<float>(target.A) * keep)};
}

// Every coverage of a white glyph (premultiplied: all four channels equal) in each column.
Color GlyphTexel(std::int32_t x, std::int32_t /*y*/) { return {x, x, x, x}; }

// Coloured texels, most premultiplied and some with a channel above alpha (which the
// formula clamps).
Color ColouredTexel(std::int32_t x, std::int32_t y) { return {x, (x * y) % 256, 255 - x, y}; }

// Every target value in some channel of each column.
Color Background(std::int32_t x, std::int32_t y) { return {y, 255 - y, (x + y) % 256, y ^ 0x5A}; }

}  // namespace

// All 256 × 256 combinations of texel and target for each tint (opaque and translucent), drawn
// as strips 1 to 22 pixels wide so that every way a row splits into groups of pixels occurs,
// mirrored and not.
TEST(WholePixelBlendingTest, EveryTexelTintAndTargetGetsTheFormulasBytes) {
  const Color tints[] = {Color::White(),           Color(255, 128, 0),     Color::Black(),
                         Color(17, 200, 99),       Color(128, 64, 0, 128), Color(40, 40, 40, 40),
                         Color(255, 255, 255, 254)};
  for (const auto texelAt : {GlyphTexel, ColouredTexel}) {
    std::vector<Color> texels(static_cast<std::size_t>(Edge * Edge));
    std::vector<Color> background(texels.size());
    for (std::int32_t y = 0; y < Edge; ++y) {
      for (std::int32_t x = 0; x < Edge; ++x) {
        texels[static_cast<std::size_t>(y * Edge + x)] = texelAt(x, y);
        background[static_cast<std::size_t>(y * Edge + x)] = Background(x, y);
      }
    }
    for (const Color tint : tints) {
      for (const bool mirrored : {false, true}) {
        Software::SoftwareGraphicsDevice device(Edge, Edge);
        const auto texture = device.CreateTexture2D(Edge, Edge, false, SurfaceFormat::Color);
        texture->SetData(texels);
        std::vector<std::int32_t> stripOf(Edge);  // first column of each column's strip
        std::vector<std::int32_t> widthOf(Edge);
        SpriteBatch batch(device);
        device.Clear(Color::Transparent());
        // The background goes in opaque, as a sprite of its own.
        const auto backgroundTexture =
            device.CreateTexture2D(Edge, Edge, false, SurfaceFormat::Color);
        backgroundTexture->SetData(background);
        batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque);
        batch.Draw(backgroundTexture, Vector2{0, 0}, Color::White());
        batch.End();
        batch.Begin();
        for (std::int32_t x = 0, width = 1; x < Edge; x += width, width = width % 22 + 1) {
          const std::int32_t w = std::min(width, Edge - x);
          for (std::int32_t k = x; k < x + w; ++k) {
            stripOf[static_cast<std::size_t>(k)] = x;
            widthOf[static_cast<std::size_t>(k)] = w;
          }
          batch.Draw(texture, {static_cast<float>(x), 0}, Rectangle{x, 0, w, Edge}, tint, 0, {0, 0},
                     {1, 1}, mirrored ? SpriteEffects::FlipHorizontally : SpriteEffects::None, 0);
        }
        batch.End();

        std::int32_t wrong = 0;
        for (std::int32_t y = 0; y < Edge && wrong < 5; ++y) {
          for (std::int32_t x = 0; x < Edge && wrong < 5; ++x) {
            const std::int32_t first = stripOf[static_cast<std::size_t>(x)];
            const std::int32_t u =
                mirrored ? first + widthOf[static_cast<std::size_t>(x)] - 1 - (x - first) : x;
            const Color want = AlphaBlend(texelAt(u, y), tint, Background(x, y));
            const Color got = device.GetPixel(x, y);
            if (got == want) continue;
            ++wrong;
            ADD_FAILURE() << "pixel (" << x << ", " << y << "), tint " << int{tint.R} << ","
                          << int{tint.G} << "," << int{tint.B} << "," << int{tint.A}
                          << (mirrored ? ", mirrored" : "") << ": got " << int{got.R} << ","
                          << int{got.G} << "," << int{got.B} << "," << int{got.A} << ", want "
                          << int{want.R} << "," << int{want.G} << "," << int{want.B} << ","
                          << int{want.A};
          }
        }
      }
    }
  }
}
