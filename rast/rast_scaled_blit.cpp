#include "rast/rast_scaled_blit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "rast/rast_blit.h"
#include "rast/rast_blit_core.h"
#include "rast/rast_blit_sample.h"
#include "rast/rast_scaled_blit_bilinear.h"

namespace {

using i64 = std::int64_t;
using u64 = std::uint64_t;

// Box filter for strong reductions: the plain average of the window's taps that lie inside.
template <RAST_BlitOp Op>
void BoxLoop(const RAST_CoreJob& j, int half, RAST_Weight weight) {
  i64 sy = j.t;
  for (int row = 0; row < j.height; ++row, sy += j.dtdy) {
    const i64 r = sy >> 16;
    if (r < 0 || static_cast<u64>(r) >= j.limY) continue;
    RAST_pixel* d = j.dest + row * j.destStride;
    i64 sx = j.s;
    for (int i = 0; i < j.width; ++i, sx += j.dsdx) {
      const i64 c = sx >> 16;
      if (c < 0 || static_cast<u64>(c) >= j.limX) continue;
      unsigned sum[4] = {0, 0, 0, 0};
      unsigned count = 0;
      for (i64 ty = r - half; ty <= r + half; ++ty) {
        if (ty < 0) continue;
        if (static_cast<u64>(ty) >= j.limY) break;
        const RAST_pixel* srow = j.source + ty * j.sourceStride;
        for (i64 tx = c - half; tx <= c + half; ++tx) {
          if (tx < 0 || static_cast<u64>(tx) >= j.limX) continue;
          const RAST_pixel p = srow[tx];
          sum[0] += p & 0xFFu;
          sum[1] += (p >> 8) & 0xFFu;
          sum[2] += (p >> 16) & 0xFFu;
          sum[3] += p >> 24;
          ++count;
        }
      }
      if (count == 0) continue;
      const RAST_pixel s = (sum[0] / count) | (sum[1] / count) << 8 | (sum[2] / count) << 16 |
                           (sum[3] / count) << 24;
      d[i] = RAST_ApplyBlitOp<Op>(d[i], s, weight);
    }
  }
}

void RunBox(RAST_BlitOp op, const RAST_CoreJob& j, int half, RAST_Weight weight) {
  RAST_DispatchBlitOp(op, [&](auto o) { BoxLoop<decltype(o)::value>(j, half, weight); });
}

// trunc(v * 65536.0) in 64 bits; positions beyond +-2^40 source pixels are treated as far
// outside (they can never be read).
i64 ToFixed(double v) {
  v *= 65536.0;
  constexpr double kLimit = 72057594037927936.0;  // 2^56
  if (!(v == v)) return 0;
  if (v > kLimit) return static_cast<i64>(kLimit);
  if (v < -kLimit) return -static_cast<i64>(kLimit);
  return static_cast<i64>(v);
}

bool NearInteger(float v) {
  return std::fabs(v - std::floor(v + 0.5f)) < 0.03f;
}

}  // namespace

