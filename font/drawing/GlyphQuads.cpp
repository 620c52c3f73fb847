#include "font/drawing/GlyphQuads.h"

#include <stdexcept>

#include "font/drawing/SpriteBatchEx.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/SpriteBatch.h"

namespace Vennicor::Font {

namespace {

// Stands where a real device would be: receives the batch's finished quads and appends them,
// as GlyphQuads, to the caller's vector.
class QuadRecorder final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(std::int32_t, std::int32_t, bool,
                                                       Graphics::SurfaceFormat) override {
    throw std::logic_error("The glyph quad builder's recorder makes no textures");
  }

  void DrawSprites(std::span<const Graphics::SpriteQuad> sprites,
                   const Graphics::SpriteRenderState&) override {
    if (Output == nullptr) return;  // an aborted Build: drop what was queued
    for (const Graphics::SpriteQuad& sprite : sprites) {
      if (sprite.Texture != Atlas.get()) {
        throw std::logic_error("A glyph quad came from a texture other than the font's atlas");
      }
      const auto width = static_cast<float>(sprite.Texture->Width());
      const auto height = static_cast<float>(sprite.Texture->Height());
      Output->push_back({sprite.TopLeft,
                         sprite.TopRight,
                         sprite.BottomLeft,
                         sprite.BottomRight,
                         sprite.TexTopLeft,
                         sprite.TexBottomRight,
                         {sprite.TexTopLeft.X / width, sprite.TexTopLeft.Y / height},
                         {sprite.TexBottomRight.X / width, sprite.TexBottomRight.Y / height},
                         sprite.Tint,
                         sprite.Depth,
                         Atlas});
    }
  }

  std::vector<GlyphQuad>* Output = nullptr;
  std::shared_ptr<Graphics::Texture2D> Atlas;
};

}  // namespace

struct GlyphQuadBuilder::Recorder {
  QuadRecorder Device;
  Graphics::SpriteBatch Batch{Device};
};

GlyphQuadBuilder::GlyphQuadBuilder() : recorder(std::make_unique<Recorder>()) {}
GlyphQuadBuilder::~GlyphQuadBuilder() = default;
GlyphQuadBuilder::GlyphQuadBuilder(GlyphQuadBuilder&& other) noexcept = default;
GlyphQuadBuilder& GlyphQuadBuilder::operator=(GlyphQuadBuilder&& other) noexcept = default;

template <class Text>
void GlyphQuadBuilder::BuildAny(Font& font, Text text, Graphics::Vector2 position,
                                Graphics::Color color, float rotation, Graphics::Vector2 origin,
                                Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                                float layerDepth, char16_t lastCharacter,
                                std::vector<GlyphQuad>& quads) {
  Recorder& r = *recorder;
  const std::size_t before = quads.size();
  // Deferred: the quads come out in the order DrawString queues them. No transform matrix: the
  // quads are in the coordinates the caller gave.
  r.Batch.Begin(Graphics::SpriteSortMode::Deferred);
  try {
    SpriteBatchEx::DrawString(r.Batch, font, text, position, color, rotation, origin, scale,
                              spriteEffects, layerDepth, lastCharacter);
    // The atlas DrawString drew from: it brought the atlas up to date, so asking again returns
    // the same texture without changing anything.
    r.Device.Atlas = font.GlyphTexture();
    r.Device.Output = &quads;
    r.Batch.End();
  } catch (...) {
    r.Device.Output = nullptr;
    if (r.Batch.IsInBeginEndPair()) r.Batch.End();
    quads.resize(before);
    r.Device.Atlas.reset();
    throw;
  }
  r.Device.Output = nullptr;
  r.Device.Atlas.reset();
}

void GlyphQuadBuilder::Build(Font& font, std::u16string_view text, Graphics::Vector2 position,
                             Graphics::Color color, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                             float layerDepth, char16_t lastCharacter,
                             std::vector<GlyphQuad>& quads) {
  BuildAny(font, text, position, color, rotation, origin, scale, spriteEffects, layerDepth,
           lastCharacter, quads);
}

void GlyphQuadBuilder::Build(Font& font, std::string_view utf8Text, Graphics::Vector2 position,
                             Graphics::Color color, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                             float layerDepth, char16_t lastCharacter,
                             std::vector<GlyphQuad>& quads) {
  BuildAny(font, utf8Text, position, color, rotation, origin, scale, spriteEffects, layerDepth,
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
