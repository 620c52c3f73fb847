#pragma once

// Every test in this executable sees a fontconfig that lists only the fixture fonts in
// tests/data/fonts/installed and one empty folder of this process's own, AddedFontsFolder(),
// into which a test may copy fonts to install them.

#include <filesystem>

namespace Vennicor::Font::Testing {

/// A folder that the test configuration lists as installed fonts; empty at start.
std::filesystem::path AddedFontsFolder();

}  // namespace Vennicor::Font::Testing
