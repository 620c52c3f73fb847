#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "font/FontOptions.h"
#include "font/atlas/detail/GlyphAtlas.h"
#include "font/cache/detail/GlyphCacheFile.h"
#include "font/detail/CharacterMap.h"
#include "font/detail/GlyphEntry.h"
#include "font/detail/SystemFonts.h"
#include "font/faces/detail/FontFace.h"
#include "font/faces/detail/GlyphImage.h"
#include "font/kerning/detail/KerningTable.h"
#include "font/text/detail/ControlCharacter.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Texture2D.h"

namespace Vennicor::Font::Detail {

/// What another part of the library keeps for a font and the font keeps for it (the text
/// layout's shapers and caches): destroyed when the font is disposed, before its faces close,
/// since it may hold references on them.
class FontCompanion {
 public:
  virtual ~FontCompanion() = default;
};

/// A glyph named by its face (0: the font's own, 1..: fallbacks) and its index in that face.
struct FaceGlyph {
  std::uint32_t Face = 0;
  std::uint32_t GlyphIndex = 0;
};

class FontImpl;

/// The atlas a font places its glyphs in, with what belongs to it rather than to one font: its
/// white block, its use stamps and the fonts whose records show its places. A font made alone
/// has one of its own; the fonts of one FontFamily share the family's, so that a text mixing
/// them draws from the same pages. Every font of a shared atlas is used by one thread at a
/// time, together.
class AtlasShare {
 public:
  /// `shared`: an atlas that fonts share (a family's), which no font's Dispose disposes.
  AtlasShare(Graphics::GraphicsDevice& graphicsDevice, Graphics::SurfaceFormat format, bool shared);
  AtlasShare(const AtlasShare&) = delete;
  AtlasShare& operator=(const AtlasShare&) = delete;

  GlyphAtlas Atlas;
  Graphics::SurfaceFormat Format;           ///< the pages' format (Color once any font needs it)
  std::optional<std::uint32_t> WhiteBlock;  ///< its atlas id, once made
  std::uint64_t UseStamp = 0;               ///< one more for each text any font caches glyphs for
  const bool Shared;
  /// The fonts whose records show the atlas's places: each refreshes its records when a Place
  /// moves the images (a growth, an emptied page) or places new ones.
  std::vector<FontImpl*> Fonts;
};

/// A shared atlas for fonts made with `options` on `graphicsDevice` (a FontFamily's): one-byte
/// pages where the options ask and the device offers them, until a font needs colour.
std::shared_ptr<AtlasShare> MakeSharedAtlas(Graphics::GraphicsDevice& graphicsDevice,
                                            const FontOptions& options);

/// What a Font is made of: its faces (its own first, then the fallbacks), the glyphs it has
/// cached by character, their atlas and the kerning. The library's own drawing and layout code
/// works on this directly; the public Font checks its state and forwards.
class FontImpl {
 public:
  /// Sizes the face, caches the common characters and builds the atlas from them, rendering
  /// glyphs as `options` ask; with a usable FontOptions::GlyphCache file, its glyphs first.
  /// With `sharedAtlas` (from MakeSharedAtlas), the glyphs go into that atlas, with those of the
  /// other fonts made with it, and FontOptions::GlyphCache is not read; without, into the
  /// font's own.
  FontImpl(Graphics::GraphicsDevice& graphicsDevice, std::unique_ptr<FontFace> fontFace, float size,
           const FontOptions& options = {}, std::shared_ptr<AtlasShare> sharedAtlas = nullptr);
  ~FontImpl();
  FontImpl(const FontImpl&) = delete;
  FontImpl& operator=(const FontImpl&) = delete;

  /// The cached glyph of a character, or null.
  const GlyphEntry* Find(char32_t character) const { return characters.Find(character); }
  /// The cached glyphs of U+0000..U+00FF by character (null: none), or null; see
  /// CharacterMap::FirstPage.
  const GlyphEntry* const* FirstGlyphPage() const { return characters.FirstPage(); }
  /// Caches a glyph for every non-control character of `text` that has none; a valid surrogate
  /// pair is one character. With a `step` (1 .. SubpixelSteps() - 1), every glyph's image for
  /// that step as well (UseShifted), in the same walk: a line drawn at one fraction of a pixel.
  void EnsureGlyphsExist(std::u16string_view text, std::int32_t step = 0);
  /// Caches the glyph of one character that has none (a control character gets none).
  void EnsureGlyph(char32_t character) {
    if (Find(character) == nullptr && !IsControlCharacter(character)) AddGlyph(character);
  }

