#include "font/sources/FreeTypeManager.h"

#include <filesystem>
#include <mutex>
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
  try {
    return std::filesystem::is_regular_file(std::filesystem::path(std::u16string(text)), error);
  } catch (const std::filesystem::filesystem_error&) {
    return false;  // a lone surrogate: no file of the system has such a name
  }
#else
  return std::filesystem::is_regular_file(std::filesystem::path(narrowPath), error);
#endif
}

}  // namespace

std::recursive_mutex& FreeTypeManager::LibraryMutex() {
  // Built on first use: a static font constructed before it is destroyed after it.
  static std::recursive_mutex mutex;
  return mutex;
}

std::unique_lock<std::recursive_mutex> FreeTypeManager::LockFaces() {
  return std::unique_lock<std::recursive_mutex>(LibraryMutex());
}

void FreeTypeManager::CloseFace(FT_Face face) noexcept {
  if (face == nullptr) return;
  const std::lock_guard<std::recursive_mutex> lock(LibraryMutex());
  FT_Done_Face(face);
}

FreeTypeManager::FreeTypeManager() {
  const std::lock_guard<std::recursive_mutex> lock(LibraryMutex());
  // Initialize before counting: a failure leaves no registration behind, so the next manager
  // tries again.
  if (freeTypeUsers == 0) IntializeFreeType();
  ++freeTypeUsers;
  registered = true;
}

FreeTypeManager::~FreeTypeManager() { Dispose(); }

void FreeTypeManager::Dispose() {
  const std::lock_guard<std::recursive_mutex> lock(LibraryMutex());
  if (!registered) return;
  registered = false;
  --freeTypeUsers;
  if (freeTypeUsers == 0) ShutdownFreeType();
}

FT_Library FreeTypeManager::GetLibraryInstance() const {
  const std::lock_guard<std::recursive_mutex> lock(LibraryMutex());
  return freeTypeLibrary;
}

FT_Face FreeTypeManager::OpenFont(std::u16string_view searchedFaceName, FontStyle fontStyle) {
  std::string narrowPath = ToNarrowPath(searchedFaceName);
  const std::lock_guard<std::recursive_mutex> lock(LibraryMutex());
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
  // The lookup opens and closes faces, and fontconfig's rescan is not safe against other
  // threads' lookups either.
  const std::lock_guard<std::recursive_mutex> lock(LibraryMutex());
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
