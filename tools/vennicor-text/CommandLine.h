#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "font/FontOptions.h"
#include "font/FontStyle.h"
#include "font/layout/OpenTypeFeature.h"
#include "font/layout/TextDirection.h"
#include "graphics/Color.h"
#include "graphics/Point.h"
#include "graphics/SpriteEffects.h"
#include "graphics/Vector2.h"

namespace VennicorText {

/// A command line the program cannot run: an unknown option, a missing or malformed value.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Alignment { Left, Center, Right, Justify };

/// Everything the command line chooses, with the defaults of a bare run. Colours are straight
/// (not premultiplied) alpha, as a user writes them.
struct Options {
  bool ShowHelp = false;
  std::string FontFace = "DejaVu Sans";
  /// Faces that characters the font lacks come from, in the order given (--fallback).
  std::vector<std::string> FallbackFaces;
  /// The installed fonts serve what the font and its fallbacks lack (--system-fallback).
  bool SystemFallback = false;
  float Size = 32;
  Vennicor::Font::FontStyle Style = Vennicor::Font::FontStyle::Regular;
  Vennicor::Graphics::Color Foreground{0x1B, 0x1F, 0x3B, 0xFF};
  Vennicor::Graphics::Color Background{0xFF, 0xFF, 0xFF, 0xFF};
  float RotationDegrees = 0;
  Vennicor::Graphics::Vector2 Scale{1, 1};
  Vennicor::Graphics::Vector2 Origin{0, 0};
  std::optional<Vennicor::Graphics::Vector2> Position;
  std::optional<Vennicor::Graphics::Point> ImageSize;
  std::int32_t Margin = 12;
  /// Lines within the text block; left unless given, centred for the sample text.
  std::optional<Alignment> Align;
  /// Width in pixels at which lines wrap (0: only at line feeds); 0 unless given, 600 for the
  /// sample text.
  std::optional<float> Width;
  Vennicor::Font::TextDirection Direction = Vennicor::Font::TextDirection::Auto;
  float LineSpacing = 1;
  std::int32_t MaxLines = 0;
  /// OpenType features for the whole text (--features smcp,tnum,-liga).
  std::vector<Vennicor::Font::OpenTypeFeature> Features;
  Vennicor::Graphics::SpriteEffects Flip = Vennicor::Graphics::SpriteEffects::None;
  /// UTF-8 text; line feeds separate lines.
  std::string Text;
  /// The text is RichText markup ([b], [color=#rrggbb], [img=ID WxH] ...), over the font's
  /// family (--markup).
  bool Markup = false;
  /// A UTF-8 file to read the text from instead ("-": standard input).
  std::optional<std::string> TextFile;
  /// How glyphs look: hinting, bold, oblique, outline thickness, distance field, atlas format.
  Vennicor::Font::FontOptions Look;
  Vennicor::Graphics::Color OutlineColor{0, 0, 0, 0xFF};
  /// Pixels; with a distance field the outline comes from the field rather than from outline
  /// images.
  float Outline = 0;
  std::optional<Vennicor::Graphics::Vector2> Shadow;
  Vennicor::Graphics::Color ShadowColor{0, 0, 0, 0x80};
  std::string OutputPath = "vennicor-text.png";
  std::optional<std::string> AtlasPath;
  /// A glyph cache file: the font starts from it when it fits, and otherwise writes it once the
  /// text is drawn (a loading screen's cache, or one baked at build time from a --text-file).
  std::optional<std::string> GlyphCachePath;
};

/// The text drawn when none is given: a paragraph, then a line of Arabic and one of Hebrew.
extern const char* const SampleText;

/// Reads the arguments after the program name. \throws UsageError.
Options ParseCommandLine(const std::vector<std::string>& arguments);

/// The --help text.
std::string HelpText();

}  // namespace VennicorText
