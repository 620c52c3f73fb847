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
  /// Keeps a finished layout; when full, starts again empty. A layout larger than the whole
  /// limit is not kept.
  void Add(std::shared_ptr<const LayoutData> layout);
  void Clear();
  /// What the kept layouts take, in bytes (as far as the memo keeps them alive).
  std::size_t Bytes() const { return bytes; }
  /// Bounds the memo's memory; takes effect from the next Add.
  void SetLimit(std::size_t limit) { byteLimit = limit; }

  /// Layouts the memo holds at most, whatever their size.
  static constexpr std::size_t MaxLayouts = 256;

 private:
  std::unordered_multimap<std::size_t, std::shared_ptr<const LayoutData>> layouts;
  std::size_t bytes = 0;
  std::size_t byteLimit = std::size_t{2} << 20U;
};

}  // namespace Vennicor::Font::Layout::Detail
