#pragma once

// Splitting text into runs of one script (UAX #24 script property, from ICU), since HarfBuzz
// shapes one script at a time.

#include <hb.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace Vennicor::Font::Layout::Detail {

struct ScriptRun {
  std::int32_t Start = 0;
  std::int32_t End = 0;
  hb_script_t Script = HB_SCRIPT_COMMON;
};

/// Replaces `out` with the script runs of `text` (UAX #24). Characters used by many scripts
/// (spaces, digits, punctuation: Common) and combining marks (Inherited) join the run before
/// them, or the first run at the start of the text, so that they do not split words; so does
/// a character whose Script_Extensions hold the run's script.
void FindScriptRuns(std::u16string_view text, std::vector<ScriptRun>& out);

}  // namespace Vennicor::Font::Layout::Detail
