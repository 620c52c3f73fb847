#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

namespace Vennicor::Font::Detail {

/// Maps code points to pointers in pages of 256 consecutive characters, each created when the
/// first of its characters is set: a font that only ever sees ASCII holds one 2 KiB page, and a
/// lookup is two indexed loads without hashing.
template <class Value>
class CharacterMap {
 public:
  Value* Find(char32_t character) const {
    const std::size_t page = character >> 8U;
    if (page >= pages.size() || !pages[page]) return nullptr;
    return (*pages[page])[character & 0xFFU];
  }

  /// Sets the value of a character. Strong guarantee: a failed allocation changes nothing.
  void Set(char32_t character, Value* value) {
    const std::size_t pageIndex = character >> 8U;
    if (pageIndex >= pages.size()) pages.resize(pageIndex + 1);
    std::unique_ptr<Page>& page = pages[pageIndex];
    if (!page) page = std::make_unique<Page>();  // value-initialized: all null
    (*page)[character & 0xFFU] = value;
  }

  /// Makes room for `character` without setting it, so that a later Set cannot fail.
  void Reserve(char32_t character) {
    const std::size_t pageIndex = character >> 8U;
    if (pageIndex >= pages.size()) pages.resize(pageIndex + 1);
    if (!pages[pageIndex]) pages[pageIndex] = std::make_unique<Page>();
  }

 private:
  using Page = std::array<Value*, 256>;
  std::vector<std::unique_ptr<Page>> pages;
};

}  // namespace Vennicor::Font::Detail
