#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "font/layout/RichText.h"
#include "font/layout/TextLayoutOptions.h"
#include "graphics/Color.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font {

class Font;

namespace Detail {
class FontImpl;
}
namespace Layout::Detail {
struct LayoutData;
}

/// One glyph of a layout, ready to draw.
struct LayoutGlyph {
  std::uint32_t GlyphIndex = 0;  ///< in its face
  std::uint16_t Face = 0;        ///< 0: the font's own face; 1...: its fallback faces in order
  /// A ColorSpan covers the glyph: DrawText tints it with SpanColor instead of its own colour.
  /// (Not to be confused with Font::Glyph::IsColor, a glyph with colours of its own.)
  bool HasSpanColor = false;
  Graphics::Color SpanColor;  ///< the colour of the last span covering it, when HasSpanColor
  /// The glyph's origin on its baseline (pen position plus the shaper's offset), in whole
  /// pixels from the layout's top-left corner.
  Graphics::Vector2 Position;
  float Advance = 0;           ///< pen advance in whole pixels, letter spacing excluded
  std::int32_t TextIndex = 0;  ///< first code unit of the glyph's cluster in Text()
};

/// Where a layout put an InlineObject of its RichText.
struct PlacedObject {
  std::int32_t Id = 0;         ///< the object's Id
  Graphics::Vector2 Position;  ///< its top-left, in layout pixels (as LayoutGlyph::Position)
  Graphics::Vector2 Size;      ///< its size
  std::int32_t TextIndex = 0;  ///< its U+FFFC in Text()
};

/// One line of a layout.
struct LayoutLine {
  std::int32_t TextStart = 0;  ///< first code unit of the line in Text()
  /// One past its last code unit, the spaces and line break it ends with included.
  std::int32_t TextEnd = 0;
  float X = 0;      ///< left edge of its content after alignment
  float Width = 0;  ///< its content, trailing spaces excluded
  float Top = 0;    ///< top of the line (its ascender line)
  /// Top + the font's Ascent; in a RichText layout, Top + the largest ascent of its runs
  /// (their fonts' ascents plus baseline shifts, objects' baselines).
  float Baseline = 0;
  bool RightToLeft = false;  ///< its paragraph runs right to left
};

/// Text laid out in lines: shaped with HarfBuzz (ligatures, joining scripts, marks), in the
/// order the Unicode bidirectional algorithm gives, broken where Unicode allows (UAX #14) to fit
/// a width, aligned, and ready to draw many times with SpriteBatchEx::DrawText.
///
/// A layout shares its font's internals (faces, glyphs, atlas) and keeps its own copy of the
/// text, so moving the Font object (a std::vector<Font> that grows) never breaks it. Once the
/// font is disposed or destroyed, queries still answer and drawing throws the disposed-font
/// FontException. It is immutable once built and cheap to copy (copies share the laid-out
/// lines). Queries never touch the font; drawing updates the font's atlas, so a font and its
/// layouts are used from one thread at a time.
///
/// With fallback faces (Font::AddFallbackFace) a face is chosen for each grapheme cluster: the
/// first face that maps all of its characters (a joiner or variation selector the face lacks
/// does not count), colour faces first for a cluster shown as emoji (an Emoji_Presentation
/// character, VS16, a keycap, a flag, tag and ZWJ sequences) and faces without colour first
/// after VS15, so text returns to the font's own face at the first cluster it has (spaces
/// too: an emoji face's spaces are wide). A cluster no face has whole comes from the face of
/// its first character.
///
/// Limits, for text and fonts that come from players and modders: building takes time and memory
/// linear in the text's length (about 150 bytes a code unit while it builds, some 50 kept) for
/// any options, spans and text, and:
/// - a text has at most 2^30 code units: beyond, "The text is too long to lay out";
/// - at most 32 combining marks in a row are shaped on one base (Unicode's stream-safe text
///   allows 30); the marks beyond draw nothing, and keep their place in Text() and the carets;
/// - a font whose glyph substitutions grow the text past HarfBuzz's bound (64 glyphs a
///   character, at least 16,384) gives "The font's glyph substitutions make more glyphs from the
///   text than shaping allows";
/// - non-finite and extreme option values are taken as documented in TextLayoutOptions, so that
///   every position is finite;
/// - the font keeps at most FontOptions::LayoutCacheBytes of shaped runs and layouts.
///
/// Cost: building shapes the text (HarfBuzz) and finds line breaks, grapheme clusters and bidi
/// levels (ICU); the font keeps the runs it has shaped and the layouts it has built, so laying
/// out the same text with the same options again costs a hash of the text, and text that
/// shares paragraphs with earlier text skips their shaping.
class TextLayout {
 public:
  /// Lays `text` (UTF-16; an unpaired surrogate shows as the font's missing glyph) out with
  /// `font`, and renders the images of glyphs the font lacks (they reach the atlas when it is
  /// next drawn from). \throws FontException from the font (a disposed font, a glyph that
  /// cannot be loaded), "The Unicode text services ... could not start" when ICU lacks its
  /// data, "The text is too long to lay out" beyond 2^30 code units, "The font's glyph
  /// substitutions make more glyphs ..." for a font whose substitutions outgrow shaping.
  TextLayout(Font& font, std::u16string_view text, const TextLayoutOptions& options = {});
  /// The same for UTF-8 text, converted to UTF-16 first (a malformed sequence becomes U+FFFD);
  /// indices everywhere (ColorSpan, TextIndex, carets) are code units of Text().
  TextLayout(Font& font, std::string_view utf8Text, const TextLayoutOptions& options = {});
  /// Lays styled runs out: each run shaped with its style's font (`font` for a style without
  /// one), features and language, across run boundaries where only colours, decorations,
  /// backgrounds and tags change (a colour inside a word keeps its ligatures and kerning); each
  /// line as tall as its tallest run or object, the next line below it by that height plus
  /// `font`'s leading, times LineSpacing. Objects take their width on the line. Options apply
  /// as for plain text (colour spans over the runs' colours). Every font the runs name must
  /// outlive the layout's drawing, and must be used from the layout's thread.
  /// 	hrows as above, and from any run's font.
  TextLayout(Font& font, const RichText& text, const TextLayoutOptions& options = {});