  /// Starts a new use of the font (a text about to be drawn): the glyphs that Use marks from now
  /// on are kept in the atlas together.
  void BeginUse() { ++useStamp; }
  /// Marks a cached glyph as used by the current text, rendering it again first when its atlas
  /// page was emptied. \throws FontException "Error loading glyph in FreeType".
  void Use(const GlyphEntry& entry) {
    if (atlas.TracksUse()) UseTracked(entry);
  }

  /// Images a glyph may have along a pixel: 1 (whole pixels), 2 or 4 (FontOptions::Subpixel).
  std::int32_t SubpixelSteps() const { return subpixelSteps; }
  /// The image of `entry` (a record of the font's, not itself a shifted one) for a pen `step`
  /// steps of 1 / SubpixelSteps() into a pixel (1 .. SubpixelSteps() - 1): its own record for a
  /// glyph that does not move (colour, bitmap), null while it has not been rendered.
  static const GlyphEntry* Shifted(const GlyphEntry& entry, std::int32_t step) {
    return entry.Shifts[static_cast<std::size_t>(step - 1)];
  }
  /// The same, rendered into the atlas first when it has not been (placed by the next
  /// UpdateAtlas), and marked used as Use marks. \throws FontException as Use does.
  const GlyphEntry& UseShifted(const GlyphEntry& entry, std::int32_t step);

  /// Changes whenever glyphs lose their images at fractions (their glyph changed when a fallback
  /// face was added), so that whoever noted which images exist knows to look again.
  std::uint32_t ShiftEpoch() const { return shiftEpoch; }
  /// True when the atlas keeps track of which glyphs each text uses (a page limit): every
  /// drawing must mark its images.
  bool TracksUse() const { return atlas.TracksUse(); }
  /// UseShifted for the glyph of every non-control character of `text` (each cached before:
  /// EnsureGlyphsExist), at one step: for a line whose glyphs all sit at the same fraction.
  void UseShiftedFor(std::u16string_view text, std::int32_t step);

  /// The face and glyph a character is drawn with: the first face that maps it, or the font's
  /// own missing glyph (face 0, glyph 0). Cached characters answer from their entry; others
  /// ask each face's character map (FaceFor).
  FaceGlyph Resolve(char32_t character) const;
  /// The fallback rule for one character, the one place it is decided: the first face (the
  /// font's own, then the fallbacks in the order added) that maps the code point, except that a
  /// character shown as emoji by default goes to the first colour face that maps it; 0 when
  /// none does, so that the font's own missing glyph shows. Asks the faces' character maps in
  /// turn.
  std::uint32_t FaceFor(char32_t codePoint) const;
  /// The same rule for a grapheme cluster, as laid-out text chooses faces: the first face that
  /// maps every character of it (a default-ignorable character, such as a joiner or a variation
  /// selector, need not be mapped), trying colour faces first when the cluster asks for emoji
  /// presentation and faces without colour first for VS15. `current` is the face of the
  /// cluster before: a cluster of default-ignorables only, or one that starts with a control
  /// character, stays with it. Without a face that has the whole cluster, FaceFor of its first
  /// character. Costs one character-map lookup a character for each face tried.
  std::uint32_t FaceForCluster(std::u16string_view cluster, std::uint32_t current) const;
  /// True when face `face` maps the code point.
  bool FaceHas(std::uint32_t face, char32_t codePoint) const {
    return faces[face]->GlyphIndex(codePoint) != 0;
  }

