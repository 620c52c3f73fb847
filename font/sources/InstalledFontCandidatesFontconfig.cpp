// The installed fonts as fontconfig lists them: the platform half of the lookup on systems
// without the Windows registry.
#ifndef _WIN32

#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>
#include <string_view>

#include "font/sources/detail/FontconfigHandles.h"
#include "font/sources/detail/InstalledFontCandidates.h"
#include "font/text/Utf.h"

namespace Vennicor::Font {

namespace {

using Detail::FcFontSetHandle;
using Detail::FcObjectSetHandle;
using Detail::FcPatternHandle;
using FcString = Detail::FcStringHandle;

const char* AsChars(const FcChar8* text) { return reinterpret_cast<const char*>(text); }

// Fontconfig's own Unicode case folding, so "łódź" finds "Łódź".
std::string Downcase(std::string_view utf8) {
  const std::string terminated(utf8);
  const FcString folded(FcStrDowncase(reinterpret_cast<const FcChar8*>(terminated.c_str())));
  return folded ? std::string(AsChars(folded.get())) : terminated;
}

const FcChar8* FirstString(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  return FcPatternGetString(pattern, object, 0, &value) == FcResultMatch ? value : nullptr;
}

// The face's full name, or family and style where it has none.
std::string DisplayName(FcPattern* pattern) {
  if (const FcChar8* fullName = FirstString(pattern, FC_FULLNAME)) return AsChars(fullName);
  const FcChar8* family = FirstString(pattern, FC_FAMILY);
  if (family == nullptr) return {};
  std::string name = AsChars(family);
  if (const FcChar8* style = FirstString(pattern, FC_STYLE)) {
    name += ' ';
    name += AsChars(style);
  }
  return name;
}

// Fontconfig rescans its folders only when asked; ask, so that every lookup sees the fonts
// installed now.
void BringFontconfigUpToDate() {
  if (FcConfigUptoDate(nullptr) == FcFalse) FcInitReinitialize();
}

using FontSet = FcFontSetHandle;

// The installed faces with what the lookup reads of them (file, index, names and style): every
// one, or those that fontconfig finds under `family`, which the caller still checks itself (a
// listing by family ignores blanks too).
FontSet ListInstalledFonts(const char* family = nullptr) {
  BringFontconfigUpToDate();
  const FcPatternHandle pattern(FcPatternCreate());
  const FcObjectSetHandle objects(
      FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FULLNAME, FC_FAMILY, FC_STYLE, nullptr));
  if (!pattern || !objects) return nullptr;
  if (family != nullptr &&
      FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family)) ==
          FcFalse) {
    return nullptr;
  }
  return FontSet(FcFontList(nullptr, pattern.get(), objects.get()));
}

bool HasFamilyName(FcPattern* pattern, const std::string& foldedName) {
  FcChar8* family = nullptr;
  for (int n = 0; FcPatternGetString(pattern, FC_FAMILY, n, &family) == FcResultMatch; ++n) {
    if (Downcase(AsChars(family)) == foldedName) return true;
  }
  return false;
}

}  // namespace

std::vector<InstalledFontCandidate> FindInstalledFontCandidates(
    std::u16string_view searchedFaceName) {
  std::vector<InstalledFontCandidate> candidates;
  const FontSet fonts = ListInstalledFonts();
  if (!fonts) return candidates;

  const std::string searched = Downcase(Utf16ToUtf8(searchedFaceName));
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    const FcChar8* file = FirstString(font, FC_FILE);
    if (file == nullptr) continue;
    std::string displayName = DisplayName(font);
    if (!Downcase(displayName).starts_with(searched)) continue;
    candidates.push_back({Utf8ToUtf16(displayName), AsChars(file)});
  }
  return candidates;
}

std::vector<InstalledFontCandidate> FindInstalledFamilyCandidates(std::u16string_view familyName) {
  std::vector<InstalledFontCandidate> candidates;
  if (familyName.empty()) return candidates;
  const std::string family = Utf16ToUtf8(familyName);
  const FontSet fonts = ListInstalledFonts(family.c_str());
  if (!fonts) return candidates;

  const std::string searched = Downcase(family);
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    const FcChar8* file = FirstString(font, FC_FILE);
    int index = 0;
    if (file == nullptr || FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch ||
        index < 0 || !HasFamilyName(font, searched)) {
      continue;
    }
    // Fontconfig lists a variable font's named instances with the instance above bit 16 of the
    // index; the lookup opens faces, not instances, and the face itself is listed too.
    if ((index >> 16) != 0) continue;
    candidates.push_back({Utf8ToUtf16(DisplayName(font)), AsChars(file), index});
  }
  return candidates;
}

}  // namespace Vennicor::Font

#endif
