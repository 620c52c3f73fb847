#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Vennicor::Font::Detail {

/// Keeps glyph pixels for as long as the atlas lives, in blocks that are never reallocated:
/// growing one large array would copy it and churn the allocator on every glyph burst. Blocks
/// grow with the store (4 KiB for the first, at most 64 KiB), so a small font stays small; an
/// image larger than a block gets a block of its own.
class ImageStore {
 public:
  /// Room for `bytes` bytes that stays put until the store goes away.
  std::uint8_t* Allocate(std::size_t bytes);
  /// Bytes held in all blocks together.
  std::size_t CapacityBytes() const { return blockBytes; }

 private:
  std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
  std::uint8_t* free = nullptr;
  std::size_t freeBytes = 0;
  std::size_t blockBytes = 0;
};

}  // namespace Vennicor::Font::Detail
