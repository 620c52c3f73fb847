#include "font/cache/detail/GlyphCacheFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

#include "font/cache/detail/ContentHash.h"

namespace Vennicor::Font::Detail {

namespace {

// Layout, every number little-endian:
//   magic "VNGLYPHS", format, key, metrics, face count, counts of marks, images and glyphs
//   marks    u32 each: images placed by then
//   images   width, rows (i32), format (u32) each
//   glyphs   code point, face, glyph index, advance x, y, left, top, atlas id, outline id
//   pixels   each image's bytes in turn
//   checksum u64 of everything before it
constexpr std::string_view Magic = "VNGLYPHS";
constexpr std::uint32_t FormatVersion = 1;
constexpr std::size_t ChecksumBytes = 8;
constexpr std::size_t ImageBytes = 12;
constexpr std::size_t GlyphBytes = 36;

class Writer {
 public:
  void U32(std::uint32_t value) { Bytes(&value, 4); }
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void U64(std::uint64_t value) { Bytes(&value, 8); }
  void Bytes(const void* data, std::size_t count) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), first, first + count);
  }
  std::vector<std::uint8_t>& Out() { return out; }

 private:
  std::vector<std::uint8_t> out;
};

// Reads from a span; every read past the end fails and leaves the reader failed.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}
  bool Ok() const { return ok; }
  std::size_t Left() const { return bytes.size() - position; }
  std::uint32_t U32() {
    std::uint32_t value = 0;
    Copy(&value, 4);
    return value;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint64_t U64() {
    std::uint64_t value = 0;
    Copy(&value, 8);
    return value;
  }
  std::span<const std::uint8_t> Take(std::size_t count) {
    if (!ok || count > Left()) {
      ok = false;
      return {};
    }
    const std::span<const std::uint8_t> taken = bytes.subspan(position, count);
    position += count;
    return taken;
  }

 private:
  void Copy(void* value, std::size_t count) {
    const std::span<const std::uint8_t> taken = Take(count);
    if (ok) std::memcpy(value, taken.data(), count);
  }

  std::span<const std::uint8_t> bytes;
  std::size_t position = 0;
  bool ok = true;
};

void WriteKey(Writer& writer, const GlyphCacheKey& key) {
  writer.Bytes(Magic.data(), Magic.size());
  writer.U32(FormatVersion);
  writer.U32(key.LibraryVersion);
  writer.U64(key.FaceIdentity);
  writer.U32(key.FaceGlyphs);
  writer.U32(std::bit_cast<std::uint32_t>(key.Size));
  const GlyphRendering& rendering = key.Rendering;
  writer.I32(rendering.LoadFlags);
  writer.U32(static_cast<std::uint32_t>(rendering.RenderMode));
  writer.U32((rendering.Bold ? 1U : 0U) | (rendering.Oblique ? 2U : 0U) |
             (rendering.MultiChannel ? 4U : 0U));
  writer.I32(rendering.OutlineRadius);
  writer.I32(rendering.OutlineMargin);
  writer.I32(rendering.Spread);
  writer.I32(rendering.SubpixelSteps);
  writer.I32(key.LargestImage);
  writer.I32(key.AtlasPadding);
}

std::size_t KeyBytes() {
  Writer writer;
  WriteKey(writer, {});
  return writer.Out().size();
}

std::uint64_t Checksum(std::span<const std::uint8_t> bytes) {
  ContentHash hash(0x676C797068636163ULL);
  hash.Add(bytes);
  return hash.Value();
}

bool InRange(std::int32_t value) {
  return value >= -GlyphCacheLimits::MaxOffset && value <= GlyphCacheLimits::MaxOffset;
}

}  // namespace

std::vector<std::uint8_t> WriteGlyphCache(const GlyphCacheKey& key,
                                          const GlyphCacheContents& contents) {
  Writer writer;
  WriteKey(writer, key);
  const FaceMetrics& metrics = contents.Metrics;
  writer.I32(metrics.Ascent);
  writer.I32(metrics.Descent);
  writer.I32(metrics.LineHeight);
  writer.I32(metrics.Leading);
  writer.U32(contents.FaceCount);
  writer.U32(static_cast<std::uint32_t>(contents.PlaceMarks.size()));
  writer.U32(static_cast<std::uint32_t>(contents.Images.size()));
  writer.U32(static_cast<std::uint32_t>(contents.Glyphs.size()));
  for (const std::uint32_t mark : contents.PlaceMarks) writer.U32(mark);
  for (const CachedImage& image : contents.Images) {
    writer.I32(image.Width);
    writer.I32(image.Rows);
    writer.U32(static_cast<std::uint32_t>(image.Format));
  }
  for (const CachedGlyph& glyph : contents.Glyphs) {
    writer.U32(glyph.CodePoint);
    writer.U32(glyph.Face);
    writer.U32(glyph.GlyphIndex);
    writer.I32(glyph.Advance.X);
    writer.I32(glyph.Advance.Y);
    writer.I32(glyph.ImageLeft);
    writer.I32(glyph.ImageTop);
    writer.U32(glyph.AtlasId);
    writer.U32(glyph.OutlineAtlasId);
  }
  for (const CachedImage& image : contents.Images) {
    writer.Bytes(image.Pixels.data(), image.Pixels.size());
  }
  writer.U64(Checksum(writer.Out()));
  return std::move(writer.Out());
}

