#include "rast/rast_blit_core.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rast/rast_blend_simd.h"
#include "rast/rast_blit_sample.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define RAST_HAVE_AVX2_DISPATCH 1
#endif

using i64 = std::int64_t;
using u64 = std::uint64_t;

bool RAST_CoreWalkFits(const RAST_CoreJob& j) {
  const double w = j.width, h = j.height;
  auto reach = [&](double p, double px, double py, double pxy) {
    return std::fabs(p) + w * std::fabs(px) + h * std::fabs(py) + w * h * std::fabs(pxy);
  };
  const double limit = static_cast<double>(RAST_CORE_POSITION_LIMIT);
  return reach(static_cast<double>(j.s), static_cast<double>(j.dsdx), static_cast<double>(j.dsdy),
               static_cast<double>(j.dsdxdy)) < limit &&
         reach(static_cast<double>(j.t), static_cast<double>(j.dtdx), static_cast<double>(j.dtdy),
               static_cast<double>(j.dtdxdy)) < limit;
}

namespace {

// ---- Bilinear fetch of interior samples ------------------------------------------------------

void FetchBilinearScalar(RAST_pixel* out, const RAST_pixel* source, std::ptrdiff_t stride, i64 s,
                         i64 t, i64 ds, i64 dt, int n) {
  for (int i = 0; i < n; ++i, s += ds, t += dt) {
    const RAST_pixel* p = source + static_cast<std::ptrdiff_t>(t >> 16) * stride +
                          static_cast<std::ptrdiff_t>(s >> 16);
    out[i] =
        rast_sample::Bilerp(p[0], p[1], p[stride], p[stride + 1],
                            static_cast<unsigned>(s) & 0xFFFFu, static_cast<unsigned>(t) & 0xFFFFu);
  }
}

#if RAST_HAVE_AVX2_DISPATCH
#define RAST_AVX2 __attribute__((target("avx2,fma"), always_inline)) inline

// Byte Shift / 8 of every 32-bit lane, as a float (one shuffle instead of a shift and a mask).
template <int Shift>
RAST_AVX2 __m256 ByteAsFloat(__m256i p) {
  // The outer bytes by a mask or a shift, the inner ones by a shuffle: this spreads the work over
  // more execution ports than shuffles alone.
  if constexpr (Shift == 0) return _mm256_cvtepi32_ps(_mm256_and_si256(p, _mm256_set1_epi32(0xFF)));
  if constexpr (Shift == 24) return _mm256_cvtepi32_ps(_mm256_srli_epi32(p, 24));
  constexpr char k = Shift / 8;
  const __m256i pick =
      _mm256_setr_epi8(k, -1, -1, -1, k + 4, -1, -1, -1, k + 8, -1, -1, -1, k + 12, -1, -1, -1, k,
                       -1, -1, -1, k + 4, -1, -1, -1, k + 8, -1, -1, -1, k + 12, -1, -1, -1);
  return _mm256_cvtepi32_ps(_mm256_shuffle_epi8(p, pick));
}

// One channel of eight samples, shifted back into its byte.
template <int Shift>
RAST_AVX2 __m256i Channel8(__m256i p00, __m256i p10, __m256i p01, __m256i p11, __m256 f00,
                           __m256 f10, __m256 f01, __m256 f11) {
  __m256 acc = _mm256_mul_ps(ByteAsFloat<Shift>(p00), f00);
  acc = _mm256_fmadd_ps(ByteAsFloat<Shift>(p10), f10, acc);
  acc = _mm256_fmadd_ps(ByteAsFloat<Shift>(p01), f01, acc);
  acc = _mm256_fmadd_ps(ByteAsFloat<Shift>(p11), f11, acc);
  return _mm256_slli_epi32(_mm256_cvttps_epi32(acc), Shift);
}

// Eight samples at a time, one channel at a time across the eight. Each product p * w (p <= 255,
// w <= 0x10000) and every partial sum are integers below 2^24, so single-precision arithmetic is
// exact; the weights are pre-scaled by 2^-16 (also exact), so truncating the sum gives
// (p00 w00 + p10 w10 + p01 w01 + p11 w11) >> 16 to the bit.
__attribute__((target("avx2,fma"))) void FetchBilinearAVX2(RAST_pixel* out,
                                                           const RAST_pixel* source,
                                                           std::ptrdiff_t stride, i64 s, i64 t,
                                                           i64 ds, i64 dt, int n, i64 readable) {
  int i = 0;
  constexpr i64 kLane = i64{1} << 31;
  const i64 sLast = s + (n - 1) * ds, tLast = t + (n - 1) * dt;
  // The eight lanes compute positions and pixel indices in 32 bits: every one must fit.
  const i64 lastRow = (std::max(t, tLast) >> 16) + 1;
  const i64 absStride = stride < 0 ? -static_cast<i64>(stride) : static_cast<i64>(stride);
  const bool lanesFit = n >= 8 && s >= 0 && t >= 0 && s < kLane && t < kLane && sLast >= 0 &&
                        tLast >= 0 && sLast < kLane && tLast < kLane && absStride < kLane &&
                        lastRow * absStride + 65536 < kLane;
  if (lanesFit) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i laneS = _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(ds)));
    const __m256i laneT = _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(dt)));
    const __m256i strideV = _mm256_set1_epi32(static_cast<int>(stride));
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    const __m256 oneF = _mm256_set1_ps(1.0f);
    const __m256 scale = _mm256_set1_ps(1.0f / 65536.0f);
    const int* base00 = reinterpret_cast<const int*>(source);
    const int* base01 = reinterpret_cast<const int*>(source + stride);
    for (;; i += 8) {
      if (i + 8 > n) {
        if (i == n) break;
        i = n - 8;  // a last batch that overlaps the one before: recomputing samples is harmless
      }
      const __m256i sv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(s + i * ds)), laneS);
      const __m256i tv =
          dt == 0 ? _mm256_set1_epi32(static_cast<int>(t))
                  : _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(t + i * dt)), laneT);
      __m256i p00, p10, p01, p11;
      const i64 col0 = (s + i * ds) >> 16, col7 = (s + (i + 7) * ds) >> 16;
      if (dt == 0 && ds >= 0 && col7 - col0 <= 6 && col0 + 8 <= readable) {
        // One row pair, columns close together (an enlargement): the taps come from eight
        // neighbouring pixels of each row by a permute instead of a gather.
        const RAST_pixel* top = source + static_cast<std::ptrdiff_t>(t >> 16) * stride + col0;
        const __m256i winTop = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top));
        const __m256i winBottom =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + stride));
        const __m256i rel =
            _mm256_sub_epi32(_mm256_srai_epi32(sv, 16), _mm256_set1_epi32(static_cast<int>(col0)));
        const __m256i rel1 = _mm256_add_epi32(rel, _mm256_set1_epi32(1));
        p00 = _mm256_permutevar8x32_epi32(winTop, rel);
        p10 = _mm256_permutevar8x32_epi32(winTop, rel1);
        p01 = _mm256_permutevar8x32_epi32(winBottom, rel);
        p11 = _mm256_permutevar8x32_epi32(winBottom, rel1);
      } else {
        const __m256i idx = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(tv, 16), strideV),
                                             _mm256_srai_epi32(sv, 16));
        p00 = _mm256_i32gather_epi32(base00, idx, 4);
        p10 = _mm256_i32gather_epi32(base00 + 1, idx, 4);
        p01 = _mm256_i32gather_epi32(base01, idx, 4);
        p11 = _mm256_i32gather_epi32(base01 + 1, idx, 4);
      }
      // Weights as multiples of 2^-16: fractions and w11 are exact, and so are their sums.
      const __m256i fx = _mm256_and_si256(sv, low16), fy = _mm256_and_si256(tv, low16);
      // (fx * fy) >> 16 with both below 2^16: the high half of the 16-bit product (upper halves 0).
      const __m256i w11 = _mm256_mulhi_epu16(fx, fy);
      const __m256 fxs = _mm256_mul_ps(_mm256_cvtepi32_ps(fx), scale);
      const __m256 fys = _mm256_mul_ps(_mm256_cvtepi32_ps(fy), scale);
      const __m256 f11 = _mm256_mul_ps(_mm256_cvtepi32_ps(w11), scale);
      const __m256 f10 = _mm256_sub_ps(fxs, f11), f01 = _mm256_sub_ps(fys, f11);
      const __m256 f00 = _mm256_add_ps(_mm256_sub_ps(_mm256_sub_ps(oneF, fxs), fys), f11);
      const __m256i result =
          _mm256_or_si256(_mm256_or_si256(Channel8<0>(p00, p10, p01, p11, f00, f10, f01, f11),
                                          Channel8<8>(p00, p10, p01, p11, f00, f10, f01, f11)),
                          _mm256_or_si256(Channel8<16>(p00, p10, p01, p11, f00, f10, f01, f11),
                                          Channel8<24>(p00, p10, p01, p11, f00, f10, f01, f11)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), result);
      if (i + 8 == n) {
        i = n;
        break;
      }
    }
  }
  // The rest one at a time: both taps of a row in one register, exact 32-bit products.
  const __m256i pickTop = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
  const __m256i pickBottom = _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3);
  i64 ps = s + i * ds, pt = t + i * dt;
  for (; i < n; ++i, ps += ds, pt += dt) {
    const RAST_pixel* p = source + static_cast<std::ptrdiff_t>(pt >> 16) * stride +
                          static_cast<std::ptrdiff_t>(ps >> 16);
    const int fx = static_cast<int>(ps & 0xFFFF), fy = static_cast<int>(pt & 0xFFFF);
    const int w11 = static_cast<int>((static_cast<unsigned>(fx) * static_cast<unsigned>(fy)) >> 16);
    const __m256i w = _mm256_broadcastsi128_si256(
        _mm_setr_epi32(0x10000 - fx - fy + w11, fx - w11, fy - w11, w11));
    const __m256i top = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    const __m256i bottom =
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)));
    const __m256i sum8 =
        _mm256_add_epi32(_mm256_mullo_epi32(top, _mm256_permutevar8x32_epi32(w, pickTop)),
                         _mm256_mullo_epi32(bottom, _mm256_permutevar8x32_epi32(w, pickBottom)));
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(sum8), _mm256_extracti128_si256(sum8, 1));
    sum = _mm_srli_epi32(sum, 16);
    sum = _mm_packus_epi32(sum, sum);
    sum = _mm_packus_epi16(sum, sum);
    out[i] = static_cast<RAST_pixel>(_mm_cvtsi128_si32(sum));
  }
}

