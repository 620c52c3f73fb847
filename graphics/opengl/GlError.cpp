#include "graphics/opengl/GlError.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <stdexcept>

namespace Vennicor::Graphics::OpenGL {

std::string GlErrorName(std::uint32_t error) {
  switch (error) {
    case GL_NO_ERROR:
      return "GL_NO_ERROR";
    case GL_INVALID_ENUM:
      return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
      return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
      return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION:
      return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY:
      return "GL_OUT_OF_MEMORY";
    case GL_STACK_UNDERFLOW:
      return "GL_STACK_UNDERFLOW";
    case GL_STACK_OVERFLOW:
      return "GL_STACK_OVERFLOW";
    default:
      break;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(error));
  return std::string("GL error ") + hex;
}

void CheckGlError(const char* call) {
  const GLenum first = glGetError();
  if (first == GL_NO_ERROR) return;
  // A context may queue several flags; clear them all so the next check starts clean.
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
  throw std::runtime_error("OpenGL error " + GlErrorName(first) + " after " + call);
}

void DiscardGlErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

}  // namespace Vennicor::Graphics::OpenGL
