#include "rast/rast_blend_simd.h"

#include <atomic>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define RAST_HAVE_AVX2_DISPATCH 1
#endif

namespace {

#if RAST_HAVE_SSE2
// The source-alpha store of four pixels whatever their alphas, exactly the scalar formula:
// colour s + (d - s) * (255 - sa) / 256 (the quotient truncated toward zero, so it is taken as
// the product of |d - s| shifted and given the sign back), alpha min(da + sa, 255), and d
// where sa = 0. Channels are widened to 16 bits; |d - s| * (255 - sa) stays below 2^16.
inline __attribute__((always_inline)) __m128i StoreSA4(__m128i src, __m128i dst) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(0xFF);
  const __m128i all255 = _mm_set1_epi16(255);
  auto half = [&](__m128i s16, __m128i d16) {
    const __m128i sa = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0), 0);
    const __m128i inv = _mm_sub_epi16(all255, sa);
    const __m128i span = _mm_sub_epi16(_mm_max_epi16(d16, s16), _mm_min_epi16(d16, s16));
    const __m128i q = _mm_srli_epi16(_mm_mullo_epi16(span, inv), 8);
    const __m128i down = _mm_cmpgt_epi16(s16, d16);
    return _mm_add_epi16(s16, _mm_sub_epi16(_mm_xor_si128(q, down), down));
  };
  const __m128i colour =
      _mm_packus_epi16(half(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero)),
                       half(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero)));
  const __m128i alpha = _mm_adds_epu8(src, dst);
  const __m128i out =
      _mm_or_si128(_mm_andnot_si128(alphaMask, colour), _mm_and_si128(alphaMask, alpha));
  const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(src, alphaMask), zero);
  return _mm_or_si128(_mm_and_si128(clear, dst), _mm_andnot_si128(clear, out));
}
#endif

void AddSaturateSSE2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
#if RAST_HAVE_SSE2
  for (; i + 4 <= n; i += 4) {
    __m128i* dv = reinterpret_cast<__m128i*>(d + i);
    _mm_storeu_si128(dv, _mm_adds_epu8(_mm_loadu_si128(dv),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
  }
  for (; i < n; ++i)
    d[i] = static_cast<RAST_pixel>(_mm_cvtsi128_si32(_mm_adds_epu8(
        _mm_cvtsi32_si128(static_cast<int>(d[i])), _mm_cvtsi32_si128(static_cast<int>(s[i])))));
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
    if (clearBits == 0xFFFF) continue;
    if (opaqueBits == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), src);
      continue;
    }
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     (opaqueBits | clearBits) == 0xFFFF
                         ? _mm_or_si128(_mm_and_si128(opaque, src), _mm_andnot_si128(opaque, dst))
                         : StoreSA4(src, dst));
  }
#endif
  for (; i < n; ++i) d[i] = RAST_BlendStoreSA(d[i], s[i]);
}

#if RAST_HAVE_AVX2_DISPATCH
#define RAST_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// Lane masks for the last 1 to 3 pixels of a row: kTail + 4 - k enables the first k lanes.
alignas(16) constexpr int kTail[8] = {-1, -1, -1, -1, 0, 0, 0, 0};
RAST_AVX2_INLINE __m128i TailMask(int k) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kTail + 4 - k));
}

// Rows at least this long (a page's, or rows joined into one) read both bitmaps a few cache
// lines ahead: from memory the processor's own prefetch alone leaves the loop waiting.
constexpr int kPrefetchRow = 4096;
RAST_AVX2_INLINE void PrefetchAhead(const RAST_pixel* d, const RAST_pixel* s) {
  constexpr int kAhead = 512;  // pixels
  _mm_prefetch(reinterpret_cast<const char*>(s + kAhead), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(d + kAhead), _MM_HINT_T0);
}

RAST_AVX2_INLINE void AddSaturate16(RAST_pixel* d, const RAST_pixel* s) {
  __m256i* dv = reinterpret_cast<__m256i*>(d);
  const __m256i* sv = reinterpret_cast<const __m256i*>(s);
  const __m256i a0 = _mm256_adds_epu8(_mm256_loadu_si256(dv), _mm256_loadu_si256(sv));
  const __m256i a1 = _mm256_adds_epu8(_mm256_loadu_si256(dv + 1), _mm256_loadu_si256(sv + 1));
  _mm256_storeu_si256(dv, a0);
  _mm256_storeu_si256(dv + 1, a1);
}

