// The font's side of glyph cache files: what it writes, and what it checks and takes back.

#include <algorithm>
#include <limits>

#include "font/FontException.h"
#include "font/Version.h"
#include "font/cache/detail/CacheFileIo.h"
#include "font/detail/FontImpl.h"
#include "font/text/Utf.h"
#include "font/text/detail/ControlCharacter.h"

namespace Vennicor::Font::Detail {

namespace {

static_assert(GlyphCacheLimits::MaxFileBytes == Font::MaxGlyphCacheBytes);

constexpr std::uint32_t NotWritten = std::numeric_limits<std::uint32_t>::max();

bool SameMetrics(const FaceMetrics& a, const FaceMetrics& b) {
  return a.Ascent == b.Ascent && a.Descent == b.Descent && a.LineHeight == b.LineHeight &&
         a.Leading == b.Leading;
}

}  // namespace

GlyphCacheKey FontImpl::CacheKey() const {
  GlyphCacheKey key;
  key.LibraryVersion = VENNICOR_FONT_VERSION;
  key.FaceIdentity = faces.front()->DataIdentity();
  key.FaceGlyphs = faces.front()->GlyphCount();
  key.Size = size;
  key.Rendering = faces.front()->Rendering();
  key.LargestImage = largestImage;
  key.AtlasPadding = atlas.Padding();
  return key;
}

void FontImpl::SaveGlyphCache(const std::filesystem::path& file) const {
  // The atlas's ids and placing steps are those of every font sharing it.
  if (share->Shared) throw FontException(Messages::GlyphCacheOfSharedAtlas);
  GlyphCacheContents contents;
  contents.Metrics = Metrics();
  contents.FaceCount = static_cast<std::uint32_t>(faces.size());
  // Images of emptied pages are gone: what stays is written, placed in one step.
  std::vector<std::uint32_t> written(atlas.Count(), NotWritten);
  contents.Images.reserve(atlas.Count());
  for (std::uint32_t id = 0; id < atlas.Count(); ++id) {
    const AtlasEntry& entry = atlas.Entry(id);
    if (entry.Dropped) continue;
    written[id] = static_cast<std::uint32_t>(contents.Images.size());
    const std::size_t bytes = entry.Pixels == nullptr ? 0
                                                      : static_cast<std::size_t>(entry.Width) *
                                                            static_cast<std::size_t>(entry.Rows) *
                                                            BytesPerPixel(entry.Format);
    contents.Images.push_back(CachedImage{entry.Width, entry.Rows, entry.Format,
                                          std::span<const std::uint8_t>(entry.Pixels, bytes)});
  }
  const auto imageCount = static_cast<std::uint32_t>(contents.Images.size());
  if (atlas.KeptEveryImage()) {
    const std::span<const std::uint32_t> marks = atlas.PlaceMarks();
    contents.PlaceMarks.assign(marks.begin(), marks.end());
  }
  // Images not placed yet would be placed by the next update, in one step.
  if (imageCount > 0 && (contents.PlaceMarks.empty() || contents.PlaceMarks.back() != imageCount)) {
    contents.PlaceMarks.push_back(imageCount);
  }
  const bool outlined = HasOutlines();
  contents.Glyphs.reserve(glyphs.size());
  for (const GlyphEntry& entry : glyphs) {
    const std::uint32_t imageId = written[entry.AtlasId];
    const std::uint32_t outlineId = outlined ? written[entry.OutlineAtlasId] : 0;
    if (imageId == NotWritten || outlineId == NotWritten) continue;
    contents.Glyphs.push_back(CachedGlyph{entry.Record.CodePoint, entry.Face, entry.GlyphIndex,
                                          entry.Record.Advance, entry.ImageLeft, entry.ImageTop,
                                          imageId, outlineId});
  }
  const std::vector<std::uint8_t> bytes = WriteGlyphCache(CacheKey(), contents);
  if (!WriteFileAtomically(file, bytes)) throw FontException(Messages::GlyphCacheNotWritten);
}

bool FontImpl::CacheFitsFace(const GlyphCacheContents& contents) const {
  if (!SameMetrics(contents.Metrics, Metrics())) return false;
  const FontFace& face = *faces.front();
  const std::uint32_t glyphCount = face.GlyphCount();
  const bool outlined = HasOutlines();
  std::vector<char32_t> mapped;
  mapped.reserve(contents.Glyphs.size());
  for (const CachedGlyph& glyph : contents.Glyphs) {
    // Glyphs of fallback faces stay out: the font has none of them yet.
    if (glyph.Face != 0) continue;
    if (glyph.GlyphIndex >= std::max<std::uint32_t>(glyphCount, 1)) return false;
    if (glyph.CodePoint != 0) {
      if (IsControlCharacter(glyph.CodePoint) ||
          face.GlyphIndex(glyph.CodePoint) != glyph.GlyphIndex) {
        return false;
      }
      mapped.push_back(glyph.CodePoint);
    }
    if (contents.Images[glyph.AtlasId].Format == GlyphPixelFormat::Bgra32 && !face.HasColor()) {
      return false;
    }
    if (contents.Images[glyph.AtlasId].Format == GlyphPixelFormat::Field32 &&
        !face.Rendering().MultiChannel) {
      return false;
    }
    if (outlined && contents.Images[glyph.OutlineAtlasId].Format != GlyphPixelFormat::Coverage8) {
      return false;
    }
  }
  std::sort(mapped.begin(), mapped.end());
  return std::adjacent_find(mapped.begin(), mapped.end()) == mapped.end();
}

bool FontImpl::LoadGlyphCache(const std::filesystem::path& file) {
  const std::optional<std::vector<std::uint8_t>> bytes =
      ReadWholeFile(file, GlyphCacheLimits::MaxFileBytes);
  if (!bytes) return false;
  const std::optional<GlyphCacheContents> contents = ReadGlyphCache(*bytes, CacheKey());
  if (!contents || !CacheFitsFace(*contents)) return false;

  // The images go in as they went in when they were rendered, placed in the same steps: the
  // packer then gives every one the place it had.
  BeginUse();
  std::size_t next = 0;
  for (const std::uint32_t mark : contents->PlaceMarks) {
    for (; next < mark; ++next) {
      const CachedImage& cached = contents->Images[next];
      const std::uint32_t id =
          atlas.Add(cached.Width, cached.Rows, cached.Format, cached.Pixels.data());
      atlas.Touch(id, useStamp);
    }
    atlas.Place(useStamp);
  }
  const bool outlined = HasOutlines();
  for (const CachedGlyph& cached : contents->Glyphs) {
    if (cached.Face != 0) continue;
    if (glyphIndexes.empty()) glyphIndexes.resize(1);
    std::vector<GlyphEntry*>& indexes = glyphIndexes.front();
    if (cached.GlyphIndex >= indexes.size()) indexes.resize(std::size_t{cached.GlyphIndex} + 1);
    if (cached.CodePoint != 0) characters.Reserve(cached.CodePoint);
    GlyphEntry entry;
    entry.CacheOrder = static_cast<std::uint32_t>(glyphs.size());
    entry.GlyphIndex = cached.GlyphIndex;
    entry.AtlasId = cached.AtlasId;
    entry.OutlineAtlasId = outlined ? cached.OutlineAtlasId : 0;
    entry.ImageLeft = cached.ImageLeft;
    entry.ImageTop = cached.ImageTop;
    entry.Record.Advance = cached.Advance;
    entry.Record.IsColor = contents->Images[cached.AtlasId].Format == GlyphPixelFormat::Bgra32;
    if (cached.CodePoint != 0) {
      entry.Record.CodePoint = cached.CodePoint;
      entry.Record.Character = cached.CodePoint <= 0xFFFF ? static_cast<char16_t>(cached.CodePoint)
                                                          : char16_t{ReplacementCharacter};
    }
    glyphs.push_back(entry);
    GlyphEntry& kept = glyphs.back();
    ShowPlace(kept);
    if (cached.CodePoint != 0) characters.Set(cached.CodePoint, &kept);
    if (indexes[cached.GlyphIndex] == nullptr) indexes[cached.GlyphIndex] = &kept;
  }
  return true;
}

}  // namespace Vennicor::Font::Detail
