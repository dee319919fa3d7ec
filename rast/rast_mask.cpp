#include "rast/rast_mask.h"

#include <algorithm>
#include <cstddef>

void RAST_DrawGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color, const unsigned char* alphas,
                    int glyph_w, int glyph_span, int glyph_h, float alpha, RAST_BlendMode mode) {
  if (!bm || !alphas) return;
  if (static_cast<long long>(x) <= -static_cast<long long>(glyph_w) ||
      static_cast<long long>(y) <= -static_cast<long long>(glyph_h))
    return;
  RAST_BitmapRows rows(bm);
  if (!rows) return;
  long long width = glyph_w, height = glyph_h, lx = x, ly = y;
  std::ptrdiff_t skipCols = 0, skipRows = 0;
  if (lx < 0) {
    skipCols = static_cast<std::ptrdiff_t>(-lx);
    width += lx;
    lx = 0;
  }
  if (ly < 0) {
    skipRows = static_cast<std::ptrdiff_t>(-ly);
    height += ly;
    ly = 0;
  }
  if (width <= 0 || height <= 0 || lx >= rows.width || ly >= rows.height) return;
  width = std::min<long long>(width, rows.width - lx);
  height = std::min<long long>(height, rows.height - ly);
  const RAST_Weight weight = RAST_Weight::FromAlpha(alpha);
  if (weight.isZero() || mode.op() >= 6) return;
  const std::ptrdiff_t span = glyph_span;
  const unsigned char* mask = alphas + skipRows * span + skipCols;
  const int a = weight.value();
  const int gx = static_cast<int>(lx), gy = static_cast<int>(ly), gw = static_cast<int>(width),
            gh = static_cast<int>(height);
  RAST_DispatchSolidOp(mode.op(), [&](auto op) {
    RAST_BlendMask<decltype(op)::value, RAST_MaskRule::Scaled>(rows, gx, gy, gw, gh, mask, span,
                                                               color, color, a);
  });
}

void RAST_DrawPackedGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color,
                          const unsigned char* alphas, int glyph_w, int glyph_h, float alpha,
                          RAST_BlendMode mode) {
  RAST_DrawGlyph(bm, x, y, color, alphas, glyph_w, glyph_w, glyph_h, alpha, mode);
}
