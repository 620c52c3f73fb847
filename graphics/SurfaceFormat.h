#pragma once

namespace Vennicor::Graphics {

/// Pixel formats of a texture.
enum class SurfaceFormat : int {
  Color = 0,   ///< 32-bit RGBA, one unsigned byte a channel, alpha premultiplied
  Alpha8 = 1,  ///< one byte a texel; it reads and draws as the premultiplied white (a, a, a, a)
};

/// Bytes a texel of `format` takes.
constexpr int BytesPerTexel(SurfaceFormat format) {
  return format == SurfaceFormat::Alpha8 ? 1 : 4;
}

}  // namespace Vennicor::Graphics
