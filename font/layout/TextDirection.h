#pragma once

namespace Vennicor::Font {

/// The base direction of a paragraph of text.
enum class TextDirection {
  Auto,         ///< from the paragraph's first strong character (left to right if it has none)
  LeftToRight,  ///< forced left to right, whatever the text holds
  RightToLeft,  ///< forced right to left
};

}  // namespace Vennicor::Font
