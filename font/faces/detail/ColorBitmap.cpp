#include "font/faces/detail/ColorBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace Vennicor::Font {

namespace {

const std::uint8_t* SourceRow(const FT_Bitmap& bitmap, std::size_t row) {
  const std::ptrdiff_t pitch = bitmap.pitch;
  const std::size_t stored = pitch >= 0 ? row : bitmap.rows - 1 - row;
  return bitmap.buffer + static_cast<std::ptrdiff_t>(stored) * (pitch >= 0 ? pitch : -pitch);
}

// Calls add(source, weight) for each source index under target pixel `index` when `sourceSize`
// pixels shrink or stretch to `targetSize`; the weights of one target pixel sum to one.
template <class Add>
void ForEachTap(std::size_t index, std::size_t sourceSize, std::size_t targetSize, Add add) {
  const double ratio = static_cast<double>(sourceSize) / static_cast<double>(targetSize);
  const double low = static_cast<double>(index) * ratio;
  const double high = low + ratio;
  const auto first = static_cast<std::size_t>(std::floor(low));
  const std::size_t end = std::min(sourceSize, static_cast<std::size_t>(std::ceil(high)));
  for (std::size_t s = first; s < end; ++s) {
    const double covered =
        std::min(high, static_cast<double>(s + 1)) - std::max(low, static_cast<double>(s));
    if (covered > 0) add(s, static_cast<float>(covered / ratio));
  }
}

}  // namespace

void ResampleBgra(const FT_Bitmap& bitmap, std::int32_t width, std::int32_t rows,
                  std::uint8_t* target, std::vector<float>& scratch) {
  const std::size_t sourceWidth = bitmap.width;
  const std::size_t sourceRows = bitmap.rows;
  const auto targetWidth = static_cast<std::size_t>(width);
  const auto targetRows = static_cast<std::size_t>(rows);
  if (targetWidth == sourceWidth && targetRows == sourceRows) {
    for (std::size_t y = 0; y < sourceRows; ++y) {
      std::memcpy(target + y * sourceWidth * 4, SourceRow(bitmap, y), sourceWidth * 4);
    }
    return;
  }
  // Columns first, into floats (source rows x target columns), then rows.
  scratch.assign(sourceRows * targetWidth * 4, 0.0F);
  for (std::size_t y = 0; y < sourceRows; ++y) {
    const std::uint8_t* source = SourceRow(bitmap, y);
    float* out = scratch.data() + y * targetWidth * 4;
    for (std::size_t x = 0; x < targetWidth; ++x, out += 4) {
      ForEachTap(x, sourceWidth, targetWidth, [&](std::size_t s, float weight) {
        for (std::size_t c = 0; c < 4; ++c)
          out[c] += weight * static_cast<float>(source[s * 4 + c]);
      });
    }
  }
  for (std::size_t y = 0; y < targetRows; ++y) {
    std::uint8_t* out = target + y * targetWidth * 4;
    for (std::size_t x = 0; x < targetWidth; ++x) {
      float sum[4] = {0, 0, 0, 0};
      ForEachTap(y, sourceRows, targetRows, [&](std::size_t s, float weight) {
        const float* in = scratch.data() + (s * targetWidth + x) * 4;
        for (std::size_t c = 0; c < 4; ++c) sum[c] += weight * in[c];
      });
      for (std::size_t c = 0; c < 4; ++c) {
        out[x * 4 + c] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[c]), 0L, 255L));
      }
    }
  }
}

}  // namespace Vennicor::Font
