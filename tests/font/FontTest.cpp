#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FontTestSupport.h"

using namespace Vennicor::Font;
using namespace Vennicor::Font::Testing;
using Vennicor::Graphics::Color;
using Vennicor::Graphics::Point;
using Vennicor::Graphics::Rectangle;

namespace {

constexpr std::u16string_view Preload =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";

std::u16string MetricsFont() { return FixtureFontText("VennicorMetrics.ttf"); }

// Characters the fixture faces lack: each gets its own glyph with the missing-glyph shape.
std::u16string Unmapped(std::size_t count, char16_t first = 0x0400) {
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char16_t>(first + i);
  return text;
}

bool IsEmpty(const Font::Glyph& glyph) {
  return glyph.Bounds.Width == 0 || glyph.Bounds.Height == 0;
}

// Mappings of `path` in this process: FreeType maps a face's file into memory until the face
// is closed. Linux shows them in /proc/self/maps; elsewhere there is nothing to count (0), and
// the leak checks rest on the library reference count alone.
bool CanCountOpenHandles() {
#ifdef __linux__
  return std::ifstream("/proc/self/maps").good();
#else
  return false;  // under Wine the host's /proc is visible, but shows Unix mappings
#endif
}

int OpenHandlesTo(const std::u16string& path) {
  const std::string target =
      std::filesystem::canonical(std::string(path.begin(), path.end())).string();
  std::ifstream maps("/proc/self/maps");
  int count = 0;
  for (std::string line; std::getline(maps, line);) {
    if (line.size() >= target.size() &&
        line.compare(line.size() - target.size(), target.size(), target) == 0)
      ++count;
  }
  return count;
}

// True when the library reference count is back to where a lone guard manager left it: the
// guard's release then takes FreeType down.
bool OnlyGuardHeldTheLibrary(FreeTypeManager& guard) {
  guard.Dispose();
  return guard.GetLibraryInstance() == nullptr;
}

// Where the atlas put the glyphs, checked two ways that share nothing with the atlas code: every
// padded (w + 1) x (h + 1) image lies inside the texture and overlaps no other, and the layout
// as a whole (edge and every position) equals the one pinned in the tests, recorded when a model
// of the growth rules written apart from the atlas (place each glyph in order, double the edge
// and start over when one does not fit) agreed with the atlas. Any change of placement shows as
// a new digest.
struct PinnedLayout {
  std::int32_t Edge = 0;
  std::uint64_t Digest = 0;  // FNV-1a over every glyph's (x, y), in cache order
};

PinnedLayout LayoutOf(const Font& font, std::u16string_view characters, std::int32_t edge) {
  std::uint64_t digest = 0xCBF29CE484222325ULL;
  const auto mix = [&digest](std::int32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      digest ^= (static_cast<std::uint32_t>(value) >> shift) & 0xFFU;
      digest *= 0x100000001B3ULL;
    }
  };
  std::vector<Rectangle> placed;
  for (const char16_t c : characters) {
    const Font::Glyph& glyph = font.GetGlyph(c);
    mix(glyph.Position.X);
    mix(glyph.Position.Y);
    if (glyph.Bounds.Width == 0 || glyph.Bounds.Height == 0) continue;
    const Rectangle padded{glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width + 1,
                           glyph.Bounds.Height + 1};
    EXPECT_TRUE(padded.X >= 0 && padded.Y >= 0 && padded.X + padded.Width <= edge &&
                padded.Y + padded.Height <= edge)
        << "glyph " << int(c) << " leaves the texture";
    for (const Rectangle& other : placed) {
      const bool apart = padded.X + padded.Width <= other.X || other.X + other.Width <= padded.X ||
                         padded.Y + padded.Height <= other.Y || other.Y + other.Height <= padded.Y;
      EXPECT_TRUE(apart) << "glyph " << int(c) << " overlaps another";
    }
    placed.push_back(padded);
  }
  return {edge, digest};
}

std::vector<Rectangle> BoundsOf(const Font& font, std::u16string_view characters) {
  std::vector<Rectangle> bounds;
  for (const char16_t c : characters) bounds.push_back(font.GetGlyph(c).Bounds);
  return bounds;
}

