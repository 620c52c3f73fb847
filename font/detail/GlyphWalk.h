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
                Sink& sink);

/// The same walk for text whose glyphs may not all be cached yet: a missing glyph is cached
/// when the walk reaches it, which caches the same glyphs in the same order as
/// FontImpl::EnsureGlyphsExist(text) beforehand would, without a second pass over the text.
/// \throws FontException from caching a glyph or from a kerning query.
template <class Sink>
void WalkGlyphsCachingMissing(FontImpl& font, std::u16string_view text, char32_t previousCharacter,
                              Sink& sink);

namespace WalkDetail {

// `caching` is the non-const font when missing glyphs are to be cached, else null.
template <class Sink>
void Walk(const FontImpl& font, FontImpl* caching, std::u16string_view text,
          char32_t previousCharacter, Sink& sink) {
  bool kerned = previousCharacter != 0;
  const GlyphEntry* previous = kerned ? font.Find(previousCharacter) : nullptr;
  // The seed may be a character without a glyph; its face and glyph index stand in for it then.
  const FaceGlyph seed =
      kerned && previous == nullptr ? font.Resolve(previousCharacter) : FaceGlyph{};
  // Without kerning data every pair answers (0, 0), so no face is asked.
  const bool anyKerning = font.AnyFaceKerns();
  // The first page, where most text's characters are, kept at hand (it only appears when a
  // glyph is cached).
  const GlyphEntry* const* firstPage = font.FirstGlyphPage();
  for (std::size_t index = 0; index < text.size();) {
    char32_t character = text[index];
    const GlyphEntry* found = nullptr;
    if (character <= 0xFF) {
      // Control characters never have a glyph, so one lookup serves both tests for the common
      // case of a cached glyph.
      ++index;
      if (firstPage != nullptr) found = firstPage[character];
    } else {
      character = DecodeUtf16(text, index);
      found = font.Find(character);
    }
    if (found == nullptr) [[unlikely]] {
      if (IsControlCharacter(character)) {
        if (character == U'\n') sink.LineFeed();
        kerned = false;
        continue;
      }
      if (caching != nullptr) {
        caching->EnsureGlyph(character);
        found = font.Find(character);
        firstPage = font.FirstGlyphPage();
      }
    }
    const GlyphEntry& entry = *found;
    KerningVector kerning;
    if (kerned && anyKerning) {
      if (previous != nullptr) [[likely]] {
        kerning = font.KerningOfCached(*previous, entry);
      } else {
        kerning = font.KerningOf(seed, FaceGlyph{entry.Face, entry.GlyphIndex});
      }
    }
    sink.Glyph(entry, kerning, kerned);
    kerned = true;
    previous = &entry;
  }
}

}  // namespace WalkDetail

template <class Sink>
void WalkGlyphs(const FontImpl& font, std::u16string_view text, char32_t previousCharacter,
                Sink& sink) {
  WalkDetail::Walk(font, nullptr, text, previousCharacter, sink);
}

template <class Sink>
void WalkGlyphsCachingMissing(FontImpl& font, std::u16string_view text, char32_t previousCharacter,
                              Sink& sink) {
  WalkDetail::Walk(font, &font, text, previousCharacter, sink);
}

}  // namespace Vennicor::Font::Detail
