#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "font/atlas/detail/ImageStore.h"
#include "font/faces/detail/GlyphImage.h"
#include "font/packing/VyrelRectanglePacker.h"
#include "graphics/Color.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Point.h"
#include "graphics/SurfaceFormat.h"
#include "graphics/Texture2D.h"

namespace Vennicor::Font::Detail {

/// How an atlas lays out and stores its images.
struct AtlasSettings {
  std::int32_t Padding = 1;  ///< empty texels right of and below each image
  Graphics::SurfaceFormat Format = Graphics::SurfaceFormat::Color;
  std::int32_t FirstEdgePower = 6;  ///< the first texture is 2^this texels square
};

/// One image held by the atlas.
struct AtlasEntry {
  Graphics::Point Position;  ///< top-left in the texture; meaningful once placed
  std::int32_t Width = 0;
  std::int32_t Rows = 0;
  const std::uint8_t* Pixels = nullptr;  ///< coverage, rows packed tightly; null when empty
};

/// Glyph images packed into one square texture whose edge doubles when an image no longer fits.
/// Images are kept, so growing re-places and re-uploads them without rendering them again. It
/// knows nothing of characters or faces: entries are numbered in the order they were added, and
/// a growth places them all again in that order.
class GlyphAtlas {
 public:
  GlyphAtlas(Graphics::GraphicsDevice& graphicsDevice, AtlasSettings settings);

  /// Copies an image in as a new entry, placed by the next Update. Amortised constant time.
  std::uint32_t Add(const GlyphImage& image);
  std::uint32_t Count() const { return static_cast<std::uint32_t>(entries.size()); }
  const AtlasEntry& Entry(std::uint32_t id) const { return entries[id]; }

  /// True while an entry is not placed or not uploaded.
  bool NeedsUpdate() const { return uploadedCount != entries.size(); }
  /// True while an entry is not placed.
  bool NeedsPlacing() const { return placedCount != entries.size(); }
  /// Places the entries added since the last placing, growing the texture when one does not
  /// fit. \returns the first entry whose position may have changed: 0 after a growth, else the
  /// first new one. Linear in the entries placed.
  /// \throws FontException "The glyph atlas would exceed ..." when the texture would pass the
  /// device's MaxTextureSize(), and whatever the device's CreateTexture2D throws; the atlas is
  /// then as it was.
  std::uint32_t Place();
  /// Uploads the placed entries the texture lacks, one SetData each. A texture error passes
  /// through; the upload resumes with the failed entry on the next call.
  void Upload();

  /// The texture, or null before the first Update or after Dispose.
  const std::shared_ptr<Graphics::Texture2D>& Texture() const { return texture; }
  /// Edge of the texture in texels as a power of two.
  std::int32_t EdgePower() const { return edgePower; }
  /// Disposes the texture. Idempotent.
  void Dispose();

 private:
  std::int32_t CheckedEdge(std::int32_t power) const;

  Graphics::GraphicsDevice& graphicsDevice;
  AtlasSettings settings;
  ImageStore images;
  std::vector<AtlasEntry> entries;
  std::optional<VyrelRectanglePacker> packer;
  VyrelRectanglePacker trialPacker{0, 0};     // placement happens here first, then is swapped in
  std::vector<Graphics::Point> placements;    // reused by PlaceNewEntries
  std::vector<Graphics::Color> uploadPixels;  // reused for each image's upload
  std::size_t placedCount = 0;                // entries placed in `packer`, uploaded or not
  std::size_t uploadedCount = 0;              // entries in `texture`
  std::int32_t edgePower = 0;
  std::shared_ptr<Graphics::Texture2D> texture;
};

}  // namespace Vennicor::Font::Detail
