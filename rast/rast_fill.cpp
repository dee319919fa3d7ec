#include "rast/rast_fill.h"

#include <algorithm>
#include <cstdint>

#include "rast/rast_blend_simd.h"
#include "rast/rast_clip.h"

using rast_blend_detail::Clamp255;

namespace {

// Fill of one pixel in a non-store mode: the colour channels blend with the colour, the alpha
// channel with the weight itself as its source value (which may be 256, so it is computed apart).
template <RAST_SolidOp Op>
inline RAST_pixel FillPixel(RAST_pixel d, RAST_pixel colorRGB, int a) {
  const RAST_Weight w(a);
  const int da = static_cast<int>(RAST_PixelAlpha(d));
  if constexpr (Op == RAST_SolidOp::HSV) {
    RAST_pixel out = d;
    RAST_HSVAdjustPixel(&out, static_cast<int>(RAST_PixelRed(colorRGB)),
                        static_cast<int>(RAST_PixelGreen(colorRGB)),
                        static_cast<int>(RAST_PixelBlue(colorRGB)), a > 255 ? 255 : (a < 0 ? 0 : a),
                        w);
    return out;
  } else {
    const RAST_pixel rgb = RAST_SolidBlend<Op>(d, colorRGB, w) & 0xFFFFFF00u;
    int alpha;
    if constexpr (Op == RAST_SolidOp::Copy)
      alpha = rast_blend_detail::CopyChannel(da, a, a);
    else if constexpr (Op == RAST_SolidOp::Add)
      alpha = rast_blend_detail::AddChannel(da, a, a);
    else if constexpr (Op == RAST_SolidOp::Dodge)
      alpha = rast_blend_detail::DodgeChannel(da, a, a);
    else if constexpr (Op == RAST_SolidOp::Mul)
      alpha = rast_blend_detail::MulChannel(da, a, a);
    else
      alpha = rast_blend_detail::OverlayChannel(da, a, a);
    return rgb | static_cast<RAST_pixel>(Clamp255(alpha));
  }
}

template <RAST_SolidOp Op>
void FillLoop(const RAST_BitmapRows& rows, int x, int y, int w, int h, RAST_pixel colorRGB, int a) {
  for (int j = 0; j < h; ++j) {
    RAST_pixel* p = rows.at(x, y + j);
    for (int i = 0; i < w; ++i) p[i] = FillPixel<Op>(p[i], colorRGB, a);
  }
}

template <typename F>
void WordLoop(const RAST_BitmapRows& rows, int x, int y, int w, int h, F f) {
  for (int j = 0; j < h; ++j) {
    RAST_pixel* p = rows.at(x, y + j);
    for (int i = 0; i < w; ++i) p[i] = f(p[i]);
  }
}

}  // namespace

void RAST_Clear(RAST_IBitmap* bm, RAST_pixel color) {
  RAST_BitmapRows rows(bm);
  if (!rows) return;
  for (int j = 0; j < rows.height; ++j) RAST_RowFill(rows.row(j), color, rows.width);
}

void RAST_FillRect(RAST_IBitmap* bm, int x, int y, int w, int h, RAST_pixel color, float alpha,
                   RAST_BlendMode mode) {
  if (!bm) return;
  if (mode.usesSourceAlpha()) alpha *= static_cast<float>(RAST_PixelAlpha(color)) / 255.0f;
  if (alpha == 0.0f) return;
  RAST_BitmapRows rows(bm);
  if (!rows || !RAST_ClipRectToBitmap(x, y, w, h, rows.width, rows.height)) return;
  const RAST_Weight weight = RAST_Weight::FromAlpha(alpha);
  const int a = weight.value();
  if (a == 0 || (mode.op() == 0 && a < 1)) return;
  if (mode.op() == 0) {
    switch (a) {
      case 256:
        if (w == rows.width && rows.stride == w && static_cast<long long>(w) * h <= INT32_MAX) {
          RAST_RowFill(rows.at(0, y), color, w * h);  // whole gapless rows: one run
          return;
        }
        for (int j = 0; j < h; ++j) RAST_RowFill(rows.at(x, y + j), color, w);
        return;
      case 128:
        WordLoop(rows, x, y, w, h, [color](RAST_pixel d) { return RAST_MixHalf(d, color); });
        return;
      case 64:
        WordLoop(rows, x, y, w, h, [color](RAST_pixel d) { return RAST_MixQuarter(d, color); });
        return;
      case 192:
        WordLoop(rows, x, y, w, h,
                 [color](RAST_pixel d) { return RAST_MixThreeQuarter(d, color); });
        return;
      default:
        break;
    }
  }
  const RAST_pixel rgb = color & 0xFFFFFF00u;
  RAST_DispatchSolidOp(mode.op(),
                       [&](auto op) { FillLoop<decltype(op)::value>(rows, x, y, w, h, rgb, a); });
}

void RAST_ClearRect(RAST_IBitmap* bm, int x, int y, int w, int h, RAST_pixel mask,
                    RAST_pixel orbits) {
  RAST_BitmapRows rows(bm);
  if (!rows || !RAST_ClipRectToBitmap(x, y, w, h, rows.width, rows.height)) return;
  WordLoop(rows, x, y, w, h, [mask, orbits](RAST_pixel d) { return (d & mask) | orbits; });
}

