#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "graphics/GraphicsDevice.h"
#include "graphics/SpriteBatch.h"
#include "opengl/HeadlessContext.h"

namespace Vennicor::Graphics::OpenGL::Testing {

/// Textures a scene draws from, created on whichever device renders it.
struct SceneTextures {
  std::shared_ptr<Texture2D> Glyphs;       ///< 64 x 32: eight 16 x 16 anti-aliased white shapes
  std::shared_ptr<Texture2D> Gradient;     ///< 32 x 32 opaque colour ramp
  std::shared_ptr<Texture2D> Translucent;  ///< 16 x 16 premultiplied colours, alpha 0..255
};

/// The premultiplied texels of the glyph sheet (shape `index` covers cell index % 4, index / 4).
std::vector<Color> GlyphSheetTexels();
SceneTextures MakeSceneTextures(GraphicsDevice& device);
/// The source rectangle of glyph `index` (0..7) in the glyph sheet.
Rectangle GlyphCell(int index);

/// One quad as a device received it, with its texture named by creation order so that quads
/// from two backends can be compared.
struct RecordedQuad {
  int TextureIndex = -1;
  SpriteQuad Quad;
  SpriteRenderState State;
};

bool SameQuad(const RecordedQuad& a, const RecordedQuad& b);

/// Stands between a sprite batch and a real device: records every quad, and can shift every
/// corner by a sub-pixel `nudge` before passing the quads on.
class ProbeDevice final : public GraphicsDevice {
 public:
  ProbeDevice(GraphicsDevice& inner, Vector2 nudge = {});

  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                             SurfaceFormat format) override;
  std::int32_t MaxTextureSize() const override { return inner.MaxTextureSize(); }
  bool SupportsFormat(SurfaceFormat format) const override { return inner.SupportsFormat(format); }
  void DrawSprites(std::span<const SpriteQuad> sprites, const SpriteRenderState& state) override;

  const std::vector<RecordedQuad>& Recorded() const { return recorded; }
  std::size_t DrawSpritesCalls() const { return calls; }

 private:
  GraphicsDevice& inner;
  Vector2 nudge;
  std::vector<const Texture2D*> created;
  std::vector<RecordedQuad> recorded;
  std::vector<SpriteQuad> shifted;
  std::size_t calls = 0;
};

/// Size of every comparison scene's back buffer.
constexpr std::int32_t SceneWidth = 160;
constexpr std::int32_t SceneHeight = 120;

/// Draws a scene: the same calls go to each backend under test.
using SceneFunction = void (*)(SpriteBatch& batch, GraphicsDevice& device,
                               const SceneTextures& textures);

struct Scene {
  const char* Name;
  SceneFunction Draw;
  Color ClearColor = Color(30, 40, 50, 255);
  bool ExactCopy = false;  ///< whole-pixel, unscaled sprites: no pixel may need a nudge
};

inline void PrintTo(const Scene& scene, std::ostream* out) { *out << scene.Name; }

/// Renders `scene` with the OpenGL backend (in a fresh headless context target) and the software
/// backend, and checks with GoogleTest assertions that they agree by the rule in SceneSupport.cpp.
void ExpectBackendsAgree(GlApi api, const Scene& scene);

/// How a GL image agrees with software renderings of the same scene.
struct ImageAgreement {
  int LargestDifference = 0;     ///< largest channel difference from the exact software image
  int ExplainedByNudge = 0;      ///< pixels beyond tolerance that match a nudged rendering
  int Unexplained = 0;           ///< pixels matching no rendering within tolerance
  int DrawnPixels = 0;           ///< pixels of the exact image that differ from the clear colour
  std::string FirstUnexplained;  ///< "(x, y) gl=… software=…" for the report
};

/// Compares `gl` with `exact` (the software image) and, where they differ by more than
/// `tolerance`, with each image of `nudged`.
ImageAgreement Compare(const std::vector<Color>& gl, const std::vector<Color>& exact,
                       const std::vector<std::vector<Color>>& nudged, std::int32_t width,
                       Color clearColor, int tolerance);

}  // namespace Vennicor::Graphics::OpenGL::Testing
