#include "font/kerning/detail/KerningPairCache.h"

#include <bit>

namespace Vennicor::Font::Detail {

void KerningPairCache::Insert(std::uint32_t leftGlyph, std::uint32_t rightGlyph, Kerning kerning) {
  // Keep the load at most one half so that probes stay short.
  if ((count + 1) * 2 > slots.size()) {
    if (slots.size() < MaxSlots) {
      Rehash(slots.empty() ? InitialSlots : slots.size() * 2);
    } else {
      for (Slot& slot : slots) slot = Slot{};
      count = 0;
    }
  }
  const std::uint64_t key = Key(leftGlyph, rightGlyph);
  std::size_t i = Home(key);
  while (slots[i].Key != EmptyKey && slots[i].Key != key) i = (i + 1) & (slots.size() - 1);
  if (slots[i].Key == EmptyKey) ++count;
  slots[i] = Slot{key, kerning};
}

void KerningPairCache::Rehash(std::size_t slotCount) {
  std::vector<Slot> old(slotCount);
  old.swap(slots);
  shift = 64U - static_cast<unsigned>(std::countr_zero(slotCount));
  for (const Slot& slot : old) {
    if (slot.Key == EmptyKey) continue;
    std::size_t i = Home(slot.Key);
    while (slots[i].Key != EmptyKey) i = (i + 1) & (slots.size() - 1);
    slots[i] = slot;
  }
}

}  // namespace Vennicor::Font::Detail
