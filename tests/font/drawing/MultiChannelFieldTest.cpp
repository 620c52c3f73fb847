#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontOptions.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FontTestSupport.h"

namespace Vennicor::Font {
namespace {

using Graphics::BlendState;
using Graphics::Color;
using Graphics::SamplerState;
using Graphics::SpriteBatch;
using Graphics::SpriteEffects;
using Graphics::SpriteSortMode;
using Graphics::Software::SoftwareGraphicsDevice;

const char* const DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

FontOptions Field(float spread, bool multiChannel) {
  FontOptions options;
  options.Hinting = FontHinting::None;
  options.DistanceField = true;
  options.DistanceFieldSpread = spread;
  options.MultiChannel = multiChannel;
  return options;
}

FontOptions Unhinted() {
  FontOptions options;
  options.Hinting = FontHinting::None;
  return options;
}

struct Picture {
  std::vector<int> Coverage;  // alpha of white text on transparent black
  int Width = 0;
  int Height = 0;

  // Bilinear, 0 outside.
  double At(double x, double y) const {
    const auto texel = [&](int i, int j) {
      if (i < 0 || j < 0 || i >= Width || j >= Height) return 0.0;
      return static_cast<double>(Coverage[static_cast<std::size_t>(j * Width + i)]);
    };
    const double u = x - 0.5;
    const double v = y - 0.5;
    const auto i = static_cast<int>(std::floor(u));
    const auto j = static_cast<int>(std::floor(v));
    const double fu = u - i;
    const double fv = v - j;
    return (texel(i, j) * (1 - fu) + texel(i + 1, j) * fu) * (1 - fv) +
           (texel(i, j + 1) * (1 - fu) + texel(i + 1, j + 1) * fu) * fv;
  }
};

// `text` drawn white with its pen at x = 20 and its baseline at `baseline`.
Picture Draw(Font& font, const std::u16string& text, float scale, int width, int height,
             int baseline) {
  SoftwareGraphicsDevice device(width, height);
  SpriteBatch batch(device);
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
              std::nullopt, SpriteBatchEx::DistanceFieldEffectOf(font));
  const float top = static_cast<float>(baseline) - static_cast<float>(font.Ascent()) * scale;
  SpriteBatchEx::DrawString(batch, font, text, {20, top}, Color::White(), 0, {0, 0}, {scale, scale},
                            SpriteEffects::None, 0, 0);
  batch.End();
  Picture picture;
  picture.Width = width;
  picture.Height = height;
  for (const Color c : device.BackBuffer()) picture.Coverage.push_back(c.A);
  return picture;
}

// The fixture's triangles (50, 0), (advance / 2, top), (advance - 50, 0) in font units, rendered
// at 24 px with a spread of 4 and drawn 8 times larger: along each corner's bisector, how far
// in from the true corner the drawn shape reaches half coverage. A single-channel field rounds
// corners off within about a texel (8 pixels here); the multi-channel one keeps them, at least
// three times nearer on average.
TEST(MultiChannelField, KeepsCornersSharpWhenDrawnLarger) {
  constexpr float Size = 24;
  constexpr float Scale = 8;
  constexpr int Width = 40 + 24 * 8;
  constexpr int Height = 40 + 30 * 8;
  constexpr int Baseline = 20 + 24 * 8;
  const double pixelsPerUnit = Size * Scale / 1000.0;
  SoftwareGraphicsDevice atlasDevice(1, 1);
  struct Shape {
    char16_t Character;
    double Advance;
    double Top;
  };
  const std::array<Shape, 3> shapes{{{u'A', 667, 700}, {u'x', 500, 500}, {u'-', 500, 300}}};
  std::array<double, 2> mean{};
  for (const bool multi : {false, true}) {
    Font font(atlasDevice, Testing::FixtureFontText("VennicorMetrics.ttf"), Size,
              FontStyle::Regular, Field(4, multi));
    double total = 0;
    int corners = 0;
    for (const Shape& shape : shapes) {
      const Picture picture =
          Draw(font, std::u16string(1, shape.Character), Scale, Width, Height, Baseline);
      const auto screen = [&](double x, double y) {
        return std::array<double, 2>{20 + x * pixelsPerUnit, Baseline - y * pixelsPerUnit};
      };
      const std::array<std::array<double, 2>, 3> points{
          screen(50, 0), screen(shape.Advance / 2, shape.Top), screen(shape.Advance - 50, 0)};
      for (std::size_t k = 0; k < 3; ++k) {
        const auto& corner = points[k];
        const auto& a = points[(k + 1) % 3];
        const auto& b = points[(k + 2) % 3];
        // The bisector points between the two other corners' directions.
        std::array<double, 2> toA{a[0] - corner[0], a[1] - corner[1]};
        std::array<double, 2> toB{b[0] - corner[0], b[1] - corner[1]};
        const double la = std::hypot(toA[0], toA[1]);
        const double lb = std::hypot(toB[0], toB[1]);
        std::array<double, 2> d{toA[0] / la + toB[0] / lb, toA[1] / la + toB[1] / lb};
        const double ld = std::hypot(d[0], d[1]);
        d = {d[0] / ld, d[1] / ld};
        double reach = -1;
        for (double t = -4; t < 40; t += 0.125) {
          if (picture.At(corner[0] + t * d[0], corner[1] + t * d[1]) >= 127.5) {
            reach = t;
            break;
          }
        }
        ASSERT_GE(reach, -4) << "no ink near a corner";
        total += std::abs(reach);
        ++corners;
      }
    }
    mean[multi ? 1 : 0] = total / corners;
  }
  std::printf("corner error at 8x: single-channel %.2f px, multi-channel %.2f px\n", mean[0],
              mean[1]);
  EXPECT_LE(mean[1] * 3, mean[0]);
  EXPECT_LT(mean[1], 2.0);
}

// Drawn at its own size, a multi-channel field draws text as the coverage font of that size
// draws it, to the bounds the single-channel field keeps (FontLooksDrawingTest): more than a
// quarter apart only within 2 pixels of the coverage picture's edge, on at most 3 % of the ink's
// pixels, the total ink within 2 %. Its images are the single-channel ones' size and place.
// DejaVu Sans is an installed Debian font (fonts-dejavu-core).
TEST(MultiChannelField, DrawsTextAtItsSizeAsCoverageDoes) {
  struct Case {
    std::string Name;
    std::filesystem::path File;
    std::u16string Text;
  };
  std::vector<Case> cases{
      {"fixture triangles", Testing::FixtureFont("VennicorMetrics.ttf"), u"AHgx"}};
  if (std::filesystem::exists(DejaVuSans)) {
    cases.push_back({"DejaVu Sans", DejaVuSans, u"Rag&k%S@"});
  } else {
    ADD_FAILURE()
        << "DejaVu Sans (fonts-dejavu-core) is not installed: run scripts/setup-debian.sh";
  }
  SoftwareGraphicsDevice atlasDevice(1, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    constexpr float Size = 32;
    Font multi(atlasDevice, c.File, Size, Field(8, true));
    Font single(atlasDevice, c.File, Size, Field(8, false));
    Font coverage(atlasDevice, c.File, Size, Unhinted());
    for (const char16_t character : c.Text) {
      const Font::Glyph& m = multi.GetGlyph(character);
      const Font::Glyph& s = single.GetGlyph(character);
      EXPECT_EQ(m.Bounds.Width, s.Bounds.Width);
      EXPECT_EQ(m.Bounds.Height, s.Bounds.Height);
      EXPECT_EQ(m.Offset, s.Offset);
      EXPECT_EQ(m.Advance, s.Advance);
    }
    const int width = 40 + 32 * static_cast<int>(c.Text.size());
    constexpr int Height = 60;
    constexpr int Baseline = 45;
    const Picture expected = Draw(coverage, c.Text, 1, width, Height, Baseline);
    const Picture drawn = Draw(multi, c.Text, 1, width, Height, Baseline);
    const auto nearEdge = [&](int x, int y) {
      int least = 255;
      int most = 0;
      for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
          const int nx = std::clamp(x + dx, 0, width - 1);
          const int ny = std::clamp(y + dy, 0, Height - 1);
          const int value = expected.Coverage[static_cast<std::size_t>(ny * width + nx)];
          least = std::min(least, value);
          most = std::max(most, value);
        }
      }
      return least < 128 && most >= 128;
    };
    long inkExpected = 0;
    long inkDrawn = 0;
    long far = 0;
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < width; ++x) {
        const auto i = static_cast<std::size_t>(y * width + x);
        inkExpected += expected.Coverage[i];
        inkDrawn += drawn.Coverage[i];
        if (std::abs(expected.Coverage[i] - drawn.Coverage[i]) > 64) {
          ++far;
          ASSERT_TRUE(nearEdge(x, y)) << x << ", " << y;
        }
      }
    }
    EXPECT_NEAR(static_cast<double>(inkDrawn) / static_cast<double>(inkExpected), 1.0, 0.02);
    EXPECT_LE(static_cast<double>(far), 0.03 * static_cast<double>(inkExpected) / 255.0);
  }
}

}  // namespace
}  // namespace Vennicor::Font
