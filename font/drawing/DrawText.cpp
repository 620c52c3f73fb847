// Drawing laid-out text: sprites on a batch, or glyph quads, through the one glyph writer.

#include <vector>

#include "font/detail/FontImpl.h"
#include "font/drawing/GlyphQuads.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/drawing/detail/GlyphWriter.h"
#include "font/drawing/detail/LayoutGlyphs.h"
#include "font/drawing/detail/TextPasses.h"
#include "font/layout/TextLayout.h"
#include "font/layout/detail/LayoutData.h"

namespace Vennicor::Font {

namespace {

// Every pass of `style` over the layout, to `sink`.
template <class Sink>
void WriteLayoutPasses(Sink& sink, Detail::FontImpl& font, const Layout::Detail::LayoutData& data,
                       Graphics::Vector2 position, const DrawStyle& style) {
  const Detail::LayoutEntries entries(font, data);
  Detail::ForEachPass(font.HasOutlines(), style, Detail::SpriteStyleOf(position, style),
                      [&](auto outlines, const Detail::GlyphSpriteStyle& sprites,
                          Graphics::Color tint, bool glyphPass) {
                        Detail::WriteLayout<decltype(outlines)::value>(
                            sink, font, data, entries.Entries(), sprites, tint, glyphPass);
                      });
}

}  // namespace

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, const DrawStyle& style) {
  Detail::BatchRuns sink{spriteBatch};
  WriteLayoutPasses(sink, *layout.impl, *layout.data, position, style);
}

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color) {
  DrawText(spriteBatch, layout, position,
           Detail::DrawStyleOf(color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0));
}

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color, float rotation,
                             Graphics::Vector2 origin, Graphics::Vector2 scale,
                             Graphics::SpriteEffects spriteEffects, float layerDepth) {
  DrawText(spriteBatch, layout, position,
           Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth));
}

void SpriteBatchEx::DrawOutlinedText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                                     Graphics::Vector2 position, Graphics::Color color,
                                     Graphics::Color outlineColor, float rotation,
                                     Graphics::Vector2 origin, Graphics::Vector2 scale,
                                     Graphics::SpriteEffects spriteEffects, float layerDepth) {
  DrawStyle style = Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth);
  style.Outline = outlineColor;
  DrawText(spriteBatch, layout, position, style);
}

void SpriteBatchEx::DrawTextWithShadow(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                                       Graphics::Vector2 position, Graphics::Color color,
                                       Graphics::Vector2 shadowOffset, Graphics::Color shadowColor,
                                       float rotation, Graphics::Vector2 origin,
                                       Graphics::Vector2 scale,
                                       Graphics::SpriteEffects spriteEffects, float layerDepth) {
  DrawStyle style = Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth);
  style.Shadow = TextShadow{shadowOffset, shadowColor};
  DrawText(spriteBatch, layout, position, style);
}

void GlyphQuadBuilder::Build(const TextLayout& layout, Graphics::Vector2 position,
                             const DrawStyle& style, std::vector<GlyphQuad>& quads) {
  const std::size_t before = quads.size();
  try {
    Detail::QuadRuns sink(quads, Detail::SpriteStyleOf(position, style));
    WriteLayoutPasses(sink, *layout.impl, *layout.data, position, style);
  } catch (...) {
    quads.resize(before);
    throw;
  }
}

void GlyphQuadBuilder::Build(const TextLayout& layout, Graphics::Vector2 position,
                             Graphics::Color color, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                             float layerDepth, std::vector<GlyphQuad>& quads) {
  Build(layout, position,
        Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth), quads);
}

void GlyphQuadBuilder::Build(const TextLayout& layout, Graphics::Vector2 position,
                             Graphics::Color color, std::vector<GlyphQuad>& quads) {
  Build(layout, position, color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0, quads);
}

}  // namespace Vennicor::Font
