#pragma once

// Owning handles for the ICU objects the layout uses, so that every path closes them.

#include <unicode/ubidi.h>
#include <unicode/ubrk.h>

#include <memory>

namespace Vennicor::Font::Layout::Detail {

struct BreakIteratorCloser {
  void operator()(UBreakIterator* iterator) const noexcept { ubrk_close(iterator); }
};
using BreakIteratorHandle = std::unique_ptr<UBreakIterator, BreakIteratorCloser>;

struct BidiCloser {
  void operator()(UBiDi* bidi) const noexcept { ubidi_close(bidi); }
};
using BidiHandle = std::unique_ptr<UBiDi, BidiCloser>;

}  // namespace Vennicor::Font::Layout::Detail
