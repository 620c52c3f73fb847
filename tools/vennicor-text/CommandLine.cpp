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

// What parsing gathers: the options, and the --text lines until they are joined.
struct Parsed {
  Options Chosen;
  std::vector<std::string> TextLines;
};

// Applies one option; `name` is the spelling given, for messages, and `value` is empty for a
// flag.
using ApplyOption = void (*)(Parsed& parsed, std::string_view name, std::string_view value);

// One option, both as parsed and as listed by --help.
struct OptionRow {
  std::string_view Short;  // "-f", or empty
  std::string_view Long;
  // Placeholder for the value in --help; empty for a flag, which takes no value.
  std::string_view Value;
  std::string_view Description;
  ApplyOption Apply;
  // Another spelling (British), accepted but not listed.
  std::string_view Alias = {};
};

// A row's setting of one member from a parser of its value.
template <auto Member, auto Parse>
void Assign(Parsed& parsed, std::string_view name, std::string_view value) {
  parsed.Chosen.*Member = Parse(name, value);
}

float ParseSize(std::string_view option, std::string_view text) {
  const float size = ParseFloat(option, text);
  if (!(size > 0) || size > LargestSize) {
    throw UsageError(std::string(option) + " needs a size above 0 and at most 1000 pixels");
  }
  return size;
}

float ParseOutline(std::string_view option, std::string_view text) {
  const float outline = ParseFloat(option, text);
  if (!(outline >= 0) || outline > LargestOutline) {
    throw UsageError(std::string(option) + " needs a thickness from 0 to 32 pixels");
  }
  return outline;
}

float ParseWidth(std::string_view option, std::string_view text) {
  const float width = ParseFloat(option, text);
  if (!(width >= 0) || width > LargestImageEdge) {
    throw UsageError(std::string(option) + " needs a width from 0 (no wrapping) to 16384 pixels");
  }
  return width;
}

float ParseLineSpacing(std::string_view option, std::string_view text) {
  const float factor = ParseFloat(option, text);
  if (!(factor > 0) || factor > LargestScale) {
    throw UsageError(std::string(option) + " needs a factor above 0 and at most 100");
  }
  return factor;
}

std::int32_t ParseMargin(std::string_view option, std::string_view text) {
  const std::int32_t margin = ParseInteger(option, text);
  if (margin < 0 || margin > LargestMargin) {
    throw UsageError(std::string(option) + " needs a whole number from 0 to 4096");
  }
  return margin;
}

std::int32_t ParseMaxLines(std::string_view option, std::string_view text) {
  const std::int32_t lines = ParseInteger(option, text);
  if (lines < 0) throw UsageError(std::string(option) + " needs a whole number from 0 (all)");
  return lines;
}

Vector2 ParseXY(std::string_view option, std::string_view text) {
  return ParsePair(option, text, false);
}

// TAG=VALUE: a four-character axis tag and its value in design units.
Vennicor::Font::FontVariation ParseVariation(std::string_view option, std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals != 4)
    throw UsageError(std::string(option) + " needs TAG=VALUE with a four-letter tag");
  Vennicor::Font::FontVariation variation;
  for (std::size_t k = 0; k < 4; ++k) {
    const char c = text[k];
    if (c < 0x20 || c > 0x7E) {
      throw UsageError(std::string(option) + " needs TAG=VALUE with a four-letter tag");
    }
    variation.Tag[k] = c;
  }
  variation.Value = ParseFloat(option, text.substr(equals + 1));
  return variation;
}

// A comma-separated list of feature tags, each of one to four letters: TAG or +TAG on, -TAG off,
// TAG=N the value N (an alternate's number).
std::vector<Vennicor::Font::OpenTypeFeature> ParseFeatures(std::string_view option,
                                                           std::string_view text) {
  std::vector<Vennicor::Font::OpenTypeFeature> features;
  const auto bad = [&] {
    return UsageError(std::string(option) +
                      " needs tags of one to four letters, comma-separated, e.g. smcp,tnum,-liga");
  };
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    Vennicor::Font::OpenTypeFeature feature;
    if (!item.empty() && (item.front() == '-' || item.front() == '+')) {
      feature.Value = item.front() == '-' ? 0 : 1;
      item.remove_prefix(1);
    }
    if (const std::size_t equals = item.find('='); equals != std::string_view::npos) {
      const std::int32_t value = ParseInteger(option, item.substr(equals + 1));
      if (value < 0) throw bad();
      feature.Value = static_cast<std::uint32_t>(value);
      item = item.substr(0, equals);
    }
    if (item.empty() || item.size() > 4) throw bad();
    for (std::size_t k = 0; k < item.size(); ++k) {
      if (item[k] <= 0x20 || item[k] > 0x7E) throw bad();
      feature.Tag[k] = item[k];
    }
    features.push_back(feature);
  }
  if (features.empty()) throw bad();
  return features;
}

