// Bad inputs, one table: corrupt, truncated and unusual font files, sizes, names, huge and odd
// texts, and a device whose textures fail at each step. Each case names the error it must raise
// (or none), and then the font must still work: it measures, renders and draws as a fresh one
// does. A case whose constructor fails must leave no file handle and no FreeType user behind.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/sources/FreeTypeManager.h"
#include "graphics/SpriteBatch.h"
#include "tests/support/FontTestSupport.h"

namespace {

using namespace Vennicor;
using Font::FontException;
using Font::FreeTypeManager;
using Font::Testing::FixtureFont;
using Font::Testing::FixtureFontText;
using Graphics::Color;
using Graphics::Rectangle;
using Graphics::Texture2D;
namespace Messages = Font::Messages;

constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// A texture that keeps its texels and fails the upload the device's countdown says.
class FlakyTexture final : public Texture2D {
 public:
  FlakyTexture(std::int32_t width, std::int32_t height, int& uploadsBeforeFailure)
      : Texture2D(width, height, Graphics::SurfaceFormat::Color),
        uploadsBeforeFailure(uploadsBeforeFailure),
        texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override {
    const Rectangle area = CheckDataCall(level, rectangle, data.size());
    if (uploadsBeforeFailure == 0) throw std::runtime_error("upload failed");
    if (uploadsBeforeFailure > 0) --uploadsBeforeFailure;
    for (std::int32_t y = 0; y < area.Height; ++y) {
      for (std::int32_t x = 0; x < area.Width; ++x) {
        texels[Index(area.X + x, area.Y + y)] = data[static_cast<std::size_t>(y * area.Width + x)];
      }
    }
  }
  void GetData(std::int32_t, std::optional<Rectangle>, std::span<Color>) const override {}
  void Dispose() override {
    Texture2D::Dispose();
    if (ThrowOnDispose) throw std::runtime_error("dispose failed");
  }
  Color At(std::int32_t x, std::int32_t y) const { return texels[Index(x, y)]; }
  bool ThrowOnDispose = false;

 private:
  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) +
           static_cast<std::size_t>(x);
  }
  int& uploadsBeforeFailure;
  std::vector<Color> texels;
};

// A device whose texture creation and uploads fail on command (-1: never).
class FlakyDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Texture2D> CreateTexture2D(std::int32_t width, std::int32_t height, bool,
                                             Graphics::SurfaceFormat) override {
    CheckTextureSize(width, height);
    if (CreationsBeforeFailure == 0) throw std::runtime_error("texture creation failed");
    if (CreationsBeforeFailure > 0) --CreationsBeforeFailure;
    auto texture = std::make_shared<FlakyTexture>(width, height, UploadsBeforeFailure);
    Textures.push_back(texture);
    return texture;
  }
  void DrawSprites(std::span<const Graphics::SpriteQuad> sprites,
                   const Graphics::SpriteRenderState&) override {
    Sprites += sprites.size();
  }
  std::int32_t MaxTextureSize() const override { return Largest; }
  void Recover() { CreationsBeforeFailure = UploadsBeforeFailure = -1; }

  int CreationsBeforeFailure = -1;
  int UploadsBeforeFailure = -1;
  std::int32_t Largest = DefaultMaxTextureSize;
  std::size_t Sprites = 0;
  std::vector<std::shared_ptr<FlakyTexture>> Textures;
};

std::u16string Metrics() { return FixtureFontText("VennicorMetrics.ttf"); }

std::u16string Unmapped(std::size_t count, char16_t first) {
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char16_t>(first + i);
  return text;
}

// Tells this process's files from those of other test processes running at the same time.
unsigned ProcessTag() {
  static const unsigned tag = std::random_device{}();
  return tag;
}

