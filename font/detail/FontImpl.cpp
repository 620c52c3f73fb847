#include "font/detail/FontImpl.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "font/FontException.h"
#include "font/detail/ReserveMore.h"
#include "font/faces/detail/GlyphRendering.h"
#include "font/text/Utf.h"
#include "font/text/detail/ControlCharacter.h"
#include "font/text/detail/EmojiProperties.h"

namespace Vennicor::Font::Detail {

namespace {

// Rendered and placed at construction so that common text needs no atlas update.
constexpr std::u16string_view PreloadCharacters =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    u"!@#$%^&*()-_+=~'`:;,./\\| ";
static_assert(PreloadCharacters.size() == 87);

// A one-byte atlas only where the device offers one (a device that does not would store the
// bytes as Color anyway, through the byte upload's default), and only for a face without colour
// glyphs, which need their colours, in a font without multi-channel fields, which need all four
// channels.
bool IsMultiChannel(const FontOptions& options) {
  return options.DistanceField && options.MultiChannel;
}

Graphics::SurfaceFormat ChooseAtlasFormat(const Graphics::GraphicsDevice& graphicsDevice,
                                          const FontOptions& options, const FontFace& face) {
  using Graphics::SurfaceFormat;
  if (options.AtlasFormat == SurfaceFormat::Alpha8 && !face.HasColor() &&
      !IsMultiChannel(options) && graphicsDevice.SupportsFormat(SurfaceFormat::Alpha8)) {
    return SurfaceFormat::Alpha8;
  }
  return SurfaceFormat::Color;
}

// Fewer new glyphs than this render on the calling thread: starting threads and handing out
// work would cost more than it saves.
constexpr std::size_t GlyphsForThreads = 24;
// A worker takes at least this many glyphs, so short bursts do not start idle threads.
constexpr std::size_t GlyphsPerWorker = 8;
// Threads one font renders with at most.
constexpr std::size_t MostRenderThreads = 16;

std::size_t ThreadsFor(std::int32_t asked) {
  const std::size_t cores = std::max<std::size_t>(std::thread::hardware_concurrency(), 1);
  if (asked == 0) return std::min(cores, MostRenderThreads);
  if (asked < 1) return 1;
  return std::min({static_cast<std::size_t>(asked), cores, MostRenderThreads});
}

// Options the font cannot honour are refused before any glyph is rendered.
const FontOptions& Checked(const FontOptions& options) {
  if (options.DistanceField && std::isfinite(options.OutlineThickness) &&
      options.OutlineThickness > 0) {
    throw FontException(Messages::OutlineWithDistanceField);
  }
  return options;
}

AtlasSettings SettingsFor(Graphics::SurfaceFormat format) {
  AtlasSettings settings;
  settings.Format = format;
  return settings;
}

// The font's own face, rendering as `options` ask and sized before anything reads its metrics
// or kerning.
std::vector<std::unique_ptr<FontFace>> SizedFace(std::unique_ptr<FontFace> face, float size,
                                                 const FontOptions& options) {
  face->SetRendering(RenderingFor(options));
  face->SetVariations(options.Variations);
  face->SetPixelSize(size);
  std::vector<std::unique_ptr<FontFace>> faces;
  faces.push_back(std::move(face));
  return faces;
}

}  // namespace

AtlasShare::AtlasShare(Graphics::GraphicsDevice& graphicsDevice, Graphics::SurfaceFormat format,
                       bool shared)
    : Atlas(graphicsDevice, SettingsFor(format)), Format(format), Shared(shared) {}

std::shared_ptr<AtlasShare> MakeSharedAtlas(Graphics::GraphicsDevice& graphicsDevice,
                                            const FontOptions& options) {
  using Graphics::SurfaceFormat;
  const SurfaceFormat format = options.AtlasFormat == SurfaceFormat::Alpha8 &&
                                       !IsMultiChannel(options) &&
                                       graphicsDevice.SupportsFormat(SurfaceFormat::Alpha8)
                                   ? SurfaceFormat::Alpha8
                                   : SurfaceFormat::Color;
  return std::make_shared<AtlasShare>(graphicsDevice, format, true);
}

FontImpl::Membership::Membership(AtlasShare& share, FontImpl* font) : Share(share), Font(font) {
  share.Fonts.push_back(font);
}

void FontImpl::Membership::Leave() { std::erase(Share.Fonts, Font); }

FontImpl::FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace,
                   float size, const FontOptions& fontOptions,
                   std::shared_ptr<AtlasShare> sharedAtlas)
    : size(size),
      options(Checked(fontOptions)),
      faces(SizedFace(std::move(fontFace), size, fontOptions)),
      share(sharedAtlas
                ? std::move(sharedAtlas)
                : std::make_shared<AtlasShare>(
                      graphicsDevice,
                      ChooseAtlasFormat(graphicsDevice, fontOptions, *faces.front()), false)),
      membership(*share, this),
      atlasFormat(share->Format),
      atlas(share->Atlas),
      whiteBlock(share->WhiteBlock),
      useStamp(share->UseStamp),
      kerning(*faces.front()),
      largestImage(graphicsDevice.MaxTextureSize()),
      renderThreads(ThreadsFor(fontOptions.RenderThreads)) {
  faces.front()->SetLargestImage(largestImage);
  subpixelSteps = faces.front()->Rendering().SubpixelSteps;
  if (share->Shared) {
    // A face with colour glyphs needs colour pages, for the fonts there before it too.
    if (ChooseAtlasFormat(graphicsDevice, fontOptions, *faces.front()) !=
            Graphics::SurfaceFormat::Alpha8 &&
        atlasFormat != Graphics::SurfaceFormat::Color) {
      atlas.ChangeFormat(Graphics::SurfaceFormat::Color);
      atlasFormat = Graphics::SurfaceFormat::Color;
    }
  } else if (!options.GlyphCache.empty()) {
    // A cache file gives the atlas ids of an atlas that holds only this font's glyphs.
    startedFromGlyphCache = LoadGlyphCache(options.GlyphCache);
  }
  EnsureGlyphsExist(PreloadCharacters);
  UpdateAtlas();
}

