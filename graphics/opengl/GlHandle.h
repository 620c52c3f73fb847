#pragma once

#include <epoxy/gl.h>

#include <utility>

#include "graphics/opengl/GlContext.h"

namespace Vennicor::Graphics::OpenGL {

/// Owns one GL object name and deletes it with Traits::Delete. Without a current context the
/// name cannot be deleted (and its context, when destroyed, has taken the object with it), so it
/// is dropped instead of crashing in the loader.
template <class Traits>
class GlHandle {
 public:
  /// Owns nothing.
  GlHandle() = default;
  /// Takes ownership of `name`.
  explicit GlHandle(GLuint name) : name(name) {}
  ~GlHandle() { Reset(); }
  GlHandle(const GlHandle&) = delete;
  GlHandle& operator=(const GlHandle&) = delete;
  /// Takes over `other`'s name; `other` owns nothing afterwards.
  GlHandle(GlHandle&& other) noexcept : name(std::exchange(other.name, 0)) {}
  /// Deletes the owned name, then takes over `other`'s.
  GlHandle& operator=(GlHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      name = std::exchange(other.name, 0);
    }
    return *this;
  }

  /// The owned name, 0 for none.
  GLuint Get() const { return name; }
  /// True when a name is owned.
  explicit operator bool() const { return name != 0; }

  /// Gives up ownership and returns the name.
  GLuint Release() { return std::exchange(name, 0); }

  /// Deletes the owned name (when a context is current) and owns nothing.
  void Reset() {
    if (name != 0 && HasCurrentContext()) Traits::Delete(name);
    name = 0;
  }

 private:
  GLuint name = 0;
};

/// Creates and deletes GL texture objects for GlHandle.
struct TextureTraits {
  /// A new texture name.
  static GLuint Create() {
    GLuint n = 0;
    glGenTextures(1, &n);
    return n;
  }
  /// Deletes the object named `n`.
  static void Delete(GLuint n) { glDeleteTextures(1, &n); }
};
/// Creates and deletes GL buffer objects for GlHandle.
struct BufferTraits {
  /// A new buffer name.
  static GLuint Create() {
    GLuint n = 0;
    glGenBuffers(1, &n);
    return n;
  }
  /// Deletes the object named `n`.
  static void Delete(GLuint n) { glDeleteBuffers(1, &n); }
};
/// Creates and deletes GL vertex array objects for GlHandle.
struct VertexArrayTraits {
  /// A new vertex array name.
  static GLuint Create() {
    GLuint n = 0;
    glGenVertexArrays(1, &n);
    return n;
  }
  /// Deletes the object named `n`.
  static void Delete(GLuint n) { glDeleteVertexArrays(1, &n); }
};
/// Creates and deletes GL framebuffer objects for GlHandle.
struct FramebufferTraits {
  /// A new framebuffer name.
  static GLuint Create() {
    GLuint n = 0;
    glGenFramebuffers(1, &n);
    return n;
  }
  /// Deletes the object named `n`.
  static void Delete(GLuint n) { glDeleteFramebuffers(1, &n); }
};
/// Creates and deletes GL sampler objects for GlHandle.
struct SamplerTraits {
  /// A new sampler name.
  static GLuint Create() {
    GLuint n = 0;
    glGenSamplers(1, &n);
    return n;
  }
  /// Deletes the object named `n`.
  static void Delete(GLuint n) { glDeleteSamplers(1, &n); }
};
/// Creates and deletes GL program objects for GlHandle.
struct ProgramTraits {
  /// A new program name.
  static GLuint Create() { return glCreateProgram(); }
  /// Deletes the object named `n`.
  static void Delete(GLuint n) { glDeleteProgram(n); }
};

using GlTexture = GlHandle<TextureTraits>;
using GlBuffer = GlHandle<BufferTraits>;
using GlVertexArray = GlHandle<VertexArrayTraits>;
using GlFramebuffer = GlHandle<FramebufferTraits>;
using GlSampler = GlHandle<SamplerTraits>;
using GlProgram = GlHandle<ProgramTraits>;

/// Creates a new object of the handle's kind.
template <class Traits>
GlHandle<Traits> MakeGl() {
  return GlHandle<Traits>(Traits::Create());
}

}  // namespace Vennicor::Graphics::OpenGL