// Every non-empty glyph's atlas pixels are (v, v, v, v) of what bare FreeType renders.
void ExpectImagesMatch(const Font& font, const RecordingTexture& atlas,
                       const ReferenceFace& reference, std::u16string_view characters) {
  for (const char16_t c : characters) {
    const Font::Glyph& glyph = font.GetGlyph(c);
    const ReferenceGlyph expected = reference.Render(c);
    ASSERT_EQ(glyph.Bounds, (Rectangle{0, 0, expected.Width, expected.Rows})) << int(c);
    for (std::int32_t y = 0; y < expected.Rows; ++y) {
      for (std::int32_t x = 0; x < expected.Width; ++x) {
        const std::uint8_t v = expected.Coverage[static_cast<std::size_t>(y * expected.Width + x)];
        ASSERT_EQ(atlas.At(glyph.Position.X + x, glyph.Position.Y + y), Color(v, v, v, v))
            << "character " << int(c) << " at " << x << ", " << y;
      }
    }
  }
}

// A move hands over the face, the glyph records and the atlas: references and textures handed
// out stay valid. Moving onto a font disposes that font's own resources first.
TEST(Font, MovesWithoutCopyingAndDisposesWhatItReplaces) {
  static_assert(!std::is_copy_constructible_v<Font> && !std::is_copy_assignable_v<Font>);
  static_assert(std::is_nothrow_move_constructible_v<Font> &&
                std::is_nothrow_move_assignable_v<Font>);
  FreeTypeManager guard;
  RecordingDevice device;
  Font source(device, MetricsFont(), 18);
  const Font::Glyph& a = source.GetGlyph(u'A');
  const std::shared_ptr<Vennicor::Graphics::Texture2D> atlas = source.GlyphTexture();

  Font moved(std::move(source));
  EXPECT_EQ(&moved.GetGlyph(u'A'), &a);
  EXPECT_EQ(moved.GlyphTexture(), atlas);
  EXPECT_EQ(moved.MeasureString(u"AV").X, 22);

  Font target(device, MetricsFont(), 12);
  const std::shared_ptr<Vennicor::Graphics::Texture2D> replaced = target.GlyphTexture();
  target = std::move(moved);
  EXPECT_TRUE(replaced->IsDisposed());
  EXPECT_FALSE(atlas->IsDisposed());
  EXPECT_EQ(&target.GetGlyph(u'A'), &a);
  EXPECT_EQ(OpenHandlesTo(MetricsFont()), CanCountOpenHandles() ? 1 : 0);
  target.Dispose();
  EXPECT_TRUE(OnlyGuardHeldTheLibrary(guard));
}

class FontConstruction : public testing::TestWithParam<float> {};