  /// Kerning in 26.6 of two cached glyphs: zero unless both come from one face.
  KerningVector KerningOf(const GlyphEntry& left, const GlyphEntry& right) const {
    // One test for the common case, two glyphs of the font's own face.
    if ((left.Face | right.Face) == 0) [[likely]] {
      return kerning.Of(left.CacheOrder, left.GlyphIndex, right.CacheOrder, right.GlyphIndex);
    }
    if (left.Face != right.Face) return {};
    return faces[left.Face]->Kerning(left.GlyphIndex, right.GlyphIndex);
  }
  /// The same, with the flat table of the own face's common pairs read inline: for walks over
  /// many pairs, once AnyFaceKerns() said kerning is worth asking for.
  KerningVector KerningOfCached(const GlyphEntry& left, const GlyphEntry& right) const {
    std::int32_t known = 0;
    if ((left.Face | right.Face) == 0 &&
        kerning.TryCommon(left.CacheOrder, right.CacheOrder, known)) [[likely]] {
      return {known, 0};
    }
    return KerningOf(left, right);
  }
  /// True when some face has kerning data; otherwise every pair's kerning is (0, 0).
  bool AnyFaceKerns() const;
  /// Kerning in 26.6 of two glyphs, cached or not: zero unless both come from one face.
  KerningVector KerningOf(FaceGlyph left, FaceGlyph right) const {
    if (left.Face != right.Face) return {};
    if (left.Face == 0) return kerning.OfGlyphs(left.GlyphIndex, right.GlyphIndex);
    return faces[left.Face]->Kerning(left.GlyphIndex, right.GlyphIndex);
  }

  /// From now on, characters no face has (and emoji no colour face has) are looked for among
  /// the installed fonts; a face found is opened once and appended as a fallback. Reads the
  /// installed fonts once (SystemFonts::Open); calling again changes nothing.
  void EnableSystemFallback();
  /// For laid-out text, before its faces are chosen: adds the installed faces that characters
  /// of `text` need, as EnableSystemFallback describes. Nothing without it; with it, one
  /// character-map lookup a character for the faces that have it.
  void AddSystemFacesFor(std::u16string_view text);
  /// Installed faces one font opens at most; characters that would need more show as missing.
  static constexpr std::size_t MaxSystemFaces = 16;

  /// Opens no file itself: sizes `fallback` to the font's size and appends it to the faces, then
  /// renders again from it the cached characters that no face had.
  /// \throws FontException from sizing (nothing changed) or from rendering (the face stays).
  void AddFallbackFace(std::unique_ptr<FontFace> fallback);
  /// The faces, the font's own first and then the fallbacks in the order added; a GlyphEntry's
  /// Face indexes this. For layout code that shapes each run of text with its own face.
  std::span<const std::unique_ptr<FontFace>> Faces() const { return faces; }
  /// Changes whenever a face is added: whoever keeps something per face (shapers) compares it
  /// with the generation it last saw to stay in step.
  std::uint32_t FaceGeneration() const { return faceGeneration; }

  /// The glyph of glyph index `glyphIndex` of face `face` (0: the font's own), rendered into the
  /// atlas on first use: shaped text names glyphs by index. Shares the record of a character
  /// cached earlier with the same glyph. The reference stays valid for the font's life.
  /// \throws FontException "Error loading glyph in FreeType".
  const GlyphEntry& GlyphOfIndex(std::uint32_t glyphIndex, std::uint32_t face = 0);
  /// With more than one render thread and enough new glyphs among `glyphs`: renders their
  /// images on worker threads, in the order of their first appearance, for the GlyphOfIndex
  /// calls that follow in the same order (a layout's). ForgetRenderedAhead drops what those
  /// calls did not take. Without threads, nothing.
  void RenderGlyphsAhead(std::span<const FaceGlyph> glyphs);
  void ForgetRenderedAhead() {
    aheadCount = 0;
    aheadNext = 0;
  }
  /// True when the font renders bursts of new glyphs on worker threads.
  bool RendersOnThreads() const {
    return renderThreads > 1 && (!options.DistanceField || options.MultiChannel);
  }

  /// Space for a list of the font's glyph records, kept between uses so that drawing a layout
  /// allocates nothing once warm. Whoever takes it gives it back; a nested taker (a batch's Draw
  /// that draws with this font) gets an empty one.
  std::vector<const GlyphEntry*> TakeEntryList() { return std::move(entryList); }
  void GiveBackEntryList(std::vector<const GlyphEntry*> list) { entryList = std::move(list); }

