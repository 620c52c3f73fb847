#include "tools/vennicor-text/CommandLine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>

namespace VennicorText {

using Vennicor::Font::FontStyle;
using Vennicor::Graphics::Color;
using Vennicor::Graphics::Point;
using Vennicor::Graphics::SpriteEffects;
using Vennicor::Graphics::Vector2;

const char* const SampleText =
    "Vennicor Font lays text out for games: it wraps words to a width, centres lines, joins "
    "ligatures such as fi and ffl, and kerns AVATAR and Wave \xE2\x80\x94 \xC3\xA4\xC3\xB6\xC3\xBC "
    "\xC3\x9F \xC3\xA9 \xC3\xA7 0123456789.\n"
    // "Arabic text is written from right to left" and "Hebrew is written from right to left".
    "\xD8\xA7\xD9\x84\xD9\x86\xD8\xB5 \xD8\xA7\xD9\x84\xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A "
    "\xD9\x8A\xD9\x8F\xD9\x83\xD8\xAA\xD8\xA8 \xD9\x85\xD9\x86 "
    "\xD8\xA7\xD9\x84\xD9\x8A\xD9\x85\xD9\x8A\xD9\x86 "
    "\xD8\xA5\xD9\x84\xD9\x89 \xD8\xA7\xD9\x84\xD9\x8A\xD8\xB3\xD8\xA7\xD8\xB1\n"
    "\xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA \xD7\xA0\xD7\x9B\xD7\xAA\xD7\x91\xD7\xAA "
    "\xD7\x9E\xD7\x99\xD7\x9E\xD7\x99\xD7\x9F \xD7\x9C\xD7\xA9\xD7\x9E\xD7\x90\xD7\x9C";

namespace {

// Limits that keep a typo from asking for gigabytes of pixels.
constexpr float LargestSize = 1000;
constexpr float LargestScale = 100;
constexpr std::int32_t LargestImageEdge = 16384;
constexpr std::int32_t LargestMargin = 4096;
constexpr float LargestOutline = 32;
constexpr float LargestShadow = 1000;

std::string Lower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

float ParseFloat(std::string_view option, std::string_view text) {
  float value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (!text.empty() && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  if (text.empty() || error != std::errc() || end != last || !std::isfinite(value)) {
    throw UsageError(std::string(option) + " needs a number, not '" + std::string(text) + "'");
  }
  return value;
}

std::int32_t ParseInteger(std::string_view option, std::string_view text) {
  std::int32_t value = 0;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(text.data(), last, value);
  if (text.empty() || error != std::errc() || end != last) {
    throw UsageError(std::string(option) + " needs a whole number, not '" + std::string(text) +
                     "'");
  }
  return value;
}

// "X,Y", or a single number for both when `allowSingle`.
Vector2 ParsePair(std::string_view option, std::string_view text, bool allowSingle) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    if (!allowSingle) {
      throw UsageError(std::string(option) + " needs two numbers as X,Y, not '" +
                       std::string(text) + "'");
    }
    const float both = ParseFloat(option, text);
    return {both, both};
  }
  return {ParseFloat(option, text.substr(0, comma)), ParseFloat(option, text.substr(comma + 1))};
}

Point ParseImageSize(std::string_view option, std::string_view text) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) {
    throw UsageError(std::string(option) + " needs WIDTHxHEIGHT, not '" + std::string(text) + "'");
  }
  const Point size{ParseInteger(option, text.substr(0, x)),
                   ParseInteger(option, text.substr(x + 1))};
  if (size.X < 1 || size.Y < 1 || size.X > LargestImageEdge || size.Y > LargestImageEdge) {
    throw UsageError(std::string(option) + " needs edges from 1 to " +
                     std::to_string(LargestImageEdge) + ", not '" + std::string(text) + "'");
  }
  return size;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr std::array<std::pair<std::string_view, Color>, 14> NamedColors{{
    {"black", Color(0, 0, 0)},
    {"white", Color(255, 255, 255)},
    {"transparent", Color(0, 0, 0, 0)},
    {"red", Color(255, 0, 0)},
    {"green", Color(0, 128, 0)},
    {"blue", Color(0, 0, 255)},
    {"yellow", Color(255, 255, 0)},
    {"cyan", Color(0, 255, 255)},
    {"magenta", Color(255, 0, 255)},
    {"orange", Color(255, 165, 0)},
    {"gray", Color(128, 128, 128)},
    {"grey", Color(128, 128, 128)},
    {"navy", Color(0, 0, 128)},
    {"cornflowerblue", Color(100, 149, 237)},
}};

