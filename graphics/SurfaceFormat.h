#pragma once

namespace Vennicor::Graphics {

/// Pixel formats of a texture. Color is 32-bit RGBA, one unsigned byte a channel.
enum class SurfaceFormat : int { Color = 0 };

}  // namespace Vennicor::Graphics
