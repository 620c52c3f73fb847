#pragma once

// The installed fonts that may serve characters no face of a font has (Font::AddSystemFallback):
// fontconfig's character sets on Linux, the registry's fonts on Windows.

#include <filesystem>
#include <memory>
#include <optional>

#include "font/faces/detail/FontFace.h"

namespace Vennicor::Font::Detail {

/// An installed font's first face, to open with FontFace(path).
struct InstalledFace {
  std::filesystem::path File;
};

/// The installed fonts in the order a font prefers them, with the characters each maps. Read
/// once, when made; fonts installed later are not seen. Used by one thread at a time.
class SystemFonts {
 public:
  virtual ~SystemFonts() = default;

  /// The first installed face that maps `codePoint`, a colour one first when `color` asks; none
  /// when no installed face maps it. A character no installed font has costs one lookup in
  /// the union of their character sets; any other a walk of the list.
  virtual std::optional<InstalledFace> FaceFor(char32_t codePoint, bool color) = 0;

  /// The installed fonts, ordered for `like` (its family and style first, as the system
  /// matches them). Where the list cannot be read there are none. Costs the system's sort of
  /// every installed font (fontconfig), or opening every registered font file once to read its
  /// character map (Windows, at the first FaceFor).
  static std::unique_ptr<SystemFonts> Open(const FontFace& like);
};

}  // namespace Vennicor::Font::Detail
