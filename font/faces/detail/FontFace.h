#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "font/FontStyle.h"
#include "font/FontVariation.h"
#include "font/faces/detail/GlyphImage.h"
#include "font/faces/detail/GlyphRendering.h"
#include "font/faces/detail/GlyphStroke.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/detail/FaceHandle.h"

namespace Vennicor::Font::Detail {

class MultiChannelField;

/// Line metrics of a face at its size, in whole pixels (design units scaled and truncated).
struct FaceMetrics {
  std::int32_t Ascent = 0;
  std::int32_t Descent = 0;
  std::int32_t LineHeight = 0;
  std::int32_t Leading = 0;
};

/// A kerning vector in FreeType's 26.6 fixed point.
struct KerningVector {
  std::int32_t X = 0;
  std::int32_t Y = 0;
};

/// One FreeType face at one pixel size: the only place the font talks to FreeType about a face.
/// Opens the face, sizes it, answers metrics, maps code points to glyph indices, renders glyph
/// images and answers kerning. Holds its own reference on the FreeType library, released after
/// the face is closed. Used by one thread at a time.
class FontFace {
 public:
  /// Opens the first face of the file `fontFace` names, or else the installed face the name
  /// finds for `style`. \throws FontException with the lookup's messages.
  FontFace(std::u16string_view fontFace, FontStyle style);
  /// Opens the first face of a font file held in memory; the bytes are copied, so the caller
  /// may free them at once. \throws FontException "Error openening font file".
  explicit FontFace(std::span<const std::byte> fontData);
  /// Opens the first face of the font file at `file`, and only that: no installed-font lookup.
  /// \throws FontException "Error openening font file" when the file is missing or FreeType
  ///         cannot open it.
  explicit FontFace(const std::filesystem::path& file);
  /// Closes the face, then releases the library reference.
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  /// Sets the size in pixels per em (sizes below one pixel become one pixel) and computes the
  /// metrics. A face of colour bitmap strikes alone (CBDT/CBLC, sbix: emoji fonts) selects the
  /// strike nearest the size and scales its glyphs, advances and metrics to the size.
  /// \throws FontException "Could not set font size in FreeType" for a size that is not
  /// finite or does not fit 26.6, and the "no scalable outlines" message for a face without
  /// outlines that is not such a colour face (BDF, PCF).
  void SetPixelSize(float size);
  const FaceMetrics& Metrics() const { return metrics; }

  /// The glyph index of a code point; 0 (the missing glyph) when the face lacks it. A face whose
  /// character map is a symbol one (3,0) maps c below U+0100 as U+F000 + c too.
  std::uint32_t GlyphIndex(char32_t codePoint) const;
  /// Chooses how glyphs are loaded and rendered from now on (by default as
  /// RenderingFor(FontOptions{})). \throws FontException "Error loading glyph in FreeType" when
  /// FreeType cannot make the stroker that outlines need.
  void SetRendering(const GlyphRendering& glyphRendering);
  const GlyphRendering& Rendering() const { return rendering; }
  /// Sets the largest edge in pixels a glyph image may have (the device's largest texture):
  /// RenderGlyph refuses a larger glyph from its outline's box before rendering it, so that a
  /// font with huge glyph boxes costs neither the time nor the memory of rendering them.
  void SetLargestImage(std::int32_t edge) { largestImage = edge; }

  /// Renders a glyph index into `image` (whose pixel buffer is reused): coverage, or for a colour
  /// glyph (COLR layers, colour bitmaps) premultiplied BGRA, resampled to the size for a face of
  /// bitmap strikes. When the rendering asks for outlines and `outline` is not null, also renders
  /// the outline image into `outline`: the glyph's silhouette grown by the outline thickness, on
  /// a canvas OutlineMargin pixels larger than `image` on every side (empty when `image` is, and
  /// for colour glyphs). \throws FontException "Error loading glyph in FreeType", and "The glyph
  /// atlas would exceed ..." for a glyph wider or taller than SetLargestImage allows.
  /// `shift`: 26.6 pixels an outline glyph moves right before it is rendered (its image for a
  /// pen at that fraction of a pixel); bitmap glyphs do not move. \returns false when a shift
  /// was asked for and the glyph did not move (a bitmap, a colour glyph).
  bool RenderGlyph(std::uint32_t glyphIndex, GlyphImage& image, GlyphImage* outline = nullptr,
                   std::int32_t shift = 0);

  /// Sets the axes of a variable face (FT_Set_Var_Design_Coordinates): each named axis the face
  /// has takes its value, clamped to the axis's range; the others keep their defaults. Call it
  /// before SetPixelSize, whose metrics then follow the instance. A face without variations, an
  /// unknown axis and a value that is not finite are ignored. Kept for OpenAgain.
  /// A face the lookup opened as a named instance of a variable face keeps that instance's
  /// coordinates first, and `variations` after them.
  void SetVariations(std::span<const FontVariation> variations);
  /// True when the face is variable along the axis `tag` (four letters, as FontVariation's).
  bool HasAxis(const char (&tag)[4]) const;
  /// The design coordinates SetVariations set (16.16), one an axis; empty for a face at its
  /// default instance or without variations.
  const std::vector<std::int32_t>& DesignCoordinates() const { return designCoordinates; }

