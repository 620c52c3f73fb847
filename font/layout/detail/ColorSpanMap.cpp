#include "font/layout/detail/ColorSpanMap.h"

#include <algorithm>

namespace Vennicor::Font::Layout::Detail {

namespace {

// The first unpainted index at or after `index`: `skip` chains painted runs to their ends, and
// the chain is shortened as it is followed.
std::int32_t Unpainted(std::vector<std::int32_t>& skip, std::int32_t index) {
  std::int32_t root = index;
  while (skip[static_cast<std::size_t>(root)] != root) root = skip[static_cast<std::size_t>(root)];
  while (skip[static_cast<std::size_t>(index)] != root) {
    const std::int32_t next = skip[static_cast<std::size_t>(index)];
    skip[static_cast<std::size_t>(index)] = root;
    index = next;
  }
  return root;
}

}  // namespace

void MapColorSpans(std::span<const ColorSpan> spans, std::int32_t length,
                   std::vector<std::int32_t>& spanAt, std::vector<std::int32_t>& skip) {
  spanAt.clear();
  if (spans.empty()) return;
  const auto indices = static_cast<std::size_t>(length) + 1;
  spanAt.assign(indices, -1);
  // skip[i] == i: unpainted; the extra last entry is never painted and ends every chain.
  skip.resize(indices + 1);
  for (std::size_t i = 0; i <= indices; ++i) skip[i] = static_cast<std::int32_t>(i);
  for (std::size_t k = spans.size(); k-- > 0;) {
    const ColorSpan& span = spans[k];
    const std::int64_t first = std::max<std::int64_t>(span.Start, 0);
    const std::int64_t last =
        std::min<std::int64_t>(std::int64_t{span.Start} + span.Length, std::int64_t{length} + 1);
    if (first >= last) continue;
    for (std::int32_t i = Unpainted(skip, static_cast<std::int32_t>(first)); i < last;
         i = Unpainted(skip, i + 1)) {
      spanAt[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(k);
      skip[static_cast<std::size_t>(i)] = i + 1;
    }
  }
}

}  // namespace Vennicor::Font::Layout::Detail
