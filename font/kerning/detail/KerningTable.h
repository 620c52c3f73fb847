#pragma once

#include <cstdint>
#include <limits>
#include <memory>

#include "font/faces/detail/FontFace.h"
#include "font/kerning/detail/KerningPairCache.h"

namespace Vennicor::Font::Detail {

/// A face's kerning, asked of FreeType once per distinct pair. Pairs among the first
/// CommonGlyphs glyphs a font caches (the ones text uses most) answer from a flat table without
/// hashing; other pairs from a bounded cache. Results equal FontFace::Kerning's.
class KerningTable {
 public:
  /// Glyphs whose cache order is below this share the flat table.
  static constexpr std::uint32_t CommonGlyphs = 128;

  /// Kerning of `face` at its size. Construct after the face is sized: whether it has kerning
  /// is read once here, to keep that test off the hot path.
  explicit KerningTable(const FontFace& face) : face(face), hasKerning(face.HasKerning()) {}

  /// Kerning of two glyphs of the face, each given by its cache order (the order the font
  /// cached it in) and its glyph index. \throws FontException from FontFace::Kerning.
  KerningVector Of(std::uint32_t leftOrder, std::uint32_t leftGlyph, std::uint32_t rightOrder,
                   std::uint32_t rightGlyph) const {
    if (!hasKerning) return {};
    if (leftOrder < CommonGlyphs && rightOrder < CommonGlyphs && common) {
      const std::int16_t known = common[leftOrder * CommonGlyphs + rightOrder];
      if (known > HeldElsewhere) return {known, 0};
    }
    return OfUncommon(leftOrder, leftGlyph, rightOrder, rightGlyph);
  }
  /// Kerning of two glyph indices, for glyphs the font has not cached.
  KerningVector OfGlyphs(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const;

 private:
  KerningVector OfUncommon(std::uint32_t leftOrder, std::uint32_t leftGlyph,
                           std::uint32_t rightOrder, std::uint32_t rightGlyph) const;

  // Table entries that are no kerning value: not asked yet, and held by the pair cache instead
  // (a vertical component, or a value beyond 16 bits).
  static constexpr std::int16_t NotAsked = std::numeric_limits<std::int16_t>::min();
  static constexpr std::int16_t HeldElsewhere = NotAsked + 1;

  const FontFace& face;
  bool hasKerning;
  mutable KerningPairCache cache;
  // Kerning X (26.6) of pairs among the common glyphs; allocated at the first query.
  mutable std::unique_ptr<std::int16_t[]> common;
};

}  // namespace Vennicor::Font::Detail
