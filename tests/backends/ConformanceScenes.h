#pragma once

// The scenes every backend must draw as the software device draws them. Each scene is a row:
// the same calls go to the backend under test and to the software device (BackendConformance.h
// compares the pictures). Scenes use only the public drawing API: SpriteBatch, Font and
// SpriteBatchEx.

#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <vector>

#include "graphics/Color.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Rectangle.h"
#include "graphics/SpriteBatch.h"

namespace Vennicor::Graphics::Testing {

/// Size of every scene's target.
constexpr std::int32_t SceneWidth = 160;
constexpr std::int32_t SceneHeight = 120;

/// Textures a scene draws from, created on whichever device renders it.
struct SceneTextures {
  std::shared_ptr<Texture2D> Glyphs;       ///< 64 x 32: eight 16 x 16 anti-aliased white shapes
  std::shared_ptr<Texture2D> Gradient;     ///< 32 x 32 opaque colour ramp
  std::shared_ptr<Texture2D> Translucent;  ///< 16 x 16 premultiplied colours, alpha 0..255
  std::shared_ptr<Texture2D> Ring;         ///< 32 x 32 anti-aliased white ring, bar off centre
  std::shared_ptr<Texture2D> Blocks;       ///< 16 x 16 premultiplied colours in 4 x 4 blocks
  std::shared_ptr<Texture2D> Backdrop;     ///< the scene's size: an opaque ramp, one texel a pixel
};

SceneTextures MakeSceneTextures(GraphicsDevice& device);
/// The premultiplied texels of the glyph sheet (shape `index` covers cell index % 4, index / 4).
std::vector<Color> GlyphSheetTexels();
/// The source rectangle of glyph `index` (0..7) in the glyph sheet.
Rectangle GlyphCell(int index);

/// How far a backend's picture of a scene may stray from the software device's. A backend's
/// rule (AgreementRule) adds what its own arithmetic and rasterization cost.
struct Tolerance {
  /// Largest difference in any channel of a pixel: the error of filtering, tinting and blending
  /// in 8 bits, as GPUs do (below 0.5 each), against the software device's single rounding.
  int Channel = 2;
  /// False when every sprite covers whole pixels unscaled: no pixel centre lies near an edge,
  /// so a backend gets no allowance for edges that its rasterizer may place differently.
  bool SubPixelEdges = true;
};

/// Draws a scene: `device` is the one `batch` draws on, for the scene's own textures and fonts.
using SceneFunction = void (*)(SpriteBatch& batch, GraphicsDevice& device,
                               const SceneTextures& textures);

struct ConformanceScene {
  const char* Name;
  SceneFunction Draw;
  Color ClearColor = Color(30, 40, 50, 255);
  Tolerance Allowed = {};
  /// The scene draws through a distance-field effect, which a backend may lack.
  bool NeedsDistanceFields = false;
  /// The picture depends on each texel being sampled where the software device samples it:
  /// texels filtered or magnified several times, or small rotated sprites whose anti-aliased
  /// edges overlap. A renderer that takes the nearest texel by its own rounding (SDL's
  /// software renderer lands up to half a texel off) cannot draw such a scene within reach.
  bool NeedsExactSampling = false;
};

inline void PrintTo(const ConformanceScene& scene, std::ostream* out) { *out << scene.Name; }

/// Every scene, in a fixed order.
std::span<const ConformanceScene> ConformanceScenes();

}  // namespace Vennicor::Graphics::Testing