  /// The companion kept for this font, or null: set by the one part of the library that keeps
  /// one (the text layout), which alone knows its type.
  FontCompanion* Companion() const { return companion.get(); }
  void SetCompanion(std::unique_ptr<FontCompanion> kept) { companion = std::move(kept); }

  /// Writes the glyph images, records, placing steps and metrics to `file` (atomically), keyed
  /// as ReadGlyphCache checks. \throws FontException "Could not write the glyph cache file".
  void SaveGlyphCache(const std::filesystem::path& file) const;
  /// True when the font started with the glyphs of its FontOptions::GlyphCache file.
  bool StartedFromGlyphCache() const { return startedFromGlyphCache; }

  /// Places and uploads the glyphs cached since the last update and returns the first atlas
  /// page's texture. \throws FontException as GlyphAtlas::Place and Upload do.
  const std::shared_ptr<Graphics::Texture2D>& UpdateAtlas();
  /// The texture of an atlas page as it is now (null past the last page).
  /// A block of white texels in the atlas, for boxes drawn with the glyphs (backgrounds,
  /// underlines) from the same texture; added on first use and given back after a page drop.
  /// Marked used like a glyph: call between BeginUse and UpdateAtlas. \returns its atlas id.
  std::uint32_t UseWhiteBlock();
  /// The texel at the middle of the white block and its page, once the atlas is updated.
  Graphics::Rectangle WhiteTexel(std::uint32_t& page) const;
  const std::shared_ptr<Graphics::Texture2D>& PageTexture(std::uint32_t page) const {
    return atlas.PageTexture(page);
  }
  std::uint32_t PageCount() const { return atlas.PageCount(); }
  void SetPageLimit(std::int32_t limit) { atlas.SetPageLimit(limit); }
  /// True when both fonts place their glyphs in one atlas (fonts of one FontFamily): their
  /// glyphs draw from the same page textures.
  bool SharesAtlasWith(const FontImpl& other) const { return share == other.share; }
  std::int32_t PageLimit() const { return atlas.PageLimit(); }

  const FaceMetrics& Metrics() const { return faces.front()->Metrics(); }
  const FontOptions& Options() const { return options; }
  /// True when every glyph has an outline image as well.
  bool HasOutlines() const { return faces.front()->Rendering().OutlineRadius > 0; }
  /// The atlas texture's format (Color when the device lacks the one asked for).
  Graphics::SurfaceFormat AtlasFormat() const { return atlasFormat; }
  /// The font's own face.
  FontFace& Face() { return *faces.front(); }
  bool IsDisposed() const { return !faces.front()->IsOpen(); }
  /// Closes the faces, disposes the atlas texture, then releases the library references, the
  /// last even if an earlier step throws. Idempotent.
  void Dispose();

 private:
  void AddGlyph(char32_t character);
  /// With more than one render thread: renders the images of the characters of `text` that have
  /// no glyph yet on worker threads, in the order AddGlyph will ask for them, when there are
  /// enough of them to pay for the threads.
  void RenderAhead(std::u16string_view text);
  /// Renders the glyphs listed in `ahead` on the worker threads.
  void RenderListedAhead();
  bool HasGlyphOfIndex(FaceGlyph glyph) const;
  /// The worker's copy of face `face`, opened on first use; null when it cannot be opened.
  FontFace* WorkerFace(std::size_t worker, std::uint32_t face);
  /// Renders `glyph` into `entry` and adds its image to the atlas.
  void RenderInto(GlyphEntry& entry, FaceGlyph glyph);
  void RenderAgain(GlyphEntry& entry);
  /// Adds `image` (and outlineImage) to the atlas as `entry`'s images, marked used.
  void AddToAtlas(GlyphEntry& entry);
  void UseTracked(const GlyphEntry& entry);
  /// Caches a record for a face's glyph (not yet mapped to a character).
  GlyphEntry& AddImage(FaceGlyph glyph);
  void PlaceGlyphs();
  /// Shows in a record where the atlas placed its images.
  void ShowPlace(GlyphEntry& entry);
  /// Shows in the records where the last Place put their images: every record when `all` (the
  /// images moved), else those placed by it.
  void ShowPlaces(bool all);
  /// What the font's glyphs are made from, as glyph cache files are keyed.
  GlyphCacheKey CacheKey() const;
  /// Takes the glyphs of a glyph cache file when it is whole, matches the font and agrees with
  /// its face; otherwise changes nothing and returns false.
  bool LoadGlyphCache(const std::filesystem::path& file);
  /// True when every record of `contents` agrees with the font's own face: characters mapped to
  /// the glyphs the records name, no character twice, colour only from a colour face.
  bool CacheFitsFace(const GlyphCacheContents& contents) const;
  /// Adds the installed face that serves `character` (a colour one first when `color`), if
  /// there is one not opened before; true when a face was added.
  bool AddSystemFaceFor(char32_t character, bool color);
  /// True when face `face` maps every character of `cluster` but the default-ignorables.
  bool FaceHasCluster(std::uint32_t face, std::u16string_view cluster) const;

