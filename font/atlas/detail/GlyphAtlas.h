#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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
  /// Pages kept before the least recently used one is emptied for new images. A single text
  /// that needs more pages than this still gets them.
  std::int32_t PageLimit = 4;
};

/// One image held by the atlas.
struct AtlasEntry {
  Graphics::Point Position;  ///< top-left in its page's texture; meaningful once placed
  std::int32_t Width = 0;
  std::int32_t Rows = 0;
  const std::uint8_t* Pixels = nullptr;  ///< rows packed tightly; null when empty
  GlyphPixelFormat Format = GlyphPixelFormat::Coverage8;
  std::uint32_t Page = 0;     ///< the page that holds it, once placed
  std::uint64_t LastUse = 0;  ///< the use stamp it was last touched with
  bool Placed = false;        ///< has its place on Page
  bool Dropped = false;       ///< its page was emptied: it needs its image again
};

/// Glyph images packed into square textures ("pages"). The first page's edge doubles when an
/// image no longer fits, as long as the device's MaxTextureSize() allows; then further pages of
/// the largest edge are opened, and beyond the page limit the least recently used page is
/// emptied (its entries are Dropped and must be given their images again with Readd). Images are
/// kept, so a growth re-places and re-uploads them without rendering them again. It knows
/// nothing of characters or faces: entries are numbered in the order they were added.
///
/// A texture the atlas replaces (a growth, an emptied page) is only released by the atlas: a
/// sprite queued with it keeps it alive and shows what it showed.
class GlyphAtlas {
 public:
  GlyphAtlas(Graphics::GraphicsDevice& graphicsDevice, AtlasSettings settings);

  /// Copies an image in as a new entry, placed by the next Place. Amortised constant time.
  std::uint32_t Add(const GlyphImage& image);
  /// The same for an image given by its size, format and tightly packed pixels.
  std::uint32_t Add(std::int32_t width, std::int32_t rows, GlyphPixelFormat format,
                    const std::uint8_t* pixels);
  /// Gives a Dropped entry its image again; it is placed by the next Place.
  void Readd(std::uint32_t id, const GlyphImage& image);
  std::uint32_t Count() const { return static_cast<std::uint32_t>(entries.size()); }
  const AtlasEntry& Entry(std::uint32_t id) const { return entries[id]; }
  /// False while the atlas is one page that can still grow: no page can be emptied before the
  /// next Place then, so marking the entries a text uses can wait. (Place treats that page as
  /// used by the text it places.) Cheap enough for every character drawn.
  bool TracksUse() const { return tracksUse; }
  /// Marks an entry used at `stamp` (stamps only grow). Place never empties a page that holds
  /// an entry used at its own stamp.
  void Touch(std::uint32_t id, std::uint64_t stamp) {
    AtlasEntry& entry = entries[id];
    entry.LastUse = stamp;
    if (entry.Placed) pages[entry.Page].LastUse = stamp;
  }

  /// True while an entry is not placed or not uploaded.
  bool NeedsUpdate() const { return !pending.empty() || uploadCursor < uploads.size(); }
  /// True while an entry is not placed.
  bool NeedsPlacing() const { return !pending.empty(); }
  /// Places the entries added since the last placing: into the first page (doubling it while
  /// the device allows), then into further pages. `stamp` is the current use stamp.
  /// \returns true when entries placed before may have moved or been dropped (a growth or an
  /// emptied page), false when only the new entries got places. Linear in the entries placed.
  /// \throws FontException "The glyph atlas would exceed ..." when an image would not fit even
  /// an empty page of the largest edge, or the first page not even at its first edge; and
  /// whatever the device's CreateTexture2D throws. The atlas is then as it was when the error
  /// comes before any page changed (always for the first case).
  bool Place(std::uint64_t stamp);
  /// Uploads the placed entries their pages lack, one SetData each. A texture error passes
  /// through; the upload resumes with the failed entry on the next call.
  void Upload();

