#include "rast/rast_scaled_blit_bilinear.h"

#include <algorithm>
#include <vector>

#include "rast/rast_blend_simd.h"
#include "rast/rast_blit_sample.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define RAST_HAVE_AVX2_DISPATCH 1
#endif

// The 2 x 2 sum p00 w00 + p10 w10 + p01 w01 + p11 w11 with w11 = fx fy >> 16 (the other weights
// made from it) equals, per channel,
//   65536 p00 + fx (p10 - p00) + fy (p01 - p00) + w11 (p11 - p10 - p01 + p00).
// With D = p01 - p00, dT = p10 - p00, dD = (p11 - p10) - D and the 16-bit weights moved into the
// signed range (fx' = fx - 32768, likewise fy', w11') this is
//   D fy' + dT fx' + dD w11' + X (-16384),  X = -(4 p00 + 2 (D + dT + dD)),
// two 16-bit multiply-adds with every factor inside a signed 16-bit word, exact in 32 bits.
// D, dT, dD and X depend only on the source column and row pair, so they are made once per row
// pair for every source column ("taps"), then every destination pixel of every destination row
// that maps to that pair reads them by its column; the column part of the weights is made once
// per strip of destination columns.

#if RAST_HAVE_SSE2

namespace {

using i64 = std::int64_t;

// Per source column of the current row pair: (D, dT) and (dD, X), channel by channel, 16-bit.
struct alignas(16) ColumnTaps {
  __m128i a, b;
};

// Taps of columns first..last (reading column last + 1) of the row pair top, bottom.
// Inlined everywhere, so that the AVX2 caller runs it in VEX form (no SSE/AVX transition).
inline __attribute__((always_inline)) void MakeTaps(ColumnTaps* out, const RAST_pixel* top,
                                                    const RAST_pixel* bottom, i64 first, i64 last) {
  const __m128i zero = _mm_setzero_si128();
  auto make = [&](ColumnTaps* o, __m128i t8, __m128i t18, __m128i b8, __m128i b18, bool two) {
    const __m128i t = _mm_unpacklo_epi8(t8, zero), t1 = _mm_unpacklo_epi8(t18, zero);
    const __m128i b = _mm_unpacklo_epi8(b8, zero), b1 = _mm_unpacklo_epi8(b18, zero);
    const __m128i d = _mm_sub_epi16(b, t), d1 = _mm_sub_epi16(b1, t1);
    const __m128i dt = _mm_sub_epi16(t1, t), dd = _mm_sub_epi16(d1, d);
    const __m128i x = _mm_sub_epi16(
        zero, _mm_add_epi16(_mm_slli_epi16(t, 2),
                            _mm_slli_epi16(_mm_add_epi16(_mm_add_epi16(d, dt), dd), 1)));
    o[0].a = _mm_unpacklo_epi16(d, dt);
    o[0].b = _mm_unpacklo_epi16(dd, x);
    if (two) {
      o[1].a = _mm_unpackhi_epi16(d, dt);
      o[1].b = _mm_unpackhi_epi16(dd, x);
    }
  };
  i64 c = first;
  ColumnTaps* o = out;
  for (; c + 1 <= last; c += 2, o += 2) {
    auto load8 = [](const RAST_pixel* p) {
      return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    };
    make(o, load8(top + c), load8(top + c + 1), load8(bottom + c), load8(bottom + c + 1), true);
  }
  if (c == last) {
    auto load4 = [](const RAST_pixel* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); };
    make(o, load4(top + c), load4(top + c + 1), load4(bottom + c), load4(bottom + c + 1), false);
  }
}

