#include "font/atlas/detail/GlyphAtlas.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "font/FontException.h"
#include "font/detail/ReserveMore.h"
#include "graphics/Rectangle.h"

namespace Vennicor::Font::Detail {

namespace {

constexpr std::int32_t LargestEdgePower = 30;
// Dropped images are only given back in bulk, once they outweigh the live ones by this much.
constexpr std::size_t SmallestCompaction = std::size_t{64} << 10U;

bool HasImage(const AtlasEntry& entry) { return entry.Width > 0 && entry.Rows > 0; }

std::size_t PixelCount(const AtlasEntry& entry) {
  return HasImage(entry)
             ? static_cast<std::size_t>(entry.Width) * static_cast<std::size_t>(entry.Rows)
             : 0;
}

std::size_t ImageBytes(const AtlasEntry& entry) {
  return PixelCount(entry) * BytesPerPixel(entry.Format);
}

// Texels of an image, premultiplied as the textures hold them.
void ToTexels(const AtlasEntry& entry, std::size_t pixelCount, Graphics::Color* target) {
  const std::uint8_t* source = entry.Pixels;
  if (entry.Format == GlyphPixelFormat::Bgra32) {
    // Colour glyphs come premultiplied: only the channel order changes.
    for (std::size_t k = 0; k < pixelCount; ++k, source += 4) {
      target[k] = Graphics::Color(source[2], source[1], source[0], source[3]);
    }
    return;
  }
  if (entry.Format == GlyphPixelFormat::Field32) {
    // Distances, not colours: every channel as it is.
    for (std::size_t k = 0; k < pixelCount; ++k, source += 4) {
      target[k] = Graphics::Color(source[0], source[1], source[2], source[3]);
    }
    return;
  }
  // Coverage becomes white in premultiplied alpha: the tint gives the colour when drawing.
  // Spelled as whole texels: one multiply and one store a texel. Blocks of 16 go through a
  // local copy, so that the compiler knows the stores cannot change the bytes and vectorizes.
  std::size_t k = 0;
  for (; k + 16 <= pixelCount; k += 16) {
    std::array<std::uint8_t, 16> block;
    std::memcpy(block.data(), source + k, block.size());
    std::array<std::uint32_t, 16> texels;
    for (std::size_t j = 0; j < block.size(); ++j)
      texels[j] = std::uint32_t{block[j]} * 0x01010101U;
    std::memcpy(static_cast<void*>(target + k), texels.data(), sizeof(texels));
  }
  for (; k < pixelCount; ++k) {
    target[k] = std::bit_cast<Graphics::Color>(std::uint32_t{source[k]} * 0x01010101U);
  }
}

}  // namespace

const std::shared_ptr<Graphics::Texture2D> GlyphAtlas::noTexture;

GlyphAtlas::GlyphAtlas(Graphics::GraphicsDevice& graphicsDevice, AtlasSettings settings)
    : graphicsDevice(graphicsDevice), settings(settings) {
  SetPageLimit(settings.PageLimit);
}

void GlyphAtlas::StoreImage(AtlasEntry& entry, std::int32_t width, std::int32_t rows,
                            GlyphPixelFormat format, const std::uint8_t* pixels) {
  entry.Width = width;
  entry.Rows = rows;
  entry.Format = format;
  entry.Pixels = nullptr;
  if (HasImage(entry)) {
    const std::size_t bytes = ImageBytes(entry);
    std::uint8_t* stored = images.Allocate(bytes);
    std::memcpy(stored, pixels, bytes);
    entry.Pixels = stored;
    liveBytes += bytes;
  }
}

std::uint32_t GlyphAtlas::Add(const GlyphImage& image) {
  return Add(image.Width, image.Rows, image.Format, image.Pixels.data());
}

std::uint32_t GlyphAtlas::Add(std::int32_t width, std::int32_t rows, GlyphPixelFormat format,
                              const std::uint8_t* pixels) {
  ReserveMore(entries);
  ReserveMore(pending);
  ReserveMore(placeMarks);  // so that Place can record its mark
  AtlasEntry entry;
  // Should storing fail, the bytes stay unused in their block; nothing else changed.
  StoreImage(entry, width, rows, format, pixels);
  entries.push_back(entry);
  const auto id = static_cast<std::uint32_t>(entries.size() - 1);
  pending.push_back(id);
  return id;
}

void GlyphAtlas::Readd(std::uint32_t id, const GlyphImage& image) {
  ReserveMore(pending);
  AtlasEntry& entry = entries[id];
  StoreImage(entry, image.Width, image.Rows, image.Format, image.Pixels.data());
  entry.Dropped = false;
  keptEveryImage = false;
  pending.push_back(id);
}

std::int32_t GlyphAtlas::CheckedEdge(std::int32_t power) const {
  if (power > LargestEdgePower || (std::int32_t{1} << power) > graphicsDevice.MaxTextureSize()) {
    throw FontException(Messages::AtlasTooLarge);
  }
  return std::int32_t{1} << power;
}

std::int32_t GlyphAtlas::LargestEdge() const {
  return std::min(graphicsDevice.MaxTextureSize(), std::int32_t{1} << LargestEdgePower);
}

// The packer never fills the last row of an area, so an image needs one row more than it has.
bool GlyphAtlas::FitsAnEmptyPage(const AtlasEntry& entry, std::int32_t edge) const {
  if (!HasImage(entry)) return true;
  return std::int64_t{entry.Width} + settings.Padding <= edge &&
         std::int64_t{entry.Rows} + settings.Padding < edge;
}

bool GlyphAtlas::Place(std::uint64_t stamp) {
  if (pending.empty()) return false;
  // Refused before anything changes: an image that no page could ever hold.
  const std::int32_t largest = LargestEdge();
  for (const std::uint32_t id : pending) {
    if (!FitsAnEmptyPage(entries[id], largest)) throw FontException(Messages::AtlasTooLarge);
  }
  // Uses were not tracked while the atlas was one growing page: take that page as used by the
  // text being placed, so that it is not emptied under it.
  if (!tracksUse && !pages.empty()) pages[0].LastUse = stamp;
  bool moved = TrimPages(stamp);
  std::size_t next = 0;
  // The first page grows while it is the only one; after that every page keeps its edge.
  if (pages.size() <= 1) next = PlaceOnFirstPage(moved);
  if (next < pending.size()) moved = PlaceOnLaterPages(next, stamp) || moved;
  pending.clear();
  placeMarks.push_back(Count());
  if (deadBytes > SmallestCompaction && deadBytes > liveBytes) CompactImages();
  UpdateTracksUse();
  return moved;
}

void GlyphAtlas::UpdateTracksUse() {
  // Once set it stays: the first page stops growing for good.
  tracksUse =
      tracksUse || pages.size() > 1 ||
      (!pages.empty() && (edgePower >= LargestEdgePower ||
                          (std::int32_t{1} << (edgePower + 1)) > graphicsDevice.MaxTextureSize()));
}

std::int32_t GlyphAtlas::SmallestPossiblePower(std::span<const std::uint32_t> old) const {
  std::uint64_t area = 0;
  const auto padding = static_cast<std::uint64_t>(settings.Padding);
  const auto add = [&](std::uint32_t id) {
    const AtlasEntry& entry = entries[id];
    if (HasImage(entry)) {
      area += (static_cast<std::uint64_t>(entry.Width) + padding) *
              (static_cast<std::uint64_t>(entry.Rows) + padding);
    }
  };
  for (const std::uint32_t id : old) add(id);
  for (const std::uint32_t id : pending) add(id);
  std::int32_t power = 0;
  while (power < LargestEdgePower && (std::uint64_t{1} << (2 * power)) < area &&
         (std::int32_t{1} << (power + 1)) <= graphicsDevice.MaxTextureSize()) {
    ++power;
  }
  return power;
}

// Places the pending entries on the first page, doubling its edge while one does not fit and
// the device allows; a growth places every entry of the page again, in order, into a new
// texture. The work happens on a trial packer and is committed only once the texture exists, so
// an error leaves the atlas as it was. Returns how many pending entries got a place; the rest
// go to later pages.
std::size_t GlyphAtlas::PlaceOnFirstPage(bool& moved) {
  const bool first = pages.empty();
  std::int32_t power = first ? settings.FirstEdgePower : edgePower;
  if (first) CheckedEdge(power);  // a device too small for even the first page is refused

  std::vector<std::uint32_t> old;
  if (!first) {
    for (std::uint32_t id = 0; id < entries.size(); ++id) {
      if (entries[id].Placed && entries[id].Page == 0) old.push_back(id);
    }
  }

  bool grown = first;
  // An edge whose square is smaller than the images' total area (padding included) cannot hold
  // them, so trying it could only fail: the doubling goes straight to the first edge that
  // might, which gives the same placements. It stops where the device does.
  if (const std::int32_t smallest = SmallestPossiblePower(old); smallest > power) {
    power = smallest;
    grown = true;
  }
  bool mayGrow = true;
  std::size_t placedCount = 0;
  for (;;) {
    const std::int32_t edge = std::int32_t{1} << power;
    if (grown) {
      trialPacker = VyrelRectanglePacker(edge, edge);
    } else {
      trialPacker = pages[0].Packer;  // reuses the trial packer's memory
    }
    candidates.clear();
    if (grown) candidates.insert(candidates.end(), old.begin(), old.end());
    candidates.insert(candidates.end(), pending.begin(), pending.end());
    placements.clear();
    placedCount = 0;
    for (; placedCount < candidates.size(); ++placedCount) {
      const AtlasEntry& entry = entries[candidates[placedCount]];
      Graphics::Point placement;
      if (HasImage(entry) && !trialPacker.TryPack(entry.Width + settings.Padding,
                                                  entry.Rows + settings.Padding, placement)) {
        break;
      }
      placements.push_back(placement);
    }
    if (placedCount == candidates.size()) break;
    if (mayGrow && power < LargestEdgePower &&
        (std::int32_t{1} << (power + 1)) <= graphicsDevice.MaxTextureSize()) {
      ++power;
      grown = true;
      continue;
    }
    // The page is as large as the device allows. Should the page's own entries not fit again
    // after a growth, it keeps its edge and takes what still fits.
    if (grown && !first && placedCount < old.size()) {
      power = edgePower;
      grown = false;
      mayGrow = false;
      continue;
    }
    break;
  }

  std::shared_ptr<Graphics::Texture2D> texture;
  if (grown) {
    texture = graphicsDevice.CreateTexture2D(
        trialPacker.PackingAreaWidth(), trialPacker.PackingAreaHeight(), false, settings.Format);
  }
  if (pages.empty()) pages.emplace_back();
  Page& page = pages[0];
  std::swap(page.Packer, trialPacker);
  edgePower = power;
  // A grown page uploads every one of its images again: uploads still waiting would only be
  // written twice (placing steps replayed from a glyph cache file grow the page without an
  // upload between them).
  if (grown) {
    uploads.clear();
    uploadCursor = 0;
  }
  ReserveMore(uploads, placedCount);
  for (std::size_t k = 0; k < placedCount; ++k) {
    AtlasEntry& entry = entries[candidates[k]];
    if (HasImage(entry)) entry.Position = placements[k];
    entry.Page = 0;
    entry.Placed = true;
    page.LastUse = std::max(page.LastUse, entry.LastUse);
    uploads.push_back(candidates[k]);
  }
  if (grown) {
    // The replaced texture is only dropped: sprites queued with it keep it alive.
    page.Texture = std::move(texture);
    moved = moved || !first;
  }
  return placedCount - (grown ? old.size() : 0);
}

// Places pending entries from `first` on into the current later page, opening (or emptying)
// pages as they fill. Returns true when a page was emptied.
bool GlyphAtlas::PlaceOnLaterPages(std::size_t first, std::uint64_t stamp) {
  bool moved = false;
  for (std::size_t k = first; k < pending.size(); ++k) {
    AtlasEntry& entry = entries[pending[k]];
    Graphics::Point placement;
    if (HasImage(entry)) {
      const std::int32_t width = entry.Width + settings.Padding;
      const std::int32_t rows = entry.Rows + settings.Padding;
      if (!pages[currentPage].Packer.TryPack(width, rows, placement)) {
        moved = OpenPage(stamp) || moved;
        // An empty page of the largest edge holds every image that Place let through.
        if (!pages[currentPage].Packer.TryPack(width, rows, placement)) {
          throw FontException(Messages::AtlasTooLarge);
        }
      }
      entry.Position = placement;
    }
    entry.Page = currentPage;
    entry.Placed = true;
    pages[currentPage].LastUse = std::max(pages[currentPage].LastUse, entry.LastUse);
    uploads.push_back(pending[k]);
  }
  return moved;
}

// Gives back pages beyond the limit (a text that needed them all is drawn by now): the least
// recently used one that holds nothing used at `stamp` is emptied, and the last page takes its
// number. Returns true when a page went.
bool GlyphAtlas::TrimPages(std::uint64_t stamp) {
  bool trimmed = false;
  while (pages.size() > static_cast<std::size_t>(settings.PageLimit)) {
    std::optional<std::uint32_t> oldest;
    for (std::uint32_t p = 0; p < pages.size(); ++p) {
      if (pages[p].LastUse < stamp && (!oldest || pages[p].LastUse < pages[*oldest].LastUse)) {
        oldest = p;
      }
    }
    if (!oldest) break;
    const auto last = static_cast<std::uint32_t>(pages.size() - 1);
    for (AtlasEntry& entry : entries) {
      if (!entry.Placed) continue;
      if (entry.Page == *oldest) {
        Drop(entry);
      } else if (entry.Page == last) {
        entry.Page = *oldest;
      }
    }
    if (*oldest != last) pages[*oldest] = std::move(pages[last]);
    pages.pop_back();
    if (currentPage == last) currentPage = *oldest;
    if (currentPage >= pages.size()) currentPage = last - 1;
    // Uploads still queued follow their entries; those of dropped ones are skipped.
    trimmed = true;
  }
  if (trimmed && pages.size() == 1) {
    // One page again: it is the first page, at the edge it has.
    const std::int32_t edge = pages[0].Packer.PackingAreaWidth();
    edgePower = 0;
    while ((std::int32_t{1} << edgePower) < edge) ++edgePower;
    currentPage = 0;
  }
  return trimmed;
}

void GlyphAtlas::Drop(AtlasEntry& entry) {
  keptEveryImage = false;
  const std::size_t bytes = ImageBytes(entry);
  liveBytes -= bytes;
  deadBytes += bytes;
  entry.Pixels = nullptr;
  entry.Placed = false;
  entry.Dropped = true;
}

// Makes a fresh page current: a new one of the largest edge while under the page limit, else
// the least recently used page that holds nothing used at `stamp`, emptied (its entries are
// dropped). When every page is in use at `stamp`, one text needs them all: a page beyond the
// limit is opened. The texture is made first, so that a device error changes nothing.
bool GlyphAtlas::OpenPage(std::uint64_t stamp) {
  std::optional<std::uint32_t> oldest;
  if (pages.size() >= static_cast<std::size_t>(settings.PageLimit)) {
    for (std::uint32_t p = 0; p < pages.size(); ++p) {
      if (pages[p].LastUse < stamp && (!oldest || pages[p].LastUse < pages[*oldest].LastUse)) {
        oldest = p;
      }
    }
  }
  if (!oldest) {
    const std::int32_t edge = LargestEdge();
    pages.reserve(pages.size() + 1);
    Page page;
    page.Texture = graphicsDevice.CreateTexture2D(edge, edge, false, settings.Format);
    page.Packer = VyrelRectanglePacker(edge, edge);
    page.LastUse = stamp;
    pages.push_back(std::move(page));
    currentPage = static_cast<std::uint32_t>(pages.size() - 1);
    return false;
  }

  Page& page = pages[*oldest];
  const std::int32_t width = page.Packer.PackingAreaWidth();
  const std::int32_t height = page.Packer.PackingAreaHeight();
  std::shared_ptr<Graphics::Texture2D> texture =
      graphicsDevice.CreateTexture2D(width, height, false, settings.Format);
  for (AtlasEntry& entry : entries) {
    if (entry.Placed && entry.Page == *oldest) Drop(entry);
  }
  // As with a growth, sprites queued with the old texture keep it.
  page.Texture = std::move(texture);
  page.Packer = VyrelRectanglePacker(width, height);
  page.LastUse = stamp;
  currentPage = *oldest;
  return true;
}

// Copies the images still in use into a fresh store, so that dropped ones give their memory
// back.
void GlyphAtlas::CompactImages() {
  ImageStore fresh;
  for (AtlasEntry& entry : entries) {
    if (entry.Pixels == nullptr) continue;
    const std::size_t bytes = ImageBytes(entry);
    std::uint8_t* pixels = fresh.Allocate(bytes);
    std::memcpy(pixels, entry.Pixels, bytes);
    entry.Pixels = pixels;
  }
  images = std::move(fresh);
  deadBytes = 0;
}

void GlyphAtlas::Upload() {
  for (; uploadCursor < uploads.size(); ++uploadCursor) {
    const AtlasEntry& entry = entries[uploads[uploadCursor]];
    // An entry dropped since it was placed has nothing to show.
    if (!entry.Placed || !HasImage(entry)) continue;
    const std::size_t pixelCount = PixelCount(entry);
    Graphics::Texture2D& texture = *pages[entry.Page].Texture;
    const Graphics::Rectangle area{entry.Position.X, entry.Position.Y, entry.Width, entry.Rows};
    if (texture.Format() == Graphics::SurfaceFormat::Alpha8) {
      if (entry.Format == GlyphPixelFormat::Coverage8) {
        texture.SetAlphaData(0, area, std::span<const std::uint8_t>(entry.Pixels, pixelCount));
        continue;
      }
      // A colour glyph in a one-byte atlas keeps only its shape (its alpha). Fonts never get
      // here (one that gains a colour face turns its atlas Color); other users of an atlas may.
      if (uploadAlpha.size() < pixelCount) uploadAlpha.resize(pixelCount);
      for (std::size_t k = 0; k < pixelCount; ++k) uploadAlpha[k] = entry.Pixels[4 * k + 3];
      texture.SetAlphaData(0, area, std::span<const std::uint8_t>(uploadAlpha.data(), pixelCount));
      continue;
    }
    if (uploadPixels.size() < pixelCount) uploadPixels.resize(pixelCount);
    ToTexels(entry, pixelCount, uploadPixels.data());
    texture.SetData(0, area, std::span<const Graphics::Color>(uploadPixels.data(), pixelCount));
  }
  uploads.clear();
  uploadCursor = 0;
}

void GlyphAtlas::ChangeFormat(Graphics::SurfaceFormat format) {
  if (format == settings.Format) return;
  std::vector<std::shared_ptr<Graphics::Texture2D>> textures;
  textures.reserve(pages.size());
  for (const Page& page : pages) {
    textures.push_back(page.Texture
                           ? graphicsDevice.CreateTexture2D(page.Texture->Width(),
                                                            page.Texture->Height(), false, format)
                           : nullptr);
  }
  std::vector<std::uint32_t> all;
  all.reserve(entries.size());
  for (std::uint32_t id = 0; id < entries.size(); ++id) {
    if (entries[id].Placed) all.push_back(id);
  }
  // As with a growth, sprites queued with the old textures keep them.
  for (std::size_t p = 0; p < pages.size(); ++p) pages[p].Texture = std::move(textures[p]);
  settings.Format = format;
  uploads = std::move(all);
  uploadCursor = 0;
}

void GlyphAtlas::Dispose() {
  for (Page& page : pages) {
    if (page.Texture) {
      const std::shared_ptr<Graphics::Texture2D> disposed = std::move(page.Texture);
      disposed->Dispose();
    }
  }
}

}  // namespace Vennicor::Font::Detail
