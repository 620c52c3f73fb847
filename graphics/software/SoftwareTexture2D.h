#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

#include "graphics/Texture2D.h"

namespace Vennicor::Graphics::Software {

/// A texture held in memory, one vector of texels a mip level: Color texels, or one byte a
/// texel for SurfaceFormat::Alpha8 (Color data written to it keeps its alpha; reading it gives
/// the premultiplied white (a, a, a, a)).
class SoftwareTexture2D final : public Texture2D {
 public:
  /// A texture of transparent black texels, with a full mip chain when `mipMap` is true.
  /// \throws std::invalid_argument if width or height is not positive.
  SoftwareTexture2D(std::int32_t width, std::int32_t height, bool mipMap, SurfaceFormat format);

  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override;
  void SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                    std::span<const std::uint8_t> alpha) override;
  void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<Color> data) const override;
  void Dispose() override;

  /// Texels of a Color level, row by row; empty after Dispose and for Alpha8 textures.
  std::span<const Color> Texels(std::int32_t level = 0) const;
  /// Bytes of an Alpha8 level, row by row; empty after Dispose and for Color textures.
  std::span<const std::uint8_t> Alphas(std::int32_t level = 0) const;

 private:
  // Texels from calloc: the allocator hands large levels over as pages the system zeroes on
  // first touch, so texels that an upload overwrites are never cleared first.
  struct FreeTexels {
    void operator()(Color* texels) const noexcept { std::free(texels); }
  };
  struct Level {
    std::unique_ptr<Color[], FreeTexels> Texels;
    std::size_t Count = 0;
    std::span<Color> All() const { return {Texels.get(), Count}; }
  };
  std::vector<Level> levels;
  std::vector<std::vector<std::uint8_t>> alphaLevels;
};

}  // namespace Vennicor::Graphics::Software