#endif

// ---- The interior interval of a row ----------------------------------------------------------

i64 FloorDiv(i64 a, i64 b) {  // b > 0
  i64 q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return q;
}
i64 CeilDiv(i64 a, i64 b) {
  return -FloorDiv(-a, b);
}

// Narrows [first, last] to the i with lo <= p + i * dp <= hi.
void Constrain(i64 p, i64 dp, i64 lo, i64 hi, i64& first, i64& last) {
  if (dp == 0) {
    if (p < lo || p > hi) last = first - 1;
    return;
  }
  // The divisions are skipped where the ends already hold (most rows): they cost more than the
  // rest of a short row.
  const i64 atFirst = p + first * dp, atLast = p + last * dp;
  if (dp > 0) {
    if (atFirst < lo) first = std::max(first, CeilDiv(lo - p, dp));
    if (atLast > hi) last = std::min(last, FloorDiv(hi - p, dp));
  } else {
    if (atFirst > hi) first = std::max(first, CeilDiv(p - hi, -dp));
    if (atLast < lo) last = std::min(last, FloorDiv(p - lo, -dp));
  }
}

// ---- Applying an operation to a row of samples ----------------------------------------------

template <RAST_BlitOp Op>
inline void ApplyRow(RAST_pixel* d, const RAST_pixel* s, int n, RAST_Weight w) {
  if constexpr (Op == RAST_BlitOp::Store) {
    std::memcpy(d, s, static_cast<std::size_t>(n) * 4);
  } else if constexpr (Op == RAST_BlitOp::StoreSA) {
    RAST_RowStoreSA(d, s, n);
  } else if constexpr (Op == RAST_BlitOp::Add) {
    if (w.isFull())
      RAST_RowAddSaturate(d, s, n);
    else
      for (int i = 0; i < n; ++i) d[i] = RAST_BlendAdd(d[i], s[i], w);
  } else {
    for (int i = 0; i < n; ++i) d[i] = RAST_ApplyBlitOp<Op>(d[i], s[i], w);
  }
}

