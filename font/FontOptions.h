#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "font/FontVariation.h"
#include "graphics/SurfaceFormat.h"

namespace Vennicor::Font {

/// How FreeType fits glyph outlines to the pixel grid before rendering them.
enum class FontHinting {
  ForcedAuto,  ///< FreeType's auto-hinter for every face (FT_LOAD_FORCE_AUTOHINT): the default
  Normal,      ///< the face's own hinting, or the auto-hinter without it (FT_LOAD_DEFAULT)
  Light,       ///< vertical-only auto-hinting that keeps glyph shapes (FT_LOAD_TARGET_LIGHT)
  Mono,        ///< hinted for one-bit rendering; glyphs are all-or-nothing (coverage 0 or 255)
  None,        ///< the outlines as designed, unhinted (FT_LOAD_NO_HINTING)
};

/// How finely drawn text places its glyphs along a line. Whole pixels snap every glyph's left edge
/// to the pixel grid, so text that moves slowly jumps a pixel at a time and its letter spacing
/// varies by up to a pixel; Half and Quarter render a glyph again at 1/2 or 1/4 pixel steps, the
/// first time it is drawn at such a fraction, and draw the image nearest its pen.
enum class SubpixelPositioning {
  None,     ///< left edges on whole pixels: one image a glyph (the default)
  Half,     ///< two images a glyph at most, 0 and 1/2 pixel to the right
  Quarter,  ///< four images a glyph at most, 0, 1/4, 1/2 and 3/4 pixel to the right
};

/// How a Font renders its glyphs. The defaults give the library's plain look: auto-hinted
/// coverage glyphs in a Color atlas. Options are fixed when the font is created.
struct FontOptions {
  /// Grid fitting of the outlines.
  FontHinting Hinting = FontHinting::ForcedAuto;
  /// Synthetic emboldening: outlines grow by 1/24 em in each direction (FreeType's own
  /// strength), and advances widen by as much.
  bool Bold = false;
  /// Synthetic slant: outlines are sheared to the right by about 12 degrees, as FreeType's
  /// FT_GlyphSlot_Oblique does. Advances are unchanged.
  bool Oblique = false;
  /// Pixels; above 0 every glyph gets a second image as well, its silhouette grown by this
  /// much with round joins, which SpriteBatchEx's outline forms draw under the glyph. The
  /// outline image is the glyph image's size plus twice the thickness rounded up. Not with
  /// DistanceField, whose effect draws outlines itself: the font's constructor then throws
  /// FontException "A distance-field font takes no OutlineThickness ...".
  float OutlineThickness = 0;
  /// The atlas holds signed distance fields (FreeType's SDF renderer) instead of coverage:
  /// 128 on the outline, 128 / DistanceFieldSpread more per pixel inside, as much less
  /// outside. Such text is drawn in a batch begun with SpriteBatchEx::DistanceFieldEffectOf's
  /// effect, and then stays crisp at any scale. FreeType's SDF renderer takes milliseconds a
  /// glyph, so such a font costs that much at construction and for each new character.
  bool DistanceField = false;
  /// Pixels at the rendered size that a distance field spans on each side of the outline
  /// (FreeType accepts 2 to 32; other values are clamped, and it is rounded to whole pixels).
  /// Each image grows by this much on every side.
  float DistanceFieldSpread = 8;
  /// With DistanceField, each glyph's image is a multi-channel signed distance field (the
  /// library's own generator, after Chlumský's "Shape Decomposition for Multi-channel Distance
  /// Fields"): red, green and blue hold distances to differently coloured edges, whose median
  /// keeps corners sharp when the text is drawn much larger than it was rendered, and alpha
  /// holds the plain distance field (what outlines and glows read). The images are the same
  /// size and in the same place as single-channel ones, and are drawn with the effect
  /// SpriteBatchEx::DistanceFieldEffectOf gives (it sets DistanceFieldEffect::MultiChannel).
  /// Such a font's atlas is Color whatever AtlasFormat asks: four bytes a texel. A glyph takes
  /// about a quarter of the time FreeType's SDF renderer takes (0.55 ms at 24 px with a spread
  /// of 8), and unlike it renders on RenderThreads' workers. A glyph whose outline has more than
  /// 8,192 edges, or whose image times its edges passes 2^28, is refused as a glyph FreeType
  /// cannot load (FontException "Error loading glyph in FreeType"), so a hostile font costs
  /// bounded time. Without DistanceField, unused.
  bool MultiChannel = false;
  /// Texel format of the atlas. Alpha8 stores one byte a texel (a quarter of Color's memory)
  /// on devices that offer it (GraphicsDevice::SupportsFormat); on others the atlas stays
  /// Color. Either draws the same pixels. A MultiChannel font is Color whatever is asked here,
  /// and so is a font that needs colour glyphs: an Alpha8 font that gains a fallback face with
  /// colour glyphs turns its atlas into Color then (its textures are made again, four times the
  /// size; the glyphs keep their places).
  Graphics::SurfaceFormat AtlasFormat = Graphics::SurfaceFormat::Color;
  /// Bytes that the font's text-layout caches keep at most: half for shaped runs (text laid
  /// out again skips their shaping), half for finished layouts (the same text with the same
  /// options is handed back). A cache that would outgrow its half starts again empty, and what
  /// is larger than the half on its own is not kept. 0 keeps nothing. Without the text layout
  /// in the build, unused.
  std::size_t LayoutCacheBytes = std::size_t{4} << 20U;
  /// Threads that render new glyphs when one call needs many (EnsureGlyphsExist, a new
  /// TextLayout, or the DrawString forms: 24 new glyphs or more): 1 renders on the calling thread,
  /// 0 uses one a core, more are capped at the number of cores (and at 16), below 0 means 1.
  /// Each worker opens its own FreeType face on the shared library (the first time it is needed,
  /// then kept with the font); images are placed in the order one thread would place them, so
  /// the atlas layout and every record are the same whatever the count. Fewer new glyphs,
  /// MeasureString and single-channel distance-field fonts render on the calling thread, and so do
  /// the character walks (EnsureGlyphsExist, DrawString) of fonts with AddSystemFallback, which may
  /// add faces as they go. The threads live only inside the call.
  std::int32_t RenderThreads = 1;
  /// A file Font::SaveGlyphCache wrote: the font starts with the glyphs it holds instead of
  /// rendering them. The file is used only when it was written for the same face data, size,
  /// rendering options, device texture limit and library version, and passes its checksum and
  /// every check of its fields; any other file (missing, stale, truncated, edited, larger than
  /// Font::MaxGlyphCacheBytes) is ignored and the font renders its glyphs as usual. Empty: none.
  /// A FontFamily's fonts, which share one atlas, do not read it.
  std::filesystem::path GlyphCache{};
  /// Axes of a variable font, set on every face of the font that has them (fallback faces
  /// included) before any glyph is rendered or shaped: FreeType renders the glyphs and HarfBuzz
  /// shapes with the same values. Later entries for one axis win. Empty: each face's default
  /// instance, as before. Faces without variations ignore them.
  std::vector<FontVariation> Variations{};
  /// Glyph images at fractions of a pixel. With Half or Quarter:
  /// - DrawText puts each glyph at its position to the nearest 1/2 or 1/4 pixel (halves to
  ///   even) instead of the nearest whole pixel; DrawString, whose pen moves by whole pixels,
  ///   puts the text's origin there and every glyph whole pixels from it. This holds when the
  ///   text is drawn at scale 1 on x, unrotated and not flipped horizontally; otherwise, and for
  ///   colour and bitmap glyphs, glyphs go to whole pixels as with None. Distance fields ignore
  ///   the option (they are drawn filtered). A glyph's image for a fraction
  ///   is rendered the first time the glyph is drawn there (the outline moved right by the
  ///   fraction before rendering), so the atlas holds up to 2 or 4 images only for glyphs drawn
  ///   at fractions; each costs what a new glyph costs, once.
  /// - A TextLayout keeps the fractions of the shaped advances, offsets and kerning (unhinted
  ///   advances, as the outlines are designed) instead of rounding each to whole pixels, so
  ///   letter spacing is even. Light or None hinting keeps the glyph shapes closest to those
  ///   advances.
  /// - DrawString's pen is unchanged: advances stay whole pixels, as Glyph::Advance gives them.
  /// Cost: drawing looks up one more record a glyph (DrawString about 1.0 to 1.05 times the
  /// time of whole pixels, DrawText about 1.05); the images are rendered as a new glyph's are,
  /// once. None: everything as without this option, bit for bit.
  SubpixelPositioning Subpixel = SubpixelPositioning::None;
};

}  // namespace Vennicor::Font
