#pragma once

// Shaping with HarfBuzz over the font's own FreeType face, so that the glyph indices and
// advances are those of the face the atlas renders, at the same size and with the same load
// flags (hinting changes advances).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "font/layout/detail/HarfBuzzHandles.h"
#include "font/layout/detail/ShapedGlyph.h"

struct FT_FaceRec_;

namespace Vennicor::Font::Layout::Detail {

/// OpenType features and a language to shape with, and both as text for the shaped-run cache.
struct ShapingFeatures {
  std::vector<hb_feature_t> Features;
  hb_language_t Language = nullptr;  ///< null: HarfBuzz's default
  std::string Key;
};

/// A run of text of one face, one script and one direction, to shape.
struct ShapingRun {
  std::u16string_view Paragraph;  ///< the whole paragraph: context for the run's edges
  std::int32_t Start = 0;         ///< code units, within Paragraph
  std::int32_t End = 0;
  hb_script_t Script = HB_SCRIPT_COMMON;
  bool RightToLeft = false;
  const ShapingFeatures* Features = nullptr;  ///< null: none, the default language
};

/// Shapes runs with one face. Holds a HarfBuzz font that references the FreeType face: it must
/// be destroyed before the face's library goes, and the face's size must not change meanwhile.
/// Not for concurrent use (HarfBuzz loads glyphs through the face).
class Shaper {
 public:
  /// `loadFlags` are FreeType's, as the face's glyphs are rendered with (FT_LOAD_RENDER may be
  /// among them; it is dropped for shaping). \throws FontException when HarfBuzz cannot
  /// allocate. `scale` multiplies every advance and offset: a face of bitmap strikes is
  /// sized to a strike and its glyphs are scaled to the font's size (1 for outline faces).
  /// `fractions`: advances as the outlines are designed (unhinted), with their fractions of a
  /// pixel (horizontal offsets too), for glyphs drawn at fractions (FontOptions::Subpixel);
  /// otherwise every advance and offset is rounded to whole pixels (halves away from zero), as
  /// hinted glyphs sit on them.
  Shaper(FT_FaceRec_* face, std::int32_t loadFlags, double scale = 1, bool fractions = false);

  /// Appends the run's glyphs to `out` in logical order (for a right-to-left run HarfBuzz's
  /// visual order is reversed), clusters relative to the paragraph.
  void Shape(const ShapingRun& run, std::vector<ShapedGlyph>& out);

  hb_font_t* Font() const { return font.get(); }

  /// Combining marks kept in a row (on one base); those beyond are not shaped and draw nothing.
  static constexpr int MaxMarksInARow = 32;
  /// HarfBuzz's default language, asked once for the process.
  static hb_language_t DefaultLanguage();

 private:
  void UseFaceVariations(FT_FaceRec_* face);
  // `value` times the scale, rounded to whole pixels unless the shaper keeps fractions and
  // `keepFraction` (vertical offsets stay whole: glyphs move by fractions only along the line).
  std::int32_t Scaled(std::int32_t value, bool keepFraction = true) const;

  HarfBuzzFontHandle font;
  HarfBuzzBufferHandle buffer;
  double scale;
  bool fractions;
};

}  // namespace Vennicor::Font::Layout::Detail