// A font file of the test's own making, removed with the case.
struct TemporaryFile {
  explicit TemporaryFile(const std::string& bytes)
      : Path(std::filesystem::temp_directory_path() /
             ("vennicor-bad-input-" + std::to_string(ProcessTag()) + "-" +
              std::to_string(++counter) + ".ttf")) {
    std::ofstream(Path, std::ios::binary) << bytes;
  }
  ~TemporaryFile() {
    std::error_code ignored;
    std::filesystem::remove(Path, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  std::u16string Text() const { return Path.u16string(); }
  std::filesystem::path Path;
  static inline int counter = 0;
};

std::string FixtureBytes(const std::string& name) {
  std::ifstream file(FixtureFont(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The metrics fixture with `count` bytes from `offset` overwritten by `fill`, or cut at `size`.
std::string Corrupted(std::size_t offset, std::size_t count, char fill) {
  std::string bytes = FixtureBytes("VennicorMetrics.ttf");
  for (std::size_t i = offset; i < offset + count && i < bytes.size(); ++i) bytes[i] = fill;
  return bytes;
}
std::string Truncated(double fraction) {
  const std::string bytes = FixtureBytes("VennicorMetrics.ttf");
  return bytes.substr(0, static_cast<std::size_t>(static_cast<double>(bytes.size()) * fraction));
}

struct Context {
  FlakyDevice Device;
  std::unique_ptr<Font::Font> Subject;
  std::unique_ptr<TemporaryFile> File;
  // The face opened by the case, when it is a file, for the handle count.
  std::optional<std::filesystem::path> OpenedFile;

  void Open(const std::u16string& face, float size,
            Font::FontStyle style = Font::FontStyle::Regular) {
    Subject = std::make_unique<Font::Font>(Device, face, size, style);
  }
  void OpenBytes(const std::string& bytes, float size = 18) {
    File = std::make_unique<TemporaryFile>(bytes);
    OpenedFile = File->Path;
    Open(File->Text(), size);
  }
  Font::Font& Ready() {
    if (!Subject) Open(Metrics(), 18);
    return *Subject;
  }
  void Draw(std::u16string_view text, Graphics::Vector2 position = {1, 1},
            Graphics::Vector2 scale = {1, 1}, float rotation = 0) {
    Graphics::SpriteBatch batch(Device);
    batch.Begin();
    Font::SpriteBatchEx::DrawString(batch, Ready(), text, position, Color::White(), rotation,
                                    {0, 0}, scale, Graphics::SpriteEffects::None, 0, 0);
    batch.End();
  }
};

// What must hold after the case: a working 18 px fixture font, a font that opened an unusual
// input and still measures and draws, a disposed font, or no font at all.
enum class After { Works, Opens, Disposed, NoFont };

struct BadInput {
  const char* Name;
  std::function<void(Context&)> Act;
  std::string Expected;  // the error's message; empty for none
  After Then = After::Works;
};

void PrintTo(const BadInput& input, std::ostream* out) { *out << input.Name; }

int OpenHandlesTo(const std::filesystem::path& path) {
  std::error_code error;
  const std::string target = std::filesystem::weakly_canonical(path, error).string();
  std::ifstream maps("/proc/self/maps");
  int count = 0;
  for (std::string line; std::getline(maps, line);) {
    if (line.size() >= target.size() &&
        line.compare(line.size() - target.size(), target.size(), target) == 0) {
      ++count;
    }
  }
  return count;
}

// The font measures, renders and draws as a fresh one: "AV" kerned at 18 px is 12 - 1 + 11.
void ExpectWorks(Context& context) {
  FlakyDevice& device = context.Device;
  device.Recover();
  Font::Font& font = *context.Subject;
  const float expectedWidth = 22;
  EXPECT_EQ(font.MeasureString(u"AV").X, expectedWidth);
  EXPECT_EQ(font.LineHeight(), 18);
  const std::size_t before = device.Sprites;
  context.Draw(u"AV A");
  EXPECT_EQ(device.Sprites - before, 4U);
  // The A's image is in its page, uploaded: its middle column has ink.
  const Font::Font::Glyph& a = font.GetGlyph(u'A');
  const auto& page = static_cast<const FlakyTexture&>(*font.AtlasPageTexture(a.Page));
  int ink = 0;
  for (std::int32_t y = 0; y < a.Bounds.Height; ++y) {
    ink += page.At(a.Position.X + a.Bounds.Width / 2, a.Position.Y + y).A;
  }
  EXPECT_GT(ink, 0) << "the glyph's image is missing from its page";
}

class BadInputs : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputs, RaiseTheExpectedErrorAndLeaveAWorkingFontOrNothing) {
  const BadInput& input = GetParam();
  FreeTypeManager guard;
  std::string message;
  {
    Context context;
    try {
      input.Act(context);
    } catch (const std::exception& error) {
      message = error.what();
    }
    EXPECT_EQ(message, input.Expected);
    switch (input.Then) {
      case After::Works:
        ASSERT_TRUE(context.Subject) << "no font to check";
        ExpectWorks(context);
        break;
      case After::Opens: {
        ASSERT_TRUE(context.Subject) << "the font did not open";
        EXPECT_TRUE(std::isfinite(context.Subject->MeasureString(u"AV").X));
        const std::size_t before = context.Device.Sprites;
        context.Draw(u"AV");
        EXPECT_EQ(context.Device.Sprites - before, 2U);
        break;
      }
      case After::Disposed:
        ASSERT_TRUE(context.Subject);
        EXPECT_THROW(context.Subject->MeasureString(u"A"), FontException);
        break;
      case After::NoFont:
        EXPECT_FALSE(context.Subject) << "the constructor did not fail";
        break;
    }
    if (input.Then == After::NoFont && context.OpenedFile) {
      EXPECT_EQ(OpenHandlesTo(*context.OpenedFile), 0) << "the face's file stayed open";
    }
  }
  // Every font is gone: only the guard holds FreeType.
  guard.Dispose();
  EXPECT_EQ(guard.GetLibraryInstance(), nullptr) << "a FreeType user was left behind";
}

const std::string NotFound = Messages::FontNotFound;
// Windows reads "file.ttf/" as the file itself, which FreeType then cannot open by that name;
// elsewhere it names nothing and the text is looked up as a family name.
#ifdef _WIN32
const std::string TrailingSlashResult = Messages::ErrorOpeningFontFile;
#else
const std::string TrailingSlashResult = NotFound;
#endif
const std::string BadFile = Messages::ErrorOpeningFontFile;
const std::string BadSize = Messages::CouldNotSetFontSize;
const std::string TooLarge = Messages::AtlasTooLarge;

INSTANTIATE_TEST_SUITE_P(
    Table, BadInputs,
    testing::Values(
        // Font files.
        BadInput{"Garbage", [](Context& c) { c.Open(FixtureFontText("NotAFont.ttf"), 18); },
                 BadFile, After::NoFont},
        BadInput{"EmptyFile", [](Context& c) { c.OpenBytes(""); }, BadFile, After::NoFont},
        BadInput{"OneByte", [](Context& c) { c.OpenBytes("\x01"); }, BadFile, After::NoFont},
        BadInput{"OnlyTheHeader", [](Context& c) { c.OpenBytes(Truncated(0.01)); }, BadFile,
                 After::NoFont},
        BadInput{"CutInTheTableDirectory", [](Context& c) { c.OpenBytes(Truncated(0.05)); },
                 BadFile, After::NoFont},
        // FreeType reads glyph data lazily: the preloaded glyphs lie in the first half.
        BadInput{"CutInHalf", [](Context& c) { c.OpenBytes(Truncated(0.5)); }, "", After::Opens},
        BadInput{"TableDirectoryZeroed", [](Context& c) { c.OpenBytes(Corrupted(12, 200, 0)); },
                 BadFile, After::NoFont},
        BadInput{"TableDirectoryFilled",
                 [](Context& c) { c.OpenBytes(Corrupted(12, 200, '\xff')); }, BadFile,
                 After::NoFont},
        BadInput{"OpenTypeMagicThenGarbage",
                 [](Context& c) { c.OpenBytes("OTTO" + std::string(60, '\x7f')); }, BadFile,
                 After::NoFont},
        BadInput{"EmptyCollection",
                 [](Context& c) { c.OpenBytes(std::string("ttcf\0\1\0\0\0\0\0\0", 12)); }, BadFile,
                 After::NoFont},
        BadInput{"BitmapOnlyFace",
                 [](Context& c) { c.Open(FixtureFontText("VennicorBitmap.bdf"), 18); },
                 Messages::FaceNotScalable, After::NoFont},
        BadInput{"TrueTypeUnderAnotherExtension",
                 [](Context& c) { c.Open(FixtureFontText("installed/VennicorShy.pfb"), 18); }, "",
                 After::Opens},
        BadInput{"MissingFile",
                 [](Context& c) { c.Open(FixtureFontText("installed/NoSuchFont.ttf"), 18); },
                 NotFound, After::NoFont},
        BadInput{"Folder", [](Context& c) { c.Open(FixtureFontText("installed"), 18); }, NotFound,
                 After::NoFont},
        // Sizes.
        BadInput{"SizeNaN", [](Context& c) { c.Open(Metrics(), NaN); }, BadSize, After::NoFont},
        BadInput{"SizeInfinite", [](Context& c) { c.Open(Metrics(), Inf); }, BadSize,
                 After::NoFont},
        BadInput{"SizeMinusInfinite", [](Context& c) { c.Open(Metrics(), -Inf); }, BadSize,
                 After::NoFont},
        BadInput{"SizeBeyond26Dot6", [](Context& c) { c.Open(Metrics(), 33554432.0F); }, BadSize,
                 After::NoFont},
        BadInput{"SizeHuge", [](Context& c) { c.Open(Metrics(), 1e30F); }, BadSize, After::NoFont},
        BadInput{"SizeZeroIsOnePixel", [](Context& c) { c.Open(Metrics(), 0); }, "", After::Opens},
        BadInput{"SizeDenormal", [](Context& c) { c.Open(Metrics(), 1e-40F); }, "", After::Opens},
        BadInput{"SizeNegative", [](Context& c) { c.Open(Metrics(), -18); }, "", After::Opens},
        BadInput{"GlyphsLargerThanAnyTexture",
                 [](Context& c) {
                   c.Device.Largest = 256;
                   c.Open(Metrics(), 400);
                 },
                 TooLarge, After::NoFont},
        // 32,000-unit glyph boxes on a 16-unit em: refused from the outline's box, at once and
        // without rendering gigabytes (this case hung before).
        BadInput{"GlyphBoxesBeyondAnyTexture",
                 [](Context& c) { c.OpenBytes(FixtureBytes("hostile/VennicorHugeBoxes.ttf"), 16); },
                 TooLarge, After::NoFont},
        BadInput{"DistanceFieldWithOutlines",
                 [](Context& c) {
                   Font::FontOptions options;
                   options.DistanceField = true;
                   options.OutlineThickness = 2;
                   c.Subject = std::make_unique<Font::Font>(c.Device, Metrics(), 18,
                                                            Font::FontStyle::Regular, options);
                 },
                 Messages::OutlineWithDistanceField, After::NoFont},
        // 9,000 edges a glyph: refused before a multi-channel field spends time on them.
        BadInput{"MultiChannelFieldOfTooManyEdges",
                 [](Context& c) {
                   Font::FontOptions options;
                   options.DistanceField = true;
                   options.MultiChannel = true;
                   c.File =
                       std::make_unique<TemporaryFile>(FixtureBytes("hostile/VennicorZigzag.ttf"));
                   c.OpenedFile = c.File->Path;
                   c.Subject = std::make_unique<Font::Font>(c.Device, c.File->Text(), 18,
                                                            Font::FontStyle::Regular, options);
                 },
                 Messages::ErrorLoadingGlyph, After::NoFont},
        BadInput{"DeviceBelowTheFirstPage",
                 [](Context& c) {
                   c.Device.Largest = 32;
                   c.Open(Metrics(), 18);
                 },
                 TooLarge, After::NoFont},
        // Names.
        BadInput{"EmptyName", [](Context& c) { c.Open(u"", 18); }, NotFound, After::NoFont},
        BadInput{"OnlyANull", [](Context& c) { c.Open(std::u16string(1, u'\0'), 18); }, NotFound,
                 After::NoFont},
        BadInput{"PathWithANullAfterIt",
                 [](Context& c) { c.Open(Metrics() + std::u16string(1, u'\0'), 18); }, NotFound,
                 After::NoFont},
        BadInput{"LoneSurrogateName", [](Context& c) { c.Open(u"Vennicor \xD800", 18); }, NotFound,
                 After::NoFont},
        BadInput{"VeryLongName", [](Context& c) { c.Open(std::u16string(100000, u'x'), 18); },
                 NotFound, After::NoFont},
        BadInput{"PathWithTrailingSlash", [](Context& c) { c.Open(Metrics() + u"/", 18); },
                 TrailingSlashResult, After::NoFont},
        // Texts on a working font.
        BadInput{"MillionCharacters",
                 [](Context& c) {
                   EXPECT_EQ(c.Ready().MeasureString(std::u16string(1000000, u'B')).X, 1e7F);
                 },
                 ""},
        BadInput{"ThousandsOfNewCharacters", [](Context& c) { c.Draw(Unmapped(3000, 0x3000)); },
                 ""},
        BadInput{"OnlyControlCharacters",
                 [](Context& c) { EXPECT_EQ(c.Ready().MeasureString(u"\x01\x02\x7f\x85").X, 0); },
                 ""},
        BadInput{"LoneSurrogatesInText", [](Context& c) { c.Draw(u"\xD800 A \xDC00 V"); }, ""},
        BadInput{"EmbeddedNulls", [](Context& c) { c.Draw(std::u16string(u"A\0V\0", 4)); }, ""},
        BadInput{"NaNPosition",
                 [](Context& c) {
                   c.Draw(u"AV", {NaN, NaN});
                 },
                 ""},
        BadInput{"InfiniteScale",
                 [](Context& c) {
                   c.Draw(u"AV", {0, 0}, {Inf, -Inf});
                 },
                 ""},
        BadInput{"NaNRotation",
                 [](Context& c) {
                   c.Draw(u"AV", {3, 3}, {1, 1}, NaN);
                 },
                 ""},
        BadInput{"GlyphNeverCached", [](Context& c) { (void)c.Ready().GetGlyph(u'\u4e2d'); },
                 "The font has no glyph for character U+4E2D"},
        BadInput{"KerningOfUnmappedCharacters",
                 [](Context& c) { EXPECT_EQ(c.Ready().GetKerning(u'\x4e2d', u'\x4e2e').X, 0); },
                 ""},
        BadInput{"UseAfterDispose",
                 [](Context& c) {
                   c.Ready().Dispose();
                   c.Ready().Dispose();
                   (void)c.Ready().LineHeight();
                 },
                 Messages::FontDisposed, After::Disposed},
        // Device and texture failures, at each step.
        BadInput{"FirstTextureRefused",
                 [](Context& c) {
                   c.Device.CreationsBeforeFailure = 0;
                   c.Open(Metrics(), 18);
                 },
                 "texture creation failed", After::NoFont},
        BadInput{"FirstUploadFails",
                 [](Context& c) {
                   c.Device.UploadsBeforeFailure = 0;
                   c.Open(Metrics(), 18);
                 },
                 "upload failed", After::NoFont},
        BadInput{"LaterUploadFailsAtConstruction",
                 [](Context& c) {
                   c.Device.UploadsBeforeFailure = 40;
                   c.Open(Metrics(), 18);
                 },
                 "upload failed", After::NoFont},
        BadInput{"GrowthTextureRefused",
                 [](Context& c) {
                   c.Ready();
                   c.Device.CreationsBeforeFailure = 0;
                   c.Draw(Unmapped(300, 0x0400));
                 },
                 "texture creation failed"},
        BadInput{"UploadFailsAfterGrowth",
                 [](Context& c) {
                   c.Ready();
                   c.Device.UploadsBeforeFailure = 5;
                   c.Draw(Unmapped(300, 0x0400));
                 },
                 "upload failed"},
        BadInput{"NewPageRefused",
                 [](Context& c) {
                   c.Device.Largest = 64;
                   c.Ready();
                   c.Device.CreationsBeforeFailure = 0;
                   c.Draw(Unmapped(100, 0x0400));
                 },
                 "texture creation failed"},
        BadInput{"UploadToANewPageFails",
                 [](Context& c) {
                   c.Device.Largest = 64;
                   c.Ready();
                   c.Device.UploadsBeforeFailure = 3;
                   c.Draw(Unmapped(100, 0x0400));
                 },
                 "upload failed"},
        BadInput{"EmptiedPageRefused",
                 [](Context& c) {
                   c.Device.Largest = 64;
                   c.Ready().SetAtlasPageLimit(1);
                   c.Draw(Unmapped(60, 0x0400));
                   c.Device.CreationsBeforeFailure = 0;
                   c.Draw(Unmapped(60, 0x0500));
                 },
                 "texture creation failed"},
        BadInput{"PageLimitBelowOne",
                 [](Context& c) {
                   c.Device.Largest = 64;
                   c.Ready().SetAtlasPageLimit(-5);
                   c.Draw(Unmapped(200, 0x0400));
                 },
                 ""},
        BadInput{"TextureDisposeFails",
                 [](Context& c) {
                   c.Ready();
                   c.Device.Textures.front()->ThrowOnDispose = true;
                   c.Subject->Dispose();
                 },
                 "dispose failed", After::Disposed}),
    [](const auto& test) { return std::string(test.param.Name); });

}  // namespace
