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

/// Opens the face that best serves `fontStyle` among `candidates`. Only faces whose style
/// flags equal the style's exactly are taken. The candidates are tried shortest display name
/// first, each file probed once with its faces in index order (or only the face that a
/// candidate's FaceIndex names); a face whose family name equals
/// `familyName` (ignoring ASCII case) and whose OS/2 weight is the style's usual one (400
/// Regular and Italic, 700 Bold and Bold | Italic) is preferred, else the first face with the
/// style is taken. Files ending in ".ttf" (any case) are tried first; only when none of them has
/// the style are ".otf", ".ttc" and ".otc" files tried, by the same rules. Every face that is
/// not returned is closed.
///
/// Cost: with a family name every face of every candidate file is opened (that is what finding
/// the preferred face takes); without one the search stops at the first face with the style.
/// Open and close faces under FreeTypeManager::LockFaces when the library is shared.
/// \returns a face that belongs to the caller; never null.
/// \throws FontException "Font could not be found".
FT_Face OpenFirstFaceWithStyle(FT_Library library, std::vector<InstalledFontCandidate> candidates,
                               FontStyle fontStyle, std::u16string_view familyName = {});

/// Opens the face that best serves `fontStyle` among `family`, faces that all carry the searched
/// family name (as FindInstalledFamilyCandidates gives them). First as OpenFirstFaceWithStyle,
/// with every face counting as the family's: style flags exactly the style's, the usual weight
/// preferred, else the shortest display name, ".ttf" files first. Where no face has the flags, a
/// face whose flags lack only bits that its OS/2 weight (600 and above: bold) and italic angle
/// (non-zero: italic) supply is taken by the same preferences; a flag a face has is never
/// overruled, and a face without an OS/2 table is not judged by weight. Where no face serves
/// either way, the named instance of a variable face whose coordinates have the style (a wght
/// of 600 and above: bold; ital 1 or a non-zero slnt: italic; a style bit without its axis from
/// the face's flags), the weight nearest the usual first, opened as that instance (its index
/// above bit 16). Every face that is not returned is closed.
/// \returns a face that belongs to the caller; never null.
/// \throws FontException "Font could not be found".
FT_Face OpenFamilyFaceWithStyle(FT_Library library, std::vector<InstalledFontCandidate> family,
                                FontStyle fontStyle);

/// The installed-font lookup: OpenFirstFaceWithStyle over FindInstalledFontCandidates, with the
/// searched name as the family to prefer; only when that finds no face,
/// OpenFamilyFaceWithStyle over FindInstalledFamilyCandidates. So a name that a display name
/// begins with keeps the face it has always found.
/// \throws FontException "Font could not be found", at once for an empty name or one that
/// contains U+0000; or the platform's errors.
FT_Face OpenInstalledFont(FT_Library library, std::u16string_view searchedFaceName,
                          FontStyle fontStyle);

}  // namespace Vennicor::Font
