#pragma once

#include <vector>

#include "graphics/Texture2D.h"

namespace Vennicor::Graphics::Software {

/// A texture held in memory, one vector of texels a mip level.
class SoftwareTexture2D final : public Texture2D {
 public:
  /// A texture of transparent black texels, with a full mip chain when `mipMap` is true.
  /// \throws std::invalid_argument if width or height is not positive.
  SoftwareTexture2D(std::int32_t width, std::int32_t height, bool mipMap, SurfaceFormat format);

  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override;
  void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<Color> data) const override;
  void Dispose() override;

  /// Texels of a level, row by row; empty after Dispose.
  std::span<const Color> Texels(std::int32_t level = 0) const;

 private:
  std::vector<std::vector<Color>> levels;
};

}  // namespace Vennicor::Graphics::Software
