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
  const bool alpha = format == SurfaceFormat::Alpha8;
  if (alpha) {
    alphaLevels.resize(static_cast<std::size_t>(LevelCount()));
  } else {
    levels.resize(static_cast<std::size_t>(LevelCount()));
  }
  for (std::int32_t level = 0; level < LevelCount(); ++level) {
    const std::size_t count =
        static_cast<std::size_t>(LevelWidth(level)) * static_cast<std::size_t>(LevelHeight(level));
    if (alpha) {
      alphaLevels[static_cast<std::size_t>(level)].resize(count);
      continue;
    }
    Level& texels = levels[static_cast<std::size_t>(level)];
    texels.Count = count;
    // Zero bytes are transparent black, and Color is an implicit-lifetime type.
    texels.Texels.reset(static_cast<Color*>(std::calloc(texels.Count, sizeof(Color))));
    if (!texels.Texels) throw std::bad_alloc();
  }
}

namespace {

// Copies rows of `area` from tightly packed `data` into a level `stride` texels wide.
template <class Texel, class Source, class Convert>
void WriteRows(std::vector<Texel>& texels, std::size_t stride, const Rectangle& area,
               std::span<const Source> data, Convert convert) {
  const auto rowLength = static_cast<std::size_t>(area.Width);
  for (std::int32_t row = 0; row < area.Height; ++row) {
    const auto source = data.subspan(static_cast<std::size_t>(row) * rowLength, rowLength);
    std::transform(source.begin(), source.end(),
                   texels.begin() +
                       static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area.Y + row) * stride +
                                                   static_cast<std::size_t>(area.X)),
                   convert);
  }
}

}  // namespace

void SoftwareTexture2D::SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                                     std::span<const std::uint8_t> alpha) {
  if (Format() != SurfaceFormat::Alpha8) {
    Texture2D::SetAlphaData(level, rectangle, alpha);
    return;
  }
  const Rectangle area = CheckDataCall(level, rectangle, alpha.size());
  WriteRows(alphaLevels[static_cast<std::size_t>(level)],
            static_cast<std::size_t>(LevelWidth(level)), area, alpha,
            [](std::uint8_t a) { return a; });
}

void SoftwareTexture2D::SetData(std::int32_t level, std::optional<Rectangle> rectangle,
                                std::span<const Color> data) {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  if (Format() == SurfaceFormat::Alpha8) {
    WriteRows(alphaLevels[static_cast<std::size_t>(level)],
              static_cast<std::size_t>(LevelWidth(level)), area, data, [](Color c) { return c.A; });
    return;
  }
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
  const auto stride = static_cast<std::size_t>(LevelWidth(level));
  const auto rowLength = static_cast<std::size_t>(area.Width);
  if (Format() == SurfaceFormat::Alpha8) {
    const auto& alphas = alphaLevels[static_cast<std::size_t>(level)];
    for (std::int32_t row = 0; row < area.Height; ++row) {
      for (std::size_t x = 0; x < rowLength; ++x) {
        const std::uint8_t a = alphas[static_cast<std::size_t>(area.Y + row) * stride +
                                      static_cast<std::size_t>(area.X) + x];
        data[static_cast<std::size_t>(row) * rowLength + x] = Color{a, a, a, a};
      }
    }
    return;
  }
  const std::span<const Color> texels = levels[static_cast<std::size_t>(level)].All();
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
  alphaLevels.clear();
  alphaLevels.shrink_to_fit();
}

std::span<const Color> SoftwareTexture2D::Texels(std::int32_t level) const {
  if (level < 0 || static_cast<std::size_t>(level) >= levels.size()) return {};
  return levels[static_cast<std::size_t>(level)].All();
}

std::span<const std::uint8_t> SoftwareTexture2D::Alphas(std::int32_t level) const {
  if (level < 0 || static_cast<std::size_t>(level) >= alphaLevels.size()) return {};
  return alphaLevels[static_cast<std::size_t>(level)];
}

}  // namespace Vennicor::Graphics::Software
