#include "rast/rast_transform_blit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "rast/rast_blit_core.h"
#include "rast/rast_blit_sample.h"

namespace {

using i64 = std::int64_t;
using u64 = std::uint64_t;

// trunc(v * 65536), except that a value within a millionth of a 16.16 step of a whole step is
// taken as that step: sin and cos of a float angle miss exact values by ~1e-16, and truncating
// 65535.99999999999 would shift a quarter turn by a whole pixel after one row.
i64 ToFixed(double v) {
  v *= 65536.0;
  constexpr double kLimit = 72057594037927936.0;  // 2^56: far outside any source, never wraps
  if (!(v == v)) return 0;
  if (v > kLimit) return static_cast<i64>(kLimit);
  if (v < -kLimit) return -static_cast<i64>(kLimit);
  const double nearest = std::nearbyint(v);
  if (std::fabs(v - nearest) < 1e-6) return static_cast<i64>(nearest);
  return static_cast<i64>(v);
}

// The walk of a destination rectangle through the source, in double precision until the core
// converts it: position of the top-left pixel, per-pixel and per-row increments and the per-row
// change of the per-pixel increment.
struct Walk {
  double s, t, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy;

  void SkipColumns(double k) {
    s += k * dsdx;
    t += k * dtdx;
    dsdy += k * dsdxdy;
    dtdy += k * dtdxdy;
  }
  void SkipRows(double m) {
    s += m * dsdy;
    t += m * dtdy;
    dsdx += m * dsdxdy;
    dtdx += m * dtdxdy;
  }
};

// The variant that also steps the weight (16.16 in weight units) and blends with one of the six
// plain operations (copy and multiply clamped).
template <bool Bilinear>
void AlphaCoreLoop(const RAST_CoreJob& j, RAST_PixelFunc f, i64 a, i64 dadx, i64 dady, i64 dadxdy) {
  i64 rs = j.s, rt = j.t, ps = j.dsdx, pt = j.dtdx, ra = a, pa = dadx;
  for (int row = 0; row < j.height; ++row) {
    RAST_pixel* d = j.dest + row * j.destStride;
    i64 s = rs, t = rt, al = ra;
    for (int i = 0; i < j.width; ++i, s += ps, t += pt, al += pa) {
      const RAST_Weight w(static_cast<int>(std::clamp<i64>(al >> 16, -257, 257)));
      if (w.isZero()) continue;
      RAST_pixel p;
      if (rast_sample::SampleAt<Bilinear>(j.source, j.sourceStride, s, t, j.limX, j.limY, p))
        f(d + i, static_cast<int>(RAST_PixelRed(p)), static_cast<int>(RAST_PixelGreen(p)),
          static_cast<int>(RAST_PixelBlue(p)), static_cast<int>(RAST_PixelAlpha(p)), w);
    }
    rs += j.dsdy;
    rt += j.dtdy;
    ps += j.dsdxdy;
    pt += j.dtdxdy;
    ra += dady;
    pa += dadxdy;
  }
}

// The set-up shared by the rotated and step blits: limits, mirroring (by the caller's walk
// function), destination clipping. Returns false when nothing is to be drawn.
struct Setup {
  int left = 0, top = 0, right = 0, bottom = 0;
};

bool SourceLimits(RAST_IBitmap* src, float srcx, float srcy, float srcw, float srch, bool clip,
                  Setup& out) {
  const double sw = src->getWidth(), sh = src->getHeight();
  double l = 0, t = 0, r = sw, b = sh;
  if (clip) {
    l = std::max<double>(srcx, 0.0);
    t = std::max<double>(srcy, 0.0);
    r = std::min<double>(static_cast<double>(srcx) + srcw, sw);
    b = std::min<double>(static_cast<double>(srcy) + srch, sh);
  }
  if (!(r > l) || !(b > t)) return false;
  l = std::trunc(l);
  t = std::trunc(t);
  r = std::trunc(r);
  b = std::trunc(b);
  if (!(r > l) || !(b > t)) return false;
  out.left = static_cast<int>(l);
  out.top = static_cast<int>(t);
  out.right = static_cast<int>(r);
  out.bottom = static_cast<int>(b);
  return true;
}

// Clips the destination rectangle (moving the walk) and fills the core job.
bool Prepare(RAST_IBitmap* dest, RAST_IBitmap* src, i64 x, i64 y, i64 w, i64 h, Walk walk,
             const Setup& lim, RAST_CoreJob& job, int* clipX = nullptr, int* clipY = nullptr) {
  const RAST_BitmapRows dr(dest), sr(src);
  const i64 destW = dest->getWidth(), destH = dest->getHeight();
  if (y < 0) {
    walk.SkipRows(static_cast<double>(-y));
    h += y;
    y = 0;
  }
  if (x < 0) {
    walk.SkipColumns(static_cast<double>(-x));
    w += x;
    x = 0;
  }
  if (w <= 0 || h <= 0 || x >= destW || y >= destH) return false;
  w = std::min(w, destW - x);
  h = std::min(h, destH - y);
  if (!dr || !sr) return false;
  job.dest = dr.at(static_cast<int>(x), static_cast<int>(y));
  job.destStride = dr.stride;
  job.source = sr.at(lim.left, lim.top);
  job.sourceStride = sr.stride;
  job.width = static_cast<int>(w);
  job.height = static_cast<int>(h);
  if (clipX) *clipX = static_cast<int>(x);
  if (clipY) *clipY = static_cast<int>(y);
  job.s = ToFixed(walk.s - lim.left);
  job.t = ToFixed(walk.t - lim.top);
  job.dsdx = ToFixed(walk.dsdx);
  job.dtdx = ToFixed(walk.dtdx);
  job.dsdy = ToFixed(walk.dsdy);
  job.dtdy = ToFixed(walk.dtdy);
  job.dsdxdy = ToFixed(walk.dsdxdy);
  job.dtdxdy = ToFixed(walk.dtdxdy);
  job.limX = static_cast<u64>(lim.right - lim.left);
  job.limY = static_cast<u64>(lim.bottom - lim.top);
  return RAST_CoreWalkFits(job);
}

void Draw(const RAST_CoreJob& job, RAST_BlendMode mode, RAST_Weight weight) {
  const RAST_BlitOp op = RAST_SelectBlitOp(mode, weight);
  if (op == RAST_BlitOp::None) return;
  RAST_RunCore(job, op, mode.isBilinear(), weight);
}

bool Finite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

void RAST_RotatedBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                      float srcx, float srcy, float srcw, float srch, float angle,
                      bool cliptosourcerect, float alpha, RAST_BlendMode mode, float rotxcent,
                      float rotycent) {
  if (!dest || !src || dstw == 0 || dsth == 0) return;
  if (!Finite({srcx, srcy, srcw, srch, angle, rotxcent, rotycent})) return;
  Setup lim;
  if (!SourceLimits(src, srcx, srcy, srcw, srch, cliptosourcerect, lim)) return;
  i64 x = dstx, y = dsty, w = dstw, h = dsth;
  double sx = srcx, sy = srcy, sw = srcw, sh = srch;
  rast_sample::MirrorNegativeExtent(x, w, sx, sw);
  rast_sample::MirrorNegativeExtent(y, h, sy, sh);
  const double c = std::cos(static_cast<double>(angle)), s = std::sin(static_cast<double>(angle));
  const double xs = static_cast<float>(sw) / static_cast<float>(w);
  const double ys = static_cast<float>(sh) / static_cast<float>(h);
  sx -= ((h * xs * s + w * xs * c) - sw) * 0.5 - rotxcent;
  sy -= ((h * ys * c - w * ys * s) - sh) * 0.5 - rotycent;
  const Walk walk{sx, sy, xs * c, -ys * s, xs * s, ys * c, 0.0, 0.0};
  const RAST_Weight weight = RAST_Weight::FromAlpha(alpha);
  if (weight.isZero()) return;
  RAST_CoreJob job;
  if (!Prepare(dest, src, x, y, w, h, walk, lim, job)) return;
  Draw(job, mode, weight);
}

