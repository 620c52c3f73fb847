#include <epoxy/gl.h>

#include <functional>
#include <stdexcept>

#include "graphics/SpriteBatch.h"
#include "graphics/opengl/GlContext.h"
#include "graphics/opengl/GlError.h"
#include "graphics/opengl/OpenGLGraphicsDevice.h"
#include "graphics/opengl/OpenGLTexture2D.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "opengl/GlTestFixture.h"

namespace Vennicor::Graphics::OpenGL::Testing {
namespace {

using OpenGLGraphicsDevice = GlTest;

std::shared_ptr<Texture2D> Solid(GraphicsDevice& device, Color color, std::int32_t edge = 2) {
  auto texture = device.CreateTexture2D(edge, edge, false, SurfaceFormat::Color);
  texture->SetData(std::vector<Color>(static_cast<std::size_t>(edge * edge), color));
  return texture;
}

Color PixelAt(const std::vector<Color>& pixels, std::int32_t width, std::int32_t x,
              std::int32_t y) {
  return pixels[static_cast<std::size_t>(y * width + x)];
}

TEST_P(OpenGLGraphicsDevice, DrawsOneCallPerRunOfOneTexture) {
  auto red = Solid(*device, Color(255, 0, 0));
  auto blue = Solid(*device, Color(0, 0, 255));
  SpriteBatch batch(*device);
  batch.Begin();
  const std::shared_ptr<Texture2D> order[] = {red, red, red, blue, blue, red};
  for (std::size_t i = 0; i < std::size(order); ++i) {
    batch.Draw(order[i], Vector2{static_cast<float>(i) * 3, 0}, Color::White());
  }
  batch.End();
  EXPECT_EQ(device->LastDrawCallCount(), 3);
  const auto pixels = device->ReadViewportPixels();
  EXPECT_EQ(PixelAt(pixels, Width, 0, 0), Color(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, Width, 9, 1), Color(0, 0, 255));
  EXPECT_EQ(PixelAt(pixels, Width, 16, 1), Color(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, Width, 18, 0), Color());
}

TEST_P(OpenGLGraphicsDevice, RefusesForeignTexturesBeforeDrawingAnything) {
  Software::SoftwareGraphicsDevice software(4, 4);
  auto foreign = Solid(software, Color::White());
  auto own = Solid(*device, Color(0, 255, 0));
  SpriteBatch batch(*device);
  batch.Begin();
  batch.Draw(own, Vector2{0, 0}, Color::White());
  batch.Draw(foreign, Vector2{4, 0}, Color::White());
  EXPECT_THROW(batch.End(), std::invalid_argument);
  const auto pixels = device->ReadViewportPixels();
  EXPECT_EQ(PixelAt(pixels, Width, 0, 0), Color()) << "drew part of a refused batch";
}

TEST_P(OpenGLGraphicsDevice, DisposedTextureDrawsNothingWhileOthersDraw) {
  auto kept = Solid(*device, Color(0, 255, 0));
  auto disposed = Solid(*device, Color(255, 0, 0));
  SpriteBatch batch(*device);
  batch.Begin();
  batch.Draw(disposed, Vector2{0, 0}, Color::White());
  batch.Draw(kept, Vector2{4, 0}, Color::White());
  disposed->Dispose();
  batch.End();
  const auto pixels = device->ReadViewportPixels();
  EXPECT_EQ(PixelAt(pixels, Width, 0, 0), Color());
  EXPECT_EQ(PixelAt(pixels, Width, 4, 0), Color(0, 255, 0));
  EXPECT_EQ(device->LastDrawCallCount(), 1);
}

// More sprites than one upload holds, then many small batches: the streaming buffer must wrap
// (and be orphaned) without losing or reusing a sprite still to be drawn.
TEST_P(OpenGLGraphicsDevice, StreamsBatchesLargerThanOneUploadAndManySmallOnes) {
  auto texture = device->CreateTexture2D(Width, Height, false, SurfaceFormat::Color);
  std::vector<Color> texels(static_cast<std::size_t>(Width * Height));
  for (std::size_t i = 0; i < texels.size(); ++i) {
    texels[i] = Color(static_cast<int>(i % 256), static_cast<int>(i / 256) * 20, 7, 255);
  }
  texture->SetData(texels);
  SpriteBatch batch(*device);
  const auto drawAll = [&](int repeats) {
    for (int repeat = 0; repeat < repeats; ++repeat) {
      for (std::int32_t y = 0; y < Height; ++y) {
        for (std::int32_t x = 0; x < Width; ++x) {
          batch.Draw(texture, Vector2{static_cast<float>(x), static_cast<float>(y)},
                     Rectangle{x, y, 1, 1}, Color::White(), 0, {}, {1, 1}, SpriteEffects::None, 0);
        }
      }
    }
  };
  batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::PointClamp);
  drawAll(12);  // 36864 sprites: three uploads, the last one wrapping the buffer
  batch.End();
  EXPECT_EQ(device->ReadViewportPixels(), texels);