FontImpl::~FontImpl() = default;

void FontImpl::EnsureGlyphsExist(std::u16string_view text, std::int32_t step) {
  // Every glyph of this text is marked with the new stamp, so that placing the text's new
  // glyphs never drops an atlas page that holds one of the others.
  BeginUse();
  if (renderThreads > 1) RenderAhead(text);
  // Whatever was rendered ahead and not taken (an error stopped the walk) goes.
  struct ForgetAhead {
    std::size_t& Count;
    ~ForgetAhead() { Count = 0; }
  } forgetAhead{aheadCount};
  for (std::size_t index = 0; index < text.size();) {
    char32_t character = text[index];
    if (IsPrintableAscii(character)) {
      ++index;
    } else {
      character = DecodeUtf16(text, index);
      if (IsControlCharacter(character)) continue;
    }
    const GlyphEntry* entry = characters.Find(character);
    if (entry == nullptr) {
      AddGlyph(character);
      if (step == 0) continue;
      entry = characters.Find(character);
    } else {
      Use(*entry);
    }
    if (step == 0) continue;
    if (const GlyphEntry* known = Shifted(*entry, step)) {
      Use(*known);  // what UseShifted does first, without its call a glyph
    } else {
      UseShifted(*entry, step);
    }
  }
}

// The new characters in the order the walk of EnsureGlyphsExist meets them, each once.
// Their faces cannot change before AddGlyph takes them: the installed-font fallback, which adds
// faces as it goes, renders on the calling thread, and so do FreeType's distance fields, whose
// spread is a property of the whole FreeType library (multi-channel ones are the library's own).
void FontImpl::RenderAhead(std::u16string_view text) {
  aheadCount = 0;
  aheadNext = 0;
  if (systemFonts || !RendersOnThreads()) return;
  std::size_t fresh = 0;
  for (std::size_t index = 0; index < text.size() && fresh < GlyphsForThreads;) {
    const char32_t c = DecodeUtf16(text, index);
    if (!IsControlCharacter(c) && characters.Find(c) == nullptr) ++fresh;
  }
  if (fresh < GlyphsForThreads) return;
  std::unordered_set<char32_t> seen;
  for (std::size_t index = 0; index < text.size();) {
    const char32_t c = DecodeUtf16(text, index);
    if (IsControlCharacter(c) || characters.Find(c) != nullptr || !seen.insert(c).second) continue;
    if (aheadCount == ahead.size()) ahead.emplace_back();
    RenderedAhead& glyph = ahead[aheadCount++];
    glyph.Character = c;
    glyph.Glyph = Resolve(c);
    glyph.Error = nullptr;
    glyph.Rendered = false;
  }
  RenderListedAhead();
}

