#pragma once

#include <stdexcept>
#include <string>

namespace Vennicor::Font {

/// The library's one error type; what() is one of the fixed messages below.
class FontException : public std::runtime_error {
 public:
  /// An error whose what() is `message`.
  explicit FontException(const std::string& message) : std::runtime_error(message) {}
  /// An error whose what() is `message`.
  explicit FontException(const char* message) : std::runtime_error(message) {}
  ~FontException() override;
};

/// The library's fixed error messages, spelled exactly as callers may compare them.
namespace Messages {
/// FreeType could not start.
inline constexpr const char* CouldNotInitializeFreeType = "Could not initialize FreeType library";
/// A font file is missing, unreadable or not a font FreeType reads.
inline constexpr const char* ErrorOpeningFontFile = "Error openening font file";
/// No installed font has the family name asked for.
inline constexpr const char* FontNotFound = "Font could not be found";
/// Windows: the shell's allocator was not available.
inline constexpr const char* NoShellMalloc = "Failed to obtain shell malloc interface";
/// Windows: the fonts folder could not be located.
inline constexpr const char* NoFontsFolder = "Could not locate the windows fonts folder";
/// Windows: the fonts folder's path could not be read.
inline constexpr const char* NoFontsFolderPath = "Error retrieving the windows fonts folder path";
/// FreeType refused the size asked for.
inline constexpr const char* CouldNotSetFontSize = "Could not set font size in FreeType";
/// FreeType could not load or render a glyph.
inline constexpr const char* ErrorLoadingGlyph = "Error loading glyph in FreeType";
/// FreeType could not answer a kerning query.
inline constexpr const char* NoKerningInformation = "Could not obtain kerning information";
/// The face has no scalable outlines.
inline constexpr const char* FaceNotScalable =
    "The font face has no scalable outlines (its units per EM are 0)";
/// The atlas would outgrow the device's largest texture.
inline constexpr const char* AtlasTooLarge =
    "The glyph atlas would exceed the largest texture the graphics device supports";
/// FontOptions asked for outline images and distance fields together.
inline constexpr const char* OutlineWithDistanceField =
    "A distance-field font takes no OutlineThickness: draw its outline with "
    "SpriteBatchEx::DistanceFieldEffectOf(font, outlineWidth, outlineColor)";
/// A font's glyph substitutions make more glyphs than shaping allows.
inline constexpr const char* TextCannotBeShaped =
    "The font's glyph substitutions make more glyphs from the text than shaping allows";
/// Font::SaveGlyphCache could not create, write or rename its file.
inline constexpr const char* GlyphCacheNotWritten = "Could not write the glyph cache file";
/// Font::SaveGlyphCache on a font of a FontFamily, whose atlas holds the family's other fonts too.
inline constexpr const char* GlyphCacheOfSharedAtlas =
    "A font of a FontFamily shares its atlas with the family's other fonts: its glyph cache "
    "cannot be saved";
/// The font was used after Dispose.
inline constexpr const char* FontDisposed = "The font has been disposed";
/// Laying text out needs ICU and HarfBuzz, and they could not start (or this build has none).
inline constexpr const char* TextServicesUnavailable =
    "The Unicode text services (line breaking, bidi) could not start";
/// A text to lay out is longer than the layout can index.
inline constexpr const char* TextTooLong = "The text is too long to lay out";
}  // namespace Messages

}  // namespace Vennicor::Font
