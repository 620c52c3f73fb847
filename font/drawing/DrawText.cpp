// Drawing laid-out text: sprites on a batch, or glyph quads, through the one glyph writer.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "font/FontException.h"
#include "font/detail/FontImpl.h"
#include "font/drawing/GlyphDraw.h"
#include "font/drawing/GlyphQuads.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/drawing/detail/GlyphWriter.h"
#include "font/drawing/detail/LayoutGlyphs.h"
#include "font/drawing/detail/TextPasses.h"
#include "font/faces/detail/FontFace.h"
#include "font/layout/TextLayout.h"
#include "font/layout/detail/LayoutData.h"

namespace Vennicor::Font {

namespace {

// Where a face draws its decorations, in pixels below the baseline (up is negative), and how
// thick: from its `post` table (underline) and `OS/2` table (strikeout); a face without them
// gets a line a fourteenth of its size below the baseline and one at a third of its ascent.
struct DecorationMetrics {
  float UnderlineY = 0;
  float UnderlineThickness = 1;
  float StrikeY = 0;
  float StrikeThickness = 1;
};

DecorationMetrics DecorationsOf(const Detail::FontImpl& font) {
  const FT_Face face = font.Faces().front()->Handle();
  const FT_Fixed scale = face->size->metrics.y_scale;
  const auto pixels = [&](FT_Short units) {
    return static_cast<float>(FT_MulFix(units, scale)) / 64.0F;
  };
  const auto ascent = static_cast<float>(font.Metrics().Ascent);
  const float size = static_cast<float>(face->size->metrics.y_ppem);
  DecorationMetrics metrics;
  metrics.UnderlineThickness = std::max(1.0F, std::round(pixels(face->underline_thickness)));
  metrics.UnderlineY = face->underline_thickness > 0 ? std::round(-pixels(face->underline_position))
                                                     : std::round(size / 14);
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->yStrikeoutSize > 0) {
    metrics.StrikeThickness = std::max(1.0F, std::round(pixels(os2->yStrikeoutSize)));
    metrics.StrikeY = std::round(-pixels(os2->yStrikeoutPosition));
  } else {
    metrics.StrikeThickness = metrics.UnderlineThickness;
    metrics.StrikeY = std::round(-ascent / 3);
  }
  return metrics;
}

// A layout's glyph records from their own fonts, each found once, all in their atlases before
// the first sprite; the layout font's white block too when `boxes`. The glyphs come in runs of
// one font, so that each run is walked as a plain layout's glyphs are. The list of records is
// the layout font's own, borrowed for one drawing as LayoutEntries borrows it.
class RichEntries {
 public:
  struct Run {
    std::size_t End = 0;  // one past the run's last glyph
    Detail::FontImpl* Font = nullptr;
  };

  RichEntries(Detail::FontImpl& layoutFont, const Layout::Detail::LayoutData& layout, bool boxes)
      : layoutFont(layoutFont) {
    const Layout::Detail::RichData* rich = layout.Rich.get();
    std::vector<Detail::FontImpl*> fonts;
    if (rich == nullptr) {
      fonts.push_back(&layoutFont);
    } else {
      for (const auto& font : rich->Fonts) fonts.push_back(font.get());
    }
    for (Detail::FontImpl* font : fonts) {
      if (font->IsDisposed()) throw FontException(Messages::FontDisposed);
    }
    entries = layoutFont.TakeEntryList();
    try {
      for (Detail::FontImpl* font : fonts) font->BeginUse();
      if (boxes) layoutFont.UseWhiteBlock();
      const std::size_t count = layout.Glyphs.size();
      entries.resize(count);
      for (std::size_t start = 0; start < count;) {
        const std::uint16_t index = rich == nullptr ? 0 : rich->GlyphFont[start];
        std::size_t end = start + 1;
        if (rich != nullptr) {
          while (end < count && rich->GlyphFont[end] == index) ++end;
        } else {
          end = count;
        }
        Detail::FontImpl& font = *fonts[index];
        for (std::size_t i = start; i < end; ++i) {
          const LayoutGlyph& glyph = layout.Glyphs[i];
          entries[i] = &font.GlyphOfIndex(glyph.GlyphIndex, glyph.Face);
          font.Use(*entries[i]);
        }
        runs.push_back({end, &font});
        start = end;
      }
      for (Detail::FontImpl* font : fonts) font->UpdateAtlas();
    } catch (...) {
      layoutFont.GiveBackEntryList(std::move(entries));
      throw;
    }
  }
  RichEntries(const RichEntries&) = delete;
  RichEntries& operator=(const RichEntries&) = delete;
  ~RichEntries() { layoutFont.GiveBackEntryList(std::move(entries)); }

