#include "font/drawing/SpriteBatchEx.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "font/detail/FontAccess.h"
#include "font/detail/GlyphWalk.h"
#include "font/drawing/detail/RoundHalfToEven.h"
#include "font/faces/detail/GlyphRendering.h"
#include "font/text/detail/BorrowedUtf16.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"

namespace Vennicor::Font {

namespace {

// Queues one sprite a glyph along the pen, a run of sprites at a time. The pen advances in
// double precision and is stored as a float after each step, so that a long line accumulates
// one rounding per step rather than two. While every step is a whole number of pixels (scale 1,
// grid-fitted kerning) and the pen stays below 2^24, those steps are exact, so the pen is kept
// as an integer: the same floats without the conversions on the critical path.
// `Outlines`: draws the glyphs' outline images instead of the glyphs (a compile-time choice, so
// that plain text pays no test for it).
template <bool Outlines>
struct DrawGlyphs {
  static constexpr std::size_t RunLength = 64;
  static constexpr std::int32_t ExactPenLimit = 1 << 24;

  Graphics::SpriteBatch& Batch;
  const Detail::FontImpl& Font;
  // Our own reference to the texture of the page drawn from last: Draw may run code of the
  // caller's, and every sprite holds its own texture from then on.
  std::shared_ptr<Graphics::Texture2D> Texture;
  std::int32_t TexturePage;
  Graphics::Matrix Transform;
  Graphics::Vector2 Position;
  Graphics::Color Tint;
  Graphics::Color ColorGlyphTint;  // white of the tint's alpha (premultiplied)
  float Rotation;
  Graphics::Vector2 Scale;
  Graphics::SpriteEffects Effects;
  float LayerDepth;
  float PenX = 0;
  bool WholePen = Scale.X == 1;
  std::int32_t WholePenX = 0;
  std::array<Graphics::SpriteRunItem, RunLength> Run{};
  std::size_t Queued = 0;
  bool RunIsColor = false;  // the queued run holds colour glyphs (drawn with ColorGlyphTint)

  void LineFeed() {}  // one line: a line feed only breaks the kerning chain

  void LeaveWholePen() {
    PenX = static_cast<float>(WholePenX);
    WholePen = false;
  }

  void Glyph(const Detail::GlyphEntry& entry, Detail::KerningVector kerning, bool kerned) {
    using Graphics::Vector2;
    const Font::Glyph& glyph = entry.Record;
    if (kerned) {
      if (WholePen && (kerning.X & 63) == 0 && std::abs(WholePenX) < ExactPenLimit / 2 &&
          std::abs(kerning.X / 64) < ExactPenLimit / 2) {
        WholePenX += kerning.X / 64;
      } else {
        if (WholePen) LeaveWholePen();
        const float kerningX = static_cast<float>(kerning.X) * 0.015625F;
        PenX = static_cast<float>(static_cast<double>(PenX) +
                                  static_cast<double>(kerningX) * static_cast<double>(Scale.X));
      }
    }
    if (WholePen) PenX = static_cast<float>(WholePenX);

    const Graphics::Point offset = Outlines ? entry.OutlineOffset : glyph.Offset;
    Vector2 p{PenX, 0};
    p = p + Vector2{static_cast<float>(offset.X), static_cast<float>(offset.Y)} * Scale;
    p = Vector2::Transform(p, Transform);
    p = p + Position;
    p.X = Detail::OnWholePixel(p.X);

    // A glyph without an image (a space) is still drawn, from an empty rectangle, so that a
    // batch sees one sprite per character.
    const auto page = Outlines ? static_cast<std::int32_t>(entry.OutlinePage) : glyph.Page;
    const bool isColor = !Outlines && glyph.IsColor;
    if (page != TexturePage || isColor != RunIsColor) {
      // A run holds sprites of one texture and one tint.
      Flush();
      RunIsColor = isColor;
      if (page != TexturePage) {
        TexturePage = page;
        Texture = Font.PageTexture(static_cast<std::uint32_t>(page));
      }
    }
    Run[Queued++] = {p, Outlines ? entry.OutlineSource
                                 : Graphics::Rectangle{glyph.Position.X, glyph.Position.Y,
                                                       glyph.Bounds.Width, glyph.Bounds.Height}};
    if (Queued == RunLength) Flush();

    if (WholePen && std::abs(WholePenX) < ExactPenLimit / 2 &&
        std::abs(glyph.Advance.X) < ExactPenLimit / 2) {
      WholePenX += glyph.Advance.X;
    } else {
      if (WholePen) LeaveWholePen();
      PenX = static_cast<float>(static_cast<double>(PenX) + static_cast<double>(glyph.Advance.X) *
                                                                static_cast<double>(Scale.X));
    }
  }

