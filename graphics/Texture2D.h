#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "graphics/Color.h"
#include "graphics/Rectangle.h"
#include "graphics/SurfaceFormat.h"

namespace Vennicor::Graphics {

/// A two-dimensional texture created by a GraphicsDevice and shared through std::shared_ptr.
/// Texels are SurfaceFormat::Color; a new texture reads as transparent black everywhere.
///
/// A backend derives from it and implements SetData and GetData; CheckDataCall gives every
/// backend the same validation, so a bad call throws before anything is changed.
class Texture2D {
 protected:
  /// A texture without mipmaps.
  /// \throws std::invalid_argument if width or height is not positive.
  Texture2D(std::int32_t width, std::int32_t height, SurfaceFormat format);
  /// A texture with a full mip chain when `mipMap` is true.
  /// \throws std::invalid_argument if width or height is not positive.
  Texture2D(std::int32_t width, std::int32_t height, bool mipMap, SurfaceFormat format);

 public:
  virtual ~Texture2D();
  Texture2D(const Texture2D&) = delete;
  Texture2D& operator=(const Texture2D&) = delete;

  /// Width of level 0 in texels.
  std::int32_t Width() const { return width; }
  /// Height of level 0 in texels.
  std::int32_t Height() const { return height; }
  /// The texel format.
  SurfaceFormat Format() const { return format; }
  /// 1 without mipmaps, else 1 + floor(log2(max(width, height))).
  std::int32_t LevelCount() const { return levelCount; }

  /// Writes `data` (row by row, rectangle width texels a row) into `rectangle` of mip level
  /// `level`, or into the whole level when `rectangle` is empty.
  /// \throws std::invalid_argument for a level that does not exist, a rectangle outside the
  ///         level, or a data length other than the rectangle's area; std::logic_error after
  ///         Dispose. Nothing is written when it throws.
  virtual void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
                       std::span<const Color> data) = 0;

  /// Writes one byte a texel (alpha, or coverage) into `rectangle` of level `level`, as the
  /// Color SetData does. An Alpha8 texture stores the bytes as they are. The default, for
  /// textures that hold Color only, writes each byte a as the premultiplied white
  /// (a, a, a, a), which draws the same; it converts through a buffer of the calling thread.
  /// \throws as the Color SetData.
  virtual void SetAlphaData(std::int32_t level, std::optional<Rectangle> rectangle,
                            std::span<const std::uint8_t> alpha);

  /// Reads `rectangle` of level `level` (the whole level when empty) into `data`.
  /// \throws as SetData; `data` is untouched when it throws.
  virtual void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
                       std::span<Color> data) const = 0;

  /// Writes the whole of level 0. \throws as the full SetData.
  void SetData(std::span<const Color> data) { SetData(0, std::nullopt, data); }
  /// Reads the whole of level 0. \throws as the full GetData.
  void GetData(std::span<Color> data) const { GetData(0, std::nullopt, data); }

  /// Releases what the texture holds. Idempotent; any later SetData or GetData throws.
  virtual void Dispose();
  /// True after Dispose.
  bool IsDisposed() const { return disposed; }

  /// Width of a mip level. \throws std::out_of_range for a level that does not exist.
  std::int32_t LevelWidth(std::int32_t level) const;
  /// Height of a mip level. \throws std::out_of_range for a level that does not exist.
  std::int32_t LevelHeight(std::int32_t level) const;

 protected:
  /// Validates a SetData/GetData call and returns the rectangle it addresses.
  Rectangle CheckDataCall(std::int32_t level, const std::optional<Rectangle>& rectangle,
                          std::size_t dataLength) const;

 private:
  std::int32_t width;
  std::int32_t height;
  std::int32_t levelCount;
  SurfaceFormat format;
  bool disposed = false;
};

}  // namespace Vennicor::Graphics
