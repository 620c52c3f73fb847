#pragma once

#include <algorithm>
#include <cmath>

#include "graphics/DistanceFieldEffect.h"

namespace Vennicor::Graphics {

/// (Backends' helper; not installed.) A DistanceFieldEffect in the field's own steps (0..255, the
/// edge at 128), as every backend shades it, with the effect's values made safe: a spread that is
/// not positive or not finite is 8, an outline is at most the spread wide, a negative or non-finite
/// width or softness is 0.
struct DistanceFieldRamp {
  /// The value FreeType's SDF renderer writes on the outline.
  static constexpr float Edge = 128;

  float StepsPerTexel = Edge / 8;
  /// Where the outline's ramp is centred; Edge when there is no outline.
  float OutlineEdge = Edge;
  /// Steps over which a soft outline fades in; 0 for a ramp one screen pixel wide.
  float OutlineSoftness = 0;

  bool HasOutline() const { return OutlineEdge < Edge; }

  static DistanceFieldRamp Of(const DistanceFieldEffect& effect) {
    const auto finite = [](float value, float otherwise) {
      return std::isfinite(value) ? value : otherwise;
    };
    const float spread = effect.Spread > 0 ? finite(effect.Spread, 8) : 8;
    DistanceFieldRamp ramp;
    ramp.StepsPerTexel = Edge / spread;
    const float width = std::clamp(finite(effect.OutlineWidth, 0), 0.0F, spread);
    ramp.OutlineSoftness = std::max(finite(effect.OutlineSoftness, 0), 0.0F) * ramp.StepsPerTexel;
    ramp.OutlineEdge = Edge - width * ramp.StepsPerTexel - ramp.OutlineSoftness / 2;
    return ramp;
  }
};

}  // namespace Vennicor::Graphics
