#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <utility>

#include "font/kerning/detail/KerningPairCache.h"

using Vennicor::Font::Detail::KerningPairCache;

namespace {

KerningPairCache::Kerning ValueOf(std::uint32_t left, std::uint32_t right) {
  return {static_cast<std::int32_t>(left) - static_cast<std::int32_t>(right) * 3,
          static_cast<std::int32_t>(right % 7)};
}

TEST(KerningPairCache, EmptyCacheFindsNothing) {
  const KerningPairCache cache;
  EXPECT_EQ(cache.Find(0, 0), nullptr);
  EXPECT_EQ(cache.MemoryBytes(), 0U);
}

// Pairs are ordered ((A, V) is not (V, A)), survive growth, and each insert of a new pair
// counts once; the largest indices are keys like any other.
TEST(KerningPairCache, FindsExactlyWhatWasInserted) {
  KerningPairCache cache;
  std::map<std::pair<std::uint32_t, std::uint32_t>, KerningPairCache::Kerning> inserted;
  std::mt19937 random(7);
  std::uniform_int_distribution<std::uint32_t> index(0, 300);
  const std::pair<std::uint32_t, std::uint32_t> extremes[] = {
      {0, 0}, {0xFFFFFFFEU, 0}, {0, 0xFFFFFFFEU}, {0xFFFFFFFFU, 0xFFFFFFFEU}};
  for (const auto& [l, r] : extremes) {
    cache.Insert(l, r, ValueOf(l, r));
    inserted[{l, r}] = ValueOf(l, r);
  }
  while (inserted.size() < 5000) {
    const std::uint32_t l = index(random);
    const std::uint32_t r = index(random);
    if (cache.Find(l, r) == nullptr) cache.Insert(l, r, ValueOf(l, r));
    inserted[{l, r}] = ValueOf(l, r);
  }
  EXPECT_EQ(cache.Count(), inserted.size());
  for (const auto& [pair, value] : inserted) {
    const KerningPairCache::Kerning* found = cache.Find(pair.first, pair.second);
    ASSERT_NE(found, nullptr) << pair.first << ", " << pair.second;
    EXPECT_EQ(found->X, value.X);
    EXPECT_EQ(found->Y, value.Y);
  }
  EXPECT_EQ(cache.Find(301, 0), nullptr);
  EXPECT_EQ(cache.Find(1, 0xFFFFFFFFU), nullptr);
}

TEST(KerningPairCache, StaysBoundedAndCorrectPastItsLargestSize) {
  KerningPairCache cache;
  const std::uint32_t pairs = KerningPairCache::MaxSlots * 2;
  for (std::uint32_t i = 0; i < pairs; ++i) {
    cache.Insert(i, i + 1, ValueOf(i, i + 1));
    ASSERT_LE(cache.Count(), KerningPairCache::MaxSlots / 2);
    const KerningPairCache::Kerning* found = cache.Find(i, i + 1);
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(found->X, ValueOf(i, i + 1).X);
  }
  EXPECT_EQ(cache.MemoryBytes(), KerningPairCache::MaxSlots * 16);
  // Whatever is still held is still right.
  for (std::uint32_t i = 0; i < pairs; ++i) {
    if (const KerningPairCache::Kerning* found = cache.Find(i, i + 1)) {
      ASSERT_EQ(found->X, ValueOf(i, i + 1).X);
    }
  }
}

}  // namespace
