#pragma once

#include <cstdint>

#include "font/Font.h"

namespace Vennicor::Font::Detail {

/// A cached character's glyph: the public record and what the font keeps to place, kern and
/// draw it without asking the face again.
struct GlyphEntry {
  Font::Glyph Record;
  std::uint32_t GlyphIndex = 0;  ///< the face's glyph index, for kerning
  std::uint32_t CacheOrder = 0;  ///< position among the font's cached glyphs
  std::uint32_t AtlasId = 0;     ///< the glyph's image in the atlas
  std::int32_t ImageLeft = 0;
  std::int32_t ImageTop = 0;
};

}  // namespace Vennicor::Font::Detail
