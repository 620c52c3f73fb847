#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "font/layout/MarkupError.h"
#include "font/layout/TextStyle.h"

namespace Vennicor::Font {

class Font;
class FontFamily;

/// A piece of a RichText with one style: text, or one inline object.
struct StyledRun {
  std::int32_t Start = 0;   ///< first UTF-16 code unit in RichText::Text()
  std::int32_t Length = 0;  ///< code units (1 for an object)
  TextStyle Style{};        ///< how it is shaped and drawn
  /// The object the run is (its one code unit is U+FFFC OBJECT REPLACEMENT CHARACTER), or none.
  std::optional<InlineObject> Object{};
};

/// How RichText::FromMarkup reads markup beyond its tags' fixed meaning.
struct MarkupOptions {
  /// The fonts `[font=NAME]` may pick, by name; markup never opens a font or file itself.
  std::vector<std::pair<std::string, Font*>> Fonts{};
  /// A malformed tag shows as text instead of raising MarkupError (a tag closed out of order
  /// still closes what it names, an unclosed tag ends with the text).
  bool Lenient = false;
};

/// Text in styled runs, laid out with TextLayout(font, richText, options): fonts, colours,
/// decorations, backgrounds, baseline shifts, OpenType features and language per run, and
/// inline objects that flow with the text. A plain value; appending is amortised linear in
/// what is appended, and a run that continues the style of the one before joins it.
class RichText {
 public:
  /// Appends UTF-16 text in `style`. \throws FontException "The text is too long to lay out"
  /// beyond 2^30 code units (the text is then as it was).
  RichText& Append(std::u16string_view text, const TextStyle& style = {});
  /// Appends UTF-8 text (a malformed sequence becomes U+FFFD) in `style`. \throws as above.
  RichText& Append(std::string_view utf8Text, const TextStyle& style = {});
  /// Appends an inline object: one U+FFFC in Text(), laid out as a box of its size on the
  /// baseline (its Baseline from its top), which lines break around as around a character.
  /// \throws as above.
  RichText& AppendObject(const InlineObject& object, const TextStyle& style = {});

  /// Reads BBCode-like markup (UTF-8) into runs of `family`'s fonts at `size` pixels:
  /// `[b]` `[i]` `[u]` `[s]` `[color=#rrggbb]` `[color=#rrggbbaa]` `[bg=#rrggbb]` (or
  /// `#rrggbbaa`) `[size=N]` (1 to 512 pixels) `[font=NAME]` `[sup]` `[sub]` `[tag=N]`
  /// `[img=ID WxH]` (no closing tag) `[lang=xx]` `[feature=smcp]` (`[feature=-liga]` turns one
  /// off, `[feature=aalt=2]` picks an alternate), each closed by `[/b]`, `[/color]` ... in the
  /// reverse order they opened; `[[` is a literal `[`. Colours are straight alpha, as written.
  /// Never reads a file or anything not given: `[font=NAME]` picks among options.Fonts.
  /// Time and memory are linear in the markup's length; at most 64 tags are open at once and
  /// at most 16 sizes and styles are asked of the family.
  /// \throws MarkupError for malformed markup (an unknown tag, a tag closed out of order or
  /// never opened, a bad colour or number, an unknown font name, a tag left open at the end),
  /// with the byte offset of the offending tag; FontException from the family's fonts.
  static RichText FromMarkup(std::string_view utf8Markup, FontFamily& family, float size);
  /// The same with registered fonts and the lenient mode. \throws as above.
  static RichText FromMarkup(std::string_view utf8Markup, FontFamily& family, float size,
                             const MarkupOptions& options);

  /// The text, objects as U+FFFC.
  std::u16string_view Text() const { return text; }
  /// The runs in text order, covering Text() without gaps.
  std::span<const StyledRun> Runs() const { return runs; }

 private:
  void Add(std::u16string_view more, const TextStyle& style, const InlineObject* object);

  std::u16string text;
  std::vector<StyledRun> runs;
};

}  // namespace Vennicor::Font
