#pragma once

namespace Vennicor::Graphics {

/// Mirroring of a sprite inside its own box. The flags combine with | and &.
enum class SpriteEffects : int { None = 0, FlipHorizontally = 1, FlipVertically = 2 };

constexpr SpriteEffects operator|(SpriteEffects a, SpriteEffects b) {
  return static_cast<SpriteEffects>(static_cast<int>(a) | static_cast<int>(b));
}
constexpr SpriteEffects operator&(SpriteEffects a, SpriteEffects b) {
  return static_cast<SpriteEffects>(static_cast<int>(a) & static_cast<int>(b));
}
constexpr bool HasFlag(SpriteEffects effects, SpriteEffects flag) {
  return (static_cast<int>(effects) & static_cast<int>(flag)) != 0;
}

}  // namespace Vennicor::Graphics