RAST_AVX2_INLINE void AddSaturateAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
  // Long rows go up to a 32-byte boundary of the destination first, so no store splits a cache
  // line; on short rows that costs more than it saves.
  if (n >= 64)
    for (; (reinterpret_cast<std::uintptr_t>(d + i) & 31) != 0; ++i)
      d[i] = static_cast<RAST_pixel>(_mm_cvtsi128_si32(_mm_adds_epu8(
          _mm_cvtsi32_si128(static_cast<int>(d[i])), _mm_cvtsi32_si128(static_cast<int>(s[i])))));
  if (n >= kPrefetchRow)
    for (; i + 16 <= n; i += 16) {
      PrefetchAhead(d + i, s + i);
      AddSaturate16(d + i, s + i);
    }
  for (; i + 16 <= n; i += 16) AddSaturate16(d + i, s + i);
  if (i + 8 <= n) {
    __m256i* dv = reinterpret_cast<__m256i*>(d + i);
    _mm256_storeu_si256(
        dv, _mm256_adds_epu8(_mm256_loadu_si256(dv),
                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i))));
    i += 8;
  }
  if (i + 4 <= n) {
    __m128i* dv = reinterpret_cast<__m128i*>(d + i);
    _mm_storeu_si128(dv, _mm_adds_epu8(_mm_loadu_si128(dv),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
    i += 4;
  }
  if (i < n) {
    const __m128i m = TailMask(n - i);
    int* dp = reinterpret_cast<int*>(d + i);
    _mm_maskstore_epi32(dp, m,
                        _mm_adds_epu8(_mm_maskload_epi32(dp, m),
                                      _mm_maskload_epi32(reinterpret_cast<const int*>(s + i), m)));
  }
}

// Copy is idempotent: the first and last groups may overlap the ones next to them.
RAST_AVX2_INLINE void Copy8(RAST_pixel* to, const RAST_pixel* from) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
}

RAST_AVX2_INLINE void CopyAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  if (n < 8) {
    if (n >= 4) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + n - 4));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), a);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 4), b);
    } else {
      for (int i = 0; i < n; ++i) d[i] = s[i];
    }
    return;
  }
  int i = 0;
  if (n >= 64) {
    Copy8(d, s);
    i = static_cast<int>(
        8 - ((reinterpret_cast<std::uintptr_t>(d) & 31) >> 2));  // to a 32-byte boundary
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
  }
  for (; i + 8 <= n; i += 8) Copy8(d + i, s + i);
  if (i < n) Copy8(d + n - 8, s + n - 8);
}

// Four pixels of StoreSA8 widened to 16-bit channels; inv16 holds 255 - sa in each channel.
RAST_AVX2_INLINE __m256i StoreSAHalf(__m256i s16, __m256i d16, __m256i inv16) {
  const __m256i diff = _mm256_sub_epi16(d16, s16);
  const __m256i q = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_abs_epi16(diff), inv16), 8);
  return _mm256_add_epi16(s16, _mm256_sign_epi16(q, diff));
}

// The source-alpha store of eight pixels, as StoreSA4; `clear` marks the lanes with sa = 0.
template <bool AnyClear>
RAST_AVX2_INLINE __m256i StoreSA8(__m256i src, __m256i dst, __m256i clear) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alphaMask = _mm256_set1_epi32(0xFF);
  const __m256i spreadAlpha = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12,
                                               0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
  const __m256i inv =
      _mm256_xor_si256(_mm256_shuffle_epi8(src, spreadAlpha), _mm256_set1_epi32(-1));
  const __m256i colour = _mm256_packus_epi16(
      StoreSAHalf(_mm256_unpacklo_epi8(src, zero), _mm256_unpacklo_epi8(dst, zero),
                  _mm256_unpacklo_epi8(inv, zero)),
      StoreSAHalf(_mm256_unpackhi_epi8(src, zero), _mm256_unpackhi_epi8(dst, zero),
                  _mm256_unpackhi_epi8(inv, zero)));
  const __m256i out = _mm256_blendv_epi8(colour, _mm256_adds_epu8(src, dst), alphaMask);
  return AnyClear ? _mm256_blendv_epi8(out, dst, clear) : out;
}