// After construction: the 87 preload glyphs in order, each non-empty one placed where the
// packer puts it and uploaded once as exactly its w x h pixels, matching FreeType's rendering,
// with FreeType's advance and offsets; the space empty at (0, 0); nothing else written.
TEST_P(FontConstruction, BuildsTheAtlasFromThePreloadSet) {
  const float size = GetParam();
  RecordingDevice device;
  Font font(device, MetricsFont(), size);
  const ReferenceFace reference(MetricsFont(), size);

  ASSERT_EQ(device.Textures.size(), 1U);
  const RecordingTexture& atlas = *device.Textures[0];
  EXPECT_EQ(font.GlyphTexture().get(), &atlas);
  EXPECT_EQ(atlas.Width(), atlas.Height());
  EXPECT_GE(atlas.Width(), 64);
  EXPECT_EQ(atlas.Width() & (atlas.Width() - 1), 0);

  const PinnedLayout layout = LayoutOf(font, Preload, atlas.Width());
  const std::map<float, PinnedLayout> pinned = {{6.0F, {64, 0xD36C8890C7529CF1ULL}},
                                                {14.0F, {128, 0x9B91B5B90BBCBE6EULL}},
                                                {18.0F, {128, 0xB245C39716EF71F0ULL}},
                                                {32.0F, {256, 0x8FB40E4C65658C0EULL}},
                                                {61.5F, {512, 0xC6700D83C08271ULL}}};
  EXPECT_EQ(layout.Edge, pinned.at(size).Edge);
  EXPECT_EQ(layout.Digest, pinned.at(size).Digest);

  std::vector<Rectangle> expectedUploads;
  for (std::size_t i = 0; i < Preload.size(); ++i) {
    const Font::Glyph& glyph = font.GetGlyph(Preload[i]);
    const ReferenceGlyph expected = reference.Render(Preload[i]);
    SCOPED_TRACE(std::string(1, static_cast<char>(Preload[i])));
    EXPECT_EQ(glyph.Character, Preload[i]);
    EXPECT_EQ(glyph.Advance, (Point{expected.AdvanceX, expected.AdvanceY}));
    EXPECT_EQ(glyph.Offset, (Point{expected.Left, font.Ascent() - expected.Top}));
    EXPECT_EQ(IsEmpty(glyph), Preload[i] == u' ');
    if (IsEmpty(glyph)) {
      EXPECT_EQ(glyph.Position, (Point{0, 0}));
      continue;
    }
    expectedUploads.push_back(
        {glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width, glyph.Bounds.Height});
  }
  EXPECT_EQ(atlas.Uploads, expectedUploads);
  ExpectImagesMatch(font, atlas, reference, Preload);

  const Font::Glyph& space = font.GetGlyph(u' ');
  EXPECT_GT(space.Advance.X, 0);
  EXPECT_EQ(space.Bounds, (Rectangle{}));

  // Outside the glyph rectangles the atlas still reads as transparent black.
  std::vector<bool> written(static_cast<std::size_t>(atlas.Width() * atlas.Height()));
  for (const Rectangle& r : atlas.Uploads) {
    for (std::int32_t y = r.Y; y < r.Y + r.Height; ++y) {
      for (std::int32_t x = r.X; x < r.X + r.Width; ++x) {
        written[static_cast<std::size_t>(y * atlas.Width() + x)] = true;
      }
    }
  }
  for (std::int32_t y = 0; y < atlas.Height(); ++y) {
    for (std::int32_t x = 0; x < atlas.Width(); ++x) {
      if (!written[static_cast<std::size_t>(y * atlas.Width() + x)]) {
        ASSERT_EQ(atlas.At(x, y), Color()) << x << ", " << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontConstruction, testing::Values(6.0F, 14.0F, 18.0F, 32.0F, 61.5F),
                         [](const auto& param) {
                           return "Px" + std::to_string(static_cast<int>(param.param * 10));
                         });

TEST(Font, WorksWithTheSoftwareDevice) {
  Vennicor::Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  Font font(device, MetricsFont(), 18);
  const auto& texture = font.GlyphTexture();
  ASSERT_NE(texture, nullptr);
  const Font::Glyph& a = font.GetGlyph(u'A');
  std::vector<Color> pixels(static_cast<std::size_t>(a.Bounds.Width * a.Bounds.Height));
  texture->GetData(0, Rectangle{a.Position.X, a.Position.Y, a.Bounds.Width, a.Bounds.Height},
                   pixels);
  EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](Color c) { return c.A == 255; }));
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(),
                          [](Color c) { return c.R == c.A && c.G == c.A && c.B == c.A; }));
}

TEST(Font, ControlCharactersGetNoGlyph) {
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  const std::u16string controls = {u'\0', u'\t', u'\n', u'\r', 0x1F, 0x7F, 0x80, 0x85, 0x9F};
  font.EnsureGlyphsExist(controls);
  for (const char16_t c : controls) {
    EXPECT_THROW(static_cast<void>(font.GetGlyph(c)), std::out_of_range) << int(c);
  }
  try {
    static_cast<void>(font.GetGlyph(0x9F));
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "The font has no glyph for character U+009F");
  }
  // The neighbours of the control ranges are ordinary characters.
  font.EnsureGlyphsExist(u"\u00A0\u007E");
  EXPECT_NO_THROW(static_cast<void>(font.GetGlyph(0xA0)));
  EXPECT_THROW(static_cast<void>(font.GetGlyph(u'\u00A1')), std::out_of_range);
}