void SealGlyphCache(std::span<std::uint8_t> file) {
  if (file.size() < ChecksumBytes) return;
  const std::uint64_t checksum = Checksum(file.first(file.size() - ChecksumBytes));
  std::memcpy(file.data() + file.size() - ChecksumBytes, &checksum, ChecksumBytes);
}

std::optional<GlyphCacheContents> ReadGlyphCache(std::span<const std::uint8_t> file,
                                                 const GlyphCacheKey& key) {
  const std::size_t keyBytes = KeyBytes();
  if (file.size() > GlyphCacheLimits::MaxFileBytes || file.size() < keyBytes + ChecksumBytes) {
    return std::nullopt;
  }
  // The key first: a stale or foreign file costs no more than comparing it.
  Writer expected;
  WriteKey(expected, key);
  if (!std::equal(expected.Out().begin(), expected.Out().end(), file.begin())) return std::nullopt;
  const std::span<const std::uint8_t> body = file.first(file.size() - ChecksumBytes);
  std::uint64_t stored = 0;
  std::memcpy(&stored, file.data() + body.size(), ChecksumBytes);
  if (stored != Checksum(body)) return std::nullopt;

  Reader reader(body.subspan(keyBytes));
  GlyphCacheContents contents;
  contents.Metrics.Ascent = reader.I32();
  contents.Metrics.Descent = reader.I32();
  contents.Metrics.LineHeight = reader.I32();
  contents.Metrics.Leading = reader.I32();
  contents.FaceCount = reader.U32();
  const std::uint32_t marks = reader.U32();
  const std::uint32_t images = reader.U32();
  const std::uint32_t glyphs = reader.U32();
  if (!reader.Ok() || contents.FaceCount == 0 || contents.FaceCount > GlyphCacheLimits::MaxFaces ||
      images > GlyphCacheLimits::MaxImages || glyphs > GlyphCacheLimits::MaxGlyphs ||
      marks > images || (images > 0 && marks == 0)) {
    return std::nullopt;
  }
  // The tables must fit the bytes left before anything is allocated for them.
  const std::uint64_t tableBytes = std::uint64_t{marks} * 4 + std::uint64_t{images} * ImageBytes +
                                   std::uint64_t{glyphs} * GlyphBytes;
  if (tableBytes > reader.Left()) return std::nullopt;

  contents.PlaceMarks.resize(marks);
  std::uint32_t previous = 0;
  for (std::uint32_t& mark : contents.PlaceMarks) {
    mark = reader.U32();
    if (mark <= previous || mark > images) return std::nullopt;
    previous = mark;
  }
  if (images > 0 && previous != images) return std::nullopt;

  // An image needs one texel of padding right and below, and the packer one row more, within
  // a page of the largest edge.
  const std::int64_t edge = key.LargestImage;
  std::uint64_t pixelBytes = 0;
  contents.Images.resize(images);
  for (CachedImage& image : contents.Images) {
    image.Width = reader.I32();
    image.Rows = reader.I32();
    const std::uint32_t format = reader.U32();
    if (format > static_cast<std::uint32_t>(GlyphPixelFormat::Field32) || image.Width < 0 ||
        image.Rows < 0 || (image.Width == 0) != (image.Rows == 0)) {
      return std::nullopt;
    }
    image.Format = static_cast<GlyphPixelFormat>(format);
    if (image.Width > 0 && (image.Width + std::int64_t{key.AtlasPadding} > edge ||
                            image.Rows + std::int64_t{key.AtlasPadding} >= edge)) {
      return std::nullopt;
    }
    pixelBytes += static_cast<std::uint64_t>(image.Width) * static_cast<std::uint64_t>(image.Rows) *
                  BytesPerPixel(image.Format);
  }

  contents.Glyphs.resize(glyphs);
  for (CachedGlyph& glyph : contents.Glyphs) {
    glyph.CodePoint = reader.U32();
    glyph.Face = reader.U32();
    glyph.GlyphIndex = reader.U32();
    glyph.Advance.X = reader.I32();
    glyph.Advance.Y = reader.I32();
    glyph.ImageLeft = reader.I32();
    glyph.ImageTop = reader.I32();
    glyph.AtlasId = reader.U32();
    glyph.OutlineAtlasId = reader.U32();
    if (glyph.CodePoint > 0x10FFFF || glyph.Face >= contents.FaceCount ||
        glyph.GlyphIndex > 0xFFFF || glyph.AtlasId >= images || glyph.OutlineAtlasId >= images ||
        !InRange(glyph.Advance.X) || !InRange(glyph.Advance.Y) || !InRange(glyph.ImageLeft) ||
        !InRange(glyph.ImageTop)) {
      return std::nullopt;
    }
  }

  // The pixels fill exactly what is left.
  if (!reader.Ok() || pixelBytes != reader.Left()) return std::nullopt;
  for (CachedImage& image : contents.Images) {
    image.Pixels = reader.Take(static_cast<std::size_t>(image.Width) *
                               static_cast<std::size_t>(image.Rows) * BytesPerPixel(image.Format));
  }
  if (!reader.Ok()) return std::nullopt;
  return contents;
}

}  // namespace Vennicor::Font::Detail
