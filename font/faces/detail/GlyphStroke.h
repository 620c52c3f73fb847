#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_STROKER_H

#include <cstdint>
#include <memory>

#include "font/faces/detail/GlyphImage.h"
#include "font/faces/detail/GlyphRendering.h"

namespace Vennicor::Font::Detail {

/// Releases a FreeType stroker.
struct StrokerDeleter {
  void operator()(FT_Stroker stroker) const noexcept { FT_Stroker_Done(stroker); }
};
using StrokerHandle = std::unique_ptr<FT_StrokerRec_, StrokerDeleter>;

/// A stroker with round caps and joins. \throws FontException "Error loading glyph in
/// FreeType" when FreeType cannot make one.
StrokerHandle MakeStroker(FT_Library library);

/// Renders the silhouette of the outline loaded in `slot`, grown by the rendering's outline
/// radius, with the rendering's render mode, into `stroke` (position in Left/Top as FreeType
/// gives it). The slot is left as it was. A slot that holds a bitmap gives an empty image.
/// \throws FontException "Error loading glyph in FreeType".
void StrokeGlyph(FT_Library library, FT_Stroker stroker, FT_GlyphSlot slot,
                 const GlyphRendering& rendering, GlyphImage& stroke);

/// Lays `stroke` onto a canvas `margin` pixels larger than `fill` on every side, aligned with
/// it, in `outline`: pixels of the stroke beyond the canvas (empty ones: a stroke never reaches
/// further than its radius) are dropped. An empty fill gives an empty outline.
void FitOutline(const GlyphImage& fill, const GlyphImage& stroke, std::int32_t margin,
                GlyphImage& outline);

}  // namespace Vennicor::Font::Detail
