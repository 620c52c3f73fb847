// The installed fonts as Windows lists them: the values of the registry key of installed fonts,
// with relative file names resolved against the shell's fonts folder.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The shell header needs windows.h first.
#include <ft2build.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include "font/FontException.h"
#include "font/sources/ReverseStringLengthComparer.h"
#include "font/sources/detail/InstalledFontCandidates.h"
#include "font/sources/detail/NarrowPath.h"
#include "font/sources/detail/SfntNames.h"

namespace Vennicor::Font {

namespace {

constexpr int FontsFolderId = 0x14;  // CSIDL_FONTS
constexpr const wchar_t* InstalledFontsKey =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

struct ShellAllocator {
  IMalloc* allocator = nullptr;
  ~ShellAllocator() {
    if (allocator != nullptr) allocator->Release();
  }
};

struct RegistryKey {
  HKEY key = nullptr;
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&& other) noexcept : key(std::exchange(other.key, nullptr)) {}
  ~RegistryKey() {
    if (key != nullptr) RegCloseKey(key);
  }
};

std::wstring_view Wide(std::u16string_view text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

std::u16string_view Utf16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// The shell's fonts folder, ending in a backslash.
std::wstring GetFontsDirectory() {
  ShellAllocator shell;
  if (FAILED(SHGetMalloc(&shell.allocator))) throw FontException(Messages::NoShellMalloc);

  LPITEMIDLIST itemList = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, FontsFolderId, &itemList))) {
    throw FontException(Messages::NoFontsFolder);
  }
  wchar_t buffer[MAX_PATH] = {};
  const BOOL converted = SHGetPathFromIDListW(itemList, buffer);
  shell.allocator->Free(itemList);
  if (!converted) throw FontException(Messages::NoFontsFolderPath);

  std::wstring folder(buffer);
  folder += L'\\';
  return folder;
}

// The key of installed fonts, read-only, or an empty key when it cannot be opened.
RegistryKey OpenFontRegistryKey() {
  RegistryKey opened;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, InstalledFontsKey, 0, KEY_READ, &opened.key) !=
      ERROR_SUCCESS) {
    opened.key = nullptr;
  }
  return opened;
}

std::vector<std::wstring> ReadValueNames(HKEY key) {
  DWORD valueCount = 0;
  DWORD longestName = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                       &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return {};
  }
  std::vector<std::wstring> names;
  names.reserve(valueCount);
  std::wstring buffer(static_cast<std::size_t>(longestName) + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LSTATUS status =
        RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA) {
      // A value was added since the key was measured: measure again and retry this index.
      buffer.resize(buffer.size() * 2);
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) continue;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

// The text of a value of `type` whose data is `data`, `size` bytes of it: environment references
// expanded for expandable text; nothing for values of any other kind.
std::optional<std::wstring> TextOfValue(DWORD type, std::wstring data, DWORD size) {
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  // Registry text need not be terminated; it ends at the first null or at its size.
  data.resize(std::min<std::size_t>(data.size(), size / sizeof(wchar_t)));
  if (const auto end = data.find(L'\0'); end != std::wstring::npos) data.resize(end);
  if (type != REG_EXPAND_SZ) return data;

  const DWORD expandedLength = ExpandEnvironmentStringsW(data.c_str(), nullptr, 0);
  if (expandedLength == 0) return std::nullopt;
  std::wstring expanded(expandedLength, L'\0');
  if (ExpandEnvironmentStringsW(data.c_str(), expanded.data(), expandedLength) == 0) {
    return std::nullopt;
  }
  if (const auto end = expanded.find(L'\0'); end != std::wstring::npos) expanded.resize(end);
  return expanded;
}

std::optional<std::wstring> ReadTextValue(HKEY key, const std::wstring& name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data.data()),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return TextOfValue(type, std::move(data), size);
}

struct TextValue {
  std::wstring Name;
  std::wstring Text;
};

// Every text value of the key, names and texts read together: one call a value, where reading
// the names first and then each value takes three.
std::vector<TextValue> ReadTextValues(HKEY key) {
  DWORD valueCount = 0;
  DWORD longestName = 0;
  DWORD longestData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                       &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return {};
  }
  std::vector<TextValue> values;
  values.reserve(valueCount);
  std::wstring name(static_cast<std::size_t>(longestName) + 1, L'\0');
  std::wstring data(static_cast<std::size_t>(longestData) / sizeof(wchar_t) + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    const LSTATUS status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                         reinterpret_cast<LPBYTE>(data.data()), &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA) {
      // A value was added or grew since the key was measured: make room and retry this index.
      name.resize(name.size() * 2);
      data.resize(data.size() * 2);
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) continue;
    if (std::optional<std::wstring> text = TextOfValue(type, data, size)) {
      values.push_back({std::wstring(name.data(), nameLength), std::move(*text)});
    }
  }
  return values;
}

