#include <memory>
#include <optional>

#include "font/Font.h"
#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/drawing/detail/RoundHalfToEven.h"
#include "font/layout/TextLayout.h"
#include "font/layout/detail/LayoutData.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"

namespace Vennicor::Font {

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color) {
  DrawText(spriteBatch, layout, position, color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None,
           0);
}

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color, float rotation,
                             Graphics::Vector2 origin, Graphics::Vector2 scale,
                             Graphics::SpriteEffects spriteEffects, float layerDepth) {
  using Graphics::Matrix;
  using Graphics::Vector2;
  Font& font = layout.GetFont();
  // Our own reference, as DrawString keeps: Draw may run code of the caller's.
  const std::shared_ptr<Graphics::Texture2D> texture = font.GlyphTexture();
  // Glyph positions are on their baselines; the records' offsets are from the line's top.
  const auto ascent = static_cast<float>(font.Ascent());
  const Layout::Detail::LayoutData& data = *layout.data;
  Detail::FontImpl& impl = Detail::FontAccess::Of(font);

  // As DrawString: translate by the scaled origin first, then rotate about (0, 0).
  const Matrix transform =
      Matrix::Multiply(Matrix::CreateTranslation(-origin.X * scale.X, -origin.Y * scale.Y, 0),
                       Matrix::CreateRotationZ(rotation));
  std::optional<Graphics::Rectangle> source{Graphics::Rectangle{}};
  for (std::size_t i = 0; i < data.Glyphs.size(); ++i) {
    const LayoutGlyph& glyph = data.Glyphs[i];
    const Font::Glyph& record = impl.GlyphOfIndex(glyph.GlyphIndex).Record;
    Vector2 p{glyph.Position.X + static_cast<float>(record.Offset.X),
              glyph.Position.Y - ascent + static_cast<float>(record.Offset.Y)};
    p = Vector2::Transform(p * scale, transform) + position;
    p.X = static_cast<float>(Detail::RoundHalfToEven(static_cast<double>(p.X)));
    *source = {record.Position.X, record.Position.Y, record.Bounds.Width, record.Bounds.Height};
    spriteBatch.Draw(texture, p, source, glyph.HasColor ? glyph.Color : color, rotation,
                     Vector2{0, 0}, scale, spriteEffects, layerDepth);
  }
}

}  // namespace Vennicor::Font
