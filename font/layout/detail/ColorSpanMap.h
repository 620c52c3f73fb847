#pragma once

// Which colour span, if any, colours each code unit of a text: worked out once a layout, so that
// colouring a glyph costs one lookup however many spans there are.

#include <cstdint>
#include <span>
#include <vector>

#include "font/layout/TextLayoutOptions.h"

namespace Vennicor::Font::Layout::Detail {

/// Fills `spanAt` with, for each code unit index 0..`length` (the end included: an ellipsis
/// stands there), the index of the last span that covers it, or -1. Empty when there are no
/// spans. Later spans are painted first and each index is painted once, so the cost is linear in
/// the text and the spans (a run of painted indices is skipped in one step).
void MapColorSpans(std::span<const ColorSpan> spans, std::int32_t length,
                   std::vector<std::int32_t>& spanAt, std::vector<std::int32_t>& skip);

}  // namespace Vennicor::Font::Layout::Detail
