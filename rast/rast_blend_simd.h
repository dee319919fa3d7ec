// Vectorised row loops for the hottest blend cases (internal to the rasteriser). Each gives
// exactly the pixels of the scalar operations in rast_blend.h; SSE2 is part of every x86-64, and
// other targets take the scalar loops.
#pragma once

#include <cstring>

#include "rast/rast_blend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define RAST_HAVE_SSE2 1
#endif

// d = clamp(d + s) per byte: add at full weight.
inline void RAST_RowAddSaturate(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
#if RAST_HAVE_SSE2
  for (; i + 8 <= n; i += 8) {
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 4));
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_adds_epu8(a0, b0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 4), _mm_adds_epu8(a1, b1));
  }
  for (; i + 4 <= n; i += 4) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_adds_epu8(a, b));
  }
#endif
  for (; i < n; ++i) d[i] = RAST_BlendAdd(d[i], s[i], RAST_Weight(256));
}

// Source-alpha store (mode 0x10000 at full weight). Blocks of four pixels whose alphas are all
// 0 or 255 are selected word-wise; any other alpha goes through the scalar formula.
inline void RAST_RowStoreSA(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
#if RAST_HAVE_SSE2
  const __m128i alphaMask = _mm_set1_epi32(0xFF);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i a = _mm_and_si128(src, alphaMask);
    const __m128i opaque = _mm_cmpeq_epi32(a, alphaMask);
    const __m128i clear = _mm_cmpeq_epi32(a, zero);
    const int opaqueBits = _mm_movemask_epi8(opaque);
    const int clearBits = _mm_movemask_epi8(clear);
    if ((opaqueBits | clearBits) == 0xFFFF) {
      if (clearBits == 0xFFFF) continue;
      if (opaqueBits == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), src);
        continue;
      }
      const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i out = _mm_or_si128(_mm_and_si128(opaque, src), _mm_andnot_si128(opaque, dst));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
      continue;
    }
    for (int k = 0; k < 4; ++k) d[i + k] = RAST_BlendStoreSA(d[i + k], s[i + k]);
  }
#endif
  for (; i < n; ++i) d[i] = RAST_BlendStoreSA(d[i], s[i]);
}

// d = ((s >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F): the half mix.
inline void RAST_RowMixHalf(RAST_pixel* d, const RAST_pixel* s, int n) {
  for (int i = 0; i < n; ++i) d[i] = RAST_MixHalf(d[i], s[i]);
}
