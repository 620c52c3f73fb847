#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace Vennicor::Graphics::OpenGL::Testing {

/// Which kind of context a test draws in.
enum class GlApi { Desktop33Core, Es30 };

const char* ApiName(GlApi api);
inline void PrintTo(GlApi api, std::ostream* out) { *out << ApiName(api); }

/// A context on Mesa's surfaceless EGL platform: no window system, no X server (on Windows, a
/// WGL context of a hidden window, which under Wine needs an X display). One of each kind is
/// created per process on first use and kept (a context costs about a tenth of a second on the
/// software rasterizer).
class HeadlessContext {
 public:
  /// Makes the context of `api` current, creating it on first use. Returns an empty string on
  /// success, else what failed (with the EGL or Windows error), so that a test can fail with it.
  static std::string MakeCurrent(GlApi api);
  /// Why this build cannot test `api` at all, or an empty string when it can.
  static std::string Unavailable(GlApi api);
  /// Leaves this thread without a current context.
  static void ReleaseCurrent();
};

/// A framebuffer object with an RGBA8 colour buffer, bound for drawing and reading, with the
/// viewport set to its size. The previous bindings are not restored; tests own the context.
class OffscreenTarget {
 public:
  OffscreenTarget(std::int32_t width, std::int32_t height);
  ~OffscreenTarget();
  OffscreenTarget(const OffscreenTarget&) = delete;
  OffscreenTarget& operator=(const OffscreenTarget&) = delete;

  /// Binds the framebuffer again and restores the viewport.
  void Bind() const;
  bool IsComplete() const { return complete; }

 private:
  std::int32_t width;
  std::int32_t height;
  unsigned framebuffer = 0;
  unsigned colorBuffer = 0;
  bool complete = false;
};

}  // namespace Vennicor::Graphics::OpenGL::Testing
