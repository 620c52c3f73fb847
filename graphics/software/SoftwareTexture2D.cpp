#include "graphics/software/SoftwareTexture2D.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Vennicor::Graphics::Software {

namespace {

// Glyph uploads are many rows of a few texels, for which a call to memmove costs more than the
// copy: four texels at a time inline, then the rest.
void CopyRow(const Color* source, std::size_t count, Color* target) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) std::memcpy(target + i, source + i, 4 * sizeof(Color));
  for (; i < count; ++i) target[i] = source[i];
}

}  // namespace

SoftwareTexture2D::SoftwareTexture2D(std::int32_t width, std::int32_t height, bool mipMap,
                                     SurfaceFormat format)
    : Texture2D(width, height, mipMap, format) {
  levels.resize(static_cast<std::size_t>(LevelCount()));
  for (std::int32_t level = 0; level < LevelCount(); ++level) {
    Level& texels = levels[static_cast<std::size_t>(level)];
    texels.Count =
        static_cast<std::size_t>(LevelWidth(level)) * static_cast<std::size_t>(LevelHeight(level));
    // Zero bytes are transparent black, and Color is an implicit-lifetime type.
    texels.Texels.reset(static_cast<Color*>(std::calloc(texels.Count, sizeof(Color))));
    if (!texels.Texels) throw std::bad_alloc();
  }
}

void SoftwareTexture2D::SetData(std::int32_t level, std::optional<Rectangle> rectangle,
                                std::span<const Color> data) {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  const std::span<Color> texels = levels[static_cast<std::size_t>(level)].All();
  const auto stride = static_cast<std::size_t>(LevelWidth(level));
  const auto rowLength = static_cast<std::size_t>(area.Width);
  for (std::int32_t row = 0; row < area.Height; ++row) {
    const auto source = data.subspan(static_cast<std::size_t>(row) * rowLength, rowLength);
    CopyRow(source.data(), rowLength,
            texels.data() + static_cast<std::size_t>(area.Y + row) * stride +
                static_cast<std::size_t>(area.X));
  }
}

void SoftwareTexture2D::GetData(std::int32_t level, std::optional<Rectangle> rectangle,
                                std::span<Color> data) const {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  const std::span<const Color> texels = levels[static_cast<std::size_t>(level)].All();
  const auto stride = static_cast<std::size_t>(LevelWidth(level));
  const auto rowLength = static_cast<std::size_t>(area.Width);
  for (std::int32_t row = 0; row < area.Height; ++row) {
    const auto first = texels.begin() +
                       static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area.Y + row) * stride +
                                                   static_cast<std::size_t>(area.X));
    std::copy(
        first, first + static_cast<std::ptrdiff_t>(rowLength),
        data.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * rowLength));
  }
}

void SoftwareTexture2D::Dispose() {
  Texture2D::Dispose();
  levels.clear();
  levels.shrink_to_fit();
}

std::span<const Color> SoftwareTexture2D::Texels(std::int32_t level) const {
  if (level < 0 || static_cast<std::size_t>(level) >= levels.size()) return {};
  return levels[static_cast<std::size_t>(level)].All();
}

}  // namespace Vennicor::Graphics::Software
