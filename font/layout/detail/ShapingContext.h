#pragma once

// What a font keeps for laying text out: a shaper for its face and each fallback face, and the
// shaped runs it has seen, so that laying out the same text again skips shaping.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "font/layout/detail/ShapedGlyph.h"
#include "font/layout/detail/Shaper.h"

namespace Vennicor::Font::Layout::Detail {

/// The shapers of a font's faces (index 0 its own, then its fallbacks in order) and a cache of
/// shaped runs. It references the faces: destroy it before they close. Not for concurrent use.
class ShapingContext {
 public:
  /// \throws FontException when HarfBuzz cannot allocate.
  ShapingContext(FT_FaceRec_* face, std::int32_t loadFlags, double scale = 1,
                 bool fractions = false);

  /// Adds a fallback face, consulted after those added before it (`scale` and `fractions` as
  /// for Shaper).
  void AddFace(FT_FaceRec_* face, std::int32_t loadFlags, double scale = 1, bool fractions = false);
  std::size_t FaceCount() const { return shapers.size(); }

  /// The glyphs of a run shaped with face `face`, clusters relative to the run's start, from
  /// the cache when this run (text, context, script, direction) was shaped before. The
  /// reference stays valid until the next call.
  const std::vector<ShapedGlyph>& Shape(std::uint16_t face, const ShapingRun& run);

  /// Forgets every shaped run.
  void ClearCache();
  std::size_t CachedRuns() const { return cache.size(); }
  /// What the cached runs take, in bytes (their text, glyphs and bookkeeping).
  std::size_t CachedBytes() const { return cachedBytes; }
  /// Bounds the cache's memory: when a new run would take it past `bytes`, it starts again
  /// empty; a run larger than that on its own is shaped every time.
  void SetCacheLimit(std::size_t bytes) { cacheLimit = bytes; }

  /// Runs the cache holds before it starts again empty, whatever their size.
  static constexpr std::size_t MaxCachedRuns = 4096;

 private:
  struct Key {
    std::u16string Text;        // the run and the context HarfBuzz reads on each side
    std::int32_t RunStart = 0;  // where the run starts within Text
    std::int32_t RunEnd = 0;
    std::uint32_t Script = 0;
    std::uint16_t Face = 0;
    bool RightToLeft = false;
    std::string Features;  // ShapingFeatures::Key
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept {
      std::size_t hash = std::hash<std::u16string>{}(key.Text);
      if (!key.Features.empty()) hash ^= std::hash<std::string>{}(key.Features) * 31U;
      for (const std::size_t part :
           {std::size_t(key.RunStart), std::size_t(key.RunEnd), std::size_t{key.Script},
            std::size_t{key.Face}, std::size_t{key.RightToLeft}}) {
        hash = (hash ^ part) * 0x100000001B3U;
      }
      return hash;
    }
  };

  std::vector<std::unique_ptr<Shaper>> shapers;
  std::unordered_map<Key, std::vector<ShapedGlyph>, KeyHash> cache;
  Key probe;                        // reused for lookups, so that a hit allocates nothing
  std::vector<ShapedGlyph> shaped;  // reused for misses; holds a run too large to cache
  std::size_t cachedBytes = 0;
  std::size_t cacheLimit = std::size_t{2} << 20U;
};

}  // namespace Vennicor::Font::Layout::Detail