Vector2 ParseScale(std::string_view option, std::string_view text) {
  const Vector2 scale = ParsePair(option, text, true);
  const auto usable = [](float s) { return s != 0 && std::abs(s) <= LargestScale; };
  if (!usable(scale.X) || !usable(scale.Y)) {
    throw UsageError(std::string(option) + " needs scales that are not 0 and at most 100 in size");
  }
  return scale;
}

Vector2 ParseShadow(std::string_view option, std::string_view text) {
  const Vector2 offset = ParsePair(option, text, false);
  if (std::abs(offset.X) > LargestShadow || std::abs(offset.Y) > LargestShadow) {
    throw UsageError(std::string(option) + " needs offsets of at most 1000 pixels");
  }
  return offset;
}

std::string ParseFace(std::string_view option, std::string_view text) {
  if (text.empty()) throw UsageError(std::string(option) + " needs a family name or a path");
  return std::string(text);
}

std::string ParsePath(std::string_view option, std::string_view text) {
  if (text.empty()) throw UsageError(std::string(option) + " needs a path");
  return std::string(text);
}

std::string ParseAnyText(std::string_view /*option*/, std::string_view text) {
  return std::string(text);
}

// In the order --help lists them.
constexpr OptionRow OptionTable[] = {
    {"-t", "--text", "TEXT", "text to draw; each --text is one more line",
     [](Parsed& parsed, std::string_view, std::string_view value) {
       parsed.TextLines.emplace_back(value);
     }},
    {"", "--text-file", "FILE",
     "read the text from a UTF-8 file of at most 4 MiB ('-' reads standard input)",
     Assign<&Options::TextFile, ParseAnyText>},
    {"-f", "--font", "NAME|PATH",
     "installed font family name or font file path (default: DejaVu Sans)",
     Assign<&Options::FontFace, ParseFace>},
    {"", "--fallback", "NAME|PATH",
     "a face for characters the font lacks (emoji, other scripts); repeatable, the first that "
     "has a character draws it",
     [](Parsed& parsed, std::string_view name, std::string_view value) {
       parsed.Chosen.FallbackFaces.push_back(ParseFace(name, value));
     }},
    {"", "--system-fallback", "",
     "let the installed fonts serve characters that the font and its fallbacks lack",
     [](Parsed& parsed, std::string_view, std::string_view) {
       parsed.Chosen.SystemFallback = true;
     }},
    {"", "--markup", "",
     "read the text as markup: [b] [i] [u] [s] [color=#rrggbb] [bg=#rrggbb] [size=N] [sup] "
     "[sub] [img=ID WxH] [lang=xx] [feature=smcp], each closed by [/b] ...; [[ is a [",
     [](Parsed& parsed, std::string_view, std::string_view) { parsed.Chosen.Markup = true; }},
    {"-s", "--size", "PX", "font size in pixels per em (default: 32)",
     Assign<&Options::Size, ParseSize>},
    {"", "--style", "STYLE",
     "regular, bold, italic or bold-italic; chooses among the installed faces of a family (a "
     "path names one face) (default: regular)",
     Assign<&Options::Style, ParseStyle>},
    {"-c", "--color", "COLOR", "text colour (default: #1B1F3B)",
     Assign<&Options::Foreground, ParseColor>, "--colour"},
    {"-b", "--background", "COLOR", "background colour (default: white); 'transparent' for none",
     Assign<&Options::Background, ParseColor>},
    {"-r", "--rotation", "DEG", "turn the text clockwise by DEG degrees about its origin",
     Assign<&Options::RotationDegrees, ParseFloat>},
    {"", "--scale", "S|SX,SY", "scale the text (default: 1)", Assign<&Options::Scale, ParseScale>},
    {"", "--origin", "X,Y",
     "point of the text, in unscaled pixels from its top-left, that lands on --position and "
     "about which it turns (default: 0,0)",
     Assign<&Options::Origin, ParseXY>},
    {"", "--position", "X,Y", "where the origin lands in the picture (default: fitted)",
     Assign<&Options::Position, ParseXY>},
    {"", "--width", "PX", "wrap lines at PX pixels (default: 0, only at line feeds)",
     Assign<&Options::Width, ParseWidth>},
    {"", "--align", "ALIGN",
     "left, center, right or justify: lines within the text block, which is --width wide, or "
     "as wide as the widest line (default: left)",
     Assign<&Options::Align, ParseAlignment>},
    {"", "--direction", "DIR",
     "auto, ltr or rtl: base direction of each paragraph (default: auto, from its first letter)",
     Assign<&Options::Direction, ParseDirection>},
    {"", "--line-spacing", "F", "baseline distance as a factor of the font's (default: 1)",
     Assign<&Options::LineSpacing, ParseLineSpacing>},
    {"", "--max-lines", "N", "keep N lines at most, the last ending in an ellipsis (default: all)",
     Assign<&Options::MaxLines, ParseMaxLines>},
    {"", "--flip", "FLIP", "none, horizontal, vertical or both: mirror every glyph in its box",
     Assign<&Options::Flip, ParseFlip>},
    {"", "--margin", "PX", "space around the text in a fitted picture (default: 12)",
     Assign<&Options::Margin, ParseMargin>},
    {"", "--image-size", "WxH", "picture size (default: fitted to the text)",
     Assign<&Options::ImageSize, ParseImageSize>},
    {"-o", "--output", "PATH", "PNG to write (default: vennicor-text.png)",
     Assign<&Options::OutputPath, ParsePath>},
    {"", "--atlas", "PATH",
     "also write the font's glyph atlas texture as a PNG: white glyphs on an opaque black "
     "background",
     Assign<&Options::AtlasPath, ParsePath>},
    {"", "--glyph-cache", "PATH",
     "start the font from the glyph cache file PATH when it fits the font; otherwise write it "
     "with the glyphs of the text once it is drawn",
     Assign<&Options::GlyphCachePath, ParsePath>},
    {"", "--hinting", "MODE",
     "auto (FreeType's auto-hinter, the default), normal (the font's own hinting), light, mono "
     "(one-bit glyphs) or none",
     [](Parsed& parsed, std::string_view name, std::string_view value) {
       parsed.Chosen.Look.Hinting = ParseHinting(name, value);
     }},
    {"", "--bold", "", "embolden the glyphs (synthetic, as FreeType does)",
     [](Parsed& parsed, std::string_view, std::string_view) { parsed.Chosen.Look.Bold = true; }},
    {"", "--variation", "TAG=VALUE", "set an axis of a variable font, e.g. wght=650; repeatable",
     [](Parsed& parsed, std::string_view name, std::string_view value) {
       parsed.Chosen.Look.Variations.push_back(ParseVariation(name, value));
     }},
    {"", "--features", "LIST",
     "OpenType features for the text, comma-separated: smcp,tnum turns small capitals and "
     "tabular figures on, -liga ligatures off, aalt=2 picks an alternate",
     Assign<&Options::Features, ParseFeatures>},
    {"", "--subpixel", "",
     "place glyphs at quarters of a pixel (images rendered at each quarter) and lay text out "
     "with its designed advances",
     [](Parsed& parsed, std::string_view, std::string_view) {
       parsed.Chosen.Look.Subpixel = Vennicor::Font::SubpixelPositioning::Quarter;
     }},
    {"", "--oblique", "", "slant the glyphs (synthetic)",
     [](Parsed& parsed, std::string_view, std::string_view) { parsed.Chosen.Look.Oblique = true; }},
    {"", "--outline", "PX", "draw an outline PX pixels thick under the text",
     Assign<&Options::Outline, ParseOutline>},
    {"", "--outline-color", "C", "outline colour (default: black)",
     Assign<&Options::OutlineColor, ParseColor>, "--outline-colour"},
    {"", "--shadow", "DX,DY", "draw a shadow under the text, offset by DX,DY pixels",
     Assign<&Options::Shadow, ParseShadow>},
    {"", "--shadow-color", "C", "shadow colour (default: #00000080)",
     Assign<&Options::ShadowColor, ParseColor>, "--shadow-colour"},
    {"", "--sdf", "",
     "render glyphs as distance fields and draw them with the distance-field effect (crisp at "
     "any --scale)",
     [](Parsed& parsed, std::string_view, std::string_view) {
       parsed.Chosen.Look.DistanceField = true;
     }},
    {"", "--msdf", "",
     "as --sdf, with multi-channel distance fields, which keep corners sharp at large --scale",
     [](Parsed& parsed, std::string_view, std::string_view) {
       parsed.Chosen.Look.DistanceField = true;
       parsed.Chosen.Look.MultiChannel = true;
     }},
    {"", "--alpha8", "", "keep the glyph atlas at one byte a texel",
     [](Parsed& parsed, std::string_view, std::string_view) {
       parsed.Chosen.Look.AtlasFormat = Vennicor::Graphics::SurfaceFormat::Alpha8;
     }},
    {"-h", "--help", "", "show this help and exit",
     [](Parsed& parsed, std::string_view, std::string_view) { parsed.Chosen.ShowHelp = true; }},
};