void RAST_ScaledBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float alpha,
                     RAST_BlendMode mode) {
  if (!dest || !src || dstw == 0 || dsth == 0 || alpha == 0.0f) return;
  if (!std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) || !std::isfinite(srch))
    return;
  const bool bilinear = mode.isBilinear();
  if (std::fabs(srcw - static_cast<float>(dstw)) < 0.001f &&
      std::fabs(srch - static_cast<float>(dsth)) < 0.001f &&
      (!bilinear || (NearInteger(srcx) && NearInteger(srcy)))) {
    const double l = std::trunc(static_cast<double>(srcx) + 0.5),
                 t = std::trunc(static_cast<double>(srcy) + 0.5);
    if (std::fabs(l) > 1e9 || std::fabs(t) > 1e9) return;
    const int li = static_cast<int>(l), ti = static_cast<int>(t);
    RAST_Blit(dest, src, dstx, dsty, li, ti, dstw, dsth, alpha, mode);
    return;
  }
  // Past the hand-over no loop knows the single-channel copy of the rectangle blit.
  if (mode.isChannelCopy()) return;

  i64 x = dstx, y = dsty, w = dstw, h = dsth;
  double fx = srcx, fy = srcy, fw = srcw, fh = srch;
  rast_sample::MirrorNegativeExtent(x, w, fx, fw);
  rast_sample::MirrorNegativeExtent(y, h, fy, fh);
  const float xstep = static_cast<float>(fw) / static_cast<float>(w);
  const float ystep = static_cast<float>(fh) / static_cast<float>(h);
  const RAST_BitmapRows dr(dest), sr(src);
  const i64 destW = dest->getWidth(), destH = dest->getHeight();
  if (x < 0) {
    fx += static_cast<double>(-x) * xstep;
    w += x;
    x = 0;
  }
  if (y < 0) {
    fy += static_cast<double>(-y) * ystep;
    h += y;
    y = 0;
  }
  if (w <= 0 || h <= 0 || x >= destW || y >= destH) return;
  w = std::min(w, destW - x);
  h = std::min(h, destH - y);

  i64 dx = ToFixed(xstep), dy = ToFixed(ystep), sx = ToFixed(fx), sy = ToFixed(fy);
  const i64 srcW = src->getWidth(), srcH = src->getHeight();
  // Source clipping for forward steps: skip destination pixels that sample left of the source
  // and stop before the last source column, so a bilinear right neighbour always exists.
  auto clipAxis = [](i64 step, i64& pos, i64& start, i64& len, i64 srcLen) {
    if (step <= 0) return;
    if (pos < 0) {
      const i64 n = (step - 1 - pos) / step;
      start += n;
      len -= n;
      pos += n * step;
    }
    if (len > 0 && ((len - 1) * step + pos) / 65536 >= srcLen)
      len = std::min(len, ((srcLen - 1) * 65536 - pos) / step);
  };
  clipAxis(dx, sx, x, w, srcW);
  clipAxis(dy, sy, y, h, srcH);
  if (w <= 0 || h <= 0 || !dr || !sr) return;

  const double limXf = std::trunc(std::max(fw, 0.0) + fx + 0.999999);
  const double limYf = std::trunc(std::max(fh, 0.0) + fy + 0.999999);
  const i64 limX = static_cast<i64>(std::min(limXf, static_cast<double>(srcW)));
  const i64 limY = static_cast<i64>(std::min(limYf, static_cast<double>(srcH)));
  if (limX <= 0 || limY <= 0) return;

  RAST_CoreJob core;
  core.dest = dr.at(static_cast<int>(x), static_cast<int>(y));
  core.destStride = dr.stride;
  core.source = sr.row0;
  core.sourceStride = sr.stride;
  core.width = static_cast<int>(w);
  core.height = static_cast<int>(h);
  core.s = sx;
  core.t = sy;
  core.dsdx = dx;
  core.dtdy = dy;
  core.limX = static_cast<u64>(limX);
  core.limY = static_cast<u64>(limY);
  if (!RAST_CoreWalkFits(core)) return;
  const RAST_Weight weight = RAST_Weight::FromAlpha(alpha);
  if ((mode.bits() & 0x1FFFF) == 0) {
    if (weight.isFull()) {
      RAST_RunCore(core, RAST_BlitOp::Store, false, weight);
      return;
    }
    if (weight.value() == 128) {
      i64 py = core.t;
      for (int row = 0; row < core.height; ++row, py += core.dtdy) {
        if (static_cast<u64>(py >> 16) >= core.limY) continue;
        RAST_pixel* d = core.dest + row * core.destStride;
        i64 px = core.s;
        for (int i = 0; i < core.width; ++i, px += core.dsdx) {
          RAST_pixel s;
          if (rast_sample::SampleAt<false>(core.source, core.sourceStride, px, py, core.limX,
                                           core.limY, s))
            d[i] = RAST_MixHalf(d[i], s);
        }
      }
      return;
    }
  }
  const RAST_BlitOp op = RAST_SelectBlitOp(mode, weight);
  if (op == RAST_BlitOp::None) return;
  if (bilinear && xstep >= 1.7f && ystep >= 1.7f) {
    const int size = std::max(dx, dy) > 0x30000 ? 5 : 3;
    RunBox(op, core, size / 2, weight);
    return;
  }
  if (bilinear && op == RAST_BlitOp::Store && dx > 0 && dy > 0) {
    // The GUI's resized copies: one loop that reuses each source row pair and column weights.
    if (RAST_BilinearStretchStore(core)) return;
  }
  RAST_RunCore(core, op, bilinear, weight);
}
