#include "graphics/software/SpriteRasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "graphics/software/detail/DistanceFieldShading.h"
#include "graphics/software/detail/OpaqueTintBlend.h"
#include "graphics/software/detail/PixelBlend.h"

namespace Vennicor::Graphics::Software {

namespace {

using Detail::BlendInto;
using Detail::BlendRowOpaqueTint;
using Detail::FieldShading;
using Detail::Modulate;
using Detail::Rgba;
using Detail::ToRgba;

VENNICOR_PIXEL_INLINE std::int32_t ClampIndex(std::int32_t value, std::int32_t size) {
  return std::clamp(value, 0, size - 1);
}

// Texel coordinates far outside the texture sample its edge anyway; bringing them within one
// texel of it first keeps the conversion to an integer defined for any finite value.
VENNICOR_PIXEL_INLINE double ClampCoordinate(double value, std::int32_t size) {
  return std::clamp(value, -1.0, static_cast<double>(size) + 1.0);
}

// `Alpha`: the source holds one byte a texel, read as the premultiplied white (a, a, a, a).
template <bool Alpha>
VENNICOR_PIXEL_INLINE Color Texel(const RasterSource& source, std::int32_t x, std::int32_t y) {
  const std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(source.Width) +
                            static_cast<std::size_t>(x);
  if constexpr (Alpha) {
    const std::uint8_t a = source.Alphas[index];
    return Color{a, a, a, a};
  } else {
    return source.Texels[index];
  }
}

template <bool Alpha>
VENNICOR_PIXEL_INLINE Rgba SamplePoint(const RasterSource& source, double u, double v) {
  const auto x = static_cast<std::int32_t>(std::floor(ClampCoordinate(u, source.Width)));
  const auto y = static_cast<std::int32_t>(std::floor(ClampCoordinate(v, source.Height)));
  return ToRgba(Texel<Alpha>(source, ClampIndex(x, source.Width), ClampIndex(y, source.Height)));
}

template <bool Alpha>
VENNICOR_PIXEL_INLINE Rgba SampleLinear(const RasterSource& source, double u, double v) {
  // Texel centres sit at half-integers; weights come from the distance to them.
  const double x = ClampCoordinate(u, source.Width) - 0.5;
  const double y = ClampCoordinate(v, source.Height) - 0.5;
  const double xFloor = std::floor(x);
  const double yFloor = std::floor(y);
  const auto fx = static_cast<float>(x - xFloor);
  const auto fy = static_cast<float>(y - yFloor);
  const auto x0 = static_cast<std::int32_t>(xFloor);
  const auto y0 = static_cast<std::int32_t>(yFloor);
  const std::int32_t xa = ClampIndex(x0, source.Width);
  const std::int32_t xb = ClampIndex(x0 + 1, source.Width);
  const std::int32_t ya = ClampIndex(y0, source.Height);
  const std::int32_t yb = ClampIndex(y0 + 1, source.Height);
  const Color ca = Texel<Alpha>(source, xa, ya);
  const Color cb = Texel<Alpha>(source, xb, ya);
  const Color cc = Texel<Alpha>(source, xa, yb);
  const Color cd = Texel<Alpha>(source, xb, yb);
  // Inside a uniform area (a glyph's empty surroundings, a solid stroke) every weight gives
  // the same texel, exactly as the mix below would.
  const auto bits = [](Color c) { return std::bit_cast<std::uint32_t>(c); };
  if (bits(ca) == bits(cb) && bits(ca) == bits(cc) && bits(ca) == bits(cd)) return ToRgba(ca);
  const Rgba a = ToRgba(ca);
  const Rgba b = ToRgba(cb);
  const Rgba c = ToRgba(cc);
  const Rgba d = ToRgba(cd);
  const auto mix = [&](float pa, float pb, float pc, float pd) {
    const float top = pa + (pb - pa) * fx;
    const float bottom = pc + (pd - pc) * fx;
    return top + (bottom - top) * fy;
  };
  return {mix(a.R, b.R, c.R, d.R), mix(a.G, b.G, c.G, d.G), mix(a.B, b.B, c.B, d.B),
          mix(a.A, b.A, c.A, d.A)};
}

// Where a quad's edge passes exactly through pixel centres, the pixels belong to it only if it
// is a left edge, or a top edge when horizontal, as on a GPU: two sprites that share an edge
// then never both draw, nor both skip, a pixel on it. `perX` and `perY` are how the
// coordinate (s or t) grows along the screen axes.
bool IncludesLowEdge(double perX, double perY) { return perX > 0 || (perX == 0 && perY > 0); }

// For values within ±2^19 (the caller sees to that): a whole float survives the round trip
// through an integer, and no libm call is needed.
bool IsWhole(float value) { return static_cast<float>(static_cast<std::int32_t>(value)) == value; }

// The sprite in sprite-local terms. A pixel centre (cx, cy), taken relative to the TopLeft
// corner, has the quad coordinates s = sn / area and t = tn / area (0..1 along each edge),
// where sn and tn are linear in cx and cy. Keeping them as numerators over the quad's area
// makes the coverage test exact for sprites on whole or half pixels: no division rounds an
// edge pixel in or out.
struct QuadFrame {
  double OriginX, OriginY;
  double SnPerX, SnPerY, TnPerX, TnPerY;
  double Area;
  // Half-open bounds [low, high) for sn and tn: [0, Area) when the coordinate's zero edge is
  // a left or top edge, else (0, Area], written with the neighbouring doubles.
  double SLow, SHigh, TLow, THigh;