const OptionRow* FindOption(std::string_view name) {
  for (const OptionRow& row : OptionTable) {
    if (name == row.Long || name == row.Short || name == row.Alias) return &row;
  }
  return nullptr;
}

const char* const HelpIntro = R"(Usage: vennicor-text [OPTION]... [TEXT]...
Render text to a PNG picture with Vennicor Font (FreeType glyphs from one atlas texture, drawn
by a software sprite batch; no GPU or display needed).

With no TEXT, draws a sample paragraph wrapped at 600 pixels and centred, and a line each of
Arabic and Hebrew. Several TEXT words are joined with spaces; line feeds in the text start new
lines. Text is UTF-8; it is shaped (ligatures, joining scripts) and laid out in both directions.

)";

const char* const HelpOutro = R"(
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
  vennicor-text --msdf -s 24 --scale 6 "Sharp"
)";

// Lines of the option list end by this column, as the paragraphs around them do.
constexpr std::size_t HelpWidth = 94;

// "  -f, --font NAME|PATH"; without a short form the long one stays in its column.
std::string OptionColumn(const OptionRow& row) {
  std::string text = row.Short.empty() ? "      " : "  " + std::string(row.Short) + ", ";
  text += row.Long;
  if (!row.Value.empty()) text += " " + std::string(row.Value);
  return text;
}

