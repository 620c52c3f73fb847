#include "graphics/software/SoftwareTexture2D.h"

#include <algorithm>

namespace Vennicor::Graphics::Software {

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
    } else {
      levels[static_cast<std::size_t>(level)].resize(count);
    }
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
  auto& texels = levels[static_cast<std::size_t>(level)];
  const auto stride = static_cast<std::size_t>(LevelWidth(level));
  const auto rowLength = static_cast<std::size_t>(area.Width);
  for (std::int32_t row = 0; row < area.Height; ++row) {
    const auto source = data.subspan(static_cast<std::size_t>(row) * rowLength, rowLength);
    std::copy(source.begin(), source.end(),
              texels.begin() +
                  static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area.Y + row) * stride +
                                              static_cast<std::size_t>(area.X)));
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
  const auto& texels = levels[static_cast<std::size_t>(level)];
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
  return levels[static_cast<std::size_t>(level)];
}

std::span<const std::uint8_t> SoftwareTexture2D::Alphas(std::int32_t level) const {
  if (level < 0 || static_cast<std::size_t>(level) >= alphaLevels.size()) return {};
  return alphaLevels[static_cast<std::size_t>(level)];
}

}  // namespace Vennicor::Graphics::Software