  // Hands the queued sprites to the batch: one Draw each for a batch that overrides Draw.
  void Flush() {
    const std::size_t count = std::exchange(Queued, 0);
    if (count == 0) return;
    Batch.DrawRun(Texture, std::span(Run.data(), count), RunIsColor ? ColorGlyphTint : Tint,
                  Rotation, Graphics::Vector2{0, 0}, Scale, Effects, LayerDepth);
  }
};

// Walks the text into `draw`, handing its sprites to the batch in runs.
template <class Draw>
void Walk(const Detail::FontImpl& impl, std::u16string_view text, char32_t lastCharacter,
          Draw& draw) {
  try {
    Detail::WalkGlyphs(impl, text, lastCharacter, draw);
  } catch (...) {
    // A kerning query failed: the characters before it are drawn, as they would have been had
    // each gone to the batch at once. (A batch that threw has been handed its run already.)
    draw.Flush();
    throw;
  }
  draw.Flush();
}

}  // namespace

void SpriteBatchEx::DrawAfter(Graphics::SpriteBatch& spriteBatch, Font& font,
                              std::u16string_view text, Graphics::Vector2 position,
                              Graphics::Color color, float rotation, Graphics::Vector2 origin,
                              Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                              float layerDepth, char32_t lastCharacter, bool outlines) {
  using Graphics::Matrix;

  font.EnsureGlyphsExist(text);
  // Every glyph of the text is placed now; each sprite comes from its glyph's page.
  std::shared_ptr<Graphics::Texture2D> texture = font.GlyphTexture();
  const Detail::FontImpl& impl = Detail::FontAccess::Of(font);

  // Translate by the scaled origin first, then rotate about (0, 0).
  DrawGlyphs<false> draw{
      spriteBatch,
      impl,
      std::move(texture),
      0,
      Matrix::Multiply(Matrix::CreateTranslation(-origin.X * scale.X, -origin.Y * scale.Y, 0),
                       Matrix::CreateRotationZ(rotation)),
      position,
      color,
      Graphics::Color(color.A, color.A, color.A, color.A),
      rotation,
      scale,
      spriteEffects,
      layerDepth};
  if (outlines) {
    DrawGlyphs<true> outlineDraw{
        spriteBatch,   impl,      std::move(draw.Texture), 0,        draw.Transform,
        position,      color,     draw.ColorGlyphTint,     rotation, scale,
        spriteEffects, layerDepth};
    Walk(impl, text, lastCharacter, outlineDraw);
  } else {
    Walk(impl, text, lastCharacter, draw);
  }
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::string_view utf8Text, Graphics::Vector2 position,
                               Graphics::Color color, float rotation, Graphics::Vector2 origin,
                               Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                               float layerDepth, char32_t lastCharacter) {
  const Detail::BorrowedUtf16 text(utf8Text);
  DrawAfter(spriteBatch, font, text.View(), position, color, rotation, origin, scale, spriteEffects,
            layerDepth, lastCharacter);
}

void SpriteBatchEx::DrawOutlinedString(Graphics::SpriteBatch& spriteBatch, Font& font,
                                       std::u16string_view text, Graphics::Vector2 position,
                                       Graphics::Color color, Graphics::Color outlineColor,
                                       float rotation, Graphics::Vector2 origin,
                                       Graphics::Vector2 scale,
                                       Graphics::SpriteEffects spriteEffects, float layerDepth,
                                       char16_t lastCharacter) {
  font.EnsureGlyphsExist(text);  // checks for disposal before the font's internals are read
  if (Detail::FontAccess::Of(font).HasOutlines()) {
    DrawAfter(spriteBatch, font, text, position, outlineColor, rotation, origin, scale,
              spriteEffects, layerDepth, lastCharacter, true);
  }
  DrawAfter(spriteBatch, font, text, position, color, rotation, origin, scale, spriteEffects,
            layerDepth, lastCharacter, false);
}

void SpriteBatchEx::DrawStringWithShadow(Graphics::SpriteBatch& spriteBatch, Font& font,
                                         std::u16string_view text, Graphics::Vector2 position,
                                         Graphics::Color color, Graphics::Vector2 shadowOffset,
                                         Graphics::Color shadowColor, float rotation,
                                         Graphics::Vector2 origin, Graphics::Vector2 scale,
                                         Graphics::SpriteEffects spriteEffects, float layerDepth,
                                         char16_t lastCharacter) {
  DrawAfter(spriteBatch, font, text, position + shadowOffset, shadowColor, rotation, origin, scale,
            spriteEffects, layerDepth, lastCharacter, false);
  DrawAfter(spriteBatch, font, text, position, color, rotation, origin, scale, spriteEffects,
            layerDepth, lastCharacter, false);
}

Graphics::DistanceFieldEffect SpriteBatchEx::DistanceFieldEffectOf(const Font& font,
                                                                   float outlineWidth,
                                                                   Graphics::Color outlineColor,
                                                                   float outlineSoftness) {
  Graphics::DistanceFieldEffect effect;
  effect.Enabled = font.Options().DistanceField;
  effect.Spread = static_cast<float>(Detail::RenderingFor(font.Options()).Spread);
  effect.OutlineWidth = outlineWidth;
  effect.OutlineColor = outlineColor;
  effect.OutlineSoftness = outlineSoftness;
  return effect;
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