TEST(Font, MissingCharacterIsCachedAsTheMissingGlyph) {
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  const ReferenceFace reference(MetricsFont(), 18);
  const ReferenceGlyph missing = reference.RenderIndex(0);

  font.EnsureGlyphsExist(u"\u03A9\u03A9");
  const auto& atlas = *std::static_pointer_cast<RecordingTexture>(font.GlyphTexture());
  const Font::Glyph& omega = font.GetGlyph(u'\u03A9');
  EXPECT_EQ(omega.Character, u'\u03A9');
  EXPECT_EQ(omega.Advance.X, missing.AdvanceX);
  ASSERT_EQ(omega.Bounds, (Rectangle{0, 0, missing.Width, missing.Rows}));
  EXPECT_EQ(atlas.Uploads.back(),
            (Rectangle{omega.Position.X, omega.Position.Y, missing.Width, missing.Rows}));
  EXPECT_EQ(atlas.At(omega.Position.X + missing.Width / 2, omega.Position.Y + missing.Rows - 1).A,
            missing.Coverage[static_cast<std::size_t>((missing.Rows - 1) * missing.Width +
                                                      missing.Width / 2)]);
}

TEST(Font, GlyphTextureWithNothingNewUploadsNothing) {
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  const std::size_t uploads = device.UploadCount();
  const auto* first = font.GlyphTexture().get();
  const auto* second = font.GlyphTexture().get();
  EXPECT_EQ(first, second);
  EXPECT_EQ(device.UploadCount(), uploads);
  // Characters that already have glyphs add nothing either.
  font.EnsureGlyphsExist(u"Hello, world");
  EXPECT_EQ(font.GlyphTexture().get(), first);
  EXPECT_EQ(device.UploadCount(), uploads);
  EXPECT_EQ(device.Textures.size(), 1U);
}

TEST(Font, NewGlyphsAreUploadedOnlyAtTheNextUpdate) {
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  const auto& atlas = *device.Textures.back();
  const std::size_t uploads = atlas.Uploads.size();

  font.EnsureGlyphsExist(u"\u0100");
  const Font::Glyph& glyph = font.GetGlyph(u'\u0100');
  EXPECT_GT(glyph.Advance.X, 0);
  EXPECT_EQ(glyph.Bounds, (Rectangle{}));  // not placed until the update
  EXPECT_EQ(atlas.Uploads.size(), uploads);

  font.GlyphTexture();
  ASSERT_EQ(atlas.Uploads.size(), uploads + 1);
  EXPECT_EQ(atlas.Uploads.back(), (Rectangle{glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width,
                                             glyph.Bounds.Height}));
}