// One group of eight pixels of the source-alpha store; `lanes` marks those inside the row (the
// others read as zero, a clear source, and are neither read nor written in the destination).
template <bool Masked>
RAST_AVX2_INLINE void StoreSAGroup(RAST_pixel* dp, __m256i src, __m256i lanes) {
  const __m256i alphaMask = _mm256_set1_epi32(0xFF);
  const __m256i a = _mm256_and_si256(src, alphaMask);
  const __m256i opaque = _mm256_cmpeq_epi32(a, alphaMask);
  const __m256i clear = _mm256_cmpeq_epi32(a, _mm256_setzero_si256());
  const unsigned opaqueBits =
      static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(opaque)));
  const unsigned clearBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(clear)));
  if (clearBits == 0xFFu) return;
  int* out = reinterpret_cast<int*>(dp);
  if ((opaqueBits | clearBits) == 0xFFu) {  // a select
    if (Masked) {
      _mm256_maskstore_epi32(out, opaque, src);
    } else {
      __m256i* dv = reinterpret_cast<__m256i*>(dp);
      // A whole store: the masked one costs more than reading the group first.
      _mm256_storeu_si256(
          dv, opaqueBits == 0xFFu ? src : _mm256_blendv_epi8(_mm256_loadu_si256(dv), src, opaque));
    }
    return;
  }
  if (Masked) {
    _mm256_maskstore_epi32(out, lanes,
                           StoreSA8<true>(src, _mm256_maskload_epi32(out, lanes), clear));
  } else {
    const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dp));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dp), clearBits
                                                            ? StoreSA8<true>(src, dst, clear)
                                                            : StoreSA8<false>(src, dst, clear));
  }
}

RAST_AVX2_INLINE void StoreSA8Unmasked(RAST_pixel* d, const RAST_pixel* s) {
  StoreSAGroup<false>(d, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)), __m256i{});
}

RAST_AVX2_INLINE __m256i FirstLanes(int k) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(k), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// Eight pixels at a time, the last 1 to 7 as one masked group (long rows also begin with one,
// up to a 32-byte boundary of the destination).
RAST_AVX2_INLINE void StoreSAAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  int i = 0;
  if (n >= 64) {
    i = static_cast<int>(((32 - (reinterpret_cast<std::uintptr_t>(d) & 31)) & 31) >> 2);
    if (i > 0) {
      const __m256i m = FirstLanes(i);
      StoreSAGroup<true>(d, _mm256_maskload_epi32(reinterpret_cast<const int*>(s), m), m);
    }
  }
  if (n >= kPrefetchRow)
    for (; i + 16 <= n; i += 16) {
      PrefetchAhead(d + i, s + i);
      StoreSA8Unmasked(d + i, s + i);
      StoreSA8Unmasked(d + i + 8, s + i + 8);
    }
  for (; i + 8 <= n; i += 8) StoreSA8Unmasked(d + i, s + i);
  if (i < n) {
    const __m256i m = FirstLanes(n - i);
    StoreSAGroup<true>(d + i, _mm256_maskload_epi32(reinterpret_cast<const int*>(s + i), m), m);
  }
}

// Whole rectangles in one AVX2 function each, so small blits make no call per row.
template <void (*Row)(RAST_pixel*, const RAST_pixel*, int)>
__attribute__((target("avx2"))) void RectAVX2(RAST_pixel* d, std::ptrdiff_t dstride,
                                              const RAST_pixel* s, std::ptrdiff_t sstride, int w,
                                              int h) {
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) Row(d, s, w);
}
template <void (*Row)(RAST_pixel*, const RAST_pixel*, int)>
__attribute__((target("avx2"))) void RowAVX2(RAST_pixel* d, const RAST_pixel* s, int n) {
  Row(d, s, n);
}

#endif

std::atomic<bool> baselineOnly{false};

}  // namespace

