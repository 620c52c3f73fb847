#pragma once

#include <cstdint>
#include <string>

namespace Vennicor::Graphics::OpenGL {

/// The symbolic name of a glGetError code, such as "GL_INVALID_ENUM".
std::string GlErrorName(std::uint32_t error);

/// Throws std::runtime_error naming the GL error and `call` if glGetError reports one.
/// Reads every pending error, so one failed call is reported once.
void CheckGlError(const char* call);

/// Discards errors raised before the device was called, so that a check blames the right call.
void DiscardGlErrors();

/// CheckGlError in builds with assertions; nothing in release builds, where glGetError can
/// stall a GPU pipeline.
inline void DebugCheckGlError([[maybe_unused]] const char* call) {
#ifndef NDEBUG
  CheckGlError(call);
#endif
}

inline void DebugDiscardGlErrors() {
#ifndef NDEBUG
  DiscardGlErrors();
#endif
}

}  // namespace Vennicor::Graphics::OpenGL
