#pragma once

namespace Vennicor::Graphics {

/// When and in which order a SpriteBatch draws its sprites.
enum class SpriteSortMode : int {
  Deferred = 0,     ///< at End, in the order of the Draw calls
  Immediate = 1,    ///< at each Draw
  Texture = 2,      ///< at End, grouped by texture
  BackToFront = 3,  ///< at End, largest layer depth first
  FrontToBack = 4,  ///< at End, smallest layer depth first
};

}  // namespace Vennicor::Graphics