// Batches of new glyphs: each update places only the new ones unless one does not fit; then
// the edge doubles once per glyph that does not fit, every glyph is placed again from the
// first and uploaded into a new texture, and the old texture is left alone for its holders.
TEST(Font, GrowthRebuildsTheAtlasAtDoubleEdge) {
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  const ReferenceFace reference(MetricsFont(), 18);
  std::u16string characters(Preload);
  const std::vector<std::size_t> batchSizes = {1, 40, 3, 200, 1, 1, 500, 2, 900};
  const PinnedLayout pinned[] = {
      {128, 0x94BFDD79FE280654ULL}, {256, 0x13B88BA697146446ULL}, {256, 0xEFF478B233805B0CULL},
      {256, 0x59E7502E4EB9A30CULL}, {256, 0x6AD1C4B19B1DC9D6ULL}, {256, 0x3DCDB1C4F8ECBFAULL},
      {512, 0x3774E524CD3FD2B2ULL}, {512, 0x13AD81D48F51CAACULL}, {512, 0x106D5B77A70A29A6ULL}};
  const PinnedLayout* expectedLayout = pinned;
  char16_t next = 0x0400;
  std::set<std::int32_t> edgesSeen{device.Textures.back()->Width()};

  for (const std::size_t batchSize : batchSizes) {
    const std::u16string batch = Unmapped(batchSize, next);
    next = static_cast<char16_t>(next + batchSize);
    const auto previous = device.Textures.back();
    const std::vector<Rectangle> previousUploads = previous->Uploads;
    const std::vector<Rectangle> previousBounds = BoundsOf(font, characters);

    font.EnsureGlyphsExist(batch);
    characters += batch;
    const auto& atlas = *std::static_pointer_cast<RecordingTexture>(font.GlyphTexture());

    const std::vector<Rectangle> bounds = BoundsOf(font, characters);
    ASSERT_EQ(atlas.Height(), atlas.Width());
    const PinnedLayout layout = LayoutOf(font, characters, atlas.Width());
    EXPECT_EQ(layout.Edge, expectedLayout->Edge);
    EXPECT_EQ(layout.Digest, expectedLayout->Digest);
    ++expectedLayout;
    std::vector<Rectangle> expectedUploads;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      const Font::Glyph& glyph = font.GetGlyph(characters[i]);
      if (IsEmpty(glyph)) continue;
      expectedUploads.push_back(
          {glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width, glyph.Bounds.Height});
    }
    // The earlier glyphs keep their sizes through a rebuild.
    for (std::size_t i = 0; i < previousBounds.size(); ++i) ASSERT_EQ(bounds[i], previousBounds[i]);

    if (&atlas == previous.get()) {
      // Only the batch was added, after what was there.
      expectedUploads.erase(
          expectedUploads.begin(),
          expectedUploads.begin() + static_cast<std::ptrdiff_t>(previousUploads.size()));
      const std::vector<Rectangle> added(
          atlas.Uploads.begin() + static_cast<std::ptrdiff_t>(previousUploads.size()),
          atlas.Uploads.end());
      EXPECT_EQ(added, expectedUploads);
    } else {
      EXPECT_EQ(atlas.Width(), 2 * previous->Width()) << "one doubling per glyph that did not fit";
      EXPECT_EQ(atlas.Uploads, expectedUploads);
      EXPECT_FALSE(previous->IsDisposed());
      EXPECT_EQ(previous->Uploads, previousUploads);
      edgesSeen.insert(atlas.Width());
    }
  }
  EXPECT_GE(edgesSeen.size(), 3U) << "the batches should have grown the atlas twice or more";
  ExpectImagesMatch(font, *device.Textures.back(), reference, Preload);
}

TEST(Font, OneUpdateCanDoubleSeveralTimes) {
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  const std::int32_t edge = device.Textures.back()->Width();
  font.EnsureGlyphsExist(Unmapped(1500));
  font.GlyphTexture();
  ASSERT_EQ(device.Textures.size(), 2U) << "one new texture at the final size";
  EXPECT_GE(device.Textures.back()->Width(), 4 * edge);
}

TEST(Font, GlyphReferencesStayValidAndShowAtlasUpdates) {
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  const Font::Glyph& a = font.GetGlyph(u'a');
  const Font::Glyph* address = &a;
  font.EnsureGlyphsExist(Unmapped(3000));
  font.GlyphTexture();
  EXPECT_EQ(&font.GetGlyph(u'a'), address);
  EXPECT_EQ(a.Character, u'a');
  const auto& atlas = *device.Textures.back();
  EXPECT_NE(std::find(atlas.Uploads.begin(), atlas.Uploads.end(),
                      Rectangle{a.Position.X, a.Position.Y, a.Bounds.Width, a.Bounds.Height}),
            atlas.Uploads.end());
}

TEST(Font, AtlasStopsAtTheDevicesLargestTexture) {
  RecordingDevice device;
  device.SetMaxTextureSize(256);
  Font font(device, MetricsFont(), 18);
  font.EnsureGlyphsExist(Unmapped(300));
  const auto texture = font.GlyphTexture();
  ASSERT_EQ(texture->Width(), 256);
  const Font::Glyph& a = font.GetGlyph(u'a');
  const Point aPosition = a.Position;
  const std::size_t uploads = device.UploadCount();

  font.EnsureGlyphsExist(Unmapped(2000, 0x1000));
  try {
    font.GlyphTexture();
    FAIL() << "an atlas beyond the device's largest texture was built";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), Messages::AtlasTooLarge);
  }
  // Nothing changed: same texture, same places, nothing uploaded, and it says so again.
  EXPECT_EQ(device.Textures.back(), texture);
  EXPECT_EQ(a.Position, aPosition);
  EXPECT_EQ(font.GetGlyph(u'\u1000').Bounds, (Rectangle{}));
  EXPECT_EQ(device.UploadCount(), uploads);
  EXPECT_THROW(font.GlyphTexture(), FontException);
}

