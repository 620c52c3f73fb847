#include "graphics/SpriteBatch.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

// The quad of each sprite is written where it is queued rather than returned through the
// stack, which would stall on store forwarding once a sprite.
#if defined(__GNUC__) || defined(__clang__)
#define VENNICOR_QUAD_INLINE [[gnu::always_inline]] inline
#else
#define VENNICOR_QUAD_INLINE inline
#endif

namespace Vennicor::Graphics {

namespace {

constexpr const char* NestedBeginMessage =
    "Begin cannot be called again until End has been successfully called.";
constexpr const char* DrawBeforeBeginMessage =
    "Draw was called, but Begin has not yet been called. Begin must be called successfully "
    "before you can call Draw.";
constexpr const char* EndBeforeBeginMessage =
    "End was called, but Begin has not yet been called. You must call Begin successfully "
    "before you can call End.";

}  // namespace

SpriteBatch::QuadShape SpriteBatch::MakeShape(Texture2D& texture, Color color, float rotation,
                                              Vector2 origin, Vector2 scale, SpriteEffects effects,
                                              float layerDepth) {
  if (rotation != 0 && rotation != cachedRotation) {
    cachedRotation = rotation;
    cachedSin = std::sin(rotation);
    cachedCos = std::cos(rotation);
  }
  return {&texture, color, layerDepth,
          SpriteGeometry::Of(rotation, cachedCos, cachedSin, origin, scale, effects)};
}

VENNICOR_QUAD_INLINE void SpriteBatch::WriteQuad(const QuadShape& shape, Vector2 position,
                                                 const Rectangle& area, SpriteQuad& quad) const {
  quad.Texture = shape.Texture;
  quad.Tint = shape.Tint;
  quad.Depth = shape.Depth;
  shape.Geometry.Write(position, area, quad);
  if (transform) {
    quad.TopLeft = Vector2::Transform(quad.TopLeft, *transform);
    quad.TopRight = Vector2::Transform(quad.TopRight, *transform);
    quad.BottomLeft = Vector2::Transform(quad.BottomLeft, *transform);
    quad.BottomRight = Vector2::Transform(quad.BottomRight, *transform);
  }
}

SpriteBatch::SpriteBatch(GraphicsDevice& graphicsDevice) : device(&graphicsDevice) {}

SpriteBatch::~SpriteBatch() = default;

void SpriteBatch::Begin(SpriteSortMode mode, BlendState blendState, SamplerState samplerState,
                        std::optional<Matrix> transformMatrix) {
  if (inBeginEnd) throw std::logic_error(NestedBeginMessage);
  sortMode = mode;
  renderState = SpriteRenderState{};
  renderState.Blend = blendState;
  renderState.Sampler = samplerState;
  transform = transformMatrix;
  inBeginEnd = true;
}

void SpriteBatch::Begin(SpriteSortMode mode, BlendState blendState, SamplerState samplerState,
                        std::optional<Matrix> transformMatrix,
                        const DistanceFieldEffect& distanceField) {
  Begin(mode, blendState, samplerState, transformMatrix);
  renderState.DistanceField = distanceField;
}

void SpriteBatch::CheckDraw(const std::shared_ptr<Texture2D>& texture) const {
  if (!inBeginEnd) throw std::logic_error(DrawBeforeBeginMessage);
  if (!texture) throw std::invalid_argument("Draw needs a texture");
  if (texture->IsDisposed()) throw std::logic_error("Cannot draw a disposed texture");
}

void SpriteBatch::Draw(const std::shared_ptr<Texture2D>& texture, Vector2 position,
                       std::optional<Rectangle> sourceRectangle, Color color, float rotation,
                       Vector2 origin, Vector2 scale, SpriteEffects effects, float layerDepth) {
  CheckDraw(texture);
  const QuadShape shape = MakeShape(*texture, color, rotation, origin, scale, effects, layerDepth);
  const Rectangle area =
      sourceRectangle.value_or(Rectangle{0, 0, texture->Width(), texture->Height()});
  if (sortMode == SpriteSortMode::Immediate) {
    SpriteQuad quad;
    WriteQuad(shape, position, area, quad);
    device->DrawSprites({&quad, 1}, renderState);
    return;
  }
  WriteQuad(shape, position, area, quads.emplace_back());
  try {
    Hold(texture);
  } catch (...) {
    quads.pop_back();
    throw;
  }
}

void SpriteBatch::QueueRun(const std::shared_ptr<Texture2D>& texture,
                           std::span<const SpriteRunItem> sprites, Color color, float rotation,
                           Vector2 origin, Vector2 scale, SpriteEffects effects, float layerDepth) {
  CheckDraw(texture);
  if (sprites.empty()) return;
  const QuadShape shape = MakeShape(*texture, color, rotation, origin, scale, effects, layerDepth);
  if (sortMode == SpriteSortMode::Immediate) {
    for (const SpriteRunItem& sprite : sprites) {
      SpriteQuad quad;
      WriteQuad(shape, sprite.Position, sprite.SourceRectangle, quad);
      device->DrawSprites({&quad, 1}, renderState);
    }
    return;
  }
  // Room first (growing geometrically, as push_back would) and the texture held, so that
  // nothing below can throw and the run is queued whole or not at all.
  const std::size_t needed = quads.size() + sprites.size();
  if (needed > quads.capacity()) quads.reserve(std::max(needed, 2 * quads.capacity()));
  Hold(texture);
  for (const SpriteRunItem& sprite : sprites) {
    WriteQuad(shape, sprite.Position, sprite.SourceRectangle, quads.emplace_back());
  }
}

void SpriteBatch::Draw(const std::shared_ptr<Texture2D>& texture, Vector2 position, Color color) {
  Draw(texture, position, std::nullopt, color, 0, {}, {1, 1}, SpriteEffects::None, 0);
}

void SpriteBatch::Draw(const std::shared_ptr<Texture2D>& texture, Rectangle destinationRectangle,
                       std::optional<Rectangle> sourceRectangle, Color color) {
  if (!texture) throw std::invalid_argument("Draw needs a texture");
  const Rectangle source =
      sourceRectangle.value_or(Rectangle{0, 0, texture->Width(), texture->Height()});
  const Vector2 scale{source.Width != 0 ? static_cast<float>(destinationRectangle.Width) /
                                              static_cast<float>(source.Width)
                                        : 0.0F,
                      source.Height != 0 ? static_cast<float>(destinationRectangle.Height) /
                                               static_cast<float>(source.Height)
                                         : 0.0F};
  Draw(texture,
       {static_cast<float>(destinationRectangle.X), static_cast<float>(destinationRectangle.Y)},
       source, color, 0, {}, scale, SpriteEffects::None, 0);
}

void SpriteBatch::End() {
  if (!inBeginEnd) throw std::logic_error(EndBeforeBeginMessage);
  inBeginEnd = false;
  Flush();
}

void SpriteBatch::Hold(const std::shared_ptr<Texture2D>& texture) {
  // Consecutive sprites nearly always share a texture (a line of text, a tile map), so one
  // reference per run of equal textures is enough and avoids a reference count per sprite.
  if (heldTextures.empty() || heldTextures.back() != texture) heldTextures.push_back(texture);
}

void SpriteBatch::Flush() {
  struct Clear {
    SpriteBatch& Batch;
    ~Clear() {
      Batch.quads.clear();
      Batch.heldTextures.clear();
    }
  } clearAfterwards{*this};

  if (quads.empty()) return;
  switch (sortMode) {
    case SpriteSortMode::Texture:
      std::stable_sort(quads.begin(), quads.end(), [](const SpriteQuad& a, const SpriteQuad& b) {
        return std::less<>()(a.Texture, b.Texture);
      });
      break;
    case SpriteSortMode::BackToFront:
      std::stable_sort(quads.begin(), quads.end(),
                       [](const SpriteQuad& a, const SpriteQuad& b) { return a.Depth > b.Depth; });
      break;
    case SpriteSortMode::FrontToBack:
      std::stable_sort(quads.begin(), quads.end(),
                       [](const SpriteQuad& a, const SpriteQuad& b) { return a.Depth < b.Depth; });
      break;
    case SpriteSortMode::Deferred:
    case SpriteSortMode::Immediate:
      break;
  }
  device->DrawSprites(quads, renderState);
}

}  // namespace Vennicor::Graphics
