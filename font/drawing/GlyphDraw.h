#pragma once

#include <cstdint>

#include "graphics/Color.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

/// One glyph as SpriteBatchEx::DrawText's per-glyph hook sees it, before it is drawn: the hook
/// changes what it likes (a wave moves Offset, a fade lowers Color, a typewriter hides the
/// glyphs past a count). A plain value, made afresh for every glyph of every drawing.
struct GlyphDraw {
  std::int32_t Index = 0;      ///< the glyph's number in the layout (0, 1, ... in Glyphs())
  std::int32_t TextIndex = 0;  ///< its cluster's first code unit in TextLayout::Text()
  Graphics::Vector2 Offset{};  ///< pixels (before the drawing's scale), added to its place
  Graphics::Color Color{};     ///< starts at the colour it would be drawn in
  float Scale = 1;             ///< about the glyph's centre
  /// False: the glyph is not drawn, nor its cluster's background and decorations.
  bool Visible = true;
};

}  // namespace Vennicor::Font
