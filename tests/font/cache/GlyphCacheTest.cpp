#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/cache/detail/GlyphCacheFile.h"
#include "font/detail/FontAccess.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FixtureFonts.h"

// A font started from a glyph cache file against one that rendered the same glyphs: records,
// atlas texels and the places of glyphs added later. Files that are not whole, not written for
// the font or edited are ignored.

namespace Vennicor::Font {
namespace {

using Detail::FontAccess;
using Detail::GlyphEntry;
using Graphics::Color;
using Graphics::Software::SoftwareGraphicsDevice;

const char* const DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A folder of its own for each test, removed afterwards.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path = std::filesystem::temp_directory_path() /
           (std::string("vennicor-glyph-cache-") + test->name());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& Path() const { return path; }

 private:
  std::filesystem::path path;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

FontOptions WithCache(FontOptions options, const std::filesystem::path& file) {
  options.GlyphCache = file;
  return options;
}

// Every field a record shows, and what the font keeps beside it.
void ExpectSameEntry(const GlyphEntry& expected, const GlyphEntry& actual, char32_t c) {
  SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<std::uint32_t>(c));
  const Font::Glyph& e = expected.Record;
  const Font::Glyph& a = actual.Record;
  EXPECT_EQ(e.Character, a.Character);
  EXPECT_EQ(e.CodePoint, a.CodePoint);
  EXPECT_EQ(e.Position, a.Position);
  EXPECT_EQ(e.Bounds, a.Bounds);
  EXPECT_EQ(e.Offset, a.Offset);
  EXPECT_EQ(e.Advance, a.Advance);
  EXPECT_EQ(e.Page, a.Page);
  EXPECT_EQ(e.IsColor, a.IsColor);
  EXPECT_EQ(expected.GlyphIndex, actual.GlyphIndex);
  EXPECT_EQ(expected.CacheOrder, actual.CacheOrder);
  EXPECT_EQ(expected.Face, actual.Face);
  EXPECT_EQ(expected.OutlineSource, actual.OutlineSource);
  EXPECT_EQ(expected.OutlineOffset, actual.OutlineOffset);
  EXPECT_EQ(expected.OutlinePage, actual.OutlinePage);
}

// The same records for every character of `text`, and the same texels on every atlas page.
void ExpectSameGlyphs(Font& expected, Font& actual, std::u16string_view text) {
  ASSERT_EQ(expected.AtlasPageCount(), actual.AtlasPageCount());
  for (std::int32_t page = 0; page < expected.AtlasPageCount(); ++page) {
    const auto& e = *expected.AtlasPageTexture(page);
    const auto& a = *actual.AtlasPageTexture(page);
    ASSERT_EQ(e.Width(), a.Width());
    std::vector<Color> eTexels(static_cast<std::size_t>(e.Width()) *
                               static_cast<std::size_t>(e.Height()));
    std::vector<Color> aTexels(eTexels.size());
    e.GetData(eTexels);
    a.GetData(aTexels);
    EXPECT_TRUE(eTexels == aTexels) << "page " << page;
  }
  for (std::size_t k = 0; k < text.size(); ++k) {
    char32_t c = text[k];
    if (c >= 0xD800 && c < 0xDC00 && k + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10U) + (text[++k] - 0xDC00U);
    }
    const GlyphEntry* e = FontAccess::Of(expected).Find(c);
    const GlyphEntry* a = FontAccess::Of(actual).Find(c);
    ASSERT_NE(e, nullptr);
    ASSERT_NE(a, nullptr);
    ExpectSameEntry(*e, *a, c);
  }
}

struct FaceCase {
  std::string Name;
  std::filesystem::path File;
  float Size;
  FontOptions Options;
  std::int32_t MaxTextureSize = 4096;
  std::u16string First;   // cached and placed after construction, before saving
  std::u16string Second;  // cached and placed before saving, in a step of its own
  std::u16string Later;   // cached after loading, by both fonts
};

