#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "graphics/Texture2D.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "graphics/software/SoftwareTexture2D.h"
#include "tests/support/GraphicsTestDoubles.h"

using namespace Vennicor::Graphics;

static_assert(!std::is_copy_constructible_v<Texture2D>);
static_assert(!std::is_copy_assignable_v<Texture2D>);

namespace {

std::vector<Color> Numbered(std::size_t count, int start = 1) {
  std::vector<Color> colors(count);
  for (std::size_t i = 0; i < count; ++i) {
    const int n = start + static_cast<int>(i);
    colors[i] = Color(n, n * 2, n * 3, 255);
  }
  return colors;
}

std::vector<Color> ReadAll(const Texture2D& texture) {
  std::vector<Color> texels(static_cast<std::size_t>(texture.Width()) *
                            static_cast<std::size_t>(texture.Height()));
  texture.GetData(texels);
  return texels;
}

// Both the software backend's texture and the test double go through the same validation.
struct TextureKind {
  const char* Name;
  std::shared_ptr<Texture2D> (*Create)(std::int32_t width, std::int32_t height);
};

class TextureTest : public ::testing::TestWithParam<TextureKind> {
 protected:
  std::shared_ptr<Texture2D> Create(std::int32_t width, std::int32_t height) {
    return GetParam().Create(width, height);
  }
};

TEST_P(TextureTest, ReadsAsTransparentBlackUntilWritten) {
  const auto texture = Create(3, 2);
  EXPECT_EQ(texture->Width(), 3);
  EXPECT_EQ(texture->Height(), 2);
  EXPECT_EQ(texture->Format(), SurfaceFormat::Color);
  EXPECT_EQ(ReadAll(*texture), std::vector<Color>(6, Color()));
}

TEST_P(TextureTest, RectangleWritesAndReadsRowByRow) {
  const auto texture = Create(4, 3);
  // Write 2 × 2 at (1, 1):   . . . .
  //                          . 1 2 .
  //                          . 3 4 .
  const auto block = Numbered(4);
  texture->SetData(0, Rectangle{1, 1, 2, 2}, block);
  const auto all = ReadAll(*texture);
  EXPECT_EQ(all[5], block[0]);
  EXPECT_EQ(all[6], block[1]);
  EXPECT_EQ(all[9], block[2]);
  EXPECT_EQ(all[10], block[3]);
  EXPECT_EQ(all[0], Color());
  EXPECT_EQ(all[7], Color());
  EXPECT_EQ(all[11], Color());

  std::vector<Color> readBack(4);
  texture->GetData(0, Rectangle{1, 1, 2, 2}, readBack);
  EXPECT_EQ(readBack, block);
  std::vector<Color> column(3);
  texture->GetData(0, Rectangle{2, 0, 1, 3}, column);
  EXPECT_EQ(column, (std::vector<Color>{Color(), block[1], block[3]}));
}

TEST_P(TextureTest, WholeLevelWhenNoRectangle) {
  const auto texture = Create(2, 2);
  const auto all = Numbered(4, 10);
  texture->SetData(all);
  EXPECT_EQ(ReadAll(*texture), all);
  texture->SetData(0, std::nullopt, Numbered(4, 20));
  EXPECT_EQ(ReadAll(*texture), Numbered(4, 20));
}

TEST_P(TextureTest, BadDataCallsThrowAndChangeNothing) {
  const auto texture = Create(4, 3);
  const auto original = Numbered(12);
  texture->SetData(original);

  struct Case {
    const char* Name;
    std::int32_t Level;
    std::optional<Rectangle> Area;
    std::size_t Length;
  };
  const Case cases[] = {
      {"right of the texture", 0, Rectangle{3, 0, 2, 1}, 2},
      {"below the texture", 0, Rectangle{0, 2, 1, 2}, 2},
      {"negative x", 0, Rectangle{-1, 0, 1, 1}, 1},
      {"negative y", 0, Rectangle{0, -1, 1, 1}, 1},
      {"negative width", 0, Rectangle{2, 0, -1, 1}, 1},
      {"negative height", 0, Rectangle{0, 2, 1, -1}, 1},
      {"x + width overflows", 0, Rectangle{2, 0, INT_MAX, 1}, 1},
      {"y + height overflows", 0, Rectangle{0, 1, 1, INT_MAX}, 1},
      {"too little data", 0, Rectangle{0, 0, 2, 2}, 3},
      {"too much data", 0, Rectangle{0, 0, 2, 2}, 5},
      {"whole level, short", 0, std::nullopt, 11},
      {"level 1 without mipmaps", 1, std::nullopt, 4},
      {"negative level", -1, std::nullopt, 12},
      {"absurd level", 40, std::nullopt, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::vector<Color> written(c.Length, Color(9, 9, 9, 9));
    EXPECT_THROW(texture->SetData(c.Level, c.Area, written), std::invalid_argument);
    std::vector<Color> read(c.Length, Color(7, 7, 7, 7));
    EXPECT_THROW(texture->GetData(c.Level, c.Area, read), std::invalid_argument);
    EXPECT_EQ(read, std::vector<Color>(c.Length, Color(7, 7, 7, 7))) << "GetData wrote";
    EXPECT_EQ(ReadAll(*texture), original) << "SetData wrote";
  }
}

TEST_P(TextureTest, UseAfterDisposeThrows) {
  const auto texture = Create(2, 2);
  texture->Dispose();
  texture->Dispose();  // idempotent
  EXPECT_TRUE(texture->IsDisposed());
  std::vector<Color> data(4, Color(7, 7, 7, 7));
  EXPECT_THROW(texture->SetData(data), std::logic_error);
  EXPECT_THROW(texture->GetData(data), std::logic_error);
  EXPECT_EQ(data, std::vector<Color>(4, Color(7, 7, 7, 7)));
  // Disposal is checked first: even a malformed call reports the disposed texture.
  EXPECT_THROW(texture->SetData(3, Rectangle{-1, 0, 9, 9}, data), std::logic_error);
}

INSTANTIATE_TEST_SUITE_P(
    Backends, TextureTest,
    ::testing::Values(TextureKind{"Software",
                                  [](std::int32_t w, std::int32_t h) -> std::shared_ptr<Texture2D> {
                                    return std::make_shared<Software::SoftwareTexture2D>(
                                        w, h, false, SurfaceFormat::Color);
                                  }},
                      TextureKind{"TestDouble",
                                  [](std::int32_t w, std::int32_t h) -> std::shared_ptr<Texture2D> {
                                    return std::make_shared<Testing::RecordingTexture>(w, h);
                                  }}),
    [](const auto& testCase) { return std::string(testCase.param.Name); });

TEST(Texture2D, MipmapLevelsHalveDownToOneTexel) {
  Software::SoftwareTexture2D texture(8, 3, true, SurfaceFormat::Color);
  EXPECT_EQ(texture.LevelCount(), 4);  // 8, 4, 2, 1 wide
  EXPECT_EQ(texture.LevelWidth(2), 2);
  EXPECT_EQ(texture.LevelHeight(2), 1);
  EXPECT_EQ(texture.LevelHeight(3), 1);
  const auto level2 = Numbered(2);
  texture.SetData(2, std::nullopt, level2);
  std::vector<Color> read(2);
  texture.GetData(2, std::nullopt, read);
  EXPECT_EQ(read, level2);
  EXPECT_EQ(ReadAll(texture), std::vector<Color>(24, Color())) << "level 0 untouched";
  EXPECT_THROW(texture.SetData(4, std::nullopt, std::vector<Color>(1)), std::invalid_argument);
  EXPECT_THROW((void)texture.LevelWidth(4), std::out_of_range);
  EXPECT_THROW((void)texture.LevelWidth(-1), std::out_of_range);
}

TEST(SoftwareGraphicsDevice, CreatesTexturesUpToItsMaximumEdge) {
  Software::SoftwareGraphicsDevice device(4, 4);
  EXPECT_EQ(device.MaxTextureSize(), 16384);
  device.SetMaxTextureSize(64);
  EXPECT_EQ(device.MaxTextureSize(), 64);
  const auto texture = device.CreateTexture2D(64, 1, false, SurfaceFormat::Color);
  EXPECT_EQ(texture->Width(), 64);

  const std::pair<std::int32_t, std::int32_t> badSizes[] = {
      {0, 1}, {1, 0}, {-1, 5}, {5, -1}, {65, 1}, {1, 65}, {INT_MIN, INT_MAX}, {INT_MAX, 1}};
  for (const auto& [width, height] : badSizes) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    EXPECT_THROW((void)device.CreateTexture2D(width, height, false, SurfaceFormat::Color),
                 std::invalid_argument);
  }
  EXPECT_THROW(device.SetMaxTextureSize(0), std::invalid_argument);
  EXPECT_EQ(device.MaxTextureSize(), 64);
}

TEST(SoftwareGraphicsDevice, RejectsEmptyBackBuffers) {
  EXPECT_THROW(Software::SoftwareGraphicsDevice(0, 1), std::invalid_argument);
  EXPECT_THROW(Software::SoftwareGraphicsDevice(1, -1), std::invalid_argument);
}

TEST(Texture2D, ConstructorRejectsNonPositiveSizes) {
  EXPECT_THROW(Testing::RecordingTexture(0, 3), std::invalid_argument);
  EXPECT_THROW(Testing::RecordingTexture(3, -2), std::invalid_argument);
}

}  // namespace
