#include "font/sources/detail/InstalledFontLookup.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include FT_TRUETYPE_TABLES_H

#include "font/FontException.h"
#include "font/sources/ReverseStringLengthComparer.h"
#include "font/sources/detail/FaceHandle.h"
#include "font/sources/detail/InstalledFontCandidates.h"
#include "font/sources/detail/VariationAxes.h"

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

// The style a face has by its flags or, for a bit its flags lack, by its OS/2 weight (600 and
// above is bold) and its italic angle; nothing without an OS/2 table.
std::optional<FT_Long> StyleByWeightAndAngle(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 == nullptr || os2->version == 0xFFFFU) return std::nullopt;
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  // The upper half of style_flags counts a variable font's named instances.
  FT_Long flags = face->style_flags & (FT_STYLE_FLAG_BOLD | FT_STYLE_FLAG_ITALIC);
  if (os2->usWeightClass >= 600) flags |= FT_STYLE_FLAG_BOLD;
  if (post != nullptr && post->italicAngle != 0) flags |= FT_STYLE_FLAG_ITALIC;
  return flags;
}

bool ServesByFlags(FT_Face face, FT_Long wantedFlags) { return face->style_flags == wantedFlags; }

// A flag the face has is never overruled: only the bits it lacks come from weight and angle.
bool ServesByWeightAndAngle(FT_Face face, FT_Long wantedFlags) {
  return StyleByWeightAndAngle(face) == wantedFlags;
}

struct Search {
  FT_Long WantedFlags;
  bool (*Serves)(FT_Face face, FT_Long wantedFlags);
  std::u16string_view FamilyName;  // empty: no face is preferred by its FreeType family name
  bool AllOfTheFamily;             // every candidate is a face of the searched family
  FT_UShort PreferredWeight;
};

// Opens, in turn, the faces of the candidates that `inRound` admits, in their order, each file's
// faces once (every face of the file for a candidate without an index, in index order; else
// only the face it names), and hands each to `visit` with its file and index until `visit`
// returns true. Faces `visit` does not keep are closed.
template <class Visit>
void ForEachCandidateFace(FT_Library library, std::vector<InstalledFontCandidate>& candidates,
                          bool (*inRound)(std::string_view), Visit&& visit) {
  std::set<std::pair<std::string, FT_Long>> probed;
  for (InstalledFontCandidate& candidate : candidates) {
    if (!inRound(candidate.FilePath)) continue;
    // Several faces of one file are several candidates; all its faces are tried the first time.
    if (!probed.emplace(candidate.FilePath, candidate.FaceIndex).second) continue;
    FT_Long firstIndex = candidate.FaceIndex;
    FT_Long endIndex = candidate.FaceIndex + 1;
    if (candidate.FaceIndex < 0) {
      // Index -1 opens a probe that only tells how many faces the file holds.
      const FaceHandle probe = OpenFace(library, candidate.FilePath, -1);
      if (!probe) continue;
      firstIndex = 0;
      endIndex = probe->num_faces;
    }
    for (FT_Long index = firstIndex; index < endIndex; ++index) {
      FaceHandle face = OpenFace(library, candidate.FilePath, index);
      if (face && visit(face, candidate.FilePath, index)) return;
    }
  }
}

// One round over the candidates that `inRound` admits, shortest display name first (as
// ForEachCandidateFace opens them). The first face of the family with the usual weight wins;
// else the first face that serves the style.
FaceHandle OpenBestFace(FT_Library library, std::vector<InstalledFontCandidate>& candidates,
                        const Search& search, bool (*inRound)(std::string_view)) {
  FaceHandle best;
  FaceHandle firstWithStyle;
  const bool preferring = search.AllOfTheFamily || !search.FamilyName.empty();
  ForEachCandidateFace(
      library, candidates, inRound,
      [&](FaceHandle& face, std::string& /*file*/, FT_Long /*index*/) {
        if (!search.Serves(face.get(), search.WantedFlags)) return false;
        const bool ofTheFamily =
            search.AllOfTheFamily ||
            (!search.FamilyName.empty() && FamilyNameEquals(face->family_name, search.FamilyName));
        if (ofTheFamily && HasWeight(face.get(), search.PreferredWeight)) {
          best = std::move(face);
          return true;
        }
        if (firstWithStyle) return false;
        firstWithStyle = std::move(face);
        // Without a family to prefer, the first face with the style is the answer.
        return !preferring;
      });
  return best ? std::move(best) : std::move(firstWithStyle);
}

// The rounds by extension over the candidates, shortest display name first.
FaceHandle OpenBestFaceOfAnyRound(FT_Library library,
                                  std::vector<InstalledFontCandidate>& candidates,
                                  const Search& search) {
  // Stable, so that names of equal length keep the order the system listed them in.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const InstalledFontCandidate& left, const InstalledFontCandidate& right) {
                     return ReverseStringLengthComparer::Default.Compare(left.DisplayName,
                                                                         right.DisplayName) < 0;
                   });
  for (bool (*round)(std::string_view) : {InFirstRound, InSecondRound}) {
    if (FaceHandle face = OpenBestFace(library, candidates, search, round)) return face;
  }
  return nullptr;
}

