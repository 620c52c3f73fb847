#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "font/detail/FontImpl.h"
#include "font/detail/GlyphEntry.h"
#include "font/drawing/GlyphQuads.h"
#include "font/drawing/detail/RoundHalfToEven.h"
#include "graphics/Color.h"
#include "graphics/Matrix.h"
#include "graphics/Rectangle.h"
#include "graphics/SpriteBatch.h"
#include "graphics/SpriteEffects.h"
#include "graphics/SpriteGeometry.h"
#include "graphics/SpriteRunItem.h"
#include "graphics/Texture2D.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font::Detail {

/// What every sprite of one drawing of a text shares: where its origin lands, how it is turned,
/// scaled and flipped, its depth.
struct GlyphSpriteStyle {
  Graphics::Vector2 Position;
  // Translates by the scaled origin, then rotates about (0, 0).
  Graphics::Matrix Transform;
  float Rotation = 0;
  Graphics::Vector2 Scale{1, 1};
  Graphics::SpriteEffects Effects = Graphics::SpriteEffects::None;
  float LayerDepth = 0;

  static GlyphSpriteStyle Of(Graphics::Vector2 position, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects effects,
                             float layerDepth) {
    using Graphics::Matrix;
    return {position,
            Matrix::Multiply(Matrix::CreateTranslation(-origin.X * scale.X, -origin.Y * scale.Y, 0),
                             Matrix::CreateRotationZ(rotation)),
            rotation,
            scale,
            effects,
            layerDepth};
  }
  /// The same moved by `offset` render-target pixels (a shadow).
  GlyphSpriteStyle MovedBy(Graphics::Vector2 offset) const {
    GlyphSpriteStyle moved = *this;
    moved.Position = Position + offset;
    return moved;
  }
};

/// Hands runs of sprites to a sprite batch (one Draw a sprite for a batch that overrides Draw).
struct BatchRuns {
  Graphics::SpriteBatch& Batch;

  void Run(const std::shared_ptr<Graphics::Texture2D>& texture,
           std::span<const Graphics::SpriteRunItem> sprites, Graphics::Color tint,
           const GlyphSpriteStyle& style) const {
    Batch.DrawRun(texture, sprites, tint, style.Rotation, Graphics::Vector2{0, 0}, style.Scale,
                  style.Effects, style.LayerDepth);
  }
  /// One texel stretched to `size` render-target pixels at `position` (a box: a background,
  /// an underline), turned as `style` turns the text.
  void Box(const std::shared_ptr<Graphics::Texture2D>& texture, Graphics::Rectangle texel,
           Graphics::Vector2 position, Graphics::Vector2 size, Graphics::Color tint,
           const GlyphSpriteStyle& style) const {
    Batch.Draw(texture, position, texel, tint, style.Rotation, Graphics::Vector2{0, 0}, size,
               Graphics::SpriteEffects::None, style.LayerDepth);
  }
};

/// Turns runs of sprites into GlyphQuads, with the corners the sprite batch gives the same
/// sprites (Graphics::SpriteGeometry) and each quad's own page texture.
class QuadRuns {
 public:
  QuadRuns(std::vector<GlyphQuad>& quads, const GlyphSpriteStyle& style)
      : quads(quads),
        geometry(Graphics::SpriteGeometry::Of(style.Rotation, {0, 0}, style.Scale, style.Effects)) {
  }

  void Run(const std::shared_ptr<Graphics::Texture2D>& texture,
           std::span<const Graphics::SpriteRunItem> sprites, Graphics::Color tint,
           const GlyphSpriteStyle& style) {
    const auto width = static_cast<float>(texture->Width());
    const auto height = static_cast<float>(texture->Height());
    for (const Graphics::SpriteRunItem& sprite : sprites) {
      GlyphQuad& quad = quads.emplace_back();
      geometry.Write(sprite.Position, sprite.SourceRectangle, quad);
      quad.UvTopLeft = {quad.TexTopLeft.X / width, quad.TexTopLeft.Y / height};
      quad.UvBottomRight = {quad.TexBottomRight.X / width, quad.TexBottomRight.Y / height};
      quad.Color = tint;
      quad.Depth = style.LayerDepth;
      quad.Texture = texture;
    }
  }
  /// As BatchRuns::Box, as a quad.
  void Box(const std::shared_ptr<Graphics::Texture2D>& texture, Graphics::Rectangle texel,
           Graphics::Vector2 position, Graphics::Vector2 size, Graphics::Color tint,
           const GlyphSpriteStyle& style) {
    const auto box =
        Graphics::SpriteGeometry::Of(style.Rotation, {0, 0}, size, Graphics::SpriteEffects::None);
    GlyphQuad& quad = quads.emplace_back();
    box.Write(position, texel, quad);
    const auto width = static_cast<float>(texture->Width());
    const auto height = static_cast<float>(texture->Height());
    quad.UvTopLeft = {quad.TexTopLeft.X / width, quad.TexTopLeft.Y / height};
    quad.UvBottomRight = {quad.TexBottomRight.X / width, quad.TexBottomRight.Y / height};
    quad.Color = tint;
    quad.Depth = style.LayerDepth;
    quad.Texture = texture;
  }