bool FontImpl::HasGlyphOfIndex(FaceGlyph glyph) const {
  return glyph.Face < glyphIndexes.size() && glyph.GlyphIndex < glyphIndexes[glyph.Face].size() &&
         glyphIndexes[glyph.Face][glyph.GlyphIndex] != nullptr;
}

// A layout's glyphs, found by index: their faces were all added while the text was itemized,
// so they cannot change before GlyphOfIndex takes them.
void FontImpl::RenderGlyphsAhead(std::span<const FaceGlyph> wanted) {
  aheadCount = 0;
  aheadNext = 0;
  if (!RendersOnThreads()) return;
  std::size_t fresh = 0;
  for (std::size_t k = 0; k < wanted.size() && fresh < GlyphsForThreads; ++k) {
    if (!HasGlyphOfIndex(wanted[k])) ++fresh;
  }
  if (fresh < GlyphsForThreads) return;
  std::unordered_set<std::uint64_t> seen;
  for (const FaceGlyph& glyph : wanted) {
    if (HasGlyphOfIndex(glyph) ||
        !seen.insert((std::uint64_t{glyph.Face} << 32U) | glyph.GlyphIndex).second) {
      continue;
    }
    if (aheadCount == ahead.size()) ahead.emplace_back();
    RenderedAhead& slot = ahead[aheadCount++];
    slot.Character = 0;
    slot.Glyph = glyph;
    slot.Error = nullptr;
    slot.Rendered = false;
  }
  RenderListedAhead();
}

void FontImpl::RenderListedAhead() {
  const std::size_t workers =
      std::min(renderThreads, (aheadCount + GlyphsPerWorker - 1) / GlyphsPerWorker);
  if (workerFaces.size() < workers) workerFaces.resize(workers);
  std::atomic<std::size_t> next{0};
  const bool outlined = HasOutlines();
  const auto work = [&](std::size_t worker) {
    for (std::size_t k = next.fetch_add(1); k < aheadCount; k = next.fetch_add(1)) {
      RenderedAhead& glyph = ahead[k];
      FontFace* face =
          worker == 0 ? faces[glyph.Glyph.Face].get() : WorkerFace(worker, glyph.Glyph.Face);
      // A face that cannot be opened again leaves its glyphs to AddGlyph.
      if (face == nullptr) continue;
      try {
        face->RenderGlyph(glyph.Glyph.GlyphIndex, glyph.Image, outlined ? &glyph.Outline : nullptr);
      } catch (...) {
        glyph.Error = std::current_exception();
      }
      glyph.Rendered = true;
    }
  };
  {
    std::vector<std::jthread> threads;
    threads.reserve(workers);
    try {
      for (std::size_t worker = 1; worker < workers; ++worker) threads.emplace_back(work, worker);
    } catch (const std::system_error&) {
      // Threads the system would not start leave their share to the others.
    }
    work(0);
  }
}

FontFace* FontImpl::WorkerFace(std::size_t worker, std::uint32_t face) {
  std::vector<std::unique_ptr<FontFace>>& copies = workerFaces[worker];
  if (copies.size() <= face) copies.resize(std::size_t{face} + 1);
  if (!copies[face]) {
    try {
      copies[face] = faces[face]->OpenAgain();
    } catch (const FontException&) {
      return nullptr;
    }
  }
  return copies[face].get();
}

void FontImpl::UseTracked(const GlyphEntry& used) {
  // Records are the font's own; the const reference is what callers of GlyphOfIndex hold.
  auto& entry = const_cast<GlyphEntry&>(used);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  if (atlas.Entry(entry.AtlasId).Dropped ||
      (HasOutlines() && atlas.Entry(entry.OutlineAtlasId).Dropped)) {
    RenderAgain(entry);
  }
  atlas.Touch(entry.AtlasId, useStamp);
  if (HasOutlines()) atlas.Touch(entry.OutlineAtlasId, useStamp);
}

