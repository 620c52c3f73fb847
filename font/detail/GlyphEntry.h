#pragma once

#include <array>
#include <cstdint>

#include "font/Font.h"

namespace Vennicor::Font::Detail {

/// A cached character's glyph: the public record and what the font keeps to place, kern and
/// draw it without asking the face again.
struct GlyphEntry {
  Font::Glyph Record;
  /// The glyph's images at fractions of a pixel (FontImpl::Shifted) by step (index step - 1),
  /// null until the glyph is drawn at that step; beside the record, so that drawing reads them
  /// from the cache line it reads the record from. The last is always null: what step 0 reads
  /// (index (step + 3) & 3), to keep the glyph's own image.
  std::array<const GlyphEntry*, 4> Shifts{};
  std::uint32_t GlyphIndex = 0;  ///< the glyph index in its face, for kerning
  std::uint32_t CacheOrder = 0;  ///< position among the font's cached glyphs
  std::uint32_t AtlasId = 0;     ///< the glyph's image in the atlas
  std::int32_t ImageLeft = 0;
  std::int32_t ImageTop = 0;
  /// The face the glyph comes from: 0 for the font's own face, 1.. for its fallback faces in
  /// the order they were added. Kerning applies only between glyphs of one face.
  std::uint32_t Face = 0;
  /// The glyph's outline image (fonts with an outline thickness only): its atlas entry, its
  /// rectangle in the atlas texture and its top-left relative to the pen on the line's top.
  std::uint32_t OutlineAtlasId = 0;
  Graphics::Rectangle OutlineSource;
  Graphics::Point OutlineOffset;
  std::uint32_t OutlinePage = 0;  ///< the atlas page that holds the outline image
  /// 26.6 pixels the outline moved right before this image was rendered: 0, or for one of a
  /// glyph's images at a fraction of a pixel (FontOptions::Subpixel) that fraction.
  std::int32_t Shift = 0;
};

}  // namespace Vennicor::Font::Detail
