#include "backends/BackendConformance.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <sstream>
#include <utility>

#include "graphics/SpriteBatch.h"
#include "graphics/software/PngFile.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace Vennicor::Graphics::Testing {

namespace {

constexpr std::int32_t Width = SceneWidth;
constexpr std::int32_t Height = SceneHeight;
constexpr int Pixels = Width * Height;
constexpr float Nudge = 1.0F / 128.0F;

// A share of `whole`, in thousandths.
int Share(int whole, int perMille) { return whole * perMille / 1000; }

/// One quad as a device received it, with its texture named by creation order so that quads
/// from two devices can be compared.
struct RecordedQuad {
  int TextureIndex = -1;
  SpriteQuad Quad;
  SpriteRenderState State;
};

bool SameQuad(const RecordedQuad& a, const RecordedQuad& b) {
  // Bitwise: both devices must receive exactly the same floats.
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

/// How the reference departs from the scene's own calls.
struct ReferenceChange {
  Vector2 Nudge;
  bool PointSampled = false;
  /// A blend state drawn as another (to show that a comparison catches a wrong blend).
  std::optional<std::pair<BlendState, BlendState>> Blend;
};

/// Stands between a sprite batch and a device: records every quad as the batch handed it, and
/// passes it on changed as asked.
class ProbeDevice final : public GraphicsDevice {
 public:
  ProbeDevice(GraphicsDevice& inner, ReferenceChange change) : inner(inner), change(change) {}

  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override {
    auto texture = inner.CreateTexture2D(width, height, mipMap, format);
    created.push_back(texture.get());
    return texture;
  }
  std::int32_t MaxTextureSize() const override { return inner.MaxTextureSize(); }
  bool SupportsFormat(SurfaceFormat format) const override { return inner.SupportsFormat(format); }

  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override {
    shifted.assign(sprites.begin(), sprites.end());
    for (SpriteQuad& quad : shifted) {
      // The latest creation at that address: a freed texture's address may be reused.
      const auto found = std::find(created.rbegin(), created.rend(), quad.Texture);
      recorded.push_back(
          {found == created.rend() ? -1 : static_cast<int>(created.rend() - found) - 1, quad,
           state});
      for (Vector2* corner : {&quad.TopLeft, &quad.TopRight, &quad.BottomLeft, &quad.BottomRight}) {
        corner->X += change.Nudge.X;
        corner->Y += change.Nudge.Y;
      }
    }
    SpriteRenderState changed = state;
    if (change.PointSampled) changed.Sampler = SamplerState::PointClamp;
    if (change.Blend && state.Blend == change.Blend->first) changed.Blend = change.Blend->second;
    inner.DrawSprites(shifted, changed);
  }

  const std::vector<RecordedQuad>& Recorded() const { return recorded; }

 private:
  GraphicsDevice& inner;
  ReferenceChange change;
  std::vector<const Texture2D*> created;
  std::vector<RecordedQuad> recorded;
  std::vector<SpriteQuad> shifted;
};

struct Rendering {
  std::vector<Color> Pixels;
  std::vector<RecordedQuad> Quads;
};

Rendering Render(BackendTarget& target, const ConformanceScene& scene,
                 const ReferenceChange& change = {}) {
  target.Clear(scene.ClearColor);
  ProbeDevice probe(target.Device(), change);
  SpriteBatch batch(probe);
  scene.Draw(batch, probe, MakeSceneTextures(probe));
  return {target.Pixels(), probe.Recorded()};
}

class SoftwareTarget final : public BackendTarget {
 public:
  GraphicsDevice& Device() override { return device; }
  void Clear(Color color) override { device.Clear(color); }
  std::vector<Color> Pixels() override {
    return {device.BackBuffer().begin(), device.BackBuffer().end()};
  }

 private:
  Software::SoftwareGraphicsDevice device{Width, Height};
};

Rendering RenderInSoftware(const ConformanceScene& scene, const ReferenceChange& change) {
  SoftwareTarget target;
  return Render(target, scene, change);
}

/// How a backend's picture agrees with the software device's.
struct Agreement {
  int LargestDifference = 0;  ///< largest channel difference from the reference
  int Exact = 0;              ///< pixels within tolerance of the reference
  int Nudged = 0;             ///< others that match a nudged reference
  int Neighbour = 0;          ///< others that match a reference pixel within reach
  int Unexplained = 0;        ///< pixels matching nothing
  int Drawn = 0;              ///< reference pixels that differ from the clear colour
  std::string FirstUnexplained;
};

std::string Describe(Color c) {
  std::ostringstream text;
  text << "(" << int{c.R} << "," << int{c.G} << "," << int{c.B} << "," << int{c.A} << ")";
  return text.str();
}

/// The software device's pictures of a scene, as a backend's rule asks for them.
struct Reference {
  Rendering Exact;
  std::vector<std::vector<Color>> Nudged;
};

// `blend`, if given, is drawn as another state (to show that a comparison catches it).
Reference RenderReference(const AgreementRule& rule, const ConformanceScene& scene,
                          std::optional<std::pair<BlendState, BlendState>> blend = std::nullopt) {
  ReferenceChange change{{}, rule.PointSampledReference, blend};
  Reference reference{RenderInSoftware(scene, change), {}};
  if (rule.MaxNudgedShare > 0 && scene.Allowed.SubPixelEdges) {
    for (Vector2 nudge :
         {Vector2{Nudge, 0}, Vector2{-Nudge, 0}, Vector2{0, Nudge}, Vector2{0, -Nudge}}) {
      change.Nudge = nudge;
      reference.Nudged.push_back(RenderInSoftware(scene, change).Pixels);
    }
  }
  return reference;
}

Agreement Compare(const Backend& backend, const ConformanceScene& scene,
                  const std::vector<Color>& got, const Reference& reference) {
  const AgreementRule& rule = backend.Rule;
  const int tolerance = rule.Identical ? 0 : scene.Allowed.Channel + rule.ExtraTolerance;
  const auto difference = [&](Color a, Color b) {
    return std::max({std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B),
                     rule.ComparesAlpha ? std::abs(a.A - b.A) : 0});
  };
  const std::vector<Color>& want = reference.Exact.Pixels;
  const auto at = [](int x, int y) { return static_cast<std::size_t>(y * Width + x); };
  Agreement agreement;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const std::size_t i = at(x, y);
      if (want[i] != scene.ClearColor) ++agreement.Drawn;
      const int d = difference(got[i], want[i]);
      agreement.LargestDifference = std::max(agreement.LargestDifference, d);
      if (d <= tolerance) {
        ++agreement.Exact;
        continue;
      }
      if (std::any_of(reference.Nudged.begin(), reference.Nudged.end(), [&](const auto& image) {
            return difference(got[i], image[i]) <= tolerance;
          })) {
        ++agreement.Nudged;
        continue;
      }
      bool near = false;
      for (int dy = -rule.Reach; dy <= rule.Reach && !near; ++dy) {
        for (int dx = -rule.Reach; dx <= rule.Reach && !near; ++dx) {
          const int nx = x + dx;
          const int ny = y + dy;
          near = nx >= 0 && ny >= 0 && nx < Width && ny < Height &&
                 difference(got[i], want[at(nx, ny)]) <= tolerance;
        }
      }
      if (near) {
        ++agreement.Neighbour;
      } else if (agreement.Unexplained++ == 0) {
        // Through a stream: mingw's GCC 12 sees false overlaps (-Wrestrict) in the string
        // operations this inlines into.
        std::ostringstream where;
        where << "(" << x << ", " << y << ") " << backend.Name << "=" << Describe(got[i])
              << " software=" << Describe(want[i]);
        agreement.FirstUnexplained = where.str();
      }
    }
  }
  return agreement;
}

