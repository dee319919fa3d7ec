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
      : w_(w),
        h_(h),
        b_(border),
        span_(w + 2 * border + extraSpan),
        flipped_(flipped),
        guard_(guard),
        store_(static_cast<std::size_t>(span_) * static_cast<std::size_t>(h + 2 * border), guard) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) stored(x, y) = fill;
  }
  RAST_pixel* getBits() override { return &store_[static_cast<std::size_t>(b_) * span_ + b_]; }
  int getWidth() override { return w_; }
  int getHeight() override { return h_; }
  int getRowSpan() override { return span_; }
  bool isFlipped() override { return flipped_; }
  bool resize(int, int) override { return false; }
  HDC__* getDC() override { return nullptr; }
  int Extended(int, void*) override { return 0; }

  // Pixel (x, y) counted from the top, whatever the storage order.
  RAST_pixel& at(int x, int y) { return stored(x, flipped_ ? h_ - 1 - y : y); }
  // Pixel (x, y) in storage order.
  RAST_pixel& stored(int x, int y) {
    return store_[static_cast<std::size_t>(y + b_) * span_ + (x + b_)];
  }
  // True when every pixel outside the bitmap still holds the guard value.
  bool GuardIntact() const {
    for (int row = 0; row < h_ + 2 * b_; ++row)
      for (int col = 0; col < span_; ++col) {
        const bool inside = row >= b_ && row < b_ + h_ && col >= b_ && col < b_ + w_;
        if (!inside && store_[static_cast<std::size_t>(row) * span_ + col] != guard_) return false;
      }
    return true;
  }
  // The pixels from the top row down.
  std::vector<RAST_pixel> Pixels() {
    std::vector<RAST_pixel> out;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) out.push_back(at(x, y));
    return out;
  }

 protected:
  int w_, h_, b_, span_;
  bool flipped_;
  RAST_pixel guard_;
  std::vector<RAST_pixel> store_;
};

}  // namespace rast_test
