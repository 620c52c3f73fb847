#include "font/FontFamily.h"

#include <filesystem>
#include <system_error>

#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/faces/detail/FontFace.h"
#include "font/text/Utf.h"

namespace Vennicor::Font {

FontFamily::FontFamily(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view family,
                       const FontOptions& options)
    : graphicsDevice(graphicsDevice),
      family(family),
      options(options),
      isFile(false),
      atlas(Detail::MakeSharedAtlas(graphicsDevice, options)) {
  std::error_code error;
  isFile = std::filesystem::is_regular_file(std::filesystem::path(this->family), error);
  // A cache file holds one font's atlas; the family's fonts share one.
  this->options.GlyphCache.clear();
}

FontFamily::~FontFamily() = default;

Font& FontFamily::Get(FontStyle style, float size) {
  const auto key = std::make_pair(static_cast<std::int32_t>(style), size);
  if (const auto found = fonts.find(key); found != fonts.end()) return *found->second;
  FontOptions styled = options;
  auto face = std::make_unique<Detail::FontFace>(std::u16string_view(family),
                                                 isFile ? FontStyle::Regular : style);
  if (isFile) {
    // One face: the other styles are made from it, as the instances of a variable face where
    // it has the axis (first, so that the family's own values for the axis win), else
    // synthesised.
    const auto instance = [&](FontVariation variation) {
      styled.Variations.insert(styled.Variations.begin(), variation);
    };
    if ((style & FontStyle::Bold) == FontStyle::Bold) {
      if (face->HasAxis({'w', 'g', 'h', 't'})) {
        instance({{'w', 'g', 'h', 't'}, 700});
      } else {
        styled.Bold = true;
      }
    }
    if ((style & FontStyle::Italic) == FontStyle::Italic) {
      if (face->HasAxis({'i', 't', 'a', 'l'})) {
        instance({{'i', 't', 'a', 'l'}, 1});
      } else if (face->HasAxis({'s', 'l', 'n', 't'})) {
        instance({{'s', 'l', 'n', 't'}, -12});  // slanted clockwise, clamped to the axis
      } else {
        styled.Oblique = true;
      }
    }
  }
  auto font = std::make_unique<Font>(Detail::FontAccess::Make(
      std::make_shared<Detail::FontImpl>(graphicsDevice, std::move(face), size, styled, atlas)));
  return *fonts.emplace(key, std::move(font)).first->second;
}

}  // namespace Vennicor::Font
