#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/Version.h"
#include "font/detail/FontAccess.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FixtureFonts.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/layout/TextLayout.h"
#endif

// Fonts that render new glyphs on several threads against the same fonts on one: the same
// records, the same atlas texels, the same errors. CI runs these under ThreadSanitizer.

namespace Vennicor::Font {
namespace {

using Detail::FontAccess;
using Detail::GlyphEntry;
using Graphics::Color;
using Graphics::Software::SoftwareGraphicsDevice;

const char* const DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const NotoSansCjk = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";

std::vector<Color> PageTexels(Font& font, std::int32_t page) {
  const auto& texture = *font.AtlasPageTexture(page);
  std::vector<Color> texels(static_cast<std::size_t>(texture.Width()) *
                            static_cast<std::size_t>(texture.Height()));
  texture.GetData(texels);
  return texels;
}

void ExpectSameFonts(Font& expected, Font& actual) {
  ASSERT_EQ(expected.AtlasPageCount(), actual.AtlasPageCount());
  for (std::int32_t page = 0; page < expected.AtlasPageCount(); ++page) {
    EXPECT_TRUE(PageTexels(expected, page) == PageTexels(actual, page)) << "page " << page;
  }
  const Detail::FontImpl& e = FontAccess::Of(expected);
  const Detail::FontImpl& a = FontAccess::Of(actual);
  for (char32_t c = 0; c < 0x10000; ++c) {
    const GlyphEntry* left = e.Find(c);
    const GlyphEntry* right = a.Find(c);
    ASSERT_EQ(left == nullptr, right == nullptr) << static_cast<std::uint32_t>(c);
    if (left == nullptr) continue;
    EXPECT_EQ(left->CacheOrder, right->CacheOrder);
    EXPECT_EQ(left->Record.Position, right->Record.Position);
    EXPECT_EQ(left->Record.Bounds, right->Record.Bounds);
    EXPECT_EQ(left->Record.Offset, right->Record.Offset);
    EXPECT_EQ(left->Record.Advance, right->Record.Advance);
    EXPECT_EQ(left->Record.Page, right->Record.Page);
    EXPECT_EQ(left->OutlineSource, right->OutlineSource);
  }
}

std::u16string Range(char16_t first, char16_t last) {
  std::u16string text;
  for (char16_t c = first; c <= last; ++c) text += c;
  return text;
}

struct ThreadCase {
  std::string Name;
  std::filesystem::path File;
  float Size;
  FontOptions Options;
  std::vector<std::u16string> Texts;  // each cached in one call, then placed
  std::int32_t MaxTextureSize = 4096;
};

TEST(RenderThreads, GiveTheFontOneThreadGives) {
  FontOptions outlined;
  outlined.OutlineThickness = 2;
  FontOptions bold;
  bold.Bold = true;
  bold.Hinting = FontHinting::Light;
  FontOptions multiChannel;
  multiChannel.DistanceField = true;
  multiChannel.MultiChannel = true;
  const std::filesystem::path metrics = Testing::FixtureFont("VennicorMetrics.ttf");
  std::vector<ThreadCase> cases = {
      // The preload alone: 87 glyphs at construction.
      {"fixture face", metrics, 30, {}, {}},
      {"fixture face, outlines", metrics, 18, outlined, {}},
      {"fixture face, later pages", metrics, 40, {}, {}, 128},
      {"fixture face, multi-channel fields", metrics, 24, multiChannel, {}},
      // Mostly missing glyphs and one colour glyph, by a face opened from memory bytes.
      {"colour face", Testing::FixtureFont("VennicorColor.ttf"), 20, {}, {u"\U0001F600\u03A9"}},
  };
  if (std::filesystem::exists(DejaVuSans)) {
    cases.push_back({"DejaVu Sans",
                     DejaVuSans,
                     16,
                     bold,
                     {Range(0xA1, 0x17F), Range(0x391, 0x3C9) + Range(0x410, 0x44F), u"\u2020x"}});
  } else {
    ADD_FAILURE()
        << "DejaVu Sans (fonts-dejavu-core) is not installed: run scripts/setup-debian.sh";
  }
  if (std::filesystem::exists(NotoSansCjk)) {
    cases.push_back({"Noto Sans CJK", NotoSansCjk, 24, {}, {Range(0x4E00, 0x4F2B)}});
  } else {
    ADD_FAILURE() << "Noto Sans CJK (fonts-noto-cjk) is not installed: run scripts/setup-debian.sh";
  }
  for (const ThreadCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SoftwareGraphicsDevice device(8, 8);
    device.SetMaxTextureSize(c.MaxTextureSize);
    Font single(device, c.File, c.Size, c.Options);
    for (const std::int32_t threads : {2, 0, 3}) {
      SCOPED_TRACE(threads);
      FontOptions options = c.Options;
      options.RenderThreads = threads;
      Font threaded(device, c.File, c.Size, options);
      for (const std::u16string& text : c.Texts) {
        threaded.EnsureGlyphsExist(text);
        threaded.GlyphTexture();
      }
      if (threads == 2) {
        for (const std::u16string& text : c.Texts) {
          single.EnsureGlyphsExist(text);
          single.GlyphTexture();
        }
      }
      ExpectSameFonts(single, threaded);
    }
  }
}

#if VENNICOR_FONT_HAS_TEXT_LAYOUT
// A layout finds its glyphs by index after shaping; a burst of new ones renders on the threads
// and lands where one thread puts it.
TEST(RenderThreads, LayOutAsOneThreadDoes) {
  if (!std::filesystem::exists(NotoSansCjk)) {
    FAIL() << "Noto Sans CJK (fonts-noto-cjk) is not installed: run scripts/setup-debian.sh";
  }
  std::u16string text;
  for (char16_t c = 0x4E00; c < 0x4F00; c += 3) {
    text += c;
    if (c % 7 == 0) text += u"\u3001Kana \u30AB\u30BF";
  }
  SoftwareGraphicsDevice device(8, 8);
  Font single(device, std::filesystem::path(NotoSansCjk), 28);
  FontOptions options;
  options.RenderThreads = 2;
  Font threaded(device, std::filesystem::path(NotoSansCjk), 28, options);
  const TextLayoutOptions wrapped{.MaxWidth = 400};
  const TextLayout expected(single, text, wrapped);
  const TextLayout actual(threaded, text, wrapped);
  single.GlyphTexture();
  threaded.GlyphTexture();
  ExpectSameFonts(single, threaded);
  ASSERT_EQ(expected.Glyphs().size(), actual.Glyphs().size());
}
#endif

// A glyph too large for the device fails on the worker that renders it; the error reaches the
// caller when the walk comes to that glyph, as with one thread, and the glyphs before it stay.
TEST(RenderThreads, ReportErrorsWhereOneThreadWould) {
  if (!std::filesystem::exists(DejaVuSans)) {
    FAIL() << "DejaVu Sans (fonts-dejavu-core) is not installed: run scripts/setup-debian.sh";
  }
  SoftwareGraphicsDevice device(8, 8);
  device.SetMaxTextureSize(64);
  // At 44 px the letters fit 64 texels; the per ten thousand sign (U+2031), 1.6 em wide, does not.
  const std::u16string text = Range(0xC0, 0xFF) + u"\u2031" + Range(0x100, 0x120);
  for (const std::int32_t threads : {1, 2}) {
    SCOPED_TRACE(threads);
    FontOptions options;
    options.RenderThreads = threads;
    Font font(device, std::filesystem::path(DejaVuSans), 44, options);
    try {
      font.EnsureGlyphsExist(text);
      FAIL() << "no error";
    } catch (const FontException& e) {
      EXPECT_STREQ(e.what(), Messages::AtlasTooLarge);
    }
    EXPECT_NO_THROW(font.GetGlyph(0xFF));
    EXPECT_THROW(font.GetGlyph(0x100), std::out_of_range);
  }
}

}  // namespace
}  // namespace Vennicor::Font
