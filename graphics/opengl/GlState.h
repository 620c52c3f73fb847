#pragma once

#include <epoxy/gl.h>

namespace Vennicor::Graphics::OpenGL {

/// Binds a texture to GL_TEXTURE_2D of the active unit for a scope, then restores the binding
/// the caller had, so texture uploads do not disturb the game's own state.
class ScopedTextureBinding {
 public:
  /// Binds `texture`, remembering the binding it replaces.
  explicit ScopedTextureBinding(GLuint texture) {
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
  }
  ~ScopedTextureBinding() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous)); }
  ScopedTextureBinding(const ScopedTextureBinding&) = delete;
  ScopedTextureBinding& operator=(const ScopedTextureBinding&) = delete;

 private:
  GLint previous = 0;
};

/// Tightly packed client memory for one direction of pixel transfer (unpack: upload, pack:
/// read back) for a scope: no pixel buffer bound, no row length or skips, 4-byte alignment.
/// The caller's settings come back afterwards.
class ScopedPixelStore {
 public:
  /// Which transfer the settings are for.
  enum class Direction {
    Unpack,  ///< uploads (glTexSubImage2D)
    Pack,    ///< read-backs (glReadPixels)
  };

  /// Sets tight packing for `direction`, remembering the caller's settings.
  explicit ScopedPixelStore(Direction direction) : unpack(direction == Direction::Unpack) {
    const GLenum buffer = unpack ? GL_PIXEL_UNPACK_BUFFER : GL_PIXEL_PACK_BUFFER;
    glGetIntegerv(unpack ? GL_PIXEL_UNPACK_BUFFER_BINDING : GL_PIXEL_PACK_BUFFER_BINDING,
                  &previousBuffer);
    glBindBuffer(buffer, 0);
    for (int i = 0; i < Count; ++i) {
      glGetIntegerv(Name(i), &previous[i]);
      glPixelStorei(Name(i), i == 0 ? 4 : 0);
    }
  }
  ~ScopedPixelStore() {
    for (int i = 0; i < Count; ++i) glPixelStorei(Name(i), previous[i]);
    glBindBuffer(unpack ? GL_PIXEL_UNPACK_BUFFER : GL_PIXEL_PACK_BUFFER,
                 static_cast<GLuint>(previousBuffer));
  }
  ScopedPixelStore(const ScopedPixelStore&) = delete;
  ScopedPixelStore& operator=(const ScopedPixelStore&) = delete;

 private:
  static constexpr int Count = 4;
  GLenum Name(int i) const {
    static constexpr GLenum UnpackNames[Count] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH,
                                                  GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS};
    static constexpr GLenum PackNames[Count] = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH,
                                                GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS};
    return unpack ? UnpackNames[i] : PackNames[i];
  }

  bool unpack;
  GLint previousBuffer = 0;
  GLint previous[Count] = {};
};

/// Binds a framebuffer to one target for a scope and restores the previous binding.
class ScopedFramebufferBinding {
 public:
  /// Binds `framebuffer` to `target`, remembering the binding it replaces.
  ScopedFramebufferBinding(GLenum target, GLuint framebuffer) : target(target) {
    glGetIntegerv(
        target == GL_READ_FRAMEBUFFER ? GL_READ_FRAMEBUFFER_BINDING : GL_DRAW_FRAMEBUFFER_BINDING,
        &previous);
    glBindFramebuffer(target, framebuffer);
  }
  ~ScopedFramebufferBinding() { glBindFramebuffer(target, static_cast<GLuint>(previous)); }
  ScopedFramebufferBinding(const ScopedFramebufferBinding&) = delete;
  ScopedFramebufferBinding& operator=(const ScopedFramebufferBinding&) = delete;

 private:
  GLenum target;
  GLint previous = 0;
};

}  // namespace Vennicor::Graphics::OpenGL
