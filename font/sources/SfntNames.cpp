#include "font/sources/detail/SfntNames.h"

#include <algorithm>
#include <array>
#include <optional>

namespace Vennicor::Font {

namespace {

constexpr std::uint32_t MaxFaces = 1024;
constexpr std::uint32_t MaxTables = 1024;
constexpr std::uint32_t MaxNameTableSize = 1U << 20U;
// The faces of a collection may share one name table: all of them together read at most this.
constexpr std::uint64_t MaxNameBytesPerFile = 4U << 20U;

constexpr std::uint32_t Tag(const char (&text)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24U) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16U) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8U) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

std::uint16_t U16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8U) | bytes[1]);
}

std::uint32_t U32(const unsigned char* bytes) {
  return (static_cast<std::uint32_t>(U16(bytes)) << 16U) | U16(bytes + 2);
}

bool IsSfntVersion(std::uint32_t version) {
  return version == 0x00010000U || version == Tag("OTTO") || version == Tag("true");
}

// Reads `size` bytes at `offset`, all of them or nothing.
bool ReadAt(std::istream& file, std::uint64_t offset, unsigned char* out, std::size_t size) {
  file.clear();
  file.seekg(static_cast<std::streamoff>(offset));
  if (!file) return false;
  file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
  return file.gcount() == static_cast<std::streamsize>(size);
}

std::optional<std::u16string> Decode(std::uint16_t platform, std::uint16_t encoding,
                                     const unsigned char* bytes, std::size_t size) {
  std::u16string text;
  if (platform == 0 || (platform == 3 && (encoding == 0 || encoding == 1 || encoding == 10))) {
    for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(U16(bytes + i));
    return text;
  }
  if (platform == 1 && encoding == 0) {
    for (std::size_t i = 0; i < size; ++i) {
      if (bytes[i] >= 0x80) return std::nullopt;
      text += static_cast<char16_t>(bytes[i]);
    }
    return text;
  }
  return std::nullopt;
}

std::vector<SfntName> ReadFaceNames(std::istream& file, std::uint64_t faceOffset,
                                    std::uint64_t& budget) {
  std::vector<SfntName> names;
  std::array<unsigned char, 12> header{};
  if (!ReadAt(file, faceOffset, header.data(), header.size())) return names;
  if (!IsSfntVersion(U32(header.data()))) return names;
  const std::uint32_t tableCount = std::min<std::uint32_t>(U16(header.data() + 4), MaxTables);
  std::vector<unsigned char> records(static_cast<std::size_t>(tableCount) * 16U);
  if (!ReadAt(file, faceOffset + 12, records.data(), records.size())) return names;

  for (std::uint32_t table = 0; table < tableCount; ++table) {
    const unsigned char* record = records.data() + static_cast<std::size_t>(table) * 16U;
    if (U32(record) != Tag("name")) continue;
    const std::uint32_t size = U32(record + 12);
    if (size < 6 || size > MaxNameTableSize || size > budget) return names;
    budget -= size;
    std::vector<unsigned char> data(size);
    if (!ReadAt(file, U32(record + 8), data.data(), data.size())) return names;

    const std::size_t count = U16(data.data() + 2);
    const std::size_t strings = U16(data.data() + 4);
    for (std::size_t i = 0; i < count && 6 + (i + 1) * 12 <= data.size(); ++i) {
      const unsigned char* entry = data.data() + 6 + i * 12;
      const std::uint16_t nameId = U16(entry + 6);
      if (nameId != 1 && nameId != 4 && nameId != 16 && nameId != 21) continue;
      const std::size_t length = U16(entry + 8);
      const std::size_t start = strings + U16(entry + 10);
      if (start + length > data.size()) continue;
      if (auto text = Decode(U16(entry), U16(entry + 2), data.data() + start, length)) {
        names.push_back({U16(entry), U16(entry + 4), nameId, std::move(*text)});
      }
    }
    return names;
  }
  return names;
}

}  // namespace

std::vector<std::vector<SfntName>> ReadSfntFaceNames(std::istream& file) {
  std::vector<std::vector<SfntName>> faces;
  std::uint64_t budget = MaxNameBytesPerFile;
  std::array<unsigned char, 12> header{};
  if (!ReadAt(file, 0, header.data(), header.size())) return faces;
  if (U32(header.data()) != Tag("ttcf")) {
    if (IsSfntVersion(U32(header.data()))) faces.push_back(ReadFaceNames(file, 0, budget));
    return faces;
  }
  const std::uint32_t faceCount = U32(header.data() + 8);
  if (faceCount > MaxFaces) return faces;
  std::vector<unsigned char> offsets(static_cast<std::size_t>(faceCount) * 4U);
  if (!ReadAt(file, 12, offsets.data(), offsets.size())) return faces;
  for (std::uint32_t face = 0; face < faceCount; ++face) {
    const std::uint32_t offset = U32(offsets.data() + static_cast<std::size_t>(face) * 4U);
    faces.push_back(ReadFaceNames(file, offset, budget));
  }
  return faces;
}

}  // namespace Vennicor::Font