FaceGlyph FontImpl::Resolve(char32_t character) const {
  if (const GlyphEntry* entry = Find(character)) return {entry->Face, entry->GlyphIndex};
  const std::uint32_t face = FaceFor(character);
  return {face, faces[face]->GlyphIndex(character)};
}

std::uint32_t FontImpl::FaceFor(char32_t codePoint) const {
  // A lone face answers every character, had or not: no lookup needed.
  if (faces.size() == 1) return 0;
  if (HasEmojiPresentation(codePoint)) {
    for (std::uint32_t face = 1; face < faces.size(); ++face) {
      if (faces[face]->HasColor() && FaceHas(face, codePoint)) return face;
    }
  }
  for (std::uint32_t face = 0; face < faces.size(); ++face) {
    if (FaceHas(face, codePoint)) return face;
  }
  return 0;
}

bool FontImpl::FaceHasCluster(std::uint32_t face, std::u16string_view cluster) const {
  for (std::size_t index = 0; index < cluster.size();) {
    const char32_t c = DecodeUtf16(cluster, index);
    if (!FaceHas(face, c) && !IsDefaultIgnorable(c)) return false;
  }
  return true;
}

std::uint32_t FontImpl::FaceForCluster(std::u16string_view cluster, std::uint32_t current) const {
  std::size_t index = 0;
  const char32_t first = DecodeUtf16(cluster, index);
  // One lookup for the common case: a lone character of Latin text.
  if (index == cluster.size() && first < 0x80) {
    if (IsControlCharacter(first)) return current;
    return FaceHas(0, first) ? 0 : FaceFor(first);
  }
  if (IsControlCharacter(first)) return current;
  // Joiners and other default-ignorables on their own stay with the text around them.
  bool ignorable = true;
  for (index = 0; ignorable && index < cluster.size();) {
    ignorable = IsDefaultIgnorable(DecodeUtf16(cluster, index));
  }
  if (ignorable) return current;
  const Presentation presentation =
      faces.size() > 1 ? PresentationOf(cluster) : Presentation::Default;
  if (presentation != Presentation::Default) {
    const bool wantsColor = presentation == Presentation::Emoji;
    for (std::uint32_t face = 0; face < faces.size(); ++face) {
      if (faces[face]->HasColor() == wantsColor && FaceHasCluster(face, cluster)) return face;
    }
  }
  for (std::uint32_t face = 0; face < faces.size(); ++face) {
    if (FaceHasCluster(face, cluster)) return face;
  }
  return FaceFor(first);
}

bool FontImpl::AnyFaceKerns() const {
  return std::any_of(faces.begin(), faces.end(),
                     [](const std::unique_ptr<FontFace>& face) { return face->HasKerning(); });
}

void FontImpl::AddGlyph(char32_t character) {
  FaceGlyph glyph = Resolve(character);
  if (systemFonts) {
    const bool emoji = HasEmojiPresentation(character);
    if ((glyph.GlyphIndex == 0 || (emoji && !faces[glyph.Face]->HasColor())) &&
        AddSystemFaceFor(character, emoji)) {
      glyph = Resolve(character);
    }
  }
  characters.Reserve(character);
  GlyphEntry& entry = AddImage(glyph);
  entry.Record.Character =
      character <= 0xFFFF ? static_cast<char16_t>(character) : char16_t{ReplacementCharacter};
  entry.Record.CodePoint = character;
  characters.Set(character, &entry);
}

GlyphEntry& FontImpl::AddImage(FaceGlyph glyph) {
  // Glyph indices are below a face's glyph count (at most 65535): a table indexed by them
  // answers shaped text without hashing.
  if (glyph.Face >= glyphIndexes.size()) glyphIndexes.resize(std::size_t{glyph.Face} + 1);
  std::vector<GlyphEntry*>& indexes = glyphIndexes[glyph.Face];
  if (glyph.GlyphIndex >= indexes.size()) indexes.resize(std::size_t{glyph.GlyphIndex} + 1);
  ReserveMore(unplaced);
  GlyphEntry entry;
  entry.CacheOrder = static_cast<std::uint32_t>(glyphs.size());
  RenderInto(entry, glyph);
  glyphs.push_back(entry);
  unplaced.push_back(&glyphs.back());
  // The first record of a glyph serves the layout; characters sharing a glyph (a face that maps
  // two characters to one glyph) keep records of their own.
  if (indexes[glyph.GlyphIndex] == nullptr) indexes[glyph.GlyphIndex] = &glyphs.back();
  return glyphs.back();
}