  device->Clear(Color());
  for (int round = 0; round < 20; ++round) {
    batch.Begin(SpriteSortMode::Deferred, BlendState::Opaque, SamplerState::PointClamp);
    drawAll(1);
    batch.End();
  }
  EXPECT_EQ(device->ReadViewportPixels(), texels);
}

// The back buffer is the current viewport, re-read at every draw: a sprite at (0, 0) lands at
// the viewport's top-left corner, and a resized viewport needs no call into the device.
TEST_P(OpenGLGraphicsDevice, ProjectsOntoTheCurrentViewport) {
  auto white = Solid(*device, Color::White(), 1);
  SpriteBatch batch(*device);
  for (const auto& [x, y, w, h] :
       {std::array{0, 0, Width, Height}, std::array{10, 6, 20, 12}, std::array{3, 20, 40, 28}}) {
    glViewport(x, y, w, h);
    EXPECT_EQ(device->ViewportWidth(), w);
    EXPECT_EQ(device->ViewportHeight(), h);
    device->Clear(Color());
    batch.Begin();
    batch.Draw(white, Vector2{0, 0}, Color::White());
    batch.Draw(white, Vector2{static_cast<float>(w - 1), static_cast<float>(h - 1)},
               Color::White());
    batch.End();
    const auto pixels = device->ReadViewportPixels();
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(w * h));
    EXPECT_EQ(PixelAt(pixels, w, 0, 0), Color::White());
    EXPECT_EQ(PixelAt(pixels, w, w - 1, h - 1), Color::White());
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), Color::White()), 2);
  }
}

// The game draws with its own textures and vertex arrays after the batch: a sampler object left
// on unit 0 would silently override its filtering, a bound vertex array would capture its
// element-buffer binding.
TEST_P(OpenGLGraphicsDevice, LeavesNoSamplerOrVertexArrayBound) {
  auto texture = Solid(*device, Color::White());
  for (SamplerState sampler : {SamplerState::PointClamp, SamplerState::LinearClamp}) {
    SpriteBatch batch(*device);
    batch.Begin(SpriteSortMode::Immediate, BlendState::AlphaBlend, sampler);
    batch.Draw(texture, Vector2{1, 1}, Color::White());
    batch.End();
    GLint bound = -1;
    glGetIntegerv(GL_SAMPLER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(bound, 0);
  }
}

TEST_P(OpenGLGraphicsDevice, EverythingNeedsACurrentContext) {
  auto texture = device->CreateTexture2D(2, 2, false, SurfaceFormat::Color);
  SpriteQuad quad;
  quad.Texture = texture.get();
  quad.TopRight = {2, 0};
  quad.BottomLeft = {0, 2};
  quad.BottomRight = {2, 2};
  quad.TexBottomRight = {2, 2};
  quad.Tint = Color::White();
  std::vector<Color> texels(4);
  const std::pair<const char*, std::function<void()>> operations[] = {
      {"construct", [] { OpenGL::OpenGLGraphicsDevice another; }},
      {"CreateTexture2D", [&] { device->CreateTexture2D(2, 2, false, SurfaceFormat::Color); }},
      {"DrawSprites",
       [&] {
         device->DrawSprites({&quad, 1}, {});
       }},
      {"SetData", [&] { texture->SetData(texels); }},
      {"GetData", [&] { texture->GetData(texels); }},
      {"Clear", [&] { device->Clear(Color()); }},
      {"ReadViewportPixels", [&] { device->ReadViewportPixels(); }},
  };
  HeadlessContext::ReleaseCurrent();
  EXPECT_FALSE(HasCurrentContext());
  for (const auto& [name, operation] : operations) {
    try {
      operation();
      ADD_FAILURE() << name << " ran without a context";
    } catch (const std::logic_error& error) {
      EXPECT_NE(std::string(error.what()).find("current OpenGL context"), std::string::npos)
          << name << ": " << error.what();
    }
  }
  texture.reset();  // must not crash; the object goes with its context
  ASSERT_EQ(HeadlessContext::MakeCurrent(GetParam()), "");
  EXPECT_TRUE(HasCurrentContext());
}

TEST_P(OpenGLGraphicsDevice, NamesGlErrors) {
  DiscardGlErrors();
  glEnable(0xBADu);  // not a capability: GL_INVALID_ENUM
  try {
    CheckGlError("glEnable");
    ADD_FAILURE() << "no error reported";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "OpenGL error GL_INVALID_ENUM after glEnable");
  }
  EXPECT_NO_THROW(CheckGlError("nothing")) << "the error was reported twice";
  EXPECT_EQ(GlErrorName(GL_OUT_OF_MEMORY), "GL_OUT_OF_MEMORY");
  EXPECT_EQ(GlErrorName(GL_INVALID_FRAMEBUFFER_OPERATION), "GL_INVALID_FRAMEBUFFER_OPERATION");
  EXPECT_EQ(GlErrorName(0x1234), "GL error 0x1234");
}

#ifndef NDEBUG
// Debug builds check after GL calls: a texture whose GL object was deleted behind the device's
// back fails loudly instead of writing nowhere.
TEST_P(OpenGLGraphicsDevice, DebugBuildsReportGlErrorsFromDeviceCalls) {
  auto texture = device->CreateTexture2D(2, 2, false, SurfaceFormat::Color);
  const GLuint name = static_cast<OpenGL::OpenGLTexture2D&>(*texture).Name();
  glDeleteTextures(1, &name);
  std::vector<Color> texels(4);
  try {
    texture->SetData(texels);
    ADD_FAILURE() << "no error reported";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("GL_INVALID_OPERATION"), std::string::npos)
        << error.what();
  }
}
#endif

VENNICOR_GL_TEST_APIS(OpenGLGraphicsDevice);

}  // namespace
}  // namespace Vennicor::Graphics::OpenGL::Testing
