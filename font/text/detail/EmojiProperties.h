#pragma once

// What the fallback rule reads of a character's emoji and ignorable properties, without ICU (the
// fonts build without it on Windows). The ranges are Unicode 15's (emoji-data.txt,
// DerivedCoreProperties.txt), the version of the installed ICU.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "font/text/Utf.h"

namespace Vennicor::Font::Detail {

struct CodePointRange {
  char32_t First;
  char32_t Last;
};

/// Characters shown as emoji by default (Emoji_Presentation).
inline constexpr std::array<CodePointRange, 81> EmojiPresentationRanges = {{
    {0x231A, 0x231B},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},   {0x23F3, 0x23F3},
    {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x267F, 0x267F},
    {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},
    {0x26C4, 0x26C5},   {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},
    {0x26F2, 0x26F3},   {0x26F5, 0x26F5},   {0x26FA, 0x26FA},   {0x26FD, 0x26FD},
    {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},   {0x274C, 0x274C},
    {0x274E, 0x274E},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},
    {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},
    {0x2B55, 0x2B55},   {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E},
    {0x1F191, 0x1F19A}, {0x1F1E6, 0x1F1FF}, {0x1F201, 0x1F201}, {0x1F21A, 0x1F21A},
    {0x1F22F, 0x1F22F}, {0x1F232, 0x1F236}, {0x1F238, 0x1F23A}, {0x1F250, 0x1F251},
    {0x1F300, 0x1F320}, {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393},
    {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3}, {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4},
    {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D},
    {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567}, {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596},
    {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F}, {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC},
    {0x1F6D0, 0x1F6D2}, {0x1F6D5, 0x1F6D7}, {0x1F6DC, 0x1F6DF}, {0x1F6EB, 0x1F6EC},
    {0x1F6F4, 0x1F6FC}, {0x1F7E0, 0x1F7EB}, {0x1F7F0, 0x1F7F0}, {0x1F90C, 0x1F93A},
    {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FA7C}, {0x1FA80, 0x1FA88},
    {0x1FA90, 0x1FABD}, {0x1FABF, 0x1FAC5}, {0x1FACE, 0x1FADB}, {0x1FAE0, 0x1FAE8},
    {0x1FAF0, 0x1FAF8},
}};

/// True for a character shown as emoji by default (Emoji_Presentation). One comparison for
/// everything below U+231A.
inline bool HasEmojiPresentation(char32_t c) {
  if (c < 0x231A) return false;
  const auto* range =
      std::upper_bound(EmojiPresentationRanges.begin(), EmojiPresentationRanges.end(), c,
                       [](char32_t value, const CodePointRange& r) { return value < r.First; });
  return range != EmojiPresentationRanges.begin() && c <= (range - 1)->Last;
}

/// True for a default-ignorable character (Default_Ignorable_Code_Point): joiners, variation
/// selectors, tags, format controls; a face that lacks one still serves the text around it.
inline constexpr bool IsDefaultIgnorable(char32_t c) {
  if (c < 0xAD) return false;
  return c == 0xAD || c == 0x34F || c == 0x61C || c == 0x115F || c == 0x1160 || c == 0x17B4 ||
         c == 0x17B5 || (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0x3164 ||
         (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || c == 0xFFA0 ||
         (c >= 0xFFF0 && c <= 0xFFF8) || (c >= 0x1BCA0 && c <= 0x1BCA3) ||
         (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF);
}

/// How a cluster of characters asks to be shown.
enum class Presentation : std::uint8_t { Default, Emoji, Text };

/// The presentation a grapheme cluster asks for: Text with VS15; Emoji with VS16, a keycap, a
/// regional indicator (flags), a tag (subdivision flags) or a character shown as emoji by
/// default (skin tones, and the parts of most ZWJ sequences); Default otherwise.
inline Presentation PresentationOf(std::u16string_view cluster) {
  Presentation presentation = Presentation::Default;
  for (std::size_t index = 0; index < cluster.size();) {
    const char32_t c = DecodeUtf16(cluster, index);
    if (c < 0x20E3) continue;
    if (c == 0xFE0E) return Presentation::Text;
    if (c == 0xFE0F || c == 0x20E3 || (c >= 0x1F1E6 && c <= 0x1F1FF) ||
        (c >= 0xE0020 && c <= 0xE007F) || HasEmojiPresentation(c)) {
      presentation = Presentation::Emoji;
    }
  }
  return presentation;
}

}  // namespace Vennicor::Font::Detail
