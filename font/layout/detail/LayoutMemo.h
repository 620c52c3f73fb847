#pragma once

// Finished layouts of a font, by text and options: a game that builds the same layout every
// frame (immediate-mode UI, a dialogue box rebuilt on each change) gets it back for the cost
// of hashing its text.

#include <cstddef>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "font/layout/TextLayoutOptions.h"
#include "font/layout/detail/LayoutData.h"

namespace Vennicor::Font::Layout::Detail {

/// Not for concurrent use.
class LayoutMemo {
 public:
  /// A layout of `text` with `options` made before, or null.
  std::shared_ptr<const LayoutData> Find(std::u16string_view text,
                                         const TextLayoutOptions& options) const;
  /// Keeps a finished layout; when full, starts again empty.
  void Add(std::shared_ptr<const LayoutData> layout);
  void Clear();

  /// Bounds on what the memo holds: layouts, and their glyphs together.
  static constexpr std::size_t MaxLayouts = 256;
  static constexpr std::size_t MaxGlyphs = std::size_t{1} << 18U;

 private:
  std::unordered_multimap<std::size_t, std::shared_ptr<const LayoutData>> layouts;
  std::size_t glyphs = 0;
};

}  // namespace Vennicor::Font::Layout::Detail
