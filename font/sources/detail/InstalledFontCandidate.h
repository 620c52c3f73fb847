#pragma once

#include <string>

namespace Vennicor::Font {

/// One installed font as the system lists it.
struct InstalledFontCandidate {
  /// The name the system shows for it, e.g. "DejaVu Sans Bold".
  std::u16string DisplayName;
  /// Its file, as the bytes that FreeType's FT_OPEN_PATHNAME opens.
  std::string FilePath;
};

}  // namespace Vennicor::Font