namespace {
long long ToFixed8(float f) {
  const double v = static_cast<double>(f) * 256.0;
  if (!(v == v)) return 0;
  if (v > 1e15) return static_cast<long long>(1e15);
  if (v < -1e15) return static_cast<long long>(-1e15);
  return static_cast<long long>(v);
}
}  // namespace

void RAST_ScaleOffsetRect(RAST_IBitmap* bm, int x, int y, int w, int h, float rsc, float gsc,
                          float bsc, float asc, float radd, float gadd, float badd, float aadd) {
  RAST_BitmapRows rows(bm);
  if (!rows || !RAST_ClipRectToBitmap(x, y, w, h, rows.width, rows.height)) return;
  // Channel order of the pixel word: alpha, red, green, blue.
  const long long scale[4] = {ToFixed8(asc), ToFixed8(rsc), ToFixed8(gsc), ToFixed8(bsc)};
  const long long add[4] = {ToFixed8(aadd), ToFixed8(radd), ToFixed8(gadd), ToFixed8(badd)};
  WordLoop(rows, x, y, w, h, [&scale, &add](RAST_pixel d) {
    RAST_pixel out = 0;
    for (int c = 0; c < 4; ++c) {
      const long long v = (static_cast<long long>((d >> (8 * c)) & 0xFF) * scale[c] + add[c]) >> 8;
      out |= static_cast<RAST_pixel>(v < 0 ? 0 : (v > 255 ? 255 : v)) << (8 * c);
    }
    return out;
  });
}

void RAST_ForEachPixel(RAST_IBitmap* bm, int x, int y, int w, int h,
                       void (*callback)(RAST_pixel* p, void* parm), void* parm) {
  if (!callback) return;
  RAST_BitmapRows rows(bm);
  if (!rows || !RAST_ClipRectToBitmap(x, y, w, h, rows.width, rows.height)) return;
  for (int j = 0; j < h; ++j) {
    RAST_pixel* p = rows.at(x, y + j);
    for (int i = 0; i < w; ++i) callback(p + i, parm);
  }
}

RAST_pixel RAST_GetPixel(RAST_IBitmap* bm, int x, int y) {
  RAST_BitmapRows rows(bm);
  if (!rows || x < 0 || y < 0 || x >= rows.width || y >= rows.height) return 0;
  return *rows.at(x, y);
}

void RAST_PutPixel(RAST_IBitmap* bm, int x, int y, RAST_pixel color, float alpha,
                   RAST_BlendMode mode) {
  RAST_BitmapRows rows(bm);
  if (!rows || x < 0 || y < 0 || x >= rows.width || y >= rows.height) return;
  RAST_pixel* p = rows.at(x, y);
  const RAST_Weight w = RAST_Weight::FromAlpha(alpha);
  if (w.isZero()) return;
  if (mode.op() == 0) {
    switch (w.value()) {
      case 256:
        *p = color;
        return;
      case 192:
        *p = RAST_MixThreeQuarter(*p, color);
        return;
      case 128:
        *p = RAST_MixHalf(*p, color);
        return;
      case 64:
        *p = RAST_MixQuarter(*p, color);
        return;
      default:
        break;
    }
  }
  RAST_SolidWrite(p, color, w, mode);
}

void RAST_SetAlphaFromColorMask(RAST_IBitmap* bm, RAST_pixel color) {
  RAST_BitmapRows rows(bm);
  if (!rows) return;
  WordLoop(rows, 0, 0, rows.width, rows.height, [color](RAST_pixel d) {
    const RAST_pixel rgb = d & 0xFFFFFF00u;
    return rgb == color ? rgb : (rgb | 0xFFu);
  });
}

void RAST_SimpleFill(RAST_IBitmap* bm, int x, int y, RAST_pixel newcolor, RAST_pixel comparemask,
                     RAST_pixel keepmask) {
  if (!bm) return;
  RAST_pixel* bits = bm->getBits();
  const int width = bm->getWidth(), height = bm->getHeight(), span = bm->getRowSpan();
  if (!bits || width <= 0 || height <= 0 || span < width) return;
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  auto row = [bits, span](int r) { return bits + static_cast<std::ptrdiff_t>(r) * span; };
  const RAST_pixel seed = row(y)[x] & comparemask;
  auto matches = [seed, comparemask](RAST_pixel p) { return (p & comparemask) == seed; };
  auto fillRow = [&](int r) {
    RAST_pixel* p = row(r);
    p[x] = (p[x] & keepmask) | newcolor;
    for (int i = x + 1; i < width && matches(p[i]); ++i) p[i] = (p[i] & keepmask) | newcolor;
    for (int i = x - 1; i >= 0 && matches(p[i]); --i) p[i] = (p[i] & keepmask) | newcolor;
  };
  for (int r = y;;) {
    fillRow(r);
    if (++r >= height || !matches(row(r)[x])) break;
  }
  for (int r = y - 1; r >= 0 && matches(row(r)[x]); --r) fillRow(r);
}