Color ParseColor(std::string_view option, std::string_view text) {
  const std::string lower = Lower(text);
  for (const auto& [name, color] : NamedColors) {
    if (lower == name) return color;
  }

  std::string_view hex = text;
  if (!hex.empty() && hex.front() == '#') hex.remove_prefix(1);
  if (hex.size() == 6 || hex.size() == 8) {
    std::array<int, 4> channels{0, 0, 0, 255};
    bool ok = true;
    for (std::size_t i = 0; i < hex.size() / 2; ++i) {
      const int high = HexDigit(hex[2 * i]);
      const int low = HexDigit(hex[2 * i + 1]);
      ok = ok && high >= 0 && low >= 0;
      channels[i] = high * 16 + low;
    }
    if (ok) return {channels[0], channels[1], channels[2], channels[3]};
  }

  if (text.find(',') != std::string_view::npos) {
    std::array<int, 4> channels{0, 0, 0, 255};
    std::size_t count = 0;
    std::string_view rest = text;
    bool ok = true;
    while (ok) {
      const std::size_t comma = rest.find(',');
      const std::string_view part = rest.substr(0, comma);
      int value = -1;
      const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
      ok = count < 4 && !part.empty() && error == std::errc() && end == part.data() + part.size() &&
           value >= 0 && value <= 255;
      if (ok) channels[count++] = value;
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
    if (ok && count >= 3) return {channels[0], channels[1], channels[2], channels[3]};
  }
  throw UsageError(std::string(option) +
                   " needs a colour (a name, #RRGGBB, #RRGGBBAA or R,G,B[,A]), not '" +
                   std::string(text) + "'");
}

FontStyle ParseStyle(std::string_view option, std::string_view text) {
  const std::string lower = Lower(text);
  if (lower == "regular") return FontStyle::Regular;
  if (lower == "bold") return FontStyle::Bold;
  if (lower == "italic") return FontStyle::Italic;
  if (lower == "bold-italic" || lower == "italic-bold") return FontStyle::Bold | FontStyle::Italic;
  throw UsageError(std::string(option) + " needs regular, bold, italic or bold-italic, not '" +
                   std::string(text) + "'");
}

Vennicor::Font::FontHinting ParseHinting(std::string_view option, std::string_view text) {
  using Vennicor::Font::FontHinting;
  if (text == "auto") return FontHinting::ForcedAuto;
  if (text == "normal") return FontHinting::Normal;
  if (text == "light") return FontHinting::Light;
  if (text == "mono") return FontHinting::Mono;
  if (text == "none") return FontHinting::None;
  throw UsageError(std::string(option) + " needs auto, normal, light, mono or none, not '" +
                   std::string(text) + "'");
}

Alignment ParseAlignment(std::string_view option, std::string_view text) {
  const std::string lower = Lower(text);
  if (lower == "left") return Alignment::Left;
  if (lower == "center" || lower == "centre") return Alignment::Center;
  if (lower == "right") return Alignment::Right;
  if (lower == "justify") return Alignment::Justify;
  throw UsageError(std::string(option) + " needs left, center, right or justify, not '" +
                   std::string(text) + "'");
}

Vennicor::Font::TextDirection ParseDirection(std::string_view option, std::string_view text) {
  const std::string lower = Lower(text);
  if (lower == "auto") return Vennicor::Font::TextDirection::Auto;
  if (lower == "ltr") return Vennicor::Font::TextDirection::LeftToRight;
  if (lower == "rtl") return Vennicor::Font::TextDirection::RightToLeft;
  throw UsageError(std::string(option) + " needs auto, ltr or rtl, not '" + std::string(text) +
                   "'");
}

SpriteEffects ParseFlip(std::string_view option, std::string_view text) {
  const std::string lower = Lower(text);
  if (lower == "none") return SpriteEffects::None;
  if (lower == "horizontal") return SpriteEffects::FlipHorizontally;
  if (lower == "vertical") return SpriteEffects::FlipVertically;
  if (lower == "both") return SpriteEffects::FlipHorizontally | SpriteEffects::FlipVertically;
  throw UsageError(std::string(option) + " needs none, horizontal, vertical or both, not '" +
                   std::string(text) + "'");
}

}  // namespace

