#include "font/atlas/detail/GlyphAtlas.h"

#include <cstring>
#include <utility>

#include "font/FontException.h"
#include "graphics/Rectangle.h"

namespace Vennicor::Font::Detail {

namespace {

constexpr std::int32_t LargestEdgePower = 30;

}  // namespace

GlyphAtlas::GlyphAtlas(Graphics::GraphicsDevice& graphicsDevice, AtlasSettings settings)
    : graphicsDevice(graphicsDevice), settings(settings) {}

std::uint32_t GlyphAtlas::Add(const GlyphImage& image) {
  AtlasEntry entry;
  entry.Width = image.Width;
  entry.Rows = image.Rows;
  if (!image.IsEmpty()) {
    const std::size_t bytes =
        static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Rows);
    std::uint8_t* pixels = images.Allocate(bytes);
    std::memcpy(pixels, image.Pixels.data(), bytes);
    entry.Pixels = pixels;
  }
  // Should appending fail, the bytes stay unused in their block; nothing else changed.
  entries.push_back(entry);
  return static_cast<std::uint32_t>(entries.size() - 1);
}

std::int32_t GlyphAtlas::CheckedEdge(std::int32_t power) const {
  if (power > LargestEdgePower || (std::int32_t{1} << power) > graphicsDevice.MaxTextureSize()) {
    throw FontException(Messages::AtlasTooLarge);
  }
  return std::int32_t{1} << power;
}

// Places the entries added since the last update. When one does not fit, the edge doubles and
// every entry is placed again from the first, into a new texture. The work happens on a trial
// packer and is committed only when everything fits and the texture exists, so a refused
// growth leaves the atlas as it was.
std::uint32_t GlyphAtlas::Place() {
  if (!NeedsPlacing()) return Count();
  std::int32_t power = edgePower;
  std::size_t first = placedCount;
  bool grew = !packer.has_value();
  if (grew) {
    power = settings.FirstEdgePower;
    const std::int32_t edge = CheckedEdge(power);
    trialPacker = VyrelRectanglePacker(edge, edge);
    first = 0;
  } else {
    trialPacker = *packer;  // reuses the trial packer's memory
  }

  const std::int32_t padding = settings.Padding;
  placements.clear();
  for (std::size_t i = first; i < entries.size();) {
    const AtlasEntry& entry = entries[i];
    Graphics::Point placement;
    if (entry.Width > 0 && entry.Rows > 0 &&
        !trialPacker.TryPack(entry.Width + padding, entry.Rows + padding, placement)) {
      const std::int32_t edge = CheckedEdge(++power);
      trialPacker = VyrelRectanglePacker(edge, edge);
      grew = true;
      first = 0;
      i = 0;
      placements.clear();
      continue;
    }
    placements.push_back(placement);
    ++i;
  }

  std::shared_ptr<Graphics::Texture2D> newTexture;
  if (grew) {
    newTexture = graphicsDevice.CreateTexture2D(
        trialPacker.PackingAreaWidth(), trialPacker.PackingAreaHeight(), false, settings.Format);
  }

  if (!packer) packer.emplace(0, 0);
  std::swap(*packer, trialPacker);
  edgePower = power;
  for (std::size_t i = first; i < entries.size(); ++i) {
    AtlasEntry& entry = entries[i];
    if (entry.Width > 0 && entry.Rows > 0) entry.Position = placements[i - first];
  }
  placedCount = entries.size();
  if (grew) {
    // The replaced texture is only dropped: sprites queued with it keep it alive.
    texture = std::move(newTexture);
    uploadedCount = 0;
  }
  return static_cast<std::uint32_t>(first);
}

void GlyphAtlas::Upload() {
  for (; uploadedCount < entries.size(); ++uploadedCount) {
    const AtlasEntry& entry = entries[uploadedCount];
    if (entry.Width <= 0 || entry.Rows <= 0) continue;
    const std::size_t pixelCount =
        static_cast<std::size_t>(entry.Width) * static_cast<std::size_t>(entry.Rows);
    if (uploadPixels.size() < pixelCount) uploadPixels.resize(pixelCount);
    // White in premultiplied alpha: the tint gives the colour when drawing.
    const std::uint8_t* source = entry.Pixels;
    Graphics::Color* target = uploadPixels.data();
    for (std::size_t k = 0; k < pixelCount; ++k) {
      const std::uint8_t v = source[k];
      target[k].R = v;
      target[k].G = v;
      target[k].B = v;
      target[k].A = v;
    }
    texture->SetData(
        0, Graphics::Rectangle{entry.Position.X, entry.Position.Y, entry.Width, entry.Rows},
        std::span<const Graphics::Color>(uploadPixels.data(), pixelCount));
  }
}

void GlyphAtlas::Dispose() {
  if (texture) {
    const std::shared_ptr<Graphics::Texture2D> disposed = std::move(texture);
    disposed->Dispose();
  }
}

}  // namespace Vennicor::Font::Detail
