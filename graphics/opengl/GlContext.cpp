#include "graphics/opengl/GlContext.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <stdexcept>
#include <string>

namespace Vennicor::Graphics::OpenGL {

namespace {

using GetCurrentContext = void* (*)();

// Looks the query up only in a library the process has already loaded (RTLD_NOLOAD; on Windows
// GetModuleHandle, which never loads): a context can only be current through a library that is
// loaded, and loading one here would be a side effect. Calling a GL function through the loader
// without a context aborts in some loaders, which is why the check never touches GL itself.
#ifdef _WIN32
GetCurrentContext FindQuery(const wchar_t* library, const char* symbol) {
  HMODULE module = GetModuleHandleW(library);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<GetCurrentContext>(
      reinterpret_cast<void*>(GetProcAddress(module, symbol)));
}
#else
GetCurrentContext FindQuery(const char* library, const char* symbol) {
  void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) return nullptr;
  auto* query = reinterpret_cast<GetCurrentContext>(dlsym(handle, symbol));
  dlclose(handle);  // drops only the reference taken above; the library stays loaded
  return query;
}
#endif

// Windows: WGL (opengl32.dll) or EGL (ANGLE's libEGL.dll); elsewhere EGL, GLVND's GLX or a
// legacy libGL's GLX.
struct ContextQueries {
  GetCurrentContext Egl = nullptr;
  GetCurrentContext Native = nullptr;  // GLX, or WGL on Windows
  GetCurrentContext LegacyGlx = nullptr;
};

ContextQueries FindQueries() {
#ifdef _WIN32
  return {FindQuery(L"libEGL.dll", "eglGetCurrentContext"),
          FindQuery(L"opengl32.dll", "wglGetCurrentContext"), nullptr};
#else
  return {FindQuery("libEGL.so.1", "eglGetCurrentContext"),
          FindQuery("libGLX.so.0", "glXGetCurrentContext"),
          FindQuery("libGL.so.1", "glXGetCurrentContext")};
#endif
}

bool Current(const ContextQueries& queries) {
  return (queries.Egl != nullptr && queries.Egl() != nullptr) ||
         (queries.Native != nullptr && queries.Native() != nullptr) ||
         (queries.LegacyGlx != nullptr && queries.LegacyGlx() != nullptr);
}

}  // namespace

bool HasCurrentContext() {
  // The libraries may be loaded after the first call (the game creates its window later), so
  // the lookup is repeated until it finds a current context, then kept.
  static thread_local ContextQueries found;
  if (Current(found)) return true;
  const ContextQueries fresh = FindQueries();
  if (!Current(fresh)) return false;
  found = fresh;
  return true;
}

void RequireCurrentContext(const char* operation) {
  if (!HasCurrentContext()) {
    throw std::logic_error(std::string(operation) +
                           " needs a current OpenGL context on this thread, and there is none");
  }
}

}  // namespace Vennicor::Graphics::OpenGL
