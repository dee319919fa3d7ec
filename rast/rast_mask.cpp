#include "rast/rast_mask.h"

#include <algorithm>
#include <cstddef>

namespace {

template <RAST_SolidOp Op>
void GlyphLoop(const RAST_BitmapRows& rows, int x, int y, int w, int h, RAST_pixel color, const unsigned char* mask,
               std::ptrdiff_t span, int a) {
  for (int j = 0; j < h; ++j) {
    RAST_pixel* p = rows.at(x, y + j);
    const unsigned char* m = mask + j * span;
    for (int i = 0; i < w; ++i) {
      const int cover = m[i];
      if (cover == 0) continue;
      const int weight = cover * a / 256;
      // A covered pixel gets the solid write even at weight 0: a no-op for modes 0-4, while the
      // HSV write still stores the colour's alpha byte (as the circle drawer's edge pixels do).
      if constexpr (Op != RAST_SolidOp::HSV) {
        if (weight == 0) continue;
      }
      p[i] = RAST_SolidBlend<Op>(p[i], color, RAST_Weight(weight));
    }
  }
}

}  // namespace

void RAST_DrawGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color, const unsigned char* alphas, int glyph_w,
                    int glyph_span, int glyph_h, float alpha, RAST_BlendMode mode) {
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
  switch (mode.op()) {
    case 0: GlyphLoop<RAST_SolidOp::Copy>(rows, gx, gy, gw, gh, color, mask, span, a); break;
    case 1: GlyphLoop<RAST_SolidOp::Add>(rows, gx, gy, gw, gh, color, mask, span, a); break;
    case 2: GlyphLoop<RAST_SolidOp::Dodge>(rows, gx, gy, gw, gh, color, mask, span, a); break;
    case 3: GlyphLoop<RAST_SolidOp::Mul>(rows, gx, gy, gw, gh, color, mask, span, a); break;
    case 4: GlyphLoop<RAST_SolidOp::Overlay>(rows, gx, gy, gw, gh, color, mask, span, a); break;
    case 5: GlyphLoop<RAST_SolidOp::HSV>(rows, gx, gy, gw, gh, color, mask, span, a); break;
    default: break;
  }
}

void RAST_DrawPackedGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color, const unsigned char* alphas, int glyph_w,
                          int glyph_h, float alpha, RAST_BlendMode mode) {
  RAST_DrawGlyph(bm, x, y, color, alphas, glyph_w, glyph_w, glyph_h, alpha, mode);
}
