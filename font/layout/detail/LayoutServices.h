#pragma once

#include <cstdint>

#include "font/detail/FontImpl.h"
#include "font/layout/detail/LayoutMemo.h"
#include "font/layout/detail/ShapingContext.h"

namespace Vennicor::Font::Layout::Detail {

/// What the text layout keeps for one font: the shapers of its faces with their cache of
/// shaped runs, and its finished layouts. The font keeps it as its companion and destroys it
/// before its faces close; it follows the font's faces by their generation (Of).
class LayoutServices final : public Vennicor::Font::Detail::FontCompanion {
 public:
  /// The services of `font`, made on first use; a face added to the font since the last call
  /// joins the shapers, and what was laid out before it is forgotten.
  /// \throws FontException when HarfBuzz cannot allocate (the font is left as it was).
  static LayoutServices& Of(Vennicor::Font::Detail::FontImpl& font);

  /// Shapers for the font's faces as they are now; Of makes and keeps these.
  explicit LayoutServices(const Vennicor::Font::Detail::FontImpl& font);

  /// Forgets every shaped run and finished layout.
  void ClearCaches() {
    Shaping.ClearCache();
    Layouts.Clear();
  }

  ShapingContext Shaping;
  LayoutMemo Layouts;

 private:
  // The font's face generation the shapers were last brought up to.
  std::uint32_t faceGeneration;
};

}  // namespace Vennicor::Font::Layout::Detail