namespace {

// The step blits' set-up: the limits, mirroring and destination clipping of the walk; false when
// nothing is to be drawn.
bool StepSetup(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
               float srcx, float srcy, float srcw, float srch, double dsdx, double dtdx,
               double dsdy, double dtdy, double dsdxdy, double dtdxdy, bool clip, RAST_CoreJob& job,
               int* clipX, int* clipY) {
  if (!dest || !src || dstw == 0 || dsth == 0) return false;
  if (!Finite({srcx, srcy, srcw, srch, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy})) return false;
  Setup lim;
  if (!SourceLimits(src, srcx, srcy, srcw, srch, clip, lim)) return false;
  i64 x = dstx, y = dsty, w = dstw, h = dsth;
  double sx = srcx, sy = srcy, sw = srcw, sh = srch;
  rast_sample::MirrorNegativeExtent(x, w, sx, sw);
  rast_sample::MirrorNegativeExtent(y, h, sy, sh);
  return Prepare(dest, src, x, y, w, h, Walk{sx, sy, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy}, lim,
                 job, clipX, clipY);
}

}  // namespace

void RAST_StepBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                   float srcx, float srcy, float srcw, float srch, double dsdx, double dtdx,
                   double dsdy, double dtdy, double dsdxdy, double dtdxdy, bool cliptosourcerect,
                   float alpha, RAST_BlendMode mode) {
  const RAST_Weight weight = RAST_Weight::FromAlpha(alpha);
  if (weight.isZero()) return;
  RAST_CoreJob job;
  if (!StepSetup(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, dsdx, dtdx, dsdy, dtdy,
                 dsdxdy, dtdxdy, cliptosourcerect, job, nullptr, nullptr))
    return;
  Draw(job, mode, weight);
}

