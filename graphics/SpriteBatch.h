#pragma once

#include <memory>
#include <optional>
#include <span>
#include <typeinfo>
#include <vector>

#include "graphics/BlendState.h"
#include "graphics/Color.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"
#include "graphics/SamplerState.h"
#include "graphics/SpriteEffects.h"
#include "graphics/SpriteGeometry.h"
#include "graphics/SpriteQuad.h"
#include "graphics/SpriteRunItem.h"
#include "graphics/SpriteSortMode.h"
#include "graphics/Texture2D.h"
#include "graphics/Vector2.h"

namespace Vennicor::Graphics {

/// Queues textured sprites between Begin and End and hands them to its device, as XNA's
/// SpriteBatch does.
///
/// A queued sprite holds its texture (through the shared_ptr given to Draw) until the batch
/// has drawn it, so a texture that its owner replaced or dropped after the Draw call still draws.
/// The device must outlive the batch.
class SpriteBatch {
 public:
  /// A batch that draws with `graphicsDevice`, which must outlive it.
  explicit SpriteBatch(GraphicsDevice& graphicsDevice);
  virtual ~SpriteBatch();
  SpriteBatch(const SpriteBatch&) = delete;
  SpriteBatch& operator=(const SpriteBatch&) = delete;

  /// Starts a batch. `transformMatrix` (a camera, say) is applied to every sprite's corners.
  /// \throws std::logic_error if Begin was already called without End.
  void Begin(SpriteSortMode sortMode = SpriteSortMode::Deferred,
             BlendState blendState = BlendState::AlphaBlend,
             SamplerState samplerState = SamplerState::LinearClamp,
             std::optional<Matrix> transformMatrix = std::nullopt);
  /// As above, drawing every sprite of the batch through `distanceField` (text of a font made
  /// with FontOptions::DistanceField, say).
  void Begin(SpriteSortMode sortMode, BlendState blendState, SamplerState samplerState,
             std::optional<Matrix> transformMatrix, const DistanceFieldEffect& distanceField);

  /// Queues one sprite: `sourceRectangle` of the texture (all of it when empty) with its point
  /// `origin` (in source texels) on `position`, scaled by `scale`, rotated by `rotation` radians
  /// about `origin`, tinted by `color` (premultiplied), mirrored by `effects` inside its box.
  /// `layerDepth` orders sprites in the BackToFront and FrontToBack modes.
  /// Virtual so that a recording batch can stand in for the real one in tests.
  /// \throws std::logic_error outside Begin/End or for a disposed texture,
  ///         std::invalid_argument for a null texture. Nothing is queued when it throws.
  virtual void Draw(const std::shared_ptr<Texture2D>& texture, Vector2 position,
                    std::optional<Rectangle> sourceRectangle, Color color, float rotation,
                    Vector2 origin, Vector2 scale, SpriteEffects effects, float layerDepth);

  /// The whole texture at `position`, unscaled.
  void Draw(const std::shared_ptr<Texture2D>& texture, Vector2 position, Color color);
  /// `sourceRectangle` of the texture stretched over `destinationRectangle`.
  void Draw(const std::shared_ptr<Texture2D>& texture, Rectangle destinationRectangle,
            std::optional<Rectangle> sourceRectangle, Color color);

  /// Queues a run of sprites from one texture that share everything but position and source
  /// rectangle: the same as calling `Draw(texture, item.Position, item.SourceRectangle, color,
  /// rotation, origin, scale, effects, layerDepth)` for each item in order, and the sprites are
  /// bit for bit the ones those calls would queue. A batch of a derived class gets exactly those
  /// calls to its `Draw`, so an override sees every sprite; the library's own batch checks its
  /// arguments and holds the texture once for the whole run, and writes each quad directly
  /// (time linear in the run, no allocation beyond the queue's growth).
  /// \throws what Draw throws, with nothing of the run queued (the library's own batch), or
  ///         after the items before the failing one (a derived batch, one Draw at a time).
  void DrawRun(const std::shared_ptr<Texture2D>& texture, std::span<const SpriteRunItem> sprites,
               Color color, float rotation, Vector2 origin, Vector2 scale, SpriteEffects effects,
               float layerDepth);

  /// Sorts the queued sprites as Begin asked, draws them and releases their textures.
  /// \throws std::logic_error if Begin was not called.
  void End();

  /// The device the batch draws with.
  GraphicsDevice& Device() const { return *device; }
  /// True between Begin and End.
  bool IsInBeginEndPair() const { return inBeginEnd; }
  /// Number of sprites queued since Begin and not drawn yet.
  std::size_t QueuedSpriteCount() const { return quads.size(); }

 private:
  // What the sprites of one Draw or DrawRun call share, worked out once for all of them.
  struct QuadShape {
    Texture2D* Texture;
    Color Tint;
    float Depth;
    SpriteGeometry Geometry;
  };
  QuadShape MakeShape(Texture2D& texture, Color color, float rotation, Vector2 origin,
                      Vector2 scale, SpriteEffects effects, float layerDepth);
  // Fills every member of `quad`.
  void WriteQuad(const QuadShape& shape, Vector2 position, const Rectangle& area,
                 SpriteQuad& quad) const;
  void CheckDraw(const std::shared_ptr<Texture2D>& texture) const;
  void QueueRun(const std::shared_ptr<Texture2D>& texture, std::span<const SpriteRunItem> sprites,
                Color color, float rotation, Vector2 origin, Vector2 scale, SpriteEffects effects,
                float layerDepth);
  void Hold(const std::shared_ptr<Texture2D>& texture);
  void Flush();

  GraphicsDevice* device;
  bool inBeginEnd = false;
  SpriteSortMode sortMode = SpriteSortMode::Deferred;
  SpriteRenderState renderState;
  std::optional<Matrix> transform;
  std::vector<SpriteQuad> quads;
  std::vector<std::shared_ptr<Texture2D>> heldTextures;
  // Rotation repeats from sprite to sprite (a whole line of text shares one), so its sine and
  // cosine are kept rather than recomputed.
  float cachedRotation = 0;
  float cachedSin = 0;
  float cachedCos = 1;
};

inline void SpriteBatch::DrawRun(const std::shared_ptr<Texture2D>& texture,
                                 std::span<const SpriteRunItem> sprites, Color color,
                                 float rotation, Vector2 origin, Vector2 scale,
                                 SpriteEffects effects, float layerDepth) {
  if (typeid(*this) == typeid(SpriteBatch)) {
    QueueRun(texture, sprites, color, rotation, origin, scale, effects, layerDepth);
    return;
  }
  for (const SpriteRunItem& sprite : sprites) {
    Draw(texture, sprite.Position, sprite.SourceRectangle, color, rotation, origin, scale, effects,
         layerDepth);
  }
}

}  // namespace Vennicor::Graphics