void FontImpl::RenderInto(GlyphEntry& entry, FaceGlyph glyph) {
  const bool outlined = HasOutlines();
  RenderedAhead* rendered = aheadNext < aheadCount ? &ahead[aheadNext] : nullptr;
  if (rendered != nullptr && rendered->Glyph.Face == glyph.Face &&
      rendered->Glyph.GlyphIndex == glyph.GlyphIndex && rendered->Rendered) {
    ++aheadNext;
    if (rendered->Error) std::rethrow_exception(rendered->Error);
    // The buffers trade places, so that each keeps its capacity for the next call.
    std::swap(image, rendered->Image);
    if (outlined) std::swap(outlineImage, rendered->Outline);
  } else {
    if (rendered != nullptr && rendered->Glyph.Face == glyph.Face &&
        rendered->Glyph.GlyphIndex == glyph.GlyphIndex) {
      ++aheadNext;
    }
    faces[glyph.Face]->RenderGlyph(glyph.GlyphIndex, image, outlined ? &outlineImage : nullptr);
  }
  entry.Face = glyph.Face;
  entry.GlyphIndex = glyph.GlyphIndex;
  entry.Record.Advance = image.Advance;
  entry.Record.IsColor = image.Format == GlyphPixelFormat::Bgra32;
  AddToAtlas(entry);
}

void FontImpl::AddToAtlas(GlyphEntry& entry) {
  entry.AtlasId = atlas.Add(image);
  atlas.Touch(entry.AtlasId, useStamp);
  // Added right after the glyph so that a glyph and its outline are placed side by side.
  if (HasOutlines()) {
    entry.OutlineAtlasId = atlas.Add(outlineImage);
    atlas.Touch(entry.OutlineAtlasId, useStamp);
  }
  entry.ImageLeft = image.Left;
  entry.ImageTop = image.Top;
}

void FontImpl::UseShiftedFor(std::u16string_view text, std::int32_t step) {
  for (std::size_t index = 0; index < text.size();) {
    char32_t character = text[index];
    if (IsPrintableAscii(character)) {
      ++index;
    } else {
      character = DecodeUtf16(text, index);
      if (IsControlCharacter(character)) continue;
    }
    if (const GlyphEntry* entry = characters.Find(character)) UseShifted(*entry, step);
  }
}

const GlyphEntry& FontImpl::UseShifted(const GlyphEntry& entry, std::int32_t step) {
  if (const GlyphEntry* known = Shifted(entry, step)) {
    Use(*known);
    return *known;
  }
  // Records are the font's own; the const reference is what callers of GlyphOfIndex hold.
  auto& base = const_cast<GlyphEntry&>(entry);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  const GlyphEntry*& slot = base.Shifts[static_cast<std::size_t>(step - 1)];
  const std::int32_t shift = step * 64 / subpixelSteps;
  const bool outlined = HasOutlines();
  if (base.Record.IsColor ||
      !faces[base.Face]->RenderGlyph(base.GlyphIndex, image, outlined ? &outlineImage : nullptr,
                                     shift)) {
    slot = &base;  // a glyph that cannot move draws its one image on whole pixels
    Use(base);
    return base;
  }
  ReserveMore(unplaced);
  GlyphEntry moved;
  moved.Record = base.Record;
  moved.GlyphIndex = base.GlyphIndex;
  moved.CacheOrder = base.CacheOrder;
  moved.Face = base.Face;
  moved.Shift = shift;
  moved.Shifts = {};
  AddToAtlas(moved);
  shifted.push_back(moved);
  unplaced.push_back(&shifted.back());
  slot = &shifted.back();
  return shifted.back();
}

