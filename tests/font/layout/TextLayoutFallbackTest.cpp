// Faces chosen for laid-out text through a chain of fallback faces: installed Debian fonts
// (fonts-dejavu-core, fonts-noto-core, fonts-noto-color-emoji) and Unicode's emoji-test.txt
// (unicode-data), all of which scripts/setup-debian.sh installs; the tests fail without them.

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "font/Font.h"
#include "font/layout/TextLayout.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/font/layout/LayoutTestSupport.h"
#include "tests/font/layout/UnicodeTestFiles.h"

namespace Vennicor::Font {
namespace {

constexpr const char* NotoColorEmoji = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf";

#define VENNICOR_EXPECT_INSTALLED(path)                                           \
  ASSERT_TRUE(std::filesystem::exists(path)) << (path)                            \
                                             << " is missing: run scripts/setup-" \
                                                "debian.sh"

// The face of each code point of a one-line layout: the face of the last glyph at or before it
// (a cluster's glyphs are one face's), one digit a code point.
std::string FacesOf(const TextLayout& layout, const std::u16string& text) {
  std::string faces;
  const auto glyphs = layout.Glyphs();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0xDC00 && text[i] <= 0xDFFF) continue;  // the second half of a pair
    char face = '-';
    for (const LayoutGlyph& glyph : glyphs) {
      if (static_cast<std::size_t>(glyph.TextIndex) <= i) {
        face = static_cast<char>('0' + glyph.Face);
      }
    }
    faces += face;
  }
  return faces;
}

// A cluster goes to the first face that has all of it, colour faces first for emoji
// presentation and text faces first for VS15, and the text returns to the main face at the
// first cluster it has. Faces: 0 DejaVu Sans, 1 Noto Sans Thai, 2 Noto Color Emoji.
TEST(TextLayoutFallback, ChoosesAFacePerGraphemeCluster) {
  VENNICOR_EXPECT_INSTALLED(Testing::DejaVuSans);
  VENNICOR_EXPECT_INSTALLED(Testing::NotoSansThai);
  VENNICOR_EXPECT_INSTALLED(NotoColorEmoji);
  struct Case {
    const char* Name;
    std::u16string Text;
    std::string Faces;  // one digit a code point
  };
  const std::vector<Case> cases = {
      {"ThaiThenEnglish", u"ภาษาไทย and English", "1111111000000000000"},
      {"SpaceAfterEmojiFromTheTextFace", u"\U0001F355 =", "200"},
      {"EmojiPresentationOverTheTextFace", u"A\U0001F600B", "020"},
      {"TextDefaultUnlessVs16", u"\u263A \u263A\uFE0F", "0022"},
      {"Vs15PrefersTheTextFace", u"\u2764\uFE0E\u2764\uFE0F", "0022"},
      {"KeycapNotItsDigit", u"1 1\uFE0F\u20E3", "00222"},
      {"Flag", u"x\U0001F1EF\U0001F1F5", "022"},
      {"ZwjFamilyThenLatin", u"\U0001F468\u200D\U0001F469\u200D\U0001F467y", "222220"},
      {"MarkStaysWithItsBase", u"e\u0301\u0E01\u0E34", "0011"},
  };
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  font.AddFallbackFace(Testing::PathText(Testing::NotoSansThai));
  font.AddFallbackFace(Testing::PathText(NotoColorEmoji));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TextLayout layout(font, c.Text);
    EXPECT_EQ(FacesOf(layout, c.Text), c.Faces);
  }
}

// The per-character rule of DrawString and GetGlyph: an Emoji_Presentation character comes
// from the colour face though the text face has it, also when it was cached before the colour
// face came; a character shown as text by default stays with the text face.
TEST(TextLayoutFallback, StringsTakeEmojiFromTheColourFace) {
  VENNICOR_EXPECT_INSTALLED(Testing::DejaVuSans);
  VENNICOR_EXPECT_INSTALLED(NotoColorEmoji);
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  font.EnsureGlyphsExist(u"😀☺");
  EXPECT_FALSE(font.GetGlyph(0x1F600).IsColor);
  font.AddFallbackFace(Testing::PathText(NotoColorEmoji));
  font.EnsureGlyphsExist(u"😎");
  for (const char32_t emoji : {U'😀', U'😎'}) {
    EXPECT_TRUE(font.GetGlyph(emoji).IsColor) << std::hex << static_cast<int>(emoji);
  }
  EXPECT_FALSE(font.GetGlyph(0x263A).IsColor);
}

