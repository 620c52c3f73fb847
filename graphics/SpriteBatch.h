#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "graphics/BlendState.h"
#include "graphics/Color.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"
#include "graphics/SamplerState.h"
#include "graphics/SpriteEffects.h"
#include "graphics/SpriteQuad.h"
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
  SpriteQuad MakeQuad(Texture2D& texture, Vector2 position, const std::optional<Rectangle>& source,
                      Color color, float rotation, Vector2 origin, Vector2 scale,
                      SpriteEffects effects, float layerDepth);
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

}  // namespace Vennicor::Graphics