int AllowedUnexplained(const AgreementRule& rule, const Agreement& agreement) {
  return Share(agreement.Drawn, rule.MaxUnexplainedShare);
}

}  // namespace

std::vector<ConformanceRow> ConformanceTable(std::initializer_list<Backend> backends) {
  std::vector<ConformanceRow> rows;
  for (const Backend& backend : backends) {
    for (const ConformanceScene& scene : ConformanceScenes()) {
      if ((scene.NeedsDistanceFields && !backend.Has.DistanceFields) ||
          (scene.NeedsExactSampling && !backend.Has.ExactSampling)) {
        continue;
      }
      rows.emplace_back(backend, scene);
    }
  }
  return rows;
}

std::string ConformanceTestName(const ::testing::TestParamInfo<ConformanceRow>& info) {
  return std::get<0>(info.param).Name + "_" + std::get<1>(info.param).Name;
}

std::string BackendTestName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param.Name;
}

Backend SoftwareBackend() {
  return {"Software",
          [](std::string&) -> std::unique_ptr<BackendTarget> {
            return std::make_unique<SoftwareTarget>();
          },
          {.Identical = true},
          {}};
}

TEST_P(BackendConformance, DrawsWhatTheSoftwareDeviceDraws) {
  const auto& [backend, scene] = GetParam();
  if (!backend.Unavailable.empty()) GTEST_SKIP() << backend.Unavailable;
  std::string failure;
  const std::unique_ptr<BackendTarget> target = backend.Open(failure);
  ASSERT_NE(target, nullptr) << failure;
  const Rendering got = Render(*target, scene);
  const Reference reference = RenderReference(backend.Rule, scene);

  ASSERT_EQ(got.Quads.size(), reference.Exact.Quads.size());
  for (std::size_t i = 0; i < got.Quads.size(); ++i) {
    EXPECT_TRUE(SameQuad(got.Quads[i], reference.Exact.Quads[i])) << "quad " << i;
  }
  ASSERT_EQ(got.Pixels.size(), reference.Exact.Pixels.size());

  const Agreement agreement = Compare(backend, scene, got.Pixels, reference);
  const AgreementRule& rule = backend.Rule;
  ::testing::Test::RecordProperty("LargestDifference", agreement.LargestDifference);
  ::testing::Test::RecordProperty("Exact", agreement.Exact);
  ::testing::Test::RecordProperty("Nudged", agreement.Nudged);
  ::testing::Test::RecordProperty("Neighbour", agreement.Neighbour);
  ::testing::Test::RecordProperty("Unexplained", agreement.Unexplained);
  EXPECT_LE(agreement.Unexplained, AllowedUnexplained(rule, agreement))
      << "first: " << agreement.FirstUnexplained;
  EXPECT_GE(agreement.Exact, Share(Pixels, rule.MinExactShare));
  EXPECT_LE(agreement.Nudged, Share(agreement.Drawn, rule.MaxNudgedShare));
  // A scene that draws almost nothing would pass on any backend.
  EXPECT_GT(agreement.Drawn, Pixels / 20) << "the scene drew almost nothing";
  if (::testing::Test::HasFailure()) {
    const auto folder = std::filesystem::path(::testing::TempDir());
    const std::string stem = backend.Name + "-" + scene.Name;
    Software::SavePng(folder / (stem + ".png"), Width, Height, got.Pixels);
    Software::SavePng(folder / (stem + "-software.png"), Width, Height, reference.Exact.Pixels);
  }
}

