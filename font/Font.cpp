#include "font/Font.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "font/FontException.h"
#include "font/detail/FontImpl.h"
#include "font/detail/GlyphWalk.h"
#include "font/faces/detail/FontFace.h"

namespace Vennicor::Font {

using Detail::FontImpl;
using Detail::GlyphEntry;
using Detail::KerningVector;
using Graphics::Vector2;

namespace {

Vector2 ToPixels(KerningVector kerning) {
  return Vector2{static_cast<float>(kerning.X) * 0.015625F,
                 static_cast<float>(kerning.Y) * 0.015625F};
}

}  // namespace

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size)
    : Font(graphicsDevice, fontFace, size, FontStyle::Regular) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, std::u16string_view fontFace, float size,
           FontStyle style)
    : impl(std::make_unique<FontImpl>(graphicsDevice,
                                      std::make_unique<Detail::FontFace>(fontFace, style), size)) {}

Font::Font(Graphics::GraphicsDevice& graphicsDevice, FromFile file, float size)
    : impl(std::make_unique<FontImpl>(graphicsDevice, std::make_unique<Detail::FontFace>(file.File),
                                      size)) {}

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

void Font::EnsureGlyphsExist(std::u16string_view characters) {
  ThrowIfDisposed();
  impl->EnsureGlyphsExist(characters);
}

const Font::Glyph& Font::GetGlyph(char16_t character) const {
  if (impl) {
    if (const GlyphEntry* entry = impl->Find(character)) return entry->Record;
  }
  constexpr char digits[] = "0123456789ABCDEF";
  std::string code = "U+0000";
  for (unsigned i = 0; i < 4; ++i) code[5 - i] = digits[(unsigned{character} >> (4 * i)) & 0xFU];
  throw std::out_of_range("The font has no glyph for character " + code);
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

Vector2 Font::GetKerning(char16_t leftCharacter, char16_t rightCharacter) const {
  ThrowIfDisposed();
  const GlyphEntry* left = impl->Find(leftCharacter);
  const GlyphEntry* right = impl->Find(rightCharacter);
  if (left != nullptr && right != nullptr) return ToPixels(impl->KerningOf(*left, *right));
  return ToPixels(
      impl->KerningOfGlyphs(impl->GlyphIndexOf(leftCharacter), impl->GlyphIndexOf(rightCharacter)));
}

float Font::MeasureWidth(std::u16string_view text, char16_t previousCharacter) {
  return MeasureString(text, previousCharacter).X;
}

Vector2 Font::MeasureString(std::u16string_view text) { return MeasureString(text, 0); }

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
      if ((kerning.X & 63) == 0) {
        LineWidth += kerning.X / 64;
      } else {
        LineWidth = static_cast<std::int64_t>(static_cast<double>(LineWidth) +
                                              static_cast<float>(kerning.X) * 0.015625F);
      }
    }
    CurrentLineHeight = LineHeight;
    LineWidth += entry.Record.Advance.X;
  }
};

}  // namespace

Vector2 Font::MeasureString(std::u16string_view text, char16_t previousCharacter) {
  EnsureGlyphsExist(text);
  const Detail::FaceMetrics& metrics = impl->Metrics();
  Measure measure;
  measure.LineHeight = metrics.LineHeight;
  Detail::WalkGlyphs(*impl, text, previousCharacter, measure);
  const std::int64_t height =
      measure.CurrentLineHeight - std::int64_t{metrics.Leading} + measure.CompletedLinesHeight;
  return Vector2{static_cast<float>(std::max(measure.LineWidth, measure.WidestLine)),
                 static_cast<float>(height)};
}

}  // namespace Vennicor::Font