  /// What identifies the face's data, whatever file or memory it came from: a hash of its table
  /// directory (every table's tag, checksum and length), its `head` table and its glyph count,
  /// with the design coordinates SetVariations set.
  /// 0 for a face without a table directory (Type 1, BDF): such a face has no identity, and
  /// glyph caches never match it. Reads a few hundred bytes of the face.
  std::uint64_t DataIdentity() const;
  /// The number of glyphs in the face.
  std::uint32_t GlyphCount() const;

  /// A second face of the same data in the shared library, sized, rendering and limited as this
  /// one, so that another thread can render the same glyph images: the file again for a face
  /// opened by path (or by a name that is a path), the same bytes for one opened from memory,
  /// else the bytes FreeType reads
  /// (read once, then shared). Null when the face cannot be opened again (a face without a
  /// table directory found by name). Costs what opening and sizing a face cost.
  /// \throws FontException as the constructors and SetPixelSize.
  std::unique_ptr<FontFace> OpenAgain() const;

  /// True when RenderGlyph's shift moves the face's glyphs: an outline face (not one of bitmap
  /// strikes).
  bool HasOutlineGlyphs() const { return strikeScale == 0; }
  /// True when the face has colour glyphs (colour layers or colour bitmaps).
  bool HasColor() const { return colorLoadFlag != 0; }
  /// False when the face has no kerning data: every pair's kerning is then (0, 0).
  bool HasKerning() const { return hasKerning; }
  /// Kerning of two glyph indices (FreeType's default mode, grid-fitted).
  /// \throws FontException "Could not obtain kerning information".
  KerningVector Kerning(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const;

  /// Closes the face early (Dispose); every call that needs it is then the caller's fault.
  void Close() noexcept {
    stroker.reset();
    face.reset();
  }
  bool IsOpen() const { return face != nullptr; }
  /// Gives the library reference back; the face must be closed first. Idempotent.
  void ReleaseLibrary() { manager.Dispose(); }

  /// The FreeType face, for code that shapes text with it. Valid while IsOpen().
  FT_Face Handle() const { return face.get(); }
  /// The FreeType load flags glyphs are rendered with; shaping asks for advances with the same.
  std::int32_t LoadFlags() const { return rendering.LoadFlags; }
  /// What shaped advances of this face are multiplied by: the requested size over the selected
  /// strike's for a face of bitmap strikes, 1 for outline faces.
  double ShapingScale() const { return strikeScale != 0 ? strikeScale : 1.0; }

 private:
  /// Opens the first face of a file through a C stream FreeType reads from.
  /// \throws FontException "Error openening font file".
  void OpenStream(const std::filesystem::path& file);
  /// Scales a strike glyph's image box and advance from the strike to the size.
  void ScaleFromStrike(FT_GlyphSlot slot, GlyphImage& image) const;
  /// Refuses an image of this many pixels a side beyond the largest image.
  void CheckImageEdges(double width, double rows) const;

  /// Opens the first face of bytes shared with other faces.
  FontFace(std::shared_ptr<const std::byte[]> sharedData, std::size_t dataSize);
  void OpenMemory(std::shared_ptr<const std::byte[]> bytes, std::size_t size);
  // Reads the axes of the named instance the face was opened as into `instance`.
  void KeepInstance();

  // Declared in this order so that the face is closed before the library reference goes.
  FreeTypeManager manager;
  // The bytes of a face opened from memory (or read to open it again), shared by its copies.
  mutable std::shared_ptr<const std::byte[]> data;
  mutable std::size_t dataSize = 0;
  std::filesystem::path sourceFile;  // the file of a face opened by path
  std::u16string sourceName;         // the path of a face opened by a name that is one
  FontStyle sourceStyle = FontStyle::Regular;
  struct FileStream;
  std::unique_ptr<FileStream> stream;  // the file of a face opened by std::filesystem::path
  FaceHandle face;
  StrokerHandle stroker;  // made when outlines are asked for
  GlyphRendering rendering;
  GlyphImage stroke;                                // reused for every outline stroked
  std::unique_ptr<MultiChannelField> multiChannel;  // made for the first multi-channel glyph
  bool hasKerning = false;
  std::int32_t colorLoadFlag = 0;  // FT_LOAD_COLOR for a face with colour layers
  // Requested size over the selected strike's, for a face of bitmap strikes; 0 for outlines.
  double strikeScale = 0;
  std::int32_t largestImage = std::numeric_limits<std::int32_t>::max();
  float requestedSize = 0;                      // the last SetPixelSize
  std::vector<FontVariation> variations;        // the last SetVariations, for OpenAgain
  std::vector<FontVariation> instance;          // a named instance's axes (KeepInstance)
  std::vector<std::int32_t> designCoordinates;  // what it set, 16.16 an axis
  std::vector<float> resampleScratch;           // reused by colour bitmaps that are resampled
  FaceMetrics metrics;
};

}  // namespace Vennicor::Font::Detail
