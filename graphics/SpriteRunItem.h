#pragma once

#include "graphics/Rectangle.h"
#include "graphics/Vector2.h"

namespace Vennicor::Graphics {

/// One sprite of a run handed to SpriteBatch::DrawRun: where it goes and which texels it shows.
/// Everything else (texture, tint, rotation, origin, scale, effects, depth) the run's sprites
/// share.
struct SpriteRunItem {
  Vector2 Position;           ///< as Draw's `position`
  Rectangle SourceRectangle;  ///< texels of the run's texture, as Draw's `sourceRectangle`
};

}  // namespace Vennicor::Graphics
