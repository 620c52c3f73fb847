#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include "font/Font.h"
#include "font/layout/RichText.h"
#include "font/layout/TextLayout.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/font/layout/LayoutTestSupport.h"
#include "tests/support/FixtureFonts.h"

namespace Vennicor::Font {
namespace {

// One glyph as hb-shape prints it: "index=cluster@dx,dy+advance".
struct HbGlyph {
  std::uint32_t Index = 0;
  int XOffset = 0;
  int XAdvance = 0;
};

// A 26.6 value in whole pixels, halves away from zero, as the layout rounds.
int Pixels(int value) { return value >= 0 ? (value + 32) / 64 : -((-value + 32) / 64); }

#ifdef _WIN32
// Under Wine, Debian's hb-shape is a Linux program. CreateProcess starts a Linux program (cmd.exe,
// which popen asks, finds only Windows ones), but as a process Windows cannot wait for and whose
// output does not reach a Windows pipe; so a shell writes hb-shape's output to a file, renamed
// into place once complete, which this waits for (at most 60 s).
std::string RunHbShape(const std::string& arguments) {
  struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
  };
  using Handle = std::unique_ptr<void, HandleCloser>;
  using UnixName = char* (*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return {};  // not Wine: no Linux hb-shape to run
  const auto unixPath = [unixName](const std::filesystem::path& path) {
    const std::unique_ptr<char, void (*)(char*)> name(
        unixName(path.c_str()), [](char* n) { HeapFree(GetProcessHeap(), 0, n); });
    return name ? std::string(name.get()) : std::string();
  };
  const std::string stem = "hb-shape-" + std::to_string(GetCurrentProcessId());
  const std::filesystem::path partial = std::filesystem::current_path() / (stem + ".partial");
  const std::filesystem::path done = std::filesystem::current_path() / (stem + ".txt");
  std::error_code ignored;
  std::filesystem::remove(done, ignored);
  std::ostringstream commandLine;
  commandLine << "/bin/sh -c \"hb-shape " << arguments << " > '" << unixPath(partial) << "' && mv '"
              << unixPath(partial) << "' '" << unixPath(done) << "'\"";
  std::string line = commandLine.str();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return {};
  }
  const Handle processHandle(process.hProcess);
  const Handle threadHandle(process.hThread);
  for (int waited = 0; waited < 6000 && !std::filesystem::exists(done); ++waited) Sleep(10);
  std::ostringstream output;
  {
    std::ifstream file(done);
    output << file.rdbuf();
  }
  std::filesystem::remove(done, ignored);
  return output.str();
}
#else
std::string RunHbShape(const std::string& arguments) {
  const std::string commandLine = "hb-shape " + arguments;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(commandLine.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
  return output;
}
#endif

// Runs Debian's hb-shape (libharfbuzz-bin) on the code points [start, end) of `text` with the
// font's face, at `size` pixels with the 26.6 scale and the FreeType load flags the Font uses
// (FT_LOAD_FORCE_AUTOHINT, unless `loadFlags` says otherwise), and returns its glyphs in visual
// order. `options`: more of hb-shape's options (--features, --language).
std::vector<HbGlyph> HbShape(const std::string& fontPath, const std::u16string& text, int start,
                             int end, bool rightToLeft, const char* script, int size,
                             const std::string& options = {}, int loadFlags = 32) {
  std::ostringstream command;
  command << options << " --font-funcs=ft --ft-load-flags=" << loadFlags << " --font-ppem=" << size
          << " --font-size=" << size * 64
          << " --no-glyph-names --direction=" << (rightToLeft ? "rtl" : "ltr")
          << " --script=" << script << " --unicodes=";
  for (int i = start; i < end; ++i) {
    const bool first = i == start;
    auto codePoint = static_cast<int>(text[static_cast<std::size_t>(i)]);
    if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < end) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) +
                  (static_cast<int>(text[static_cast<std::size_t>(++i)]) - 0xDC00);
    }
    command << (first ? "" : ",") << "U+" << std::hex << codePoint << std::dec;
  }
  command << " '" << fontPath << "'";
  const std::string output = RunHbShape(command.str());
  std::vector<HbGlyph> glyphs;
  std::size_t at = output.find('[');
  while (at != std::string::npos && at + 1 < output.size() && output[at + 1] != ']') {
    HbGlyph glyph;
    const std::size_t equals = output.find('=', at);
    glyph.Index = static_cast<std::uint32_t>(std::stoul(output.substr(at + 1, equals - at - 1)));
    const std::size_t next = output.find_first_of("|]", equals);
    const std::string item = output.substr(equals, next - equals);
    if (const std::size_t offset = item.find('@'); offset != std::string::npos) {
      glyph.XOffset = std::stoi(item.substr(offset + 1));
    }
    glyph.XAdvance = std::stoi(item.substr(item.find('+') + 1));
    glyphs.push_back(glyph);
    at = output[next] == '|' ? next : std::string::npos;
  }
  return glyphs;
}

