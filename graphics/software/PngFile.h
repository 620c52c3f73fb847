#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "graphics/Color.h"

namespace Vennicor::Graphics::Software {

/// Writes RGBA pixels (row by row) as an 8-bit RGBA PNG. The file appears complete or not at
/// all: it is written beside the target under a temporary name and renamed into place. A path
/// that names a device or a pipe (/dev/null, /dev/stdout, a FIFO) is written directly instead,
/// so that it stays what it is.
/// \throws std::runtime_error naming the path when it cannot be written;
///         std::invalid_argument when the pixel count does not match the size.
void SavePng(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
             std::span<const Color> pixels);

/// An image read back from a PNG, converted to 8-bit RGBA.
struct PngImage {
  std::int32_t Width = 0;     ///< in pixels
  std::int32_t Height = 0;    ///< in pixels
  std::vector<Color> Pixels;  ///< row by row from the top, straight (not premultiplied) alpha
};

/// \throws std::runtime_error naming the path when it is not a readable PNG.
PngImage LoadPng(const std::filesystem::path& path);

}  // namespace Vennicor::Graphics::Software