  std::span<const Detail::GlyphEntry* const> Entries() const { return entries; }
  std::span<const Run> Runs() const { return runs; }
  /// True when a font of the runs has images at fractions of a pixel.
  bool AnySubpixel() const {
    return std::any_of(runs.begin(), runs.end(),
                       [](const Run& run) { return run.Font->SubpixelSteps() > 1; });
  }
  /// Places what the fonts rendered since the constructor did (their images at fractions).
  void UpdateAtlases() const {
    for (const Run& run : runs) run.Font->UpdateAtlas();
  }

 private:
  Detail::FontImpl& layoutFont;
  std::vector<const Detail::GlyphEntry*> entries;
  std::vector<Run> runs;
};

bool HasBoxes(const Layout::Detail::LayoutData& layout) {
  if (!layout.Rich) return false;
  for (const auto& style : layout.Rich->Styles) {
    if (style.Background || style.Decorations != TextDecoration::None) return true;
  }
  return false;
}

// The glyphs of one pass, a run of one font at a time through one writer, which hands its sprites
// over where the texture changes, so that they keep the layout's order. `Hooked`: each glyph
// as `draws` says (moved, recoloured, scaled or hidden).
template <bool Outlines, bool Hooked, class Sink>
void WriteRichGlyphs(Sink& sink, const Layout::Detail::LayoutData& layout,
                     const RichEntries& entries, const std::vector<GlyphDraw>* draws,
                     const Detail::GlyphSpriteStyle& sprites, Graphics::Color tint,
                     bool glyphPass) {
  using Writer = Detail::GlyphWriter<Sink, Outlines>;
  const auto glyphs = entries.Entries();
  const auto runs = entries.Runs();
  if (runs.empty()) return;
  Writer writer(sink, *runs.front().Font, sprites);
  Detail::WriteThenFlush(writer, [&] {
    std::size_t start = 0;
    for (const RichEntries::Run& run : runs) {
      const Detail::FontImpl& font = *run.Font;
      const std::size_t end = run.End;
      if (Outlines && !font.HasOutlines()) {
        start = end;
        continue;
      }
      writer.SetFont(font);
      const auto ascent = static_cast<float>(font.Metrics().Ascent);
      for (std::size_t i = start; i < end; ++i) {
        const LayoutGlyph& glyph = layout.Glyphs[i];
        const Detail::GlyphEntry& entry = *glyphs[i];
        const Graphics::Point offset = Writer::Offset(entry);
        Graphics::Vector2 local{glyph.Position.X + static_cast<float>(offset.X),
                                glyph.Position.Y - ascent + static_cast<float>(offset.Y)};
        Graphics::Color color = glyphPass && glyph.HasSpanColor ? glyph.SpanColor : tint;
        if constexpr (!Hooked) {
          writer.Put(entry, local * sprites.Scale, color);
        } else {
          const GlyphDraw& draw = (*draws)[i];
          if (!draw.Visible) continue;
          local = local + draw.Offset;
          if (glyphPass) color = draw.Color;
          if (draw.Scale == 1 || !std::isfinite(draw.Scale)) {
            writer.Put(entry, local * sprites.Scale, color);
            continue;
          }
          // About the image's centre: a sprite of its own at the glyph's scale.
          writer.Flush();
          Detail::GlyphSpriteStyle scaled = sprites;
          scaled.Scale = sprites.Scale * draw.Scale;
          const Graphics::Vector2 size{static_cast<float>(entry.Record.Bounds.Width),
                                       static_cast<float>(entry.Record.Bounds.Height)};
          Writer alone(sink, font, scaled);
          alone.Put(entry, (local + size * ((1 - draw.Scale) / 2)) * sprites.Scale, color);
          alone.Flush();
        }
      }
      start = end;
    }
  });
}

// Backgrounds (`backgrounds`) or decorations of each line's runs, one box for each stretch of
// caret stops of one style whose glyphs are shown.
template <class Sink>
void WriteRichBoxes(Sink& sink, Detail::FontImpl& layoutFont,
                    const Layout::Detail::LayoutData& layout,
                    const std::vector<std::uint8_t>& hidden,
                    const Detail::GlyphSpriteStyle& sprites, Graphics::Color tint,
                    bool backgrounds) {
  const Layout::Detail::RichData& rich = *layout.Rich;
  std::uint32_t page = 0;
  const Graphics::Rectangle texel = layoutFont.WhiteTexel(page);
  const std::shared_ptr<Graphics::Texture2D> texture = layoutFont.PageTexture(page);
  std::vector<DecorationMetrics> metrics(rich.Fonts.size());
  std::vector<std::uint8_t> known(rich.Fonts.size(), 0);
  const auto box = [&](float left, float top, float width, float height, Graphics::Color color) {
    if (width <= 0 || height <= 0) return;
    const Graphics::Vector2 local{left * sprites.Scale.X, top * sprites.Scale.Y};
    const Graphics::Vector2 at =
        Graphics::Vector2::Transform(local, sprites.Transform) + sprites.Position;
    sink.Box(texture, texel, at, {width * sprites.Scale.X, height * sprites.Scale.Y}, color,
             sprites);
  };
  for (std::size_t line = 0; line < layout.Lines.size(); ++line) {
    const LayoutLine& placed = layout.Lines[line];
    const auto begin = static_cast<std::size_t>(layout.LineStopStart[line]);
    const auto end = static_cast<std::size_t>(layout.LineStopStart[line + 1]);
    for (std::size_t k = begin; k < end;) {
      const auto styleIndex = rich.StyleAt[static_cast<std::size_t>(layout.Stops[k].TextStart)];
      const Layout::Detail::RichStyle& style = rich.Styles[static_cast<std::size_t>(styleIndex)];
      float left = layout.Stops[k].Left();
      float right = layout.Stops[k].Right();
      const bool shown =
          hidden.empty() || hidden[static_cast<std::size_t>(layout.Stops[k].TextStart)] == 0;
      std::size_t next = k + 1;
      for (; next < end; ++next) {
        const auto& stop = layout.Stops[next];
        const bool stopShown =
            hidden.empty() || hidden[static_cast<std::size_t>(stop.TextStart)] == 0;
        if (rich.StyleAt[static_cast<std::size_t>(stop.TextStart)] != styleIndex ||
            stopShown != shown)
          break;
        left = std::min(left, stop.Left());
        right = std::max(right, stop.Right());
      }
      k = next;
      if (!shown) continue;
      if (backgrounds) {
        if (style.Background) {
          box(left, placed.Top, right - left, rich.LineHeights[line], *style.Background);
        }
        continue;
      }
      if (style.Decorations == TextDecoration::None || style.Object >= 0) continue;
      if (known[style.Font] == 0) {
        metrics[style.Font] = DecorationsOf(*rich.Fonts[style.Font]);
        known[style.Font] = 1;
      }
      const DecorationMetrics& m = metrics[style.Font];
      const float baseline = placed.Baseline - style.BaselineShift;
      const Graphics::Color color = style.Color ? *style.Color : tint;
      if ((style.Decorations & TextDecoration::Underline) != TextDecoration::None) {
        box(left, baseline + m.UnderlineY - std::floor(m.UnderlineThickness / 2), right - left,
            m.UnderlineThickness, color);
      }
      if ((style.Decorations & TextDecoration::Strikethrough) != TextDecoration::None) {
        box(left, baseline + m.StrikeY - std::floor(m.StrikeThickness / 2), right - left,
            m.StrikeThickness, color);
      }
    }
  }
}

// Every pass of `style` over a layout of several fonts, or through a per-glyph hook.
template <class Sink>
void WriteRichPasses(Sink& sink, Detail::FontImpl& layoutFont,
                     const Layout::Detail::LayoutData& layout, Graphics::Vector2 position,
                     const DrawStyle& style, const std::function<void(GlyphDraw&)>* effect) {
  const bool boxes = HasBoxes(layout);
  const RichEntries entries(layoutFont, layout, boxes);
  std::vector<GlyphDraw> draws;
  std::vector<std::uint8_t> hidden;
  if (effect != nullptr && *effect) {
    draws.resize(layout.Glyphs.size());
    hidden.assign(layout.Text.size() + 1, 0);
    for (std::size_t i = 0; i < draws.size(); ++i) {
      const LayoutGlyph& glyph = layout.Glyphs[i];
      GlyphDraw& draw = draws[i];
      draw.Index = static_cast<std::int32_t>(i);
      draw.TextIndex = glyph.TextIndex;
      draw.Color = glyph.HasSpanColor ? glyph.SpanColor : style.Color;
      (*effect)(draw);
      if (!draw.Visible) hidden[static_cast<std::size_t>(glyph.TextIndex)] = 1;
    }
  }
  const std::vector<GlyphDraw>* drawn = draws.empty() ? nullptr : &draws;
  if (entries.AnySubpixel()) {
    Detail::FractionPlan plan;
    Detail::ForEachPass(true, style, Detail::SpriteStyleOf(position, style),
                        [&](auto outlines, const Detail::GlyphSpriteStyle& sprites,
                            Graphics::Color tint, bool glyphPass) {
                          constexpr bool withOutlines = decltype(outlines)::value;
                          if (drawn != nullptr) {
                            WriteRichGlyphs<withOutlines, true>(plan, layout, entries, drawn,
                                                                sprites, tint, glyphPass);
                          } else {
                            WriteRichGlyphs<withOutlines, false>(plan, layout, entries, drawn,
                                                                 sprites, tint, glyphPass);
                          }
                        });
    entries.UpdateAtlases();
  }
  Detail::ForEachPass(true, style, Detail::SpriteStyleOf(position, style),
                      [&](auto outlines, const Detail::GlyphSpriteStyle& sprites,
                          Graphics::Color tint, bool glyphPass) {
                        if (glyphPass && boxes)
                          WriteRichBoxes(sink, layoutFont, layout, hidden, sprites, tint, true);
                        constexpr bool withOutlines = decltype(outlines)::value;
                        if (drawn != nullptr) {
                          WriteRichGlyphs<withOutlines, true>(sink, layout, entries, drawn, sprites,
                                                              tint, glyphPass);
                        } else {
                          WriteRichGlyphs<withOutlines, false>(sink, layout, entries, drawn,
                                                               sprites, tint, glyphPass);
                        }
                        if (glyphPass && boxes) {
                          WriteRichBoxes(sink, layoutFont, layout, hidden, sprites, tint, false);
                        }
                      });
}

// What the layout's images at fractions of a pixel depend on in a drawing: where each pass's
// origin lands, and the font's ShiftEpoch. Equal to the layout's ShiftedFor when a drawing
// rendered them for the same and the font keeps every image (no page limit); 0 with a limit.
std::uint64_t ShiftKey(const Detail::FontImpl& font, Graphics::Vector2 position,
                       const DrawStyle& style) {
  if (font.TracksUse()) return 0;
  std::uint64_t key = 0x9E3779B97F4A7C15ULL * (font.ShiftEpoch() + 1ULL);
  Detail::ForEachPass(
      font.HasOutlines(), style, Detail::SpriteStyleOf(position, style),
      [&](auto, const Detail::GlyphSpriteStyle& sprites, Graphics::Color, bool) {
        const float x =
            (Graphics::Vector2::Transform({0, 0}, sprites.Transform) + sprites.Position).X;
        key = (key ^ std::bit_cast<std::uint32_t>(x)) * 0x100000001B3ULL;
      });
  return key | 1U;
}

// Each glyph's position along its line in steps of the font's pixel, once for the layout; none
// for a layout too wide for steps to be exact in floats (its glyphs are then rounded one by one).
void NoteGlyphSteps(const Detail::FontImpl& font, const Layout::Detail::LayoutData& layout) {
  if (!layout.GlyphSteps.empty() || layout.Glyphs.empty()) return;
  const auto steps = static_cast<float>(font.SubpixelSteps());
  std::vector<std::int32_t> noted;
  noted.reserve(layout.Glyphs.size());
  for (const LayoutGlyph& glyph : layout.Glyphs) {
    const float x = glyph.Position.X;
    if (!(std::abs(x) < 0x1p16F)) return;
    noted.push_back(static_cast<std::int32_t>(Detail::RoundHalfToEven(x * steps)));
  }
  layout.GlyphSteps = std::move(noted);
}

// Every pass of `style` over the layout, to `sink`.
template <class Sink>
void WriteLayoutPasses(Sink& sink, Detail::FontImpl& font, const Layout::Detail::LayoutData& data,
                       Graphics::Vector2 position, const DrawStyle& style) {
  if (data.Rich) {
    WriteRichPasses(sink, font, data, position, style, nullptr);
    return;
  }
  const Detail::LayoutEntries entries(font, data);
  if (font.SubpixelSteps() > 1) {
    NoteGlyphSteps(font, data);
    const std::uint64_t shiftKey = ShiftKey(font, position, style);
    if (shiftKey == 0 || shiftKey != data.ShiftedFor) {
      Detail::FractionPlan plan;
      Detail::ForEachPass(font.HasOutlines(), style, Detail::SpriteStyleOf(position, style),
                          [&](auto outlines, const Detail::GlyphSpriteStyle& sprites,
                              Graphics::Color tint, bool glyphPass) {
                            Detail::WriteLayout<decltype(outlines)::value>(
                                plan, font, data, entries.Entries(), sprites, tint, glyphPass);
                          });
      font.UpdateAtlas();
      data.ShiftedFor = shiftKey;
    }
  }
  Detail::ForEachPass(font.HasOutlines(), style, Detail::SpriteStyleOf(position, style),
                      [&](auto outlines, const Detail::GlyphSpriteStyle& sprites,
                          Graphics::Color tint, bool glyphPass) {
                        Detail::WriteLayout<decltype(outlines)::value>(
                            sink, font, data, entries.Entries(), sprites, tint, glyphPass);
                      });
}

}  // namespace

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, const DrawStyle& style) {
  Detail::BatchRuns sink{spriteBatch};
  WriteLayoutPasses(sink, *layout.impl, *layout.data, position, style);
}

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color) {
  DrawText(spriteBatch, layout, position,
           Detail::DrawStyleOf(color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0));
}

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color, float rotation,
                             Graphics::Vector2 origin, Graphics::Vector2 scale,
                             Graphics::SpriteEffects spriteEffects, float layerDepth) {
  DrawText(spriteBatch, layout, position,
           Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth));
}

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, Graphics::Color color,
                             const std::function<void(GlyphDraw&)>& effect) {
  DrawText(spriteBatch, layout, position,
           Detail::DrawStyleOf(color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0), effect);
}