  void SetBounds(bool sIncludesZero, bool tIncludesZero) {
    const double above = std::numeric_limits<double>::denorm_min();
    const double beyond = std::nextafter(Area, HUGE_VAL);
    SLow = sIncludesZero ? 0.0 : above;
    SHigh = sIncludesZero ? Area : beyond;
    TLow = tIncludesZero ? 0.0 : above;
    THigh = tIncludesZero ? Area : beyond;
  }
  bool Covers(double sn, double tn) const {
    return sn >= SLow && sn < SHigh && tn >= TLow && tn < THigh;
  }

  // The range of cx in which `n = cx · perX + cy · perY` may lie within 0..Area, or an empty
  // range; only the pixels in it need testing. `inversePerX` is 1 / perX (unused when perX
  // is 0); the estimate may be off in the last bits, the caller allows for that.
  void NarrowSpan(double perX, double inversePerX, double perY, double cy, double& low,
                  double& high) const {
    const double atZero = cy * perY;
    if (perX == 0) {
      if (!(atZero >= 0 && atZero <= Area)) high = -HUGE_VAL;
      return;
    }
    double a = -atZero * inversePerX;
    double b = (Area - atZero) * inversePerX;
    if (a > b) std::swap(a, b);
    low = std::max(low, a);
    high = std::min(high, b);
  }
};

// Pixel columns of a row, kept within [first, last]; NaN bounds fall back to the whole range.
std::int32_t ClampColumn(double value, std::int32_t first, std::int32_t last) {
  if (!(value > first)) return first;
  if (!(value < last)) return last;
  return static_cast<std::int32_t>(value);
}

// Whole-pixel corners, no rotation, one texel a pixel, the texels inside the texture: each
// pixel centre samples a texel centre, so both samplers read exactly one texel and the
// coordinate can step by whole texels.
struct TexelCopy {
  bool Possible = false;
  std::int32_t StepX = 0, StepY = 0;    // +1 or -1 (flipped)
  std::int32_t FirstU = 0, FirstV = 0;  // texel at the corner pixel TopLeft
};

// Coordinates small enough that every product of the exact coverage test stays exact in a
// double.
constexpr float TexelCopyLimit = 1 << 19;

TexelCopy PlanTexelCopy(const RasterSource& source, const SpriteQuad& quad) {
  TexelCopy copy;
  const float width = quad.TopRight.X - quad.TopLeft.X;
  const float height = quad.BottomLeft.Y - quad.TopLeft.Y;
  const float du = quad.TexBottomRight.X - quad.TexTopLeft.X;
  const float dv = quad.TexBottomRight.Y - quad.TexTopLeft.Y;
  const float values[] = {quad.TopLeft.X,    quad.TopLeft.Y,    width, height,
                          quad.TexTopLeft.X, quad.TexTopLeft.Y, du,    dv};
  // Without an early exit, so that the eight tests can run side by side. Out of range (or NaN)
  // becomes ½, which is not whole.
  bool allWhole = true;
  for (const float value : values) {
    allWhole &= IsWhole(std::abs(value) <= TexelCopyLimit ? value : 0.5F);
  }
  if (!allWhole) return copy;
  if (quad.TopRight.Y != quad.TopLeft.Y || quad.BottomLeft.X != quad.TopLeft.X) return copy;
  if (std::abs(du) != std::abs(width) || std::abs(dv) != std::abs(height)) return copy;
  const auto inside = [](float a, float b, std::int32_t size) {
    return std::min(a, b) >= 0 && std::max(a, b) <= static_cast<float>(size);
  };
  if (!inside(quad.TexTopLeft.X, quad.TexBottomRight.X, source.Width) ||
      !inside(quad.TexTopLeft.Y, quad.TexBottomRight.Y, source.Height)) {
    return copy;
  }
  // Pixel centre TopLeft + (k + ½) maps to texel coordinate TexTopLeft ± (k + ½).
  copy.StepX = (du > 0) == (width > 0) ? 1 : -1;
  copy.StepY = (dv > 0) == (height > 0) ? 1 : -1;
  copy.FirstU = static_cast<std::int32_t>(quad.TexTopLeft.X) - (copy.StepX < 0 ? 1 : 0);
  copy.FirstV = static_cast<std::int32_t>(quad.TexTopLeft.Y) - (copy.StepY < 0 ? 1 : 0);
  copy.Possible = true;
  return copy;
}

// Pixels whose centres may be inside a quad, clipped to the target.
struct PixelBox {
  std::int32_t FirstX, LastX, FirstY, LastY;
};

// With whole-pixel corners no pixel centre lies on an edge, so `box` is exactly the covered
// pixels and each one reads one texel.
template <bool Alpha>
void CopyTexels(const RasterTarget& target, const RasterSource& source, const SpriteQuad& quad,
                const TexelCopy& copy, BlendState blend, const PixelBox& box) {
  const auto left = static_cast<std::int32_t>(quad.TopLeft.X);
  const auto top = static_cast<std::int32_t>(quad.TopLeft.Y);
  const Rgba tint = ToRgba(quad.Tint);
  const bool whiteTint = quad.Tint == Color::White();
  const bool integerBlend = blend == BlendState::AlphaBlend && quad.Tint.A == 255;
  for (std::int32_t y = box.FirstY; y <= box.LastY; ++y) {
    Color* row =
        target.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(target.Width);
    const std::int32_t texelY = copy.FirstV + (y - top) * copy.StepY;
    const std::size_t rowStart =
        static_cast<std::size_t>(texelY) * static_cast<std::size_t>(source.Width);
    const Color* texelRow = Alpha ? nullptr : source.Texels.data() + rowStart;
    const std::uint8_t* alphaRow = Alpha ? source.Alphas.data() + rowStart : nullptr;
    std::int32_t texelX = copy.FirstU + (box.FirstX - left) * copy.StepX;
    if constexpr (!Alpha) {
      if (integerBlend) {
        BlendRowOpaqueTint(row + box.FirstX, texelRow + texelX, box.LastX - box.FirstX + 1,
                           copy.StepX, quad.Tint, whiteTint);
        continue;
      }
    }
    for (std::int32_t x = box.FirstX; x <= box.LastX; ++x, texelX += copy.StepX) {
      Color texel;
      if constexpr (Alpha) {
        const std::uint8_t a = alphaRow[texelX];
        texel = Color{a, a, a, a};
      } else {
        texel = texelRow[texelX];
      }
      if (!whiteTint) {
        BlendInto(row[x], Modulate(ToRgba(texel), tint), blend);
      } else if (texel.A == 255 && blend != BlendState::Additive) {
        row[x] = texel;  // src × 1 + dst × 0 in every other blend state
      } else {
        BlendInto(row[x], ToRgba(texel), blend);
      }
    }
  }
}

// The whole-pixel case, decided and drawn before any of the general set-up: glyphs and tiles
// are nearly all like this, and are small enough for the set-up to matter. False when the quad
// needs the general path.
bool TryCopyTexels(const RasterTarget& target, const RasterSource& source, const SpriteQuad& quad,
                   BlendState blend) {
  const TexelCopy copy = PlanTexelCopy(source, quad);
  if (!copy.Possible) return false;
  // The general path draws nothing for a quad with a non-finite coordinate; BottomRight is the
  // only one the plan did not look at.
  if (!std::isfinite(quad.BottomRight.X) || !std::isfinite(quad.BottomRight.Y)) return true;
  // Pixel k is covered when its centre k + ½ lies between the edges.
  const auto left = static_cast<std::int32_t>(quad.TopLeft.X);
  const auto top = static_cast<std::int32_t>(quad.TopLeft.Y);
  const auto right = static_cast<std::int32_t>(quad.TopRight.X);
  const auto bottom = static_cast<std::int32_t>(quad.BottomLeft.Y);
  const PixelBox box{
      std::max(std::min(left, right), 0), std::min(std::max(left, right), target.Width) - 1,
      std::max(std::min(top, bottom), 0), std::min(std::max(top, bottom), target.Height) - 1};
  if (box.FirstX <= box.LastX && box.FirstY <= box.LastY) {
    if (source.Alphas.empty()) {
      CopyTexels<false>(target, source, quad, copy, blend, box);
    } else {
      CopyTexels<true>(target, source, quad, copy, blend, box);
    }
  }
  return true;
}

// Sampling parameters shared by every pixel of a quad.
struct Shading {
  const RasterSource* Source;
  double U0, V0, Du, Dv;
  double UPerSn, VPerTn;  // Du and Dv over the quad's area
  Rgba Tint;
  bool WhiteTint;
  FieldShading Field{};  // distance fields only
};

// Shades the covered pixels among row[first..last]. A template on the sampler and blend state
// so that each combination compiles to a loop without per-pixel switches.
template <bool Linear, BlendState Mode, bool Field, bool Alpha>
void ShadeSpan(Color* row, std::int32_t first, std::int32_t last, double cy, const QuadFrame& frame,
               const Shading& shading) {
  const double snRow = cy * frame.SnPerY;
  const double tnRow = cy * frame.TnPerY;
  for (std::int32_t x = first; x <= last; ++x) {
    const double cx = static_cast<double>(x) + 0.5 - frame.OriginX;
    const double sn = cx * frame.SnPerX + snRow;
    const double tn = cx * frame.TnPerX + tnRow;
    if (!frame.Covers(sn, tn)) continue;
    double u;
    double v;
    if constexpr (Linear) {
      // A last-bit error moves a bilinear weight by far less than a colour step.
      u = shading.U0 + sn * shading.UPerSn;
      v = shading.V0 + tn * shading.VPerTn;
    } else {
      // Divided last, so that a coordinate that is exactly on a texel edge (a half-pixel
      // position, say) comes out exactly and picks the same texel every time.
      u = shading.U0 + shading.Du * sn / frame.Area;
      v = shading.V0 + shading.Dv * tn / frame.Area;
    }
    const Rgba texel = Linear ? SampleLinear<Alpha>(*shading.Source, u, v)
                              : SamplePoint<Alpha>(*shading.Source, u, v);
    if constexpr (Field) {
      BlendInto(row[x], Detail::ShadeFieldTexel(texel, shading.Tint, shading.Field), Mode);
    } else {
      BlendInto(row[x], shading.WhiteTint ? texel : Modulate(texel, shading.Tint), Mode);
    }
  }
}

using SpanShader = void (*)(Color*, std::int32_t, std::int32_t, double, const QuadFrame&,
                            const Shading&);

template <bool Linear, bool Field, bool Alpha>
SpanShader ChooseShader(BlendState blend) {
  switch (blend) {
    case BlendState::NonPremultiplied:
      return ShadeSpan<Linear, BlendState::NonPremultiplied, Field, Alpha>;
    case BlendState::Additive:
      return ShadeSpan<Linear, BlendState::Additive, Field, Alpha>;
    case BlendState::Opaque:
      return ShadeSpan<Linear, BlendState::Opaque, Field, Alpha>;
    case BlendState::AlphaBlend:
      break;
  }
  return ShadeSpan<Linear, BlendState::AlphaBlend, Field, Alpha>;
}

template <bool Field, bool Alpha>
SpanShader ChooseSpanShader(SamplerState sampler, BlendState blend) {
  return sampler == SamplerState::LinearClamp ? ChooseShader<true, Field, Alpha>(blend)
                                              : ChooseShader<false, Field, Alpha>(blend);
}

SpanShader ChooseSpanShader(bool field, bool alpha, SamplerState sampler, BlendState blend) {
  if (field) {
    return alpha ? ChooseSpanShader<true, true>(sampler, blend)
                 : ChooseSpanShader<true, false>(sampler, blend);
  }
  return alpha ? ChooseSpanShader<false, true>(sampler, blend)
               : ChooseSpanShader<false, false>(sampler, blend);
}

}  // namespace

void DrawSpriteQuad(const RasterTarget& target, const RasterSource& source, const SpriteQuad& quad,
                    const SpriteRenderState& state) {
  if (target.Width <= 0 || target.Height <= 0 || source.Width <= 0 || source.Height <= 0) return;
  const std::size_t texelCount =
      static_cast<std::size_t>(source.Width) * static_cast<std::size_t>(source.Height);
  if ((source.Alphas.empty() ? source.Texels.size() : source.Alphas.size()) < texelCount ||
      target.Pixels.size() <
          static_cast<std::size_t>(target.Width) * static_cast<std::size_t>(target.Height)) {
    return;
  }
  // A distance field is shaded, never copied.
  if (!state.DistanceField.Enabled && TryCopyTexels(target, source, quad, state.Blend)) return;

  const float coordinates[] = {quad.TopLeft.X,     quad.TopLeft.Y,        quad.TopRight.X,
                               quad.TopRight.Y,    quad.BottomLeft.X,     quad.BottomLeft.Y,
                               quad.BottomRight.X, quad.BottomRight.Y,    quad.TexTopLeft.X,
                               quad.TexTopLeft.Y,  quad.TexBottomRight.X, quad.TexBottomRight.Y};
  for (const float value : coordinates) {
    if (!std::isfinite(value)) return;  // nothing sensible to draw, and NaN would reach indices
  }

  // The quad is the parallelogram TopLeft + s · (TopRight − TopLeft) + t · (BottomLeft − TopLeft);
  // BottomRight is implied.
  const double originX = quad.TopLeft.X;
  const double originY = quad.TopLeft.Y;
  const double exX = static_cast<double>(quad.TopRight.X) - originX;
  const double exY = static_cast<double>(quad.TopRight.Y) - originY;
  const double eyX = static_cast<double>(quad.BottomLeft.X) - originX;
  const double eyY = static_cast<double>(quad.BottomLeft.Y) - originY;
  const double determinant = exX * eyY - exY * eyX;
  if (determinant == 0) return;
  const double sign = determinant > 0 ? 1.0 : -1.0;

  // Rows and columns whose pixel centres can lie inside the quad, clipped to the target; a quad
  // off the target ends here.
  const double cornersX[] = {originX, originX + exX, originX + eyX, originX + exX + eyX};
  const double cornersY[] = {originY, originY + exY, originY + eyY, originY + exY + eyY};
  const double minX = std::ceil(*std::min_element(cornersX, cornersX + 4) - 0.5);
  const double maxX = std::floor(*std::max_element(cornersX, cornersX + 4) - 0.5);
  const double minY = std::ceil(*std::min_element(cornersY, cornersY + 4) - 0.5);
  const double maxY = std::floor(*std::max_element(cornersY, cornersY + 4) - 0.5);
  if (maxX < 0 || maxY < 0 || minX > target.Width - 1 || minY > target.Height - 1) return;
  const auto firstX = static_cast<std::int32_t>(std::max(minX, 0.0));
  const auto lastX = static_cast<std::int32_t>(std::min(maxX, target.Width - 1.0));
  const auto firstY = static_cast<std::int32_t>(std::max(minY, 0.0));
  const auto lastY = static_cast<std::int32_t>(std::min(maxY, target.Height - 1.0));
  if (firstX > lastX || firstY > lastY) return;

  QuadFrame frame{};
  frame.OriginX = originX;
  frame.OriginY = originY;
  frame.SnPerX = eyY * sign;
  frame.SnPerY = -eyX * sign;
  frame.TnPerX = -exY * sign;
  frame.TnPerY = exX * sign;
  frame.Area = std::abs(determinant);
  frame.SetBounds(IncludesLowEdge(frame.SnPerX, frame.SnPerY),
                  IncludesLowEdge(frame.TnPerX, frame.TnPerY));

  Shading shading{&source,
                  quad.TexTopLeft.X,
                  quad.TexTopLeft.Y,
                  static_cast<double>(quad.TexBottomRight.X) - quad.TexTopLeft.X,
                  static_cast<double>(quad.TexBottomRight.Y) - quad.TexTopLeft.Y,
                  (static_cast<double>(quad.TexBottomRight.X) - quad.TexTopLeft.X) / frame.Area,
                  (static_cast<double>(quad.TexBottomRight.Y) - quad.TexTopLeft.Y) / frame.Area,
                  ToRgba(quad.Tint),
                  quad.Tint == Color::White()};
  const DistanceFieldEffect& field = state.DistanceField;
  if (field.Enabled) shading.Field = Detail::PrepareField(field, quad, frame.Area);
  const bool alpha = !source.Alphas.empty();
  const SpanShader shade = ChooseSpanShader(field.Enabled, alpha, state.Sampler, state.Blend);

  const double inverseSnPerX = frame.SnPerX != 0 ? 1 / frame.SnPerX : 0;
  const double inverseTnPerX = frame.TnPerX != 0 ? 1 / frame.TnPerX : 0;
  for (std::int32_t y = firstY; y <= lastY; ++y) {
    const double cy = static_cast<double>(y) + 0.5 - originY;
    // Only the pixels between the quad's edges on this row are tested. The estimate gets a
    // little slack, relative to the size of the numbers, so that its rounding never loses a
    // pixel; the exact test decides.
    double low = -HUGE_VAL;
    double high = HUGE_VAL;
    frame.NarrowSpan(frame.SnPerX, inverseSnPerX, frame.SnPerY, cy, low, high);
    frame.NarrowSpan(frame.TnPerX, inverseTnPerX, frame.TnPerY, cy, low, high);
    if (!(low <= high)) continue;
    const double first = low + originX - 0.5;
    const double last = high + originX - 0.5;
    const double slack = 1e-6 * (1 + std::max(std::abs(first), std::abs(last)));
    const std::int32_t spanFirst = ClampColumn(std::ceil(first - slack), firstX, lastX);
    const std::int32_t spanLast = ClampColumn(std::floor(last + slack), firstX, lastX);
    Color* row =
        target.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(target.Width);

    shade(row, spanFirst, spanLast, cy, frame, shading);
  }
}

}  // namespace Vennicor::Graphics::Software