#ifdef _WIN32
// Wine registers Debian's outline fonts but leaves the bitmap colour emoji font out, where
// Windows registers its own colour emoji face (Segoe UI Emoji); the test registers Debian's for
// its duration, as an installer would.
class RegisteredEmojiFont {
 public:
  RegisteredEmojiFont() {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, FontsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot open the registry's fonts key";
      return;
    }
    const std::wstring file =
        L"Z:" + std::filesystem::path(NotoColorEmoji).make_preferred().wstring();
    RegSetValueExW(key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                   static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
  }
  ~RegisteredEmojiFont() {
    if (key == nullptr) return;
    RegDeleteValueW(key, Name);
    RegCloseKey(key);
  }
  RegisteredEmojiFont(const RegisteredEmojiFont&) = delete;
  RegisteredEmojiFont& operator=(const RegisteredEmojiFont&) = delete;

 private:
  static constexpr const wchar_t* FontsKey =
      L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  static constexpr const wchar_t* Name = L"Vennicor Test Color Emoji (TrueType)";
  HKEY key = nullptr;
};
#endif

// A DejaVu Sans font with the installed fonts as its fallback draws CJK, Thai, Devanagari and
// emoji (in colour) from Debian's Noto fonts, in layouts and in strings.
TEST(TextLayoutFallback, SystemFallbackFindsInstalledFaces) {
  VENNICOR_EXPECT_INSTALLED(Testing::DejaVuSans);
  VENNICOR_EXPECT_INSTALLED(NotoColorEmoji);
  VENNICOR_EXPECT_INSTALLED(Testing::NotoSansThai);
#ifdef _WIN32
  const RegisteredEmojiFont registered;
#endif
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  const std::u16string texts[] = {u"品質", u"ภาษา", u"नमस्ते", u"😀"};
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  font.AddSystemFallback();
  for (const std::u16string& text : texts) {
    TextLayout layout(font, text);
    ASSERT_FALSE(layout.Glyphs().empty());
    for (const LayoutGlyph& glyph : layout.Glyphs()) {
      EXPECT_NE(glyph.Face, 0) << glyph.TextIndex;
      EXPECT_NE(glyph.GlyphIndex, 0U) << glyph.TextIndex;
    }
  }
  Font strings(device, Testing::PathText(Testing::DejaVuSans), 16);
  strings.AddSystemFallback();
  strings.EnsureGlyphsExist(u"品ภन😀");
  for (const char32_t c : {U'品', U'ภ', U'न', U'😀'}) {
    EXPECT_TRUE(strings.HasCharacter(c)) << std::hex << static_cast<int>(c);
  }
  EXPECT_TRUE(strings.GetGlyph(U'😀').IsColor);
  EXPECT_FALSE(strings.HasCharacter(U'􏿽'));  // no installed font has it
}

// Every fully-qualified sequence of emoji-test.txt laid out through a text face with the
// emoji face as its fallback is one glyph of the emoji face, as the emoji face alone shapes it.
TEST(TextLayoutFallback, EveryEmojiIsOneGlyphOfTheEmojiFace) {
  VENNICOR_EXPECT_INSTALLED(Testing::DejaVuSans);
  VENNICOR_EXPECT_INSTALLED(NotoColorEmoji);
  std::ifstream file = Testing::OpenUnicodeFile("emoji/emoji-test.txt");
  ASSERT_TRUE(file.is_open());
  Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, Testing::PathText(Testing::DejaVuSans), 16);
  font.AddFallbackFace(Testing::PathText(NotoColorEmoji));
  int sequences = 0;
  int wrong = 0;
  for (std::string line; std::getline(file, line);) {
    const std::string_view data = Testing::DataOf(line);
    const std::size_t semicolon = data.find(';');
    if (semicolon == std::string_view::npos ||
        data.substr(semicolon).find("fully-qualified") == std::string_view::npos) {
      continue;
    }
    Testing::HexText text;
    std::istringstream codePoints{std::string(data.substr(0, semicolon))};
    for (std::string hex; codePoints >> hex;) {
      text.Append(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
    }
    ++sequences;
    TextLayout layout(font, text.Text);
    const auto glyphs = layout.Glyphs();
    if (glyphs.size() != 1 || glyphs[0].Face != 1) {
      if (++wrong <= 20) ADD_FAILURE() << line << ": " << glyphs.size() << " glyphs";
    }
  }
  std::printf("%d of %d fully-qualified sequences are one glyph of the emoji face\n",
              sequences - wrong, sequences);
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(sequences, 3600);
}

}  // namespace
}  // namespace Vennicor::Font