Options ParseCommandLine(const std::vector<std::string>& arguments) {
  Options options;
  std::vector<std::string> textOptions;
  std::vector<std::string> words;
  bool onlyWords = false;

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyWords || argument.empty() || argument[0] != '-' || argument == "-") {
      words.push_back(argument);
      continue;
    }
    if (argument == "--") {
      onlyWords = true;
      continue;
    }

    // --name=value or --name value; short options take the next argument.
    std::string name = argument;
    std::optional<std::string> inlineValue;
    if (argument.rfind("--", 0) == 0) {
      const std::size_t equals = argument.find('=');
      if (equals != std::string::npos) {
        name = argument.substr(0, equals);
        inlineValue = argument.substr(equals + 1);
      }
    }
    const auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= arguments.size()) throw UsageError(name + " needs a value");
      return arguments[++i];
    };

    if (name == "-h" || name == "--help") {
      if (inlineValue) throw UsageError(name + " takes no value");
      options.ShowHelp = true;
    } else if (name == "-f" || name == "--font") {
      options.FontFace = value();
      if (options.FontFace.empty()) throw UsageError(name + " needs a family name or a path");
    } else if (name == "--fallback") {
      options.FallbackFaces.push_back(value());
      if (options.FallbackFaces.back().empty()) {
        throw UsageError(name + " needs a family name or a path");
      }
    } else if (name == "-s" || name == "--size") {
      options.Size = ParseFloat(name, value());
      if (!(options.Size > 0) || options.Size > LargestSize) {
        throw UsageError(name + " needs a size above 0 and at most 1000 pixels");
      }
    } else if (name == "--style") {
      options.Style = ParseStyle(name, value());
    } else if (name == "--hinting") {
      options.Look.Hinting = ParseHinting(name, value());
    } else if (name == "--bold" || name == "--oblique" || name == "--sdf" || name == "--alpha8") {
      if (inlineValue) throw UsageError(name + " takes no value");
      if (name == "--bold") options.Look.Bold = true;
      if (name == "--oblique") options.Look.Oblique = true;
      if (name == "--sdf") options.Look.DistanceField = true;
      if (name == "--alpha8") options.Look.AtlasFormat = Vennicor::Graphics::SurfaceFormat::Alpha8;
    } else if (name == "--outline") {
      options.Outline = ParseFloat(name, value());
      if (!(options.Outline >= 0) || options.Outline > LargestOutline) {
        throw UsageError(name + " needs a thickness from 0 to 32 pixels");
      }
    } else if (name == "--outline-color" || name == "--outline-colour") {
      options.OutlineColor = ParseColor(name, value());
    } else if (name == "--shadow") {
      options.Shadow = ParsePair(name, value(), false);
      if (std::abs(options.Shadow->X) > LargestShadow ||
          std::abs(options.Shadow->Y) > LargestShadow) {
        throw UsageError(name + " needs offsets of at most 1000 pixels");
      }
    } else if (name == "--shadow-color" || name == "--shadow-colour") {
      options.ShadowColor = ParseColor(name, value());
    } else if (name == "-c" || name == "--color" || name == "--colour") {
      options.Foreground = ParseColor(name, value());
    } else if (name == "-b" || name == "--background") {
      options.Background = ParseColor(name, value());
    } else if (name == "-r" || name == "--rotation") {
      options.RotationDegrees = ParseFloat(name, value());
    } else if (name == "--scale") {
      options.Scale = ParsePair(name, value(), true);
      const auto usable = [](float s) { return s != 0 && std::abs(s) <= LargestScale; };
      if (!usable(options.Scale.X) || !usable(options.Scale.Y)) {
        throw UsageError(name + " needs scales that are not 0 and at most 100 in size");
      }
    } else if (name == "--origin") {
      options.Origin = ParsePair(name, value(), false);
    } else if (name == "--position") {
      options.Position = ParsePair(name, value(), false);
    } else if (name == "--image-size") {
      options.ImageSize = ParseImageSize(name, value());
    } else if (name == "--margin") {
      options.Margin = ParseInteger(name, value());
      if (options.Margin < 0 || options.Margin > LargestMargin) {
        throw UsageError(name + " needs a whole number from 0 to 4096");
      }
    } else if (name == "--align") {
      options.Align = ParseAlignment(name, value());
    } else if (name == "--width") {
      options.Width = ParseFloat(name, value());
      if (!(*options.Width >= 0) || *options.Width > LargestImageEdge) {
        throw UsageError(name + " needs a width from 0 (no wrapping) to 16384 pixels");
      }
    } else if (name == "--direction") {
      options.Direction = ParseDirection(name, value());
    } else if (name == "--line-spacing") {
      options.LineSpacing = ParseFloat(name, value());
      if (!(options.LineSpacing > 0) || options.LineSpacing > LargestScale) {
        throw UsageError(name + " needs a factor above 0 and at most 100");
      }
    } else if (name == "--max-lines") {
      options.MaxLines = ParseInteger(name, value());
      if (options.MaxLines < 0) throw UsageError(name + " needs a whole number from 0 (all)");
    } else if (name == "--flip") {
      options.Flip = ParseFlip(name, value());
    } else if (name == "-t" || name == "--text") {
      textOptions.push_back(value());
    } else if (name == "--text-file") {
      options.TextFile = value();
    } else if (name == "-o" || name == "--output") {
      options.OutputPath = value();
      if (options.OutputPath.empty()) throw UsageError(name + " needs a path");
    } else if (name == "--atlas") {
      options.AtlasPath = value();
      if (options.AtlasPath->empty()) throw UsageError(name + " needs a path");
    } else {
      throw UsageError("unknown option '" + name + "' (see --help)");
    }
  }

  const int textSources =
      (textOptions.empty() ? 0 : 1) + (words.empty() ? 0 : 1) + (options.TextFile ? 1 : 0);
  if (textSources > 1) {
    throw UsageError("give the text one way: as arguments, with --text or with --text-file");
  }
  if (!textOptions.empty()) {
    // Each --text is one line (or more, if it holds line feeds).
    for (std::size_t i = 0; i < textOptions.size(); ++i) {
      if (i > 0) options.Text += '\n';
      options.Text += textOptions[i];
    }
  } else if (!words.empty()) {
    // Words join with spaces, as echo joins them.
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (i > 0) options.Text += ' ';
      options.Text += words[i];
    }
  } else if (!options.TextFile) {
    options.Text = SampleText;
    if (!options.Width) options.Width = 600;
    if (!options.Align) options.Align = Alignment::Center;
  }
  if (options.AtlasPath && *options.AtlasPath == options.OutputPath) {
    throw UsageError("--atlas and --output name the same file");
  }
  return options;
}

