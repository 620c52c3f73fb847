#include "font/Font.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "font/FontException.h"
#include "font/detail/FontImpl.h"
#include "font/detail/GlyphWalk.h"
#include "font/faces/detail/FixedPoint.h"
#include "font/faces/detail/FontFace.h"
#include "font/text/Utf.h"
#include "font/text/detail/BorrowedUtf16.h"

namespace Vennicor::Font {

using Detail::FontImpl;
using Detail::GlyphEntry;
using Detail::KerningVector;
using Detail::Pixels26Dot6Exact;
using Detail::Pixels26Dot6Floored;
using Graphics::Vector2;

namespace {

std::unique_ptr<Detail::FontFace> OpenFace(const FontSource& source) {
  switch (source.Kind()) {
    case FontSource::Kinds::File:
      return std::make_unique<Detail::FontFace>(source.FilePath());
    case FontSource::Kinds::Memory:
      return std::make_unique<Detail::FontFace>(source.Data());
    case FontSource::Kinds::Family:
      break;
  }
  return std::make_unique<Detail::FontFace>(source.Name(), source.Style());
}

Vector2 ToPixels(KerningVector kerning) {
  return Vector2{Pixels26Dot6Exact(kerning.X), Pixels26Dot6Exact(kerning.Y)};
}

}  // namespace

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size)
    : Font(graphicsDevice, fontFace, size, FontStyle::Regular) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
           FontStyle style)
    : impl(std::make_shared<FontImpl>(graphicsDevice,
                                      std::make_unique<Detail::FontFace>(fontFace, style), size)) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::string_view fontFace, float size,
           FontStyle style)
    : Font(graphicsDevice, std::u16string_view(Utf8ToUtf16(fontFace)), size, style) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::span<const std::byte> fontData,
           float size)
    : impl(std::make_shared<FontImpl>(graphicsDevice, std::make_unique<Detail::FontFace>(fontData),
                                      size)) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::span<const std::byte> fontData,
           float size, const FontOptions& options)
    : impl(std::make_shared<FontImpl>(graphicsDevice, std::make_unique<Detail::FontFace>(fontData),
                                      size, options)) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
           FontStyle style, const FontOptions& options)
    : impl(std::make_shared<FontImpl>(
          graphicsDevice, std::make_unique<Detail::FontFace>(fontFace, style), size, options)) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::string_view fontFace, float size,
           FontStyle style, const FontOptions& options)
    : Font(graphicsDevice, std::u16string_view(Utf8ToUtf16(fontFace)), size, style, options) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::string_view fontFace, float size,
           const FontOptions& options)
    : Font(graphicsDevice, fontFace, size, FontStyle::Regular, options) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
           const FontOptions& options)
    : Font(graphicsDevice, fontFace, size, FontStyle::Regular, options) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, const FontSource& source, float size,
           const FontOptions& options)
    : impl(std::make_shared<FontImpl>(graphicsDevice, OpenFace(source), size, options)) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, FromFile file, float size)
    : impl(std::make_shared<FontImpl>(graphicsDevice, std::make_unique<Detail::FontFace>(file.File),
                                      size)) {}

Font::Font(std::shared_ptr<Detail::FontImpl> made) : impl(std::move(made)) {}

