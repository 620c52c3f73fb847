#include "font/faces/detail/FontFace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "font/FontException.h"
#include "font/cache/detail/ContentHash.h"
#include "font/faces/detail/ColorBitmap.h"
#include "font/faces/detail/FixedPoint.h"
#include "font/faces/detail/GlyphCoverage.h"
#include "font/faces/detail/GlyphStroke.h"
#include "font/faces/detail/MultiChannelField.h"

#include FT_MODULE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

namespace Vennicor::Font::Detail {

namespace {

// Design units to pixels: widened so that large faces at large sizes cannot overflow, and
// truncated toward zero as integer division does.
std::int32_t ScaleToPixels(std::int32_t designUnits, const FT_Face face, std::int64_t ppem) {
  const std::int64_t product = std::int64_t{designUnits} * ppem;
  return static_cast<std::int32_t>(product / face->units_per_EM);
}

// A face drawn from colour bitmap strikes: no outlines, but strikes and colour tables.
bool IsColorStrikeFace(const FT_Face face) {
  return !FT_IS_SCALABLE(face) && FT_HAS_FIXED_SIZES(face) && FT_HAS_COLOR(face) &&
         face->num_fixed_sizes > 0;
}

// The strike whose size is nearest `ppem` (26.6); the larger one on a tie.
FT_Int NearestStrike(const FT_Face face, double ppem) {
  FT_Int best = 0;
  double bestDistance = -1;
  for (FT_Int i = 0; i < face->num_fixed_sizes; ++i) {
    const auto strike = static_cast<double>(face->available_sizes[i].y_ppem);
    const double distance = std::abs(strike - ppem);
    if (bestDistance < 0 || distance < bestDistance ||
        (distance == bestDistance &&
         strike > static_cast<double>(face->available_sizes[best].y_ppem))) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

std::int32_t ScaledPixels(double pixels) { return static_cast<std::int32_t>(std::lround(pixels)); }

// FreeType selects a Unicode character map by itself, and none when a face has only a symbol
// one (3,0), which then maps nothing; HarfBuzz's own face loading selects it, and so does this.
FT_Face WithCharacterMap(FT_Face face) {
  if (face != nullptr && face->charmap == nullptr) FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL);
  return face;
}

}  // namespace

FontFace::FontFace(std::u16string_view fontFace, FontStyle style) {
#ifdef _WIN32
  // A file opens through its wide-character name: FreeType's narrow path would go through the
  // ANSI code page, which cannot spell every name. (Text with a null character, or a lone
  // surrogate, names no file.)
  if (fontFace.find(u'\0') == std::u16string_view::npos) {
    std::optional<std::filesystem::path> file;
    try {
      file.emplace(std::u16string(fontFace));
    } catch (const std::filesystem::filesystem_error&) {
    }
    std::error_code error;
    if (file && !file->empty() && std::filesystem::is_regular_file(*file, error)) {
      OpenStream(*file);
      return;
    }
  }
#endif
  face.reset(WithCharacterMap(manager.OpenFont(fontFace, style)));
  // The lookup opens a variable family's named instance for a style its faces lack: the
  // instance's coordinates go first in every SetVariations, so that shaping and a second
  // opening of the face (OpenAgain) see the same instance.
  if ((face->face_index >> 16) != 0) {
    KeepInstance();
    SetVariations({});
  }
  // A name that is a file's path opens the same file again; a family name does not say which
  // file the lookup chose.
  std::error_code error;
  if (fontFace.find(u'\0') == std::u16string_view::npos &&
      std::filesystem::is_regular_file(std::filesystem::path(std::u16string(fontFace)), error)) {
    sourceName = fontFace;
    sourceStyle = style;
  }
}

FontFace::FontFace(std::span<const std::byte> fontData) {
  // FreeType reads a memory face lazily for as long as it is open, so it gets its own copy.
  std::shared_ptr<std::byte[]> copy = std::make_shared_for_overwrite<std::byte[]>(fontData.size());
  if (!fontData.empty()) std::memcpy(copy.get(), fontData.data(), fontData.size());
  OpenMemory(std::move(copy), fontData.size());
}

FontFace::FontFace(std::shared_ptr<const std::byte[]> sharedData, std::size_t dataSize) {
  OpenMemory(std::move(sharedData), dataSize);
}

void FontFace::OpenMemory(std::shared_ptr<const std::byte[]> bytes, std::size_t size) {
  data = std::move(bytes);
  dataSize = size;
  FT_Face opened = nullptr;
  // Faces open in the shared library one at a time (FreeTypeManager's threading rules).
  const auto lock = FreeTypeManager::LockFaces();
  if (size > static_cast<std::size_t>(std::numeric_limits<FT_Long>::max()) ||
      FT_New_Memory_Face(manager.GetLibraryInstance(), reinterpret_cast<const FT_Byte*>(data.get()),
                         static_cast<FT_Long>(size), 0, &opened) != 0) {
    throw FontException(Messages::ErrorOpeningFontFile);
  }
  face.reset(WithCharacterMap(opened));
}

std::unique_ptr<FontFace> FontFace::OpenAgain() const {
  std::unique_ptr<FontFace> again;
  if (!sourceFile.empty()) {
    again = std::make_unique<FontFace>(sourceFile);
  } else if (!sourceName.empty()) {
    again = std::make_unique<FontFace>(sourceName, sourceStyle);
  } else {
    if (!data) {
      // A face found by name: the whole file as FreeType reads it (tag 0).
      FT_ULong length = 0;
      if (!FT_IS_SFNT(face.get()) || FT_Load_Sfnt_Table(face.get(), 0, 0, nullptr, &length) != 0) {
        return nullptr;
      }
      std::shared_ptr<std::byte[]> bytes = std::make_shared_for_overwrite<std::byte[]>(length);
      if (FT_Load_Sfnt_Table(face.get(), 0, 0, reinterpret_cast<FT_Byte*>(bytes.get()), &length) !=
          0) {
        return nullptr;
      }
      data = std::move(bytes);
      dataSize = length;
    }
    again = std::unique_ptr<FontFace>(new FontFace(data, dataSize));
  }
  again->SetRendering(rendering);
  again->SetVariations(variations);
  again->SetPixelSize(requestedSize);
  again->SetLargestImage(largestImage);
  return again;
}

// A font file read through a C stream that FreeType pulls from. Opening the file here rather
// than handing FreeType a narrow path lets a std::filesystem::path reach any file the system
// can name: on Windows through _wfopen, where the narrow path would go through the ANSI code
// page.
struct FontFace::FileStream {
  FT_StreamRec Stream{};
  std::FILE* File = nullptr;