// Case-insensitive tests under the user's locale, as the shell compares names.
bool StartsWithIgnoringCase(const std::wstring& text, std::wstring_view prefix) {
  if (prefix.empty()) return true;
  if (text.empty()) return false;
  return FindNLSStringEx(LOCALE_NAME_USER_DEFAULT, FIND_STARTSWITH | LINGUISTIC_IGNORECASE,
                         text.data(), static_cast<int>(text.size()), prefix.data(),
                         static_cast<int>(prefix.size()), nullptr, nullptr, nullptr, 0) >= 0;
}

bool EndsWithIgnoringCase(const std::wstring& text, std::wstring_view suffix) {
  if (text.empty()) return false;
  return FindNLSStringEx(LOCALE_NAME_USER_DEFAULT, FIND_ENDSWITH | LINGUISTIC_IGNORECASE,
                         text.data(), static_cast<int>(text.size()), suffix.data(),
                         static_cast<int>(suffix.size()), nullptr, nullptr, nullptr, 0) >= 0;
}

bool IsRooted(const std::wstring& path) {
  return (!path.empty() && (path[0] == L'\\' || path[0] == L'/')) ||
         (path.size() >= 2 && path[1] == L':');
}

bool IsFontFile(const std::wstring& data) {
  // The shared lookup decides among these (".ttf" files first); other formats never open.
  return EndsWithIgnoringCase(data, L".ttf") || EndsWithIgnoringCase(data, L".otf") ||
         EndsWithIgnoringCase(data, L".ttc") || EndsWithIgnoringCase(data, L".otc");
}

// The value names, shortest first as the lookup tries them; names of equal length keep the
// registry's order.
std::vector<std::wstring> SortedValueNames(HKEY key) {
  std::vector<std::wstring> names = ReadValueNames(key);
  std::stable_sort(
      names.begin(), names.end(), [](const std::wstring& left, const std::wstring& right) {
        return ReverseStringLengthComparer::Default.Compare(Utf16(left), Utf16(right)) < 0;
      });
  return names;
}

// Whole names compared by simple upper-casing (no locale): exact apart from case, and names
// without case (CJK) must be equal.
bool EqualIgnoringCase(std::u16string_view left, std::u16string_view right) {
  const std::wstring_view wideLeft = Wide(left);
  const std::wstring_view wideRight = Wide(right);
  return CompareStringOrdinal(wideLeft.data(), static_cast<int>(wideLeft.size()), wideRight.data(),
                              static_cast<int>(wideRight.size()), TRUE) == CSTR_EQUAL;
}

// Whether the face's names give `name` as a family name (family, typographic family or WWS
// family) in any language, or, where `fullNameToo`, as a full name.
bool FaceCarriesName(const std::vector<SfntName>& names, std::u16string_view name,
                     bool fullNameToo) {
  return std::any_of(names.begin(), names.end(), [&](const SfntName& entry) {
    return (entry.NameId != TT_NAME_ID_FULL_NAME || fullNameToo) &&
           EqualIgnoringCase(entry.Text, name);
  });
}

// Whether a value name ("Name (TrueType)", "Name & Other Name (TrueType)" for collections)
// lists `name` as one of its faces.
bool ValueNameListsFace(std::wstring_view valueName, std::u16string_view name) {
  if (valueName.ends_with(L')')) {
    if (const auto open = valueName.rfind(L" ("); open != std::wstring_view::npos) {
      valueName = valueName.substr(0, open);
    }
  }
  constexpr std::wstring_view separator = L" & ";
  for (;;) {
    const auto end = valueName.find(separator);
    if (EqualIgnoringCase(Utf16(valueName.substr(0, end)), name)) return true;
    if (end == std::wstring_view::npos) return false;
    valueName.remove_prefix(end + separator.size());
  }
}

struct InstalledFileStamp {
  DWORD SizeHigh = 0;
  DWORD SizeLow = 0;
  DWORD WriteTimeHigh = 0;
  DWORD WriteTimeLow = 0;
  bool operator==(const InstalledFileStamp&) const = default;
};

struct InstalledFileNames {
  InstalledFileStamp Stamp;
  std::vector<std::vector<SfntName>> Faces;
};

struct RegisteredFont {
  std::wstring Name;
  std::wstring FullPath;
};

// What the family search keeps from one lookup to the next, for the installed fonts as they
// were then: the registry's font values as of the key's last write, and the names read from
// the files, by full path, as of each file's size and time of last write.
struct KeyStamp {
  DWORD ValueCount = 0;
  DWORD LongestName = 0;
  DWORD LongestText = 0;
  FILETIME Written{};
  bool operator==(const KeyStamp& other) const {
    return ValueCount == other.ValueCount && LongestName == other.LongestName &&
           LongestText == other.LongestText && CompareFileTime(&Written, &other.Written) == 0;
  }
};

struct FamilySearchState {
  bool Listed = false;
  KeyStamp Key;
  std::wstring FontsDirectory;
  std::vector<RegisteredFont> Fonts;  // shortest value name first
  std::map<std::wstring, InstalledFileNames> Names;
};

std::mutex& FamilySearchMutex() {
  static std::mutex mutex;
  return mutex;
}