// A glyph whose atlas page was emptied gets its image back; its record (and every reference
// to it) stays the same.
void FontImpl::RenderAgain(GlyphEntry& entry) {
  ReserveMore(unplaced);
  const bool outlined = HasOutlines();
  faces[entry.Face]->RenderGlyph(entry.GlyphIndex, image, outlined ? &outlineImage : nullptr,
                                 entry.Shift);
  atlas.Readd(entry.AtlasId, image);
  if (outlined) atlas.Readd(entry.OutlineAtlasId, outlineImage);
  unplaced.push_back(&entry);
}

void FontImpl::EnableSystemFallback() {
  if (!systemFonts) systemFonts = SystemFonts::Open(*faces.front());
}

void FontImpl::AddSystemFacesFor(std::u16string_view text) {
  if (!systemFonts) return;
  for (std::size_t index = 0; index < text.size();) {
    const char32_t c = DecodeUtf16(text, index);
    if (IsControlCharacter(c) || IsDefaultIgnorable(c)) continue;
    const bool emoji = HasEmojiPresentation(c);
    bool served = false;
    for (std::uint32_t face = 0; !served && face < faces.size(); ++face) {
      served = (!emoji || faces[face]->HasColor()) && FaceHas(face, c);
    }
    if (!served) AddSystemFaceFor(c, emoji);
  }
}

bool FontImpl::AddSystemFaceFor(char32_t character, bool color) {
  if (systemFiles.size() >= MaxSystemFaces || systemMisses.contains(character)) return false;
  const std::optional<InstalledFace> found = systemFonts->FaceFor(character, color);
  if (!found ||
      std::find(systemFiles.begin(), systemFiles.end(), found->File) != systemFiles.end()) {
    // Bounded, so that text of many characters no installed face serves stays cheap to hold.
    if (systemMisses.size() >= 4096) systemMisses.clear();
    systemMisses.insert(character);
    return false;
  }
  systemFiles.push_back(found->File);
  std::unique_ptr<FontFace> face;
  try {
    face = std::make_unique<FontFace>(found->File);
  } catch (const FontException&) {
    return false;  // a file FreeType cannot open is not tried again
  }
  const std::size_t before = faces.size();
  try {
    AddFallbackFace(std::move(face));
  } catch (const FontException&) {
    // A face that cannot be sized is left out; one that failed to render a cached character
    // again stays, as AddFallbackFace leaves it.
  }
  return faces.size() > before;
}

void FontImpl::AddFallbackFace(std::unique_ptr<FontFace> fallback) {
  fallback->SetRendering(faces.front()->Rendering());
  fallback->SetVariations(options.Variations);
  fallback->SetPixelSize(size);
  fallback->SetLargestImage(largestImage);
  faces.reserve(faces.size() + 1);
  // A font that needs colour uses a Color atlas: a one-byte atlas would keep only the shapes of
  // the new face's colour glyphs.
  if (fallback->HasColor() && atlasFormat != Graphics::SurfaceFormat::Color) {
    atlas.ChangeFormat(Graphics::SurfaceFormat::Color);
    atlasFormat = Graphics::SurfaceFormat::Color;
  }
  faces.push_back(std::move(fallback));
  ++faceGeneration;
  const auto face = static_cast<std::uint32_t>(faces.size() - 1);
  // Characters cached as missing glyphs may be the new face's, and so may emoji cached from a
  // face without colour when the new face has it: their records change in place and are placed
  // by the next atlas update.
  const bool color = faces.back()->HasColor();
  for (GlyphEntry& entry : glyphs) {
    const char32_t character = entry.Record.CodePoint;
    if (character == 0) continue;
    const bool missing = entry.Face == 0 && entry.GlyphIndex == 0;
    if (!missing && !(color && !faces[entry.Face]->HasColor() && HasEmojiPresentation(character))) {
      continue;
    }
    const std::uint32_t glyph = faces.back()->GlyphIndex(character);
    if (glyph == 0) continue;
    // The record no longer shows its old glyph, which shaped text may ask for.
    if (entry.Face < glyphIndexes.size() && entry.GlyphIndex < glyphIndexes[entry.Face].size() &&
        glyphIndexes[entry.Face][entry.GlyphIndex] == &entry) {
      glyphIndexes[entry.Face][entry.GlyphIndex] = nullptr;
    }
    ReserveMore(unplaced);
    RenderInto(entry, FaceGlyph{face, glyph});
    entry.Shifts = {};  // its images at fractions showed the old glyph
    ++shiftEpoch;
    unplaced.push_back(&entry);
  }
}

