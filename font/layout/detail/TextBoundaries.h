#pragma once

// Where UTF-16 text may be broken: line-break opportunities (UAX #14) and grapheme-cluster
// boundaries (UAX #29), both from ICU's rule-based break iterators. ICU is the one library on
// the platforms we build for that follows the current Unicode version (ICU 72 is Unicode 15)
// and passes Unicode's own test files; Debian's libunibreak, for one, is still at Unicode 6.

#include <cstdint>
#include <string_view>
#include <vector>

#include "font/layout/detail/IcuHandles.h"

namespace Vennicor::Font::Layout::Detail {

/// A place between two code units where a line may end.
struct LineBreakOpportunity {
  std::int32_t Index = 0;  ///< code units before the break
  bool Mandatory = false;  ///< the line must end here (after a line feed, paragraph separator...)

  friend bool operator==(const LineBreakOpportunity&, const LineBreakOpportunity&) = default;
};

/// Finds line-break opportunities with ICU's root-locale line iterator, untailored.
/// One object may be reused for many texts; each Find allocates only while its output grows.
/// Not for concurrent use.
class LineBreaker {
 public:
  /// \throws FontException when ICU cannot open its line iterator (missing data).
  LineBreaker();

  /// Replaces `out` with every opportunity in `text` after its start, in increasing order; the
  /// end of non-empty text is always one (mandatory or not, as the rules say). The text must
  /// stay alive for the call only.
  void Find(std::u16string_view text, std::vector<LineBreakOpportunity>& out);

 private:
  BreakIteratorHandle iterator;
};

/// Finds extended grapheme-cluster boundaries (what a reader sees as one character), with
/// ICU's character iterator. Reusable, not for concurrent use.
class GraphemeClusters {
 public:
  /// \throws FontException when ICU cannot open its character iterator.
  GraphemeClusters();

  /// Replaces `out` with every boundary of `text` in increasing order, 0 and text.size()
  /// included (just 0 for empty text).
  void Find(std::u16string_view text, std::vector<std::int32_t>& out);

 private:
  BreakIteratorHandle iterator;
};

}  // namespace Vennicor::Font::Layout::Detail
