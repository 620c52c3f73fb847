#include "font/drawing/GlyphQuads.h"

#include "font/detail/FontAccess.h"
#include "font/drawing/detail/GlyphWriter.h"
#include "font/drawing/detail/StringGlyphs.h"
#include "font/drawing/detail/TextPasses.h"
#include "font/text/detail/BorrowedUtf16.h"

namespace Vennicor::Font {

GlyphQuadBuilder::GlyphQuadBuilder() = default;
GlyphQuadBuilder::~GlyphQuadBuilder() = default;
GlyphQuadBuilder::GlyphQuadBuilder(GlyphQuadBuilder&& other) noexcept = default;
GlyphQuadBuilder& GlyphQuadBuilder::operator=(GlyphQuadBuilder&& other) noexcept = default;

void GlyphQuadBuilder::Build(Font& font, std::u16string_view text, Graphics::Vector2 position,
                             const DrawStyle& style, std::vector<GlyphQuad>& quads,
                             char32_t lastCharacter) {
  const std::size_t before = quads.size();
  try {
    const Detail::GlyphSpriteStyle sprites = Detail::SpriteStyleOf(position, style);
    Detail::QuadRuns sink(quads, sprites);
    Detail::WriteStringPasses(sink, font, text, sprites, style, lastCharacter);
  } catch (...) {
    quads.resize(before);
    throw;
  }
}

void GlyphQuadBuilder::Build(Font& font, std::u16string_view text, Graphics::Vector2 position,
                             Graphics::Color color, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                             float layerDepth, char16_t lastCharacter,
                             std::vector<GlyphQuad>& quads) {
  Build(font, text, position,
        Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth), quads,
        lastCharacter);
}

void GlyphQuadBuilder::Build(Font& font, std::string_view utf8Text, Graphics::Vector2 position,
                             Graphics::Color color, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                             float layerDepth, char16_t lastCharacter,
                             std::vector<GlyphQuad>& quads) {
  const Detail::BorrowedUtf16 text(utf8Text);
  Build(font, text.View(), position, color, rotation, origin, scale, spriteEffects, layerDepth,
        lastCharacter, quads);
}

void GlyphQuadBuilder::Build(Font& font, std::u16string_view text, Graphics::Vector2 position,
                             Graphics::Color color, std::vector<GlyphQuad>& quads) {
  Build(font, text, position, color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0, 0, quads);
}

void GlyphQuadBuilder::Build(Font& font, std::string_view utf8Text, Graphics::Vector2 position,
                             Graphics::Color color, std::vector<GlyphQuad>& quads) {
  Build(font, utf8Text, position, color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0, 0,
        quads);
}

}  // namespace Vennicor::Font
