#include "graphics/software/SpriteRasterizer.h"

#include <algorithm>
#include <cmath>

namespace Vennicor::Graphics::Software {

namespace {

struct Rgba {
  float R, G, B, A;
};

Rgba ToRgba(Color c) {
  return {static_cast<float>(c.R), static_cast<float>(c.G), static_cast<float>(c.B),
          static_cast<float>(c.A)};
}

std::int32_t ClampIndex(std::int32_t value, std::int32_t size) {
  return std::clamp(value, 0, size - 1);
}

Color Texel(const RasterSource& source, std::int32_t x, std::int32_t y) {
  return source.Texels[static_cast<std::size_t>(y) * static_cast<std::size_t>(source.Width) +
                       static_cast<std::size_t>(x)];
}

Rgba SamplePoint(const RasterSource& source, double u, double v) {
  const auto x = ClampIndex(static_cast<std::int32_t>(std::floor(u)), source.Width);
  const auto y = ClampIndex(static_cast<std::int32_t>(std::floor(v)), source.Height);
  return ToRgba(Texel(source, x, y));
}

Rgba SampleLinear(const RasterSource& source, double u, double v) {
  // Texel centres sit at half-integers; weights come from the distance to them.
  const double x = u - 0.5;
  const double y = v - 0.5;
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
  const Rgba a = ToRgba(Texel(source, xa, ya));
  const Rgba b = ToRgba(Texel(source, xb, ya));
  const Rgba c = ToRgba(Texel(source, xa, yb));
  const Rgba d = ToRgba(Texel(source, xb, yb));
  const auto mix = [&](float pa, float pb, float pc, float pd) {
    const float top = pa + (pb - pa) * fx;
    const float bottom = pc + (pd - pc) * fx;
    return top + (bottom - top) * fy;
  };
  return {mix(a.R, b.R, c.R, d.R), mix(a.G, b.G, c.G, d.G), mix(a.B, b.B, c.B, d.B),
          mix(a.A, b.A, c.A, d.A)};
}

std::uint8_t ToByte(float value) {
  return static_cast<std::uint8_t>(std::clamp(value + 0.5F, 0.0F, 255.0F));
}

Color Blend(const Rgba& src, Color dst, BlendState blend) {
  const Rgba d = ToRgba(dst);
  const float srcAlpha = src.A / 255.0F;
  switch (blend) {
    case BlendState::Opaque:
      return {ToByte(src.R), ToByte(src.G), ToByte(src.B), ToByte(src.A)};
    case BlendState::NonPremultiplied: {
      const float keep = 1.0F - srcAlpha;
      return {ToByte(src.R * srcAlpha + d.R * keep), ToByte(src.G * srcAlpha + d.G * keep),
              ToByte(src.B * srcAlpha + d.B * keep), ToByte(src.A * srcAlpha + d.A * keep)};
    }
    case BlendState::Additive:
      return {ToByte(src.R * srcAlpha + d.R), ToByte(src.G * srcAlpha + d.G),
              ToByte(src.B * srcAlpha + d.B), ToByte(src.A * srcAlpha + d.A)};
    case BlendState::AlphaBlend:
      break;
  }
  const float keep = 1.0F - srcAlpha;
  return {ToByte(src.R + d.R * keep), ToByte(src.G + d.G * keep), ToByte(src.B + d.B * keep),
          ToByte(src.A + d.A * keep)};
}

}  // namespace

void DrawSpriteQuad(const RasterTarget& target, const RasterSource& source, const SpriteQuad& quad,
                    const SpriteRenderState& state) {
  if (target.Width <= 0 || target.Height <= 0 || source.Width <= 0 || source.Height <= 0) return;

  const double originX = quad.TopLeft.X;
  const double originY = quad.TopLeft.Y;
  const double exX = static_cast<double>(quad.TopRight.X) - originX;
  const double exY = static_cast<double>(quad.TopRight.Y) - originY;
  const double eyX = static_cast<double>(quad.BottomLeft.X) - originX;
  const double eyY = static_cast<double>(quad.BottomLeft.Y) - originY;
  const double determinant = exX * eyY - exY * eyX;
  if (!(std::abs(determinant) > 1e-12)) return;  // also rejects NaN corners

  const float xs[] = {quad.TopLeft.X, quad.TopRight.X, quad.BottomLeft.X, quad.BottomRight.X};
  const float ys[] = {quad.TopLeft.Y, quad.TopRight.Y, quad.BottomLeft.Y, quad.BottomRight.Y};
  const double minX = std::max(0.0, std::floor(static_cast<double>(*std::min_element(xs, xs + 4))));
  const double maxX = std::min(static_cast<double>(target.Width - 1),
                               std::ceil(static_cast<double>(*std::max_element(xs, xs + 4))));
  const double minY = std::max(0.0, std::floor(static_cast<double>(*std::min_element(ys, ys + 4))));
  const double maxY = std::min(static_cast<double>(target.Height - 1),
                               std::ceil(static_cast<double>(*std::max_element(ys, ys + 4))));
  if (!(minX <= maxX) || !(minY <= maxY)) return;
  const auto firstX = static_cast<std::int32_t>(minX);
  const auto lastX = static_cast<std::int32_t>(maxX);
  const auto firstY = static_cast<std::int32_t>(minY);
  const auto lastY = static_cast<std::int32_t>(maxY);

  // (s, t) are the pixel centre's coordinates in the quad, 0..1 along each edge.
  const double dsdx = eyY / determinant;
  const double dtdx = -exY / determinant;
  const double u0 = quad.TexTopLeft.X;
  const double v0 = quad.TexTopLeft.Y;
  const double du = static_cast<double>(quad.TexBottomRight.X) - u0;
  const double dv = static_cast<double>(quad.TexBottomRight.Y) - v0;
  const Rgba tint = ToRgba(quad.Tint);
  const bool linear = state.Sampler == SamplerState::LinearClamp;

  for (std::int32_t y = firstY; y <= lastY; ++y) {
    const double cy = y + 0.5 - originY;
    const double cx = firstX + 0.5 - originX;
    const double sRow = (cx * eyY - cy * eyX) / determinant;
    const double tRow = (exX * cy - exY * cx) / determinant;
    Color* row = target.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(target.Width);
    for (std::int32_t x = firstX; x <= lastX; ++x) {
      const double k = x - firstX;
      const double s = sRow + dsdx * k;
      const double t = tRow + dtdx * k;
      if (s < 0 || s >= 1 || t < 0 || t >= 1) continue;
      const double u = u0 + du * s;
      const double v = v0 + dv * t;
      const Rgba texel = linear ? SampleLinear(source, u, v) : SamplePoint(source, u, v);
      const Rgba src{texel.R * tint.R / 255.0F, texel.G * tint.G / 255.0F,
                     texel.B * tint.B / 255.0F, texel.A * tint.A / 255.0F};
      row[x] = Blend(src, row[x], state.Blend);
    }
  }
}

}  // namespace Vennicor::Graphics::Software
