#pragma once

#include <cstdint>

#include "graphics/Texture2D.h"

namespace Vennicor::Graphics::OpenGL {

/// A texture that lives in GL memory as RGBA8 (R8 for SurfaceFormat::Alpha8, its red channel
/// swizzled to all four, so that it samples as the premultiplied white) with one level (no
/// mipmaps). Created by
/// OpenGLGraphicsDevice in the context current at the time; every call needs that context (or
/// one sharing objects with it) to be current.
///
/// The GL object is deleted by Dispose or when the last shared_ptr goes, so a sprite batch that
/// still holds a replaced texture keeps drawing it.
class OpenGLTexture2D final : public Texture2D {
 public:
  /// Creates the GL texture and fills it with transparent black.
  /// \throws std::invalid_argument for a non-positive size or a mipmapped texture,
  ///         std::logic_error without a current context, std::runtime_error if GL fails
  ///         (out of memory, say).
  OpenGLTexture2D(std::int32_t width, std::int32_t height, bool mipMap, SurfaceFormat format);
  ~OpenGLTexture2D() override;

  /// Uploads with glTexSubImage2D. \throws as Texture2D::SetData documents, and
  ///         std::logic_error without a current context.
  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override;
  /// Uploads the bytes as they are to an Alpha8 texture, as (a, a, a, a) to a Color one.
  void SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                    std::span<const std::uint8_t> alpha) override;
  /// Reads back through a framebuffer object (which OpenGL ES supports, unlike
  /// glGetTexImage). \throws as SetData.
  void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<Color> data) const override;
  /// Deletes the GL object. Idempotent.
  void Dispose() override;

  /// The GL texture name; 0 after Dispose.
  std::uint32_t Name() const { return name; }

 private:
  void Release() noexcept;

  std::uint32_t name = 0;
};

}  // namespace Vennicor::Graphics::OpenGL
