#include "font/sources/detail/InstalledFontLookup.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>

#include FT_TRUETYPE_TABLES_H

#include "font/FontException.h"
#include "font/sources/ReverseStringLengthComparer.h"
#include "font/sources/detail/FaceHandle.h"
#include "font/sources/detail/InstalledFontCandidates.h"

namespace Vennicor::Font {

namespace {

// The extension tests ignore ASCII case only: the extensions have no letters that fold from
// elsewhere.
bool HasExtension(std::string_view path, std::string_view extension) {
  if (path.size() < extension.size()) return false;
  const std::string_view tail = path.substr(path.size() - extension.size());
  return std::equal(tail.begin(), tail.end(), extension.begin(), [](char left, char right) {
    return (left >= 'A' && left <= 'Z' ? static_cast<char>(left - 'A' + 'a') : left) == right;
  });
}

// The rounds of the lookup: TrueType files first; the others only when those yield nothing, so
// that every name found among ".ttf" files keeps its face.
bool InFirstRound(std::string_view path) { return HasExtension(path, ".ttf"); }
bool InSecondRound(std::string_view path) {
  return HasExtension(path, ".otf") || HasExtension(path, ".ttc") || HasExtension(path, ".otc");
}

FaceHandle OpenFace(FT_Library library, std::string& path, FT_Long faceIndex) {
  FT_Open_Args arguments{};
  arguments.flags = FT_OPEN_PATHNAME;
  arguments.pathname = path.data();
  FT_Face face = nullptr;
  if (FT_Open_Face(library, &arguments, faceIndex, &face) != 0) return nullptr;
  return FaceHandle(face);
}

// FreeType's family names are ASCII (other characters of the name table become '?'), so ASCII
// case folding is all that can apply.
bool FamilyNameEquals(const char* familyName, std::u16string_view searched) {
  if (familyName == nullptr) return false;
  const auto fold = [](char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; };
  std::size_t i = 0;
  for (; familyName[i] != '\0'; ++i) {
    if (i >= searched.size()) return false;
    const auto byte = static_cast<unsigned char>(familyName[i]);
    if (fold(byte) != fold(searched[i])) return false;
  }
  return i == searched.size();
}

// The weight a face of the style usually has: bold ones 700, the others 400.
FT_UShort UsualWeight(FontStyle style) {
  return (StyleFlagsFromFontDescriptionStyle(style) & FT_STYLE_FLAG_BOLD) != 0 ? 700 : 400;
}

bool HasWeight(FT_Face face, FT_UShort weight) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  return os2 != nullptr && os2->version != 0xFFFFU && os2->usWeightClass == weight;
}

struct Search {
  FT_Long WantedFlags;
  std::u16string_view FamilyName;  // empty: no face is preferred
  FT_UShort PreferredWeight;
};

// One round over the candidates that `inRound` admits, shortest display name first, each file
// probed once with its faces in index order. The first face of the family with the usual
// weight wins; else the first face with the wanted style flags.
FaceHandle OpenBestFace(FT_Library library, std::vector<InstalledFontCandidate>& candidates,
                        const Search& search, bool (*inRound)(std::string_view)) {
  FaceHandle firstWithStyle;
  std::unordered_set<std::string> probedFiles;
  for (InstalledFontCandidate& candidate : candidates) {
    if (!inRound(candidate.FilePath)) continue;
    // Several faces of one file are several candidates; all its faces are tried the first time.
    if (!probedFiles.insert(candidate.FilePath).second) continue;
    FT_Long faceCount = 0;
    {
      // Index -1 opens a probe that only tells how many faces the file holds.
      const FaceHandle probe = OpenFace(library, candidate.FilePath, -1);
      if (!probe) continue;
      faceCount = probe->num_faces;
    }
    for (FT_Long index = 0; index < faceCount; ++index) {
      FaceHandle face = OpenFace(library, candidate.FilePath, index);
      if (!face || face->style_flags != search.WantedFlags) continue;
      if (!search.FamilyName.empty() && FamilyNameEquals(face->family_name, search.FamilyName) &&
          HasWeight(face.get(), search.PreferredWeight)) {
        return face;
      }
      if (!firstWithStyle) {
        firstWithStyle = std::move(face);
        // Without a family to prefer, the first face with the style is the answer.
        if (search.FamilyName.empty()) return firstWithStyle;
      }
    }
  }
  return firstWithStyle;
}

}  // namespace

FT_Long StyleFlagsFromFontDescriptionStyle(FontStyle style) {
  switch (static_cast<std::int32_t>(style)) {
    case static_cast<std::int32_t>(FontStyle::Regular):
      return 0;
    case static_cast<std::int32_t>(FontStyle::Bold):
      return FT_STYLE_FLAG_BOLD;
    case static_cast<std::int32_t>(FontStyle::Italic):
      return FT_STYLE_FLAG_ITALIC;
    case static_cast<std::int32_t>(FontStyle::Bold | FontStyle::Italic):
      return FT_STYLE_FLAG_BOLD | FT_STYLE_FLAG_ITALIC;
    default:
      return 0;
  }
}

FT_Face OpenFirstFaceWithStyle(FT_Library library, std::vector<InstalledFontCandidate> candidates,
                               FontStyle fontStyle, std::u16string_view familyName) {
  // Stable, so that names of equal length keep the order the system listed them in.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const InstalledFontCandidate& left, const InstalledFontCandidate& right) {
                     return ReverseStringLengthComparer::Default.Compare(left.DisplayName,
                                                                         right.DisplayName) < 0;
                   });
  const Search search{StyleFlagsFromFontDescriptionStyle(fontStyle), familyName,
                      UsualWeight(fontStyle)};
  for (bool (*round)(std::string_view) : {InFirstRound, InSecondRound}) {
    if (FaceHandle face = OpenBestFace(library, candidates, search, round)) return face.release();
  }
  throw FontException(Messages::FontNotFound);
}

FT_Face OpenInstalledFont(FT_Library library, std::u16string_view searchedFaceName,
                          FontStyle fontStyle) {
  // An empty name is a prefix of every name, and the system's lists end a name at U+0000: both
  // would open an arbitrary installed font.
  if (searchedFaceName.empty() || searchedFaceName.find(u'\0') != std::u16string_view::npos) {
    throw FontException(Messages::FontNotFound);
  }
  return OpenFirstFaceWithStyle(library, FindInstalledFontCandidates(searchedFaceName), fontStyle,
                                searchedFaceName);
}

}  // namespace Vennicor::Font
