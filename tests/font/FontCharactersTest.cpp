// Characters beyond one UTF-16 unit, UTF-8 text, fonts from memory, fallback faces and colour
// glyphs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/FontOptions.h"
#include "graphics/Color.h"
#include "graphics/Rectangle.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FontTestSupport.h"

namespace Vennicor::Font {
namespace {

using Graphics::Color;
using Graphics::Vector2;
using Graphics::Software::SoftwareGraphicsDevice;

// VennicorMetrics at 18 px: A advances 12, every other visible glyph (and the missing glyph) 9;
// A,V kern by -1. VennicorColor: Omega advances 9 and Omega,Omega kern by -1 (Omega has V's glyph
// index); U+1F600 is a COLR glyph, a red square under a blue triangle, advancing 18.
constexpr float Size = 18;
constexpr char16_t Omega = u'\u03A9';
constexpr char32_t Grinning = U'\U0001F600';

// A path as UTF-8 on every system (path::string() is the ANSI code page on Windows).
std::string AsUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

std::vector<std::byte> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> chars((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::byte> bytes(chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i) bytes[i] = static_cast<std::byte>(chars[i]);
  return bytes;
}

// The glyph's texels in the font's atlas.
std::vector<Color> Texels(Font& font, const Font::Glyph& glyph) {
  const auto& texture = font.GlyphTexture();
  std::vector<Color> texels(static_cast<std::size_t>(glyph.Bounds.Width) *
                            static_cast<std::size_t>(glyph.Bounds.Height));
  texture->GetData(0,
                   Graphics::Rectangle{glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width,
                                       glyph.Bounds.Height},
                   texels);
  return texels;
}

struct Hues {
  bool Red = false, Blue = false, Gray = false;
};

Hues HuesOf(const std::vector<Color>& texels) {
  Hues hues;
  for (const Color c : texels) {
    if (c.A < 200) continue;
    hues.Red = hues.Red || (c.R > 200 && c.G < 50 && c.B < 50);
    hues.Blue = hues.Blue || (c.B > 200 && c.R < 50 && c.G < 50);
    hues.Gray = hues.Gray || (c.R == c.G && c.G == c.B);
  }
  return hues;
}

class FontCharactersTest : public ::testing::Test {
 protected:
  SoftwareGraphicsDevice device{1, 1};
  Font font{device, Testing::FixtureFontText("VennicorMetrics.ttf"), Size};
};

// Every text walk reads a valid pair as one character and a lone half as one of its own; UTF-8
// text measures as its UTF-16 form.
TEST_F(FontCharactersTest, TextIsReadByCodePointInUtf16AndUtf8) {
  struct Case {
    std::u16string_view Utf16;
    std::string_view Utf8;
    float Width;
  };
  // Lone halves have no UTF-8 form (an encoded surrogate is malformed UTF-8).
  const Case cases[] = {
      {u"A\U0001F600", "A\xF0\x9F\x98\x80", 12 + 9},  // a pair: one missing glyph
      {u"A\xD83D", "", 12 + 9},                       // a lone high half
      {u"\xDE00\xD83D", "", 9 + 9},                   // halves in the wrong order
      {u"AV", "AV", 12 + 11 - 1},
      {u"A\u00C5\n\U00010000B",
       "A\xC3\x85\n\xF0\x90\x80\x80"
       "B",
       12 + 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.Utf16)));
    EXPECT_EQ(font.MeasureString(c.Utf16).X, c.Width);
    if (c.Utf8.empty()) continue;
    EXPECT_EQ(font.MeasureString(c.Utf8), font.MeasureString(c.Utf16));
    EXPECT_EQ(font.MeasureWidth(c.Utf8, 0), c.Width);
  }
  // An encoded surrogate in UTF-8 is malformed: each of its bytes is one U+FFFD, unlike UTF-16.
  EXPECT_EQ(font.MeasureString(std::string_view("\xED\xA0\xBD")).X, 3 * 9);

