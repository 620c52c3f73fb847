#pragma once

namespace Vennicor::Graphics::OpenGL {

/// True when this thread has a current OpenGL or OpenGL ES context (through EGL or GLX).
/// Never loads a GL library and never calls into GL, so it is safe without a context.
bool HasCurrentContext();

/// \throws std::logic_error naming `operation` when no context is current on this thread.
void RequireCurrentContext(const char* operation);

}  // namespace Vennicor::Graphics::OpenGL