std::vector<FaceCase> FaceCases() {
  const std::filesystem::path metrics = Testing::FixtureFont("VennicorMetrics.ttf");
  const std::filesystem::path color = Testing::FixtureFont("VennicorColor.ttf");
  FontOptions outlined;
  outlined.OutlineThickness = 1.5F;
  FontOptions bold;
  bold.Bold = true;
  bold.Oblique = true;
  bold.Hinting = FontHinting::None;
  FontOptions alpha;
  alpha.AtlasFormat = Graphics::SurfaceFormat::Alpha8;
  FontOptions field;
  field.DistanceField = true;
  field.DistanceFieldSpread = 4;
  FontOptions multiChannel = field;
  multiChannel.MultiChannel = true;
  std::vector<FaceCase> cases = {
      {"plain, the atlas grows", metrics, 40, {}, 4096, u"", u"", u"xyz"},
      {"outlines", metrics, 18, outlined, 4096, u"", u"", u"q"},
      {"synthetic bold and slant, unhinted", metrics, 18, bold, 4096, u"", u"", u"q"},
      {"one-byte atlas", metrics, 18, alpha, 4096, u"", u"", u"q"},
      {"distance field", metrics, 12, field, 4096, u"", u"", u"q"},
      {"multi-channel distance field", metrics, 12, multiChannel, 4096, u"", u"", u"q"},
      {"later pages", metrics, 40, {}, 128, u"", u"", u"q"},
      {"colour glyphs, missing glyphs", color, 24, {}, 4096, u"\U0001F600", u"\u03A9", u"x"},
  };
  if (std::filesystem::exists(DejaVuSans)) {
    cases.push_back({"DejaVu Sans, two steps and a growth",
                     DejaVuSans,
                     32,
                     {},
                     4096,
                     u"\u00e9\u00e8\u00ea\u00eb\u00c5\u00df",
                     u"\u03b1\u03b2\u03b3\u03b4\u03a9\u0416",
                     u"\u0436\u044f\u00fe"});
  } else {
    ADD_FAILURE()
        << "DejaVu Sans (fonts-dejavu-core) is not installed: run scripts/setup-debian.sh";
  }
  return cases;
}

constexpr std::u16string_view Preload =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";

TEST(GlyphCache, StartsAsTheFontThatRenderedTheGlyphs) {
  const TemporaryFolder folder;
  for (const FaceCase& c : FaceCases()) {
    SCOPED_TRACE(c.Name);
    SoftwareGraphicsDevice device(8, 8);
    device.SetMaxTextureSize(c.MaxTextureSize);
    const std::filesystem::path file = folder.Path() / "glyphs.cache";
    Font rendered(device, c.File, c.Size, c.Options);
    rendered.EnsureGlyphsExist(c.First);
    rendered.GlyphTexture();
    rendered.EnsureGlyphsExist(c.Second);
    // Shaped text caches glyphs by index, without a character.
    const GlyphEntry& byIndex = FontAccess::Of(rendered).GlyphOfIndex(0);
    rendered.SaveGlyphCache(file);

    Font loaded(device, c.File, c.Size, WithCache(c.Options, file));
    EXPECT_TRUE(loaded.StartedFromGlyphCache());
    EXPECT_FALSE(rendered.StartedFromGlyphCache());
    const std::u16string all = std::u16string(Preload) + c.First + c.Second;
    ExpectSameGlyphs(rendered, loaded, all);
    ExpectSameEntry(byIndex, FontAccess::Of(loaded).GlyphOfIndex(0), 0);
    rendered.EnsureGlyphsExist(c.Later);
    loaded.EnsureGlyphsExist(c.Later);
    ExpectSameGlyphs(rendered, loaded, all + c.Later);
  }
}

// A file written from memory bytes serves the same face opened by path, and a collection's
// first face has an identity of its own.
TEST(GlyphCache, KeysOnTheFaceDataNotItsPath) {
  const TemporaryFolder folder;
  SoftwareGraphicsDevice device(8, 8);
  const std::filesystem::path file = folder.Path() / "glyphs.cache";
  const std::vector<std::uint8_t> bytes = ReadBytes(Testing::FixtureFont("VennicorMetrics.ttf"));
  const std::span<const std::byte> data(reinterpret_cast<const std::byte*>(bytes.data()),
                                        bytes.size());
  Font(device, data, 18).SaveGlyphCache(file);
  EXPECT_TRUE(Font(device, Testing::FixtureFont("VennicorMetrics-ńé.ttf"), 18, WithCache({}, file))
                  .StartedFromGlyphCache());
  const std::filesystem::path collection = Testing::FixtureFont("installed/VennicorMulti.ttf");
  Font(device, collection, 18).SaveGlyphCache(file);
  EXPECT_TRUE(Font(device, collection, 18, WithCache({}, file)).StartedFromGlyphCache());
  EXPECT_FALSE(Font(device, Testing::FixtureFont("VennicorMetrics.ttf"), 18, WithCache({}, file))
                   .StartedFromGlyphCache());
}

