// Source sampling of the scaled and transform blits (internal to the rasteriser): nearest and
// bilinear reads at 16.16 fixed-point positions inside a limit rectangle, exact to the bit.
#pragma once

#include <cstdint>

#include "rast/rast_blend.h"
#include "rast/rast_blend_simd.h"

namespace rast_sample {

// Full 2 x 2 interpolation with 16-bit fractions fx, fy (0..0xFFFF):
// w11 = fx * fy >> 16, w01 = fy - w11, w10 = fx - w11, w00 = 0x10000 - fx - fy + w11,
// channel = (p00 w00 + p10 w10 + p01 w01 + p11 w11) >> 16.
inline RAST_pixel Bilerp(RAST_pixel p00, RAST_pixel p10, RAST_pixel p01, RAST_pixel p11,
                         unsigned fx, unsigned fy) {
  const unsigned w11 = (fx * fy) >> 16;
  const unsigned w01 = fy - w11, w10 = fx - w11, w00 = 0x10000u - fx - fy + w11;
#if RAST_HAVE_SSE2
  // Each weight is split into its high and low bytes so that the 16-bit multiply-adds stay
  // exact (a weight may be 0x10000); the two partial sums are recombined in 32 bits.
  const __m128i zero = _mm_setzero_si128();
  const __m128i top8 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p00)),
                                         _mm_cvtsi32_si128(static_cast<int>(p10)));
  const __m128i bot8 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p01)),
                                         _mm_cvtsi32_si128(static_cast<int>(p11)));
  const __m128i top = _mm_unpacklo_epi8(top8, zero);
  const __m128i bot = _mm_unpacklo_epi8(bot8, zero);
  const __m128i topHi = _mm_set1_epi32(static_cast<int>((w10 >> 8) << 16 | (w00 >> 8)));
  const __m128i topLo = _mm_set1_epi32(static_cast<int>((w10 & 0xFFu) << 16 | (w00 & 0xFFu)));
  const __m128i botHi = _mm_set1_epi32(static_cast<int>((w11 >> 8) << 16 | (w01 >> 8)));
  const __m128i botLo = _mm_set1_epi32(static_cast<int>((w11 & 0xFFu) << 16 | (w01 & 0xFFu)));
  const __m128i hi = _mm_add_epi32(_mm_madd_epi16(top, topHi), _mm_madd_epi16(bot, botHi));
  const __m128i lo = _mm_add_epi32(_mm_madd_epi16(top, topLo), _mm_madd_epi16(bot, botLo));
  const __m128i sum = _mm_srli_epi32(_mm_add_epi32(_mm_slli_epi32(hi, 8), lo), 16);
  const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(sum, zero), zero);
  return static_cast<RAST_pixel>(_mm_cvtsi128_si32(packed));
#else
  RAST_pixel out = 0;
  for (int sh = 0; sh < 32; sh += 8) {
    const unsigned c = (((p00 >> sh) & 0xFFu) * w00 + ((p10 >> sh) & 0xFFu) * w10 +
                        ((p01 >> sh) & 0xFFu) * w01 + ((p11 >> sh) & 0xFFu) * w11) >>
                       16;
    out |= c << sh;
  }
  return out;
#endif
}

// One-axis interpolation: (b * f + a * (0x10000 - f)) >> 16 per channel.
inline RAST_pixel Lerp(RAST_pixel a, RAST_pixel b, unsigned f) {
  const unsigned g = 0x10000u - f;
  RAST_pixel out = 0;
  for (int sh = 0; sh < 32; sh += 8) {
    const unsigned c = (((b >> sh) & 0xFFu) * f + ((a >> sh) & 0xFFu) * g) >> 16;
    out |= c << sh;
  }
  return out;
}

// Reads the sample at 16.16 position (s, t) of a source whose readable area is columns
// 0..limX-1 and rows 0..limY-1 of `rows` (row(0) the top). Positions outside give false.
// Bilinear: full interpolation inside, vertical only in the last column, horizontal only in the
// last row, the pixel itself in the last corner.
template <bool Bilinear>
inline bool SampleAt(const RAST_pixel* row0, std::ptrdiff_t stride, std::int64_t s, std::int64_t t,
                     std::uint64_t limX, std::uint64_t limY, RAST_pixel& out) {
  const std::uint64_t col = static_cast<std::uint64_t>(s >> 16),
                      row = static_cast<std::uint64_t>(t >> 16);
  if (col >= limX || row >= limY) return false;
  const RAST_pixel* p =
      row0 + static_cast<std::ptrdiff_t>(row) * stride + static_cast<std::ptrdiff_t>(col);
  if constexpr (!Bilinear) {
    out = *p;
  } else {
    const unsigned fx = static_cast<unsigned>(s) & 0xFFFFu, fy = static_cast<unsigned>(t) & 0xFFFFu;
    const bool innerCol = col + 1 < limX, innerRow = row + 1 < limY;
    if (innerCol && innerRow)
      out = Bilerp(p[0], p[1], p[stride], p[stride + 1], fx, fy);
    else if (innerRow)
      out = Lerp(p[0], p[stride], fy);
    else if (innerCol)
      out = Lerp(p[0], p[1], fx);
    else
      out = p[0];
  }
  return true;
}

// A negative destination extent draws mirrored: the extent turns positive and the source runs
// from its other end.
inline void MirrorNegativeExtent(std::int64_t& pos, std::int64_t& len, double& src,
                                 double& srcLen) {
  if (len >= 0) return;
  pos += len;
  len = -len;
  src += srcLen;
  srcLen = -srcLen;
}

}  // namespace rast_sample