constexpr const char* NotoSansOgham = "/usr/share/fonts/truetype/noto/NotoSansOgham-Regular.ttf";
constexpr const char* NotoSansTamil = "/usr/share/fonts/truetype/noto/NotoSansTamil-Regular.ttf";

struct ShapedRun {
  int Start;
  int End;
  bool RightToLeft;
  const char* Script;
};

struct ShapingCase {
  const char* Name;
  std::string FontPath;
  std::u16string Text;
  std::vector<ShapedRun> VisualRuns;  // the line's runs, leftmost first
};

// Each case is one line; its glyphs, left to right, must be hb-shape's for each run in visual
// order: the same glyph indices, and the same advances and offsets in whole pixels.
TEST(TextLayoutShaping, MatchesHbShape) {
  const std::vector<ShapingCase> cases = {
      {"Arabic",
       Testing::NotoSansArabic,
       u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645",
       {{0, 13, true, "Arab"}}},
      {"HebrewWithPoints",
       Testing::NotoSansHebrew,
       u"\u05E9\u05C1\u05B8\u05DC\u05D5\u05B9\u05DD \u05E2\u05D5\u05B9\u05DC\u05B8\u05DD",
       {{0, 14, true, "Hebr"}}},
      {"Devanagari",
       Testing::LohitDevanagari,
       u"\u0928\u092E\u0938\u094D\u0924\u0947 \u0926\u0941\u0928\u093F\u092F\u093E",
       {{0, 13, false, "Deva"}}},
      {"Thai",
       Testing::NotoSansThai,
       u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35\u0E0A\u0E32\u0E27\u0E42\u0E25\u0E01",
       {{0, 12, false, "Thai"}}},
      {"LatinLigatures",
       Testing::DejaVuSans,
       u"official affluent waffle fjord",
       {{0, 30, false, "Latn"}}},
      {"HebrewInsideLatin",
       Testing::DejaVuSans,
       u"Hello \u05E9\u05DC\u05D5\u05DD world",
       {{0, 6, false, "Latn"},
        {6, 10, true, "Hebr"},
        {10, 11, false, "Hebr"},
        {11, 16, false, "Latn"}}},
      {"LatinInsideArabic",
       Testing::DejaVuSans,
       u"\u0627\u0644\u0639\u0631\u0628\u064A\u0629 English",
       {{8, 15, false, "Latn"}, {0, 8, true, "Arab"}}},
      // Grantha signs (U+11301, U+11303, U+1133C) whose Script_Extensions hold Tamil stay in
      // the Tamil run around them.
      {"GranthaSignsInTamil",
       NotoSansTamil,
       u"\u0B9C\U0001133C\u0BBE \u0B95\U00011301 \u0BB8\U00011303",
       {{0, 12, false, "Taml"}}},
      // A line's trailing spaces keep their glyphs; the Ogham space mark is visible.
      {"TrailingOghamSpaceMarks",
       NotoSansOgham,
       u"\u1681\u1682\u1680\u1683\u1680\u1680",
       {{0, 6, false, "Ogam"}}},
      // A face with only a symbol character map: ASCII through U+F000 + c, and U+F041 itself.
      {"SymbolMapOnly",
       Testing::FixtureFont("VennicorSymbol.ttf").generic_string(),
       u"AB c",
       {{0, 5, false, "Latn"}}},
  };
  constexpr int Size = 24;
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  int compared = 0;
  for (const ShapingCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (!std::filesystem::exists(c.FontPath)) {
      ADD_FAILURE() << c.FontPath << " is missing: run scripts/setup-debian.sh";
      continue;
    }
    Font font(device, Testing::PathText(c.FontPath), Size);
    TextLayout layout(font, c.Text);
    ASSERT_EQ(layout.LineCount(), 1);
    std::vector<HbGlyph> expected;
    for (const ShapedRun& run : c.VisualRuns) {
      const auto glyphs =
          HbShape(c.FontPath, c.Text, run.Start, run.End, run.RightToLeft, run.Script, Size);
      ASSERT_FALSE(glyphs.empty()) << "hb-shape gave nothing (is libharfbuzz-bin installed?)";
      expected.insert(expected.end(), glyphs.begin(), glyphs.end());
    }
    const auto glyphs = layout.LineGlyphs(0);
    ASSERT_EQ(glyphs.size(), expected.size());
    float pen = layout.Line(0).X;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
      EXPECT_EQ(glyphs[i].GlyphIndex, expected[i].Index) << "glyph " << i;
      EXPECT_EQ(glyphs[i].Advance, Pixels(expected[i].XAdvance)) << "glyph " << i;
      EXPECT_EQ(glyphs[i].Position.X - pen, Pixels(expected[i].XOffset)) << "glyph " << i;
      pen += glyphs[i].Advance;
    }
    ++compared;
  }
  EXPECT_GT(compared, 0) << "none of the fonts is installed";
}