// Each way a file can fail to fit: the font ignores it and renders as a font without one.
TEST(GlyphCache, IgnoresFilesThatDoNotFit) {
  const TemporaryFolder folder;
  SoftwareGraphicsDevice device(8, 8);
  const std::filesystem::path metrics = Testing::FixtureFont("VennicorMetrics.ttf");
  const std::filesystem::path good = folder.Path() / "good.cache";
  const std::filesystem::path bad = folder.Path() / "bad.cache";
  {
    Font font(device, metrics, 18);
    font.EnsureGlyphsExist(u"\u00e9");  // the missing glyph, cached for a character
    font.SaveGlyphCache(good);
  }
  const std::vector<std::uint8_t> bytes = ReadBytes(good);
  ASSERT_GT(bytes.size(), 200U);
  // Offsets of fields behind the checksum (see GlyphCacheFile.cpp's layout).
  constexpr std::size_t KeyBytes = 64;
  constexpr std::size_t Counts = KeyBytes + 16;  // face count, marks, images, glyphs
  const std::size_t marks = Counts + 16;
  std::uint32_t markCount = 0;
  std::uint32_t imageCount = 0;
  std::memcpy(&markCount, bytes.data() + Counts + 4, 4);
  std::memcpy(&imageCount, bytes.data() + Counts + 8, 4);
  const std::size_t images = marks + 4 * std::size_t{markCount};
  const std::size_t glyphs = images + 12 * std::size_t{imageCount};

  // A changed field with the checksum made right again: the checks behind it must catch it.
  const auto sealed = [&](std::size_t offset, std::uint32_t value) {
    std::vector<std::uint8_t> edited = bytes;
    std::memcpy(edited.data() + offset, &value, 4);
    Detail::SealGlyphCache(edited);
    return edited;
  };
  const auto read = [&](std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
  };
  const auto cut = [&](std::size_t size) {
    return std::vector<std::uint8_t>(bytes.begin(),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(size));
  };
  const auto flipped = [&](std::size_t offset) {
    std::vector<std::uint8_t> edited = bytes;
    edited[offset] ^= 0x10U;
    return edited;
  };
  struct Case {
    std::string Name;
    std::vector<std::uint8_t> File;
    FontOptions Options;
    float Size = 18;
  };
  FontOptions bold;
  bold.Bold = true;
  FontOptions quarters;
  quarters.Subpixel = SubpixelPositioning::Quarter;
  std::vector<Case> cases = {
      {"empty", {}, {}},
      {"the key only", cut(KeyBytes), {}},
      {"cut in the tables", cut(glyphs + 10), {}},
      {"cut in the pixels", cut(bytes.size() - 20), {}},
      {"no checksum", cut(bytes.size() - 8), {}},
      {"a bit of the checksum", flipped(bytes.size() - 3), {}},
      {"a bit of a pixel", flipped(bytes.size() - 40), {}},
      {"a bit of a record", flipped(glyphs + 40), {}},
      {"another size", bytes, {}, 19},
      {"other options", bytes, bold},
      {"glyphs at quarters of a pixel", bytes, quarters},
      {"another library version", sealed(12, 1), {}},
      {"another face", sealed(16, 12345), {}},
      {"a character moved to another glyph", sealed(glyphs + 8, read(glyphs + 8) + 1), {}},
      {"a control character", sealed(glyphs, 0x0A), {}},
      {"a character twice", sealed(glyphs + 36, 'a'), {}},
      {"a code point beyond Unicode", sealed(glyphs, 0x110000), {}},
      {"a glyph index beyond the face", sealed(glyphs + 8, 5000), {}},
      {"an image beyond the images", sealed(glyphs + 28, imageCount), {}},
      {"a fallback face the file has not", sealed(glyphs + 4, 1), {}},
      {"an image wider than a texture", sealed(images, 5000), {}},
      {"an image wider than its pixels", sealed(images + 12 * 5, read(images + 12 * 5) + 1), {}},
      {"an image of no format", sealed(images + 8, 3), {}},
      // The space's image is empty, so its format changes no byte count.
      {"a colour image from a face without colour", sealed(images + 12 * 86 + 8, 1), {}},
      {"a multi-channel image in a font without", sealed(images + 12 * 86 + 8, 2), {}},
      {"marks that fall", sealed(marks, imageCount + 1), {}},
      {"more images than the bytes", sealed(Counts + 8, 0x00FFFFFF), {}},
      {"different metrics", sealed(KeyBytes, 99), {}},
      {"a bearing beyond any texture", sealed(glyphs + 20, 0x7FFFFFFF), {}},
  };
  Font plain(device, metrics, 18);
  plain.EnsureGlyphsExist(u"\u00e9");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteBytes(bad, c.File);
    Font font(device, metrics, c.Size, WithCache(c.Options, bad));
    EXPECT_FALSE(font.StartedFromGlyphCache());
    if (c.Size == 18 && !c.Options.Bold) {
      font.EnsureGlyphsExist(u"\u00e9");
      ExpectSameGlyphs(plain, font, std::u16string(Preload) + u"\u00e9");
    }
  }
  // A file that is missing, or a folder, is no file.
  EXPECT_FALSE(
      Font(device, metrics, 18, WithCache({}, folder.Path() / "missing")).StartedFromGlyphCache());
  EXPECT_FALSE(Font(device, metrics, 18, WithCache({}, folder.Path())).StartedFromGlyphCache());
  // The unedited file still serves.
  EXPECT_TRUE(Font(device, metrics, 18, WithCache({}, good)).StartedFromGlyphCache());
  // A file of single-channel fields serves no multi-channel font, nor the other way round.
  for (const bool multi : {false, true}) {
    FontOptions written;
    written.DistanceField = true;
    written.MultiChannel = multi;
    Font(device, metrics, 18, written).SaveGlyphCache(bad);
    FontOptions other = written;
    other.MultiChannel = !multi;
    EXPECT_FALSE(Font(device, metrics, 18, WithCache(other, bad)).StartedFromGlyphCache());
    EXPECT_TRUE(Font(device, metrics, 18, WithCache(written, bad)).StartedFromGlyphCache());
  }
}

