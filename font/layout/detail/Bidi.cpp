#include "font/layout/detail/Bidi.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <cassert>
#include <limits>

#include "font/FontException.h"

namespace Vennicor::Font::Layout::Detail {

namespace {

BidiHandle OpenBidi() {
  BidiHandle bidi(ubidi_open());
  if (!bidi) throw FontException(Messages::TextServicesUnavailable);
  return bidi;
}

// Characters that rule L1 resets to the paragraph level when they end a line.
bool IsLineEndNeutral(UCharDirection direction) {
  switch (direction) {
    case U_WHITE_SPACE_NEUTRAL:
    case U_BOUNDARY_NEUTRAL:
    case U_LEFT_TO_RIGHT_EMBEDDING:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_LEFT_TO_RIGHT_OVERRIDE:
    case U_RIGHT_TO_LEFT_OVERRIDE:
    case U_POP_DIRECTIONAL_FORMAT:
    case U_LEFT_TO_RIGHT_ISOLATE:
    case U_RIGHT_TO_LEFT_ISOLATE:
    case U_FIRST_STRONG_ISOLATE:
    case U_POP_DIRECTIONAL_ISOLATE:
    case U_SEGMENT_SEPARATOR:
    case U_BLOCK_SEPARATOR:
      return true;
    default:
      return false;
  }
}

}  // namespace

BidiParagraph::BidiParagraph() : paragraph(OpenBidi()), line(OpenBidi()) {}

void BidiParagraph::Analyze(std::u16string_view text, TextDirection direction) {
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw FontException(Messages::TextTooLong);
  }
  length = static_cast<std::int32_t>(text.size());
  // Nothing below U+0590 (where the Hebrew block starts) is right to left, a number that
  // reverses, or a directional control: such text in a paragraph that is not forced right to
  // left is all at level 0, which ICU would take a scan of its classes to say.
  allLeftToRight = direction != TextDirection::RightToLeft &&
                   std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x0590; });
  if (allLeftToRight) return;
  UBiDiLevel level = UBIDI_DEFAULT_LTR;
  if (direction == TextDirection::LeftToRight) level = 0;
  if (direction == TextDirection::RightToLeft) level = 1;
  UErrorCode status = U_ZERO_ERROR;
  ubidi_setPara(paragraph.get(), text.data(), length, level, nullptr, &status);
  if (U_FAILURE(status)) {
    length = 0;
    throw FontException(Messages::TextServicesUnavailable);
  }
}

std::uint8_t BidiParagraph::ParagraphLevel() const {
  return allLeftToRight ? 0 : ubidi_getParaLevel(paragraph.get());
}

bool BidiParagraph::IsUniform() const {
  if (allLeftToRight) return true;
  const UBiDiDirection direction = ubidi_getDirection(paragraph.get());
  return direction != UBIDI_MIXED &&
         (direction == UBIDI_RTL) == ((ubidi_getParaLevel(paragraph.get()) & 1U) != 0);
}

void BidiParagraph::LineLevels(std::int32_t start, std::int32_t end,
                               std::vector<std::uint8_t>& out) {
  out.clear();
  if (start >= end) return;
  assert(start >= 0 && end <= length);
  if (allLeftToRight) {
    out.assign(static_cast<std::size_t>(end - start), 0);
    return;
  }
  // The paragraph's own levels, with rule L1 applied at its end and at every segment and
  // paragraph separator. ICU's line objects (ubidi_setLine) are not used: in ICU 72 they lose
  // the levels of some mixed lines (a line "a(١)" comes back all at level 0).
  UErrorCode status = U_ZERO_ERROR;
  const UBiDiLevel* levels = ubidi_getLevels(paragraph.get(), &status);
  if (U_FAILURE(status) || levels == nullptr) {
    throw FontException(Messages::TextServicesUnavailable);
  }
  out.assign(levels + start, levels + end);
  // L1 at the line's end: trailing whitespace, isolate controls and characters the algorithm
  // removes (which ride along with them) return to the paragraph level.
  const std::uint8_t paragraphLevel = ubidi_getParaLevel(paragraph.get());
  const UChar* text = ubidi_getText(paragraph.get());
  for (std::int32_t index = end; index > start;) {
    std::int32_t before = index - 1;
    UChar32 codePoint = text[before];
    if (U16_IS_TRAIL(text[before]) && before > start && U16_IS_LEAD(text[before - 1])) {
      --before;
      codePoint = static_cast<UChar32>(U16_GET_SUPPLEMENTARY(text[before], text[before + 1]));
    }
    if (!IsLineEndNeutral(u_charDirection(codePoint))) break;
    for (std::int32_t unit = before; unit < index; ++unit) {
      out[static_cast<std::size_t>(unit - start)] = paragraphLevel;
    }
    index = before;
  }
}

void BidiParagraph::VisualOrder(std::span<const std::uint8_t> runLevels,
                                std::vector<std::int32_t>& out) {
  out.resize(runLevels.size());
  if (runLevels.empty()) return;
  assert(runLevels.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()));
  ubidi_reorderVisual(runLevels.data(), static_cast<std::int32_t>(runLevels.size()), out.data());
}

}  // namespace Vennicor::Font::Layout::Detail
