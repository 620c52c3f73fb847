#include "opengl/HeadlessContext.h"

// WGL has no context without a window, so a hidden one lends its device context; the tests draw
// into framebuffer objects, never to the window. Under Wine this needs an X display (Xvfb).
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <epoxy/wgl.h>
#include <windows.h>

#include <string>

namespace Vennicor::Graphics::OpenGL::Testing {

namespace {

std::string WglFailure(const char* what) {
  return std::string(what) + " failed with Windows error " + std::to_string(GetLastError());
}

// The hidden window and its device context, with a pixel format GL can draw with; kept for the
// process, like the contexts.
struct Window {
  HWND Handle = nullptr;
  HDC Dc = nullptr;
  std::string Error;

  Window() {
    WNDCLASSW windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VennicorGlTests";
    if (RegisterClassW(&windowClass) == 0) {
      Error = WglFailure("RegisterClass");
      return;
    }
    Handle = CreateWindowExW(0, windowClass.lpszClassName, L"GL tests", WS_OVERLAPPEDWINDOW, 0, 0,
                             64, 64, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (Handle == nullptr) {
      Error = WglFailure("CreateWindow (is there a display? Wine needs one: xvfb-run)");
      return;
    }
    Dc = GetDC(Handle);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cAlphaBits = 8;
    format.iLayerType = PFD_MAIN_PLANE;
    const int chosen = ChoosePixelFormat(Dc, &format);
    if (chosen == 0 || !SetPixelFormat(Dc, chosen, &format)) {
      Error = WglFailure("ChoosePixelFormat/SetPixelFormat");
      Dc = nullptr;
    }
  }
  ~Window() {
    if (Handle == nullptr) return;
    if (Dc != nullptr) ReleaseDC(Handle, Dc);
    DestroyWindow(Handle);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
};

Window& TheWindow() {
  static Window window;
  return window;
}

struct Context {
  HGLRC Handle = nullptr;
  std::string Error;

  explicit Context(GlApi api) {
    Window& window = TheWindow();
    if (window.Dc == nullptr) {
      Error = window.Error;
      return;
    }
    // wglCreateContextAttribsARB, the only way to a core or an ES context, is reached through a
    // legacy context made current first.
    HGLRC legacy = wglCreateContext(window.Dc);
    if (legacy == nullptr) {
      Error = WglFailure("wglCreateContext");
      return;
    }
    wglMakeCurrent(window.Dc, legacy);
    const bool desktop = api == GlApi::Desktop33Core;
    // Wine creates ES contexts (through GLX) without listing WGL_EXT_create_context_es2_profile,
    // so only the attempt tells.
    if (!epoxy_has_wgl_extension(window.Dc, "WGL_ARB_create_context_profile")) {
      Error = "WGL_ARB_create_context_profile is missing";
    } else {
      const int desktopAttributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB,
                                       3,
                                       WGL_CONTEXT_MINOR_VERSION_ARB,
                                       3,
                                       WGL_CONTEXT_PROFILE_MASK_ARB,
                                       WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                                       0};
      const int esAttributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB,
                                  3,
                                  WGL_CONTEXT_MINOR_VERSION_ARB,
                                  0,
                                  WGL_CONTEXT_PROFILE_MASK_ARB,
                                  WGL_CONTEXT_ES2_PROFILE_BIT_EXT,
                                  0};
      Handle = wglCreateContextAttribsARB(window.Dc, nullptr,
                                          desktop ? desktopAttributes : esAttributes);
      if (Handle == nullptr) {
        Error = WglFailure(desktop ? "wglCreateContextAttribsARB (OpenGL 3.3 core)"
                                   : "wglCreateContextAttribsARB (OpenGL ES 3.0)");
      }
    }
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(legacy);
  }
  ~Context() {
    if (Handle != nullptr) wglDeleteContext(Handle);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
};

}  // namespace

const char* ApiName(GlApi api) {
  return api == GlApi::Desktop33Core ? "OpenGL33Core" : "OpenGLES30";
}

std::string HeadlessContext::Unavailable(GlApi api) {
  if (api == GlApi::Es30) {
    return "OpenGL ES is not tested on Windows: libepoxy loads ES functions there only from "
           "ANGLE's libGLESv2.dll, never from a WGL context (the ES tests run on Linux)";
  }
  return {};
}

std::string HeadlessContext::MakeCurrent(GlApi api) {
  static Context desktop(GlApi::Desktop33Core);
  static Context es(GlApi::Es30);
  const Context& context = api == GlApi::Desktop33Core ? desktop : es;
  if (context.Handle == nullptr) return context.Error;
  if (!wglMakeCurrent(TheWindow().Dc, context.Handle)) return WglFailure("wglMakeCurrent");
  return {};
}

void HeadlessContext::ReleaseCurrent() { wglMakeCurrent(nullptr, nullptr); }

}  // namespace Vennicor::Graphics::OpenGL::Testing

#endif  // _WIN32