 private:
  std::vector<GlyphQuad>& quads;
  Graphics::SpriteGeometry geometry;
};

/// A sink that is handed no sprites: a GlyphWriter over it writes nothing but renders the
/// images at fractions of a pixel (FontOptions::Subpixel) that the same writing over another
/// sink will draw, so that they are in the atlas before its first sprite. Write a drawing's
/// passes through it first, then update the fonts' atlases, then write them to the real sink.
struct FractionPlan {
  void Run(const std::shared_ptr<Graphics::Texture2D>& /*texture*/,
           std::span<const Graphics::SpriteRunItem> /*sprites*/, Graphics::Color /*tint*/,
           const GlyphSpriteStyle& /*style*/) const {}
};

/// The one writer of glyph sprites: every way of drawing text (strings, layouts, their outline
/// and shadow passes, glyph quads) places its glyphs through it. A caller gives each glyph's
/// record, its place in scaled pixels from the text's origin before rotation, and its tint; the
/// writer turns and moves it, puts its left edge on a whole pixel (halves to even; for a font
/// with subpixel images, on the nearest step, drawing the glyph's image for it), tints a
/// colour glyph white of the tint's alpha (so that it keeps its colours and only fades), and
/// hands the sprites to `Sink` in runs of one page and one tint.
///
/// `Outlines`: the glyphs' outline images instead of the glyphs (a compile-time choice, so that
/// plain text pays no test for it). Every glyph must be placed in the atlas before the first.
template <class Sink, bool Outlines = false>
class GlyphWriter {
 public:
  /// `tint`: what Put without a tint of its own draws in.
  GlyphWriter(Sink& sink, const FontImpl& font, const GlyphSpriteStyle& style,
              Graphics::Color tint = {})
      : sink(sink),
        font(&font),
        style(style),
        steps(StepsFor(font)),
        originStep(OriginStep()),
        originOnGrid(OnGrid(originSteps)),
        runTint(std::bit_cast<std::uint32_t>(tint)) {}
  GlyphWriter(const GlyphWriter&) = delete;
  GlyphWriter& operator=(const GlyphWriter&) = delete;

  const GlyphSpriteStyle& Style() const { return style; }

  /// Writes the glyphs of `next` from now on (a text of several fonts). The sprites queued so
  /// far go to the sink first unless `next` draws from the same textures.
  void SetFont(const FontImpl& next) {
    if (&next == font) return;
    if (!next.SharesAtlasWith(*font)) {
      Flush();
      texturePage = -1;
    }
    font = &next;
    steps = StepsFor(next);
    originStep = OriginStep();
    originOnGrid = OnGrid(originSteps);
  }

  /// The top-left of the glyph's image relative to its pen on the line's top.
  static Graphics::Point Offset(const GlyphEntry& entry) {
    return Outlines ? entry.OutlineOffset : entry.Record.Offset;
  }
  /// `Offset` as a vector, scaled: what a caller adds to a scaled pen.
  Graphics::Vector2 ScaledOffset(const GlyphEntry& entry) const {
    const Graphics::Point offset = Offset(entry);
    return Graphics::Vector2{static_cast<float>(offset.X), static_cast<float>(offset.Y)} *
           style.Scale;
  }