// Features and a language, given for the whole layout or for one run of rich text, choose the
// glyphs hb-shape chooses with --features and --language. Noto Sans (fonts-noto-core) has small
// capitals, proportional and tabular figures, the fi ligature and Serbian Cyrillic forms; each
// case must change hb-shape's glyphs from its baseline's, so that a font without the feature
// fails instead of passing unchanged.
TEST(TextLayoutShaping, FeaturesAndLanguageMatchHbShape) {
  constexpr const char* NotoSans = "/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf";
  ASSERT_TRUE(std::filesystem::exists(NotoSans))
      << NotoSans << " is missing: run scripts/setup-debian.sh";
  const OpenTypeFeature smallCaps{{'s', 'm', 'c', 'p'}};
  const OpenTypeFeature proportional{{'p', 'n', 'u', 'm'}};
  const OpenTypeFeature tabular{{'t', 'n', 'u', 'm'}};
  const OpenTypeFeature noLigatures{{'l', 'i', 'g', 'a'}, 0};
  struct Case {
    const char* Name;
    std::u16string Text;
    const char* Script;
    std::vector<OpenTypeFeature> Features;
    std::string Language;
    const char* HbOptions;
    const char* HbBaseline;  // what the case must differ from
  };
  const std::vector<Case> cases = {
      {"small capitals", u"Office 1180", "Latn", {smallCaps}, "", "--features=smcp", ""},
      {"proportional figures", u"Office 1180", "Latn", {proportional}, "", "--features=pnum", ""},
      {"tabular figures over proportional",
       u"Office 1180",
       "Latn",
       {proportional, tabular},
       "",
       "--features=pnum,tnum",
       "--features=pnum"},
      {"no ligatures", u"office fifty", "Latn", {noLigatures}, "", "--features=-liga", ""},
      {"Serbian", u"бгдпт", "Cyrl", {}, "sr", "--language=sr", ""},
  };
  constexpr int Size = 24;
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(NotoSans), Size);
  const auto indices = [](const std::vector<HbGlyph>& glyphs) {
    std::vector<std::uint32_t> result;
    for (const HbGlyph& glyph : glyphs) result.push_back(glyph.Index);
    return result;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const int length = static_cast<int>(c.Text.size());
    const auto expected = HbShape(NotoSans, c.Text, 0, length, false, c.Script, Size, c.HbOptions);
    ASSERT_FALSE(expected.empty()) << "hb-shape gave nothing (is libharfbuzz-bin installed?)";
    ASSERT_NE(indices(expected),
              indices(HbShape(NotoSans, c.Text, 0, length, false, c.Script, Size, c.HbBaseline)))
        << "the font does not have the feature";
    RichText styled;
    styled.Append(c.Text, {.Features = c.Features, .Language = c.Language});
    const TextLayout forLayout(font, c.Text, {.Features = c.Features, .Language = c.Language});
    const TextLayout forRun(font, styled);
    for (const TextLayout* layout : {&forLayout, &forRun}) {
      SCOPED_TRACE(layout == &forRun ? "the run's style" : "the layout's options");
      ASSERT_EQ(layout->LineCount(), 1);
      const auto glyphs = layout->LineGlyphs(0);
      ASSERT_EQ(glyphs.size(), expected.size());
      float pen = layout->Line(0).X;
      for (std::size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(glyphs[i].GlyphIndex, expected[i].Index) << "glyph " << i;
        EXPECT_EQ(glyphs[i].Advance, Pixels(expected[i].XAdvance)) << "glyph " << i;
        EXPECT_EQ(glyphs[i].Position.X - pen, Pixels(expected[i].XOffset)) << "glyph " << i;
        pen += glyphs[i].Advance;
      }
    }
  }
}

