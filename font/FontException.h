#pragma once

#include <stdexcept>
#include <string>

namespace Vennicor::Font {

/// The library's one error type; what() is one of the fixed messages below.
class FontException : public std::runtime_error {
 public:
  explicit FontException(const std::string& message) : std::runtime_error(message) {}
  explicit FontException(const char* message) : std::runtime_error(message) {}
  ~FontException() override;
};

/// The library's fixed error messages, spelled exactly as callers may compare them.
namespace Messages {
inline constexpr const char* CouldNotInitializeFreeType = "Could not initialize FreeType library";
inline constexpr const char* ErrorOpeningFontFile = "Error openening font file";
inline constexpr const char* FontNotFound = "Font could not be found";
inline constexpr const char* NoShellMalloc = "Failed to obtain shell malloc interface";
inline constexpr const char* NoFontsFolder = "Could not locate the windows fonts folder";
inline constexpr const char* NoFontsFolderPath = "Error retrieving the windows fonts folder path";
inline constexpr const char* CouldNotSetFontSize = "Could not set font size in FreeType";
inline constexpr const char* ErrorLoadingGlyph = "Error loading glyph in FreeType";
inline constexpr const char* NoKerningInformation = "Could not obtain kerning information";
inline constexpr const char* FaceNotScalable =
    "The font face has no scalable outlines (its units per EM are 0)";
inline constexpr const char* AtlasTooLarge =
    "The glyph atlas would exceed the largest texture the graphics device supports";
inline constexpr const char* FontDisposed = "The font has been disposed";
inline constexpr const char* TextServicesUnavailable =
    "The Unicode text services (line breaking, bidi) could not start";
inline constexpr const char* TextTooLong = "The text is too long to lay out";
}  // namespace Messages

}  // namespace Vennicor::Font
