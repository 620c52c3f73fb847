#include "opengl/HeadlessContext.h"

// Windows has WGL instead (HeadlessContextWgl.cpp).
#ifndef _WIN32

// EGL is linked directly: the test needs eglGetPlatformDisplay before any display exists,
// which a loader that resolves functions per display cannot provide.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

namespace Vennicor::Graphics::OpenGL::Testing {

namespace {

std::string EglFailure(const char* what) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  return std::string(what) + " failed with EGL error " + code;
}

struct Display {
  EGLDisplay Handle = EGL_NO_DISPLAY;
  std::string Error;

  Display() {
    Handle = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (Handle == EGL_NO_DISPLAY) {
      Error = EglFailure("eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA)");
      return;
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (eglInitialize(Handle, &major, &minor) != EGL_TRUE) {
      Error = EglFailure("eglInitialize");
      Handle = EGL_NO_DISPLAY;
    }
  }
};

Display& TheDisplay() {
  static Display display;
  return display;
}

struct Context {
  EGLContext Handle = EGL_NO_CONTEXT;
  std::string Error;

  explicit Context(GlApi api) {
    Display& display = TheDisplay();
    if (display.Handle == EGL_NO_DISPLAY) {
      Error = display.Error;
      return;
    }
    const bool desktop = api == GlApi::Desktop33Core;
    if (eglBindAPI(desktop ? EGL_OPENGL_API : EGL_OPENGL_ES_API) != EGL_TRUE) {
      Error = EglFailure("eglBindAPI");
      return;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       desktop ? EGL_OPENGL_BIT : EGL_OPENGL_ES3_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_ALPHA_SIZE,
                                       8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (eglChooseConfig(display.Handle, configAttributes, &config, 1, &found) != EGL_TRUE ||
        found == 0) {
      Error = EglFailure("eglChooseConfig");
      return;
    }
    const EGLint desktopAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    const EGLint esAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0,
                                   EGL_NONE};
    Handle = eglCreateContext(display.Handle, config, EGL_NO_CONTEXT,
                              desktop ? desktopAttributes : esAttributes);
    if (Handle == EGL_NO_CONTEXT) Error = EglFailure("eglCreateContext");
  }
};

}  // namespace

const char* ApiName(GlApi api) {
  return api == GlApi::Desktop33Core ? "OpenGL33Core" : "OpenGLES30";
}

std::string HeadlessContext::Unavailable(GlApi /*api*/) { return {}; }

std::string HeadlessContext::MakeCurrent(GlApi api) {
  static Context desktop(GlApi::Desktop33Core);
  static Context es(GlApi::Es30);
  const Context& context = api == GlApi::Desktop33Core ? desktop : es;
  if (context.Handle == EGL_NO_CONTEXT) return context.Error;
  // Each client API has its own current context in EGL; keep only one current so that GL calls
  // reach the context the test asked for.
  ReleaseCurrent();
  eglBindAPI(api == GlApi::Desktop33Core ? EGL_OPENGL_API : EGL_OPENGL_ES_API);
  if (eglMakeCurrent(TheDisplay().Handle, EGL_NO_SURFACE, EGL_NO_SURFACE, context.Handle) !=
      EGL_TRUE) {
    return EglFailure("eglMakeCurrent");
  }
  return {};
}

void HeadlessContext::ReleaseCurrent() {
  if (TheDisplay().Handle == EGL_NO_DISPLAY) return;
  for (const auto api :
       {static_cast<EGLenum>(EGL_OPENGL_API), static_cast<EGLenum>(EGL_OPENGL_ES_API)}) {
    eglBindAPI(api);
    eglMakeCurrent(TheDisplay().Handle, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
}

}  // namespace Vennicor::Graphics::OpenGL::Testing

#endif  // _WIN32
