#pragma once

#include <memory>
#include <utility>

#include "font/Font.h"
#include "font/detail/FontImpl.h"

namespace Vennicor::Font::Detail {

/// Lets the library's own drawing and layout code reach a font's internals.
struct FontAccess {
  /// The font's internals. Precondition: the font is not moved-from (any public member that
  /// checks for disposal, such as EnsureGlyphsExist, has run without throwing).
  static FontImpl& Of(Font& font) { return *font.impl; }
  static const FontImpl& Of(const Font& font) { return *font.impl; }
  /// Throws FontException (Messages::FontDisposed) after Dispose or a move, as the public
  /// members do, before a caller reads the internals.
  static void ThrowIfDisposed(const Font& font) { font.ThrowIfDisposed(); }
  /// The font's internals, shared by whoever keeps them past a move of the Font (a layout).
  /// Null for a moved-from font.
  static std::shared_ptr<FontImpl> Share(const Font& font) { return font.impl; }
  /// A Font around `impl` (a FontFamily's fonts, made with its shared atlas).
  static Font Make(std::shared_ptr<FontImpl> impl) { return Font(std::move(impl)); }
};

}  // namespace Vennicor::Font::Detail
