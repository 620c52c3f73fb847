#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

#include "font/Font.h"
#include "font/detail/FontAccess.h"
#include "font/detail/FontImpl.h"
#include "font/detail/GlyphWalk.h"
#include "font/drawing/DrawStyle.h"
#include "font/drawing/detail/GlyphWriter.h"
#include "font/drawing/detail/TextPasses.h"
#include "font/faces/detail/FixedPoint.h"
#include "graphics/Color.h"
#include "graphics/Vector2.h"

// The walk, the pen and the writer in one function: called for up to three passes, the walk was
// left out of line, and the pen's state went through memory on every glyph (12 % of a call).
#if defined(__GNUC__) || defined(__clang__)
#define VENNICOR_WRITE_FLATTEN [[gnu::flatten]]
#else
#define VENNICOR_WRITE_FLATTEN
#endif

namespace Vennicor::Font::Detail {

/// Moves the pen of one line of text along its glyphs and puts each on a GlyphWriter: the
/// placement of DrawString. The pen advances in double precision and is stored as a float
/// after each step, so that a long line accumulates one rounding per step rather than two.
/// While every step is a whole number of pixels (scale 1, grid-fitted kerning) and the pen stays
/// below 2^24, those steps are exact, so the pen is kept as an integer: the same floats without
/// the conversions on the critical path.
/// The pen holds its writer, so that the two are one object with the sprites they queue.
template <class Sink, bool Outlines>
class StringPen {
 public:
  StringPen(Sink& sink, const FontImpl& font, const GlyphSpriteStyle& style, Graphics::Color tint)
      : writer(sink, font, style, tint), scaleX(style.Scale.X), wholePen(scaleX == 1) {}

  GlyphWriter<Sink, Outlines>& Writer() { return writer; }

  void LineFeed() {}  // one line: a line feed only breaks the kerning chain

  VENNICOR_GEOMETRY_INLINE void Glyph(const GlyphEntry& entry, KerningVector kerning, bool kerned) {
    if (kerned) {
      // Named first: GCC folds the range test below into one compare on a value, not on a call.
      const std::int32_t wholeKerning = Pixels26Dot6Truncated(kerning.X);
      if (wholePen && (kerning.X & 63) == 0 && std::abs(wholePenX) < ExactPenLimit / 2 &&
          std::abs(wholeKerning) < ExactPenLimit / 2) {
        wholePenX += wholeKerning;
      } else {
        if (wholePen) LeaveWholePen();
        const float kerningX = Pixels26Dot6Exact(kerning.X);
        penX = static_cast<float>(static_cast<double>(penX) +
                                  static_cast<double>(kerningX) * static_cast<double>(scaleX));
      }
    }
    if (wholePen) {
      penX = static_cast<float>(wholePenX);
      writer.PutWhole(entry, Graphics::Vector2{penX, 0} + writer.ScaledOffset(entry));
    } else {
      writer.Put(entry, Graphics::Vector2{penX, 0} + writer.ScaledOffset(entry));
    }

    const std::int32_t advance = entry.Record.Advance.X;
    if (wholePen && std::abs(wholePenX) < ExactPenLimit / 2 &&
        std::abs(advance) < ExactPenLimit / 2) {
      wholePenX += advance;
    } else {
      if (wholePen) LeaveWholePen();
      penX = static_cast<float>(static_cast<double>(penX) +
                                static_cast<double>(advance) * static_cast<double>(scaleX));
    }
  }

 private:
  static constexpr std::int32_t ExactPenLimit = 1 << 24;

  void LeaveWholePen() {
    penX = static_cast<float>(wholePenX);
    wholePen = false;
  }

  GlyphWriter<Sink, Outlines> writer;
  float scaleX;
  float penX = 0;
  bool wholePen;
  std::int32_t wholePenX = 0;
};

/// Writes one pass of a line of text (its glyphs, or with `Outlines` their outline images) to
/// `sink` in `tint`. Every non-control character of `text` must be cached and placed.
/// \throws FontException from a kerning query (the sprites before it handed over), and
/// whatever the sink throws.
template <bool Outlines, class Sink>
VENNICOR_WRITE_FLATTEN void WriteString(Sink& sink, const FontImpl& font, std::u16string_view text,
                                        char32_t lastCharacter, const GlyphSpriteStyle& style,
                                        Graphics::Color tint) {
  StringPen<Sink, Outlines> pen(sink, font, style, tint);
  WriteThenFlush(pen.Writer(), [&] { WalkGlyphs(font, text, lastCharacter, pen); });
}

/// Every pass of `style` over a line of text, to `sink`: caches and places the text's glyphs
/// first, so that each sprite comes from its glyph's page. `sprites` is SpriteStyleOf(position,
/// style), which a sink may need before this is called.
/// \throws FontException after Dispose (before the font's internals are read), from rendering
/// or placing glyphs, from a kerning query; and whatever the sink throws.
template <class Sink>
void WriteStringPasses(Sink& sink, Font& font, std::u16string_view text,
                       const GlyphSpriteStyle& sprites, const DrawStyle& style,
                       char32_t lastCharacter) {
  FontAccess::ThrowIfDisposed(font);  // before the font's internals are read
  FontImpl& owner = FontAccess::Of(font);
  const FontImpl& impl = owner;
  // A line's pen moves by whole pixels (advances and grid-fitted kerning are whole), so each
  // pass puts all its glyphs at the step its origin lands on: their images for it are rendered
  // with the text's glyphs, before the first sprite. (A pen that leaves whole pixels, from a
  // bitmap face's kerning, finds bitmap glyphs, which have no images at fractions.)
  std::int32_t firstStep = 0;
  bool moreSteps = false;
  const auto forEachStep = [&](auto&& use) {
    ForEachPass(impl.HasOutlines(), style, sprites,
                [&](auto outlines, const GlyphSpriteStyle& pass, Graphics::Color, bool) {
                  FractionPlan none;
                  const GlyphWriter<FractionPlan, decltype(outlines)::value> writer(none, impl,
                                                                                    pass);
                  if (writer.WholeStep() != 0) use(writer.WholeStep());
                });
  };
  if (impl.SubpixelSteps() > 1) {
    forEachStep([&](std::int32_t step) {
      if (firstStep == 0) firstStep = step;
      moreSteps |= step != firstStep;
    });
  }
  owner.EnsureGlyphsExist(text, firstStep);
  if (moreSteps) {
    forEachStep([&](std::int32_t step) {
      if (step != firstStep) owner.UseShiftedFor(text, step);
    });
  }
  font.GlyphTexture();
  ForEachPass(impl.HasOutlines(), style, sprites,
              [&](auto outlines, const GlyphSpriteStyle& pass, Graphics::Color tint, bool) {
                WriteString<decltype(outlines)::value>(sink, impl, text, lastCharacter, pass, tint);
              });
}

}  // namespace Vennicor::Font::Detail
