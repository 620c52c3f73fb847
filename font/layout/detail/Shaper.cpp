#include "font/layout/detail/Shaper.h"

#include <ft2build.h>

#include <cmath>
#include FT_FREETYPE_H
#include <hb-ft.h>

#include "font/FontException.h"

namespace Vennicor::Font::Layout::Detail {

Shaper::Shaper(FT_FaceRec_* face, std::int32_t loadFlags, double scale)
    : font(hb_ft_font_create_referenced(face)), buffer(hb_buffer_create()), scale(scale) {
  if (!font || !hb_buffer_allocation_successful(buffer.get())) {
    throw FontException(Messages::TextServicesUnavailable);
  }
  // Advances come from FreeType with the font's own hinting, as its glyph images do; rendering
  // is not needed for them.
  hb_ft_font_set_load_flags(font.get(), loadFlags & ~static_cast<std::int32_t>(FT_LOAD_RENDER));
}

std::int32_t Shaper::Scaled(std::int32_t value) const {
  if (scale == 1) return value;
  return static_cast<std::int32_t>(std::lround(static_cast<double>(value) * scale));
}

void Shaper::Shape(const ShapingRun& run, std::vector<ShapedGlyph>& out) {
  hb_buffer_t* const buf = buffer.get();
  hb_buffer_clear_contents(buf);
  // The whole paragraph goes in as context, so that joining and reordering at the run's edges
  // see their neighbours; only the run's own characters are shaped.
  hb_buffer_add_utf16(buf, reinterpret_cast<const std::uint16_t*>(run.Paragraph.data()),
                      static_cast<int>(run.Paragraph.size()), static_cast<unsigned int>(run.Start),
                      static_cast<int>(run.End - run.Start));
  hb_buffer_set_direction(buf, run.RightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_script(buf, run.Script);
  hb_buffer_set_language(buf, hb_language_get_default());
  hb_shape(font.get(), buf, nullptr, 0);
  if (!hb_buffer_allocation_successful(buf)) throw FontException(Messages::TextServicesUnavailable);

  unsigned int count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buf, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buf, &count);
  const std::size_t first = out.size();
  out.resize(first + count);
  for (unsigned int i = 0; i < count; ++i) {
    // Right-to-left output is in visual order: store it reversed, in logical order.
    const unsigned int from = run.RightToLeft ? count - 1 - i : i;
    ShapedGlyph& glyph = out[first + i];
    glyph.GlyphIndex = infos[from].codepoint;
    glyph.Cluster = static_cast<std::int32_t>(infos[from].cluster);
    glyph.XAdvance = Scaled(positions[from].x_advance);
    glyph.XOffset = Scaled(positions[from].x_offset);
    glyph.YOffset = Scaled(positions[from].y_offset);
    glyph.UnsafeToBreak =
        (hb_glyph_info_get_glyph_flags(&infos[from]) & HB_GLYPH_FLAG_UNSAFE_TO_BREAK) != 0;
  }
}

}  // namespace Vennicor::Font::Layout::Detail
