#pragma once

// Owning handles for the HarfBuzz objects the layout uses.

#include <hb.h>

#include <memory>

namespace Vennicor::Font::Layout::Detail {

struct HarfBuzzFontDestroyer {
  void operator()(hb_font_t* font) const noexcept { hb_font_destroy(font); }
};
using HarfBuzzFontHandle = std::unique_ptr<hb_font_t, HarfBuzzFontDestroyer>;

struct HarfBuzzBufferDestroyer {
  void operator()(hb_buffer_t* buffer) const noexcept { hb_buffer_destroy(buffer); }
};
using HarfBuzzBufferHandle = std::unique_ptr<hb_buffer_t, HarfBuzzBufferDestroyer>;

}  // namespace Vennicor::Font::Layout::Detail
