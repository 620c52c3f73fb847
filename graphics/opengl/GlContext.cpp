#include "graphics/opengl/GlContext.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace Vennicor::Graphics::OpenGL {

namespace {

using GetCurrentContext = void* (*)();

// Looks the query up only in a library the process has already loaded (RTLD_NOLOAD): a context
// can only be current through a library that is loaded, and loading one here would be a side
// effect. Calling a GL function through the loader without a context aborts in some loaders,
// which is why the check never touches GL itself.
GetCurrentContext FindQuery(const char* library, const char* symbol) {
  void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) return nullptr;
  auto* query = reinterpret_cast<GetCurrentContext>(dlsym(handle, symbol));
  dlclose(handle);  // drops only the reference taken above; the library stays loaded
  return query;
}

struct ContextQueries {
  GetCurrentContext Egl = nullptr;
  GetCurrentContext Glx = nullptr;
  GetCurrentContext LegacyGlx = nullptr;
};

ContextQueries FindQueries() {
  return {FindQuery("libEGL.so.1", "eglGetCurrentContext"),
          FindQuery("libGLX.so.0", "glXGetCurrentContext"),
          FindQuery("libGL.so.1", "glXGetCurrentContext")};
}

bool Current(const ContextQueries& queries) {
  return (queries.Egl != nullptr && queries.Egl() != nullptr) ||
         (queries.Glx != nullptr && queries.Glx() != nullptr) ||
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