#if RAST_HAVE_AVX2_DISPATCH
// The same four columns at a time.
__attribute__((target("avx2"))) void MakeTapsAVX2(ColumnTaps* out, const RAST_pixel* top,
                                                  const RAST_pixel* bottom, i64 first, i64 last) {
  i64 c = first;
  ColumnTaps* o = out;
  for (; c + 3 <= last; c += 4, o += 4) {
    auto load = [](const RAST_pixel* p) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    // Lanes: columns c, c + 1 low; c + 2, c + 3 high.
    const __m256i t = _mm256_cvtepu8_epi16(load(top + c)),
                  t1 = _mm256_cvtepu8_epi16(load(top + c + 1));
    const __m256i b = _mm256_cvtepu8_epi16(load(bottom + c)),
                  b1 = _mm256_cvtepu8_epi16(load(bottom + c + 1));
    const __m256i d = _mm256_sub_epi16(b, t), d1 = _mm256_sub_epi16(b1, t1);
    const __m256i dt = _mm256_sub_epi16(t1, t), dd = _mm256_sub_epi16(d1, d);
    const __m256i x = _mm256_sub_epi16(
        _mm256_setzero_si256(),
        _mm256_add_epi16(_mm256_slli_epi16(t, 2),
                         _mm256_slli_epi16(_mm256_add_epi16(_mm256_add_epi16(d, dt), dd), 1)));
    const __m256i a02 = _mm256_unpacklo_epi16(d, dt), a13 = _mm256_unpackhi_epi16(d, dt);
    const __m256i b02 = _mm256_unpacklo_epi16(dd, x), b13 = _mm256_unpackhi_epi16(dd, x);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 0),
                        _mm256_permute2x128_si256(a02, b02, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 1),
                        _mm256_permute2x128_si256(a13, b13, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 2),
                        _mm256_permute2x128_si256(a02, b02, 0x31));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 3),
                        _mm256_permute2x128_si256(a13, b13, 0x31));
  }
  if (c <= last) MakeTaps(o, top, bottom, c, last);
}
#endif

// The column part of the weights, made once per strip: the byte offset of the column's taps,
// fx' in the high half of the first weight word and fx itself for w11.
struct ColumnWeights {
  std::vector<std::int32_t> index;
  std::vector<std::uint32_t> fxHigh;
  std::vector<std::uint32_t> fx;
};

constexpr std::uint32_t kSecondWeightBias = 0xC0008000u;  // w11 - 32768 low, -16384 high

inline __attribute__((always_inline)) __m128i Finish(__m128i r0, __m128i r1, __m128i r2,
                                                     __m128i r3) {
  return _mm_packus_epi16(_mm_packs_epi32(_mm_srli_epi32(r0, 16), _mm_srli_epi32(r1, 16)),
                          _mm_packs_epi32(_mm_srli_epi32(r2, 16), _mm_srli_epi32(r3, 16)));
}

inline __attribute__((always_inline)) const ColumnTaps& TapsAt(const ColumnTaps* taps,
                                                               std::int32_t offset) {
  return *reinterpret_cast<const ColumnTaps*>(reinterpret_cast<const char*>(taps) + offset);
}

inline __attribute__((always_inline)) __m128i OnePixel(const ColumnTaps& taps, __m128i w1,
                                                       __m128i w2) {
  return _mm_add_epi32(_mm_madd_epi16(taps.a, w1), _mm_madd_epi16(taps.b, w2));
}

inline __attribute__((always_inline)) RAST_pixel PixelOf(const ColumnTaps* taps,
                                                         const ColumnWeights& cw, int i,
                                                         unsigned fy) {
  const __m128i w1 = _mm_set1_epi32(static_cast<int>(cw.fxHigh[i] | (fy ^ 0x8000u)));
  const __m128i w2 = _mm_set1_epi32(static_cast<int>(((cw.fx[i] * fy) >> 16) ^ kSecondWeightBias));
  const __m128i r = _mm_srli_epi32(OnePixel(TapsAt(taps, cw.index[i]), w1, w2), 16);
  return static_cast<RAST_pixel>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(r, r), r)));
}

