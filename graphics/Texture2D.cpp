#include "graphics/Texture2D.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace Vennicor::Graphics {

namespace {

std::int32_t CountLevels(std::int32_t width, std::int32_t height, bool mipMap) {
  if (!mipMap) return 1;
  std::int32_t levels = 1;
  for (std::int32_t edge = std::max(width, height); edge > 1; edge /= 2) ++levels;
  return levels;
}

}  // namespace

Texture2D::Texture2D(std::int32_t width, std::int32_t height, SurfaceFormat format)
    : Texture2D(width, height, false, format) {}

Texture2D::Texture2D(std::int32_t width, std::int32_t height, bool mipMap, SurfaceFormat format)
    : width(width), height(height), levelCount(CountLevels(width, height, mipMap)), format(format) {
  if (width <= 0 || height <= 0) {
    throw std::invalid_argument("Texture size must be positive, not " + std::to_string(width) +
                                " x " + std::to_string(height));
  }
}

Texture2D::~Texture2D() = default;

void Texture2D::SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                             std::span<const std::uint8_t> alpha) {
  CheckDataCall(level, rectangle, alpha.size());
  thread_local std::vector<Color> expanded;
  // Taken out for the call, so that a SetData that itself uploads bytes cannot change it.
  std::vector<Color> buffer = std::move(expanded);
  buffer.resize(alpha.size());
  for (std::size_t i = 0; i < alpha.size(); ++i) {
    const std::uint8_t a = alpha[i];
    buffer[i] = Color{a, a, a, a};
  }
  struct PutBack {
    std::vector<Color>& Buffer;
    ~PutBack() { expanded = std::move(Buffer); }
  } putBack{buffer};
  SetData(level, rectangle, std::span<const Color>(buffer));
}

void Texture2D::Dispose() { disposed = true; }

namespace {

void CheckLevel(std::int32_t level, std::int32_t levelCount) {
  // Also keeps the shifts below defined.
  if (level < 0 || level >= levelCount) {
    throw std::out_of_range("Texture level " + std::to_string(level) + " does not exist");
  }
}

}  // namespace

std::int32_t Texture2D::LevelWidth(std::int32_t level) const {
  CheckLevel(level, levelCount);
  return std::max(1, width >> level);
}

std::int32_t Texture2D::LevelHeight(std::int32_t level) const {
  CheckLevel(level, levelCount);
  return std::max(1, height >> level);
}

Rectangle Texture2D::CheckDataCall(std::int32_t level, const std::optional<Rectangle>& rectangle,
                                   std::size_t dataLength) const {
  if (disposed) throw std::logic_error("Cannot access a disposed texture");
  if (level < 0 || level >= levelCount) {
    throw std::invalid_argument("Texture level " + std::to_string(level) + " does not exist");
  }
  const std::int32_t levelWidth = LevelWidth(level);
  const std::int32_t levelHeight = LevelHeight(level);
  const Rectangle area = rectangle.value_or(Rectangle{0, 0, levelWidth, levelHeight});
  if (!area.IsInside(levelWidth, levelHeight)) {
    throw std::invalid_argument(
        "Rectangle (" + std::to_string(area.X) + ", " + std::to_string(area.Y) + ", " +
        std::to_string(area.Width) + ", " + std::to_string(area.Height) + ") lies outside the " +
        std::to_string(levelWidth) + " x " + std::to_string(levelHeight) + " texture level");
  }
  const auto expected =
      static_cast<std::size_t>(area.Width) * static_cast<std::size_t>(area.Height);
  if (dataLength != expected) {
    throw std::invalid_argument("Data length " + std::to_string(dataLength) +
                                " does not match the rectangle's " + std::to_string(expected) +
                                " texels");
  }
  return area;
}

}  // namespace Vennicor::Graphics
