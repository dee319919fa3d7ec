// Scaled blit: hand-over to the unscaled blit, mirroring, bilinear edges, box-filter choice and
// random stretches against a slow reference; bilinear arithmetic against the plain formula.
#include <gtest/gtest.h>

#include <cmath>

#include "rast/rast_blend_simd.h"
#include "rast/rast_blit.h"
#include "rast/rast_blit_core.h"
#include "rast/rast_blit_sample.h"
#include "rast/rast_scaled_blit.h"
#include "tests/rast/blit_reference.h"

using namespace rast_test;

namespace {

// A bitmap whose storage is exactly its pixels, so any read or write beyond the first or last
// row is caught by the address sanitizer.
class ExactBitmap : public GuardedBitmap {
 public:
  ExactBitmap(int w, int h, bool flipped = false) : GuardedBitmap(w, h, flipped, 0, 0, 0, 0) {}
  void Fill(std::mt19937& rng) {
    for (auto& p : mStore) p = static_cast<RAST_pixel>(rng());
  }
};

RAST_pixel RefBilerp(RAST_pixel p00, RAST_pixel p10, RAST_pixel p01, RAST_pixel p11, unsigned fx,
                     unsigned fy) {
  const long long w11 = (static_cast<long long>(fx) * fy) >> 16;
  const long long w01 = fy - w11, w10 = fx - w11, w00 = 0x10000 - fx - fy + w11;
  int v[4];
  for (int c = 0; c < 4; ++c)
    v[c] = static_cast<int>(
        (Chan(p00, c) * w00 + Chan(p10, c) * w10 + Chan(p01, c) * w01 + Chan(p11, c) * w11) >> 16);
  return Join(v);
}

RAST_pixel RefLerp(RAST_pixel a, RAST_pixel b, unsigned f) {
  int v[4];
  for (int c = 0; c < 4; ++c)
    v[c] = static_cast<int>((static_cast<long long>(Chan(b, c)) * f +
                             static_cast<long long>(Chan(a, c)) * (0x10000 - f)) >>
                            16);
  return Join(v);
}

// The scaled blit's steps, written out per destination pixel.
void ReferenceScaled(CanvasBitmap& dest, CanvasBitmap& src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float alpha, int mode) {
  if (dstw == 0 || dsth == 0 || alpha == 0.0f) return;
  const bool bilinear = (mode & 0xFF00) == 0x100;
  auto nearInt = [](float v) { return std::fabs(v - std::floor(v + 0.5f)) < 0.03f; };
  if (std::fabs(srcw - dstw) < 0.001f && std::fabs(srch - dsth) < 0.001f &&
      (!bilinear || (nearInt(srcx) && nearInt(srcy)))) {
    const int l = static_cast<int>(srcx + 0.5), t = static_cast<int>(srcy + 0.5);
    const RECT rc{l, t, l + dstw, t + dsth};
    RAST_Blit(&dest, &src, dstx, dsty, &rc, alpha,
              RAST_BlendMode(mode));  // the unscaled blit is tested apart
    return;
  }
  long long x = dstx, y = dsty, w = dstw, h = dsth;
  double fx = srcx, fy = srcy, fw = srcw, fh = srch;
  if (w < 0) {
    x += w;
    w = -w;
    fx += fw;
    fw = -fw;
  }
  if (h < 0) {
    y += h;
    h = -h;
    fy += fh;
    fh = -fh;
  }
  const float xstep = static_cast<float>(fw) / w, ystep = static_cast<float>(fh) / h;
  if (x < 0) {
    fx += -x * static_cast<double>(xstep);
    w += x;
    x = 0;
  }
  if (y < 0) {
    fy += -y * static_cast<double>(ystep);
    h += y;
    y = 0;
  }
  if (w <= 0 || h <= 0 || x >= dest.getWidth() || y >= dest.getHeight()) return;
  w = std::min<long long>(w, dest.getWidth() - x);
  h = std::min<long long>(h, dest.getHeight() - y);
  long long dx = static_cast<long long>(xstep * 65536.0),
            dy = static_cast<long long>(ystep * 65536.0);
  long long sx = static_cast<long long>(fx * 65536.0), sy = static_cast<long long>(fy * 65536.0);
  for (int axis = 0; axis < 2; ++axis) {
    long long& step = axis ? dy : dx;
    long long& pos = axis ? sy : sx;
    long long& start = axis ? y : x;
    long long& len = axis ? h : w;
    const long long srcLen = axis ? src.getHeight() : src.getWidth();
    if (step <= 0) continue;
    if (pos < 0) {
      const long long n = (step - 1 - pos) / step;
      start += n;
      len -= n;
      pos += n * step;
    }
    if (len > 0 && ((len - 1) * step + pos) / 65536 >= srcLen)
      len = std::min(len, ((srcLen - 1) * 65536 - pos) / step);
  }
  if (w <= 0 || h <= 0) return;
  const long long limX = std::min<long long>(
      static_cast<long long>(std::max(fw, 0.0) + fx + 0.999999), src.getWidth());
  const long long limY = std::min<long long>(
      static_cast<long long>(std::max(fh, 0.0) + fy + 0.999999), src.getHeight());
  if (limX <= 0 || limY <= 0) return;
  const int a = WeightOf(alpha);
  const bool box = bilinear && xstep >= 1.7f && ystep >= 1.7f;
  const int half = std::max(dx, dy) > 0x30000 ? 2 : 1;
  for (long long j = 0; j < h; ++j)
    for (long long i = 0; i < w; ++i) {
      const long long px = sx + i * dx, py = sy + j * dy;
      const long long col = px >> 16, row = py >> 16;
      if (col < 0 || row < 0 || col >= limX || row >= limY) continue;
      RAST_pixel s;
      if ((mode & 0x1FFFF) == 0 && (a == 256 || a == 128)) {
        s = src.at(static_cast<int>(col), static_cast<int>(row));
      } else if (box) {
        long long sum[4] = {0, 0, 0, 0}, n = 0;
        for (long long ty = row - half; ty <= row + half; ++ty) {
          if (ty < 0) continue;
          if (ty >= limY) break;
          for (long long tx = col - half; tx <= col + half; ++tx) {
            if (tx < 0 || tx >= limX) continue;
            for (int c = 0; c < 4; ++c)
              sum[c] += Chan(src.at(static_cast<int>(tx), static_cast<int>(ty)), c);
            ++n;
          }
        }
        int v[4];
        for (int c = 0; c < 4; ++c) v[c] = static_cast<int>(sum[c] / n);
        s = Join(v);
      } else if (!bilinear) {
        s = src.at(static_cast<int>(col), static_cast<int>(row));
      } else {
        const unsigned ffx = static_cast<unsigned>(px & 0xFFFF),
                       ffy = static_cast<unsigned>(py & 0xFFFF);
        auto P = [&](long long c, long long r) {
          return src.at(static_cast<int>(c), static_cast<int>(r));
        };
        if (col + 1 < limX && row + 1 < limY)
          s = RefBilerp(P(col, row), P(col + 1, row), P(col, row + 1), P(col + 1, row + 1), ffx,
                        ffy);
        else if (row + 1 < limY)
          s = RefLerp(P(col, row), P(col, row + 1), ffy);
        else if (col + 1 < limX)
          s = RefLerp(P(col, row), P(col + 1, row), ffx);
        else
          s = P(col, row);
      }
      RAST_pixel& d = dest.at(static_cast<int>(x + i), static_cast<int>(y + j));
      if ((mode & 0x1FFFF) == 0 && a == 128)
        d = ((s >> 1) & 0x7F7F7F7Fu) + ((d >> 1) & 0x7F7F7F7Fu);
      else
        d = RefBlit(mode, d, s, a);
    }
}

}  // namespace

