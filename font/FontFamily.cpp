#include "font/FontFamily.h"

#include <filesystem>
#include <system_error>

#include "font/text/Utf.h"

namespace Vennicor::Font {

FontFamily::FontFamily(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view family,
                       const FontOptions& options)
    : graphicsDevice(graphicsDevice), family(family), options(options), isFile(false) {
  std::error_code error;
  isFile = std::filesystem::is_regular_file(std::filesystem::path(this->family), error);
}

FontFamily::~FontFamily() = default;

Font& FontFamily::Get(FontStyle style, float size) {
  const auto key = std::make_pair(static_cast<std::int32_t>(style), size);
  if (const auto found = fonts.find(key); found != fonts.end()) return *found->second;
  FontOptions styled = options;
  if (isFile) {
    // One face: the other styles are made from it.
    styled.Bold = styled.Bold || (style & FontStyle::Bold) == FontStyle::Bold;
    styled.Oblique = styled.Oblique || (style & FontStyle::Italic) == FontStyle::Italic;
  }
  auto font = std::make_unique<Font>(graphicsDevice, std::u16string_view(family), size,
                                     isFile ? FontStyle::Regular : style, styled);
  return *fonts.emplace(key, std::move(font)).first->second;
}

}  // namespace Vennicor::Font
