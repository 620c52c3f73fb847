#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vennicor::Font::Detail {

/// Remembers the kerning of glyph-index pairs so that a font asks FreeType once per distinct
/// pair instead of once per pair of neighbouring characters. Open addressing with linear
/// probing in one array; the array doubles up to MaxSlots and is emptied (keeping its memory)
/// when full at that size, so a font that meets endless new pairs stays bounded.
class KerningPairCache {
 public:
  /// A kerning vector in FreeType's 26.6 fixed point.
  struct Kerning {
    std::int32_t X = 0;
    std::int32_t Y = 0;
  };

  static constexpr std::size_t InitialSlots = 256;
  static constexpr std::size_t MaxSlots = std::size_t{1} << 15;

  /// The cached kerning of a pair, or null.
  const Kerning* Find(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const {
    if (slots.empty()) return nullptr;
    const std::uint64_t key = Key(leftGlyph, rightGlyph);
    for (std::size_t i = Home(key);; i = (i + 1) & (slots.size() - 1)) {
      const Slot& slot = slots[i];
      if (slot.Key == key) return &slot.Value;
      if (slot.Key == EmptyKey) return nullptr;
    }
  }

  /// Remembers a pair that Find did not hold.
  void Insert(std::uint32_t leftGlyph, std::uint32_t rightGlyph, Kerning kerning);

  /// Number of pairs held.
  std::size_t Count() const { return count; }
  /// Bytes of the slot array.
  std::size_t MemoryBytes() const { return slots.capacity() * sizeof(Slot); }

 private:
  // No FreeType glyph index reaches 2^32 - 1, so an all-ones key never names a real pair.
  static constexpr std::uint64_t EmptyKey = ~std::uint64_t{0};

  struct Slot {
    std::uint64_t Key = EmptyKey;
    Kerning Value;
  };

  static std::uint64_t Key(std::uint32_t leftGlyph, std::uint32_t rightGlyph) {
    return (std::uint64_t{leftGlyph} << 32) | rightGlyph;
  }
  std::size_t Home(std::uint64_t key) const {
    // Fibonacci hashing: the top bits of the product spread neighbouring indices apart.
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift);
  }
  void Rehash(std::size_t slotCount);

  std::vector<Slot> slots;
  std::size_t count = 0;
  unsigned shift = 64;
};

}  // namespace Vennicor::Font::Detail