TEST(Bilinear, InterpolationMatchesThePlainFormula) {
  std::mt19937 rng(12);
  for (int i = 0; i < 300000; ++i) {
    const RAST_pixel p[4] = {static_cast<RAST_pixel>(rng()), static_cast<RAST_pixel>(rng()),
                             static_cast<RAST_pixel>(rng()), static_cast<RAST_pixel>(rng())};
    unsigned fx = rng() & 0xFFFF, fy = rng() & 0xFFFF;
    if (i % 7 == 0) fx = 0;
    if (i % 11 == 0) fy = 0;
    if (i % 13 == 0) fx = 0xFFFF;
    ASSERT_EQ(rast_sample::Bilerp(p[0], p[1], p[2], p[3], fx, fy),
              RefBilerp(p[0], p[1], p[2], p[3], fx, fy));
    ASSERT_EQ(rast_sample::Lerp(p[0], p[1], fx), RefLerp(p[0], p[1], fx));
  }
  EXPECT_EQ(rast_sample::Bilerp(0xFFFFFFFFu, 0, 0, 0, 0, 0), 0xFFFFFFFFu);  // weight 0x10000
}

TEST(ScaledBlit, RandomStretchesMatchReference) {
  std::mt19937 rng(31);
  static const int kModes[] = {0,       0x100,   1, 0x101,   3, 0x10000, 0x10100,
                               0x10101, 0x10104, 5, 0x10105, 2, 6,       0x200};
  static const float kAlphas[] = {1.0f, 0.5f, 0.3f, 1.2f, 0.0f};
  int drawn = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    const int sw = 1 + static_cast<int>(rng() % 20), sh = 1 + static_cast<int>(rng() % 20);
    const int dw = 1 + static_cast<int>(rng() % 20), dh = 1 + static_cast<int>(rng() % 20);
    CanvasBitmap src(sw, sh, rng() & 1), dest(dw, dh, rng() & 1), want(dw, dh);
    src.FillWithAlphaMix(rng);
    dest.Fill(rng);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) want.at(x, y) = dest.at(x, y);
    const int dstw = static_cast<int>(rng() % 50) - 12, dsth = static_cast<int>(rng() % 50) - 12;
    const int dstx = static_cast<int>(rng() % 30) - 8, dsty = static_cast<int>(rng() % 30) - 8;
    auto coord = [&](int size) {
      return static_cast<float>(static_cast<int>(rng() % (size * 16 + 32)) - 16) / 16.0f;
    };
    auto extent = [&](int size) {
      return static_cast<float>(static_cast<int>(rng() % (size * 40)) - size * 6) / 16.0f;
    };
    const float srcx = coord(sw), srcy = coord(sh), srcw = extent(sw), srch = extent(sh);
    const int mode = kModes[rng() % (sizeof(kModes) / sizeof(kModes[0]))];
    const float alpha = kAlphas[rng() % 5];
    const std::vector<RAST_pixel> before = dest.Pixels();
    RAST_ScaledBlit(&dest, &src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, alpha,
                    RAST_BlendMode(mode));
    ReferenceScaled(want, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, alpha, mode);
    ASSERT_EQ(dest.Pixels(), want.Pixels())
        << iter << ": " << dstx << "," << dsty << " " << dstw << "x" << dsth << " from " << srcx
        << "," << srcy << " " << srcw << "x" << srch << " mode " << std::hex << mode;
    ASSERT_TRUE(dest.CanariesIntact());
    drawn += dest.Pixels() != before;
  }
  EXPECT_GT(drawn, 250);  // a fair share of the random cases do draw
}

