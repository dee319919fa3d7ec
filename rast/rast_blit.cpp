#include "rast/rast_blit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "rast/rast_blend_simd.h"
#include "rast/rast_clip.h"

namespace {

RAST_BlitWatcher* gWatcher = nullptr;

// One blit loop per operation, chosen once per call.
template <RAST_BlitOp Op>
void BlitRows(const RAST_BitmapRows& dr, int dx, int dy, const RAST_BitmapRows& sr, int sx, int sy,
              int w, int h, RAST_Weight weight) {
  if constexpr (Op == RAST_BlitOp::Store) {
    RAST_RectCopy(dr.at(dx, dy), dr.stride, sr.at(sx, sy), sr.stride, w, h);
    return;
  } else if constexpr (Op == RAST_BlitOp::StoreSA) {
    RAST_RectStoreSA(dr.at(dx, dy), dr.stride, sr.at(sx, sy), sr.stride, w, h);
    return;
  } else if constexpr (Op == RAST_BlitOp::Add) {
    if (weight.isFull()) {
      RAST_RectAddSaturate(dr.at(dx, dy), dr.stride, sr.at(sx, sy), sr.stride, w, h);
      return;
    }
  }
  for (int j = 0; j < h; ++j) {
    RAST_pixel* d = dr.at(dx, dy + j);
    const RAST_pixel* s = sr.at(sx, sy + j);
    for (int i = 0; i < w; ++i) d[i] = RAST_ApplyBlitOp<Op>(d[i], s[i], weight);
  }
}

}  // namespace

void RAST_WatchBlits(RAST_BlitWatcher* watcher) {
  gWatcher = watcher;
}

void RAST_Copy(RAST_IBitmap* dest, RAST_IBitmap* src) {
  if (!dest || !src) return;
  dest->resize(src->getWidth(), src->getHeight());
  RAST_Blit(dest, src, 0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
}

void RAST_Blit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, const RECT* srcrect,
               float alpha, RAST_BlendMode mode) {
  if (!dest || !src || alpha == 0.0f) return;
  // A bitmap without pixels draws nothing, so the row views can be taken first; their sizes
  // spare further calls through the interface (they count for small blits).
  const RAST_BitmapRows dr(dest), sr(src);
  if (!dr || !sr) return;
  const long long srcW = sr.width, srcH = sr.height;
  const long long dstW = dr.width, dstH = dr.height;
  long long l = 0, t = 0, r = srcW, b = srcH, dx = dstx, dy = dsty;
  if (srcrect) {
    l = srcrect->left;
    t = srcrect->top;
    r = srcrect->right;
    b = srcrect->bottom;
    if (l < 0) {
      dx -= l;
      l = 0;
    }
    if (t < 0) {
      dy -= t;
      t = 0;
    }
    r = std::min(r, srcW);
    b = std::min(b, srcH);
  }
  if (dx < 0) {
    l -= dx;
    dx = 0;
  }
  if (dy < 0) {
    t -= dy;
    dy = 0;
  }
  if (dx >= dstW || dy >= dstH || r <= l || b <= t) return;
  r = std::min(r, l + dstW - dx);
  b = std::min(b, t + dstH - dy);
  if (r - l <= 0 || b - t <= 0) return;

  const int x = static_cast<int>(dx), y = static_cast<int>(dy), sx = static_cast<int>(l),
            sy = static_cast<int>(t);
  const int w = static_cast<int>(r - l), h = static_cast<int>(b - t);
  if (gWatcher) [[unlikely]]
    gWatcher->Blit({dest, src, x, y, sx, sy, w, h, alpha, mode});

  if (mode.isChannelCopy()) {
    const int dshift = 8 * mode.channelCopyDest(), sshift = 8 * mode.channelCopySource();
    const RAST_pixel keep = ~(0xFFu << dshift);
    for (int j = 0; j < h; ++j) {
      RAST_pixel* d = dr.at(x, y + j);
      const RAST_pixel* s = sr.at(sx, sy + j);
      for (int i = 0; i < w; ++i) d[i] = (d[i] & keep) | (((s[i] >> sshift) & 0xFFu) << dshift);
    }
    return;
  }
  if (mode.blitOp() == 0) {
    if (alpha == 1.0f) {
      BlitRows<RAST_BlitOp::Store>(dr, x, y, sr, sx, sy, w, h, RAST_Weight(256));
      return;
    }
    if (alpha == 0.5f) {
      for (int j = 0; j < h; ++j) RAST_RowMixHalf(dr.at(x, y + j), sr.at(sx, sy + j), w);
      return;
    }
  }
  const RAST_Weight weight = RAST_Weight::FromAlpha(alpha);
  RAST_DispatchBlitOp(RAST_SelectBlitOp(mode, weight), [&](auto op) {
    BlitRows<decltype(op)::value>(dr, x, y, sr, sx, sy, w, h, weight);
  });
}

