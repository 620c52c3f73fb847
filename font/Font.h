#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ranges>
#include <span>
#include <string_view>

#include "font/FontOptions.h"
#include "font/FontSource.h"
#include "font/FontStyle.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/Point.h"
#include "graphics/Rectangle.h"
#include "graphics/Texture2D.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

namespace Detail {
class FontImpl;
struct FontAccess;
}  // namespace Detail

/// One font face (and any fallback faces) at one pixel size: its glyph cache, its atlas texture,
/// its metrics and string measurement. Glyphs are rendered the first time a character is needed
/// and packed into one square atlas texture whose edge doubles when a glyph no longer fits. When
/// a doubling would pass the device's MaxTextureSize(), the atlas opens further pages (textures
/// of the largest edge) instead; beyond a page limit (SetAtlasPageLimit) the least recently used
/// page is emptied, and its glyphs are rendered again when next used.
///
/// A font made by a FontFamily shares its atlas with the family's other fonts instead (see
/// FontFamily): its pages, page count and page limit are the family's.
///
/// The graphics device must outlive the font. Fonts may be opened, used and disposed on several
/// threads at once; one font is used by one thread at a time (the fonts of one FontFamily
/// together by one thread at a time). A font can be moved; the
/// moved-from font behaves as a disposed one.
///
/// Text is UTF-16 (a valid surrogate pair is one character; a lone surrogate is a character of
/// its own, drawn as the missing glyph) or UTF-8 (each malformed sequence is one U+FFFD).
/// Characters the face lacks can come from fallback faces (AddFallbackFace). Faces with colour
/// glyphs (COLR layers, CBDT/sbix bitmaps such as emoji fonts) draw them in colour.
///
/// Limits, for fonts and text that come from players and modders (each is checked before the
/// work it bounds):
/// - A glyph image is at most the device's MaxTextureSize() on each side. A larger glyph is
///   refused from its outline's box before it is rendered: FontException "The glyph atlas would
///   exceed the largest texture the graphics device supports" (from the constructor when a
///   preloaded character's glyph is that large, else from the call that first needs it).
/// - The atlas keeps SetAtlasPageLimit pages (default 4) of the largest edge, plus any one text
///   needs at once; memory for glyph images is that of the pages, and of the images of glyphs
///   on them.
/// - The text layout (TextLayout) keeps at most FontOptions::LayoutCacheBytes (default 4 MiB)
///   of shaped runs and finished layouts for the font.
/// - OutlineThickness is clamped to 1,024 px, DistanceFieldSpread to 2..32 px; outlines with a
///   distance field are refused: "A distance-field font takes no OutlineThickness ...".
/// - A text is measured and drawn in time linear in its length.
/// - A glyph cache file (FontOptions::GlyphCache) is read only when it is at most
///   MaxGlyphCacheBytes (64 MiB); every field is checked before the font takes any of it, and a
///   file that fails a check is ignored. Reading it costs time and memory linear in its size.
class Font {
 public:
  /// One cached glyph. References returned by GetGlyph stay valid, and show later atlas
  /// updates, for the life of the Font.
  struct Glyph {
    /// The character as one UTF-16 unit: the character itself in the Basic Multilingual Plane,
    /// U+FFFD for a character beyond it (CodePoint holds every character).
    char16_t Character = 0;
    Graphics::Point Position;    ///< top-left of the image in the atlas
    Graphics::Rectangle Bounds;  ///< (0, 0, image width, image height)
    Graphics::Point Offset;      ///< image top-left relative to the pen on the line's top
    Graphics::Point Advance;     ///< pen advance in whole pixels
    /// The atlas page that holds the image (AtlasPageTexture); 0 while the atlas has one page.
    std::int32_t Page = 0;
    char32_t CodePoint = 0;  ///< the character, in or beyond the Basic Multilingual Plane
    /// The image holds the glyph's own colours (premultiplied) rather than white coverage: draw
    /// it with a white tint of the wanted alpha, as DrawString does, to keep its colours.
    bool IsColor = false;
  };