  ~FileStream() {
    if (File != nullptr) std::fclose(File);
  }

  // FreeType's read callback: with `count` 0 it is a seek, answering 0 for success.
  static unsigned long Read(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                            unsigned long count) {
    auto* self = static_cast<FileStream*>(stream->descriptor.pointer);
#ifdef _WIN32
    const bool sought = _fseeki64(self->File, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    const bool sought = fseeko(self->File, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
    if (count == 0) return sought ? 0 : 1;
    // At most `count` bytes are read, so the result fits FreeType's type (32 bits on Windows).
    return sought ? static_cast<unsigned long>(std::fread(buffer, 1, count, self->File)) : 0;
  }
  // FreeType calls this when the face is done; the file is closed by the destructor.
  static void Close(FT_Stream) {}
};

FontFace::FontFace(const std::filesystem::path& file) { OpenStream(file); }

void FontFace::OpenStream(const std::filesystem::path& file) {
  std::error_code error;
  // A folder opens as a stream on some systems and then fails oddly inside FreeType.
  if (file.empty() || !std::filesystem::is_regular_file(file, error)) {
    throw FontException(Messages::ErrorOpeningFontFile);
  }
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size > std::numeric_limits<unsigned long>::max()) {
    throw FontException(Messages::ErrorOpeningFontFile);
  }
  stream = std::make_unique<FileStream>();
#ifdef _WIN32
  stream->File = _wfopen(file.c_str(), L"rb");
#else
  stream->File = std::fopen(file.c_str(), "rb");
#endif
  if (stream->File == nullptr) throw FontException(Messages::ErrorOpeningFontFile);
  stream->Stream.size = static_cast<unsigned long>(size);
  stream->Stream.descriptor.pointer = stream.get();
  stream->Stream.read = &FileStream::Read;
  stream->Stream.close = &FileStream::Close;

  FT_Open_Args arguments{};
  arguments.flags = FT_OPEN_STREAM;
  arguments.stream = &stream->Stream;
  FT_Face opened = nullptr;
  // Faces open in the shared library one at a time (FreeTypeManager's threading rules).
  const auto lock = FreeTypeManager::LockFaces();
  if (FT_Open_Face(manager.GetLibraryInstance(), &arguments, 0, &opened) != 0) {
    throw FontException(Messages::ErrorOpeningFontFile);
  }
  face.reset(WithCharacterMap(opened));
  sourceFile = file;
}

FontFace::~FontFace() = default;

void FontFace::SetPixelSize(float size) {
  requestedSize = size;
  const FT_Face ftFace = face.get();
  const bool colorStrikes = IsColorStrikeFace(ftFace);
  // Bitmap-only formats have no design units; every scaled metric would divide by zero. Colour
  // strikes are the exception: their metrics come from the strike.
  if (ftFace->units_per_EM == 0 && !colorStrikes) throw FontException(Messages::FaceNotScalable);

  // Refuse what would not convert to a 26.6 value instead of converting undefined values.
  const double height = static_cast<double>(size) * 64.0;
  if (!std::isfinite(height) || height <= -2147483649.0 || height >= 2147483648.0) {
    throw FontException(Messages::CouldNotSetFontSize);
  }
  auto charHeight = static_cast<FT_F26Dot6>(static_cast<std::int32_t>(height));
  std::int64_t ppem = 0;
  if (colorStrikes) {
    // Sizes below one pixel become one pixel, as FT_Set_Char_Size makes them.
    charHeight = std::max<FT_F26Dot6>(charHeight, 64);
    if (FT_Select_Size(ftFace, NearestStrike(ftFace, static_cast<double>(charHeight))) != 0) {
      throw FontException(Messages::CouldNotSetFontSize);
    }
    strikeScale =
        static_cast<double>(charHeight) / static_cast<double>(ftFace->size->metrics.y_ppem * 64);
    ppem = Pixels26Dot6Rounded(charHeight);
  } else {
    if (FT_Set_Char_Size(ftFace, 0, charHeight, 72, 72) != 0) {
      throw FontException(Messages::CouldNotSetFontSize);
    }
    strikeScale = 0;
    ppem = ftFace->size->metrics.y_ppem;
  }
  // Colour layers (COLR) render in colour only when asked; other faces keep their flags.
  colorLoadFlag = FT_HAS_COLOR(ftFace) ? FT_LOAD_COLOR : 0;

  if (ftFace->units_per_EM != 0) {
    metrics.Ascent = ScaleToPixels(ftFace->ascender, ftFace, ppem);
    metrics.Descent = ScaleToPixels(ftFace->descender, ftFace, ppem);
    metrics.LineHeight =
        ScaleToPixels(std::int32_t{ftFace->ascender} - ftFace->descender, ftFace, ppem);
    metrics.Leading = ScaleToPixels(
        std::int32_t{ftFace->height} - ftFace->ascender + ftFace->descender, ftFace, ppem);
  } else {
    // Strike metrics (26.6) scaled from the strike to the size.
    const FT_Size_Metrics& strike = ftFace->size->metrics;
    const double scale = strikeScale / 64.0;
    metrics.Ascent = ScaledPixels(static_cast<double>(strike.ascender) * scale);
    metrics.Descent = ScaledPixels(static_cast<double>(strike.descender) * scale);
    metrics.LineHeight = metrics.Ascent - metrics.Descent;
    metrics.Leading = ScaledPixels(static_cast<double>(strike.height) * scale) - metrics.LineHeight;
  }
  // Without kerning data FreeType answers (0, 0) for every pair, so asking can be skipped.
  hasKerning = FT_HAS_KERNING(ftFace);
}

namespace {

// Bytes [offset, offset + count) of the face's file as FreeType reads it (a collection's whole
// file), or false when the face has no such bytes.
bool ReadSfntBytes(FT_Face face, FT_Long offset, std::span<std::uint8_t> bytes) {
  // FT_ULong is 32 bits on Windows; a table directory is at most a megabyte.
  FT_ULong length = static_cast<FT_ULong>(bytes.size());
  return FT_Load_Sfnt_Table(face, 0, offset, bytes.data(), &length) == 0 && length == bytes.size();
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24U) | (std::uint32_t{bytes[1]} << 16U) |
         (std::uint32_t{bytes[2]} << 8U) | bytes[3];
}

}  // namespace

std::uint64_t FontFace::DataIdentity() const {
  const FT_Face ftFace = face.get();
  if (!FT_IS_SFNT(ftFace)) return 0;
  std::array<std::uint8_t, 16> header{};
  if (!ReadSfntBytes(ftFace, 0, header)) return 0;
  // A face of a collection has its own table directory, where the collection's header says:
  // faces of one file share tables but not their character maps.
  FT_Long directory = 0;
  const auto faceIndex = static_cast<std::uint32_t>(ftFace->face_index & 0xFFFF);
  if (BigEndian32(header.data()) == 0x74746366U) {  // 'ttcf'
    if (faceIndex >= BigEndian32(header.data() + 8)) return 0;
    std::array<std::uint8_t, 4> offset{};
    if (!ReadSfntBytes(ftFace, 12 + 4 * static_cast<FT_Long>(faceIndex), offset)) return 0;
    directory = static_cast<FT_Long>(BigEndian32(offset.data()));
    if (!ReadSfntBytes(ftFace, directory, std::span(header).first(12))) return 0;
  }
  const std::size_t tables = (std::size_t{header[4]} << 8U) | header[5];
  std::vector<std::uint8_t> records(tables * 16);
  if (!ReadSfntBytes(ftFace, directory + 12, records)) return 0;
  ContentHash hash(0x666163652D696473ULL);
  hash.Add(records);
  // The head table holds the whole file's checksum and its revision.
  std::array<std::uint8_t, 54> head{};
  FT_ULong headLength = static_cast<FT_ULong>(head.size());
  if (FT_Load_Sfnt_Table(ftFace, TTAG_head, 0, head.data(), &headLength) == 0) {
    hash.Add(std::span(head).first(headLength));
  }
  hash.Add(static_cast<std::uint64_t>(ftFace->num_glyphs));
  hash.Add(std::uint64_t{faceIndex});
  for (const std::int32_t coordinate : designCoordinates) {
    hash.Add(static_cast<std::uint64_t>(static_cast<std::uint32_t>(coordinate)));
  }
  const std::uint64_t identity = hash.Value();
  return identity != 0 ? identity : 1;
}

std::uint32_t FontFace::GlyphCount() const {
  return static_cast<std::uint32_t>(std::max<FT_Long>(face->num_glyphs, 0));
}

void FontFace::SetRendering(const GlyphRendering& glyphRendering) {
  if (glyphRendering.OutlineRadius > 0 && !stroker) {
    stroker = MakeStroker(manager.GetLibraryInstance());
  }
  rendering = glyphRendering;
}

std::uint32_t FontFace::GlyphIndex(char32_t codePoint) const {
  const std::uint32_t glyph = FT_Get_Char_Index(face.get(), codePoint);
  // A symbol character map (3,0) holds its glyphs at U+F000 + c; text asks for c, as HarfBuzz
  // and FreeType's users map it.
  if (glyph == 0 && codePoint <= 0xFF && face->charmap != nullptr &&
      face->charmap->encoding == FT_ENCODING_MS_SYMBOL) {
    return FT_Get_Char_Index(face.get(), 0xF000 + codePoint);
  }
  return glyph;
}

namespace {

// Refuses a bitmap whose edges would not fit the atlas's arithmetic.
void CheckEdges(const FT_Bitmap& bitmap) {
  constexpr unsigned largestEdge = std::numeric_limits<std::int32_t>::max() - 1;
  if (bitmap.width > largestEdge || bitmap.rows > largestEdge) {
    throw FontException(Messages::AtlasTooLarge);
  }
}

// Records a rendered coverage bitmap as a glyph image; the advance is the caller's.
void CopyBitmap(FT_Library library, const FT_Bitmap& bitmap, std::int32_t left, std::int32_t top,
                GlyphImage& image) {
  CheckEdges(bitmap);
  image.Width = static_cast<std::int32_t>(bitmap.width);
  image.Rows = static_cast<std::int32_t>(bitmap.rows);
  image.Left = left;
  image.Top = top;
  image.Format = GlyphPixelFormat::Coverage8;
  if (image.IsEmpty()) return;
  const std::size_t bytes = std::size_t{bitmap.width} * bitmap.rows;
  if (image.Pixels.size() < bytes) image.Pixels.resize(bytes);
  CopyGlyphCoverage(library, bitmap, image.Pixels.data());
}

}  // namespace

bool FontFace::RenderGlyph(std::uint32_t glyphIndex, GlyphImage& image, GlyphImage* outline,
                           std::int32_t shift) {
  // A face of colour strikes loads its bitmaps as they are; outline faces as the options ask,
  // in colour where the face has colour layers.
  // Rendering waits for the outline's box to be checked (FT_LOAD_RENDER would render as it
  // loads); FT_Render_Glyph then renders exactly as loading would have.
  const std::int32_t flags =
      strikeScale != 0
          ? FT_LOAD_COLOR
          : (rendering.LoadFlags & ~static_cast<std::int32_t>(FT_LOAD_RENDER)) | colorLoadFlag;
  if (FT_Load_Glyph(face.get(), glyphIndex, flags) != 0) {
    throw FontException(Messages::ErrorLoadingGlyph);
  }
  const FT_GlyphSlot slot = face->glyph;
  const FT_Library library = manager.GetLibraryInstance();
  const bool strokes = outline != nullptr && rendering.OutlineRadius > 0;
  bool moved = shift == 0;
  if (strikeScale == 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    // Synthesis changes the loaded outline (and, for bold, the advance) before anything is
    // rendered from it, so fill and outline images agree.
    if (rendering.Oblique) FT_GlyphSlot_Oblique(slot);
    if (rendering.Bold) FT_GlyphSlot_Embolden(slot);
    if (shift != 0) {
      FT_Outline_Translate(&slot->outline, shift, 0);
      moved = true;
    }
    if (rendering.Spread > 0 && !rendering.MultiChannel) {
      // The spread is a property of the library's renderers, which other fonts share.
      FT_Int spread = rendering.Spread;
      FT_Property_Set(library, "sdf", "spread", &spread);
      FT_Property_Set(library, "bsdf", "spread", &spread);
    }
    // The image's size is known from the outline's box: a glyph no texture could hold is
    // refused before it costs the time and memory of rendering it.
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    const double grown = 2.0 * (rendering.Spread + (strokes ? rendering.OutlineMargin : 0));
    CheckImageEdges((static_cast<double>(box.xMax) - static_cast<double>(box.xMin)) / 64 + grown,
                    (static_cast<double>(box.yMax) - static_cast<double>(box.yMin)) / 64 + grown);
    if (strokes) StrokeGlyph(library, stroker.get(), slot, rendering, stroke);
    if (rendering.MultiChannel) {
      // The library's own generator, which needs nothing of the shared FreeType library.
      if (!multiChannel) multiChannel = std::make_unique<MultiChannelField>();
      multiChannel->Render(slot->outline, rendering.Spread, image);
      image.Advance =
          Graphics::Point{static_cast<std::int32_t>(Pixels26Dot6Floored(slot->advance.x)),
                          static_cast<std::int32_t>(Pixels26Dot6Floored(slot->advance.y))};
      return moved;
    }
    if (FT_Render_Glyph(slot, rendering.RenderMode) != 0) {
      throw FontException(Messages::ErrorLoadingGlyph);
    }
  }
  // 26.6 advances floor to whole pixels.
  image.Advance = Graphics::Point{static_cast<std::int32_t>(Pixels26Dot6Floored(slot->advance.x)),
                                  static_cast<std::int32_t>(Pixels26Dot6Floored(slot->advance.y))};
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode == FT_PIXEL_MODE_BGRA) {
    // A colour glyph keeps its own colours; it gets no outline image.
    CheckEdges(bitmap);
    image.Width = static_cast<std::int32_t>(bitmap.width);
    image.Rows = static_cast<std::int32_t>(bitmap.rows);
    image.Left = slot->bitmap_left;
    image.Top = slot->bitmap_top;
    image.Format = GlyphPixelFormat::Bgra32;
    if (strokes) {
      outline->Width = 0;
      outline->Rows = 0;
    }
    if (strikeScale != 0) ScaleFromStrike(slot, image);
    CheckImageEdges(image.Width, image.Rows);
    // Colour layers render from their own glyphs, which the shift did not move.
    if (image.IsEmpty()) return shift == 0;
    const std::size_t bytes = std::size_t{4} * static_cast<std::size_t>(image.Width) *
                              static_cast<std::size_t>(image.Rows);
    if (image.Pixels.size() < bytes) image.Pixels.resize(bytes);
    ResampleBgra(bitmap, image.Width, image.Rows, image.Pixels.data(), resampleScratch);
    return shift == 0;
  }
  CopyBitmap(library, bitmap, slot->bitmap_left, slot->bitmap_top, image);
  if (strikeScale != 0) {
    // A strike face's glyph without colour: its coverage is not resampled, so it keeps the
    // strike's size but still advances as the size asks.
    image.Advance.X = static_cast<std::int32_t>(
        std::floor(static_cast<double>(slot->advance.x) * strikeScale / 64.0));
  }
  if (strokes) FitOutline(image, stroke, rendering.OutlineMargin, *outline);
  return moved;
}

void FontFace::CheckImageEdges(double width, double rows) const {
  if (width > largestImage || rows > largestImage) throw FontException(Messages::AtlasTooLarge);
}

KerningVector FontFace::Kerning(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const {
  if (!hasKerning) return {};
  FT_Vector kerning;
  if (FT_Get_Kerning(face.get(), leftGlyph, rightGlyph, FT_KERNING_DEFAULT, &kerning) != 0) {
    throw FontException(Messages::NoKerningInformation);
  }
  if (strikeScale != 0) {
    return {ScaledPixels(static_cast<double>(kerning.x) * strikeScale),
            ScaledPixels(static_cast<double>(kerning.y) * strikeScale)};
  }
  return {static_cast<std::int32_t>(kerning.x), static_cast<std::int32_t>(kerning.y)};
}

void FontFace::ScaleFromStrike(const FT_GlyphSlot slot, GlyphImage& image) const {
  const double scale = strikeScale;
  const FT_Bitmap& bitmap = slot->bitmap;
  // The image's edges land on the scaled edges, rounded, so the glyph keeps the strike's own
  // proportion of image to em.
  const std::int32_t left = ScaledPixels(slot->bitmap_left * scale);
  const std::int32_t top = ScaledPixels(slot->bitmap_top * scale);
  const std::int32_t right =
      ScaledPixels((slot->bitmap_left + static_cast<double>(bitmap.width)) * scale);
  const std::int32_t bottom =
      ScaledPixels((slot->bitmap_top - static_cast<double>(bitmap.rows)) * scale);
  image.Left = left;
  image.Top = top;
  image.Width = bitmap.width == 0 ? 0 : std::max(1, right - left);
  image.Rows = bitmap.rows == 0 ? 0 : std::max(1, top - bottom);
  image.Advance = Graphics::Point{
      static_cast<std::int32_t>(std::floor(static_cast<double>(slot->advance.x) * scale / 64.0)),
      static_cast<std::int32_t>(std::floor(static_cast<double>(slot->advance.y) * scale / 64.0))};
}

}  // namespace Vennicor::Font::Detail
