#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <mutex>
#include <string_view>

#include "font/FontStyle.h"

namespace Vennicor::Font {

/// One user of the process's single FreeType library. The first manager constructed brings
/// FreeType up; releasing the last one takes it down, which also destroys every face still open
/// in it, so close faces before releasing the manager they came from.
///
/// Threads: managers may be constructed, used and released on several threads at once. The user
/// count, the library's creation and its shutdown happen under one process-wide lock, and so
/// does every face opening and closing on the shared library (FreeType requires that of
/// FT_Open_Face, FT_New_Face and FT_Done_Face): open faces with OpenFont / OpenWindowsFont, or
/// hold LockFaces() around FreeType calls of your own, and close them with CloseFace (or a
/// FaceHandle). A face itself is not shared: one face is used by one thread at a time. Fonts
/// built on this follow the same rule: fonts may be opened, used and disposed on several threads
/// at once, one font used by one thread at a time.
class FreeTypeManager {
 public:
  /// Registers one user; the first user initializes FreeType. Takes the lock of LockFaces.
  /// \throws FontException "Could not initialize FreeType library"; the registration is then
  /// undone, so a later manager tries again.
  FreeTypeManager();
  /// Releases the user if Dispose has not.
  ~FreeTypeManager();
  FreeTypeManager(const FreeTypeManager&) = delete;
  FreeTypeManager& operator=(const FreeTypeManager&) = delete;

  /// Gives this manager's user back; the last user shuts FreeType down. Idempotent. Takes the
  /// lock of LockFaces.
  void Dispose();

  /// The process's FreeType library, or null while no manager is registered. Open and close
  /// faces in it only while holding LockFaces().
  FT_Library GetLibraryInstance() const;

  /// The lock that serializes face opening and closing and the library's creation and
  /// shutdown. Recursive, so a holder may call OpenFont and CloseFace. Hold it briefly: every
  /// thread opening or closing a face waits for it.
  [[nodiscard]] static std::unique_lock<std::recursive_mutex> LockFaces();

  /// Closes a face opened in the shared library (FT_Done_Face under LockFaces). Null is ignored.
  /// Call it before the manager the face came from is released.
  static void CloseFace(FT_Face face) noexcept;

  /// Opens the first face of the file that `searchedFaceName` names (then `fontStyle` plays no
  /// part), or else looks the text up as an installed font's name (OpenWindowsFont). The face
  /// belongs to the caller, who closes it with CloseFace while this manager is still registered.
  /// Runs under LockFaces: the installed-font lookup of one thread waits for another's.
  /// \throws FontException "Error openening font file" when the file exists but FreeType cannot
  /// open it, or the lookup's errors.
  FT_Face OpenFont(std::u16string_view searchedFaceName, FontStyle fontStyle);

  /// The installed-font lookup (OpenInstalledFont): among the installed fonts whose display
  /// names begin with `searchedFaceName` (ignoring case), a face whose style flags equal
  /// `fontStyle` exactly, the family's face of the usual weight first, else by shortest display
  /// name; ".ttf" files before ".otf", ".ttc" and ".otc". Only when that finds nothing, the faces
  /// that carry the name whole as a family name in any language (ignoring case), by their style
  /// flags and then, for bits the flags lack, by OS/2 weight and italic angle. On Linux the
  /// installed fonts are fontconfig's. Cost: a listing of the installed fonts, and the opening
  /// of the candidate files' faces; on Windows a search by family name also reads the name
  /// tables of the installed files the first time.
  /// \throws FontException "Font could not be found", at once for an empty name or one with
  /// U+0000.
  FT_Face OpenWindowsFont(std::u16string_view searchedFaceName, FontStyle fontStyle);

 private:
  static void IntializeFreeType();
  static void ShutdownFreeType();

  static std::recursive_mutex& LibraryMutex();

  // Both guarded by LibraryMutex.
  static std::int32_t freeTypeUsers;
  static FT_Library freeTypeLibrary;

  bool registered = false;
};

}  // namespace Vennicor::Font