void RAST_StepBlitAlpha(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw,
                        int dsth, float srcx, float srcy, float srcw, float srch, double dsdx,
                        double dtdx, double dsdy, double dtdy, double dsdxdy, double dtdxdy,
                        bool cliptosourcerect, double alpha, double dadx, double dady,
                        double dadxdy, RAST_BlendMode mode) {
  const double aw = std::fabs(static_cast<double>(dstw)), ah = std::fabs(static_cast<double>(dsth));
  if (std::fabs(dadx) * aw < 0.0001 && std::fabs(dady) * ah < 0.0001 &&
      std::fabs(dadxdy) * aw * ah < 0.0001) {
    RAST_StepBlit(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, dsdx, dtdx, dsdy, dtdy,
                  dsdxdy, dtdxdy, cliptosourcerect, static_cast<float>(alpha), mode);
    return;
  }
  if (!Finite({alpha, dadx, dady, dadxdy})) return;
  static const RAST_PixelFunc kFuncs[6] = {RAST_PixCopyClamped, RAST_PixAdd,     RAST_PixDodge,
                                           RAST_PixMulClamped,  RAST_PixOverlay, RAST_PixHSV};
  if (mode.op() >= 6) return;
  const RAST_PixelFunc f = kFuncs[mode.op()];
  RAST_CoreJob job;
  int clipX = 0, clipY = 0;
  if (!StepSetup(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, dsdx, dtdx, dsdy, dtdy,
                 dsdxdy, dtdxdy, cliptosourcerect, job, &clipX, &clipY))
    return;
  // The alpha walk in weight units, moved by the same clipping as the position walk.
  Walk aw2{alpha * 256.0, 0.0, dadx * 256.0, 0.0, dady * 256.0, 0.0, dadxdy * 256.0, 0.0};
  const i64 skipRows = clipY - (dsth < 0 ? static_cast<i64>(dsty) + dsth : dsty);
  const i64 skipCols = clipX - (dstw < 0 ? static_cast<i64>(dstx) + dstw : dstx);
  if (skipRows > 0) aw2.SkipRows(static_cast<double>(skipRows));
  if (skipCols > 0) aw2.SkipColumns(static_cast<double>(skipCols));
  const i64 a0 = ToFixed(aw2.s), dadxF = ToFixed(aw2.dsdx), dadyF = ToFixed(aw2.dsdy),
            dadxdyF = ToFixed(aw2.dsdxdy);
  RAST_CoreJob alphaWalk = job;  // the alpha walk must not overflow either
  alphaWalk.s = a0;
  alphaWalk.dsdx = dadxF;
  alphaWalk.dsdy = dadyF;
  alphaWalk.dsdxdy = dadxdyF;
  if (!RAST_CoreWalkFits(alphaWalk)) return;
  if (mode.isBilinear())
    AlphaCoreLoop<true>(job, f, a0, dadxF, dadyF, dadxdyF);
  else
    AlphaCoreLoop<false>(job, f, a0, dadxF, dadyF, dadxdyF);
}

