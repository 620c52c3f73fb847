// Scenes for comparing backends. The OpenGL backend must draw what the software backend draws:
// every scene is rendered by both from the same draw calls, the quads each device receives must
// be bit-identical and the pixels must agree within a tolerance:
//
// * 2 per channel. The software rasterizer filters, tints and blends in float and rounds once;
//   Mesa's rasterizer keeps bilinear weights in 8 bits (an error below 0.5), rounds the
//   fragment colour to 8 bits before blending (0.5) and blends in 8-bit fixed point (0.5).
// * A pixel may differ by more only where the software image itself changes when the whole
//   scene moves by 1/128 pixel (four renderings nudged left, right, up and down). Those are the
//   pixels whose centre lies within 1/128 pixel of a sprite edge, or whose point-sampled texel
//   coordinate lies that close to a texel boundary: GL snaps vertices to 1/256 pixel and breaks
//   ties on edges by its own rule, so either answer is right there. Such pixels must stay rare
//   (at most 1% of the drawn ones), which a misplaced half-pixel or a wrong filter would break.
#include "opengl/SceneSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "graphics/opengl/OpenGLGraphicsDevice.h"
#include "graphics/software/PngFile.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace Vennicor::Graphics::OpenGL::Testing {

namespace {

constexpr int Cell = 16;
constexpr std::int32_t Width = SceneWidth;
constexpr std::int32_t Height = SceneHeight;
constexpr int Tolerance = 2;
constexpr float Nudge = 1.0F / 128.0F;

struct Rendering {
  std::vector<Color> Pixels;
  std::vector<RecordedQuad> Quads;
};

Rendering RenderInSoftware(const Scene& scene, Vector2 nudge) {
  Software::SoftwareGraphicsDevice device(Width, Height);
  device.Clear(scene.ClearColor);
  ProbeDevice probe(device, nudge);
  SpriteBatch batch(probe);
  scene.Draw(batch, probe, MakeSceneTextures(probe));
  return {{device.BackBuffer().begin(), device.BackBuffer().end()}, probe.Recorded()};
}

Rendering RenderInGl(const Scene& scene) {
  OpenGL::OpenGLGraphicsDevice device;
  device.Clear(scene.ClearColor);
  ProbeDevice probe(device);
  SpriteBatch batch(probe);
  scene.Draw(batch, probe, MakeSceneTextures(probe));
  return {device.ReadViewportPixels(), probe.Recorded()};
}

// Shapes in a 16 x 16 cell, coordinates 0..16; the glyph sheet anti-aliases them by 4 x 4
// supersampling, as a rasterized glyph's coverage would look.
bool Inside(int shape, double x, double y) {
  const double cx = x - 8;
  const double cy = y - 8;
  const double r = std::sqrt(cx * cx + cy * cy);
  switch (shape) {
    case 0:
      return r >= 4.5 && r <= 7.0;  // ring "o"
    case 1:
      return std::abs(cx - cy) <= 1.8 && r <= 7.5;  // diagonal "\"
    case 2:
      return (x >= 3 && x <= 6 && y >= 2 && y <= 14) ||  // "L"
             (x >= 3 && x <= 13 && y >= 11 && y <= 14);
    case 3:
      return r <= 3.2;  // dot
    case 4:
      return (y >= 2 && y <= 5 && x >= 2 && x <= 14) ||  // "T"
             (x >= 6.5 && x <= 9.5 && y >= 2 && y <= 14);
    case 5:
      return std::abs(cx) <= 1.4 || std::abs(cy) <= 1.4;  // "+"
    case 6:
      return y >= 3 && y <= 14 && std::abs(cx) <= (y - 3) * 0.55;  // "A"-like wedge
    default:
      return std::abs(std::abs(cx) - std::abs(cy)) <= 1.5 && r <= 7;  // "x"
  }
}

std::vector<Color> GradientTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) texels.emplace_back(x * 8, y * 8, 255 - (x + y) * 4, 255);
  }
  return texels;
}