std::string HelpText() {
  return R"(Usage: vennicor-text [OPTION]... [TEXT]...
Render text to a PNG picture with Vennicor Font (FreeType glyphs from one atlas texture, drawn
by a software sprite batch; no GPU or display needed).

With no TEXT, draws a sample paragraph wrapped at 600 pixels and centred, and a line each of
Arabic and Hebrew. Several TEXT words are joined with spaces; line feeds in the text start new
lines. Text is UTF-8; it is shaped (ligatures, joining scripts) and laid out in both directions.

  -t, --text TEXT          text to draw; each --text is one more line
      --text-file FILE     read the text from a UTF-8 file of at most 4 MiB ('-' reads
                           standard input)
  -f, --font NAME|PATH     installed font family name or font file path
                           (default: DejaVu Sans)
      --fallback NAME|PATH a face for characters the font lacks (emoji, other scripts);
                           repeatable, the first that has a character draws it
  -s, --size PX            font size in pixels per em (default: 32)
      --style STYLE        regular, bold, italic or bold-italic; chooses among the installed
                           faces of a family (a path names one face) (default: regular)
  -c, --color COLOR        text colour (default: #1B1F3B)
  -b, --background COLOR   background colour (default: white); 'transparent' for none
  -r, --rotation DEG       turn the text clockwise by DEG degrees about its origin
      --scale S|SX,SY      scale the text (default: 1)
      --origin X,Y         point of the text, in unscaled pixels from its top-left, that lands
                           on --position and about which it turns (default: 0,0)
      --position X,Y       where the origin lands in the picture (default: fitted)
      --width PX           wrap lines at PX pixels (default: 0, only at line feeds)
      --align ALIGN        left, center, right or justify: lines within the text block, which
                           is --width wide, or as wide as the widest line (default: left)
      --direction DIR      auto, ltr or rtl: base direction of each paragraph (default: auto,
                           from its first letter)
      --line-spacing F     baseline distance as a factor of the font's (default: 1)
      --max-lines N        keep N lines at most, the last ending in an ellipsis (default: all)
      --flip FLIP          none, horizontal, vertical or both: mirror every glyph in its box
      --margin PX          space around the text in a fitted picture (default: 12)
      --image-size WxH     picture size (default: fitted to the text)
  -o, --output PATH        PNG to write (default: vennicor-text.png)
      --atlas PATH         also write the font's glyph atlas texture as a PNG: white
                           glyphs on an opaque black background
      --hinting MODE       auto (FreeType's auto-hinter, the default), normal (the font's own
                           hinting), light, mono (one-bit glyphs) or none
      --bold               embolden the glyphs (synthetic, as FreeType does)
      --oblique            slant the glyphs (synthetic)
      --outline PX         draw an outline PX pixels thick under the text
      --outline-color C    outline colour (default: black)
      --shadow DX,DY       draw a shadow under the text, offset by DX,DY pixels
      --shadow-color C     shadow colour (default: #00000080)
      --sdf                render glyphs as distance fields and draw them with the
                           distance-field effect (crisp at any --scale)
      --alpha8             keep the glyph atlas at one byte a texel
  -h, --help               show this help and exit

COLOR is a name (black, white, transparent, red, green, blue, yellow, cyan, magenta, orange,
gray, navy, cornflowerblue), #RRGGBB, #RRGGBBAA or R,G,B[,A] (0 to 255).

Exit status: 0 on success, 1 when the font, text file or output fails, 2 for a bad command
line. A PNG is written completely or not at all.

Examples:
  vennicor-text
  vennicor-text -f "DejaVu Serif" --style bold -s 48 -c navy "Hello, world"
  vennicor-text -f ./MyFont.ttf -t "Line one" -t "Line two" --align center -o lines.png
  vennicor-text -f "DejaVu Sans" --fallback "Noto Color Emoji" "Game over 😀"
  vennicor-text --width 300 --align justify --max-lines 3 --text-file story.txt
  vennicor-text -r 30 --scale 2 -b transparent --atlas atlas.png "Turned and scaled"
  vennicor-text --outline 2 --outline-color white --shadow 3,3 -b navy "Framed"
  vennicor-text --sdf -s 24 --scale 6 "Sharp"
)";
}

}  // namespace VennicorText
