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

namespace Detail {
class AtlasShare;
}  // namespace Detail

/// Fonts of one family at any style and size, made on demand and kept: Get gives the same Font
/// for the same style and size for the family's life. A RichText (and its markup) takes its
/// bold, italic and sized runs from here.
///
/// The styles come from the installed faces of the family, found by the installed-font lookup's
/// rules (the family's Bold face for FontStyle::Bold, and so on; for a variable family without
/// such a face, its named instance of that style). A family given as a path to
/// a font file has only that face: its bold is the face's wght 700 instance when the face is
/// variable along a weight axis, else synthesised (FontOptions::Bold); its italic is the ital 1
/// instance (or slnt -12) of a face with that axis, else slanted (FontOptions::Oblique). Values
/// the family's FontOptions::Variations give for an axis win over these.
///
/// The family's fonts share one atlas: their glyphs are packed into the same pages, so a text
/// mixing regular, bold, italic and several sizes draws from one texture, in one run of sprites
/// where its colours allow, while the glyphs fit one page (the page grows as a font's own does,
/// to the device's largest texture, then more pages open). A Font made on its own keeps its own
/// atlas as before. Shared, the atlas is the fonts' in every way: a growth or an emptied page
/// re-places the glyphs of all of them (every font's Glyph records follow), AtlasPageCount and
/// AtlasPageTexture answer the same for each, SetAtlasPageLimit on any sets the family's limit,
/// and a fallback face with colour glyphs added to one makes the pages colour for all. The
/// atlas lives as long as the family or any of its fonts' layouts; disposing one font leaves it
/// to the others. FontOptions::GlyphCache is not read for the family's fonts, and
/// Font::SaveGlyphCache on one of them throws Messages::GlyphCacheOfSharedAtlas: a cache file
/// holds the atlas of one font.
///
/// Not copyable or movable: the fonts it hands out live in it, and their references stay valid
/// for its life. The family and all of its fonts are used by one thread at a time, together
/// (they share the atlas); FontOptions::RenderThreads still renders one call's new glyphs on
/// worker threads.
class FontFamily {
 public:
  /// `family`: an installed family name, or a path to the regular face. Opens nothing yet (the
  /// atlas's first page is made with the first font). The device must outlive the family and
  /// its fonts' layouts. `options` apply to every font, but for GlyphCache, which is ignored.
  FontFamily(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view family,
             const FontOptions& options = {});
  FontFamily(const FontFamily&) = delete;
  FontFamily& operator=(const FontFamily&) = delete;
  ~FontFamily();

  /// The family's font in `style` at `size` pixels per em, opened on first use (a face, its
  /// common glyphs in the family's atlas), then kept. The reference stays valid for the
  /// family's life.
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
  // Before the fonts, so that it is still there while they go.
  std::shared_ptr<Detail::AtlasShare> atlas;
  std::map<std::pair<std::int32_t, float>, std::unique_ptr<Font>> fonts;
};

}  // namespace Vennicor::Font
