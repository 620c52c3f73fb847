#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace Vennicor::Font::Detail {

/// A 64-bit hash of bytes, eight at a time: to notice data that changed (a glyph cache file cut
/// short or edited, a font file replaced), not to resist someone forging a match. The same
/// bytes give the same hash on every platform the library builds for.
class ContentHash {
 public:
  static_assert(std::endian::native == std::endian::little, "words are read little-endian");

  explicit ContentHash(std::uint64_t seed = 0) : state(seed ^ Prime1) {}

  void Add(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    length += left;
    for (; left >= 8; left -= 8, data += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, data, 8);
      Mix(word);
    }
    if (left > 0) {
      std::uint64_t word = 0;
      std::memcpy(&word, data, left);
      Mix(word ^ (std::uint64_t{left} << 56U));
    }
  }
  void Add(std::uint64_t value) { Mix(value); }

  /// The hash of everything added so far.
  std::uint64_t Value() const {
    std::uint64_t h = state ^ length;
    // splitmix64's finaliser: every input bit reaches every output bit.
    h ^= h >> 30U;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 27U;
    h *= 0x94D049BB133111EBULL;
    h ^= h >> 31U;
    return h;
  }

 private:
  static constexpr std::uint64_t Prime1 = 0x9E3779B185EBCA87ULL;
  static constexpr std::uint64_t Prime2 = 0xC2B2AE3D27D4EB4FULL;

  void Mix(std::uint64_t word) {
    state ^= word * Prime2;
    state = std::rotl(state, 31) * Prime1;
  }

  std::uint64_t state;
  std::uint64_t length = 0;
};

}  // namespace Vennicor::Font::Detail
