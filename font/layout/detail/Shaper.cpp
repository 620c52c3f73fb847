#include "font/layout/detail/Shaper.h"

#include <ft2build.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include FT_MULTIPLE_MASTERS_H
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "font/FontException.h"
#include "font/sources/detail/VariationAxes.h"

namespace Vennicor::Font::Layout::Detail {

namespace {

// HarfBuzz's work on a cluster grows with the square of its marks; no script stacks anywhere
// near this many on one base (Unicode's stream-safe text format allows 30 in a row).
constexpr int MaxMarksInARow = Shaper::MaxMarksInARow;

// Combining marks start at U+0300: the test costs one comparison for most Latin text.
bool IsMark(std::u16string_view text, std::size_t index, std::size_t& next) {
  const char16_t unit = text[index];
  next = index + 1;
  if (unit < 0x300) return false;
  char32_t codePoint = unit;
  if (U16_IS_LEAD(unit) && next < text.size() && U16_IS_TRAIL(text[next])) {
    codePoint = static_cast<char32_t>(U16_GET_SUPPLEMENTARY(unit, text[next]));
    ++next;
  }
  return (U_GET_GC_MASK(static_cast<UChar32>(codePoint)) & U_GC_M_MASK) != 0;
}

// The first code unit of the run that is a mark beyond the limit, or the run's end.
std::size_t FirstMarkBeyondLimit(std::u16string_view text, std::size_t from, std::size_t to) {
  int marks = 0;
  for (std::size_t i = from, next = 0; i < to; i = next) {
    marks = IsMark(text, i, next) ? marks + 1 : 0;
    if (marks > MaxMarksInARow) return i;
  }
  return to;
}

}  // namespace

hb_language_t Shaper::DefaultLanguage() {
  // HarfBuzz reads the locale (setlocale) the first time it is asked, which is not safe while
  // another thread may: a function-local static asks once, other threads wait for it.
  static const hb_language_t language = hb_language_get_default();
  return language;
}

Shaper::Shaper(FT_FaceRec_* face, std::int32_t loadFlags, double scale, bool fractions)
    : font(hb_ft_font_create_referenced(face)),
      buffer(hb_buffer_create()),
      scale(scale),
      fractions(fractions) {
  DefaultLanguage();  // the first layout asks, before it could race with another thread's
  if (!font || !hb_buffer_allocation_successful(buffer.get())) {
    throw FontException(Messages::TextServicesUnavailable);
  }
  // Advances come from FreeType with the font's own hinting, as its glyph images do; rendering
  // is not needed for them. Hinting rounds advances to whole pixels: glyphs placed at fractions
  // take the designed ones.
  std::int32_t advanceFlags = loadFlags & ~static_cast<std::int32_t>(FT_LOAD_RENDER);
  if (fractions) advanceFlags |= FT_LOAD_NO_HINTING;
  hb_ft_font_set_load_flags(font.get(), advanceFlags);
  UseFaceVariations(face);
}

// A variable face shapes at the instance its glyphs render at: the design coordinates FreeType
// holds, handed to HarfBuzz by axis tag.
void Shaper::UseFaceVariations(FT_FaceRec_* face) {
  const VariationAxes axes(face);
  if (!axes) return;
  std::vector<FT_Fixed> coordinates(axes->num_axis);
  if (FT_Get_Var_Design_Coordinates(face, axes->num_axis, coordinates.data()) != 0) return;
  std::vector<hb_variation_t> variations(axes->num_axis);
  for (FT_UInt axis = 0; axis < axes->num_axis; ++axis) {
    variations[axis].tag = static_cast<hb_tag_t>(axes->axis[axis].tag);
    variations[axis].value = static_cast<float>(static_cast<double>(coordinates[axis]) / 65536.0);
  }
  hb_font_set_variations(font.get(), variations.data(), axes->num_axis);
}

std::int32_t Shaper::Scaled(std::int32_t value, bool keepFraction) const {
  if (scale != 1)
    value = static_cast<std::int32_t>(std::lround(static_cast<double>(value) * scale));
  if (keepFraction && fractions) return value;
  const std::int64_t whole =
      value >= 0 ? (std::int64_t{value} + 32) / 64 : -((32 - std::int64_t{value}) / 64);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(whole * 64, INT32_MIN, INT32_MAX));
}

void Shaper::Shape(const ShapingRun& run, std::vector<ShapedGlyph>& out) {
  hb_buffer_t* const buf = buffer.get();
  hb_buffer_clear_contents(buf);
  // The whole paragraph goes in as context, so that joining and reordering at the run's edges
  // see their neighbours; only the run's own characters are shaped.
  const auto* units = reinterpret_cast<const std::uint16_t*>(run.Paragraph.data());
  const auto length = static_cast<int>(run.Paragraph.size());
  const auto end = static_cast<std::size_t>(run.End);
  const auto start = static_cast<std::size_t>(run.Start);
  // Marks beyond the limit in a row are left out: pieces of the run go in one after another
  // (their clusters stay indices of the paragraph), and the marks between them get no glyph.
  std::size_t cut = FirstMarkBeyondLimit(run.Paragraph, start, end);
  hb_buffer_add_utf16(buf, units, length, static_cast<unsigned int>(start),
                      static_cast<int>(cut - start));
  while (cut < end) {
    std::size_t resume = cut;
    for (std::size_t next = 0; resume < end && IsMark(run.Paragraph, resume, next);) {
      resume = next;
    }
    if (resume == end) break;
    cut = FirstMarkBeyondLimit(run.Paragraph, resume, end);
    hb_buffer_add_utf16(buf, units, length, static_cast<unsigned int>(resume),
                        static_cast<int>(cut - resume));
  }
  hb_buffer_set_direction(buf, run.RightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_script(buf, run.Script);
  const ShapingFeatures* features = run.Features;
  hb_buffer_set_language(buf, features != nullptr && features->Language != nullptr
                                  ? features->Language
                                  : DefaultLanguage());
  if (features != nullptr) {
    hb_shape(font.get(), buf, features->Features.data(),
             static_cast<unsigned int>(features->Features.size()));
  } else {
    hb_shape(font.get(), buf, nullptr, 0);
  }
  // The buffer was made and filled, so what fails here is HarfBuzz's bound on the glyphs a text
  // may grow to (a font whose substitutions multiply them).
  if (!hb_buffer_allocation_successful(buf)) throw FontException(Messages::TextCannotBeShaped);

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
    glyph.YOffset = Scaled(positions[from].y_offset, false);
    glyph.UnsafeToBreak =
        (hb_glyph_info_get_glyph_flags(&infos[from]) & HB_GLYPH_FLAG_UNSAFE_TO_BREAK) != 0;
  }
}

}  // namespace Vennicor::Font::Layout::Detail
