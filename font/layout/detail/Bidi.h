#pragma once

// The Unicode Bidirectional Algorithm (UAX #9) through ICU's ubidi: embedding levels of a
// paragraph, the levels of one line of it, and the visual order of a line's runs. ICU passes
// Unicode's BidiCharacterTest, which FriBiDi, the other candidate, does not claim for the
// current version; it is also the library the line breaking already uses.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "font/layout/TextDirection.h"
#include "font/layout/detail/IcuHandles.h"

namespace Vennicor::Font::Layout::Detail {

/// Bidi analysis of one paragraph. Reusable for many paragraphs; not for concurrent use.
class BidiParagraph {
 public:
  /// \throws FontException when ICU cannot allocate its bidi objects.
  BidiParagraph();

  /// Resolves the embedding levels of `text` (one paragraph; a paragraph separator inside is
  /// treated as ICU does, as the start of another paragraph) in `direction`. `text` must stay
  /// alive, unchanged, until the next Analyze or the object's end.
  /// \throws FontException when ICU fails (the text is too long, out of memory).
  void Analyze(std::u16string_view text, TextDirection direction);

  /// 0 for a left-to-right paragraph, 1 for right to left.
  std::uint8_t ParagraphLevel() const;

  /// True when every character resolves to the paragraph's level: nothing to reorder.
  bool IsUniform() const;

  /// Replaces `out` with the levels of code units [start, end) laid out as one line, so that
  /// whitespace at the line's end takes the paragraph level (rule L1). Characters the algorithm
  /// removes (controls such as U+200D, U+202A) take the level of a neighbour.
  /// \throws FontException when ICU refuses the range.
  void LineLevels(std::int32_t start, std::int32_t end, std::vector<std::uint8_t>& out);

  /// The visual order of runs given their levels in logical order (rule L2): `out[v]` is the
  /// logical index of the run shown at visual position v, leftmost first.
  static void VisualOrder(std::span<const std::uint8_t> runLevels, std::vector<std::int32_t>& out);

 private:
  BidiHandle paragraph;
  BidiHandle line;
  std::int32_t length = 0;
  bool allLeftToRight = false;  // the fast path: no ICU analysis was needed
};

}  // namespace Vennicor::Font::Layout::Detail