TEST(Font, DeviceTooSmallForTheFirstAtlasIsRefusedAndReleased) {
  FreeTypeManager guard;
  RecordingDevice device;
  device.SetMaxTextureSize(32);
  try {
    Font font(device, MetricsFont(), 18);
    FAIL() << "constructed without an atlas";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), Messages::AtlasTooLarge);
  }
  EXPECT_TRUE(device.Textures.empty());
  EXPECT_EQ(OpenHandlesTo(MetricsFont()), 0);
  EXPECT_TRUE(OnlyGuardHeldTheLibrary(guard));
}

struct FailingConstruction {
  std::string Name;
  std::string FaceFile;
  float Size;
  const char* Message;
};

void PrintTo(const FailingConstruction& c, std::ostream* out) { *out << c.Name; }

class FontConstructionFailure : public testing::TestWithParam<FailingConstruction> {};

// Every failure closes the face and gives the library reference back before it leaves.
TEST_P(FontConstructionFailure, ReleasesEverything) {
  const FailingConstruction& c = GetParam();
  FreeTypeManager guard;
  RecordingDevice device;
  try {
    Font font(device, FixtureFontText(c.FaceFile), c.Size);
    FAIL() << "constructed";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), c.Message);
  }
  EXPECT_EQ(OpenHandlesTo(MetricsFont()), 0);
  EXPECT_TRUE(OnlyGuardHeldTheLibrary(guard));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FontConstructionFailure,
    testing::Values(
        FailingConstruction{"NaN", "VennicorMetrics.ttf", std::numeric_limits<float>::quiet_NaN(),
                            Messages::CouldNotSetFontSize},
        FailingConstruction{"Infinity", "VennicorMetrics.ttf",
                            std::numeric_limits<float>::infinity(), Messages::CouldNotSetFontSize},
        FailingConstruction{"MinusInfinity", "VennicorMetrics.ttf",
                            -std::numeric_limits<float>::infinity(), Messages::CouldNotSetFontSize},
        // 2^25 pixels is 2^31 in 26.6: one past the 32-bit range.
        FailingConstruction{"TwoToThe25", "VennicorMetrics.ttf", 33554432.0F,
                            Messages::CouldNotSetFontSize},
        FailingConstruction{"Huge", "VennicorMetrics.ttf", 1e30F, Messages::CouldNotSetFontSize},
        FailingConstruction{"MinusHuge", "VennicorMetrics.ttf", -1e30F,
                            Messages::CouldNotSetFontSize},
        // Fits 26.6, but FreeType refuses it.
        FailingConstruction{"RefusedByFreeType", "VennicorMetrics.ttf", 100000.0F,
                            Messages::CouldNotSetFontSize},
        // Bitmap-only: no design units to scale metrics by.
        FailingConstruction{"BitmapOnlyFace", "VennicorBitmap.bdf", 18.0F,
                            Messages::FaceNotScalable},
        FailingConstruction{"NotAFont", "NotAFont.ttf", 18.0F, Messages::ErrorOpeningFontFile}),
    [](const auto& param) { return param.param.Name; });

TEST(Font, SizesBelowOnePixelBecomeOnePixel) {
  for (const float size : {0.5F, 0.0F, -3.0F}) {
    RecordingDevice device;
    Font font(device, MetricsFont(), size);
    EXPECT_EQ(font.LineHeight(), 1) << size;  // (800 + 200) x 1 / 1000
  }
}

TEST(Font, DisposeReleasesInOrderAndOnlyOnce) {
  FreeTypeManager guard;
  RecordingDevice device;
  {
    Font font(device, MetricsFont(), 18);
    font.EnsureGlyphsExist(Unmapped(400));
    font.GlyphTexture();
    ASSERT_GE(device.Textures.size(), 2U);
    const Font::Glyph& a = font.GetGlyph(u'a');
    if (CanCountOpenHandles()) {
      EXPECT_EQ(OpenHandlesTo(MetricsFont()), 1);
    }

    font.Dispose();
    EXPECT_EQ(OpenHandlesTo(MetricsFont()), 0);
    EXPECT_TRUE(device.Textures.back()->IsDisposed());
    for (std::size_t i = 0; i + 1 < device.Textures.size(); ++i) {
      EXPECT_FALSE(device.Textures[i]->IsDisposed()) << "a replaced atlas is only dropped";
    }
    font.Dispose();
    EXPECT_EQ(a.Character, u'a');  // glyph records outlive Dispose
    EXPECT_EQ(&font.GetGlyph(u'a'), &a);
  }  // the destructor after Dispose releases nothing more either
  EXPECT_NE(guard.GetLibraryInstance(), nullptr);
  EXPECT_TRUE(OnlyGuardHeldTheLibrary(guard));
}

