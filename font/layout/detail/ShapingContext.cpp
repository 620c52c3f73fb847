#include "font/layout/detail/ShapingContext.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cassert>
#include <utility>

namespace Vennicor::Font::Layout::Detail {

namespace {

// Code units of context HarfBuzz keeps on each side of the text it shapes.
constexpr std::int32_t Context = 5;

}  // namespace

ShapingContext::ShapingContext(FT_FaceRec_* face, std::int32_t loadFlags, double scale,
                               bool fractions) {
  AddFace(face, loadFlags, scale, fractions);
}

void ShapingContext::AddFace(FT_FaceRec_* face, std::int32_t loadFlags, double scale,
                             bool fractions) {
  shapers.push_back(std::make_unique<Shaper>(face, loadFlags, scale, fractions));
  // Runs of characters the earlier faces lacked may now shape differently.
  ClearCache();
}

const std::vector<ShapedGlyph>& ShapingContext::Shape(std::uint16_t face, const ShapingRun& run) {
  assert(face < shapers.size());
  // Shaping depends on the run and on the few characters of context HarfBuzz reads beyond
  // each edge (joining, contextual forms); the key holds those, not the whole paragraph, so
  // that a run recurs across texts.
  const std::int32_t contextStart = std::max(run.Start - Context, 0);
  const std::int32_t contextEnd =
      std::min(run.End + Context, static_cast<std::int32_t>(run.Paragraph.size()));
  probe.Text.assign(run.Paragraph.substr(static_cast<std::size_t>(contextStart),
                                         static_cast<std::size_t>(contextEnd - contextStart)));
  probe.RunStart = run.Start - contextStart;
  probe.RunEnd = run.End - contextStart;
  probe.Script = run.Script;
  probe.Face = face;
  probe.RightToLeft = run.RightToLeft;
  if (run.Features != nullptr) {
    probe.Features.assign(run.Features->Key);
  } else {
    probe.Features.clear();
  }
  if (const auto found = cache.find(probe); found != cache.end()) return found->second;

  shaped.clear();
  ShapingRun local = run;
  local.Paragraph = run.Paragraph.substr(static_cast<std::size_t>(contextStart),
                                         static_cast<std::size_t>(contextEnd - contextStart));
  local.Start = run.Start - contextStart;
  local.End = run.End - contextStart;
  shapers[face]->Shape(local, shaped);
  for (ShapedGlyph& glyph : shaped) glyph.Cluster -= local.Start;
  // The key's text, the glyphs, and about what a hash node and its two vectors cost.
  const std::size_t bytes = probe.Text.size() * sizeof(char16_t) + probe.Features.size() +
                            shaped.size() * sizeof(ShapedGlyph) + sizeof(Key) + 64;
  if (bytes > cacheLimit) return shaped;
  if (cache.size() >= MaxCachedRuns || cachedBytes + bytes > cacheLimit) ClearCache();
  cachedBytes += bytes;
  return cache.emplace(probe, std::move(shaped)).first->second;
}

void ShapingContext::ClearCache() {
  cache.clear();
  cachedBytes = 0;
}

}  // namespace Vennicor::Font::Layout::Detail