TEST(ScaledBlit, HandOverToTheUnscaledBlit) {
  std::mt19937 rng(1);
  CanvasBitmap src(120, 3), a(100, 3), b(100, 3);
  src.Fill(rng);
  RAST_ScaledBlit(&a, &src, 0, 0, 100, 3, 10.0f, 0.0f, 100.0005f, 3.0f, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_Blit(&b, &src, 0, 0, 10, 0, 100, 3, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  // Bilinear at a half-pixel offset is not a whole position: it interpolates.
  CanvasBitmap c(100, 3);
  RAST_ScaledBlit(&c, &src, 0, 0, 100, 3, 10.5f, 0.0f, 100.0005f, 3.0f, 1.0f,
                  RAST_BLIT_FILTER_BILINEAR);
  EXPECT_NE(c.Pixels(), b.Pixels());
  EXPECT_EQ(c.at(0, 0), rast_sample::Bilerp(src.at(10, 0), src.at(11, 0), src.at(10, 1),
                                            src.at(11, 1), 0x8000, 0));
}

TEST(ScaledBlit, ChannelCopyOnlyThroughTheHandOver) {
  std::mt19937 rng(4);
  CanvasBitmap src(8, 4), a(8, 4), b(8, 4);
  src.Fill(rng);
  a.Fill(rng);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) b.at(x, y) = a.at(x, y);
  // Same size: the call is the rectangle blit, which copies red into alpha.
  const RAST_BlendMode redToAlpha = RAST_BLIT_MODE_CHANNEL_COPY(0, 1);
  RAST_ScaledBlit(&a, &src, 0, 0, 8, 4, 0.0f, 0.0f, 8.0f, 4.0f, 1.0f, redToAlpha);
  RAST_Blit(&b, &src, 0, 0, nullptr, 1.0f, redToAlpha);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  EXPECT_EQ(RAST_PixelAlpha(a.at(3, 2)), RAST_PixelRed(src.at(3, 2)));
  // Scaled: no loop of the scaled blit knows the channel copy, so nothing changes.
  RAST_ScaledBlit(&a, &src, 0, 0, 8, 4, 0.0f, 0.0f, 4.0f, 2.0f, 1.0f, redToAlpha);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  EXPECT_TRUE(a.CanariesIntact());
}

TEST(ScaledBlit, MirroredNearestLeavesTheOutsideSampleAlone) {
  CanvasBitmap src(50, 1), dest(100, 1);
  for (int x = 0; x < 50; ++x) src.at(x, 0) = static_cast<RAST_pixel>(1000 + x);
  for (int x = 0; x < 100; ++x) dest.at(x, 0) = 7;
  RAST_ScaledBlit(&dest, &src, 60, 0, -50, 1, 0.0f, 0.0f, 50.0f, 1.0f, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.at(10, 0), 7u);  // samples column 50: outside
  for (int i = 1; i < 50; ++i)
    EXPECT_EQ(dest.at(10 + i, 0), static_cast<RAST_pixel>(1000 + 50 - i)) << i;
  EXPECT_EQ(dest.at(60, 0), 7u);
  EXPECT_TRUE(dest.CanariesIntact());
}

TEST(ScaledBlit, BoxFilterForStrongReductions) {
  CanvasBitmap src(100, 100), half(50, 50), quarter(28, 28);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      src.at(x, y) = static_cast<RAST_pixel>((x * 7 + y * 13) & 0xFF) * 0x01010101u;
  RAST_ScaledBlit(&half, &src, 0, 0, 50, 50, 0, 0, 100, 100, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  // Step 2.0: a 3 x 3 window around the sample (10, 10) for destination (5, 5).
  unsigned sum = 0;
  for (int y = 9; y <= 11; ++y)
    for (int x = 9; x <= 11; ++x) sum += RAST_PixelAlpha(src.at(x, y));
  EXPECT_EQ(RAST_PixelAlpha(half.at(5, 5)), sum / 9);
  // Step 3.5: a 5 x 5 window around (14, 14) for destination (4, 4) (14 = trunc(4 * 3.5)).
  RAST_ScaledBlit(&quarter, &src, 0, 0, 28, 28, 0, 0, 98, 98, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  sum = 0;
  for (int y = 12; y <= 16; ++y)
    for (int x = 12; x <= 16; ++x) sum += RAST_PixelAlpha(src.at(x, y));
  EXPECT_EQ(RAST_PixelAlpha(quarter.at(4, 4)), sum / 25);
  // The top-left window is cut by the edges: 2 x 2 taps.
  EXPECT_EQ(RAST_PixelAlpha(half.at(0, 0)),
            (RAST_PixelAlpha(src.at(0, 0)) + RAST_PixelAlpha(src.at(1, 0)) +
             RAST_PixelAlpha(src.at(0, 1)) + RAST_PixelAlpha(src.at(1, 1))) /
                4);
}

TEST(ScaledBlit, BilinearLastColumnAndRightEdge) {
  CanvasBitmap src(10, 2), dest(20, 1);
  for (int x = 0; x < 10; ++x) {
    src.at(x, 0) = static_cast<RAST_pixel>(x * 20) * 0x01010101u;
    src.at(x, 1) = src.at(x, 0);
  }
  RAST_ScaledBlit(&dest, &src, 0, 0, 20, 1, 0, 0, 10, 0.5f, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  EXPECT_EQ(dest.at(18, 0),
            src.at(9, 0));  // the last column is taken without horizontal interpolation
  EXPECT_EQ(dest.at(19, 0), src.at(9, 0));
  EXPECT_EQ(dest.at(17, 0), static_cast<RAST_pixel>(170) * 0x01010101u);
  // A source rectangle past the right edge shortens the destination row instead.
  CanvasBitmap d2(40, 1);
  for (int x = 0; x < 40; ++x) d2.at(x, 0) = 3;
  RAST_ScaledBlit(&d2, &src, 0, 0, 40, 1, 0, 0, 20, 0.5f, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  EXPECT_EQ(d2.at(17, 0), static_cast<RAST_pixel>(170) * 0x01010101u);
  EXPECT_EQ(d2.at(18, 0), 3u);
  EXPECT_TRUE(d2.CanariesIntact());
}

TEST(ScaledBlit, BilinearCopyAtFullAlphaIsNotTheNearestLoop) {
  CanvasBitmap src(2, 2), dest(4, 4);
  src.at(0, 0) = 0;
  src.at(1, 0) = 0xFFFFFFFFu;
  src.at(0, 1) = 0;
  src.at(1, 1) = 0xFFFFFFFFu;
  RAST_ScaledBlit(&dest, &src, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  EXPECT_EQ(dest.at(1, 0), 0x7F7F7F7Fu);  // halfway between columns 0 and 1
  RAST_ScaledBlit(&dest, &src, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.at(1, 0), 0u);
}

TEST(ScaledBlit, ReadsStayInsideTheSource) {
  std::mt19937 rng(77);
  for (int iter = 0; iter < 400; ++iter) {
    const int sw = 1 + static_cast<int>(rng() % 9), sh = 1 + static_cast<int>(rng() % 9);
    ExactBitmap src(sw, sh, rng() & 1), dest(12, 12, rng() & 1);
    src.Fill(rng);
    const float sx = static_cast<float>(static_cast<int>(rng() % 200) - 100) / 8.0f;
    const float sy = static_cast<float>(static_cast<int>(rng() % 200) - 100) / 8.0f;
    const float w = static_cast<float>(static_cast<int>(rng() % 300) - 150) / 8.0f;
    const float h = static_cast<float>(static_cast<int>(rng() % 300) - 150) / 8.0f;
    RAST_ScaledBlit(&dest, &src, static_cast<int>(rng() % 20) - 5, static_cast<int>(rng() % 20) - 5,
                    static_cast<int>(rng() % 40) - 20, static_cast<int>(rng() % 40) - 20, sx, sy, w,
                    h, 0.7f, RAST_BlendMode(rng() % 2 ? 0x10100 : 0x100));
  }
  CanvasBitmap d(4, 4);
  RAST_ScaledBlit(&d, &d, 0, 0, 4, 4, 1e30f, 0, 4, 4, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  RAST_ScaledBlit(&d, &d, 0, 0, 4, 4, std::nanf(""), 0, 2, 4, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  RAST_ScaledBlit(&d, &d, 0, 0, 4, 4, 0, 0, 1e30f, 4, 1.0f, RAST_BLIT_FILTER_BILINEAR);
  EXPECT_TRUE(d.CanariesIntact());
}

TEST(Bilinear, VectorFetchMatchesOneSampleAtATime) {
  std::mt19937 rng(19);
  for (int iter = 0; iter < 800; ++iter) {
    RAST_LimitToBaselineVectors(iter % 2 == 1);
    const int w = 2 + static_cast<int>(rng() % 40), h = 2 + static_cast<int>(rng() % 40);
    ExactBitmap src(w, h, rng() & 1);
    src.Fill(rng);
    const RAST_BitmapRows rows(&src);
    // A walk that stays in the interior: both ends inside columns 0..w-2 and rows 0..h-2.
    const std::int64_t limS = static_cast<std::int64_t>(w - 1) * 65536 - 1,
                       limT = static_cast<std::int64_t>(h - 1) * 65536 - 1;
    const int n = 1 + static_cast<int>(rng() % 40);
    const std::int64_t s0 = static_cast<std::int64_t>(rng() % static_cast<unsigned>(limS + 1));
    const std::int64_t t0 = static_cast<std::int64_t>(rng() % static_cast<unsigned>(limT + 1));
    const std::int64_t s1 = static_cast<std::int64_t>(rng() % static_cast<unsigned>(limS + 1));
    const std::int64_t t1 = static_cast<std::int64_t>(rng() % static_cast<unsigned>(limT + 1));
    const std::int64_t ds = n > 1 ? (s1 - s0) / (n - 1) : 0, dt = n > 1 ? (t1 - t0) / (n - 1) : 0;
    std::vector<RAST_pixel> got(static_cast<std::size_t>(n));
    const std::int64_t usedDt = rng() % 2 ? dt : 0;  // a level walk takes the window path
    RAST_FetchBilinearInterior(got.data(), rows.row0, rows.stride, s0, t0, ds, usedDt, n, w);
    for (int i = 0; i < n; ++i) {
      const std::int64_t s = s0 + i * ds, t = t0 + i * usedDt;
      const RAST_pixel* p = rows.row0 + (t >> 16) * rows.stride + (s >> 16);
      ASSERT_EQ(got[static_cast<std::size_t>(i)],
                RefBilerp(p[0], p[1], p[rows.stride], p[rows.stride + 1],
                          static_cast<unsigned>(s & 0xFFFF), static_cast<unsigned>(t & 0xFFFF)))
          << iter << " sample " << i;
    }
  }
  RAST_LimitToBaselineVectors(false);
}

// Enlargements and mild reductions stored at full weight take the row-pair loop; wide ones go
// in column strips. Both vector paths, extreme channel contrasts (every difference at its
// largest), sub-rectangles whose limits cut the source, against the per-pixel reference.
TEST(ScaledBlit, BilinearStretchMatchesReferenceOnBothVectorPaths) {
  std::mt19937 rng(41);
  static const RAST_pixel kExtremes[] = {0u, 0xFFFFFFFFu, 0xFF00FF00u, 0x00FF00FFu, 0xFF0000FFu};
  for (int iter = 0; iter < 120; ++iter) {
    RAST_LimitToBaselineVectors(iter % 2 == 1);
    const bool wide = iter % 5 == 0;
    const int sw = 2 + static_cast<int>(rng() % (wide ? 900 : 60)),
              sh = 2 + static_cast<int>(rng() % 6);
    const int dw = 1 + static_cast<int>(rng() % (wide ? 1400 : 90)),
              dh = 1 + static_cast<int>(rng() % 8);
    CanvasBitmap src(sw, sh, rng() & 1), dest(dw, dh, rng() & 1), want(dw, dh);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x)
        src.at(x, y) = rng() % 3 ? kExtremes[rng() % 5] : static_cast<RAST_pixel>(rng());
    dest.Fill(rng);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) want.at(x, y) = dest.at(x, y);
    const float srcx = static_cast<float>(rng() % 64) / 16.0f,
                srcy = static_cast<float>(rng() % 16) / 16.0f;
    // From a strong enlargement to a step just below the box filter's 1.7.
    const float srcw =
        std::max(1.0f, static_cast<float>(sw) * static_cast<float>(20 + rng() % 130) / 100.0f);
    const float srch =
        std::max(1.0f, static_cast<float>(sh) * static_cast<float>(20 + rng() % 100) / 100.0f);
    const int dstx = static_cast<int>(rng() % 9) - 4, dsty = static_cast<int>(rng() % 5) - 2;
    const int dstw =
        std::max(2, static_cast<int>(srcw * static_cast<float>(60 + rng() % 300) / 100.0f));
    const int dsth = 2 + static_cast<int>(rng() % 10);
    RAST_ScaledBlit(&dest, &src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, 1.0f,
                    RAST_BLIT_FILTER_BILINEAR);
    ReferenceScaled(want, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, 1.0f, 0x100);
    ASSERT_EQ(dest.Pixels(), want.Pixels())
        << iter << ": " << dstx << "," << dsty << " " << dstw << "x" << dsth << " from " << srcx
        << "," << srcy << " " << srcw << "x" << srch;
    ASSERT_TRUE(dest.CanariesIntact());
  }
  // Across the strip boundary, whole rows against the reference.
  for (int baseline = 0; baseline < 2; ++baseline) {
    RAST_LimitToBaselineVectors(baseline == 1);
    CanvasBitmap src(900, 4), dest(1500, 3), want(1500, 3);
    src.Fill(rng);
    RAST_ScaledBlit(&dest, &src, 0, 0, 1500, 3, 0.5f, 0.25f, 899.0f, 2.0f, 1.0f,
                    RAST_BLIT_FILTER_BILINEAR);
    ReferenceScaled(want, src, 0, 0, 1500, 3, 0.5f, 0.25f, 899.0f, 2.0f, 1.0f, 0x100);
    EXPECT_EQ(dest.Pixels(), want.Pixels());
  }
  RAST_LimitToBaselineVectors(false);
  // A source whose storage is exactly its pixels: no read past the last row or column.
  for (int baseline = 0; baseline < 2; ++baseline) {
    RAST_LimitToBaselineVectors(baseline == 1);
    ExactBitmap src(37, 5, baseline == 1), dest(1500, 9);  // wider than one strip
    src.Fill(rng);
    RAST_ScaledBlit(&dest, &src, 0, 0, 1500, 9, 0.25f, 0.5f, 37.0f, 5.0f, 1.0f,
                    RAST_BLIT_FILTER_BILINEAR);
    EXPECT_EQ(dest.at(0, 0), rast_sample::Bilerp(src.at(0, 0), src.at(1, 0), src.at(0, 1),
                                                 src.at(1, 1), 0x4000, 0x8000));
  }
  RAST_LimitToBaselineVectors(false);
}
