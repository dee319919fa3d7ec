// A test bitmap inside a larger buffer: `border` guard pixels on every side (plus `extraSpan`
// more at the end of each row), so any write outside the bitmap shows as a changed guard
// pixel. Optionally stored bottom-up. With no border the storage is exactly the pixels.
#pragma once

#include <cstddef>
#include <vector>

#include "rast/rast_bitmap.h"

namespace rast_test {

class GuardedBitmap : public RAST_IBitmap {
 public:
  GuardedBitmap(int w, int h, bool flipped, int border, int extraSpan, RAST_pixel guard,
                RAST_pixel fill)
      : mW(w),
        mH(h),
        mBorder(border),
        mSpan(w + 2 * border + extraSpan),
        mFlipped(flipped),
        mGuard(guard),
        mStore(static_cast<std::size_t>(mSpan) * static_cast<std::size_t>(h + 2 * border), guard) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) stored(x, y) = fill;
  }
  RAST_pixel* getBits() override {
    return &mStore[static_cast<std::size_t>(mBorder) * mSpan + mBorder];
  }
  int getWidth() override { return mW; }
  int getHeight() override { return mH; }
  int getRowSpan() override { return mSpan; }
  bool isFlipped() override { return mFlipped; }
  bool resize(int, int) override { return false; }
  HDC__* getDC() override { return nullptr; }
  int Extended(int, void*) override { return 0; }

  // Pixel (x, y) counted from the top, whatever the storage order.
  RAST_pixel& at(int x, int y) { return stored(x, mFlipped ? mH - 1 - y : y); }
  // Pixel (x, y) in storage order.
  RAST_pixel& stored(int x, int y) {
    return mStore[static_cast<std::size_t>(y + mBorder) * mSpan + (x + mBorder)];
  }
  // True when every pixel outside the bitmap still holds the guard value.
  bool GuardIntact() const {
    for (int row = 0; row < mH + 2 * mBorder; ++row)
      for (int col = 0; col < mSpan; ++col) {
        const bool inside =
            row >= mBorder && row < mBorder + mH && col >= mBorder && col < mBorder + mW;
        if (!inside && mStore[static_cast<std::size_t>(row) * mSpan + col] != mGuard) return false;
      }
    return true;
  }
  // The pixels from the top row down.
  std::vector<RAST_pixel> Pixels() {
    std::vector<RAST_pixel> out;
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x) out.push_back(at(x, y));
    return out;
  }

 protected:
  int mW, mH, mBorder, mSpan;
  bool mFlipped;
  RAST_pixel mGuard;
  std::vector<RAST_pixel> mStore;
};

}  // namespace rast_test
