// Internal to the drawing primitives (lines, curves, polygons, circles): the destination seen as
// raw stored rows, the per-pixel operations their loops are instantiated with, and the guards
// that keep float geometry out of undefined conversions.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

#include <cmath>
#include <cstddef>

namespace rast_shape {

// The bitmap's stored rows. The primitives mirror y themselves for bottom-up bitmaps (flipped),
// so at(x, y) addresses stored row y.
using Surface = RAST_BitmapRows;

// Integer weight trunc(alpha * 256), limited to -256..256 (NaN alpha gives 0).
inline int AlphaWeight(float alpha) {
  return RAST_Weight::FromAlpha(alpha).value();
}

// A float coordinate or radius that can be truncated to a 32-bit integer and still leave room
// for the few pixels of margin the drawers add. NaN and infinities fail.
inline bool CoordOK(float v) {
  return v > -2.0e9f && v < 2.0e9f;
}
inline bool CoordOK(double v) {
  return v > -2.0e9 && v < 2.0e9;
}

// Per-pixel operations: put(pixel, colour, weight). Weights are -256..256 (copy: none below 1).
struct OpStore {
  static void put(RAST_pixel* p, RAST_pixel c, int) { *p = c; }
};
// (d + c) >> 1 in each byte: the copy at weight 128 of the plain line and circle routines.
struct OpAverage {
  static void put(RAST_pixel* p, RAST_pixel c, int) {
    const RAST_pixel d = *p;
    *p = ((d & 0xfefefefeu) >> 1) + ((c & 0xfefefefeu) >> 1) + (d & c & 0x01010101u);
  }
};
struct OpHalfMix {
  static void put(RAST_pixel* p, RAST_pixel c, int) { *p = RAST_MixHalf(*p, c); }
};
struct OpQuarterMix {
  static void put(RAST_pixel* p, RAST_pixel c, int) { *p = RAST_MixQuarter(*p, c); }
};
struct OpThreeQuarterMix {
  static void put(RAST_pixel* p, RAST_pixel c, int) { *p = RAST_MixThreeQuarter(*p, c); }
};
template <RAST_SolidOp Op>
struct OpSolid {
  static void put(RAST_pixel* p, RAST_pixel c, int w) {
    *p = RAST_SolidBlend<Op>(*p, c, RAST_Weight(w));
  }
};
using OpCopy = OpSolid<RAST_SolidOp::Copy>;
using OpAdd = OpSolid<RAST_SolidOp::Add>;
using OpDodge = OpSolid<RAST_SolidOp::Dodge>;
using OpMul = OpSolid<RAST_SolidOp::Mul>;
using OpOverlay = OpSolid<RAST_SolidOp::Overlay>;
using OpHsv = OpSolid<RAST_SolidOp::HSV>;

// Calls f(Op{}) with the operation of the mode's low byte 0..5; other values call nothing.
template <class F>
void DispatchBlend(int low, F&& f) {
  RAST_DispatchSolidOp(low, [&](auto op) { f(OpSolid<decltype(op)::value>{}); });
}

}  // namespace rast_shape
