#include "font/faces/detail/GlyphRendering.h"

#include <algorithm>
#include <cmath>

namespace Vennicor::Font::Detail {

namespace {

// FreeType's SDF renderer accepts spreads from 2 to 32 pixels.
constexpr float SmallestSpread = 2;
constexpr float LargestSpread = 32;
// Thicker outlines than this are no longer outlines; the limit keeps 26.6 values in range.
constexpr float LargestOutline = 1024;

std::int32_t LoadFlagsFor(FontHinting hinting) {
  switch (hinting) {
    case FontHinting::Normal:
      return FT_LOAD_DEFAULT;
    case FontHinting::Light:
      return FT_LOAD_TARGET_LIGHT;
    case FontHinting::Mono:
      return FT_LOAD_TARGET_MONO;
    case FontHinting::None:
      return FT_LOAD_NO_HINTING;
    case FontHinting::ForcedAuto:
      break;
  }
  return FT_LOAD_FORCE_AUTOHINT;
}

}  // namespace

GlyphRendering RenderingFor(const FontOptions& options) {
  GlyphRendering rendering;
  rendering.LoadFlags = LoadFlagsFor(options.Hinting);
  rendering.RenderMode =
      options.Hinting == FontHinting::Mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;
  if (options.Hinting == FontHinting::Light) rendering.RenderMode = FT_RENDER_MODE_LIGHT;
  rendering.Bold = options.Bold;
  rendering.Oblique = options.Oblique;
  const float thickness = options.OutlineThickness;
  if (std::isfinite(thickness) && thickness > 0) {
    const float clamped = std::min(thickness, LargestOutline);
    rendering.OutlineRadius = std::max(1, static_cast<std::int32_t>(std::lround(clamped * 64)));
    rendering.OutlineMargin = static_cast<std::int32_t>(std::ceil(clamped));
  }
  if (options.DistanceField) {
    rendering.RenderMode = FT_RENDER_MODE_SDF;
    const float spread =
        std::isfinite(options.DistanceFieldSpread)
            ? std::clamp(options.DistanceFieldSpread, SmallestSpread, LargestSpread)
            : 8.0F;
    rendering.Spread = static_cast<std::int32_t>(std::lround(spread));
    rendering.MultiChannel = options.MultiChannel;
  }
  if (!options.DistanceField) {
    if (options.Subpixel == SubpixelPositioning::Half) rendering.SubpixelSteps = 2;
    if (options.Subpixel == SubpixelPositioning::Quarter) rendering.SubpixelSteps = 4;
  }
  const bool plain = !rendering.Bold && !rendering.Oblique && rendering.OutlineRadius == 0 &&
                     !options.DistanceField;
  if (plain) rendering.LoadFlags |= FT_LOAD_RENDER;
  return rendering;
}

}  // namespace Vennicor::Font::Detail
