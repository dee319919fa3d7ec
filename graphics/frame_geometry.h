// How the controls map values onto the frames of an image strip, and the size of one frame.
#pragma once

#include "graphics/gui_types.h"
#include "graphics/iframe_bitmap.h"

// The 1-based frame that shows normalised value v on an n-frame strip: the nearest of n evenly
// spaced positions, limited to 1..n. One frame (or none) always shows frame 1.
inline int FrameForValue(int n, double v) {
  if (n < 2) return 1;
  const double pos = (n - 1) * v + 0.5;
  if (!(pos >= 1.0)) return 1;  // also NaN
  if (pos >= n) return n;
  return static_cast<int>(pos) + 1;
}

// One frame of the strip: (width / N) x height when the frames lie side by side, else
// width x (height / N). A null bitmap has no size.
inline int FrameWidth(const IFrameBitmap* bitmap) {
  return bitmap ? bitmap->FrameW() : 0;
}
inline int FrameHeight(const IFrameBitmap* bitmap) {
  return bitmap ? bitmap->FrameH() : 0;
}
inline int FrameCount(const IFrameBitmap* bitmap) {
  return bitmap ? bitmap->N : 0;
}

// A rectangle of one frame's size with its top left at (x, y).
inline IRECT FrameRectAt(const IFrameBitmap* bitmap, int x, int y) {
  return IRECT(x, y, x + FrameWidth(bitmap), y + FrameHeight(bitmap));
}

// The whole strip's size.
inline int StripWidth(const IFrameBitmap* bitmap) {
  return bitmap ? bitmap->W : 0;
}
inline int StripHeight(const IFrameBitmap* bitmap) {
  return bitmap ? bitmap->H : 0;
}