std::vector<Color> TranslucentTexels() {
  std::vector<Color> texels;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int a = std::min(255, (x + y) * 9);
      texels.emplace_back(a * x / 15, a * (15 - y) / 15, a / 2, a);  // premultiplied
    }
  }
  return texels;
}

}  // namespace

std::vector<Color> GlyphSheetTexels() {
  std::vector<Color> texels(64 * 32);
  for (int shape = 0; shape < 8; ++shape) {
    const int left = (shape % 4) * Cell;
    const int top = (shape / 4) * Cell;
    for (int y = 0; y < Cell; ++y) {
      for (int x = 0; x < Cell; ++x) {
        int covered = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            covered += Inside(shape, x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
          }
        }
        const int a = covered * 255 / 16;
        texels[static_cast<std::size_t>((top + y) * 64 + left + x)] = Color(a, a, a, a);
      }
    }
  }
  return texels;
}

SceneTextures MakeSceneTextures(GraphicsDevice& device) {
  SceneTextures textures;
  textures.Glyphs = device.CreateTexture2D(64, 32, false, SurfaceFormat::Color);
  textures.Glyphs->SetData(GlyphSheetTexels());
  textures.Gradient = device.CreateTexture2D(32, 32, false, SurfaceFormat::Color);
  textures.Gradient->SetData(GradientTexels());
  textures.Translucent = device.CreateTexture2D(16, 16, false, SurfaceFormat::Color);
  textures.Translucent->SetData(TranslucentTexels());
  return textures;
}

Rectangle GlyphCell(int index) { return {(index % 4) * Cell, (index / 4) * Cell, Cell, Cell}; }

bool SameQuad(const RecordedQuad& a, const RecordedQuad& b) {
  // Bitwise: both backends must receive exactly the same floats.
  const auto same = [](Vector2 p, Vector2 q) {
    return std::memcmp(&p.X, &q.X, sizeof(float)) == 0 &&
           std::memcmp(&p.Y, &q.Y, sizeof(float)) == 0;
  };
  return a.TextureIndex == b.TextureIndex && same(a.Quad.TopLeft, b.Quad.TopLeft) &&
         same(a.Quad.TopRight, b.Quad.TopRight) && same(a.Quad.BottomLeft, b.Quad.BottomLeft) &&
         same(a.Quad.BottomRight, b.Quad.BottomRight) &&
         same(a.Quad.TexTopLeft, b.Quad.TexTopLeft) &&
         same(a.Quad.TexBottomRight, b.Quad.TexBottomRight) && a.Quad.Tint == b.Quad.Tint &&
         a.Quad.Depth == b.Quad.Depth && a.State.Blend == b.State.Blend &&
         a.State.Sampler == b.State.Sampler;
}

ProbeDevice::ProbeDevice(GraphicsDevice& inner, Vector2 nudge) : inner(inner), nudge(nudge) {}

std::shared_ptr<Texture2D> ProbeDevice::CreateTexture2D(std::int32_t width, std::int32_t height,
                                                        bool mipMap, SurfaceFormat format) {
  auto texture = inner.CreateTexture2D(width, height, mipMap, format);
  created.push_back(texture.get());
  return texture;
}

void ProbeDevice::DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) {
  ++calls;
  shifted.assign(sprites.begin(), sprites.end());
  for (SpriteQuad& quad : shifted) {
    // The latest creation at that address: a freed texture's address may be reused.
    const auto found = std::find(created.rbegin(), created.rend(), quad.Texture);
    recorded.push_back(
        {found == created.rend() ? -1 : static_cast<int>(created.rend() - found) - 1, quad, state});
    for (Vector2* corner : {&quad.TopLeft, &quad.TopRight, &quad.BottomLeft, &quad.BottomRight}) {
      corner->X += nudge.X;
      corner->Y += nudge.Y;
    }
  }
  inner.DrawSprites(shifted, state);
}

