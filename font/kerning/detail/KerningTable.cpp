#include "font/kerning/detail/KerningTable.h"

#include <algorithm>

namespace Vennicor::Font::Detail {

KerningVector KerningTable::OfGlyphs(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const {
  if (!hasKerning) return {};
  if (const KerningPairCache::Kerning* cached = cache.Find(leftGlyph, rightGlyph)) {
    return {cached->X, cached->Y};
  }
  const KerningVector kerning = face.Kerning(leftGlyph, rightGlyph);
  cache.Insert(leftGlyph, rightGlyph, {kerning.X, kerning.Y});
  return kerning;
}

KerningVector KerningTable::OfUncommon(std::uint32_t leftOrder, std::uint32_t leftGlyph,
                                       std::uint32_t rightOrder, std::uint32_t rightGlyph) const {
  if (leftOrder >= CommonGlyphs || rightOrder >= CommonGlyphs) {
    return OfGlyphs(leftGlyph, rightGlyph);
  }
  if (!common) {
    common =
        std::make_unique_for_overwrite<std::int16_t[]>(std::size_t{CommonGlyphs} * CommonGlyphs);
    std::fill_n(common.get(), CommonGlyphs * CommonGlyphs, NotAsked);
  }
  std::int16_t& known = common[leftOrder * CommonGlyphs + rightOrder];
  if (known > HeldElsewhere) return {known, 0};
  const KerningVector kerning = OfGlyphs(leftGlyph, rightGlyph);
  if (known == NotAsked) {
    const bool fits = kerning.Y == 0 && kerning.X > HeldElsewhere &&
                      kerning.X <= std::numeric_limits<std::int16_t>::max();
    known = fits ? static_cast<std::int16_t>(kerning.X) : HeldElsewhere;
  }
  return kerning;
}

}  // namespace Vennicor::Font::Detail