  /// Writes the glyph's sprite with its image's top-left at `local` (scaled pixels from the
  /// text's origin, before rotation). A glyph without an image (a space) is still written, from
  /// an empty rectangle, so that a batch sees one sprite a glyph.
  VENNICOR_GEOMETRY_INLINE void Put(const GlyphEntry& entry, Graphics::Vector2 local,
                                    Graphics::Color tint) {
    Write<true>(entry, local, tint);
  }
  /// The same in the tint the writer was made with: for a text of one tint, one test less a
  /// glyph.
  VENNICOR_GEOMETRY_INLINE void Put(const GlyphEntry& entry, Graphics::Vector2 local) {
    Write<false>(entry, local, {});
  }
  /// The same for a glyph whose `local` x is a whole number of pixels (a line's pen that moved
  /// by whole pixels only): it goes that many whole pixels right of where the text's origin
  /// lands, at the origin's step of a pixel, so that every glyph of the line sits at one step.
  /// With whole pixels alone, as Put.
  VENNICOR_GEOMETRY_INLINE void PutWhole(const GlyphEntry& entry, Graphics::Vector2 local) {
    if (steps == 1) [[likely]] {
      Write<false>(entry, local, {});
      return;
    }
    Graphics::Vector2 p = Graphics::Vector2::Transform(local, style.Transform) + style.Position;
    const GlyphEntry* chosen = &entry;
    p.X = originStep.Whole + local.X;
    if (originStep.Step != 0) {
      const GlyphEntry* shifted = FontImpl::Shifted(entry, originStep.Step);
      if (shifted != nullptr && shifted != &entry) {
        p.X += static_cast<float>(Offset(*shifted).X - Offset(entry).X);
        chosen = shifted;
      } else {
        p.X = OnWholePixel(p.X + static_cast<float>(originStep.Step) / static_cast<float>(steps));
      }
    }
    Queue<false>(*chosen, p, {});
  }
  /// True when glyphs go to steps of a pixel and the text's origin lands on one (a whole or a
  /// quarter pixel, say), not too far out: each glyph's step is then its position's in the
  /// text plus the origin's, which PutInSteps takes.
  bool OnStepGrid() const { return originOnGrid; }
  /// Whole pixels in steps, with the origin's steps added, for PutInSteps.
  std::int32_t InSteps(std::int32_t pixels) const { return pixels * steps + originSteps; }
  /// Writes the glyph as Put would with its image's left edge `left` steps of a pixel from the
  /// render target's left (OnStepGrid only): the same sprite, found without rounding.
  VENNICOR_GEOMETRY_INLINE void PutInSteps(const GlyphEntry& entry, Graphics::Vector2 local,
                                           std::int32_t left, Graphics::Color tint) {
    Graphics::Vector2 p = Graphics::Vector2::Transform(local, style.Transform) + style.Position;
    const std::int32_t step = left & (steps - 1);
    if constexpr (Plans) {
      auto& owner = const_cast<FontImpl&>(*font);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
      if (step != 0) owner.UseShifted(entry, step);
      return;
    } else {
      const GlyphEntry* shifted = entry.Shifts[static_cast<std::size_t>((step + 3) & 3)];
      const GlyphEntry& chosen = shifted != nullptr ? *shifted : entry;
      if (((shifted == nullptr) & (step != 0)) | (shifted == &entry)) [[unlikely]] {
        p.X = OnWholePixel(p.X);
        Queue<true>(entry, p, tint);
        return;
      }
      p.X = static_cast<float>(left >> (steps >> 1)) +
            static_cast<float>(Offset(chosen).X - Offset(entry).X);
      Queue<true>(chosen, p, tint);
    }
  }

  /// The step of a pixel PutWhole puts glyphs at (0 with whole pixels alone).
  std::int32_t WholeStep() const { return originStep.Step; }

  /// Hands the queued sprites to the sink.
  void Flush() {
    const std::size_t count = std::exchange(queued, 0);
    if (count == 0) return;
    const auto tint = std::bit_cast<Graphics::Color>(runTint);
    sink.Run(texture, std::span(run.data(), count),
             runIsColor ? Graphics::Color(tint.A, tint.A, tint.A, tint.A) : tint, style);
  }

 private:
  static constexpr std::size_t RunLength = 64;
  static constexpr bool Plans = std::is_same_v<Sink, FractionPlan>;

  // Steps a pixel the glyphs of `font` go to in this writing: images at fractions of a pixel
  // stand for the glyph only when it is drawn at its own size, upright and not mirrored.
  std::int32_t StepsFor(const FontImpl& next) const {
    const bool upright =
        style.Rotation == 0 && style.Scale.X == 1 &&
        (static_cast<std::uint32_t>(style.Effects) &
         static_cast<std::uint32_t>(Graphics::SpriteEffects::FlipHorizontally)) == 0;
    return upright ? next.SubpixelSteps() : 1;
  }

  // True when the text's origin lands exactly on a step, near enough for every glyph's place in
  // steps to be exact in floats; then `inSteps` is where.
  bool OnGrid(std::int32_t& inSteps) const {
    inSteps = 0;
    if (steps == 1) return false;
    const float origin =
        (Graphics::Vector2::Transform({0, 0}, style.Transform) + style.Position).X *
        static_cast<float>(steps);
    if (!(std::abs(origin) < 0x1p18F) || std::trunc(origin) != origin) return false;
    inSteps = static_cast<std::int32_t>(origin);
    return true;
  }

