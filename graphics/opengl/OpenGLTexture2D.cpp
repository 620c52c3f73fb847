#include "graphics/opengl/OpenGLTexture2D.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "graphics/opengl/GlContext.h"
#include "graphics/opengl/GlError.h"
#include "graphics/opengl/GlHandle.h"
#include "graphics/opengl/GlState.h"

namespace Vennicor::Graphics::OpenGL {

namespace {

// A texture that cannot be sampled with mipmaps off is still "incomplete" in GL if its level
// range says more levels exist, so the range is pinned to level 0.
void DescribeSingleLevel() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

// GL leaves a new texture's contents undefined; uploading zeros in strips keeps the memory
// this needs small even for a 16384-texel edge.
void FillTransparent(std::int32_t width, std::int32_t height, bool alpha) {
  constexpr std::int32_t StripTexels = 1 << 16;
  const std::int32_t rows = std::clamp(StripTexels / width, 1, height);
  const std::vector<Color> zeros(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
  for (std::int32_t y = 0; y < height; y += rows) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, width, std::min(rows, height - y),
                    alpha ? GL_RED : GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
  }
}

bool IsAlpha(SurfaceFormat format) { return format == SurfaceFormat::Alpha8; }

}  // namespace

OpenGLTexture2D::OpenGLTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                 SurfaceFormat format)
    : Texture2D(width, height, false, format) {
  if (mipMap) throw std::invalid_argument("OpenGL textures are created without mipmaps");
  RequireCurrentContext("Creating a texture");
  DebugDiscardGlErrors();
  GlTexture texture = MakeGl<TextureTraits>();
  {
    const ScopedTextureBinding binding(texture.Get());
    const ScopedPixelStore store(ScopedPixelStore::Direction::Unpack);
    DescribeSingleLevel();
    if (IsAlpha(format)) {
      // One byte a texel, read back as (r, r, r, r): the shader needs no second path.
      constexpr GLenum channels[] = {GL_TEXTURE_SWIZZLE_R, GL_TEXTURE_SWIZZLE_G,
                                     GL_TEXTURE_SWIZZLE_B, GL_TEXTURE_SWIZZLE_A};
      for (const GLenum channel : channels) {
        glTexParameteri(GL_TEXTURE_2D, channel, GL_RED);
      }
      glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, width, height, 0, GL_RED, GL_UNSIGNED_BYTE, nullptr);
    } else {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                   nullptr);
    }
    // Always checked, not only in debug builds: a texture the driver could not allocate must
    // not be reported as created.
    CheckGlError("glTexImage2D");
    FillTransparent(width, height, IsAlpha(format));
    DebugCheckGlError("glTexSubImage2D");
  }
  name = texture.Release();
}

OpenGLTexture2D::~OpenGLTexture2D() { Release(); }

void OpenGLTexture2D::Release() noexcept {
  if (name == 0) return;
  if (HasCurrentContext()) glDeleteTextures(1, &name);
  name = 0;
}

void OpenGLTexture2D::SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                                   std::span<const std::uint8_t> alpha) {
  if (!IsAlpha(Format())) {
    Texture2D::SetAlphaData(level, rectangle, alpha);
    return;
  }
  const Rectangle area = CheckDataCall(level, rectangle, alpha.size());
  RequireCurrentContext("Texture2D::SetData");
  if (area.Width == 0 || area.Height == 0) return;
  DebugDiscardGlErrors();
  const ScopedTextureBinding binding(name);
  const ScopedPixelStore store(ScopedPixelStore::Direction::Unpack);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of any byte length; the store restores it
  glTexSubImage2D(GL_TEXTURE_2D, level, area.X, area.Y, area.Width, area.Height, GL_RED,
                  GL_UNSIGNED_BYTE, alpha.data());
  DebugCheckGlError("glTexSubImage2D");
}

void OpenGLTexture2D::SetData(std::int32_t level, std::optional<Rectangle> rectangle,
                              std::span<const Color> data) {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  RequireCurrentContext("Texture2D::SetData");
  if (area.Width == 0 || area.Height == 0) return;
  if (IsAlpha(Format())) {
    // An Alpha8 texture keeps the alpha of Color data.
    std::vector<std::uint8_t> alpha(data.size());
    std::transform(data.begin(), data.end(), alpha.begin(), [](Color c) { return c.A; });
    SetAlphaData(level, area, std::span<const std::uint8_t>(alpha));
    return;
  }
  DebugDiscardGlErrors();
  const ScopedTextureBinding binding(name);
  const ScopedPixelStore store(ScopedPixelStore::Direction::Unpack);
  glTexSubImage2D(GL_TEXTURE_2D, level, area.X, area.Y, area.Width, area.Height, GL_RGBA,
                  GL_UNSIGNED_BYTE, data.data());
  DebugCheckGlError("glTexSubImage2D");
}

void OpenGLTexture2D::GetData(std::int32_t level, std::optional<Rectangle> rectangle,
                              std::span<Color> data) const {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  RequireCurrentContext("Texture2D::GetData");
  if (area.Width == 0 || area.Height == 0) return;
  DebugDiscardGlErrors();
  const GlFramebuffer framebuffer = MakeGl<FramebufferTraits>();
  const ScopedFramebufferBinding binding(GL_READ_FRAMEBUFFER, framebuffer.Get());
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, level);
  if (glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    throw std::runtime_error("Cannot read an RGBA8 texture back through a framebuffer");
  }
  // Row 0 of the attachment is the texture's row 0, so no flip is needed.
  const ScopedPixelStore store(ScopedPixelStore::Direction::Pack);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glReadPixels(area.X, area.Y, area.Width, area.Height, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
  DebugCheckGlError("glReadPixels");
  // Framebuffer reads ignore the swizzle: an R8 attachment reads as (r, 0, 0, 1).
  if (IsAlpha(Format())) {
    for (Color& texel : data) texel = Color{texel.R, texel.R, texel.R, texel.R};
  }
}

void OpenGLTexture2D::Dispose() {
  Texture2D::Dispose();
  Release();
}

}  // namespace Vennicor::Graphics::OpenGL
