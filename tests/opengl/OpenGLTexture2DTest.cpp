#include <epoxy/gl.h>

#include <numeric>
#include <stdexcept>

#include "graphics/opengl/OpenGLTexture2D.h"
#include "opengl/GlTestFixture.h"

namespace Vennicor::Graphics::OpenGL::Testing {
namespace {

std::vector<Color> Numbered(std::size_t count, int seed) {
  std::vector<Color> texels(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto n = static_cast<int>(i) + seed;
    texels[i] = Color(n % 251, (n * 7) % 253, (n * 13) % 256, 255 - n % 200);
  }
  return texels;
}

using OpenGLTexture2D = GlTest;

TEST_P(OpenGLTexture2D, StartsTransparentAndReadsBackWhatWasWritten) {
  auto texture = device->CreateTexture2D(37, 21, false, SurfaceFormat::Color);
  std::vector<Color> read(37 * 21, Color::White());
  texture->GetData(read);
  EXPECT_EQ(std::count(read.begin(), read.end(), Color()), 37 * 21);

  const auto whole = Numbered(37 * 21, 0);
  texture->SetData(whole);
  texture->GetData(read);
  EXPECT_EQ(read, whole);

  // Rectangles at edges and in the middle, written and read back alone; odd widths catch a
  // wrong row stride or alignment.
  const Rectangle rectangles[] = {
      {0, 0, 1, 1}, {36, 20, 1, 1}, {3, 5, 7, 3}, {0, 19, 37, 2}, {30, 0, 7, 21}};
  std::vector<Color> expected = whole;
  for (const Rectangle& r : rectangles) {
    const auto texels = Numbered(static_cast<std::size_t>(r.Width * r.Height), r.X * 31 + r.Y);
    texture->SetData(0, r, texels);
    std::vector<Color> part(texels.size());
    texture->GetData(0, r, part);
    EXPECT_EQ(part, texels) << r.X << "," << r.Y << " " << r.Width << "x" << r.Height;
    for (int y = 0; y < r.Height; ++y) {
      for (int x = 0; x < r.Width; ++x) {
        expected[static_cast<std::size_t>((r.Y + y) * 37 + r.X + x)] =
            texels[static_cast<std::size_t>(y * r.Width + x)];
      }
    }
  }
  texture->GetData(read);
  EXPECT_EQ(read, expected);
}

TEST_P(OpenGLTexture2D, BadCallsThrowAndChangeNothing) {
  auto texture = device->CreateTexture2D(8, 8, false, SurfaceFormat::Color);
  const auto original = Numbered(64, 5);
  texture->SetData(original);
  const std::vector<Color> four(4, Color::White());
  EXPECT_THROW(texture->SetData(1, std::nullopt, four), std::invalid_argument);
  EXPECT_THROW(texture->SetData(0, Rectangle{7, 7, 2, 2}, four), std::invalid_argument);
  EXPECT_THROW(texture->SetData(0, Rectangle{0, 0, 3, 3}, four), std::invalid_argument);
  std::vector<Color> read(64);
  texture->GetData(read);
  EXPECT_EQ(read, original);
  std::vector<Color> small(3, Color::White());
  EXPECT_THROW(texture->GetData(small), std::invalid_argument);
  EXPECT_EQ(small, std::vector<Color>(3, Color::White()));
}

TEST_P(OpenGLTexture2D, DisposeAndLastReferenceDeleteTheGlObject) {
  auto disposed = device->CreateTexture2D(4, 4, false, SurfaceFormat::Color);
  const GLuint first = static_cast<OpenGL::OpenGLTexture2D&>(*disposed).Name();
  ASSERT_TRUE(glIsTexture(first));
  disposed->Dispose();
  disposed->Dispose();
  EXPECT_FALSE(glIsTexture(first));
  EXPECT_EQ(static_cast<OpenGL::OpenGLTexture2D&>(*disposed).Name(), 0U);
  std::vector<Color> read(16);
  EXPECT_THROW(disposed->GetData(read), std::logic_error);
  EXPECT_THROW(disposed->SetData(read), std::logic_error);

  auto dropped = device->CreateTexture2D(4, 4, false, SurfaceFormat::Color);
  const GLuint second = static_cast<OpenGL::OpenGLTexture2D&>(*dropped).Name();
  auto alsoHeld = dropped;
  dropped.reset();
  EXPECT_TRUE(glIsTexture(second)) << "deleted while a reference remained";
  alsoHeld.reset();
  EXPECT_FALSE(glIsTexture(second));
}

TEST_P(OpenGLTexture2D, SizesBeyondTheContextsLimitAreRefused) {
  const std::int32_t maximum = device->MaxTextureSize();
  GLint reported = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &reported);
  EXPECT_EQ(maximum, reported);
  for (const auto& [w, h] : {std::pair{maximum + 1, 1}, {1, maximum + 1}, {0, 4}, {4, -1}}) {
    try {
      device->CreateTexture2D(w, h, false, SurfaceFormat::Color);
      ADD_FAILURE() << w << " x " << h << " was accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find(std::to_string(maximum)), std::string::npos)
          << error.what();
    }
  }
  EXPECT_THROW(device->CreateTexture2D(4, 4, true, SurfaceFormat::Color), std::invalid_argument);
  auto edge = device->CreateTexture2D(maximum, 1, false, SurfaceFormat::Color);
  EXPECT_EQ(edge->Width(), maximum);
}

// A game may leave a pixel buffer bound, a row length or an alignment set, and a texture bound
// for its own drawing; uploads and readbacks must neither use nor disturb them.
TEST_P(OpenGLTexture2D, TransfersIgnoreAndKeepTheCallersPixelState) {
  GLuint own = 0;
  glGenTextures(1, &own);
  glBindTexture(GL_TEXTURE_2D, own);
  GLuint pixelBuffers[2] = {};
  glGenBuffers(2, pixelBuffers);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, pixelBuffers[0]);
  glBufferData(GL_PIXEL_UNPACK_BUFFER, 4096, nullptr, GL_STREAM_DRAW);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, pixelBuffers[1]);
  glBufferData(GL_PIXEL_PACK_BUFFER, 4096, nullptr, GL_STREAM_READ);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
  glPixelStorei(GL_PACK_ROW_LENGTH, 5);

  auto texture = device->CreateTexture2D(9, 5, false, SurfaceFormat::Color);
  const auto texels = Numbered(45, 9);
  texture->SetData(texels);
  std::vector<Color> read(45);
  texture->GetData(read);
  EXPECT_EQ(read, texels);

  GLint value = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
  EXPECT_EQ(static_cast<GLuint>(value), own);
  glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &value);
  EXPECT_EQ(static_cast<GLuint>(value), pixelBuffers[0]);
  glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &value);
  EXPECT_EQ(static_cast<GLuint>(value), pixelBuffers[1]);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
  EXPECT_EQ(value, 8);
  glGetIntegerv(GL_UNPACK_ROW_LENGTH, &value);
  EXPECT_EQ(value, 3);
  glGetIntegerv(GL_PACK_ROW_LENGTH, &value);
  EXPECT_EQ(value, 5);

  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  glDeleteBuffers(2, pixelBuffers);
  glDeleteTextures(1, &own);
}

VENNICOR_GL_TEST_APIS(OpenGLTexture2D);

}  // namespace
}  // namespace Vennicor::Graphics::OpenGL::Testing
