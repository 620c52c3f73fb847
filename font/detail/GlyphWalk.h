#pragma once

#include <cstddef>
#include <string_view>

#include "font/detail/FontImpl.h"
#include "font/detail/GlyphEntry.h"
#include "font/faces/detail/FontFace.h"
#include "font/text/Utf.h"
#include "font/text/detail/ControlCharacter.h"

namespace Vennicor::Font::Detail {

/// The walk that measuring and drawing share. For each character of `text` (a valid surrogate
/// pair is one character, a lone surrogate one of its own) it calls
/// `sink.Glyph(entry, kerning, kerned)` with the character's cached glyph and its kerning (26.6)
/// against the glyph before it (`kerned` is false at the start of the text when there is no
/// `previousCharacter`, and after a control character or a line feed, which break the chain);
/// for a line feed it calls `sink.LineFeed()`; other control characters only break the chain.
/// Every non-control character of `text` must be cached (FontImpl::EnsureGlyphsExist).
/// \throws FontException from a kerning query; the glyphs before it have been passed on.
template <class Sink>
void WalkGlyphs(const FontImpl& font, std::u16string_view text, char32_t previousCharacter,
                Sink& sink) {
  bool kerned = previousCharacter != 0;
  const GlyphEntry* previous = kerned ? font.Find(previousCharacter) : nullptr;
  // The seed may be a character without a glyph; its face and glyph index stand in for it then.
  const FaceGlyph seed =
      kerned && previous == nullptr ? font.Resolve(previousCharacter) : FaceGlyph{};
  for (std::size_t index = 0; index < text.size();) {
    char32_t character = text[index];
    if (IsPrintableAscii(character)) {
      ++index;
    } else {
      character = DecodeUtf16(text, index);
      if (IsControlCharacter(character)) {
        if (character == U'\n') sink.LineFeed();
        kerned = false;
        continue;
      }
    }
    const GlyphEntry& entry = *font.Find(character);
    KerningVector kerning;
    if (kerned) {
      kerning = previous != nullptr ? font.KerningOf(*previous, entry)
                                    : font.KerningOf(seed, FaceGlyph{entry.Face, entry.GlyphIndex});
    }
    sink.Glyph(entry, kerning, kerned);
    kerned = true;
    previous = &entry;
  }
}

}  // namespace Vennicor::Font::Detail
