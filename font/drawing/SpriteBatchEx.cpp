#include "font/drawing/SpriteBatchEx.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "font/detail/FontAccess.h"
#include "font/detail/GlyphWalk.h"
#include "font/text/Utf.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"

namespace Vennicor::Font {

namespace {

// Halves go to the even neighbour whatever the floating-point rounding mode is.
double RoundHalfToEven(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

}  // namespace

namespace {

// Queues one sprite a glyph along the pen. The pen advances in double precision and is stored
// as a float after each step, so that a long line accumulates one rounding per step rather
// than two.
struct DrawGlyphs {
  Graphics::SpriteBatch& Batch;
  const std::shared_ptr<Graphics::Texture2D>& Texture;
  Graphics::Matrix Transform;
  Graphics::Vector2 Position;
  Graphics::Color Tint;
  float Rotation;
  Graphics::Vector2 Scale;
  Graphics::SpriteEffects Effects;
  float LayerDepth;
  float PenX = 0;
  // Engaged once here rather than built for every character: the compiler writes the engaged
  // flag as a byte and then copies it as a word, which stalls store forwarding on each call.
  std::optional<Graphics::Rectangle> Source{Graphics::Rectangle{}};

  void LineFeed() {}  // one line: a line feed only breaks the kerning chain

  void Glyph(const Detail::GlyphEntry& entry, Detail::KerningVector kerning, bool kerned) {
    using Graphics::Vector2;
    const Font::Glyph& glyph = entry.Record;
    if (kerned) {
      const float kerningX = static_cast<float>(kerning.X) * 0.015625F;
      PenX = static_cast<float>(static_cast<double>(PenX) +
                                static_cast<double>(kerningX) * static_cast<double>(Scale.X));
    }

    Vector2 p{PenX, 0};
    p = p + Vector2{static_cast<float>(glyph.Offset.X), static_cast<float>(glyph.Offset.Y)} * Scale;
    p = Vector2::Transform(p, Transform);
    p = p + Position;
    p.X = static_cast<float>(RoundHalfToEven(static_cast<double>(p.X)));

    // A glyph without an image (a space) is still drawn, from an empty rectangle, so that a
    // batch sees one sprite per character.
    *Source = {glyph.Position.X, glyph.Position.Y, glyph.Bounds.Width, glyph.Bounds.Height};
    Batch.Draw(Texture, p, Source, Tint, Rotation, Vector2{0, 0}, Scale, Effects, LayerDepth);

    PenX = static_cast<float>(static_cast<double>(PenX) +
                              static_cast<double>(glyph.Advance.X) * static_cast<double>(Scale.X));
  }
};

}  // namespace

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::u16string_view text, Graphics::Vector2 position,
                               Graphics::Color color, float rotation, Graphics::Vector2 origin,
                               Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                               float layerDepth, char16_t lastCharacter) {
  using Graphics::Matrix;

  font.EnsureGlyphsExist(text);
  // Our own reference: every sprite of this call comes from this texture, and the walk below
  // hands it to Draw, which may run code of the caller's.
  const std::shared_ptr<Graphics::Texture2D> texture = font.GlyphTexture();

  // Translate by the scaled origin first, then rotate about (0, 0).
  DrawGlyphs draw{
      spriteBatch,
      texture,
      Matrix::Multiply(Matrix::CreateTranslation(-origin.X * scale.X, -origin.Y * scale.Y, 0),
                       Matrix::CreateRotationZ(rotation)),
      position,
      color,
      rotation,
      scale,
      spriteEffects,
      layerDepth};
  Detail::WalkGlyphs(Detail::FontAccess::Of(font), text, lastCharacter, draw);
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::string_view utf8Text, Graphics::Vector2 position,
                               Graphics::Color color, float rotation, Graphics::Vector2 origin,
                               Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                               float layerDepth, char16_t lastCharacter) {
  thread_local std::u16string spare;
  // Taken out of the thread's spare for the call and put back afterwards, so that a Draw that
  // itself draws UTF-8 text cannot change the text under this walk.
  struct Borrowed {
    std::u16string Text = std::move(spare);
    ~Borrowed() { spare = std::move(Text); }
  } buffer;
  buffer.Text.clear();
  AppendUtf16FromUtf8(utf8Text, buffer.Text);
  DrawString(spriteBatch, font, std::u16string_view(buffer.Text), position, color, rotation, origin,
             scale, spriteEffects, layerDepth, lastCharacter);
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::u16string_view text, Graphics::Vector2 position,
                               Graphics::Color color) {
  DrawString(spriteBatch, font, text, position, color, Graphics::Vector2{1, 1});
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::string_view utf8Text, Graphics::Vector2 position,
                               Graphics::Color color) {
  DrawString(spriteBatch, font, utf8Text, position, color, Graphics::Vector2{1, 1});
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::u16string_view text, Graphics::Vector2 position,
                               Graphics::Color color, Graphics::Vector2 scale) {
  DrawString(spriteBatch, font, text, position, color, 0, {0, 0}, scale,
             Graphics::SpriteEffects::None, 0, 0);
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::string_view utf8Text, Graphics::Vector2 position,
                               Graphics::Color color, Graphics::Vector2 scale) {
  DrawString(spriteBatch, font, utf8Text, position, color, 0, {0, 0}, scale,
             Graphics::SpriteEffects::None, 0, 0);
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::u16string_view text, Graphics::Vector2 position,
                               Graphics::Color color, float scale) {
  DrawString(spriteBatch, font, text, position, color, Graphics::Vector2{scale, scale});
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::string_view utf8Text, Graphics::Vector2 position,
                               Graphics::Color color, float scale) {
  DrawString(spriteBatch, font, utf8Text, position, color, Graphics::Vector2{scale, scale});
}

}  // namespace Vennicor::Font
