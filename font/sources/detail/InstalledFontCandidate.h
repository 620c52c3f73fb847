#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace Vennicor::Font {

/// One installed font as the system lists it.
struct InstalledFontCandidate {
  /// The name the system shows for it, e.g. "DejaVu Sans Bold".
  std::u16string DisplayName;
  /// Its file, as the bytes that FreeType's FT_OPEN_PATHNAME opens.
  std::string FilePath;
  /// The one face of the file that is meant, or -1 for every face in index order.
  FT_Long FaceIndex = -1;
};

}  // namespace Vennicor::Font
