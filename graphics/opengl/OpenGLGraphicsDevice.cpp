#include "graphics/opengl/OpenGLGraphicsDevice.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "graphics/DistanceFieldRamp.h"
#include "graphics/opengl/GlContext.h"
#include "graphics/opengl/GlError.h"
#include "graphics/opengl/GlHandle.h"
#include "graphics/opengl/GlState.h"
#include "graphics/opengl/OpenGLTexture2D.h"
#include "graphics/opengl/SpriteShader.h"

namespace Vennicor::Graphics::OpenGL {

namespace {

struct Vertex {
  float X, Y;  // back-buffer pixels
  float U, V;  // normalised texture coordinates
  Color Tint;
};
static_assert(sizeof(Vertex) == 20, "vertices are tightly packed");

constexpr std::size_t VerticesPerSprite = 4;
constexpr std::size_t IndicesPerSprite = 6;
// 16-bit indices address 65536 vertices: 16384 sprites a draw call at most.
constexpr std::size_t MaxSpritesPerUpload = 65536 / VerticesPerSprite;
// The streaming buffer holds two full uploads; sprites are appended behind the ones the GPU
// may still read, and the buffer is orphaned when it is full.
constexpr std::size_t RingSprites = 2 * MaxSpritesPerUpload;
constexpr std::size_t SpriteBytes = VerticesPerSprite * sizeof(Vertex);

void PointAttributesAt(std::size_t byteOffset) {
  const auto at = [&](std::size_t member) {
    return reinterpret_cast<const void*>(byteOffset + member);
  };
  glVertexAttribPointer(PositionAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                        at(offsetof(Vertex, X)));
  glVertexAttribPointer(TexCoordAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                        at(offsetof(Vertex, U)));
  glVertexAttribPointer(TintAttribute, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                        at(offsetof(Vertex, Tint)));
}

void ApplyBlend(BlendState blend) {
  if (blend == BlendState::Opaque) {
    glDisable(GL_BLEND);
    return;
  }
  glEnable(GL_BLEND);
  glBlendEquation(GL_FUNC_ADD);
  switch (blend) {
    case BlendState::NonPremultiplied:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case BlendState::Additive:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case BlendState::AlphaBlend:
    case BlendState::Opaque:
      glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
      break;
  }
}

std::array<GLint, 4> Viewport() {
  std::array<GLint, 4> viewport{};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  return viewport;
}

const OpenGLTexture2D& Resolve(Texture2D* texture) {
  const auto* gl = dynamic_cast<const OpenGLTexture2D*>(texture);
  if (gl == nullptr) {
    throw std::invalid_argument("A sprite's texture was not created by an OpenGL device");
  }
  return *gl;
}

}  // namespace

struct OpenGLGraphicsDevice::Resources {
  GlProgram Program;
  GLint PixelToClip = -1;
  GLint FieldMode = -1;
  GLint FieldStepsPerTexel = -1;
  GLint OutlineEdge = -1;
  GLint OutlineSoftness = -1;
  GLint OutlineColor = -1;
  GLint MultiChannel = -1;
  GlVertexArray VertexArray;
  GlBuffer Vertices;
  GlBuffer Indices;
  std::array<GlSampler, 2> Samplers;  // indexed by SamplerState
  std::size_t RingUsed = 0;           // sprites written since the buffer was last orphaned
};

OpenGLGraphicsDevice::OpenGLGraphicsDevice() {
  RequireCurrentContext("Creating an OpenGL graphics device");
  DebugDiscardGlErrors();
  embedded = !epoxy_is_desktop_gl();
  const int version = epoxy_gl_version();
  if (version < (embedded ? 30 : 33)) {
    throw std::runtime_error(std::string("The OpenGL graphics device needs OpenGL 3.3 or OpenGL "
                                         "ES 3.0; the current context is ") +
                             (embedded ? "OpenGL ES " : "OpenGL ") + std::to_string(version / 10) +
                             "." + std::to_string(version % 10));
  }
  GLint maximum = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maximum);
  maxTextureSize = maximum;

