#include "font/sources/FreeTypeManager.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "font/FontException.h"
#include "font/sources/detail/InstalledFontLookup.h"
#include "font/sources/detail/NarrowPath.h"

namespace Vennicor::Font {

std::int32_t FreeTypeManager::freeTypeUsers = 0;
FT_Library FreeTypeManager::freeTypeLibrary = nullptr;

namespace {

// True only for an existing regular file (or a link to one) that the process may see. Text with
// a null character cannot name a file: the system would stop reading at the null.
bool NamesExistingFile(std::u16string_view text, const std::string& narrowPath) {
  if (text.empty() || text.find(u'\0') != std::u16string_view::npos) return false;
  std::error_code error;
#ifdef _WIN32
  // The test sees the file under its real (wide) name, even where the narrow path that FreeType
  // gets has lost characters to the ANSI code page; opening it then fails as it should.
  (void)narrowPath;
  return std::filesystem::is_regular_file(std::filesystem::path(std::u16string(text)), error);
#else
  return std::filesystem::is_regular_file(std::filesystem::path(narrowPath), error);
#endif
}

}  // namespace

FreeTypeManager::FreeTypeManager() {
  ++freeTypeUsers;
  registered = true;
  if (freeTypeUsers == 1) {
    try {
      IntializeFreeType();
    } catch (...) {
      // Undo the registration so that the next manager tries to initialize again.
      --freeTypeUsers;
      registered = false;
      throw;
    }
  }
}

FreeTypeManager::~FreeTypeManager() { Dispose(); }

void FreeTypeManager::Dispose() {
  if (!registered) return;
  registered = false;
  --freeTypeUsers;
  if (freeTypeUsers == 0) ShutdownFreeType();
}

FT_Library FreeTypeManager::GetLibraryInstance() const { return freeTypeLibrary; }

FT_Face FreeTypeManager::OpenFont(std::u16string_view searchedFaceName, FontStyle fontStyle) {
  std::string narrowPath = ToNarrowPath(searchedFaceName);
  if (!NamesExistingFile(searchedFaceName, narrowPath)) {
    return OpenWindowsFont(searchedFaceName, fontStyle);
  }
  FT_Open_Args arguments{};
  arguments.flags = FT_OPEN_PATHNAME;
  arguments.pathname = narrowPath.data();
  FT_Face face = nullptr;
  if (FT_Open_Face(freeTypeLibrary, &arguments, 0, &face) != 0) {
    throw FontException(Messages::ErrorOpeningFontFile);
  }
  return face;
}

FT_Face FreeTypeManager::OpenWindowsFont(std::u16string_view searchedFaceName,
                                         FontStyle fontStyle) {
  return OpenInstalledFont(freeTypeLibrary, searchedFaceName, fontStyle);
}

void FreeTypeManager::IntializeFreeType() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    throw FontException(Messages::CouldNotInitializeFreeType);
  }
  freeTypeLibrary = library;
}

void FreeTypeManager::ShutdownFreeType() {
  FT_Done_FreeType(freeTypeLibrary);
  freeTypeLibrary = nullptr;
}

}  // namespace Vennicor::Font
