#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "font/Font.h"
#include "font/FontOptions.h"
#include "font/FontStyle.h"
#include "graphics/GraphicsDevice.h"

namespace Vennicor::Font {

/// Fonts of one family at any style and size, made on demand and kept: Get gives the same Font
/// for the same style and size for the family's life. A RichText (and its markup) takes its
/// bold, italic and sized runs from here.
///
/// The styles come from the installed faces of the family, found by the installed-font lookup's
/// rules (the family's Bold face for FontStyle::Bold, and so on). A family given as a path to
/// a font file has only that face: its bold is synthesised (FontOptions::Bold) and its italic
/// slanted (FontOptions::Oblique).
///
/// Each Font keeps its own atlas, as a Font made alone does; a paragraph mixing styles and sizes
/// draws from one texture per font it uses. Not copyable or movable: the fonts it hands out
/// live in it. Used by one thread at a time, as its fonts are.
class FontFamily {
 public:
  /// `family`: an installed family name, or a path to the regular face. Opens nothing yet.
  /// The device must outlive the family.
  FontFamily(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view family,
             const FontOptions& options = {});
  FontFamily(const FontFamily&) = delete;
  FontFamily& operator=(const FontFamily&) = delete;
  ~FontFamily();

  /// The family's font in `style` at `size` pixels per em, opened on first use (a face, its
  /// common glyphs, an atlas), then kept. The reference stays valid for the family's life.
  /// \throws FontException as the Font constructors do (the family not found, a bad size).
  Font& Get(FontStyle style, float size);
  /// How many fonts the family has opened.
  std::int32_t FontCount() const { return static_cast<std::int32_t>(fonts.size()); }
  /// The family name or path it was made with.
  std::u16string_view Family() const { return family; }

 private:
  Graphics::GraphicsDevice& graphicsDevice;
  std::u16string family;
  FontOptions options;
  bool isFile;
  std::map<std::pair<std::int32_t, float>, std::unique_ptr<Font>> fonts;
};

}  // namespace Vennicor::Font