  auto r = std::make_unique<Resources>();
  r->Program = BuildSpriteProgram(embedded);
  r->PixelToClip = glGetUniformLocation(r->Program.Get(), "PixelToClip");
  r->FieldMode = glGetUniformLocation(r->Program.Get(), "FieldMode");
  r->FieldStepsPerTexel = glGetUniformLocation(r->Program.Get(), "FieldStepsPerTexel");
  r->OutlineEdge = glGetUniformLocation(r->Program.Get(), "OutlineEdge");
  r->OutlineSoftness = glGetUniformLocation(r->Program.Get(), "OutlineSoftness");
  r->OutlineColor = glGetUniformLocation(r->Program.Get(), "OutlineColor");
  r->MultiChannel = glGetUniformLocation(r->Program.Get(), "MultiChannel");
  glUseProgram(r->Program.Get());
  glUniform1i(glGetUniformLocation(r->Program.Get(), "Texture"), 0);

  r->VertexArray = MakeGl<VertexArrayTraits>();
  r->Vertices = MakeGl<BufferTraits>();
  r->Indices = MakeGl<BufferTraits>();
  glBindVertexArray(r->VertexArray.Get());
  glBindBuffer(GL_ARRAY_BUFFER, r->Vertices.Get());
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(RingSprites * SpriteBytes), nullptr,
               GL_STREAM_DRAW);
  for (GLuint attribute : {PositionAttribute, TexCoordAttribute, TintAttribute}) {
    glEnableVertexAttribArray(attribute);
  }
  PointAttributesAt(0);

  // Corners go top-left, top-right, bottom-left, bottom-right; two triangles share the diagonal.
  std::vector<GLushort> indices(MaxSpritesPerUpload * IndicesPerSprite);
  for (std::size_t sprite = 0; sprite < MaxSpritesPerUpload; ++sprite) {
    const auto first = static_cast<GLushort>(sprite * VerticesPerSprite);
    const std::array<GLushort, IndicesPerSprite> quad = {first,
                                                         static_cast<GLushort>(first + 1),
                                                         static_cast<GLushort>(first + 2),
                                                         static_cast<GLushort>(first + 1),
                                                         static_cast<GLushort>(first + 3),
                                                         static_cast<GLushort>(first + 2)};
    std::copy(quad.begin(), quad.end(),
              indices.begin() + static_cast<std::ptrdiff_t>(sprite * IndicesPerSprite));
  }
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, r->Indices.Get());  // recorded in the vertex array
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLushort)),
               indices.data(), GL_STATIC_DRAW);
  glBindVertexArray(0);

  const std::array<GLint, 2> filters = {GL_LINEAR, GL_NEAREST};  // LinearClamp, PointClamp
  for (std::size_t i = 0; i < filters.size(); ++i) {
    r->Samplers[i] = MakeGl<SamplerTraits>();
    const GLuint sampler = r->Samplers[i].Get();
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filters[i]);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filters[i]);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  CheckGlError("creating the sprite pipeline");
  resources = std::move(r);
}

OpenGLGraphicsDevice::~OpenGLGraphicsDevice() = default;

bool OpenGLGraphicsDevice::SupportsFormat(SurfaceFormat format) const {
  return format == SurfaceFormat::Color || format == SurfaceFormat::Alpha8;
}