bool RAST_CanUseAVX2() {
#if RAST_HAVE_AVX2_DISPATCH
  // The processor check may run from a static initialiser, before the runtime's own set-up.
  static const bool have =
      (__builtin_cpu_init(), __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"));
  return have && !baselineOnly.load(std::memory_order_relaxed);
#else
  return false;
#endif
}

void RAST_LimitToBaselineVectors(bool limit) {
  baselineOnly.store(limit, std::memory_order_relaxed);
}

void RAST_RowFillLong(RAST_pixel* d, RAST_pixel c, int n) {
#if defined(__x86_64__) && defined(__GNUC__)
  // The string store: on long runs the processor writes whole cache lines without reading them
  // first, which plain vector stores cannot.
  std::size_t count = static_cast<std::size_t>(n);
  asm volatile("rep stosl" : "+D"(d), "+c"(count) : "a"(c) : "memory");
#else
  for (int i = 0; i < n; ++i) d[i] = c;
#endif
}

namespace {

using RowFunc = void (*)(RAST_pixel*, const RAST_pixel*, int);
using RectFunc = void (*)(RAST_pixel*, std::ptrdiff_t, const RAST_pixel*, std::ptrdiff_t, int, int);

// One row operation in its two forms: the AVX2 one where the processor has it, else SSE2.
struct RowOp {
  RowFunc sse2;
#if RAST_HAVE_AVX2_DISPATCH
  RowFunc avx2Row;
  RectFunc avx2Rect;
#endif
};
#if RAST_HAVE_AVX2_DISPATCH
constexpr RowOp kAddSaturate{AddSaturateSSE2, RowAVX2<AddSaturateAVX2>, RectAVX2<AddSaturateAVX2>};
constexpr RowOp kStoreSA{StoreSASSE2, RowAVX2<StoreSAAVX2>, RectAVX2<StoreSAAVX2>};
#else
constexpr RowOp kAddSaturate{AddSaturateSSE2};
constexpr RowOp kStoreSA{StoreSASSE2};
#endif

void RunRow(const RowOp& op, RAST_pixel* d, const RAST_pixel* s, int n) {
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) return op.avx2Row(d, s, n);
#endif
  op.sse2(d, s, n);
}

}  // namespace

void RAST_RowAddSaturate(RAST_pixel* d, const RAST_pixel* s, int n) {
  RunRow(kAddSaturate, d, s, n);
}

void RAST_RowStoreSA(RAST_pixel* d, const RAST_pixel* s, int n) {
  RunRow(kStoreSA, d, s, n);
}

namespace {
// Rows that follow each other with no gap in both bitmaps (whole bitmaps whose width needs no
// padding) are one long row: the per-row start and tail work is done once.
bool JoinRows(std::ptrdiff_t dstride, std::ptrdiff_t sstride, int& w, int& h) {
  if (h < 2 || dstride != w || sstride != w || static_cast<long long>(w) * h > INT32_MAX)
    return false;
  w *= h;
  h = 1;
  return true;
}
}  // namespace

namespace {
void RunRect(const RowOp& op, RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
             std::ptrdiff_t sstride, int w, int h) {
  JoinRows(dstride, sstride, w, h);
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) return op.avx2Rect(d, dstride, s, sstride, w, h);
#endif
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) op.sse2(d, s, w);
}
}  // namespace

void RAST_RectAddSaturate(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                          std::ptrdiff_t sstride, int w, int h) {
  RunRect(kAddSaturate, d, dstride, s, sstride, w, h);
}

void RAST_RectStoreSA(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                      std::ptrdiff_t sstride, int w, int h) {
  RunRect(kStoreSA, d, dstride, s, sstride, w, h);
}

void RAST_RectCopy(RAST_pixel* d, std::ptrdiff_t dstride, const RAST_pixel* s,
                   std::ptrdiff_t sstride, int w, int h) {
  JoinRows(dstride, sstride, w, h);
  auto row = [](RAST_pixel* to, const RAST_pixel* from, int n) {
    std::memmove(to, from, static_cast<std::size_t>(n) * 4);
  };
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) {
    for (int j = 0; j < h; ++j, d += dstride, s += sstride) {
      // Rows that overlap (a blit within one bitmap) keep the plain memory move.
      if ((d + w <= s || s + w <= d) && w < 4096)
        RowAVX2<CopyAVX2>(d, s, w);
      else
        row(d, s, w);
    }
    return;
  }
#endif
  for (int j = 0; j < h; ++j, d += dstride, s += sstride) row(d, s, w);
}
