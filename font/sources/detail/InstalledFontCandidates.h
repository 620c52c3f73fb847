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

}  // namespace Vennicor::Font