void RowSSE2(RAST_pixel* d, const ColumnTaps* taps, const ColumnWeights& cw, int n, unsigned fy) {
  const __m128i fyLow = _mm_set1_epi32(static_cast<int>(fy ^ 0x8000u));
  const __m128i fyMul = _mm_set1_epi32(static_cast<int>(fy));
  const __m128i bias = _mm_set1_epi32(static_cast<int>(kSecondWeightBias));
  int i = 0;
  // A short last group is redone as the last four pixels: each is a pure function of the source.
  for (; n >= 4 && i < n; i += 4) {
    if (i + 4 > n) i = n - 4;
    const __m128i w1 =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&cw.fxHigh[i])), fyLow);
    const __m128i w2 = _mm_xor_si128(
        _mm_mulhi_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&cw.fx[i])), fyMul), bias);
    const std::int32_t* ix = &cw.index[i];
    const __m128i r0 =
        OnePixel(TapsAt(taps, ix[0]), _mm_shuffle_epi32(w1, 0x00), _mm_shuffle_epi32(w2, 0x00));
    const __m128i r1 =
        OnePixel(TapsAt(taps, ix[1]), _mm_shuffle_epi32(w1, 0x55), _mm_shuffle_epi32(w2, 0x55));
    const __m128i r2 =
        OnePixel(TapsAt(taps, ix[2]), _mm_shuffle_epi32(w1, 0xAA), _mm_shuffle_epi32(w2, 0xAA));
    const __m128i r3 =
        OnePixel(TapsAt(taps, ix[3]), _mm_shuffle_epi32(w1, 0xFF), _mm_shuffle_epi32(w2, 0xFF));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), Finish(r0, r1, r2, r3));
  }
  for (; i < n; ++i) d[i] = PixelOf(taps, cw, i, fy);
}

#if RAST_HAVE_AVX2_DISPATCH
// Pixel k of a block of eight in the low half, pixel k + 4 in the high half: the in-lane packs
// then put the eight results back in order.
__attribute__((target("avx2"), always_inline)) inline __m256i Pair(const __m128i* lo,
                                                                   const __m128i* hi) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_load_si128(lo)), _mm_load_si128(hi), 1);
}

__attribute__((target("avx2"))) void RowAVX2(RAST_pixel* d, const ColumnTaps* taps,
                                             const ColumnWeights& cw, int n, unsigned fy) {
  const __m256i fyLow = _mm256_set1_epi32(static_cast<int>(fy ^ 0x8000u));
  const __m256i fyMul = _mm256_set1_epi32(static_cast<int>(fy));
  const __m256i bias = _mm256_set1_epi32(static_cast<int>(kSecondWeightBias));
  int i = 0;
  for (; n >= 8 && i < n; i += 8) {
    if (i + 8 > n) i = n - 8;  // the last pixels again, as in RowSSE2
    const __m256i w1 =
        _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(&cw.fxHigh[i])), fyLow);
    const __m256i w2 = _mm256_xor_si256(
        _mm256_mulhi_epu16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(&cw.fx[i])), fyMul),
        bias);
    const std::int32_t* ix = &cw.index[i];
    __m256i r[4];
#define RAST_PAIR_RESULT(k, sel)                                                                   \
  r[k] = _mm256_srli_epi32(                                                                        \
      _mm256_add_epi32(_mm256_madd_epi16(Pair(&TapsAt(taps, ix[k]).a, &TapsAt(taps, ix[k + 4]).a), \
                                         _mm256_shuffle_epi32(w1, sel)),                           \
                       _mm256_madd_epi16(Pair(&TapsAt(taps, ix[k]).b, &TapsAt(taps, ix[k + 4]).b), \
                                         _mm256_shuffle_epi32(w2, sel))),                          \
      16)
    RAST_PAIR_RESULT(0, 0x00);
    RAST_PAIR_RESULT(1, 0x55);
    RAST_PAIR_RESULT(2, 0xAA);
    RAST_PAIR_RESULT(3, 0xFF);
#undef RAST_PAIR_RESULT
    const __m256i out =
        _mm256_packus_epi16(_mm256_packs_epi32(r[0], r[1]), _mm256_packs_epi32(r[2], r[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), out);
  }
  for (; i < n; ++i) d[i] = PixelOf(taps, cw, i, fy);
}
#endif

