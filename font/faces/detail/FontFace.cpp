#include "font/faces/detail/FontFace.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "font/FontException.h"
#include "font/faces/detail/GlyphCoverage.h"

namespace Vennicor::Font::Detail {

namespace {

// Design units to pixels: widened so that large faces at large sizes cannot overflow, and
// truncated toward zero as integer division does.
std::int32_t ScaleToPixels(std::int32_t designUnits, const FT_Face face) {
  const std::int64_t product = std::int64_t{designUnits} * face->size->metrics.y_ppem;
  return static_cast<std::int32_t>(product / face->units_per_EM);
}

}  // namespace

FontFace::FontFace(std::u16string_view fontFace, FontStyle style)
    : face(manager.OpenFont(fontFace, style)) {}

FontFace::FontFace(std::span<const std::byte> fontData) {
  // FreeType reads a memory face lazily for as long as it is open, so it gets its own copy.
  data = std::make_unique_for_overwrite<std::byte[]>(fontData.size());
  if (!fontData.empty()) std::memcpy(data.get(), fontData.data(), fontData.size());
  FT_Face opened = nullptr;
  if (fontData.size() > static_cast<std::size_t>(std::numeric_limits<FT_Long>::max()) ||
      FT_New_Memory_Face(manager.GetLibraryInstance(), reinterpret_cast<const FT_Byte*>(data.get()),
                         static_cast<FT_Long>(fontData.size()), 0, &opened) != 0) {
    throw FontException(Messages::ErrorOpeningFontFile);
  }
  face.reset(opened);
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
    return sought ? std::fread(buffer, 1, count, self->File) : 0;
  }
  // FreeType calls this when the face is done; the file is closed by the destructor.
  static void Close(FT_Stream) {}
};

FontFace::FontFace(const std::filesystem::path& file) {
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
  if (FT_Open_Face(manager.GetLibraryInstance(), &arguments, 0, &opened) != 0) {
    throw FontException(Messages::ErrorOpeningFontFile);
  }
  face.reset(opened);
}

FontFace::~FontFace() = default;

void FontFace::SetPixelSize(float size) {
  const FT_Face ftFace = face.get();
  // Bitmap-only formats have no design units; every scaled metric would divide by zero.
  if (ftFace->units_per_EM == 0) throw FontException(Messages::FaceNotScalable);

  // Refuse what would not convert to a 26.6 value instead of converting undefined values.
  const double height = static_cast<double>(size) * 64.0;
  if (!std::isfinite(height) || height <= -2147483649.0 || height >= 2147483648.0) {
    throw FontException(Messages::CouldNotSetFontSize);
  }
  const auto charHeight = static_cast<FT_F26Dot6>(static_cast<std::int32_t>(height));
  if (FT_Set_Char_Size(ftFace, 0, charHeight, 72, 72) != 0) {
    throw FontException(Messages::CouldNotSetFontSize);
  }
  loadFlags = FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT;

  metrics.Ascent = ScaleToPixels(ftFace->ascender, ftFace);
  metrics.Descent = ScaleToPixels(ftFace->descender, ftFace);
  metrics.LineHeight = ScaleToPixels(std::int32_t{ftFace->ascender} - ftFace->descender, ftFace);
  metrics.Leading =
      ScaleToPixels(std::int32_t{ftFace->height} - ftFace->ascender + ftFace->descender, ftFace);
  // Without kerning data FreeType answers (0, 0) for every pair, so asking can be skipped.
  hasKerning = FT_HAS_KERNING(ftFace);
}

std::uint32_t FontFace::GlyphIndex(char32_t codePoint) const {
  return FT_Get_Char_Index(face.get(), codePoint);
}

void FontFace::RenderGlyph(std::uint32_t glyphIndex, GlyphImage& image) {
  if (FT_Load_Glyph(face.get(), glyphIndex, loadFlags) != 0) {
    throw FontException(Messages::ErrorLoadingGlyph);
  }
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  constexpr unsigned largestEdge = std::numeric_limits<std::int32_t>::max() - 1;
  if (bitmap.width > largestEdge || bitmap.rows > largestEdge) {
    throw FontException(Messages::AtlasTooLarge);
  }
  // Arithmetic shifts: 26.6 advances floor to whole pixels.
  image.Advance = Graphics::Point{static_cast<std::int32_t>(slot->advance.x >> 6),
                                  static_cast<std::int32_t>(slot->advance.y >> 6)};
  image.Width = static_cast<std::int32_t>(bitmap.width);
  image.Rows = static_cast<std::int32_t>(bitmap.rows);
  image.Left = slot->bitmap_left;
  image.Top = slot->bitmap_top;
  image.Format = GlyphPixelFormat::Coverage8;
  if (image.IsEmpty()) return;
  const std::size_t bytes = std::size_t{bitmap.width} * bitmap.rows;
  if (image.Pixels.size() < bytes) image.Pixels.resize(bytes);
  CopyGlyphCoverage(manager.GetLibraryInstance(), bitmap, image.Pixels.data());
}

KerningVector FontFace::Kerning(std::uint32_t leftGlyph, std::uint32_t rightGlyph) const {
  if (!hasKerning) return {};
  FT_Vector kerning;
  if (FT_Get_Kerning(face.get(), leftGlyph, rightGlyph, FT_KERNING_DEFAULT, &kerning) != 0) {
    throw FontException(Messages::NoKerningInformation);
  }
  return {static_cast<std::int32_t>(kerning.x), static_cast<std::int32_t>(kerning.y)};
}

}  // namespace Vennicor::Font::Detail
