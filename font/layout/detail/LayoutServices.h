#pragma once

#include <cstdint>

#include "font/layout/detail/LayoutMemo.h"
#include "font/layout/detail/ShapingContext.h"

struct FT_FaceRec_;

namespace Vennicor::Font::Layout::Detail {

/// What the text layout keeps for one font: the shapers of its faces with their cache of
/// shaped runs, and its finished layouts. The font owns it and destroys it before its faces
/// close. A font with fallback faces adds each to Shaping (ShapingContext::AddFace) and clears
/// the layouts.
class LayoutServices {
 public:
  /// \throws FontException when HarfBuzz cannot allocate.
  LayoutServices(FT_FaceRec_* face, std::int32_t loadFlags, double scale = 1)
      : Shaping(face, loadFlags, scale) {}

  /// Forgets every shaped run and finished layout.
  void ClearCaches() {
    Shaping.ClearCache();
    Layouts.Clear();
  }

  ShapingContext Shaping;
  LayoutMemo Layouts;
};

}  // namespace Vennicor::Font::Layout::Detail