TEST(Font, DestructorReleasesEverything) {
  FreeTypeManager guard;
  RecordingDevice device;
  { Font font(device, MetricsFont(), 18); }
  EXPECT_TRUE(device.Textures.back()->IsDisposed());
  EXPECT_EQ(OpenHandlesTo(MetricsFont()), 0);
  EXPECT_TRUE(OnlyGuardHeldTheLibrary(guard));
}

TEST(Font, LastFontTakesTheLibraryDown) {
  RecordingDevice device;
  auto first = std::make_unique<Font>(device, MetricsFont(), 18);
  auto second = std::make_unique<Font>(device, MetricsFont(), 14);
  FreeTypeManager probe;
  probe.Dispose();  // GetLibraryInstance still reports the shared library
  first.reset();
  EXPECT_NE(probe.GetLibraryInstance(), nullptr);
  second->Dispose();
  EXPECT_EQ(probe.GetLibraryInstance(), nullptr);
}

TEST(Font, DisposeReleasesTheLibraryEvenWhenTheTextureThrows) {
  FreeTypeManager guard;
  RecordingDevice device;
  Font font(device, MetricsFont(), 18);
  device.Textures.back()->ThrowOnDispose = true;
  EXPECT_THROW(font.Dispose(), std::runtime_error);
  EXPECT_EQ(OpenHandlesTo(MetricsFont()), 0);
  EXPECT_NO_THROW(font.Dispose());
  EXPECT_TRUE(OnlyGuardHeldTheLibrary(guard));
}

void ExpectRefusedAsDisposed(Font& font);

// A disposed font and a moved-from one behave alike.
TEST(Font, MembersThatNeedTheFaceRefuseAfterDisposeOrMove) {
  RecordingDevice device;
  Font disposed(device, MetricsFont(), 18);
  disposed.Dispose();
  Font movedFrom(device, MetricsFont(), 18);
  const Font taker(std::move(movedFrom));
  for (Font* font : {&disposed, &movedFrom}) {
    ExpectRefusedAsDisposed(*font);
  }
  EXPECT_NO_THROW(movedFrom.Dispose());
  EXPECT_THROW(static_cast<void>(movedFrom.GetGlyph(u'A')), std::out_of_range);
}

void ExpectRefusedAsDisposed(Font& font) {
  const auto expectDisposed = [](const auto& call) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const FontException& error) {
      EXPECT_STREQ(error.what(), Messages::FontDisposed);
    }
  };
  expectDisposed([&] { font.GlyphTexture(); });
  expectDisposed([&] { font.EnsureGlyphsExist(u"\u0100"); });
  expectDisposed([&] { font.EnsureGlyphsExist(u"a"); });
  expectDisposed([&] { static_cast<void>(font.LineHeight()); });
  expectDisposed([&] { static_cast<void>(font.Ascent()); });
  expectDisposed([&] { static_cast<void>(font.Descent()); });
  expectDisposed([&] { static_cast<void>(font.Leading()); });
  expectDisposed([&] { static_cast<void>(font.Spacing()); });
  expectDisposed([&] { static_cast<void>(font.GetKerning(u'A', u'V')); });
  expectDisposed([&] { static_cast<void>(font.MeasureString(u"AV")); });
  expectDisposed([&] { static_cast<void>(font.MeasureString(u"AV", u'A')); });
  expectDisposed([&] { static_cast<void>(font.MeasureWidth(u"AV", 0)); });
  expectDisposed([&] { static_cast<void>(font.MeasureString(std::vector<char16_t>{u'A'})); });
}

}  // namespace
