#pragma once

#include <string_view>

#include "font/detail/FontImpl.h"
#include "font/detail/GlyphEntry.h"
#include "font/faces/detail/FontFace.h"
#include "font/text/detail/ControlCharacter.h"

namespace Vennicor::Font::Detail {

/// The walk that measuring and drawing share. For each character of `text` it calls
/// `sink.Glyph(entry, kerning, kerned)` with the character's cached glyph and its kerning (26.6)
/// against the glyph before it (`kerned` is false at the start of the text when there is no
/// `previousCharacter`, and after a control character or a line feed, which break the chain);
/// for a line feed it calls `sink.LineFeed()`; other control characters only break the chain.
/// Every non-control character of `text` must be cached (FontImpl::EnsureGlyphsExist).
/// \throws FontException from a kerning query; the glyphs before it have been passed on.
template <class Sink>
void WalkGlyphs(const FontImpl& font, std::u16string_view text, char16_t previousCharacter,
                Sink& sink) {
  bool kerned = previousCharacter != 0;
  const GlyphEntry* previous = kerned ? font.Find(previousCharacter) : nullptr;
  // The seed may be a character without a glyph; its glyph index stands in for it then.
  const std::uint32_t seedGlyph =
      kerned && previous == nullptr && font.HasKerning() ? font.GlyphIndexOf(previousCharacter) : 0;
  for (const char16_t character : text) {
    if (IsControlCharacter(character)) {
      if (character == u'\n') sink.LineFeed();
      kerned = false;
      continue;
    }
    const GlyphEntry& entry = *font.Find(character);
    KerningVector kerning;
    if (kerned) {
      kerning = previous != nullptr ? font.KerningOf(*previous, entry)
                                    : font.KerningOfGlyphs(seedGlyph, entry.GlyphIndex);
    }
    sink.Glyph(entry, kerning, kerned);
    kerned = true;
    previous = &entry;
  }
}

}  // namespace Vennicor::Font::Detail