template <RAST_BlitOp Op, bool Bilinear>
void CoreLoop(const RAST_CoreJob& j, RAST_Weight weight) {
  constexpr int kChunk = 256;
  alignas(64) RAST_pixel samples[kChunk];
#if RAST_HAVE_AVX2_DISPATCH
  const bool avx2 = RAST_CanUseAVX2();
#endif
  // The interior: every sample whose reads stay inside without the edge cases.
  const i64 hiS = (static_cast<i64>(j.limX) - (Bilinear ? 1 : 0)) * 65536 - 1;
  const i64 hiT = (static_cast<i64>(j.limY) - (Bilinear ? 1 : 0)) * 65536 - 1;
  i64 rs = j.s, rt = j.t, ps = j.dsdx, pt = j.dtdx;
  for (int row = 0; row < j.height;
       ++row, rs += j.dsdy, rt += j.dtdy, ps += j.dsdxdy, pt += j.dtdxdy) {
    RAST_pixel* d = j.dest + row * j.destStride;
    i64 first = 0, last = j.width - 1;
    Constrain(rs, ps, 0, hiS, first, last);
    Constrain(rt, pt, 0, hiT, first, last);
    if (first > last)
      first = last = j.width;  // no interior: everything takes the general path
    else
      last += 1;  // half-open from here on
    // The general path (limit tests and edge cases per pixel) outside the interior.
    auto general = [&](i64 from, i64 to) {
      i64 s = rs + from * ps, t = rt + from * pt;
      for (i64 i = from; i < to; ++i, s += ps, t += pt) {
        RAST_pixel p;
        if (rast_sample::SampleAt<Bilinear>(j.source, j.sourceStride, s, t, j.limX, j.limY, p))
          d[i] = RAST_ApplyBlitOp<Op>(d[i], p, weight);
      }
    };
    general(0, first);
    for (i64 i = first; i < last;) {
      const int n = static_cast<int>(std::min<i64>(kChunk, last - i));
      const i64 s = rs + i * ps, t = rt + i * pt;
      RAST_pixel* target = Op == RAST_BlitOp::Store ? d + i : samples;
      if constexpr (Bilinear) {
#if RAST_HAVE_AVX2_DISPATCH
        if (avx2)
          FetchBilinearAVX2(target, j.source, j.sourceStride, s, t, ps, pt, n,
                            static_cast<i64>(j.limX));
        else
#endif
          FetchBilinearScalar(target, j.source, j.sourceStride, s, t, ps, pt, n);
      } else {
        i64 ss = s, tt = t;
        for (int k = 0; k < n; ++k, ss += ps, tt += pt)
          target[k] = j.source[static_cast<std::ptrdiff_t>(tt >> 16) * j.sourceStride +
                               static_cast<std::ptrdiff_t>(ss >> 16)];
      }
      if (Op != RAST_BlitOp::Store) ApplyRow<Op>(d + i, samples, n, weight);
      i += n;
    }
    general(last, j.width);
  }
}

template <bool Bilinear>
void Run(const RAST_CoreJob& j, RAST_BlitOp op, RAST_Weight w) {
  RAST_DispatchBlitOp(op, [&](auto o) { CoreLoop<decltype(o)::value, Bilinear>(j, w); });
}

}  // namespace

void RAST_RunCore(const RAST_CoreJob& job, RAST_BlitOp op, bool bilinear, RAST_Weight w) {
  if (job.width <= 0 || job.height <= 0 || job.limX == 0 || job.limY == 0 ||
      !RAST_CoreWalkFits(job))
    return;
  if (bilinear)
    Run<true>(job, op, w);
  else
    Run<false>(job, op, w);
}

void RAST_FetchBilinearInterior(RAST_pixel* out, const RAST_pixel* source, std::ptrdiff_t stride,
                                std::int64_t s, std::int64_t t, std::int64_t ds, std::int64_t dt,
                                int n, std::int64_t readable) {
#if RAST_HAVE_AVX2_DISPATCH
  if (RAST_CanUseAVX2()) {
    FetchBilinearAVX2(out, source, stride, s, t, ds, dt, n, readable);
    return;
  }
#endif
  FetchBilinearScalar(out, source, stride, s, t, ds, dt, n);
}