FamilySearchState& KeptFamilySearchState() {
  static FamilySearchState state;
  return state;
}

// Brings the kept list of registered fonts up to date: read afresh only when the key (its time
// of last write, which ticks coarsely, its number of values and their longest name and text) or
// the fonts folder has changed; reading every value takes longer than all the rest of a search.
void UpdateRegisteredFonts(FamilySearchState& state, HKEY key, const std::wstring& fontsDirectory) {
  KeyStamp stamp{};
  const bool stamped = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        &stamp.ValueCount, &stamp.LongestName, &stamp.LongestText,
                                        nullptr, &stamp.Written) == ERROR_SUCCESS;
  if (stamped && state.Listed && stamp == state.Key && fontsDirectory == state.FontsDirectory) {
    return;
  }
  std::vector<TextValue> values = ReadTextValues(key);
  std::stable_sort(values.begin(), values.end(), [](const TextValue& left, const TextValue& right) {
    return ReverseStringLengthComparer::Default.Compare(Utf16(left.Name), Utf16(right.Name)) < 0;
  });
  state.Fonts.clear();
  for (TextValue& value : values) {
    if (!IsFontFile(value.Text)) continue;
    std::wstring fullPath = IsRooted(value.Text) ? value.Text : fontsDirectory + value.Text;
    state.Fonts.push_back({std::move(value.Name), std::move(fullPath)});
  }
  state.Listed = stamped;
  state.Key = stamp;
  state.FontsDirectory = fontsDirectory;
}

// The names of one installed file's faces: those kept where the file is unchanged, else read
// from its name tables (not by FreeType, which would read each face's character map too).
InstalledFileNames NamesOfFile(std::map<std::wstring, InstalledFileNames>& kept,
                               const std::wstring& fullPath) {
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(fullPath.c_str(), GetFileExInfoStandard, &attributes)) return {};
  const InstalledFileStamp stamp{attributes.nFileSizeHigh, attributes.nFileSizeLow,
                                 attributes.ftLastWriteTime.dwHighDateTime,
                                 attributes.ftLastWriteTime.dwLowDateTime};
  if (auto previous = kept.extract(fullPath); !previous.empty()) {
    if (previous.mapped().Stamp == stamp) return std::move(previous.mapped());
  }
  std::ifstream file(std::filesystem::path(fullPath), std::ios::binary);
  return {stamp, ReadSfntFaceNames(file)};
}

}  // namespace

std::vector<InstalledFontCandidate> FindInstalledFontCandidates(
    std::u16string_view searchedFaceName) {
  // The fonts folder comes first: its errors end the lookup before the registry is read.
  const std::wstring fontsDirectory = GetFontsDirectory();
  const RegistryKey key = OpenFontRegistryKey();
  if (key.key == nullptr) return {};

  const std::wstring_view searched = Wide(searchedFaceName);
  std::vector<InstalledFontCandidate> candidates;
  for (const std::wstring& name : SortedValueNames(key.key)) {
    if (!StartsWithIgnoringCase(name, searched)) continue;
    const std::optional<std::wstring> data = ReadTextValue(key.key, name);
    if (!data || !IsFontFile(*data)) continue;
    const std::wstring path = IsRooted(*data) ? *data : fontsDirectory + *data;
    candidates.push_back({std::u16string(Utf16(name)), ToNarrowPath(Utf16(path))});
  }
  return candidates;
}

std::vector<InstalledFontCandidate> FindInstalledFamilyCandidates(std::u16string_view familyName) {
  if (familyName.empty()) return {};
  const std::wstring fontsDirectory = GetFontsDirectory();
  const RegistryKey key = OpenFontRegistryKey();
  if (key.key == nullptr) return {};

  const std::lock_guard<std::mutex> lock(FamilySearchMutex());
  FamilySearchState& state = KeptFamilySearchState();
  UpdateRegisteredFonts(state, key.key, fontsDirectory);

  std::map<std::wstring, InstalledFileNames> installed;
  std::set<std::pair<std::wstring, std::size_t>> taken;
  std::vector<InstalledFontCandidate> candidates;
  for (const RegisteredFont& font : state.Fonts) {
    auto names = installed.find(font.FullPath);
    if (names == installed.end()) {
      names = installed.emplace(font.FullPath, NamesOfFile(state.Names, font.FullPath)).first;
    }
    // The registry names a file's faces by their full names.
    const bool listed = ValueNameListsFace(font.Name, familyName);
    const std::vector<std::vector<SfntName>>& faces = names->second.Faces;
    for (std::size_t index = 0; index < faces.size(); ++index) {
      if (FaceCarriesName(faces[index], familyName, listed) &&
          taken.emplace(font.FullPath, index).second) {
        candidates.push_back({std::u16string(Utf16(font.Name)), ToNarrowPath(Utf16(font.FullPath)),
                              static_cast<FT_Long>(index)});
      }
    }
  }
  // Files no longer listed are forgotten.
  state.Names = std::move(installed);
  return candidates;
}

}  // namespace Vennicor::Font

#endif  // _WIN32