void RAST_Blit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float alpha, RAST_BlendMode mode) {
  // The right and bottom edges are formed in 64 bits and limited to int, so huge sizes clip
  // instead of wrapping.
  auto edge = [](int a, int b) {
    const long long v = static_cast<long long>(a) + b;
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  };
  const RECT rect{srcx, srcy, edge(srcx, srcw), edge(srcy, srch)};
  RAST_Blit(dest, src, dstx, dsty, &rect, alpha, mode);
}

// ---------------------------------------------------------------------------------------------
// Blur.

namespace {

inline RAST_pixel H1(RAST_pixel p) {
  return (p >> 1) & 0x7F7F7F7Fu;
}
inline RAST_pixel H2(RAST_pixel p) {
  return (p >> 2) & 0x3F3F3F3Fu;
}
inline RAST_pixel H3(RAST_pixel p) {
  return (p >> 3) & 0x1F1F1F1Fu;
}

// One output row from its source row c and the rows above (u) and below (d), either may be null.
void BlurRow(RAST_pixel* out, const RAST_pixel* u, const RAST_pixel* c, const RAST_pixel* d,
             int w) {
  const int last = w - 1;
  if (!u || !d) {
    const RAST_pixel* v = u ? u : d;  // the one vertical neighbour, weight 1/4
    out[0] = H1(c[0]) + H2(c[1]) + H2(v[0]);
    for (int i = 1; i < last; ++i) out[i] = H3(c[i - 1]) + H1(c[i]) + H3(c[i + 1]) + H2(v[i]);
    out[last] = H2(c[last - 1]) + H1(c[last]) + H2(v[last]);
    return;
  }
  out[0] = H1(c[0]) + H2(c[1]) + H3(u[0]) + H3(d[0]);
  for (int i = 1; i < last; ++i)
    out[i] = H3(c[i - 1]) + H1(c[i]) + H3(c[i + 1]) + H3(u[i]) + H3(d[i]);
  out[last] = H2(c[last - 1]) + H1(c[last]) + H3(u[last]) + H3(d[last]);
}

}  // namespace