const GlyphEntry& FontImpl::GlyphOfIndex(std::uint32_t glyphIndex, std::uint32_t face) {
  if (face < glyphIndexes.size() && glyphIndex < glyphIndexes[face].size() &&
      glyphIndexes[face][glyphIndex] != nullptr) {
    return *glyphIndexes[face][glyphIndex];
  }
  return AddImage(FaceGlyph{face, glyphIndex});
}

std::uint32_t FontImpl::UseWhiteBlock() {
  // Three texels square: the middle one samples white whatever the filtering.
  static const GlyphImage block = [] {
    GlyphImage white;
    white.Width = 3;
    white.Rows = 3;
    white.Pixels.assign(9, 255);
    return white;
  }();
  if (!whiteBlock) {
    whiteBlock = atlas.Add(block);
  } else if (atlas.Entry(*whiteBlock).Dropped) {
    atlas.Readd(*whiteBlock, block);
  }
  atlas.Touch(*whiteBlock, useStamp);
  return *whiteBlock;
}

Graphics::Rectangle FontImpl::WhiteTexel(std::uint32_t& page) const {
  const AtlasEntry& entry = atlas.Entry(*whiteBlock);
  page = entry.Page;
  return {entry.Position.X + 1, entry.Position.Y + 1, 1, 1};
}

const std::shared_ptr<Graphics::Texture2D>& FontImpl::UpdateAtlas() {
  if (!atlas.NeedsUpdate()) return atlas.Texture();
  if (atlas.NeedsPlacing()) PlaceGlyphs();
  atlas.Upload();
  return atlas.Texture();
}

void FontImpl::PlaceGlyphs() {
  const bool othersMoved = atlas.Place(useStamp);
  // Records show their glyph's place from the moment it is placed: every record after a
  // growth or an emptied page, the new (or newly rendered) ones otherwise; in every font of a
  // shared atlas, since one Place places and moves the images of them all.
  for (FontImpl* font : share->Fonts) font->ShowPlaces(othersMoved);
}

void FontImpl::ShowPlaces(bool all) {
  if (all) {
    for (GlyphEntry& entry : glyphs) ShowPlace(entry);
    for (GlyphEntry& entry : shifted) ShowPlace(entry);
  } else {
    for (GlyphEntry* entry : unplaced) ShowPlace(*entry);
  }
  unplaced.clear();
}

void FontImpl::ShowPlace(GlyphEntry& entry) {
  const AtlasEntry& placed = atlas.Entry(entry.AtlasId);
  entry.Record.Bounds = Graphics::Rectangle{0, 0, placed.Width, placed.Rows};
  entry.Record.Offset = Graphics::Point{entry.ImageLeft, Metrics().Ascent - entry.ImageTop};
  if (placed.Width > 0 && placed.Rows > 0) entry.Record.Position = placed.Position;
  entry.Record.Page = static_cast<std::int32_t>(placed.Page);
  if (HasOutlines()) {
    const AtlasEntry& outline = atlas.Entry(entry.OutlineAtlasId);
    entry.OutlineSource =
        Graphics::Rectangle{outline.Position.X, outline.Position.Y, outline.Width, outline.Rows};
    entry.OutlinePage = outline.Page;
    const std::int32_t margin = faces.front()->Rendering().OutlineMargin;
    entry.OutlineOffset =
        Graphics::Point{entry.Record.Offset.X - margin, entry.Record.Offset.Y - margin};
  }
}

void FontImpl::Dispose() {
  // Every face's library reference goes last, whatever throws before.
  struct ReleaseLibraries {
    std::vector<std::unique_ptr<FontFace>>& Faces;
    ~ReleaseLibraries() {
      for (const std::unique_ptr<FontFace>& face : Faces) face->ReleaseLibrary();
    }
  } releaseLibraries{faces};
  companion.reset();  // it may hold references on the faces
  workerFaces.clear();
  for (const std::unique_ptr<FontFace>& face : faces) face->Close();
  // A shared atlas serves the family's other fonts: this one only stops following it.
  if (share->Shared) {
    membership.Leave();
  } else {
    atlas.Dispose();
  }
}

}  // namespace Vennicor::Font::Detail