TEST(GlyphCache, SavesByRenamingAWholeFile) {
  const TemporaryFolder folder;
  SoftwareGraphicsDevice device(8, 8);
  const std::filesystem::path file = folder.Path() / "glyphs.cache";
  Font small(device, Testing::FixtureFont("VennicorMetrics.ttf"), 12);
  Font large(device, Testing::FixtureFont("VennicorMetrics.ttf"), 30);
  small.SaveGlyphCache(file);
  large.SaveGlyphCache(file);  // replaces the older file
  EXPECT_TRUE(Font(device, Testing::FixtureFont("VennicorMetrics.ttf"), 30, WithCache({}, file))
                  .StartedFromGlyphCache());
  try {
    small.SaveGlyphCache(folder.Path() / "no folder" / "glyphs.cache");
    FAIL() << "saved into a folder that does not exist";
  } catch (const FontException& e) {
    EXPECT_STREQ(e.what(), Messages::GlyphCacheNotWritten);
  }
  // Saving over a folder fails after the temporary file is written: it is removed again.
  EXPECT_THROW(small.SaveGlyphCache(folder.Path()), FontException);
  std::vector<std::filesystem::path> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    left.push_back(entry.path().filename());
  }
  EXPECT_EQ(left, std::vector<std::filesystem::path>{"glyphs.cache"});
  small.Dispose();
  EXPECT_THROW(small.SaveGlyphCache(file), FontException);
}

}  // namespace
}  // namespace Vennicor::Font
