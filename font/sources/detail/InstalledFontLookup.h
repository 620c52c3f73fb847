#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string_view>
#include <vector>

#include "font/FontStyle.h"
#include "font/sources/detail/InstalledFontCandidate.h"

namespace Vennicor::Font {

/// The FreeType style flags that a face must have, exactly, to serve `style`: Regular 0, Bold
/// FT_STYLE_FLAG_BOLD, Italic FT_STYLE_FLAG_ITALIC, both for Bold | Italic, 0 for other values.
FT_Long StyleFlagsFromFontDescriptionStyle(FontStyle style);

/// Opens the first face with the wanted style among `candidates`: only files ending in ".ttf"
/// (any case) are opened, shortest display name first; in each file the faces are tried in
/// index order and each file is probed once. Every face that is not returned is closed.
/// \returns a face that belongs to the caller; never null.
/// \throws FontException "Font could not be found".
FT_Face OpenFirstFaceWithStyle(FT_Library library, std::vector<InstalledFontCandidate> candidates,
                               FontStyle fontStyle);

/// The installed-font lookup: OpenFirstFaceWithStyle over FindInstalledFontCandidates.
/// \throws FontException "Font could not be found", or the platform's errors.
FT_Face OpenInstalledFont(FT_Library library, std::u16string_view searchedFaceName,
                          FontStyle fontStyle);

}  // namespace Vennicor::Font
