#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

#include "font/detail/FontImpl.h"
#include "font/detail/GlyphWalk.h"
#include "font/drawing/detail/GlyphWriter.h"
#include "font/faces/detail/FixedPoint.h"
#include "graphics/Color.h"
#include "graphics/Vector2.h"

namespace Vennicor::Font::Detail {

/// Moves the pen of one line of text along its glyphs and puts each on a GlyphWriter: the
/// placement of DrawString. The pen advances in double precision and is stored as a float
/// after each step, so that a long line accumulates one rounding per step rather than two.
/// While every step is a whole number of pixels (scale 1, grid-fitted kerning) and the pen stays
/// below 2^24, those steps are exact, so the pen is kept as an integer: the same floats without
/// the conversions on the critical path.
template <class Writer>
class StringPen {
 public:
  StringPen(Writer& writer, Graphics::Color tint)
      : writer(writer), tint(tint), scaleX(writer.Style().Scale.X), wholePen(scaleX == 1) {}

  void LineFeed() {}  // one line: a line feed only breaks the kerning chain

  void Glyph(const GlyphEntry& entry, KerningVector kerning, bool kerned) {
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
    if (wholePen) penX = static_cast<float>(wholePenX);
    writer.Put(entry, Graphics::Vector2{penX, 0} + writer.ScaledOffset(entry), tint);

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

  Writer& writer;
  Graphics::Color tint;
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
void WriteString(Sink& sink, const FontImpl& font, std::u16string_view text, char32_t lastCharacter,
                 const GlyphSpriteStyle& style, Graphics::Color tint) {
  GlyphWriter<Sink, Outlines> writer(sink, font, style);
  StringPen pen(writer, tint);
  WriteThenFlush(writer, [&] { WalkGlyphs(font, text, lastCharacter, pen); });
}

}  // namespace Vennicor::Font::Detail
