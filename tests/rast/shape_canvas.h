// Test bitmaps for the drawing primitives: pixels surrounded by a guard border that must stay
// untouched, optionally stored bottom-up, with helpers to read pixels in picture coordinates.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"
#include "tests/rast/guarded_bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace shapetest {

constexpr RAST_pixel kGuard = 0xdeadbeefu;
inline const RAST_BlendMode kCopy{0};

// A w x h bitmap inside a buffer with `guard` pixels of border on every side, so that any write
// outside the bitmap (a clipping fault) shows as a changed guard pixel.
class Canvas : public rast_test::GuardedBitmap {
 public:
  Canvas(int w, int h, bool flipped = false, RAST_pixel fill = 0, int guard = 8)
      : GuardedBitmap(w, h, flipped, guard, 3, kGuard, fill) {}
  bool guardIntact() const { return GuardIntact(); }
  // Picture positions whose pixel differs from `background`.
  std::set<std::pair<int, int>> changed(RAST_pixel background = 0) {
    std::set<std::pair<int, int>> s;
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x)
        if (at(x, y) != background) s.insert({x, y});
    return s;
  }
  std::vector<RAST_pixel> picture() { return Pixels(); }
  // A text picture for failure messages: '.' background, '#' anything else.
  std::string ascii(RAST_pixel background = 0) {
    std::string s;
    for (int y = 0; y < mH; ++y) {
      for (int x = 0; x < mW; ++x) s += at(x, y) == background ? '.' : '#';
      s += '\n';
    }
    return s;
  }
};

using PixelSet = std::set<std::pair<int, int>>;

// Compares the window (ox, oy, small's size) of `big` with all of `small`.
inline ::testing::AssertionResult SameWindow(Canvas& big, int ox, int oy, Canvas& small) {
  for (int y = 0; y < small.getHeight(); ++y)
    for (int x = 0; x < small.getWidth(); ++x)
      if (big.at(ox + x, oy + y) != small.at(x, y))
        return ::testing::AssertionFailure() << "differs at " << x << "," << y << ": " << std::hex
                                             << big.at(ox + x, oy + y) << " vs " << small.at(x, y);
  return ::testing::AssertionSuccess();
}

// A small deterministic generator, so that random tests repeat exactly.
class Rng {
 public:
  explicit Rng(uint64_t seed) : mState(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t next() {
    mState ^= mState << 13;
    mState ^= mState >> 7;
    mState ^= mState << 17;
    return uint32_t(mState >> 11);
  }
  int range(int lo, int hi) { return lo + int(next() % uint32_t(hi - lo + 1)); }
  float frange(float lo, float hi) {
    return lo + (hi - lo) * float(next() % 1000001u) / 1000000.0f;
  }

 private:
  uint64_t mState;
};

}  // namespace shapetest