  float size;
  FontOptions options;
  std::vector<std::unique_ptr<FontFace>> faces;  // never empty; [0] is the font's own
  std::shared_ptr<AtlasShare> share;             // never null: the font's own or its family's
  // Keeps the font among share->Fonts for its life (or until Dispose).
  struct Membership {
    AtlasShare& Share;
    FontImpl* Font;
    explicit Membership(AtlasShare& share, FontImpl* font);
    Membership(const Membership&) = delete;
    Membership& operator=(const Membership&) = delete;
    ~Membership() { Leave(); }
    void Leave();
  } membership;
  Graphics::SurfaceFormat& atlasFormat;      // share->Format
  GlyphAtlas& atlas;                         // share->Atlas
  std::optional<std::uint32_t>& whiteBlock;  // share->WhiteBlock
  std::uint64_t& useStamp;                   // share->UseStamp
  KerningTable kerning;                      // of faces[0]
  CharacterMap<GlyphEntry> characters;
  std::deque<GlyphEntry> glyphs;   // appending never moves a record
  std::int32_t subpixelSteps = 1;  // FontOptions::Subpixel: images a glyph may have
  std::deque<GlyphEntry> shifted;  // images at fractions of a pixel (GlyphEntry::Shifts)
  std::uint32_t shiftEpoch = 1;
  std::vector<GlyphEntry*> unplaced;  // records whose images wait for the next placing
  GlyphImage image;                   // reused for every glyph rendered
  GlyphImage outlineImage;            // reused for every outline rendered
  // A record of each glyph index of each face, null until cached.
  std::vector<std::vector<GlyphEntry*>> glyphIndexes;
  std::vector<const GlyphEntry*> entryList;  // see TakeEntryList
  std::uint32_t faceGeneration = 0;
  std::unique_ptr<SystemFonts> systemFonts;        // null unless EnableSystemFallback
  std::vector<std::filesystem::path> systemFiles;  // opened, or failed to open
  std::unordered_set<char32_t> systemMisses;       // found in no file not yet opened
  std::int32_t largestImage;  // the device's largest texture edge: no glyph image is larger
  bool startedFromGlyphCache = false;
  std::size_t renderThreads = 1;  // FontOptions::RenderThreads, resolved
  // A glyph rendered ahead by RenderAhead, waiting for AddGlyph to take it.
  struct RenderedAhead {
    char32_t Character = 0;
    FaceGlyph Glyph;
    GlyphImage Image;
    GlyphImage Outline;
    std::exception_ptr Error;  // what rendering it threw, thrown when AddGlyph takes it
    bool Rendered = false;
  };
  std::vector<RenderedAhead> ahead;  // kept between calls, so their buffers are reused
  std::size_t aheadCount = 0;
  std::size_t aheadNext = 0;
  // Each worker's copies of the faces (worker 0 is the calling thread, with the faces
  // themselves), opened on first use.
  std::vector<std::vector<std::unique_ptr<FontFace>>> workerFaces;
  // Last, so that it goes before the faces: it may reference them (HarfBuzz fonts).
  std::unique_ptr<FontCompanion> companion;
};

}  // namespace Vennicor::Font::Detail
