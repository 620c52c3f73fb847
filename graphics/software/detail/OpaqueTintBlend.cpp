#include "graphics/software/detail/OpaqueTintBlend.h"

#include <algorithm>
#include <bit>
#include <type_traits>

// SSE2 is part of every x86-64 processor; other targets blend one pixel at a time.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define VENNICOR_RASTER_SSE2 1
#else
#define VENNICOR_RASTER_SSE2 0
#endif

#include "graphics/software/detail/PixelBlend.h"

namespace Vennicor::Graphics::Software::Detail {

namespace {

// Alpha blending with an opaque tint, in integers. For a premultiplied texel (no colour channel
// above its alpha) each channel is round((s·t + d·(255 − a)) / 255), which is exactly the byte
// the floating-point formula of Blend(Modulate(...)) gives for every such texel, tint and
// target value (the tests check every combination). Every sum stays below 2^16 (s·t ≤ a·255),
// so it suits 16-bit lanes as well.
VENNICOR_PIXEL_INLINE std::uint32_t DivideBy255Rounded(std::uint32_t value) {
  const std::uint32_t biased = value + 128;
  return (biased + (biased >> 8U)) >> 8U;
}

VENNICOR_PIXEL_INLINE bool IsPremultiplied(Color texel) {
  return std::max({texel.R, texel.G, texel.B}) <= texel.A;
}

VENNICOR_PIXEL_INLINE Color BlendOpaqueTint(Color texel, Color tint, Color pixel) {
  const std::uint32_t keep = 255U - texel.A;
  const auto channel = [keep](std::uint8_t s, std::uint8_t t, std::uint8_t d) {
    return static_cast<std::uint8_t>(
        DivideBy255Rounded(std::uint32_t{s} * t + std::uint32_t{d} * keep));
  };
  return {channel(texel.R, tint.R, pixel.R), channel(texel.G, tint.G, pixel.G),
          channel(texel.B, tint.B, pixel.B), channel(texel.A, 255, pixel.A)};
}

// One pixel of a texel copy with alpha blending and an opaque tint.
VENNICOR_PIXEL_INLINE void BlendPixelOpaqueTint(Color& pixel, Color texel, Color tint,
                                                bool whiteTint) {
  if (std::bit_cast<std::uint32_t>(texel) == 0) return;  // leaves the pixel as it is
  if (whiteTint && texel.A == 255) {
    pixel = texel;
  } else if (IsPremultiplied(texel)) {
    pixel = BlendOpaqueTint(texel, tint, pixel);
  } else {
    // Channels above alpha may need clamping, which the integer form leaves out.
    BlendInto(pixel, whiteTint ? ToRgba(texel) : Modulate(ToRgba(texel), ToRgba(tint)),
              BlendState::AlphaBlend);
  }
}

#if VENNICOR_RASTER_SSE2
// Four, two or one pixels at once in 16-bit lanes, as BlendOpaqueTint does one. Returns false,
// having written nothing, when a texel is not premultiplied.
template <int Pixels>
VENNICOR_PIXEL_INLINE bool BlendSomeOpaqueTint(Color* pixels, const Color* texels, __m128i tint,
                                               bool whiteTint) {
  static_assert(Pixels == 4 || Pixels == 2 || Pixels == 1);
  constexpr int lanes = (1 << (4 * Pixels)) - 1;  // the movemask bits of the bytes in use
  const auto load = [](const Color* from) {
    if constexpr (Pixels == 4) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    if constexpr (Pixels == 2) return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from));
    if constexpr (Pixels == 1) {
      return _mm_cvtsi32_si128(std::bit_cast<std::int32_t>(*from));
    }
  };
  const auto store = [](Color* to, __m128i value) {
    if constexpr (Pixels == 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(to), value);
    if constexpr (Pixels == 2) _mm_storel_epi64(reinterpret_cast<__m128i*>(to), value);
    if constexpr (Pixels == 1) {
      *to = std::bit_cast<Color>(_mm_cvtsi128_si32(value));
    }
  };
  const __m128i zero = _mm_setzero_si128();
  const __m128i src = load(texels);
  if ((_mm_movemask_epi8(_mm_cmpeq_epi8(src, zero)) & lanes) == lanes) return true;
  __m128i alpha = _mm_srli_epi32(src, 24);
  alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 8));
  alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(src, alpha), zero)) != 0xFFFF) return false;
  if (whiteTint && (_mm_movemask_epi8(_mm_cmpeq_epi8(alpha, _mm_set1_epi8(-1))) & lanes) == lanes) {
    store(pixels, src);
    return true;
  }
  const __m128i dst = load(pixels);
  const __m128i full = _mm_set1_epi16(255);
  const __m128i half = _mm_set1_epi16(128);
  const auto blend = [&](__m128i s, __m128i a, __m128i d) {
    __m128i sum =
        _mm_add_epi16(_mm_mullo_epi16(s, tint), _mm_mullo_epi16(d, _mm_sub_epi16(full, a)));
    sum = _mm_add_epi16(sum, half);
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_srli_epi16(sum, 8)), 8);
  };
  const __m128i low = blend(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(alpha, zero),
                            _mm_unpacklo_epi8(dst, zero));
  const __m128i high = Pixels == 4
                           ? blend(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(alpha, zero),
                                   _mm_unpackhi_epi8(dst, zero))
                           : zero;
  store(pixels, _mm_packus_epi16(low, high));
  return true;
}
#endif

}  // namespace

void BlendRowOpaqueTint(Color* row, const Color* texels, std::int32_t count, std::int32_t step,
                        Color tint, bool whiteTint) {
  std::int32_t i = 0;
#if VENNICOR_RASTER_SSE2
  if (step == 1) {
    const __m128i tint16 = _mm_setr_epi16(tint.R, tint.G, tint.B, 255, tint.R, tint.G, tint.B, 255);
    const auto blend = [&]<int Pixels>(std::integral_constant<int, Pixels>) {
      if (!BlendSomeOpaqueTint<Pixels>(row + i, texels + i, tint16, whiteTint)) {
        for (std::int32_t k = i; k < i + Pixels; ++k) {
          BlendPixelOpaqueTint(row[k], texels[k], tint, whiteTint);
        }
      }
      i += Pixels;
    };
    while (i + 4 <= count) blend(std::integral_constant<int, 4>{});
    if (i + 2 <= count) blend(std::integral_constant<int, 2>{});
    if (i < count) blend(std::integral_constant<int, 1>{});
    return;
  }
#endif
  for (; i < count; ++i) {
    BlendPixelOpaqueTint(row[i], texels[static_cast<std::ptrdiff_t>(i) * step], tint, whiteTint);
  }
}

}  // namespace Vennicor::Graphics::Software::Detail
