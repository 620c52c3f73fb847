#include "font/text/detail/BorrowedUtf16.h"

#include <utility>

#include "font/text/Utf.h"

namespace Vennicor::Font::Detail {

namespace {

thread_local std::u16string spare;

}  // namespace

BorrowedUtf16::BorrowedUtf16(std::string_view utf8) : text(std::move(spare)) {
  text.clear();
  AppendUtf16FromUtf8(utf8, text);
}

BorrowedUtf16::~BorrowedUtf16() {
  // Keep the larger buffer when a nested conversion gave one back meanwhile.
  if (text.capacity() >= spare.capacity()) spare = std::move(text);
}

}  // namespace Vennicor::Font::Detail
