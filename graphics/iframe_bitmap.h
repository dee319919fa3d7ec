// A loaded image as controls draw it: one strip of N equal frames over a bitmap that the
// process-wide bitmap cache owns.
#pragma once

#include "rast/rast_bitmap.h"

struct IFrameBitmap {
  RAST_IBitmap* mBitmap = nullptr;  // owned by the bitmap cache
  int W = 0;                        // strip size in GUI pixels at the current scale
  int H = 0;
  int N = 1;  // frames
  bool mFramesAreHorizontal = false;
  // The strip size at GUI scale 1 (image size / bitmap scale); layouts place controls from it
  // so that a second GUI built after a rescale lands where the first did.
  int mBaseW = 0;
  int mBaseH = 0;

  IFrameBitmap() = default;
  IFrameBitmap(RAST_IBitmap* bitmap, int w, int h, int n = 1, bool horizontal = false)
      : mBitmap(bitmap), W(w), H(h), N(n), mFramesAreHorizontal(horizontal), mBaseW(w), mBaseH(h) {}

  int FrameW() const { return mFramesAreHorizontal && N > 0 ? W / N : W; }
  int FrameH() const { return !mFramesAreHorizontal && N > 0 ? H / N : H; }
};
