#include "font/faces/detail/GlyphStroke.h"

#include FT_GLYPH_H

#include <algorithm>
#include <cstring>
#include <limits>

#include "font/FontException.h"
#include "font/faces/detail/GlyphCoverage.h"

namespace Vennicor::Font::Detail {

namespace {

struct GlyphDeleter {
  void operator()(FT_Glyph glyph) const noexcept { FT_Done_Glyph(glyph); }
};
using GlyphHandle = std::unique_ptr<FT_GlyphRec_, GlyphDeleter>;

}  // namespace

StrokerHandle MakeStroker(FT_Library library) {
  FT_Stroker stroker = nullptr;
  if (FT_Stroker_New(library, &stroker) != 0) throw FontException(Messages::ErrorLoadingGlyph);
  return StrokerHandle(stroker);
}

void StrokeGlyph(FT_Library library, FT_Stroker stroker, FT_GlyphSlot slot,
                 const GlyphRendering& rendering, GlyphImage& stroke) {
  stroke.Width = 0;
  stroke.Rows = 0;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return;
  FT_Stroker_Set(stroker, rendering.OutlineRadius, FT_STROKER_LINECAP_ROUND,
                 FT_STROKER_LINEJOIN_ROUND, 0);
  FT_Glyph copy = nullptr;
  if (FT_Get_Glyph(slot, &copy) != 0) throw FontException(Messages::ErrorLoadingGlyph);
  GlyphHandle glyph(copy);
  // The outside border alone is the silhouette grown by the radius, counters shrunk: drawn
  // under the glyph it frames it without a stroke inside thin stems.
  FT_Glyph stroked = glyph.release();
  const FT_Error strokeError = FT_Glyph_StrokeBorder(&stroked, stroker, 0, 1);
  glyph.reset(stroked);
  if (strokeError != 0) throw FontException(Messages::ErrorLoadingGlyph);
  FT_Glyph rendered = glyph.release();
  const FT_Error renderError = FT_Glyph_To_Bitmap(&rendered, rendering.RenderMode, nullptr, 1);
  glyph.reset(rendered);
  if (renderError != 0 || glyph->format != FT_GLYPH_FORMAT_BITMAP) {
    throw FontException(Messages::ErrorLoadingGlyph);
  }
  const auto* bitmapGlyph = reinterpret_cast<const FT_BitmapGlyphRec*>(glyph.get());
  const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
  constexpr unsigned largestEdge = std::numeric_limits<std::int32_t>::max() - 1;
  if (bitmap.width > largestEdge || bitmap.rows > largestEdge) {
    throw FontException(Messages::AtlasTooLarge);
  }
  stroke.Width = static_cast<std::int32_t>(bitmap.width);
  stroke.Rows = static_cast<std::int32_t>(bitmap.rows);
  stroke.Left = bitmapGlyph->left;
  stroke.Top = bitmapGlyph->top;
  if (stroke.IsEmpty()) return;
  const std::size_t bytes = std::size_t{bitmap.width} * bitmap.rows;
  if (stroke.Pixels.size() < bytes) stroke.Pixels.resize(bytes);
  CopyGlyphCoverage(library, bitmap, stroke.Pixels.data());
}

void FitOutline(const GlyphImage& fill, const GlyphImage& stroke, std::int32_t margin,
                GlyphImage& outline) {
  outline.Advance = fill.Advance;
  outline.Format = fill.Format;
  if (fill.IsEmpty()) {
    outline.Width = 0;
    outline.Rows = 0;
    return;
  }
  outline.Width = fill.Width + 2 * margin;
  outline.Rows = fill.Rows + 2 * margin;
  outline.Left = fill.Left - margin;
  outline.Top = fill.Top + margin;
  const std::size_t bytes =
      static_cast<std::size_t>(outline.Width) * static_cast<std::size_t>(outline.Rows);
  if (outline.Pixels.size() < bytes) outline.Pixels.resize(bytes);
  std::fill_n(outline.Pixels.begin(), bytes, std::uint8_t{0});
  if (stroke.IsEmpty()) return;
  // The stroke's pixel (x, y) lands on the canvas at (x + dx, y + dy).
  const std::int64_t dx = std::int64_t{stroke.Left} - outline.Left;
  const std::int64_t dy = std::int64_t{outline.Top} - stroke.Top;
  const std::int64_t firstX = std::max<std::int64_t>(0, -dx);
  const std::int64_t lastX = std::min<std::int64_t>(stroke.Width, outline.Width - dx);
  for (std::int64_t y = std::max<std::int64_t>(0, -dy);
       y < std::min<std::int64_t>(stroke.Rows, outline.Rows - dy); ++y) {
    if (firstX >= lastX) break;
    const std::uint8_t* from = stroke.Pixels.data() + y * stroke.Width + firstX;
    std::uint8_t* to = outline.Pixels.data() + (y + dy) * outline.Width + firstX + dx;
    std::memcpy(to, from, static_cast<std::size_t>(lastX - firstX));
  }
}

}  // namespace Vennicor::Font::Detail
