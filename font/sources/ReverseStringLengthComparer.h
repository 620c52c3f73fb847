#pragma once

#include <cstdint>
#include <string_view>

namespace Vennicor::Font {

/// Orders texts by length, shortest first (despite the name); texts of equal length compare
/// equal and their characters are never looked at. Used to try installed fonts with the least
/// text after the searched name first.
class ReverseStringLengthComparer {
 public:
  /// The shared instance.
  static const ReverseStringLengthComparer Default;

  /// Length of `left` minus length of `right`: negative puts `left` first. An empty text has
  /// length 0. Differences beyond the 32-bit range are clamped, keeping their sign.
  std::int32_t Compare(std::u16string_view left, std::u16string_view right) const {
    const auto difference =
        static_cast<long long>(left.size()) - static_cast<long long>(right.size());
    if (difference > INT32_MAX) return INT32_MAX;
    if (difference < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(difference);
  }
};

inline const ReverseStringLengthComparer ReverseStringLengthComparer::Default{};

}  // namespace Vennicor::Font