// The rule has teeth: it rejects the blend scene against a reference that blends one state as
// another, and a picture of nothing but the clear colour for every scene the backend draws.
TEST_P(BackendConformanceRule, RejectsAWrongBlendAndABlankPicture) {
  const Backend& backend = GetParam();
  const auto scenes = ConformanceScenes();
  const auto blends = std::find_if(scenes.begin(), scenes.end(), [](const auto& s) {
    return std::string(s.Name) == "BlendStateBlocks";
  });
  ASSERT_NE(blends, scenes.end());
  if (!backend.Unavailable.empty()) GTEST_SKIP() << backend.Unavailable;
  std::string failure;
  const std::unique_ptr<BackendTarget> target = backend.Open(failure);
  ASSERT_NE(target, nullptr) << failure;
  const std::vector<Color> got = Render(*target, *blends).Pixels;
  for (const auto& swap : {std::pair{BlendState::NonPremultiplied, BlendState::AlphaBlend},
                           std::pair{BlendState::Additive, BlendState::NonPremultiplied}}) {
    const Agreement agreement =
        Compare(backend, *blends, got, RenderReference(backend.Rule, *blends, swap));
    EXPECT_GT(agreement.Unexplained, AllowedUnexplained(backend.Rule, agreement));
  }

  const std::vector<ConformanceRow> rows = ConformanceTable({backend});
  std::string leftOut;
  for (const ConformanceScene& scene : scenes) {
    const auto drawn = [&](const ConformanceRow& row) {
      return std::get<1>(row).Draw == scene.Draw;
    };
    if (std::none_of(rows.begin(), rows.end(), drawn)) leftOut += std::string(" ") + scene.Name;
  }
  ::testing::Test::RecordProperty("ScenesLeftOut", leftOut);
  for (const ConformanceRow& row : rows) {
    const ConformanceScene& scene = std::get<1>(row);
    const std::vector<Color> blank(static_cast<std::size_t>(Pixels), scene.ClearColor);
    const Agreement agreement =
        Compare(backend, scene, blank, RenderReference(backend.Rule, scene));
    EXPECT_GT(agreement.Unexplained, AllowedUnexplained(backend.Rule, agreement)) << scene.Name;
  }
}

}  // namespace Vennicor::Graphics::Testing