void SpriteBatchEx::DrawText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                             Graphics::Vector2 position, const DrawStyle& style,
                             const std::function<void(GlyphDraw&)>& effect) {
  Detail::BatchRuns sink{spriteBatch};
  WriteRichPasses(sink, *layout.impl, *layout.data, position, style, &effect);
}

void SpriteBatchEx::DrawOutlinedText(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                                     Graphics::Vector2 position, Graphics::Color color,
                                     Graphics::Color outlineColor, float rotation,
                                     Graphics::Vector2 origin, Graphics::Vector2 scale,
                                     Graphics::SpriteEffects spriteEffects, float layerDepth) {
  DrawStyle style = Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth);
  style.Outline = outlineColor;
  DrawText(spriteBatch, layout, position, style);
}

void SpriteBatchEx::DrawTextWithShadow(Graphics::SpriteBatch& spriteBatch, const TextLayout& layout,
                                       Graphics::Vector2 position, Graphics::Color color,
                                       Graphics::Vector2 shadowOffset, Graphics::Color shadowColor,
                                       float rotation, Graphics::Vector2 origin,
                                       Graphics::Vector2 scale,
                                       Graphics::SpriteEffects spriteEffects, float layerDepth) {
  DrawStyle style = Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth);
  style.Shadow = TextShadow{shadowOffset, shadowColor};
  DrawText(spriteBatch, layout, position, style);
}

