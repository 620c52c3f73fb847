#pragma once

// Paths of the fixture fonts under tests/data/fonts (see the README there).

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace Vennicor::Font::Testing {

inline std::filesystem::path TestDataFolder() {
  const char* folder = std::getenv("VENNICOR_TEST_DATA");
  return folder != nullptr ? std::filesystem::path(folder) : std::filesystem::path("tests/data");
}

inline std::filesystem::path FixtureFont(const std::string& relativePath) {
  return TestDataFolder() / "fonts" / std::filesystem::u8path(relativePath);
}

/// A fixture font's path as the UTF-16 text a Font takes.
inline std::u16string FixtureFontText(const std::string& fileName) {
  const std::u8string path = FixtureFont(fileName).u8string();
  std::u16string text;
  for (const char8_t c : path) {
    if (c >= 0x80) throw std::runtime_error("fixture paths here are ASCII");
    text += static_cast<char16_t>(c);
  }
  return text;
}

}  // namespace Vennicor::Font::Testing
