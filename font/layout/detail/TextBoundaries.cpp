#include "font/layout/detail/TextBoundaries.h"

#include <unicode/utypes.h>

#include <algorithm>
#include <limits>

#include "font/FontException.h"

namespace Vennicor::Font::Layout::Detail {

namespace {

BreakIteratorHandle OpenIterator(UBreakIteratorType type) {
  UErrorCode status = U_ZERO_ERROR;
  // The root locale: no language tailoring, the default rules of the Unicode annexes.
  BreakIteratorHandle iterator(ubrk_open(type, "", nullptr, 0, &status));
  if (U_FAILURE(status) || !iterator) throw FontException(Messages::TextServicesUnavailable);
  return iterator;
}

void CheckLength(std::size_t length) {
  if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw FontException(Messages::TextTooLong);
  }
}

void SetText(UBreakIterator* iterator, std::u16string_view text) {
  CheckLength(text.size());
  UErrorCode status = U_ZERO_ERROR;
  ubrk_setText(iterator, text.data(), static_cast<std::int32_t>(text.size()), &status);
  if (U_FAILURE(status)) throw FontException(Messages::TextServicesUnavailable);
}

}  // namespace

LineBreaker::LineBreaker() : iterator(OpenIterator(UBRK_LINE)) {}

void LineBreaker::Find(std::u16string_view text, std::vector<LineBreakOpportunity>& out) {
  out.clear();
  if (text.empty()) return;
  SetText(iterator.get(), text);
  for (std::int32_t index = ubrk_following(iterator.get(), 0); index != UBRK_DONE;
       index = ubrk_next(iterator.get())) {
    // The rule status of a boundary tells a hard break (BK, CR, LF, NL) from an allowed one.
    const std::int32_t status = ubrk_getRuleStatus(iterator.get());
    out.push_back({index, status >= UBRK_LINE_HARD && status < UBRK_LINE_HARD_LIMIT});
  }
}

GraphemeClusters::GraphemeClusters() : iterator(OpenIterator(UBRK_CHARACTER)) {}

void GraphemeClusters::Find(std::u16string_view text, std::vector<std::int32_t>& out) {
  out.clear();
  out.push_back(0);
  if (text.empty()) return;
  // Below U+0300 every character is a grapheme cluster of its own (no Extend, SpacingMark,
  // Prepend or joiner there) except a CR followed by LF: text made only of such characters
  // needs no iterator.
  if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x300; })) {
    CheckLength(text.size());
    for (std::size_t i = 1; i <= text.size(); ++i) {
      if (i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n') continue;
      out.push_back(static_cast<std::int32_t>(i));
    }
    return;
  }
  SetText(iterator.get(), text);
  for (std::int32_t index = ubrk_following(iterator.get(), 0); index != UBRK_DONE;
       index = ubrk_next(iterator.get())) {
    out.push_back(index);
  }
}

}  // namespace Vennicor::Font::Layout::Detail