void GlyphQuadBuilder::Build(const TextLayout& layout, Graphics::Vector2 position,
                             const DrawStyle& style, std::vector<GlyphQuad>& quads) {
  const std::size_t before = quads.size();
  try {
    Detail::QuadRuns sink(quads, Detail::SpriteStyleOf(position, style));
    WriteLayoutPasses(sink, *layout.impl, *layout.data, position, style);
  } catch (...) {
    quads.resize(before);
    throw;
  }
}

void GlyphQuadBuilder::Build(const TextLayout& layout, Graphics::Vector2 position,
                             const DrawStyle& style, const std::function<void(GlyphDraw&)>& effect,
                             std::vector<GlyphQuad>& quads) {
  const std::size_t before = quads.size();
  try {
    Detail::QuadRuns sink(quads, Detail::SpriteStyleOf(position, style));
    WriteRichPasses(sink, *layout.impl, *layout.data, position, style, &effect);
  } catch (...) {
    quads.resize(before);
    throw;
  }
}

void GlyphQuadBuilder::Build(const TextLayout& layout, Graphics::Vector2 position,
                             Graphics::Color color, float rotation, Graphics::Vector2 origin,
                             Graphics::Vector2 scale, Graphics::SpriteEffects spriteEffects,
                             float layerDepth, std::vector<GlyphQuad>& quads) {
  Build(layout, position,
        Detail::DrawStyleOf(color, rotation, origin, scale, spriteEffects, layerDepth), quads);
}

void GlyphQuadBuilder::Build(const TextLayout& layout, Graphics::Vector2 position,
                             Graphics::Color color, std::vector<GlyphQuad>& quads) {
  Build(layout, position, color, 0, {0, 0}, {1, 1}, Graphics::SpriteEffects::None, 0, quads);
}

}  // namespace Vennicor::Font