  // Where the text's origin lands, to the nearest step.
  PixelStep OriginStep() const {
    if (steps == 1) return {};
    return OnPixelStep((Graphics::Vector2::Transform({0, 0}, style.Transform) + style.Position).X,
                       steps);
  }

  // The record drawn for `entry` at `x`, which becomes its image's left edge: the glyph's image
  // for the step of the pixel `x` is nearest to, when the font has it.
  VENNICOR_STEP_OUT_OF_LINE const GlyphEntry& AtStep(const GlyphEntry& entry, float& x) {
    const PixelStep at = OnPixelStep(x, steps);
    if constexpr (Plans) {
      // Only the fonts a drawing caches its glyphs through are written through a plan.
      auto& owner = const_cast<FontImpl&>(*font);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
      if (at.Step != 0) owner.UseShifted(entry, at.Step);
      return entry;
    } else {
      // Without a branch on the step, which laid-out glyphs take at random: step 0 reads the
      // record's null last slot and keeps the glyph's own image.
      const GlyphEntry* shifted = entry.Shifts[static_cast<std::size_t>((at.Step + 3) & 3)];
      const GlyphEntry& chosen = shifted != nullptr ? *shifted : entry;
      const bool wholeInstead = (shifted == nullptr) & (at.Step != 0);
      if (wholeInstead | (shifted == &entry)) [[unlikely]] {
        x = OnWholePixel(x);  // not rendered at the step, or a glyph that cannot move
        return entry;
      }
      x = at.Whole + static_cast<float>(Offset(chosen).X - Offset(entry).X);
      return chosen;
    }
  }

  template <bool Tinted>
  VENNICOR_GEOMETRY_INLINE void Write(const GlyphEntry& written, Graphics::Vector2 local,
                                      Graphics::Color tint) {
    Graphics::Vector2 p = Graphics::Vector2::Transform(local, style.Transform) + style.Position;
    if (steps == 1) [[likely]] {
      p.X = OnWholePixel(p.X);
      if constexpr (!Plans) Queue<Tinted>(written, p, tint);
      return;
    }
    const GlyphEntry& chosen = AtStep(written, p.X);
    if constexpr (!Plans) Queue<Tinted>(chosen, p, tint);
  }

  template <bool Tinted>
  VENNICOR_GEOMETRY_INLINE void Queue(const GlyphEntry& entry, Graphics::Vector2 p,
                                      Graphics::Color tint) {
    const Font::Glyph& glyph = entry.Record;
    const auto page = Outlines ? static_cast<std::int32_t>(entry.OutlinePage) : glyph.Page;
    const bool isColor = !Outlines && glyph.IsColor;
    if (page != texturePage || isColor != runIsColor ||
        (Tinted && std::bit_cast<std::uint32_t>(tint) != runTint)) {
      Flush();
      runIsColor = isColor;
      if (Tinted) runTint = std::bit_cast<std::uint32_t>(tint);
      if (page != texturePage) {
        texturePage = page;
        texture = font->PageTexture(static_cast<std::uint32_t>(page));
      }
    }
    run[queued++] = {p, Outlines ? entry.OutlineSource
                                 : Graphics::Rectangle{glyph.Position.X, glyph.Position.Y,
                                                       glyph.Bounds.Width, glyph.Bounds.Height}};
    if (queued == RunLength) Flush();
  }

  Sink& sink;
  const FontImpl* font;
  GlyphSpriteStyle style;
  std::int32_t steps;            // of a pixel, that glyphs go to
  PixelStep originStep;          // where the text's origin lands, for PutWhole
  std::int32_t originSteps = 0;  // the same in steps, when on a step (OnStepGrid)
  bool originOnGrid = false;
  // Our own reference to the texture of the page written from last: a batch's Draw may run code
  // of the caller's, and every sprite holds its own texture from then on.
  std::shared_ptr<Graphics::Texture2D> texture;
  std::int32_t texturePage = -1;
  std::uint32_t runTint;
  bool runIsColor = false;  // the run holds colour glyphs: white of the tint's alpha
  std::array<Graphics::SpriteRunItem, RunLength> run{};
  std::size_t queued = 0;
};

/// Runs `write` (which puts glyphs on `writer`), then hands the last run over; when `write`
/// throws, the sprites written before are handed over first, as they would have been had each
/// gone to the sink at once.
template <class Writer, class Write>
void WriteThenFlush(Writer& writer, Write&& write) {
  try {
    std::forward<Write>(write)();
  } catch (...) {
    writer.Flush();
    throw;
  }
  writer.Flush();
}

}  // namespace Vennicor::Font::Detail
