#include "rast/rast_blend_simd.h"

#include <atomic>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define RAST_HAVE_AVX2_DISPATCH 1
#endif

namespace {

void AddSaturateSSE2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
#if RAST_HAVE_SSE2
  for (; i + 8 <= n; i += 8) {
    __m128i* dv = reinterpret_cast<__m128i*>(d + i);
    const __m128i* sv = reinterpret_cast<const __m128i*>(s + i);
    const __m128i a0 = _mm_adds_epu8(_mm_loadu_si128(dv), _mm_loadu_si128(sv));
    const __m128i a1 = _mm_adds_epu8(_mm_loadu_si128(dv + 1), _mm_loadu_si128(sv + 1));
    _mm_storeu_si128(dv, a0);
    _mm_storeu_si128(dv + 1, a1);
  }
#endif
  for (; i < n; ++i) d[i] = RAST_BlendAdd(d[i], s[i], RAST_Weight(256));
}

void StoreSASSE2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
#if RAST_HAVE_SSE2
  const __m128i alphaMask = _mm_set1_epi32(0xFF);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i a = _mm_and_si128(src, alphaMask);
    const __m128i opaque = _mm_cmpeq_epi32(a, alphaMask);
    const int opaqueBits = _mm_movemask_epi8(opaque);
    const int clearBits = _mm_movemask_epi8(_mm_cmpeq_epi32(a, zero));
    if ((opaqueBits | clearBits) == 0xFFFF) {
      if (clearBits == 0xFFFF) continue;
      const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                       _mm_or_si128(_mm_and_si128(opaque, src), _mm_andnot_si128(opaque, dst)));
      continue;
    }
    for (int k = 0; k < 4; ++k) d[i + k] = RAST_BlendStoreSA(d[i + k], s[i + k]);
  }
#endif
  for (; i < n; ++i) d[i] = RAST_BlendStoreSA(d[i], s[i]);
}

#if RAST_HAVE_AVX2_DISPATCH
__attribute__((target("avx2"), always_inline)) inline void AddSaturateAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
  // Up to a 32-byte boundary of the destination first, so no store splits a cache line.
  for (; i < n && (reinterpret_cast<std::uintptr_t>(d + i) & 31) != 0; ++i) d[i] = RAST_BlendAdd(d[i], s[i], RAST_Weight(256));
  for (; i + 16 <= n; i += 16) {
    __m256i* dv = reinterpret_cast<__m256i*>(d + i);
    const __m256i* sv = reinterpret_cast<const __m256i*>(s + i);
    const __m256i a0 = _mm256_adds_epu8(_mm256_load_si256(dv), _mm256_loadu_si256(sv));
    const __m256i a1 = _mm256_adds_epu8(_mm256_load_si256(dv + 1), _mm256_loadu_si256(sv + 1));
    _mm256_store_si256(dv, a0);
    _mm256_store_si256(dv + 1, a1);
  }
  for (; i + 4 <= n; i += 4) {
    __m128i* dv = reinterpret_cast<__m128i*>(d + i);
    _mm_storeu_si128(dv, _mm_adds_epu8(_mm_loadu_si128(dv), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
  }
  for (; i < n; ++i) d[i] = RAST_BlendAdd(d[i], s[i], RAST_Weight(256));
}

__attribute__((target("avx2"), always_inline)) inline void CopyAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
  for (; i < n && (reinterpret_cast<std::uintptr_t>(d + i) & 31) != 0; ++i) d[i] = s[i];
  for (; i + 32 <= n; i += 32) {
    __m256i* dv = reinterpret_cast<__m256i*>(d + i);
    const __m256i* sv = reinterpret_cast<const __m256i*>(s + i);
    const __m256i a0 = _mm256_loadu_si256(sv), a1 = _mm256_loadu_si256(sv + 1);
    const __m256i a2 = _mm256_loadu_si256(sv + 2), a3 = _mm256_loadu_si256(sv + 3);
    _mm256_store_si256(dv, a0);
    _mm256_store_si256(dv + 1, a1);
    _mm256_store_si256(dv + 2, a2);
    _mm256_store_si256(dv + 3, a3);
  }
  for (; i + 8 <= n; i += 8)
    _mm256_store_si256(reinterpret_cast<__m256i*>(d + i), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
  for (; i < n; ++i) d[i] = s[i];
}

// Eight pixels at a time; a block with only opaque and clear sources is a masked select.
__attribute__((target("avx2"), always_inline)) inline void StoreSAAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
  const __m256i alphaMask = _mm256_set1_epi32(0xFF);
  const __m256i zero = _mm256_setzero_si256();
  for (; i + 8 <= n; i += 8) {
    const __m256i src = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i a = _mm256_and_si256(src, alphaMask);
    const __m256i opaque = _mm256_cmpeq_epi32(a, alphaMask);
    const __m256i clear = _mm256_cmpeq_epi32(a, zero);
    const unsigned opaqueBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(opaque)));
    const unsigned clearBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(clear)));
    if ((opaqueBits | clearBits) == 0xFFu) {
      if (opaqueBits == 0xFFu) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), src);
      } else if (opaqueBits != 0) {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(d + i), opaque, src);
      }
      continue;
    }
    for (int k = 0; k < 8; ++k) d[i + k] = RAST_BlendStoreSA(d[i + k], s[i + k]);
  }
  for (; i < n; ++i) d[i] = RAST_BlendStoreSA(d[i], s[i]);
}