// A font that draws at quarters of a pixel lays text out with the designed advances and
// kerning, fractions kept: hb-shape's, unhinted (FT_LOAD_NO_HINTING), to the 1/64 pixel. Noto
// Sans (fonts-noto-core) kerns "AV", "Wa" and "To".
TEST(TextLayoutShaping, SubpixelFontsKeepTheFractionsOfDesignedAdvances) {
  constexpr const char* NotoSans = "/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf";
  ASSERT_TRUE(std::filesystem::exists(NotoSans))
      << NotoSans << " is missing: run scripts/setup-debian.sh";
  constexpr int Size = 17;
  const std::u16string text = u"AVAWAY Wave To office";
  const auto expected =
      HbShape(NotoSans, text, 0, static_cast<int>(text.size()), false, "Latn", Size, {}, 32 | 2);
  ASSERT_FALSE(expected.empty()) << "hb-shape gave nothing (is libharfbuzz-bin installed?)";
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  FontOptions options;
  options.Subpixel = SubpixelPositioning::Quarter;
  Font font(device, Testing::PathText(NotoSans), Size, FontStyle::Regular, options);
  const TextLayout layout(font, text);
  const auto glyphs = layout.LineGlyphs(0);
  ASSERT_EQ(glyphs.size(), expected.size());
  float pen = layout.Line(0).X;
  int fractional = 0;
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    EXPECT_EQ(glyphs[i].GlyphIndex, expected[i].Index) << "glyph " << i;
    EXPECT_EQ(glyphs[i].Advance, static_cast<float>(expected[i].XAdvance) / 64) << "glyph " << i;
    EXPECT_EQ(glyphs[i].Position.X, pen) << "glyph " << i;
    fractional += glyphs[i].Advance != std::floor(glyphs[i].Advance);
    pen += glyphs[i].Advance;
  }
  EXPECT_GT(fractional, static_cast<int>(glyphs.size()) / 2);
  EXPECT_EQ(layout.Line(0).Width, pen - layout.Line(0).X);
}

// The same face through the font's own character lookup (GetGlyph, DrawString): ASCII is the
// symbol map's, not the missing glyph.
TEST(TextLayoutShaping, SymbolMapServesAsciiToStringsToo) {
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::FixtureFontText("VennicorSymbol.ttf"), 18);
  for (const char32_t c : {U'A', U' ', U'\uF041'})
    EXPECT_TRUE(font.HasCharacter(c)) << static_cast<int>(c);
  EXPECT_FALSE(font.HasCharacter(U'\u00E9'));
  font.EnsureGlyphsExist(u"\uF041");
  EXPECT_EQ(font.GetGlyph(U'A').Advance.X, 12);  // A's own advance (667 units), not .notdef's 9
  EXPECT_EQ(font.GetGlyph(U'\uF041').Advance.X, 12);
}

}  // namespace
}  // namespace Vennicor::Font
