#include "font/drawing/SpriteBatchEx.h"

#include <cstdint>
#include <string>

#include "font/detail/FontAccess.h"
#include "font/drawing/detail/GlyphWriter.h"
#include "font/drawing/detail/StringGlyphs.h"
#include "font/drawing/detail/TextPasses.h"
#include "font/faces/detail/GlyphRendering.h"
#include "font/text/detail/BorrowedUtf16.h"

namespace Vennicor::Font {

void SpriteBatchEx::DrawStyled(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::u16string_view text, Graphics::Vector2 position,
                               const DrawStyle& style, char32_t lastCharacter) {
  Detail::BatchRuns sink{spriteBatch};
  Detail::WriteStringPasses(sink, font, text, Detail::SpriteStyleOf(position, style), style,
                            lastCharacter);
}

void SpriteBatchEx::DrawAfter(Graphics::SpriteBatch& spriteBatch, Font& font,
                              std::u16string_view text, Graphics::Vector2 position,
                              Graphics::Color color, float rotation, Graphics::Vector2 origin,
                              Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                              float layerDepth, char32_t lastCharacter) {
  DrawStyled(spriteBatch, font, text, position,
             Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth),
             lastCharacter);
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::u16string_view text, Graphics::Vector2 position,
                               const DrawStyle& style, char32_t lastCharacter) {
  DrawStyled(spriteBatch, font, text, position, style, lastCharacter);
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::string_view utf8Text, Graphics::Vector2 position,
                               const DrawStyle& style, char32_t lastCharacter) {
  const Detail::BorrowedUtf16 text(utf8Text);
  DrawStyled(spriteBatch, font, text.View(), position, style, lastCharacter);
}

void SpriteBatchEx::DrawString(Graphics::SpriteBatch& spriteBatch, Font& font,
                               std::string_view utf8Text, Graphics::Vector2 position,
                               Graphics::Color color, float rotation, Graphics::Vector2 origin,
                               Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                               float layerDepth, char32_t lastCharacter) {
  DrawString(spriteBatch, font, utf8Text, position,
             Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth),
             lastCharacter);
}

void SpriteBatchEx::DrawOutlinedString(Graphics::SpriteBatch& spriteBatch, Font& font,
                                       std::u16string_view text, Graphics::Vector2 position,
                                       Graphics::Color color, Graphics::Color outlineColor,
                                       float rotation, Graphics::Vector2 origin,
                                       Graphics::Vector2 scale,
                                       Graphics::SpriteEffects spriteEffects, float layerDepth,
                                       char16_t lastCharacter) {
  DrawStyle style = Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth);
  style.Outline = outlineColor;
  DrawStyled(spriteBatch, font, text, position, style, lastCharacter);
}

void SpriteBatchEx::DrawStringWithShadow(Graphics::SpriteBatch& spriteBatch, Font& font,
                                         std::u16string_view text, Graphics::Vector2 position,
                                         Graphics::Color color, Graphics::Vector2 shadowOffset,
                                         Graphics::Color shadowColor, float rotation,
                                         Graphics::Vector2 origin, Graphics::Vector2 scale,
                                         Graphics::SpriteEffects spriteEffects, float layerDepth,
                                         char16_t lastCharacter) {
  DrawStyle style = Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth);
  style.Shadow = TextShadow{shadowOffset, shadowColor};
  DrawStyled(spriteBatch, font, text, position, style, lastCharacter);
}

Graphics::DistanceFieldEffect SpriteBatchEx::DistanceFieldEffectOf(const Font& font,
                                                                   float outlineWidth,
                                                                   Graphics::Color outlineColor,
                                                                   float outlineSoftness) {
  Graphics::DistanceFieldEffect effect;
  effect.Enabled = font.Options().DistanceField;
  effect.MultiChannel = font.Options().DistanceField && font.Options().MultiChannel;
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