// Appends `line` and then `text`'s words, starting new lines indented to `indent` before a word
// would pass HelpWidth. A word too long for any line stands on its own.
void AppendWrapped(std::string& out, std::string line, std::string_view text, std::size_t indent) {
  bool lineHasWord = false;
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    if (lineHasWord && line.size() + 1 + word.size() > HelpWidth) {
      out += line + '\n';
      line.assign(indent, ' ');
      lineHasWord = false;
    }
    if (lineHasWord) line += ' ';
    line += word;
    lineHasWord = true;
  }
  out += line + '\n';
}

}  // namespace

Options ParseCommandLine(const std::vector<std::string>& arguments) {
  Parsed parsed;
  Options& options = parsed.Chosen;
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

    const OptionRow* row = FindOption(name);
    if (row == nullptr) throw UsageError("unknown option '" + name + "' (see --help)");
    if (row->Value.empty()) {
      if (inlineValue) throw UsageError(name + " takes no value");
      row->Apply(parsed, name, {});
    } else if (inlineValue) {
      row->Apply(parsed, name, *inlineValue);
    } else {
      if (i + 1 >= arguments.size()) throw UsageError(name + " needs a value");
      row->Apply(parsed, name, arguments[++i]);
    }
  }

  const std::vector<std::string>& textLines = parsed.TextLines;
  const int textSources =
      (textLines.empty() ? 0 : 1) + (words.empty() ? 0 : 1) + (options.TextFile ? 1 : 0);
  if (textSources > 1) {
    throw UsageError("give the text one way: as arguments, with --text or with --text-file");
  }
  if (!textLines.empty()) {
    // Each --text is one line (or more, if it holds line feeds).
    for (std::size_t i = 0; i < textLines.size(); ++i) {
      if (i > 0) options.Text += '\n';
      options.Text += textLines[i];
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
  return std::move(parsed.Chosen);
}

std::string HelpText() {
  std::string help = HelpIntro;
  // The descriptions start in one column, after the longest option and its value.
  std::size_t column = 0;
  for (const OptionRow& row : OptionTable) column = std::max(column, OptionColumn(row).size() + 1);
  for (const OptionRow& row : OptionTable) {
    std::string line = OptionColumn(row);
    line.resize(column, ' ');
    AppendWrapped(help, line, row.Description, column);
  }
  return help + HelpOutro;
}

}  // namespace VennicorText
