// The installed fonts that serve characters a font lacks, on Windows: the registry's fonts, each
// file opened once to read the characters its character map has.
#ifdef _WIN32

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "font/FontException.h"
#include "font/detail/SystemFonts.h"
#include "font/sources/detail/InstalledFontCandidates.h"

namespace Vennicor::Font::Detail {

namespace {

struct CharacterRange {
  char32_t First = 0;
  char32_t Last = 0;
};

struct RegisteredFont {
  std::filesystem::path File;
  bool Color = false;
  std::vector<CharacterRange> Ranges;  // ascending

  bool Has(char32_t codePoint) const {
    const auto after = std::upper_bound(
        Ranges.begin(), Ranges.end(), codePoint,
        [](char32_t value, const CharacterRange& range) { return value < range.First; });
    return after != Ranges.begin() && codePoint <= (after - 1)->Last;
  }
};

class RegistryFonts final : public SystemFonts {
 public:
  std::optional<InstalledFace> FaceFor(char32_t codePoint, bool color) override {
    if (!read) Read();
    const RegisteredFont* found = nullptr;
    for (const RegisteredFont& font : fonts) {
      if (!font.Has(codePoint)) continue;
      if (!color || font.Color) return InstalledFace{font.File};
      if (found == nullptr) found = &font;
    }
    if (found != nullptr) return InstalledFace{found->File};
    return std::nullopt;
  }

 private:
  // Each registered file once, in the registry's order; files FreeType cannot open are left out.
  void Read() {
    read = true;
    for (const InstalledFontCandidate& candidate : FindInstalledFontCandidates(u"")) {
      std::filesystem::path file(candidate.FilePath);
      if (std::any_of(fonts.begin(), fonts.end(),
                      [&](const RegisteredFont& font) { return font.File == file; })) {
        continue;
      }
      try {
        const FontFace face(file);
        RegisteredFont font;
        font.File = std::move(file);
        const FT_Face handle = face.Handle();
        font.Color = FT_HAS_COLOR(handle);
        FT_UInt glyph = 0;
        for (FT_ULong c = FT_Get_First_Char(handle, &glyph); glyph != 0;
             c = FT_Get_Next_Char(handle, c, &glyph)) {
          const auto codePoint = static_cast<char32_t>(c);
          if (!font.Ranges.empty() && font.Ranges.back().Last + 1 == codePoint) {
            font.Ranges.back().Last = codePoint;
          } else {
            font.Ranges.push_back({codePoint, codePoint});
          }
        }
        if (!font.Ranges.empty()) fonts.push_back(std::move(font));
      } catch (const FontException&) {
      }
    }
  }

  bool read = false;
  std::vector<RegisteredFont> fonts;
};

}  // namespace

std::unique_ptr<SystemFonts> SystemFonts::Open(const FontFace&) {
  return std::make_unique<RegistryFonts>();
}

}  // namespace Vennicor::Font::Detail

#endif
