#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "graphics/Color.h"
#include "tools/vennicor-text/CommandLine.h"

namespace VennicorText {

/// An RGBA image with straight (not premultiplied) alpha, row by row, as a PNG stores it.
struct Picture {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::vector<Vennicor::Graphics::Color> Pixels;
};

struct RenderedText {
  Picture Text;
  /// The font's atlas texture after drawing, when asked for, over opaque black.
  std::optional<Picture> Atlas;
};

/// Opens the font the options name, lays `text` (UTF-16, line feeds separate lines) out with
/// TextLayout as the options say and draws it on the software backend.
/// \throws Vennicor::Font::FontException when the font cannot be opened or a glyph loaded,
///         std::runtime_error when the picture would be too large.
RenderedText RenderText(const Options& options, std::u16string_view text, bool withAtlas);

}  // namespace VennicorText
