#include "font/layout/detail/ScriptRuns.h"

#include <unicode/uscript.h>
#include <unicode/utf16.h>

namespace Vennicor::Font::Layout::Detail {

namespace {

hb_script_t HarfBuzzScript(UScriptCode code) {
  // ICU's short names are the ISO 15924 codes HarfBuzz's script tags are made from.
  const char* name = uscript_getShortName(code);
  return name != nullptr ? hb_script_from_string(name, -1) : HB_SCRIPT_UNKNOWN;
}

}  // namespace

void FindScriptRuns(std::u16string_view text, std::vector<ScriptRun>& out) {
  out.clear();
  const auto length = static_cast<std::int32_t>(text.size());
  UScriptCode current = USCRIPT_COMMON;
  std::int32_t runStart = 0;
  for (std::int32_t index = 0; index < length;) {
    const std::int32_t start = index;
    const char16_t unit = text[static_cast<std::size_t>(index++)];
    UChar32 codePoint = unit;
    if (U16_IS_LEAD(unit) && index < length &&
        U16_IS_TRAIL(text[static_cast<std::size_t>(index)])) {
      codePoint =
          static_cast<UChar32>(U16_GET_SUPPLEMENTARY(unit, text[static_cast<std::size_t>(index)]));
      ++index;
    }
    UErrorCode status = U_ZERO_ERROR;
    // ASCII letters are Latin and the rest of ASCII Common, without asking ICU.
    const UScriptCode code =
        codePoint < 0x80 ? ((codePoint | 0x20) >= 'a' && (codePoint | 0x20) <= 'z' ? USCRIPT_LATIN
                                                                                   : USCRIPT_COMMON)
                         : uscript_getScript(codePoint, &status);
    if (U_FAILURE(status) || code == USCRIPT_COMMON || code == USCRIPT_INHERITED ||
        code == current) {
      continue;
    }
    // A character used by several scripts (its Script_Extensions: Grantha signs in Tamil, the
    // Devanagari dandas) stays in the run of any of them.
    if (current != USCRIPT_COMMON && uscript_hasScript(codePoint, current)) continue;
    if (current == USCRIPT_COMMON) {
      current = code;  // the leading neutrals join the first real script
      continue;
    }
    out.push_back({runStart, start, HarfBuzzScript(current)});
    runStart = start;
    current = code;
  }
  if (length > 0) out.push_back({runStart, length, HarfBuzzScript(current)});
}

}  // namespace Vennicor::Font::Layout::Detail
