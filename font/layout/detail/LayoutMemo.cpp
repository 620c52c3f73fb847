#include "font/layout/detail/LayoutMemo.h"

#include <functional>
#include <type_traits>

namespace Vennicor::Font::Layout::Detail {

namespace {

std::size_t HashOf(std::u16string_view text) { return std::hash<std::u16string_view>{}(text); }

}  // namespace

std::shared_ptr<const LayoutData> LayoutMemo::Find(std::u16string_view text,
                                                   const TextLayoutOptions& options) const {
  const auto [first, last] = layouts.equal_range(HashOf(text));
  for (auto it = first; it != last; ++it) {
    if (it->second->Text == text && it->second->Options == options) return it->second;
  }
  return nullptr;
}

// What a layout takes: its arrays as allocated, its colour spans and its own record.
std::size_t BytesOf(const LayoutData& layout) {
  const auto of = [](const auto& vector) {
    return vector.capacity() * sizeof(typename std::decay_t<decltype(vector)>::value_type);
  };
  return sizeof(LayoutData) + layout.Text.capacity() * sizeof(char16_t) + of(layout.Lines) +
         of(layout.LineGlyphStart) + of(layout.LineStopStart) + of(layout.Glyphs) +
         of(layout.Stops) + of(layout.GraphemeStarts) + of(layout.Options.ColorSpans);
}

void LayoutMemo::Add(std::shared_ptr<const LayoutData> layout) {
  const std::size_t size = BytesOf(*layout);
  if (size > byteLimit) return;
  if (layouts.size() >= MaxLayouts || bytes + size > byteLimit) Clear();
  bytes += size;
  const std::size_t hash = HashOf(layout->Text);
  layouts.emplace(hash, std::move(layout));
}

void LayoutMemo::Clear() {
  layouts.clear();
  bytes = 0;
}

}  // namespace Vennicor::Font::Layout::Detail