  const Font::Glyph& astral = font.GetGlyph(Grinning);
  EXPECT_EQ(astral.CodePoint, Grinning);
  EXPECT_EQ(astral.Character, u'\uFFFD');
  EXPECT_EQ(font.GetGlyph(u'\xD83D').CodePoint, U'\xD83D');
  EXPECT_EQ(font.GetGlyph(u'A').Character, u'A');
  EXPECT_THROW(static_cast<void>(font.GetGlyph(U'\U0010FFFF')), std::out_of_range);

  // Previous characters: a literal 0 still means none; an astral one kerns (here: nothing).
  EXPECT_EQ(font.MeasureString(u"V", 0).X, 11);
  EXPECT_EQ(font.MeasureString(u"V", u'A').X, 10);
  EXPECT_EQ(font.MeasureString(u"V", Grinning).X, 11);
  EXPECT_EQ(font.MeasureWidth(u"V", U'A'), 10);

  font.EnsureGlyphsExist(std::string_view("\xF0\x9F\x98\x81"));
  EXPECT_NO_THROW(static_cast<void>(font.GetGlyph(U'\U0001F601')));
}

TEST_F(FontCharactersTest, OpensByUtf8NameAndFromMemory) {
  const Font byUtf8(
      device,
      std::string_view(AsUtf8(Testing::FixtureFont("VennicorMetrics-\xC5\x84\xC3\xA9.ttf"))), Size);
  EXPECT_EQ(byUtf8.LineHeight(), font.LineHeight());

  std::vector<std::byte> bytes = ReadFile(Testing::FixtureFont("VennicorColor.ttf"));
  Font fromMemory(device, std::span<const std::byte>(bytes), Size);
  // The font has its own copy: glyphs rendered after the buffer is gone are still right.
  std::fill(bytes.begin(), bytes.end(), std::byte{0});
  bytes = {};
  fromMemory.EnsureGlyphsExist(std::u16string(1, Omega));
  Font byPath(device, Testing::FixtureFontText("VennicorColor.ttf"), Size);
  byPath.EnsureGlyphsExist(std::u16string(1, Omega));
  EXPECT_TRUE(fromMemory.HasCharacter(Omega));
  const std::vector<Color> omega = Texels(fromMemory, fromMemory.GetGlyph(Omega));
  EXPECT_FALSE(omega.empty());
  EXPECT_EQ(omega, Texels(byPath, byPath.GetGlyph(Omega)));

  const std::vector<std::byte> garbage = ReadFile(Testing::FixtureFont("NotAFont.ttf"));
  for (const std::span<const std::byte> data :
       {std::span<const std::byte>(garbage), std::span<const std::byte>()}) {
    try {
      const Font refused(device, data, Size);
      ADD_FAILURE() << "opened garbage";
    } catch (const FontException& e) {
      EXPECT_STREQ(e.what(), Messages::ErrorOpeningFontFile);
    }
  }
}

TEST_F(FontCharactersTest, FallbackFaceFillsWhatTheFaceLacks) {
  const std::u16string text = u"A\u03A9\u03A9";
  font.EnsureGlyphsExist(u"\U0001F600");  // cached as the missing glyph first
  EXPECT_FALSE(font.HasCharacter(Omega));
  EXPECT_FALSE(font.GetGlyph(Grinning).IsColor);
  const std::int32_t lineHeight = font.LineHeight();

  // A face that fails to open changes nothing.
  EXPECT_THROW(font.AddFallbackFace(Testing::FixtureFontText("NotAFont.ttf")), FontException);
  EXPECT_THROW(font.AddFallbackFace(Testing::FixtureFontText("VennicorBitmap.bdf")), FontException);
  EXPECT_FALSE(font.HasCharacter(Omega));
  EXPECT_EQ(font.MeasureString(text).X, 12 + 9 + 9);

  font.AddFallbackFace(std::string_view(Testing::FixtureFont("VennicorColor.ttf").string()));
  EXPECT_TRUE(font.HasCharacter(Omega));
  EXPECT_TRUE(font.HasCharacter(Grinning));
  EXPECT_TRUE(font.HasCharacter(u'A'));
  EXPECT_FALSE(font.HasCharacter(U'\u4E00'));
  EXPECT_EQ(font.LineHeight(), lineHeight);
  font.GlyphTexture();  // places the glyphs
  // Kerning within the fallback face (Omega,Omega: -1), none across faces, though Omega has the
  // glyph index that V has in the main face.
  EXPECT_EQ(font.MeasureString(text).X, 12 + 9 + 9 - 1);
  EXPECT_EQ(font.GetKerning(u'A', Omega), (Vector2{0, 0}));
  EXPECT_EQ(font.GetKerning(Omega, Omega), (Vector2{-1, 0}));
  EXPECT_EQ(font.MeasureString(u"\u03A9", u'A').X, 9);
  // Same baseline: Omega is drawn like a capital of the main face.
  const Font::Glyph& omega = font.GetGlyph(Omega);
  EXPECT_EQ(omega.Offset, font.GetGlyph(u'C').Offset);
  EXPECT_EQ(omega.Bounds, font.GetGlyph(u'C').Bounds);
  // The missing glyph cached before now comes from the fallback, in colour, in the same atlas.
  const Font::Glyph& grinning = font.GetGlyph(Grinning);
  EXPECT_TRUE(grinning.IsColor);
  EXPECT_EQ(grinning.Advance.X, 18);
  const Hues hues = HuesOf(Texels(font, grinning));
  EXPECT_TRUE(hues.Red && hues.Blue);
  // A character no face has is still the main face's missing glyph.
  font.EnsureGlyphsExist(u"\u4E00");
  EXPECT_EQ(font.GetGlyph(u'\u4E00').Advance.X, 9);
  EXPECT_FALSE(font.GetGlyph(u'\u4E00').IsColor);
}

// Colour glyphs keep their colours whatever atlas format was asked for: a colour face gets a
// Color atlas even when Alpha8 was asked (and the device offers it); a plain face gets Alpha8.
TEST(ColorAtlasTest, AColourFaceKeepsAColorAtlasWhenAlpha8IsAsked) {
  SoftwareGraphicsDevice device(1, 1);
  ASSERT_TRUE(device.SupportsFormat(Graphics::SurfaceFormat::Alpha8));
  FontOptions options;
  options.AtlasFormat = Graphics::SurfaceFormat::Alpha8;
  Font plain(device, Testing::FixtureFontText("VennicorMetrics.ttf"), Size, FontStyle::Regular,
             options);
  EXPECT_EQ(plain.GlyphTexture()->Format(), Graphics::SurfaceFormat::Alpha8);
  Font colour(device, Testing::FixtureFontText("VennicorColor.ttf"), Size, FontStyle::Regular,
              options);
  colour.EnsureGlyphsExist(u"\U0001F600");
  EXPECT_EQ(colour.GlyphTexture()->Format(), Graphics::SurfaceFormat::Color);
  const Hues hues = HuesOf(Texels(colour, colour.GetGlyph(Grinning)));
  EXPECT_TRUE(hues.Red && hues.Blue);
}

TEST_F(FontCharactersTest, FallbackFaceFromMemoryOutlivesTheBuffer) {
  std::vector<std::byte> bytes = ReadFile(Testing::FixtureFont("VennicorColor.ttf"));
  font.AddFallbackFace(std::span<const std::byte>(bytes));
  std::fill(bytes.begin(), bytes.end(), std::byte{0});
  bytes = {};
  EXPECT_EQ(font.MeasureString(std::string_view("\xCE\xA9\xCE\xA9")).X, 9 + 9 - 1);
  EXPECT_TRUE(font.GetGlyph(Omega).Advance.X == 9 && font.HasCharacter(Grinning));
  const std::vector<std::byte> garbage = ReadFile(Testing::FixtureFont("NotAFont.ttf"));
  EXPECT_THROW(font.AddFallbackFace(std::span<const std::byte>(garbage)), FontException);
}

TEST_F(FontCharactersTest, DisposedFontRefusesFallbacks) {
  font.Dispose();
  EXPECT_THROW(font.AddFallbackFace(Testing::FixtureFontText("VennicorColor.ttf")), FontException);
  EXPECT_THROW(static_cast<void>(font.HasCharacter(u'A')), FontException);
}

// VennicorStrike: one 40 px sbix strike, a 40 x 40 image of U+2605, red left half and blue right
// half. Other sizes scale it with a box filter: at 25 px the seam falls inside column 12, which
// mixes both colours (nearest-neighbour sampling would give one or the other).
TEST(ColorStrikeTest, ScalesTheNearestStrikeToTheSize) {
  SoftwareGraphicsDevice device{1, 1};
  struct Case {
    float Size;
    std::int32_t Edge;
  };
  for (const Case c : {Case{40, 40}, Case{20, 20}, Case{25, 25}, Case{80, 80}}) {
    SCOPED_TRACE(c.Size);
    Font font(device, Testing::FixtureFontText("VennicorStrike.ttf"), c.Size);
    EXPECT_EQ(font.Ascent(), static_cast<std::int32_t>(c.Size * 0.8F));
    font.EnsureGlyphsExist(u"\u2605");
    font.GlyphTexture();
    const Font::Glyph& star = font.GetGlyph(U'\u2605');
    EXPECT_TRUE(star.IsColor);
    EXPECT_EQ(star.Bounds.Width, c.Edge);
    EXPECT_EQ(star.Bounds.Height, c.Edge);
    EXPECT_EQ(star.Advance.X, c.Edge);
    EXPECT_EQ(star.Offset.Y, font.Ascent() - c.Edge);  // standing on the baseline
    const std::vector<Color> texels = Texels(font, star);
    const auto at = [&](std::int32_t x, std::int32_t y) {
      return texels[static_cast<std::size_t>(y * c.Edge + x)];
    };
    EXPECT_EQ(at(0, 0), Color(255, 0, 0, 255));
    EXPECT_EQ(at(c.Edge - 1, c.Edge - 1), Color(0, 0, 255, 255));
    if (c.Size == 25) {
      const Color seam = at(12, 3);
      EXPECT_EQ(seam.A, 255);
      EXPECT_NEAR(seam.R, 128, 30);
      EXPECT_NEAR(seam.B, 128, 30);
    }
  }
}

// Noto Color Emoji holds one bitmap strike (109 px); at 32 px its glyphs come out at about
// 32 px (the face draws emoji a little wider than the em) and in colour.
TEST(ColorEmojiTest, BitmapStrikeFaceScalesToTheSize) {
  const std::filesystem::path path = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "Noto Color Emoji is not installed";
  SoftwareGraphicsDevice device{1, 1};
  for (const float size : {32.0F, 12.0F}) {
    SCOPED_TRACE(size);
    Font emoji(device, std::string_view(path.string()), size);
    emoji.EnsureGlyphsExist(u"\U0001F600\u2764");
    emoji.GlyphTexture();
    const Font::Glyph& glyph = emoji.GetGlyph(Grinning);
    EXPECT_TRUE(glyph.IsColor);
    EXPECT_GE(glyph.Bounds.Width, size * 0.9);
    EXPECT_LE(glyph.Bounds.Width, size * 1.4);
    EXPECT_GE(glyph.Bounds.Height, size * 0.9);
    EXPECT_LE(glyph.Bounds.Height, size * 1.4);
    EXPECT_NEAR(glyph.Advance.X, size * 1.25, size * 0.2);
    EXPECT_NEAR(emoji.LineHeight(), size * 1.2, size * 0.3);
    // Yellow face: coloured texels, not a gray coverage image.
    bool coloured = false;
    for (const Color c : Texels(emoji, glyph)) coloured = coloured || (c.A > 200 && c.R > c.B + 80);
    EXPECT_TRUE(coloured);
  }
}

TEST(ColorEmojiTest, BitmapFacesWithoutColourStayRefused) {
  SoftwareGraphicsDevice device{1, 1};
  try {
    const Font refused(device, Testing::FixtureFontText("VennicorBitmap.bdf"), Size);
    ADD_FAILURE() << "opened a BDF face";
  } catch (const FontException& e) {
    EXPECT_STREQ(e.what(), Messages::FaceNotScalable);
  }
}

}  // namespace
}  // namespace Vennicor::Font