  /// Opens `fontFace` (a font file path, or else an installed font's family name) in the
  /// Regular style at `size` pixels per em.
  /// \throws FontException with the library's messages when the face cannot be opened or sized.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size);
  /// Opens `fontFace` at `size` pixels per em, sets the size, renders the 87 common characters
  /// (a-z, A-Z, 0-9, punctuation and the space) and builds the atlas from them.
  /// The style chooses among installed faces; a face opened by path ignores it. A style that
  /// no installed face of the family has comes from a variable face's named instance that has
  /// it, where one does (the "Bold" instance of a family with a weight axis).
  /// \throws FontException when the face cannot be opened or found (the lookup's messages), has
  /// no scalable outlines, or when `size` is not finite or too large for FreeType ("Could not
  /// set font size in FreeType"); a size below one pixel becomes one pixel. Whatever was
  /// acquired is released before the error leaves.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
       FontStyle style);
  /// The same with a UTF-8 path or family name (a malformed sequence becomes U+FFFD, so it
  /// finds nothing). \throws FontException as above.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::string_view fontFace, float size,
       FontStyle style = FontStyle::Regular);
  /// Opens the first face of a font file held in memory, at `size` pixels per em. The font
  /// copies the bytes, so the caller may free them as soon as this returns.
  /// \throws FontException "Error openening font file" when FreeType cannot read the data, and
  /// otherwise as the constructors above.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::span<const std::byte> fontData, float size);
  /// The same, rendering glyphs as `options` ask. \throws as above.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::span<const std::byte> fontData, float size,
       const FontOptions& options);
  /// As above, rendering glyphs as `options` ask: hinting, synthetic bold and slant, outline
  /// images, distance fields, the atlas format. Default options give exactly the font above.
  /// \throws as above.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
       FontStyle style, const FontOptions& options);
  /// The same with the Regular style. \throws as above.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
       const FontOptions& options);
  /// A UTF-8 path or family name, as the UTF-8 constructor above reads it, rendering glyphs as
  /// `options` ask. \throws as above.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::string_view fontFace, float size,
       FontStyle style, const FontOptions& options);
  /// The same with the Regular style. \throws as above.
  Font(Graphics::GraphicsDevice& graphicsDevice, std::string_view fontFace, float size,
       const FontOptions& options);
  /// Opens the face `source` names (a file, an installed family, bytes in memory) at `size`
  /// pixels per em, rendering glyphs as `options` ask: each kind as the constructor for it
  /// above opens it. \throws as those constructors.
  Font(Graphics::GraphicsDevice& graphicsDevice, const FontSource& source, float size,
       const FontOptions& options = {});
  /// Opens the first face of the font file at `file` at `size` pixels per em, as the
  /// constructors above do with a path, but never looks the text up as an installed family
  /// name: a path that names no font is an error, whatever fonts are installed. A template only
  /// so that a string literal still picks the name-or-path constructors.
  /// \throws FontException "Error openening font file" when the file is missing, is not a
  /// regular file or is not a font FreeType reads; the sizing errors of the constructors above.
  template <class Path>
  requires std::same_as<Path, std::filesystem::path> Font(Graphics::GraphicsDevice& graphicsDevice,
                                                          const Path& file, float size)
      : Font(graphicsDevice, FromFile{file}, size) {}
  /// The same, rendering glyphs as `options` ask. \throws as above.
  template <class Path>
  requires std::same_as<Path, std::filesystem::path> Font(Graphics::GraphicsDevice& graphicsDevice,
                                                          const Path& file, float size,
                                                          const FontOptions& options)
      : Font(graphicsDevice, FontSource::File(file), size, options) {}
  /// Performs Dispose if it has not run.
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  /// Takes over `other`'s face, glyphs and atlas; glyph references and textures handed out by
  /// `other` stay valid and now belong to this font. `other` behaves as disposed afterwards.
  Font(Font&& other) noexcept;
  /// Disposes this font (an error from that is lost), then takes over `other` as above.
  Font& operator=(Font&& other) noexcept;

  /// Brings the atlas up to date with every cached glyph and returns its first page. A texture
  /// returned earlier stays valid for whoever still holds it after the atlas is rebuilt; the
  /// font merely stops holding it.
  /// \throws FontException "The glyph atlas would exceed ..." when one glyph's image is larger
  /// than a texture of the device's MaxTextureSize(), or the device cannot hold even the first
  /// 64 x 64 page (the atlas is then left as it was), or after Dispose.
  const std::shared_ptr<Graphics::Texture2D>& GlyphTexture();
  /// Brings the atlas up to date (as GlyphTexture) and returns the texture of `page`, from 0 to
  /// AtlasPageCount() - 1; null for any other page. The same lifetime rules hold.
  /// \throws FontException as GlyphTexture.
  const std::shared_ptr<Graphics::Texture2D>& AtlasPageTexture(std::int32_t page);
  /// The number of atlas pages: 1 until the first page reaches the device's largest texture.
  /// \throws FontException after Dispose.
  std::int32_t AtlasPageCount() const;
  /// Sets how many atlas pages the font keeps (at least 1; default 4). When one more is needed,
  /// the page least recently drawn from is emptied; its glyphs are rendered again on next use
  /// (their Glyph references stay valid and show the new place then). A single text that needs
  /// more pages than this still gets them, and so does a text whose glyphs are already spread
  /// over every page; the pages beyond the limit are given back at the next atlas update that
  /// can empty one (a page's glyphs then move to another page number). Constant time; takes
  /// effect at the next atlas update. \throws FontException after Dispose.
  void SetAtlasPageLimit(std::int32_t pages);

  /// Closes the face, disposes the atlas texture and then releases the FreeType library
  /// reference, the last even if an earlier step throws. Idempotent. Glyph references stay
  /// valid; every member that needs the face throws FontException afterwards.
  void Dispose();

  /// Distance from the ascender line to the descender line, in pixels.
  /// \throws FontException after Dispose (as do all the metrics and measuring members).
  std::int32_t LineHeight() const;
  /// Height of the ascender line above the baseline, in pixels.
  std::int32_t Ascent() const;
  /// Position of the descender line relative to the baseline: negative for ordinary faces.
  std::int32_t Descent() const;
  /// The line gap: baseline-to-baseline distance less LineHeight's extent; may be negative.
  std::int32_t Leading() const;
  /// Extra space between characters: always 0.
  std::int32_t Spacing() const;

  /// The options the font was made with. Works after Dispose.
  /// \throws FontException on a moved-from font.
  const FontOptions& Options() const;

  /// The kerning of a character pair in whole pixels (negative X pulls the right character
  /// closer). A character no face has counts as the face's missing glyph; two characters that
  /// come from different faces (see AddFallbackFace) are never kerned.
  /// \throws FontException "Could not obtain kerning information" when FreeType refuses.
  Graphics::Vector2 GetKerning(char32_t leftCharacter, char32_t rightCharacter) const;

  /// The width MeasureString(text, previousCharacter) gives.
  float MeasureWidth(std::u16string_view text, char16_t previousCharacter) {
    return MeasureAfter(text, previousCharacter).X;
  }
  /// The same after a character beyond the Basic Multilingual Plane. (A template only so that
  /// a literal 0 keeps choosing the overload above.)
  template <std::same_as<char32_t> CodePoint>
  float MeasureWidth(std::u16string_view text, CodePoint previousCharacter) {
    return MeasureAfter(text, previousCharacter).X;
  }
  /// The width of UTF-8 text, as MeasureString(utf8Text, previousCharacter) gives it.
  float MeasureWidth(std::string_view utf8Text, char32_t previousCharacter) {
    return MeasureString(utf8Text, previousCharacter).X;
  }
  /// The size of `text` in pixels: the widest line, and LineHeight per line feed plus one for
  /// a last line that holds a visible character, less Leading once. Caches glyphs for new
  /// characters but leaves the atlas alone until the next GlyphTexture.
  Graphics::Vector2 MeasureString(std::u16string_view text);
  /// As above, kerning the first character against `previousCharacter` (0: none), for text
  /// measured in pieces.
  Graphics::Vector2 MeasureString(std::u16string_view text, char16_t previousCharacter) {
    return MeasureAfter(text, previousCharacter);
  }
  /// As above, after a character beyond the Basic Multilingual Plane. (A template only so that
  /// a literal 0 keeps choosing the overload above.)
  template <std::same_as<char32_t> CodePoint>
  Graphics::Vector2 MeasureString(std::u16string_view text, CodePoint previousCharacter) {
    return MeasureAfter(text, previousCharacter);
  }
  /// The size of UTF-8 text, measured as its UTF-16 form is. Decodes into a buffer of the
  /// calling thread, so it allocates only while that buffer grows.
  Graphics::Vector2 MeasureString(std::string_view utf8Text) { return MeasureString(utf8Text, 0); }
  /// As above, kerning the first character against `previousCharacter` (0: none).
  Graphics::Vector2 MeasureString(std::string_view utf8Text, char32_t previousCharacter);

  /// Measures text that a caller builds in a buffer (a std::vector<char16_t>, a std::array, a
  /// std::span...), without copying it. Any contiguous range of char16_t is accepted; strings
  /// and string views take the overloads above, so the two never compete.
  template <class Buffer>
  requires std::ranges::contiguous_range<const Buffer> && std::ranges::sized_range<const Buffer> &&
      std::same_as < std::ranges::range_value_t<const Buffer>,
  char16_t > &&(!std::convertible_to<const Buffer&, std::u16string_view>)Graphics::Vector2
             MeasureString(const Buffer& text, char16_t previousCharacter = 0) {
    return MeasureString(std::u16string_view(std::ranges::data(text), std::ranges::size(text)),
                         previousCharacter);
  }

  /// Adds a glyph for every non-control character of `characters` that has none.
  /// \throws FontException "Error loading glyph in FreeType" (the glyphs cached before the
  /// failing character stay cached), or after Dispose.
  void EnsureGlyphsExist(std::u16string_view characters);
  /// The same for UTF-8 text (decoded as MeasureString decodes it).
  void EnsureGlyphsExist(std::string_view utf8Characters);
  /// Writes the font's cached glyphs to `file`: their images, records, the steps in which the
  /// atlas placed them and the line metrics, keyed by the face's data (its table directory and
  /// `head` table, never its path), the size, the rendering options, the device's largest
  /// texture and the library version. A font made with that file as FontOptions::GlyphCache
  /// starts with these glyphs without rendering them: the same records, atlas texels and later
  /// placements as this font. Glyphs of fallback faces are written but not taken back (a new
  /// font has no fallbacks yet); glyphs whose atlas page was emptied are left out, and the rest
  /// are then placed in one step. The file is written beside `file` under a temporary name and
  /// renamed over it, so a reader never sees part of it (a device or a pipe is written to
  /// directly). Linear in the glyphs' pixels; the
  /// whole file is built in memory first.
  /// \throws FontException "Could not write the glyph cache file" (an older file at `file` is
  /// then left as it was), or after Dispose; Messages::GlyphCacheOfSharedAtlas for a font of a
  /// FontFamily, whose atlas holds the family's other fonts' glyphs too (nothing is written).
  void SaveGlyphCache(const std::filesystem::path& file) const;
  /// True when the font started with the glyphs of its FontOptions::GlyphCache file; false
  /// without one, or when the file was ignored. \throws FontException on a moved-from font.
  bool StartedFromGlyphCache() const;
  /// Glyph cache files larger than this are ignored without being read.
  static constexpr std::size_t MaxGlyphCacheBytes = std::size_t{64} << 20U;
  /// The cached glyph of a character, in constant time (two indexed loads). The reference stays
  /// valid for the life of the font. \throws std::out_of_range if it has none.
  const Glyph& GetGlyph(char32_t codePoint) const;
  /// True when some face of the font (its own or a fallback) maps the character; a character
  /// false here is drawn as the missing glyph. A cached character answers from its glyph; any
  /// other asks the faces' character maps in turn (caching nothing).
  /// \throws FontException after Dispose.
  bool HasCharacter(char32_t codePoint) const;

  /// Adds a face that characters this font's face lacks come from: a character whose glyph
  /// index is 0 in the font's face is rendered from the first fallback face that maps it, at
  /// the font's size, into the font's atlas (one texture). Line metrics stay the font's own; a
  /// fallback glyph keeps its own bearings on the same baseline. A character shown as emoji by
  /// default (Unicode's Emoji_Presentation: 😀, not ☺) comes from the first fallback face with
  /// colour glyphs that maps it, even where the font's face has a monochrome one. Characters
  /// cached before as missing glyphs that the new face has, and such emoji when the new face has
  /// colour, are rendered again from it (their records update in place). TextLayout chooses a
  /// face a grapheme cluster at a time (see TextLayout); MeasureString, DrawString and
  /// GetKerning a character at a time, by this rule. `fontFace` and `style` are read as the
  /// constructor reads them.
  /// \throws FontException with the constructor's messages when the face cannot be opened or
  /// sized (the font is then as it was), "Error loading glyph in FreeType" when re-rendering a
  /// cached character fails (the face stays added), or after Dispose.
  void AddFallbackFace(std::u16string_view fontFace, FontStyle style = FontStyle::Regular);
  /// The same with a UTF-8 path or family name.
  void AddFallbackFace(std::string_view fontFace, FontStyle style = FontStyle::Regular);
  /// The same with a font file held in memory; the bytes are copied.
  void AddFallbackFace(std::span<const std::byte> fontData);
  /// The same with the face `source` names, opened as the constructors open it. The fallback
  /// renders as the font does (its FontOptions). \throws as above.
  void AddFallbackFace(const FontSource& source);

  /// Lets the installed fonts serve what the font's faces cannot: from now on, a character no
  /// face has (and an emoji, Emoji_Presentation, that no colour face has) is looked for among
  /// the installed fonts, preferring those of the font's family and style as the system orders
  /// them (fontconfig's character sets on Linux; on Windows the registry's fonts in its order)
  /// and colour faces for emoji. A face found is opened once, appended to the fallbacks as by
  /// AddFallbackFace, and serves strings and layouts from then on; a character no installed
  /// font has draws the missing glyph as before. Only the first face of a font file is used.
  /// At most 16 installed faces are added to one font. Calling it again changes nothing.
  ///
  /// Cost: this call reads the installed fonts' list once (on Linux fontconfig's sort of every
  /// installed font, some milliseconds; on Windows, the first lookup opens every registered font
  /// file once to read its character map). The first use of a character no face has costs a
  /// lookup in that list (opening the face found); with it on, laying text out asks the faces'
  /// character maps once more per character. Characters HasCharacter is asked about are not
  /// looked up. \throws FontException after Dispose.
  void AddSystemFallback();

 private:
  friend struct Detail::FontAccess;

  struct FromFile {
    const std::filesystem::path& File;
  };
  Font(Graphics::GraphicsDevice& graphicsDevice, FromFile file, float size);
  // A font around internals made elsewhere in the library (a FontFamily's).
  explicit Font(std::shared_ptr<Detail::FontImpl> made);

  void ThrowIfDisposed() const;
  // Out of line so that GetGlyph's lookup stays a leaf function.
  [[noreturn]] static void ThrowNoGlyph(char32_t codePoint);
  Graphics::Vector2 MeasureAfter(std::u16string_view text, char32_t previousCharacter);

  // Behind a pointer so that the header names none of the internals and a move is cheap;
  // shared with the layouts made from the font, which outlive a move. Null only in a
  // moved-from font.
  std::shared_ptr<Detail::FontImpl> impl;
};

}  // namespace Vennicor::Font
