#include "font/layout/detail/Itemizer.h"

#include <algorithm>

#include "font/faces/detail/FixedPoint.h"

namespace Vennicor::Font::Layout::Detail {

Paragraph Itemizer::Itemize(std::int32_t start, std::int32_t end) {
  paragraph.Start = start;
  paragraph.Text =
      std::u16string_view(layout.Text)
          .substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
  // The line break that ends a paragraph takes no room and belongs to its last line.
  auto contentEnd = static_cast<std::int32_t>(paragraph.Text.size());
  while (contentEnd > 0 &&
         IsLineBreakCharacter(paragraph.Text[static_cast<std::size_t>(contentEnd - 1)])) {
    --contentEnd;
  }
  paragraph.Content = contentEnd;
  s.Bidi.Analyze(paragraph.ContentText(), layout.Options.Direction);
  paragraph.RightToLeft = (s.Bidi.ParagraphLevel() & 1U) != 0;
  SplitAndShape();
  Measure();
  return paragraph;
}

// Splits the paragraph's content into runs and shapes them.
void Itemizer::SplitAndShape() {
  s.Runs.clear();
  s.Glyphs.clear();
  const std::int32_t content = paragraph.Content;
  if (content == 0) return;
  const std::u16string_view text = paragraph.ContentText();
  s.Bidi.LineLevels(0, content, s.Levels);
  FindScriptRuns(text, s.Scripts);

  // Faces are chosen a grapheme cluster at a time, so that an emoji sequence, a keycap or a
  // letter with its marks comes from one face. A RichText's runs choose the font and shaping
  // of each cluster by its first character: a style change inside a cluster cannot split it.
  const RichData* rich = layout.Rich.get();
  const auto& starts = layout.GraphemeStarts;
  auto grapheme = std::upper_bound(starts.begin(), starts.end(), paragraph.Start);
  std::size_t script = 0;
  std::uint16_t face = 0;
  std::uint16_t fontSlot = 0;
  std::int32_t shapingClass = 0;
  bool chooseFaces = s.Shapers[0]->FaceCount() > 1;
  std::int32_t clusterEnd = 0;
  for (std::int32_t i = 0; i < content;) {
    const char32_t codePoint = CodePointAt(text, static_cast<std::size_t>(i));
    const std::int32_t next = i + (codePoint > 0xFFFF ? 2 : 1);
    if (i >= clusterEnd) {
      while (grapheme != starts.end() && *grapheme - paragraph.Start <= i) ++grapheme;
      clusterEnd =
          grapheme != starts.end() ? std::min(*grapheme - paragraph.Start, content) : content;
      clusterEnd = std::max(clusterEnd, next);
      if (rich != nullptr) {
        const auto style =
            static_cast<std::size_t>(rich->StyleAt[static_cast<std::size_t>(paragraph.Start + i)]);
        shapingClass = s.StyleShaping[style];
        if (rich->Styles[style].Font != fontSlot) {
          fontSlot = rich->Styles[style].Font;
          face = 0;
          chooseFaces = s.Shapers[fontSlot]->FaceCount() > 1;
        }
      }
      if (chooseFaces) {
        face = static_cast<std::uint16_t>(s.Fonts[fontSlot]->FaceForCluster(
            text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(clusterEnd - i)),
            face));
      }
    }
    while (s.Scripts[script].End <= i) ++script;
    const std::uint8_t level = s.Levels[static_cast<std::size_t>(i)];
    if (s.Runs.empty() || s.Runs.back().Level != level || s.Runs.back().Face != face ||
        s.Runs.back().Script != s.Scripts[script].Script || s.Runs.back().Font != fontSlot ||
        s.Runs.back().Shaping != shapingClass) {
      s.Runs.push_back(
          {i, next, level, s.Scripts[script].Script, face, 0, 0, fontSlot, shapingClass});
    } else {
      s.Runs.back().End = next;
    }
    i = next;
  }
  for (Run& run : s.Runs) {
    run.GlyphBegin = static_cast<std::int32_t>(s.Glyphs.size());
    const auto& shaped = s.Shapers[run.Font]->Shape(
        run.Face,
        {text, run.Start, run.End, run.Script, (run.Level & 1U) != 0, FeaturesOf(s, run.Shaping)});
    for (ShapedGlyph glyph : shaped) {
      glyph.Cluster += run.Start;
      s.Glyphs.push_back(glyph);
    }
    run.GlyphEnd = static_cast<std::int32_t>(s.Glyphs.size());
    SizeObjects(rich, paragraph.Start, s.Glyphs.data() + run.GlyphBegin,
                s.Glyphs.data() + run.GlyphEnd);
  }
}

// Fills the per-code-unit advances the line breaking sums.
void Itemizer::Measure() {
  const auto units = static_cast<std::size_t>(paragraph.Content);
  s.Advance.assign(units, 0);
  s.Extra.assign(units, 0);
  s.IsCluster.assign(units, 0);
  s.IsGrapheme.assign(units, 0);
  const auto& starts = layout.GraphemeStarts;
  const std::int32_t paragraphStart = paragraph.Start;
  for (auto grapheme = std::lower_bound(starts.begin(), starts.end(), paragraphStart);
       grapheme != starts.end() && *grapheme < paragraphStart + paragraph.Content; ++grapheme) {
    s.IsGrapheme[static_cast<std::size_t>(*grapheme - paragraphStart)] = 1;
  }
  for (const ShapedGlyph& glyph : s.Glyphs) {
    const auto cluster = static_cast<std::size_t>(glyph.Cluster);
    s.IsCluster[cluster] = 1;
    if (!IsControl(paragraph.Text[cluster])) {
      s.Advance[cluster] += ShapedPixels(glyph.XAdvance);
    }
  }
  const float letterSpacing = UsableLetterSpacing(layout.Options.LetterSpacing);
  if (letterSpacing != 0) {
    // After each grapheme cluster, on the shaped cluster that holds it.
    std::size_t cluster = 0;
    for (std::size_t i = 0; i < units; ++i) {
      if (s.IsCluster[i] != 0) cluster = i;
      if (s.IsGrapheme[i] != 0) s.Extra[cluster] += letterSpacing;
    }
  }
}

}  // namespace Vennicor::Font::Layout::Detail
