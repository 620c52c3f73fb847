#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "font/faces/detail/FontFace.h"
#include "font/faces/detail/GlyphImage.h"

namespace Vennicor::Font::Detail {

/// What made a font's glyphs: a glyph cache file serves only a font with the same key.
struct GlyphCacheKey {
  std::uint32_t LibraryVersion = 0;
  std::uint64_t FaceIdentity = 0;  ///< FontFace::DataIdentity of the font's own face
  std::uint32_t FaceGlyphs = 0;
  float Size = 0;
  GlyphRendering Rendering;
  std::int32_t LargestImage = 0;  ///< the device's largest texture edge
  std::int32_t AtlasPadding = 0;
};

/// An atlas image as the file holds it; Pixels point into the file's bytes.
struct CachedImage {
  std::int32_t Width = 0;
  std::int32_t Rows = 0;
  GlyphPixelFormat Format = GlyphPixelFormat::Coverage8;
  std::span<const std::uint8_t> Pixels;
};

/// A glyph record as the file holds it, in the font's cache order.
struct CachedGlyph {
  char32_t CodePoint = 0;  ///< 0 for a glyph cached by index only (shaped text)
  std::uint32_t Face = 0;
  std::uint32_t GlyphIndex = 0;
  Graphics::Point Advance;
  std::int32_t ImageLeft = 0;
  std::int32_t ImageTop = 0;
  std::uint32_t AtlasId = 0;
  std::uint32_t OutlineAtlasId = 0;
};

/// What a glyph cache file holds besides its key: the line metrics, the atlas images in the order
/// they were added, how many of them each placing had placed (so that placing them again in the
/// same steps gives the same layout), and the glyph records.
struct GlyphCacheContents {
  FaceMetrics Metrics;
  std::uint32_t FaceCount = 1;
  std::vector<std::uint32_t> PlaceMarks;
  std::vector<CachedImage> Images;
  std::vector<CachedGlyph> Glyphs;
};

/// The bounds every file is held to before anything is allocated for it.
struct GlyphCacheLimits {
  static constexpr std::size_t MaxFileBytes = std::size_t{64} << 20U;
  static constexpr std::uint32_t MaxImages = 1U << 20U;
  static constexpr std::uint32_t MaxGlyphs = 1U << 20U;
  static constexpr std::uint32_t MaxFaces = 256;
  /// Bearings and advances beyond this many pixels are refused (no glyph a texture can hold has
  /// them, and sums of them must not overflow).
  static constexpr std::int32_t MaxOffset = 1 << 20;
};

/// The file's bytes: a header with the key, the contents, then a checksum of all before it.
std::vector<std::uint8_t> WriteGlyphCache(const GlyphCacheKey& key,
                                          const GlyphCacheContents& contents);

/// The contents of `file` when it is a whole, unaltered glyph cache file written for `key` whose
/// fields are each in range: image sizes within the key's largest image (and fitting an empty
/// atlas page with the padding), pixel bytes matching the sizes, place marks rising to the image
/// count, records naming existing images and faces. Otherwise nothing. Linear in the file's size;
/// allocates only after the counts have been checked against the file's length.
std::optional<GlyphCacheContents> ReadGlyphCache(std::span<const std::uint8_t> file,
                                                 const GlyphCacheKey& key);

/// Sets the checksum of a file's bytes as WriteGlyphCache would: for the fuzzer, so that its
/// changes reach the checks behind the checksum.
void SealGlyphCache(std::span<std::uint8_t> file);

}  // namespace Vennicor::Font::Detail