// One strip of destination columns, all rows.
void StretchStrip(const RAST_CoreJob& j) {
  const i64 limX = static_cast<i64>(j.limX), limY = static_cast<i64>(j.limY);

  // Columns [0, inner) have a right neighbour inside the limits; the rest take the edge cases.
  int inner = 0;
  while (inner < j.width && ((j.s + inner * j.dsdx) >> 16) + 1 < limX) ++inner;
  thread_local ColumnWeights cw;
  thread_local std::vector<ColumnTaps> taps;
  i64 firstCol = 0, lastCol = -1;
  if (inner > 0) {
    firstCol = j.s >> 16;
    lastCol = (j.s + (inner - 1) * j.dsdx) >> 16;
    cw.index.resize(static_cast<std::size_t>(inner));
    cw.fxHigh.resize(static_cast<std::size_t>(inner));
    cw.fx.resize(static_cast<std::size_t>(inner));
    i64 s = j.s;
    for (int i = 0; i < inner; ++i, s += j.dsdx) {
      const auto fx = static_cast<std::uint32_t>(s & 0xFFFF);
      cw.index[static_cast<std::size_t>(i)] =
          static_cast<std::int32_t>(((s >> 16) - firstCol) * sizeof(ColumnTaps));
      cw.fxHigh[static_cast<std::size_t>(i)] = (fx ^ 0x8000u) << 16;
      cw.fx[static_cast<std::size_t>(i)] = fx;
    }
    taps.resize(static_cast<std::size_t>(lastCol - firstCol + 1));
  }
#if RAST_HAVE_AVX2_DISPATCH
  const bool avx2 = RAST_CanUseAVX2();
#endif

  i64 tapsRow = -1;
  i64 t = j.t;
  for (int row = 0; row < j.height; ++row, t += j.dtdy) {
    const i64 r = t >> 16;
    if (r >= limY) continue;
    RAST_pixel* d = j.dest + row * j.destStride;
    int fastEnd = 0;
    if (inner > 0) {
      if (r != tapsRow) {
        // The last row interpolates along the row only: the full sum with a bottom row equal to
        // the top one is exactly that, whatever fy is.
        const RAST_pixel* top = j.source + r * j.sourceStride;
        const RAST_pixel* bottom = r + 1 < limY ? top + j.sourceStride : top;
#if RAST_HAVE_AVX2_DISPATCH
        if (avx2)
          MakeTapsAVX2(taps.data(), top + firstCol, bottom + firstCol, 0, lastCol - firstCol);
        else
#endif
          MakeTaps(taps.data(), top + firstCol, bottom + firstCol, 0, lastCol - firstCol);
        tapsRow = r;
      }
      const unsigned fy = static_cast<unsigned>(t & 0xFFFF);
#if RAST_HAVE_AVX2_DISPATCH
      if (avx2)
        RowAVX2(d, taps.data(), cw, inner, fy);
      else
#endif
        RowSSE2(d, taps.data(), cw, inner, fy);
      fastEnd = inner;
    }
    i64 s = j.s + fastEnd * j.dsdx;
    for (int i = fastEnd; i < j.width; ++i, s += j.dsdx) {
      RAST_pixel p;
      if (rast_sample::SampleAt<true>(j.source, j.sourceStride, s, t, j.limX, j.limY, p)) d[i] = p;
    }
  }
}

}  // namespace

bool RAST_BilinearStretchStore(const RAST_CoreJob& j) {
  if (j.width <= 0 || j.height <= 0 || j.s < 0 || j.t < 0 || j.dsdx <= 0 || j.dtdy <= 0 ||
      j.limX == 0 || j.limY == 0)
    return false;
  if (j.dtdx != 0 || j.dsdy != 0 || j.dsdxdy != 0 || j.dtdxdy != 0) return false;
  // Taps are made for every source column a strip spans: past a step of about 1.25 columns
  // per pixel making them costs more than sampling each pixel on its own.
  if (j.dsdx > 0x14000) return false;
  // Every position must stay far from overflow; the callers' clipping keeps them in the source.
  const i64 kReach = i64{1} << 46;
  if (j.s + j.dsdx * j.width > kReach || j.t + j.dtdy * j.height > kReach ||
      j.limX > (std::uint64_t{1} << 30))
    return false;
  // Wide blits go in strips of columns, so that a strip's taps and weights stay in the first-level
  // cache while all its rows are drawn.
  constexpr int kStrip = 1024;
  for (int x = 0; x < j.width; x += kStrip) {
    RAST_CoreJob strip = j;
    strip.dest = j.dest + x;
    strip.s = j.s + x * j.dsdx;
    strip.width = std::min(kStrip, j.width - x);
    StretchStrip(strip);
  }
  return true;
}

#else

bool RAST_BilinearStretchStore(const RAST_CoreJob&) {
  return false;
}

#endif
