#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "font/layout/OpenTypeFeature.h"
#include "graphics/Color.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

class Font;

/// Lines drawn with a run's glyphs; bits, combined with `|`.
enum class TextDecoration : int {
  None = 0,
  Underline = 1,      ///< at the position and thickness of the face's `post` table
  Strikethrough = 2,  ///< at the position and thickness of the face's `OS/2` table
};

/// Both decorations' bits.
constexpr TextDecoration operator|(TextDecoration a, TextDecoration b) {
  return static_cast<TextDecoration>(static_cast<int>(a) | static_cast<int>(b));
}
/// The bits both have.
constexpr TextDecoration operator&(TextDecoration a, TextDecoration b) {
  return static_cast<TextDecoration>(static_cast<int>(a) & static_cast<int>(b));
}

/// How a run of a RichText is shaped and drawn. Every member has an initialiser, so that a
/// designated list may leave any out. A plain value; the Font it points to must outlive the
/// layouts made from the text while they are drawn (queries need it only while laying out).
struct TextStyle {
  /// The run's font; null: the font the TextLayout is made with. Fonts of one FontFamily share
  /// their atlas, so a paragraph of them draws from one texture.
  Vennicor::Font::Font* Font = nullptr;
  std::optional<Graphics::Color> Color{};             ///< none: the colour DrawText is given
  TextDecoration Decorations = TextDecoration::None;  ///< lines drawn in the glyphs' colour
  std::optional<Graphics::Color> Background{};        ///< a box behind the run's glyphs, line high
  /// Pixels the run's baseline is raised (superscript; negative lowers it, subscript). Lines
  /// grow to hold it. Not finite: 0; beyond ±65,536 it is taken as ±65,536.
  float BaselineShift = 0;
  std::vector<OpenTypeFeature> Features{};  ///< HarfBuzz features for the run's shaping
  std::string Language{};  ///< BCP 47 ("sr", "ja") for shaping; empty: the layout's
  std::int32_t Tag = 0;    ///< the caller's id (a link) that TextLayout::TagAt answers; 0: none

  /// Styles are equal when every member is.
  friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

/// A box the text flows around and wraps with like a character: an icon from the game's own
/// atlas, or a gap. The layout reports where it put it (TextLayout::Objects); the game draws it.
struct InlineObject {
  std::int32_t Id = 0;     ///< the caller's (which icon)
  Graphics::Vector2 Size;  ///< pixels; a negative or non-finite side is taken as 0
  /// Pixels from the object's top to the baseline it sits on (its Size.Y: it stands on the
  /// baseline; less: it hangs below it).
  float Baseline = 0;

  /// Objects are equal when every member is.
  friend bool operator==(const InlineObject&, const InlineObject&) = default;
};

}  // namespace Vennicor::Font
