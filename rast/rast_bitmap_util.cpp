#include "rast/rast_bitmap_util.h"

#include <algorithm>
#include <cstring>

void RAST_HalveBlitAA(RAST_IBitmap* dest, RAST_IBitmap* src) {
  if (!dest || !src) return;
  RAST_pixel* dbits = dest->getBits();
  RAST_pixel* sbits = src->getBits();
  if (!dbits || !sbits) return;
  const int dspan = dest->getRowSpan(), sspan = src->getRowSpan();
  const int w = std::min(dest->getWidth(), src->getWidth() / 2);
  const int h = std::min(dest->getHeight(), src->getHeight() / 2);
  if (w <= 0 || h <= 0 || dspan < w || sspan < 2 * w) return;
  for (int j = 0; j < h; ++j) {
    RAST_pixel* d = dbits + static_cast<std::ptrdiff_t>(j) * dspan;
    const RAST_pixel* s0 = sbits + static_cast<std::ptrdiff_t>(2 * j) * sspan;
    const RAST_pixel* s1 = s0 + sspan;
    for (int i = 0; i < w; ++i) {
      d[i] = ((s0[2 * i] >> 2) & 0x3F3F3F3Fu) + ((s0[2 * i + 1] >> 2) & 0x3F3F3F3Fu) +
             ((s1[2 * i] >> 2) & 0x3F3F3F3Fu) + ((s1[2 * i + 1] >> 2) & 0x3F3F3F3Fu);
    }
  }
}

int RAST_BitmapCmp(RAST_IBitmap* a, RAST_IBitmap* b, int* coordsOut) {
  return RAST_BitmapCmpMasked(a, b, 0xFFFFFFFFu, coordsOut);
}

int RAST_BitmapCmpMasked(RAST_IBitmap* a, RAST_IBitmap* b, RAST_pixel mask, int* coordsOut) {
  if (coordsOut) std::fill_n(coordsOut, 4, 0);
  if (!a && !b) return 0;
  if (!b) return 1;
  if (!a) return -1;
  if (a->getWidth() != b->getWidth()) return b->getWidth() - a->getWidth();
  if (a->getHeight() != b->getHeight()) return b->getHeight() - a->getHeight();
  RAST_BitmapRows ra(a), rb(b);
  if (!ra || !rb) {
    if (!ra && !rb) return 0;
    return ra ? 1 : -1;
  }
  const int w = ra.width, h = ra.height;
  if (!coordsOut) {
    for (int y = 0; y < h; ++y) {
      const RAST_pixel* pa = ra.row(y);
      const RAST_pixel* pb = rb.row(y);
      if (mask == 0xFFFFFFFFu) {
        const int c = std::memcmp(pa, pb, static_cast<std::size_t>(w) * 4);
        if (c) return c;
      } else {
        for (int x = 0; x < w; ++x)
          if ((pa[x] ^ pb[x]) & mask) return 1;
      }
    }
    return 0;
  }
  auto rowDiffers = [&](int y) {
    const RAST_pixel* pa = ra.row(y);
    const RAST_pixel* pb = rb.row(y);
    for (int x = 0; x < w; ++x)
      if ((pa[x] ^ pb[x]) & mask) return true;
    return false;
  };
  int top = 0;
  while (top < h && !rowDiffers(top)) ++top;
  if (top == h) return 0;
  int bottom = h - 1;
  while (bottom > top && !rowDiffers(bottom)) --bottom;
  int left = w, right = -1;
  for (int y = top; y <= bottom; ++y) {
    const RAST_pixel* pa = ra.row(y);
    const RAST_pixel* pb = rb.row(y);
    for (int x = 0; x < left; ++x)
      if ((pa[x] ^ pb[x]) & mask) {
        left = x;
        break;
      }
    for (int x = w - 1; x > right; --x)
      if ((pa[x] ^ pb[x]) & mask) {
        right = x;
        break;
      }
  }
  coordsOut[0] = left;
  coordsOut[1] = top;
  coordsOut[2] = right - left + 1;
  coordsOut[3] = bottom - top + 1;
  return 1;
}
