#include "font/sources/detail/InstalledFontLookup.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "font/FontException.h"
#include "font/sources/ReverseStringLengthComparer.h"
#include "font/sources/detail/FaceHandle.h"
#include "font/sources/detail/InstalledFontCandidates.h"

namespace Vennicor::Font {

namespace {

constexpr std::string_view Extension = ".ttf";

// The extension test ignores ASCII case only: ".ttf" has no letters that fold from elsewhere.
bool HasTrueTypeExtension(std::string_view path) {
  if (path.size() < Extension.size()) return false;
  const std::string_view tail = path.substr(path.size() - Extension.size());
  return std::equal(tail.begin(), tail.end(), Extension.begin(), [](char left, char right) {
    return (left >= 'A' && left <= 'Z' ? static_cast<char>(left - 'A' + 'a') : left) == right;
  });
}

FaceHandle OpenFace(FT_Library library, std::string& path, FT_Long faceIndex) {
  FT_Open_Args arguments{};
  arguments.flags = FT_OPEN_PATHNAME;
  arguments.pathname = path.data();
  FT_Face face = nullptr;
  if (FT_Open_Face(library, &arguments, faceIndex, &face) != 0) return nullptr;
  return FaceHandle(face);
}

// The first face of the file, in index order, whose style flags are exactly `wantedFlags`.
FaceHandle OpenFaceWithStyleFlags(FT_Library library, std::string& path, FT_Long wantedFlags) {
  FT_Long faceCount = 0;
  {
    // Index -1 opens a probe that only tells how many faces the file holds.
    const FaceHandle probe = OpenFace(library, path, -1);
    if (!probe) return nullptr;
    faceCount = probe->num_faces;
  }
  for (FT_Long index = 0; index < faceCount; ++index) {
    FaceHandle face = OpenFace(library, path, index);
    if (face && face->style_flags == wantedFlags) return face;
  }
  return nullptr;
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
                               FontStyle fontStyle) {
  const FT_Long wantedFlags = StyleFlagsFromFontDescriptionStyle(fontStyle);
  std::erase_if(candidates, [](const InstalledFontCandidate& candidate) {
    return !HasTrueTypeExtension(candidate.FilePath);
  });
  // Stable, so that names of equal length keep the order the system listed them in.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const InstalledFontCandidate& left, const InstalledFontCandidate& right) {
                     return ReverseStringLengthComparer::Default.Compare(left.DisplayName,
                                                                         right.DisplayName) < 0;
                   });
  // Several faces of one file are several candidates; all its faces are tried the first time.
  std::unordered_set<std::string> probedFiles;
  for (InstalledFontCandidate& candidate : candidates) {
    if (!probedFiles.insert(candidate.FilePath).second) continue;
    if (FaceHandle face = OpenFaceWithStyleFlags(library, candidate.FilePath, wantedFlags)) {
      return face.release();
    }
  }
  throw FontException(Messages::FontNotFound);
}

FT_Face OpenInstalledFont(FT_Library library, std::u16string_view searchedFaceName,
                          FontStyle fontStyle) {
  return OpenFirstFaceWithStyle(library, FindInstalledFontCandidates(searchedFaceName), fontStyle);
}

}  // namespace Vennicor::Font
