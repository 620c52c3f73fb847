#pragma once

namespace Vennicor::Graphics {

/// How a sprite's colour (tint × texel, "src") combines with the target ("dst").
enum class BlendState : int {
  AlphaBlend = 0,        ///< premultiplied alpha: src + dst × (1 − src.A)
  NonPremultiplied = 1,  ///< src × src.A + dst × (1 − src.A)
  Additive = 2,          ///< src × src.A + dst
  Opaque = 3,            ///< src
};

}  // namespace Vennicor::Graphics