void RAST_Blur(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch) {
  if (!dest || !src) return;
  const long long srcW = src->getWidth(), srcH = src->getHeight();
  const long long dstW = dest->getWidth(), dstH = dest->getHeight();
  long long x0 = std::max(srcx, 0), y0 = std::max(srcy, 0);
  long long x1 = std::min(static_cast<long long>(srcx) + srcw, srcW);
  long long y1 = std::min(static_cast<long long>(srcy) + srch, srcH);
  long long dx = std::max(dstx, 0), dy = std::max(dsty, 0);
  if (dstx < 0) x0 -= dstx;
  if (dsty < 0) y0 -= dsty;
  if (x1 <= x0 || y1 <= y0 || dx >= dstW || dy >= dstH) return;
  x1 = std::min(x1, x0 + dstW - dx);
  y1 = std::min(y1, y0 + dstH - dy);
  if (x1 - x0 < 2 || y1 - y0 < 2) return;

  const RAST_BitmapRows dr(dest), sr(src);
  if (!dr || !sr) return;
  const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
  const int sx = static_cast<int>(x0), sy = static_cast<int>(y0), ox = static_cast<int>(dx),
            oy = static_cast<int>(dy);

  if (dest != src) {
    for (int j = 0; j < h; ++j) {
      BlurRow(dr.at(ox, oy + j), j > 0 ? sr.at(sx, sy + j - 1) : nullptr, sr.at(sx, sy + j),
              j + 1 < h ? sr.at(sx, sy + j + 1) : nullptr, w);
    }
    return;
  }

  if (ox != sx || oy != sy) {
    // Same bitmap, shifted: blur from a snapshot of the source rectangle.
    std::vector<RAST_pixel> copy(static_cast<std::size_t>(w) * h);
    for (int j = 0; j < h; ++j)
      std::memcpy(&copy[static_cast<std::size_t>(j) * w], sr.at(sx, sy + j), w * 4u);
    auto row = [&](int j) { return &copy[static_cast<std::size_t>(j) * w]; };
    for (int j = 0; j < h; ++j)
      BlurRow(dr.at(ox, oy + j), j > 0 ? row(j - 1) : nullptr, row(j),
              j + 1 < h ? row(j + 1) : nullptr, w);
    return;
  }

  // In place: each row is saved before it is overwritten; the next row reads its upper
  // neighbour from that copy (every row, the last one included), its lower one from the bitmap.
  std::array<RAST_pixel, 2048> stackRows;
  std::vector<RAST_pixel> heapRows;
  RAST_pixel* rowBuffers = stackRows.data();
  if (w > 1024) {
    heapRows.resize(static_cast<std::size_t>(w) * 2);
    rowBuffers = heapRows.data();
  }
  RAST_pixel* saved[2] = {rowBuffers, rowBuffers + (w > 1024 ? w : 1024)};
  for (int j = 0; j < h; ++j) {
    RAST_pixel* current = saved[j & 1];
    std::memcpy(current, sr.at(sx, sy + j), w * 4u);
    BlurRow(dr.at(ox, oy + j), j > 0 ? saved[(j - 1) & 1] : nullptr, current,
            j + 1 < h ? sr.at(sx, sy + j + 1) : nullptr, w);
  }
}

// ---------------------------------------------------------------------------------------------
// Gradient.

