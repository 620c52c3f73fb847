#pragma once

#include <algorithm>
#include <cstdint>

#include "graphics/BlendState.h"
#include "graphics/Color.h"

// The per-pixel helpers below must fold into the span loops; left to itself GCC calls them
// out of line from the template instances, which costs a fifth of the fill rate. Kept in this
// header so that each of the rasterizer's source files inlines them.
#if defined(__GNUC__) || defined(__clang__)
#define VENNICOR_PIXEL_INLINE [[gnu::always_inline]] inline
#elif defined(_MSC_VER)
#define VENNICOR_PIXEL_INLINE __forceinline
#else
#define VENNICOR_PIXEL_INLINE inline
#endif

namespace Vennicor::Graphics::Software::Detail {

/// A colour in floats, 0..255 a channel, for the floating-point blend formulas.
struct Rgba {
  float R, G, B, A;
};

VENNICOR_PIXEL_INLINE Rgba ToRgba(Color c) {
  return {static_cast<float>(c.R), static_cast<float>(c.G), static_cast<float>(c.B),
          static_cast<float>(c.A)};
}

VENNICOR_PIXEL_INLINE std::uint8_t ToByte(float value) {
  return static_cast<std::uint8_t>(std::clamp(value + 0.5F, 0.0F, 255.0F));
}

VENNICOR_PIXEL_INLINE Rgba Modulate(const Rgba& texel, const Rgba& tint) {
  return {texel.R * tint.R / 255.0F, texel.G * tint.G / 255.0F, texel.B * tint.B / 255.0F,
          texel.A * tint.A / 255.0F};
}

VENNICOR_PIXEL_INLINE Color Blend(const Rgba& src, Color dst, BlendState blend) {
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

// A colour of all zeros leaves the target as it is in every blend state but Opaque (each
// formula then reduces to the target's own value), so such texels can be skipped.
VENNICOR_PIXEL_INLINE bool IsZero(const Rgba& c) {
  return c.R == 0 && c.G == 0 && c.B == 0 && c.A == 0;
}

VENNICOR_PIXEL_INLINE void BlendInto(Color& pixel, const Rgba& src, BlendState blend) {
  if (blend != BlendState::Opaque && IsZero(src)) return;
  pixel = Blend(src, pixel, blend);
}

}  // namespace Vennicor::Graphics::Software::Detail