Font::~Font() {
  // A destructor must not throw; a backend whose texture Dispose throws loses that error here,
  // but the face and the library reference are still released.
  try {
    Dispose();
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

Font::Font(Font&& other) noexcept = default;

Font& Font::operator=(Font&& other) noexcept {
  if (this != &other) {
    try {
      Dispose();
    } catch (...) {  // NOLINT(bugprone-empty-catch): as in the destructor
    }
    impl = std::move(other.impl);
  }
  return *this;
}

void Font::Dispose() {
  if (impl) impl->Dispose();
}

void Font::ThrowIfDisposed() const {
  if (!impl || impl->IsDisposed()) throw FontException(Messages::FontDisposed);
}

const std::shared_ptr<Graphics::Texture2D>& Font::GlyphTexture() {
  ThrowIfDisposed();
  return impl->UpdateAtlas();
}

const std::shared_ptr<Graphics::Texture2D>& Font::AtlasPageTexture(std::int32_t page) {
  ThrowIfDisposed();
  impl->UpdateAtlas();
  static const std::shared_ptr<Graphics::Texture2D> none;
  return page < 0 ? none : impl->PageTexture(static_cast<std::uint32_t>(page));
}

std::int32_t Font::AtlasPageCount() const {
  ThrowIfDisposed();
  return static_cast<std::int32_t>(impl->PageCount());
}

void Font::SetAtlasPageLimit(std::int32_t pages) {
  ThrowIfDisposed();
  impl->SetPageLimit(pages);
}

void Font::EnsureGlyphsExist(std::u16string_view characters) {
  ThrowIfDisposed();
  impl->EnsureGlyphsExist(characters);
}

void Font::SaveGlyphCache(const std::filesystem::path& file) const {
  ThrowIfDisposed();
  impl->SaveGlyphCache(file);
}

bool Font::StartedFromGlyphCache() const {
  if (!impl) throw FontException(Messages::FontDisposed);
  return impl->StartedFromGlyphCache();
}

void Font::EnsureGlyphsExist(std::string_view utf8Characters) {
  ThrowIfDisposed();
  const Detail::BorrowedUtf16 text(utf8Characters);
  impl->EnsureGlyphsExist(text.View());
}

const Font::Glyph& Font::GetGlyph(char32_t codePoint) const {
  if (impl) {
    if (const GlyphEntry* entry = impl->Find(codePoint)) return entry->Record;
  }
  ThrowNoGlyph(codePoint);
}

void Font::ThrowNoGlyph(char32_t codePoint) {
  constexpr char digits[] = "0123456789ABCDEF";
  std::string code;
  for (std::uint32_t rest = codePoint; rest != 0 || code.size() < 4; rest >>= 4U) {
    code.insert(code.begin(), digits[rest & 0xFU]);
  }
  throw std::out_of_range("The font has no glyph for character U+" + code);
}

bool Font::HasCharacter(char32_t codePoint) const {
  ThrowIfDisposed();
  return impl->Resolve(codePoint).GlyphIndex != 0;
}

void Font::AddSystemFallback() {
  ThrowIfDisposed();
  impl->EnableSystemFallback();
}

void Font::AddFallbackFace(std::u16string_view fontFace, FontStyle style) {
  ThrowIfDisposed();
  impl->AddFallbackFace(std::make_unique<Detail::FontFace>(fontFace, style));
}

void Font::AddFallbackFace(std::string_view fontFace, FontStyle style) {
  AddFallbackFace(std::u16string_view(Utf8ToUtf16(fontFace)), style);
}

void Font::AddFallbackFace(std::span<const std::byte> fontData) {
  ThrowIfDisposed();
  impl->AddFallbackFace(std::make_unique<Detail::FontFace>(fontData));
}

void Font::AddFallbackFace(const FontSource& source) {
  ThrowIfDisposed();
  impl->AddFallbackFace(OpenFace(source));
}

FontSource FontSource::Family(std::string_view utf8Family, FontStyle style) {
  return Family(std::u16string_view(Utf8ToUtf16(utf8Family)), style);
}

std::int32_t Font::LineHeight() const {
  ThrowIfDisposed();
  return impl->Metrics().LineHeight;
}

std::int32_t Font::Ascent() const {
  ThrowIfDisposed();
  return impl->Metrics().Ascent;
}

std::int32_t Font::Descent() const {
  ThrowIfDisposed();
  return impl->Metrics().Descent;
}

std::int32_t Font::Leading() const {
  ThrowIfDisposed();
  return impl->Metrics().Leading;
}

std::int32_t Font::Spacing() const {
  ThrowIfDisposed();
  return 0;
}

const FontOptions& Font::Options() const {
  if (!impl) throw FontException(Messages::FontDisposed);
  return impl->Options();
}

Vector2 Font::GetKerning(char32_t leftCharacter, char32_t rightCharacter) const {
  ThrowIfDisposed();
  const GlyphEntry* left = impl->Find(leftCharacter);
  const GlyphEntry* right = impl->Find(rightCharacter);
  if (left != nullptr && right != nullptr) return ToPixels(impl->KerningOf(*left, *right));
  return ToPixels(impl->KerningOf(impl->Resolve(leftCharacter), impl->Resolve(rightCharacter)));
}

Vector2 Font::MeasureString(std::u16string_view text) { return MeasureAfter(text, 0); }

Vector2 Font::MeasureString(std::string_view utf8Text, char32_t previousCharacter) {
  ThrowIfDisposed();
  const Detail::BorrowedUtf16 text(utf8Text);
  return MeasureAfter(text.View(), previousCharacter);
}

namespace {

// Sums a text's lines as measuring defines them. 64-bit sums: a very long text cannot
// overflow them.
struct Measure {
  std::int32_t LineHeight = 0;
  std::int64_t LineWidth = 0;
  std::int64_t WidestLine = 0;
  std::int64_t CompletedLinesHeight = 0;
  std::int32_t CurrentLineHeight = 0;

  void LineFeed() {
    WidestLine = std::max(LineWidth, WidestLine);
    LineWidth = 0;
    CurrentLineHeight = 0;
    CompletedLinesHeight += LineHeight;
  }

  void Glyph(const GlyphEntry& entry, KerningVector kerning, bool kerned) {
    if (kerned) {
      // Kerning in pixels, as GetKerning gives it, added and truncated toward zero. FreeType
      // grid-fits it to whole pixels, which add exactly as integers; the floating-point round
      // trip stays for any other value.
      if ((kerning.X & 63) == 0) [[likely]] {
        LineWidth += Pixels26Dot6Floored(kerning.X);  // a multiple of 64: exact
      } else {
        LineWidth = static_cast<std::int64_t>(static_cast<double>(LineWidth) +
                                              Pixels26Dot6Exact(kerning.X));
      }
    }
    CurrentLineHeight = LineHeight;
    LineWidth += entry.Record.Advance.X;
  }
};

}  // namespace

Vector2 Font::MeasureAfter(std::u16string_view text, char32_t previousCharacter) {
  ThrowIfDisposed();
  const Detail::FaceMetrics& metrics = impl->Metrics();
  Measure measure;
  measure.LineHeight = metrics.LineHeight;
  Detail::WalkGlyphsCachingMissing(*impl, text, previousCharacter, measure);
  const std::int64_t height =
      measure.CurrentLineHeight - std::int64_t{metrics.Leading} + measure.CompletedLinesHeight;
  return Vector2{static_cast<float>(std::max(measure.LineWidth, measure.WidestLine)),
                 static_cast<float>(height)};
}

}  // namespace Vennicor::Font