namespace {

constexpr long long Clamp255L(long long v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The gradient's operations on one channel, with a source value that may lie outside 0..255
// (computed in 64 bits, every result clamped).
template <int OpIndex>
long long GradChannel(long long d, long long s, long long w) {
  if constexpr (OpIndex == 0) {
    const long long diff = (d - s) * (256 - w);
    return Clamp255L(s + diff / 256);
  } else if constexpr (OpIndex == 1) {
    return Clamp255L(d + s * w / 256);
  } else if constexpr (OpIndex == 2) {
    const long long k = 256 - s * w / 256;
    long long e = d * 256;
    if (k >= 2) e /= k;
    return Clamp255L(e);
  } else if constexpr (OpIndex == 3) {
    return Clamp255L(((s * w + (256 - w) * 256) * d) >> 16);
  } else {
    const long long v = s * w + (256 - w) * 128;
    return Clamp255L(((((32768 - v) * d) / 256 + v) * d) >> 15);
  }
}

long long ToFixed16(double v) {
  v *= 65536.0;
  if (!(v == v)) return 0;
  constexpr double kLimit = 1e15;  // keeps stepping far from 64-bit overflow
  if (v > kLimit) return static_cast<long long>(kLimit);
  if (v < -kLimit) return static_cast<long long>(-kLimit);
  return static_cast<long long>(v);
}

struct GradientState {
  long long value[4];  // red, green, blue, alpha: 16.16
  long long perPixel[4];
  long long perRow[4];
};

template <int OpIndex>
void GradientLoop(const RAST_BitmapRows& rows, int x, int y, int w, int h, GradientState g) {
  long long rowStart[4] = {g.value[0], g.value[1], g.value[2], g.value[3]};
  for (int j = 0; j < h; ++j) {
    long long v[4] = {rowStart[0], rowStart[1], rowStart[2], rowStart[3]};
    RAST_pixel* p = rows.at(x, y + j);
    for (int i = 0; i < w; ++i) {
      const long long r = v[0] >> 16, gg = v[1] >> 16, b = v[2] >> 16, a = v[3] >> 16;
      const RAST_Weight weight(
          static_cast<int>(std::clamp<long long>(a, OpIndex == 0 ? 0 : -257, 257)));
      if (OpIndex == 6) {
        p[i] = RAST_MakePixel(
            static_cast<unsigned>(Clamp255L(r)), static_cast<unsigned>(Clamp255L(gg)),
            static_cast<unsigned>(Clamp255L(b)), static_cast<unsigned>(Clamp255L(a)));
      } else if (!weight.isZero()) {
        if constexpr (OpIndex == 5) {
          auto clampInt = [](long long c) {
            return static_cast<int>(std::clamp<long long>(c, -65536, 65536));
          };
          RAST_HSVAdjustPixel(p + i, clampInt(r), clampInt(gg), clampInt(b),
                              static_cast<int>(Clamp255L(a)), weight);
        } else if constexpr (OpIndex < 5) {
          const RAST_pixel d = p[i];
          const long long wv = weight.value();
          // The alpha channel blends towards the weight itself.
          const long long na = GradChannel<OpIndex>(RAST_PixelAlpha(d), wv, wv);
          const long long nr = GradChannel<OpIndex>(RAST_PixelRed(d), r, wv);
          const long long ng = GradChannel<OpIndex>(RAST_PixelGreen(d), gg, wv);
          const long long nb = GradChannel<OpIndex>(RAST_PixelBlue(d), b, wv);
          p[i] = RAST_MakePixel(static_cast<unsigned>(nr), static_cast<unsigned>(ng),
                                static_cast<unsigned>(nb), static_cast<unsigned>(na));
        }
      }
      for (int c = 0; c < 4; ++c) v[c] += g.perPixel[c];
    }
    for (int c = 0; c < 4; ++c) rowStart[c] += g.perRow[c];
  }
}

}  // namespace

void RAST_GradientRect(RAST_IBitmap* dest, int x, int y, int w, int h, float r, float g, float b,
                       float a, float drdx, float dgdx, float dbdx, float dadx, float drdy,
                       float dgdy, float dbdy, float dady, RAST_BlendMode mode) {
  if (!dest) return;
  GradientState gs{};
  const double start[4] = {r * 255.0, g * 255.0, b * 255.0, a * 256.0};
  const double px[4] = {drdx * 255.0, dgdx * 255.0, dbdx * 255.0, dadx * 256.0};
  const double py[4] = {drdy * 255.0, dgdy * 255.0, dbdy * 255.0, dady * 256.0};
  for (int c = 0; c < 4; ++c) {
    gs.value[c] = ToFixed16(start[c]);
    gs.perPixel[c] = ToFixed16(px[c]);
    gs.perRow[c] = ToFixed16(py[c]);
  }
  const RAST_BitmapRows rows(dest);
  int cx = x, cy = y, cw = w, ch = h;
  if (!rows || !RAST_ClipRectToBitmap(cx, cy, cw, ch, rows.width, rows.height)) return;
  // The walk starts at the clipped corner. Every value it reaches must stay inside 64 bits; only
  // absurd ramps or starts far outside the bitmap fail that, and they draw nothing.
  const long long skipX = static_cast<long long>(cx) - x, skipY = static_cast<long long>(cy) - y;
  for (int c = 0; c < 4; ++c) {
    const double stepX = std::fabs(static_cast<double>(gs.perPixel[c]));
    const double stepY = std::fabs(static_cast<double>(gs.perRow[c]));
    const double reach = std::fabs(static_cast<double>(gs.value[c])) +
                         static_cast<double>(skipX + cw) * stepX +
                         static_cast<double>(skipY + ch) * stepY;
    if (!(reach < 0x1p62)) return;
  }
  for (int c = 0; c < 4; ++c) gs.value[c] += skipX * gs.perPixel[c] + skipY * gs.perRow[c];
  // A constant full weight in copy mode is a plain store of the clamped colour (the copy's result
  // there).
  if (mode.op() == 0 && gs.perPixel[3] == 0 && gs.perRow[3] == 0 && (gs.value[3] >> 16) >= 256) {
    GradientLoop<6>(rows, cx, cy, cw, ch, gs);
    return;
  }
  RAST_DispatchSolidOp(mode.op(), [&](auto op) {
    GradientLoop<static_cast<int>(decltype(op)::value)>(rows, cx, cy, cw, ch, gs);
  });
}
