#pragma once

#include <cstdint>

namespace Vennicor::Font {

/// An OpenType feature for shaping, as HarfBuzz's hb_feature_t takes it over a whole run:
/// `{{'s', 'm', 'c', 'p'}}` turns small capitals on, `{{'l', 'i', 'g', 'a'}, 0}` ligatures off,
/// `{{'a', 'a', 'l', 't'}, 2}` picks the second alternate. A plain value.
struct OpenTypeFeature {
  char Tag[4] = {' ', ' ', ' ', ' '};  ///< the feature's four-letter tag
  std::uint32_t Value = 1;             ///< 0 off, 1 on, or an alternate's number

  /// Features are equal when tag and value are.
  friend bool operator==(const OpenTypeFeature&, const OpenTypeFeature&) = default;
};

}  // namespace Vennicor::Font
