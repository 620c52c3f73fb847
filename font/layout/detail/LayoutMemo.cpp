#include "font/layout/detail/LayoutMemo.h"

#include <functional>

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

void LayoutMemo::Add(std::shared_ptr<const LayoutData> layout) {
  if (layouts.size() >= MaxLayouts || glyphs + layout->Glyphs.size() > MaxGlyphs) Clear();
  glyphs += layout->Glyphs.size();
  const std::size_t hash = HashOf(layout->Text);
  layouts.emplace(hash, std::move(layout));
}

void LayoutMemo::Clear() {
  layouts.clear();
  glyphs = 0;
}

}  // namespace Vennicor::Font::Layout::Detail
