#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>

#include "font/FontOptions.h"

namespace Vennicor::Font::Detail {

/// How a face loads and renders glyphs for a set of FontOptions: the one place that turns the
/// options into FreeType's load flags and render mode.
struct GlyphRendering {
  /// Flags for FT_Load_Glyph. They include FT_LOAD_RENDER when nothing has to happen between
  /// loading and rendering (no synthesis, no outline, no distance field): FreeType then
  /// renders as it loads, exactly as a caller of FT_Load_Glyph with these flags sees it.
  std::int32_t LoadFlags = FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT;
  /// The mode for FT_Render_Glyph when LoadFlags do not render.
  FT_Render_Mode RenderMode = FT_RENDER_MODE_NORMAL;
  bool Bold = false;
  bool Oblique = false;
  /// Outline thickness in 26.6 pixels; 0 for none.
  std::int32_t OutlineRadius = 0;
  /// Whole pixels each outline image extends beyond the glyph image on every side.
  std::int32_t OutlineMargin = 0;
  /// Distance-field spread in whole pixels (FreeType's range, 2..32); 0 without a field.
  std::int32_t Spread = 0;
  /// Images a glyph may have along a pixel (FontOptions::Subpixel): 1, 2 or 4; 1 for a
  /// distance field, which is drawn filtered.
  std::int32_t SubpixelSteps = 1;
  /// With a spread: the library's own multi-channel field instead of FreeType's SDF renderer.
  bool MultiChannel = false;

  bool RendersOnLoad() const { return (LoadFlags & FT_LOAD_RENDER) != 0; }
};

/// The rendering that `options` ask for. Non-finite or negative thicknesses mean no outline.
GlyphRendering RenderingFor(const FontOptions& options);

}  // namespace Vennicor::Font::Detail