  /// Width of the widest line's content, and height of all lines: (LineCount() - 1) line
  /// distances plus the font's LineHeight.
  Graphics::Vector2 Size() const;
  /// Lines of the layout; at least one (empty text has one empty line).
  std::int32_t LineCount() const;
  /// A line. \throws std::out_of_range for an index outside [0, LineCount()).
  const LayoutLine& Line(std::int32_t index) const;
  /// The glyphs of a line, in visual order (left to right). The spaces that end a line keep
  /// their glyphs (some, such as U+1680 OGHAM SPACE MARK, are visible) but not their width: they
  /// hang past the line's Width, after its content in a left-to-right paragraph and before it
  /// in a right-to-left one. \throws std::out_of_range.
  std::span<const LayoutGlyph> LineGlyphs(std::int32_t index) const;
  /// Every glyph, line after line.
  std::span<const LayoutGlyph> Glyphs() const;

  /// Where the caret stands before code unit `textIndex` of Text() (Text().size(): after the
  /// last character): the x of its grapheme cluster's leading edge, y the top of its line. An
  /// index inside a cluster moves back to the cluster's start; one outside the text is clamped.
  /// The spaces that end a wrapped line, and its line break, stand at the line's end.
  Graphics::Vector2 CaretPosition(std::int32_t textIndex) const;
  /// The code unit index of the caret position nearest `point` (layout coordinates): on the
  /// line under it (the first or last when above or below the layout), at the nearer edge of
  /// the grapheme cluster under it. Always a grapheme-cluster boundary.
  std::int32_t HitTest(Graphics::Vector2 point) const;

  /// Where each InlineObject of a RichText went, in text order; empty for plain text.
  std::span<const PlacedObject> Objects() const;
  /// The Tag of the run under `point` (layout coordinates): of the grapheme cluster or object
  /// whose box (its caret stops across, its line's height down) holds it; 0 where none does, and
  /// for plain text.
  std::int32_t TagAt(Graphics::Vector2 point) const;

  /// The text laid out, in UTF-16.
  std::u16string_view Text() const;
  /// The options it was laid out with.
  const TextLayoutOptions& Options() const;
  /// The Font object it was laid out with, valid while that object lives where it was (not
  /// moved from). The layout itself needs neither: it keeps what it draws with.
  Font& GetFont() const { return *font; }

 private:
  friend struct SpriteBatchEx;
  friend class GlyphQuadBuilder;
  std::int32_t LineOf(std::int32_t textIndex) const;

  Font* font;
  std::shared_ptr<Detail::FontImpl> impl;
  std::shared_ptr<const Layout::Detail::LayoutData> data;
};

}  // namespace Vennicor::Font