// The same parameters the software rasterizer derives, in the shader's 0..1 units.
void OpenGLGraphicsDevice::ApplyDistanceField(const Resources& r, const DistanceFieldEffect& field,
                                              SamplerState sampler) {
  const GLint linear = sampler == SamplerState::LinearClamp ? 1 : 2;
  glUniform1i(r.FieldMode, field.Enabled ? linear : 0);
  if (!field.Enabled) return;
  const DistanceFieldRamp ramp = DistanceFieldRamp::Of(field);
  glUniform1i(r.MultiChannel, field.MultiChannel ? 1 : 0);
  glUniform1f(r.FieldStepsPerTexel, ramp.StepsPerTexel / 255.0F);
  glUniform1f(r.OutlineEdge, ramp.OutlineEdge / 255.0F);
  glUniform1f(r.OutlineSoftness, ramp.OutlineSoftness / 255.0F);
  const Color c = field.OutlineColor;
  glUniform4f(r.OutlineColor, static_cast<float>(c.R) / 255.0F, static_cast<float>(c.G) / 255.0F,
              static_cast<float>(c.B) / 255.0F, static_cast<float>(c.A) / 255.0F);
}

std::shared_ptr<Texture2D> OpenGLGraphicsDevice::CreateTexture2D(std::int32_t width,
                                                                 std::int32_t height, bool mipMap,
                                                                 SurfaceFormat format) {
  CheckTextureSize(width, height);
  return std::make_shared<OpenGLTexture2D>(width, height, mipMap, format);
}

void OpenGLGraphicsDevice::DrawSprites(std::span<const SpriteQuad> sprites,
                                       const SpriteRenderState& state) {
  RequireCurrentContext("DrawSprites");
  lastDrawCalls = 0;
  // Every texture is checked before anything is drawn, so a foreign one draws nothing at all.
  for (std::size_t i = 0; i < sprites.size(); ++i) {
    if (i == 0 || sprites[i].Texture != sprites[i - 1].Texture) Resolve(sprites[i].Texture);
  }
  if (sprites.empty()) return;
  const auto viewport = Viewport();
  if (viewport[2] <= 0 || viewport[3] <= 0) return;

  DebugDiscardGlErrors();
  Resources& r = *resources;
  glUseProgram(r.Program.Get());
  glUniform2f(r.PixelToClip, 2.0F / static_cast<float>(viewport[2]),
              -2.0F / static_cast<float>(viewport[3]));
  glBindVertexArray(r.VertexArray.Get());
  glBindBuffer(GL_ARRAY_BUFFER, r.Vertices.Get());
  ApplyDistanceField(r, state.DistanceField, state.Sampler);
  glActiveTexture(GL_TEXTURE0);
  glBindSampler(0, r.Samplers[state.Sampler == SamplerState::PointClamp ? 1 : 0].Get());
  ApplyBlend(state.Blend);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_CULL_FACE);

  for (std::size_t done = 0; done < sprites.size();) {
    const std::size_t count = std::min(sprites.size() - done, MaxSpritesPerUpload);
    const auto chunk = sprites.subspan(done, count);
    GLbitfield access = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT;
    if (r.RingUsed + count > RingSprites) {
      // Orphaning hands the old storage to the GPU and gives us fresh memory without a stall.
      r.RingUsed = 0;
      access |= GL_MAP_INVALIDATE_BUFFER_BIT;
    } else {
      access |= GL_MAP_INVALIDATE_RANGE_BIT;
    }
    const std::size_t byteOffset = r.RingUsed * SpriteBytes;
    auto* out = static_cast<Vertex*>(
        glMapBufferRange(GL_ARRAY_BUFFER, static_cast<GLintptr>(byteOffset),
                         static_cast<GLsizeiptr>(count * SpriteBytes), access));
    if (out == nullptr) {
      CheckGlError("glMapBufferRange");
      throw std::runtime_error("glMapBufferRange could not map the sprite vertex buffer");
    }
    const Texture2D* sizedFor = nullptr;
    float inverseWidth = 0;
    float inverseHeight = 0;
    for (const SpriteQuad& quad : chunk) {
      if (quad.Texture != sizedFor) {
        sizedFor = quad.Texture;
        inverseWidth = 1.0F / static_cast<float>(quad.Texture->Width());
        inverseHeight = 1.0F / static_cast<float>(quad.Texture->Height());
      }
      const float u0 = quad.TexTopLeft.X * inverseWidth;
      const float v0 = quad.TexTopLeft.Y * inverseHeight;
      const float u1 = quad.TexBottomRight.X * inverseWidth;
      const float v1 = quad.TexBottomRight.Y * inverseHeight;
      *out++ = {quad.TopLeft.X, quad.TopLeft.Y, u0, v0, quad.Tint};
      *out++ = {quad.TopRight.X, quad.TopRight.Y, u1, v0, quad.Tint};
      *out++ = {quad.BottomLeft.X, quad.BottomLeft.Y, u0, v1, quad.Tint};
      *out++ = {quad.BottomRight.X, quad.BottomRight.Y, u1, v1, quad.Tint};
    }
    if (glUnmapBuffer(GL_ARRAY_BUFFER) != GL_TRUE) {
      throw std::runtime_error("The sprite vertex buffer was lost while it was written");
    }
    PointAttributesAt(byteOffset);

    for (std::size_t first = 0; first < count;) {
      std::size_t end = first + 1;
      while (end < count && chunk[end].Texture == chunk[first].Texture) ++end;
      const GLuint texture = Resolve(chunk[first].Texture).Name();
      if (texture != 0) {  // disposed after it was queued: draws nothing
        glBindTexture(GL_TEXTURE_2D, texture);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>((end - first) * IndicesPerSprite),
                       GL_UNSIGNED_SHORT,
                       reinterpret_cast<const void*>(first * IndicesPerSprite * sizeof(GLushort)));
        ++lastDrawCalls;
      }
      first = end;
    }
    r.RingUsed += count;
    done += count;
  }
  // A sampler object left on unit 0 would override the game's own texture parameters there, and
  // a vertex array left bound would take the game's next element-buffer binding.
  glBindSampler(0, 0);
  glBindVertexArray(0);
  DebugCheckGlError("glDrawElements");
}

