#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string_view>

#include "font/FontStyle.h"

namespace Vennicor::Font {

/// One user of the process's single FreeType library. The first manager constructed brings
/// FreeType up; releasing the last one takes it down, which also destroys every face still open
/// in it, so close faces before releasing the manager they came from.
///
/// The user count is not synchronized: construct, use and release managers on one thread at a
/// time.
class FreeTypeManager {
 public:
  /// Registers one user; the first user initializes FreeType.
  /// \throws FontException "Could not initialize FreeType library"; the registration is then
  /// undone, so a later manager tries again.
  FreeTypeManager();
  /// Releases the user if Dispose has not.
  ~FreeTypeManager();
  FreeTypeManager(const FreeTypeManager&) = delete;
  FreeTypeManager& operator=(const FreeTypeManager&) = delete;

  /// Gives this manager's user back; the last user shuts FreeType down. Idempotent.
  void Dispose();

  /// The process's FreeType library, or null while no manager is registered.
  FT_Library GetLibraryInstance() const;

  /// Opens the first face of the file that `searchedFaceName` names (then `fontStyle` plays no
  /// part), or else looks the text up as an installed font's name (OpenWindowsFont). The face
  /// belongs to the caller, who closes it while this manager is still registered.
  /// \throws FontException "Error openening font file" when the file exists but FreeType cannot
  /// open it, or the lookup's errors.
  FT_Face OpenFont(std::u16string_view searchedFaceName, FontStyle fontStyle);

  /// The installed-font lookup: the first face whose style flags equal `fontStyle` exactly among
  /// the installed ".ttf" fonts whose display names begin with `searchedFaceName` (ignoring
  /// case), shortest display name first. On Linux the installed fonts are fontconfig's.
  /// \throws FontException "Font could not be found".
  FT_Face OpenWindowsFont(std::u16string_view searchedFaceName, FontStyle fontStyle);

 private:
  static void IntializeFreeType();
  static void ShutdownFreeType();

  static std::int32_t freeTypeUsers;
  static FT_Library freeTypeLibrary;

  bool registered = false;
};

}  // namespace Vennicor::Font