namespace {

// Cell boundaries: trunc(start + k * step + 0.5), single-precision step, double accumulation.
std::vector<int> CellEdges(int start, int size, int divisions) {
  std::vector<int> edges(static_cast<std::size_t>(divisions));
  const float step = static_cast<float>(size) / static_cast<float>(divisions - 1);
  double acc = start;
  for (int k = 0; k < divisions; ++k, acc += step)
    edges[static_cast<std::size_t>(k)] = static_cast<int>(std::trunc(acc + 0.5));
  return edges;
}

template <typename T>
void Mesh(RAST_IBitmap* dest, RAST_IBitmap* src, int x, int y, int w, int h, const T* points,
          int div_w, int div_h, int stride, RAST_BlendMode mode, float alpha) {
  if (!dest || !src || !points || w < 1 || h < 1 || div_w < 2 || div_h < 2) return;
  const std::vector<int> xs = CellEdges(x, w, div_w), ys = CellEdges(y, h, div_h);
  const float srcw = static_cast<float>(src->getWidth()),
              srch = static_cast<float>(src->getHeight());
  auto pt = [&](int col, int row, int k) {
    return static_cast<double>(points[(static_cast<std::size_t>(row) * div_w + col) * stride + k]);
  };
  for (int j = 0; j + 1 < div_h; ++j) {
    const int ch = ys[j + 1] - ys[j];
    if (ch <= 0) continue;
    for (int i = 0; i + 1 < div_w; ++i) {
      const int cw = xs[i + 1] - xs[i];
      if (cw <= 0) continue;
      double step[3][4];  // per value: start, per pixel, per row, per-row change of per pixel
      for (int k = 0; k < (stride == 3 ? 3 : 2); ++k) {
        const double p00 = pt(i, j, k), p10 = pt(i + 1, j, k), p01 = pt(i, j + 1, k),
                     p11 = pt(i + 1, j + 1, k);
        step[k][0] = p00;
        step[k][1] = (p10 - p00) / cw;
        step[k][2] = (p01 - p00) / ch;
        step[k][3] = ((p11 - p01) - (p10 - p00)) / (static_cast<double>(cw) * ch);
      }
      if (stride == 3) {
        RAST_StepBlitAlpha(dest, src, xs[i], ys[j], cw, ch, static_cast<float>(step[0][0]),
                           static_cast<float>(step[1][0]), srcw, srch, step[0][1], step[1][1],
                           step[0][2], step[1][2], step[0][3], step[1][3], false, step[2][0],
                           step[2][1], step[2][2], step[2][3], mode);
      } else {
        RAST_StepBlit(dest, src, xs[i], ys[j], cw, ch, static_cast<float>(step[0][0]),
                      static_cast<float>(step[1][0]), srcw, srch, step[0][1], step[1][1],
                      step[0][2], step[1][2], step[0][3], step[1][3], false, alpha, mode);
      }
    }
  }
}

}  // namespace

void RAST_MeshBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int x, int y, int w, int h,
                   const float* points, int div_w, int div_h, RAST_BlendMode mode, float alpha) {
  Mesh(dest, src, x, y, w, h, points, div_w, div_h, 2, mode, alpha);
}

void RAST_MeshBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int x, int y, int w, int h,
                   const double* points, int div_w, int div_h, RAST_BlendMode mode, float alpha) {
  Mesh(dest, src, x, y, w, h, points, div_w, div_h, 2, mode, alpha);
}

void RAST_MeshBlitAlpha(RAST_IBitmap* dest, RAST_IBitmap* src, int x, int y, int w, int h,
                        const double* points, int div_w, int div_h, RAST_BlendMode mode) {
  Mesh(dest, src, x, y, w, h, points, div_w, div_h, 3, mode, 1.0f);
}
