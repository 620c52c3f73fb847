#include "font/atlas/detail/ImageStore.h"

#include <algorithm>

namespace Vennicor::Font::Detail {

std::uint8_t* ImageStore::Allocate(std::size_t bytes) {
  constexpr std::size_t smallestBlock = std::size_t{4} << 10U;
  constexpr std::size_t largestBlock = std::size_t{64} << 10U;
  if (bytes > freeBytes) {
    const std::size_t newBlock =
        std::max(bytes, std::clamp(blockBytes, smallestBlock, largestBlock));
    blocks.reserve(blocks.size() + 1);
    blocks.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(newBlock));
    blockBytes += newBlock;
    // Keep filling the old block when the new one would leave less room than it has.
    if (newBlock - bytes < freeBytes) return blocks.back().get();
    free = blocks.back().get();
    freeBytes = newBlock;
  }
  std::uint8_t* bytesAt = free;
  free += bytes;
  freeBytes -= bytes;
  return bytesAt;
}

}  // namespace Vennicor::Font::Detail