ImageAgreement Compare(const std::vector<Color>& gl, const std::vector<Color>& exact,
                       const std::vector<std::vector<Color>>& nudged, std::int32_t width,
                       Color clearColor, int tolerance) {
  const auto difference = [](Color a, Color b) {
    return std::max(
        {std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B), std::abs(a.A - b.A)});
  };
  const auto describe = [](Color c) {
    return "(" + std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B) + "," +
           std::to_string(c.A) + ")";
  };
  ImageAgreement agreement;
  for (std::size_t i = 0; i < exact.size() && i < gl.size(); ++i) {
    if (exact[i] != clearColor) ++agreement.DrawnPixels;
    const int d = difference(gl[i], exact[i]);
    agreement.LargestDifference = std::max(agreement.LargestDifference, d);
    if (d <= tolerance) continue;
    const bool explained = std::any_of(nudged.begin(), nudged.end(), [&](const auto& image) {
      return difference(gl[i], image[i]) <= tolerance;
    });
    if (explained) {
      ++agreement.ExplainedByNudge;
    } else if (agreement.Unexplained++ == 0) {
      const auto w = static_cast<std::size_t>(width);
      agreement.FirstUnexplained = "(" + std::to_string(i % w) + ", " + std::to_string(i / w) +
                                   ") gl=" + describe(gl[i]) + " software=" + describe(exact[i]);
    }
  }
  return agreement;
}

void ExpectBackendsAgree(GlApi api, const Scene& scene) {
  const std::string failure = HeadlessContext::MakeCurrent(api);
  ASSERT_EQ(failure, "") << "no headless GL context";
  const OffscreenTarget target(Width, Height);
  ASSERT_TRUE(target.IsComplete());

  const Rendering gl = RenderInGl(scene);
  const Rendering exact = RenderInSoftware(scene, {});
  std::vector<std::vector<Color>> nudged;
  for (Vector2 nudge :
       {Vector2{Nudge, 0}, Vector2{-Nudge, 0}, Vector2{0, Nudge}, Vector2{0, -Nudge}}) {
    nudged.push_back(RenderInSoftware(scene, nudge).Pixels);
  }

  ASSERT_EQ(gl.Quads.size(), exact.Quads.size());
  for (std::size_t i = 0; i < gl.Quads.size(); ++i) {
    EXPECT_TRUE(SameQuad(gl.Quads[i], exact.Quads[i])) << "quad " << i;
  }

  const ImageAgreement agreement =
      Compare(gl.Pixels, exact.Pixels, nudged, Width, scene.ClearColor, Tolerance);
  if (agreement.Unexplained > 0 || ::testing::Test::HasFailure()) {
    const auto folder = std::filesystem::path(::testing::TempDir());
    const std::string stem = std::string(ApiName(api)) + "-" + scene.Name;
    Software::SavePng(folder / (stem + "-gl.png"), Width, Height, gl.Pixels);
    Software::SavePng(folder / (stem + "-software.png"), Width, Height, exact.Pixels);
  }
  ::testing::Test::RecordProperty("LargestDifference", agreement.LargestDifference);
  ::testing::Test::RecordProperty("ExplainedByNudge", agreement.ExplainedByNudge);
  EXPECT_EQ(agreement.Unexplained, 0) << "first: " << agreement.FirstUnexplained;
  EXPECT_GT(agreement.DrawnPixels, Width * Height / 20) << "the scene drew almost nothing";
  EXPECT_LE(agreement.ExplainedByNudge, agreement.DrawnPixels / 100);
  if (scene.ExactCopy) {
    EXPECT_EQ(agreement.ExplainedByNudge, 0);
    EXPECT_LE(agreement.LargestDifference, 1);
  }
}

}  // namespace Vennicor::Graphics::OpenGL::Testing
