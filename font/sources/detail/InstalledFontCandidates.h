#pragma once

#include <string_view>
#include <vector>

#include "font/sources/detail/InstalledFontCandidate.h"

namespace Vennicor::Font {

/// The installed fonts whose display names begin with `searchedFaceName`, compared without
/// regard to case by the system's rules; an empty name selects them all. Reads the system's
/// list afresh on every call; where it cannot be read there are no candidates.
///
/// This is the platform's half of the lookup (fontconfig on Linux); which candidates are opened,
/// and in what order, is decided by OpenInstalledFont for every platform alike.
std::vector<InstalledFontCandidate> FindInstalledFontCandidates(
    std::u16string_view searchedFaceName);

/// The installed faces that carry `familyName` as one of their family names, in any language of
/// their name tables, compared whole and without regard to case: on Linux the family names that
/// fontconfig lists (folded as FcStrDowncase folds); on Windows the family names of each
/// installed face's own name table and the face names of the registry's value names (folded as
/// CompareStringOrdinal does, by simple upper-casing). Each candidate names one face
/// (FaceIndex is not -1). An empty name selects nothing.
///
/// Cost: on Linux one listing of fontconfig's fonts. On Windows one reading of the registry's
/// values and the name tables (ReadSfntFaceNames, no face is opened) of every installed font
/// file; those names are kept, process-wide, for the files the registry lists, and read again
/// only for a file whose size or time of last write has changed. Thread-safe.
std::vector<InstalledFontCandidate> FindInstalledFamilyCandidates(std::u16string_view familyName);

}  // namespace Vennicor::Font
