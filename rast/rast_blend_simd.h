// Vectorised loops for the hottest blend cases (internal to the rasteriser). Each gives exactly
// the pixels of the scalar operations in rast_blend.h. SSE2 is part of every x86-64; AVX2 paths
// are chosen at run time where the processor has them; other targets take the scalar loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "rast/rast_blend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define RAST_HAVE_SSE2 1
#endif

// Whether the AVX2 (with FMA) paths run: the processor has them and tests have not limited the
// rasteriser to the baseline paths. Tests call RAST_LimitToBaselineVectors(true) to check the
// SSE2 and scalar paths on machines that have AVX2.
bool RAST_CanUseAVX2();
void RAST_LimitToBaselineVectors(bool baselineOnly);

// Long fills (RAST_RowFill calls it): the processor's string store.
void RAST_RowFillLong(RAST_pixel* d, RAST_pixel c, int n);

// n pixels of d become c: four at a time, aligned 16-byte stores between an unaligned first and
// last group (which may overlap the others; a fill is the same however often it is done).
inline void RAST_RowFill(RAST_pixel* d, RAST_pixel c, int n) {
  int i = 0;
  if (n >= 1024) {
    RAST_RowFillLong(d, c, n);
    return;
  }
#if RAST_HAVE_SSE2
  if (n >= 4) {
    const __m128i v = _mm_set1_epi32(static_cast<int>(c));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
    i = 4 - static_cast<int>((reinterpret_cast<std::uintptr_t>(d) & 15) >> 2);
    for (; i + 16 <= n; i += 16) {
      _mm_store_si128(reinterpret_cast<__m128i*>(d + i), v);
      _mm_store_si128(reinterpret_cast<__m128i*>(d + i + 4), v);
      _mm_store_si128(reinterpret_cast<__m128i*>(d + i + 8), v);
      _mm_store_si128(reinterpret_cast<__m128i*>(d + i + 12), v);
    }
    for (; i + 4 <= n; i += 4) _mm_store_si128(reinterpret_cast<__m128i*>(d + i), v);
    if (i < n) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 4), v);
    return;
  }
#endif
  for (; i < n; ++i) d[i] = c;
}

// Copies a rectangle of pixels row by row (rows that overlap are moved safely).
void RAST_RectCopy(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                   std::ptrdiff_t sstride, int w, int h);

// d = clamp(d + s) per byte: add at full weight (AVX2 where the processor has it). The
// rectangle forms choose the code path once for all rows; strides are in pixels.
void RAST_RowAddSaturate(RAST_pixel* d, const RAST_pixel* s, int n);
void RAST_RectAddSaturate(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                          std::ptrdiff_t sstride, int w, int h);

// Source-alpha store (mode 0x10000 at full weight). Blocks whose alphas are all 0 or 255 are
// selected word-wise; blocks with other alphas take the formula in vector form.
void RAST_RowStoreSA(RAST_pixel* d, const RAST_pixel* s, int n);
void RAST_RectStoreSA(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                      std::ptrdiff_t sstride, int w, int h);

// d = ((s >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F): the half mix.
inline void RAST_RowMixHalf(RAST_pixel* d, const RAST_pixel* s, int n) {
  for (int i = 0; i < n; ++i) d[i] = RAST_MixHalf(d[i], s[i]);
}
