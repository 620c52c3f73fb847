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
  GlHandle() = default;
  explicit GlHandle(GLuint name) : name(name) {}
  ~GlHandle() { Reset(); }
  GlHandle(const GlHandle&) = delete;
  GlHandle& operator=(const GlHandle&) = delete;
  GlHandle(GlHandle&& other) noexcept : name(std::exchange(other.name, 0)) {}
  GlHandle& operator=(GlHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      name = std::exchange(other.name, 0);
    }
    return *this;
  }

  GLuint Get() const { return name; }
  explicit operator bool() const { return name != 0; }

  /// Gives up ownership and returns the name.
  GLuint Release() { return std::exchange(name, 0); }

  void Reset() {
    if (name != 0 && HasCurrentContext()) Traits::Delete(name);
    name = 0;
  }

 private:
  GLuint name = 0;
};

struct TextureTraits {
  static GLuint Create() {
    GLuint n = 0;
    glGenTextures(1, &n);
    return n;
  }
  static void Delete(GLuint n) { glDeleteTextures(1, &n); }
};
struct BufferTraits {
  static GLuint Create() {
    GLuint n = 0;
    glGenBuffers(1, &n);
    return n;
  }
  static void Delete(GLuint n) { glDeleteBuffers(1, &n); }
};
struct VertexArrayTraits {
  static GLuint Create() {
    GLuint n = 0;
    glGenVertexArrays(1, &n);
    return n;
  }
  static void Delete(GLuint n) { glDeleteVertexArrays(1, &n); }
};
struct FramebufferTraits {
  static GLuint Create() {
    GLuint n = 0;
    glGenFramebuffers(1, &n);
    return n;
  }
  static void Delete(GLuint n) { glDeleteFramebuffers(1, &n); }
};
struct SamplerTraits {
  static GLuint Create() {
    GLuint n = 0;
    glGenSamplers(1, &n);
    return n;
  }
  static void Delete(GLuint n) { glDeleteSamplers(1, &n); }
};
struct ProgramTraits {
  static GLuint Create() { return glCreateProgram(); }
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
