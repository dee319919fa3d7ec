// Rectangle and line clipping shared by the fills, lines and utilities (internal to the
// rasteriser).
#pragma once

#include <algorithm>

// Clips (x, y, w, h) to a width x height bitmap: a negative x shortens w and becomes 0 (likewise
// y); false when nothing is left. Computed in 64 bits so extreme arguments cannot overflow.
inline bool RAST_ClipRectToBitmap(int& x, int& y, int& w, int& h, int width, int height) {
  long long lx = x, ly = y, lw = w, lh = h;
  if (lx < 0) {
    lw += lx;
    lx = 0;
  }
  if (ly < 0) {
    lh += ly;
    ly = 0;
  }
  if (lw <= 0 || lh <= 0 || lx >= width || ly >= height) return false;
  lw = std::min<long long>(lw, width - lx);
  lh = std::min<long long>(lh, height - ly);
  x = static_cast<int>(lx);
  y = static_cast<int>(ly);
  w = static_cast<int>(lw);
  h = static_cast<int>(lh);
  return true;
}

// Region code of (x, y) for line clipping against [0, right) x [0, bottom): 1 left, 2 right,
// 4 above, 8 below.
template <class T>
int RAST_Outcode(T x, T y, T right, T bottom) {
  int code = 0;
  if (x < 0) {
    code |= 1;
  } else if (x >= right) {
    code |= 2;
  }
  if (y < 0) {
    code |= 4;
  } else if (y >= bottom) {
    code |= 8;
  }
  return code;
}
