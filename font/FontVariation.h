#pragma once

namespace Vennicor::Font {

/// One axis of a variable font set to a value in the axis's own design units: {'w','g','h','t'},
/// 650 for a weight between semibold and bold. A value outside the axis's range is clamped to
/// it; an axis the face does not have, or a value that is not finite, is ignored.
struct FontVariation {
  /// The axis tag, four ASCII characters as the font's `fvar` table spells them.
  char Tag[4] = {' ', ' ', ' ', ' '};
  /// The value in design units (wght 100 to 900, wdth in percent, slnt in degrees, ...).
  float Value = 0;
};

}  // namespace Vennicor::Font