  /// The first page's texture, or null before the first Place or after Dispose.
  const std::shared_ptr<Graphics::Texture2D>& Texture() const { return PageTexture(0); }
  /// A page's texture (null past the last page).
  const std::shared_ptr<Graphics::Texture2D>& PageTexture(std::uint32_t page) const {
    return page < pages.size() ? pages[page].Texture : noTexture;
  }
  std::uint32_t PageCount() const { return static_cast<std::uint32_t>(pages.size()); }
  /// Sets the page limit (at least 1). A text whose glyphs already fill every page may still
  /// open one more; pages beyond the limit are emptied and given back by the next Place (the
  /// least recently used first), and the last page then takes the number of the one that went.
  void SetPageLimit(std::int32_t limit) { settings.PageLimit = limit < 1 ? 1 : limit; }
  std::int32_t PageLimit() const { return settings.PageLimit; }
  /// Makes every page's texture again in `format`, with the same size, and uploads every placed
  /// image to it by the next Upload; entries keep their places. Textures are made first, so an
  /// error from the device leaves the atlas as it was. Linear in the entries.
  void ChangeFormat(Graphics::SurfaceFormat format);
  Graphics::SurfaceFormat Format() const { return settings.Format; }
  /// The entry count at the end of each Place that placed new entries: adding the same images
  /// again and placing after each of these counts gives the same layout, as long as
  /// KeptEveryImage(). One number a Place.
  std::span<const std::uint32_t> PlaceMarks() const { return placeMarks; }
  /// True while no page has been emptied and no image given again: every entry has the place
  /// the marks give it.
  bool KeptEveryImage() const { return keptEveryImage; }
  std::int32_t Padding() const { return settings.Padding; }
  /// Edge of the first page in texels as a power of two.
  std::int32_t EdgePower() const { return edgePower; }
  /// Disposes every page's texture. Idempotent.
  void Dispose();

 private:
  struct Page {
    VyrelRectanglePacker Packer{0, 0};
    std::shared_ptr<Graphics::Texture2D> Texture;
    std::uint64_t LastUse = 0;
  };

  /// The smallest edge power whose area could hold `old` and the pending entries, no larger
  /// than the device allows.
  std::int32_t SmallestPossiblePower(std::span<const std::uint32_t> old) const;
  std::int32_t CheckedEdge(std::int32_t power) const;
  std::int32_t LargestEdge() const;
  void UpdateTracksUse();
  bool FitsAnEmptyPage(const AtlasEntry& entry, std::int32_t edge) const;
  std::size_t PlaceOnFirstPage(bool& moved);
  bool PlaceOnLaterPages(std::size_t first, std::uint64_t stamp);
  bool OpenPage(std::uint64_t stamp);
  bool TrimPages(std::uint64_t stamp);
  void Drop(AtlasEntry& entry);
  void StoreImage(AtlasEntry& entry, std::int32_t width, std::int32_t rows, GlyphPixelFormat format,
                  const std::uint8_t* pixels);
  void CompactImages();

  Graphics::GraphicsDevice& graphicsDevice;
  AtlasSettings settings;
  ImageStore images;
  std::size_t liveBytes = 0;  // image bytes of entries that are not dropped
  std::size_t deadBytes = 0;  // image bytes in `images` that belong to no entry any more
  std::vector<AtlasEntry> entries;
  std::vector<Page> pages;
  std::uint32_t currentPage = 0;          // the later page that takes new images
  std::vector<std::uint32_t> pending;     // entries waiting for a place, in order
  std::vector<std::uint32_t> uploads;     // placed entries waiting for their upload
  std::size_t uploadCursor = 0;           // uploads before this one are done
  std::vector<std::uint32_t> candidates;  // reused by PlaceOnFirstPage
  std::vector<Graphics::Point> placements;
  VyrelRectanglePacker trialPacker{0, 0};  // placement happens here first, then is swapped in
  std::vector<Graphics::Color> uploadPixels;
  std::vector<std::uint8_t> uploadAlpha;  // reused for colour images in a one-byte atlas
  std::int32_t edgePower = 0;
  static const std::shared_ptr<Graphics::Texture2D> noTexture;
  std::vector<std::uint32_t> placeMarks;  // see PlaceMarks
  bool tracksUse = false;                 // see TracksUse
  bool keptEveryImage = true;             // see KeptEveryImage
};

}  // namespace Vennicor::Font::Detail
