#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font/layout/OpenTypeFeature.h"
#include "font/layout/TextDirection.h"
#include "graphics/Color.h"

namespace Vennicor::Font {

/// Where each line sits between the left and right edges of a layout (its MaxWidth, or its
/// widest line when MaxWidth is 0). The edges are physical: Left is left in right-to-left text
/// too.
enum class TextAlignment {
  Left,
  Center,
  Right,
  /// Lines that wrap are stretched to MaxWidth by widening their spaces; a paragraph's last
  /// line, and every line when MaxWidth is 0, stays at the left.
  Justify,
};

/// A colour for the glyphs of a range of the text, in place of the colour DrawText is given.
struct ColorSpan {
  std::int32_t Start = 0;   ///< first UTF-16 code unit of TextLayout::Text() covered
  std::int32_t Length = 0;  ///< code units covered
  Graphics::Color Color;    ///< the colour those code units' glyphs are drawn in

  /// Spans are equal when range and colour are.
  friend bool operator==(const ColorSpan&, const ColorSpan&) = default;
};

/// How a TextLayout breaks, places and colours its text. The defaults give lines that end only
/// at the text's own line breaks, at the left, at the font's line distance.
struct TextLayoutOptions {
  /// Width in pixels at which lines wrap (between words, or between characters for a word
  /// longer than the width); 0, negative or not finite: lines end only at line breaks in the
  /// text.
  float MaxWidth = 0;
  /// Where each line sits within the layout's width (physical sides, in both directions).
  TextAlignment Alignment = TextAlignment::Left;
  /// Base direction of every paragraph; Auto takes it from each paragraph's first strong
  /// character.
  TextDirection Direction = TextDirection::Auto;
  /// Baseline-to-baseline distance as a factor of the font's (LineHeight + Leading). 0 puts
  /// every line on the first; a negative factor stacks each line above the one before, and
  /// Size().Y is then the last line's (negative) top plus LineHeight. Not finite: 1; beyond
  /// ±65,536 it is taken as ±65,536.
  float LineSpacing = 1;
  /// Pixels added after each character (grapheme cluster); may be negative. Not finite: 0;
  /// beyond ±16,777,216 it is taken as ±16,777,216, so that no position can become infinite.
  float LetterSpacing = 0;
  /// Distance in pixels between tab stops; 0, negative or not finite: eight spaces of the font.
  /// At least 1/64 and at most 16,777,216.
  float TabWidth = 0;
  /// Lines kept at most (0: all). When the text needs more, the last kept line ends with an
  /// ellipsis, shortened until both fit MaxWidth.
  std::int32_t MaxLines = 0;
  /// Colours of ranges of the text; where spans overlap, the later one wins.
  std::vector<ColorSpan> ColorSpans = {};
  /// OpenType features for shaping the whole text (a RichText run's own features follow them).
  std::vector<OpenTypeFeature> Features = {};
  /// BCP 47 language for shaping ("sr" gives Serbian forms where the font has them); empty:
  /// HarfBuzz's default, from the process's locale.
  std::string Language = {};

  /// Options are equal when every setting is: the font's layout cache is keyed by them.
  friend bool operator==(const TextLayoutOptions&, const TextLayoutOptions&) = default;
};

}  // namespace Vennicor::Font