// Whole rectangles in one AVX2 function each, so small blits make no call per row.
__attribute__((target("avx2"))) void AddSaturateRectAVX2(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                                                         std::ptrdiff_t sstride, int w, int h) {
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) AddSaturateAVX2(d, s, w);
}
__attribute__((target("avx2"))) void StoreSARectAVX2(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                                                     std::ptrdiff_t sstride, int w, int h) {
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) StoreSAAVX2(d, s, w);
}
__attribute__((target("avx2"))) void CopyRowAVX2(RAST_pixel* d, const RAST_pixel* s, int n) { CopyAVX2(d, s, n); }
__attribute__((target("avx2"))) void AddSaturateRowAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  AddSaturateAVX2(d, s, n);
}
__attribute__((target("avx2"))) void StoreSARowAVX2(RAST_pixel* d, const RAST_pixel* s, int n) { StoreSAAVX2(d, s, n); }

#endif

std::atomic<bool> baselineOnly{false};

}  // namespace

bool RAST_CanUseAVX2() {
#if RAST_HAVE_AVX2_DISPATCH
  // The processor check may run from a static initialiser, before the runtime's own set-up.
  static const bool have = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"));
  return have && !baselineOnly.load(std::memory_order_relaxed);
#else
  return false;
#endif
}

void RAST_LimitToBaselineVectors(bool limit) { baselineOnly.store(limit, std::memory_order_relaxed); }

void RAST_RowAddSaturate(RAST_pixel* d, const RAST_pixel* s, int n) {
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) {
    AddSaturateRowAVX2(d, s, n);
    return;
  }
#endif
  AddSaturateSSE2(d, s, n);
}

void RAST_RowStoreSA(RAST_pixel* d, const RAST_pixel* s, int n) {
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) {
    StoreSARowAVX2(d, s, n);
    return;
  }
#endif
  StoreSASSE2(d, s, n);
}

namespace {
// Rows that follow each other with no gap in both bitmaps (whole bitmaps whose width needs no
// padding) are one long row: the per-row start and tail work is done once.
bool JoinRows(std::ptrdiff_t dstride, std::ptrdiff_t sstride, int& w, int& h) {
  if (h < 2 || dstride != w || sstride != w || static_cast<long long>(w) * h > INT32_MAX) return false;
  w *= h;
  h = 1;
  return true;
}
}  // namespace

void RAST_RectAddSaturate(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s, std::ptrdiff_t sstride, int w,
                          int h) {
  JoinRows(dstride, sstride, w, h);
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) {
    AddSaturateRectAVX2(d, dstride, s, sstride, w, h);
    return;
  }
#endif
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) AddSaturateSSE2(d, s, w);
}

void RAST_RectStoreSA(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s, std::ptrdiff_t sstride, int w,
                      int h) {
  JoinRows(dstride, sstride, w, h);
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) {
    StoreSARectAVX2(d, dstride, s, sstride, w, h);
    return;
  }
#endif
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) StoreSASSE2(d, s, w);
}

void RAST_RectCopy(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s, std::ptrdiff_t sstride, int w, int h) {
  JoinRows(dstride, sstride, w, h);
  auto row = [](RAST_pixel* to, const RAST_pixel* from, int n) { std::memmove(to, from, static_cast<std::size_t>(n) * 4); };
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) {
    for (int j = 0; j < h; ++j, d += dstride, s += sstride) {
      // Rows that overlap (a blit within one bitmap) keep the plain memory move.
      if (d + w <= s || s + w <= d) CopyRowAVX2(d, s, w);
      else row(d, s, w);
    }
    return;
  }
#endif
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) row(d, s, w);
}