// The style of a variable face's named instance: bold from a weight of 600 and above on its
// wght axis, italic from ital 1 or a non-zero slnt; a bit without its axis, from the face's own
// flags. `distance`: how far its weight is from `usualWeight` (0 without a wght axis).
FT_Long InstanceStyle(FT_Face face, const FT_MM_Var& axes, const FT_Var_Named_Style& instance,
                      FT_UShort usualWeight, double& distance) {
  FT_Long flags = face->style_flags & (FT_STYLE_FLAG_BOLD | FT_STYLE_FLAG_ITALIC);
  distance = 0;
  for (FT_UInt axis = 0; axis < axes.num_axis; ++axis) {
    const double value = static_cast<double>(instance.coords[axis]) / 65536.0;
    switch (axes.axis[axis].tag) {
      case FT_MAKE_TAG('w', 'g', 'h', 't'):
        flags = value >= 600 ? flags | FT_STYLE_FLAG_BOLD : flags & ~FT_Long{FT_STYLE_FLAG_BOLD};
        distance = std::abs(value - usualWeight);
        break;
      case FT_MAKE_TAG('i', 't', 'a', 'l'):
      case FT_MAKE_TAG('s', 'l', 'n', 't'):
        if (value != 0) flags |= FT_STYLE_FLAG_ITALIC;
        break;
      default:
        break;
    }
  }
  return flags;
}

// The last resort of a family's lookup: the named instance of a variable face that has the
// style (its "Bold", say), the one with the weight nearest the usual first, opened as that
// instance (FreeType's face index with the instance above bit 16). Candidates as OpenBestFace
// takes them, ".ttf" files first.
FaceHandle OpenNamedInstance(FT_Library library, std::vector<InstalledFontCandidate>& family,
                             FontStyle fontStyle) {
  const FT_Long wanted = StyleFlagsFromFontDescriptionStyle(fontStyle);
  const FT_UShort usualWeight = UsualWeight(fontStyle);
  FaceHandle instance;
  for (bool (*round)(std::string_view) : {InFirstRound, InSecondRound}) {
    ForEachCandidateFace(
        library, family, round, [&](FaceHandle& face, std::string& file, FT_Long index) {
          const VariationAxes axes(face.get());
          if (!axes) return false;
          std::optional<FT_UInt> best;
          double bestDistance = 0;
          for (FT_UInt named = 0; named < axes->num_namedstyles; ++named) {
            double distance = 0;
            if (InstanceStyle(face.get(), *axes, axes->namedstyle[named], usualWeight, distance) !=
                    wanted ||
                (best && distance >= bestDistance)) {
              continue;
            }
            best = named;
            bestDistance = distance;
          }
          if (!best) return false;
          instance = OpenFace(library, file, index | (static_cast<FT_Long>(*best + 1) << 16));
          return static_cast<bool>(instance);
        });
    if (instance) return instance;
  }
  return nullptr;
}

FaceHandle OpenFamilyFace(FT_Library library, std::vector<InstalledFontCandidate>& family,
                          FontStyle fontStyle) {
  const FT_Long wanted = StyleFlagsFromFontDescriptionStyle(fontStyle);
  for (bool (*serves)(FT_Face, FT_Long) : {ServesByFlags, ServesByWeightAndAngle}) {
    const Search search{wanted, serves, {}, true, UsualWeight(fontStyle)};
    if (FaceHandle face = OpenBestFaceOfAnyRound(library, family, search)) return face;
  }
  return OpenNamedInstance(library, family, fontStyle);
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
  const Search search{StyleFlagsFromFontDescriptionStyle(fontStyle), ServesByFlags, familyName,
                      false, UsualWeight(fontStyle)};
  if (FaceHandle face = OpenBestFaceOfAnyRound(library, candidates, search)) {
    return face.release();
  }
  throw FontException(Messages::FontNotFound);
}

FT_Face OpenFamilyFaceWithStyle(FT_Library library, std::vector<InstalledFontCandidate> family,
                                FontStyle fontStyle) {
  if (FaceHandle face = OpenFamilyFace(library, family, fontStyle)) return face.release();
  throw FontException(Messages::FontNotFound);
}

FT_Face OpenInstalledFont(FT_Library library, std::u16string_view searchedFaceName,
                          FontStyle fontStyle) {
  // An empty name is a prefix of every name, and the system's lists end a name at U+0000: both
  // would open an arbitrary installed font.
  if (searchedFaceName.empty() || searchedFaceName.find(u'\0') != std::u16string_view::npos) {
    throw FontException(Messages::FontNotFound);
  }
  std::vector<InstalledFontCandidate> candidates = FindInstalledFontCandidates(searchedFaceName);
  const Search search{StyleFlagsFromFontDescriptionStyle(fontStyle), ServesByFlags,
                      searchedFaceName, false, UsualWeight(fontStyle)};
  if (FaceHandle face = OpenBestFaceOfAnyRound(library, candidates, search)) {
    return face.release();
  }
  // Only what the display names cannot find: the family by any of its names, and by weight.
  std::vector<InstalledFontCandidate> family = FindInstalledFamilyCandidates(searchedFaceName);
  if (FaceHandle face = OpenFamilyFace(library, family, fontStyle)) return face.release();
  throw FontException(Messages::FontNotFound);
}

}  // namespace Vennicor::Font
