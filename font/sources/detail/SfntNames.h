#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace Vennicor::Font {

/// One string of a face's name table, decoded.
struct SfntName {
  std::uint16_t PlatformId = 0;
  std::uint16_t LanguageId = 0;
  std::uint16_t NameId = 0;
  std::u16string Text;
};

/// The family names (name IDs 1, 16 and 21) and full names (ID 4) of every face of a TrueType or
/// OpenType file or collection, read from the name tables alone, without opening the faces:
/// one list per face, in face index order (a face whose tables cannot be read has an empty
/// list). Strings are decoded from UTF-16BE on the Unicode and Windows platforms (Windows
/// encodings 0, 1 and 10) and from ASCII on the Macintosh platform's Roman encoding; others are
/// left out. A file that is no such font gives no faces.
///
/// Bounded for any bytes: at most 1,024 faces, 1,024 tables a face and 1 MiB of name table a
/// face are read; whatever lies outside the file is passed over.
std::vector<std::vector<SfntName>> ReadSfntFaceNames(std::istream& file);

}  // namespace Vennicor::Font
