// The installed fonts that serve characters a font lacks, from fontconfig's character sets.
#ifndef _WIN32

#include <fontconfig/fontconfig.h>

#include <memory>
#include <optional>

#include "font/detail/SystemFonts.h"

namespace Vennicor::Font::Detail {

namespace {

struct PatternDestroyer {
  void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};
struct FontSetDestroyer {
  void operator()(FcFontSet* fontSet) const noexcept { FcFontSetDestroy(fontSet); }
};
struct CharSetDestroyer {
  void operator()(FcCharSet* charSet) const noexcept { FcCharSetDestroy(charSet); }
};

class FontconfigFonts final : public SystemFonts {
 public:
  explicit FontconfigFonts(const FontFace& like) {
    if (FcConfigUptoDate(nullptr) == FcFalse) FcInitReinitialize();
    const std::unique_ptr<FcPattern, PatternDestroyer> pattern(FcPatternCreate());
    coverage.reset(FcCharSetCreate());
    if (!pattern || !coverage) return;
    const FT_Face face = like.Handle();
    if (face->family_name != nullptr) {
      FcPatternAddString(pattern.get(), FC_FAMILY,
                         reinterpret_cast<const FcChar8*>(face->family_name));
    }
    FcPatternAddInteger(
        pattern.get(), FC_WEIGHT,
        (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(
        pattern.get(), FC_SLANT,
        (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0 ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultMatch;
    sorted.reset(FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
    if (!sorted) return;
    for (int i = 0; i < sorted->nfont; ++i) {
      FcCharSet* characters = nullptr;
      if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &characters) == FcResultMatch) {
        FcCharSetMerge(coverage.get(), characters, nullptr);
      }
    }
  }

  std::optional<InstalledFace> FaceFor(char32_t codePoint, bool color) override {
    if (!sorted || !coverage || FcCharSetHasChar(coverage.get(), codePoint) == FcFalse) return {};
    std::optional<InstalledFace> found;
    for (int i = 0; i < sorted->nfont; ++i) {
      FcPattern* font = sorted->fonts[i];
      FcCharSet* characters = nullptr;
      if (FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch ||
          FcCharSetHasChar(characters, codePoint) == FcFalse) {
        continue;
      }
      // A Font opens the first face of a file; the other faces of a collection would need
      // their index.
      int index = 0;
      FcChar8* file = nullptr;
      if ((FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch && index != 0) ||
          FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) {
        continue;
      }
      FcBool hasColor = FcFalse;
      FcPatternGetBool(font, FC_COLOR, 0, &hasColor);
      if (!color || hasColor == FcTrue) {
        return InstalledFace{std::filesystem::path(reinterpret_cast<const char*>(file))};
      }
      if (!found) found = InstalledFace{std::filesystem::path(reinterpret_cast<const char*>(file))};
    }
    return found;
  }

 private:
  std::unique_ptr<FcFontSet, FontSetDestroyer> sorted;
  std::unique_ptr<FcCharSet, CharSetDestroyer> coverage;  // every installed font's, merged
};

}  // namespace

std::unique_ptr<SystemFonts> SystemFonts::Open(const FontFace& like) {
  return std::make_unique<FontconfigFonts>(like);
}

}  // namespace Vennicor::Font::Detail

#endif
