#pragma once

// Paths of the fixture fonts under tests/data/fonts (see the README there).

#include <cstdlib>
#include <filesystem>
#include <string>

namespace Vennicor::Font::Testing {

inline std::filesystem::path TestDataFolder() {
  const char* folder = std::getenv("VENNICOR_TEST_DATA");
  return folder != nullptr ? std::filesystem::path(folder) : std::filesystem::path("tests/data");
}

inline std::filesystem::path FixtureFont(const std::string& relativePath) {
  return TestDataFolder() / "fonts" / std::filesystem::u8path(relativePath);
}

}  // namespace Vennicor::Font::Testing