void OpenGLGraphicsDevice::Clear(Color color) {
  RequireCurrentContext("Clear");
  glClearColor(static_cast<float>(color.R) / 255.0F, static_cast<float>(color.G) / 255.0F,
               static_cast<float>(color.B) / 255.0F, static_cast<float>(color.A) / 255.0F);
  glClear(GL_COLOR_BUFFER_BIT);
  DebugCheckGlError("glClear");
}

std::vector<Color> OpenGLGraphicsDevice::ReadViewportPixels() const {
  RequireCurrentContext("ReadViewportPixels");
  DebugDiscardGlErrors();
  const auto viewport = Viewport();
  const auto width = static_cast<std::size_t>(std::max(viewport[2], 0));
  const auto height = static_cast<std::size_t>(std::max(viewport[3], 0));
  std::vector<Color> bottomUp(width * height);
  if (bottomUp.empty()) return bottomUp;
  {
    const ScopedPixelStore store(ScopedPixelStore::Direction::Pack);
    glReadPixels(viewport[0], viewport[1], viewport[2], viewport[3], GL_RGBA, GL_UNSIGNED_BYTE,
                 bottomUp.data());
    DebugCheckGlError("glReadPixels");
  }
  // GL counts rows from the bottom; the back buffer's row 0 is the top.
  std::vector<Color> pixels(bottomUp.size());
  for (std::size_t row = 0; row < height; ++row) {
    std::copy_n(bottomUp.begin() + static_cast<std::ptrdiff_t>((height - 1 - row) * width), width,
                pixels.begin() + static_cast<std::ptrdiff_t>(row * width));
  }
  return pixels;
}

std::int32_t OpenGLGraphicsDevice::ViewportWidth() const {
  RequireCurrentContext("ViewportWidth");
  return Viewport()[2];
}

std::int32_t OpenGLGraphicsDevice::ViewportHeight() const {
  RequireCurrentContext("ViewportHeight");
  return Viewport()[3];
}

}  // namespace Vennicor::Graphics::OpenGL
