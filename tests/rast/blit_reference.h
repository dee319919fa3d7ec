// Test helpers for the rasteriser core: a bitmap with canary borders (optionally stored
// bottom-up), a seeded random source, and slow reference blends written straight from the
// per-channel formulas, independent of the library's implementation.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "rast/rast_bitmap.h"
#include "tests/rast/guarded_bitmap.h"

namespace rast_test {

constexpr RAST_pixel kCanary = 0xA5C3E17Fu;

// A bitmap whose rows sit inside a larger buffer: `pad` canary pixels left and right of every
// row and `pad` canary rows above and below. Stored bottom-up when flipped.
class CanvasBitmap : public GuardedBitmap {
 public:
  CanvasBitmap(int w, int h, bool flipped = false, int pad = 3)
      : GuardedBitmap(w, h, flipped, pad, 1, kCanary, 0) {}
  // True when every pixel outside the bitmap still holds the canary.
  bool CanariesIntact() const { return GuardIntact(); }
  void Fill(std::mt19937& rng) {
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x) at(x, y) = static_cast<RAST_pixel>(rng());
  }
  // Random pixels whose alpha is biased towards 0 and 255 (the cases with shortcuts).
  void FillWithAlphaMix(std::mt19937& rng) {
    for (int y = 0; y < mH; ++y)
      for (int x = 0; x < mW; ++x) {
        RAST_pixel p = static_cast<RAST_pixel>(rng()) & 0xFFFFFF00u;
        const unsigned pick = rng() % 4;
        p |= pick == 0 ? 0u : (pick == 1 ? 255u : rng() & 0xFFu);
        at(x, y) = p;
      }
  }
};

// ---- Reference blends, per channel, straight from the formulas ------------------------------

inline int Tdiv(int a, int n) {
  return a / n;
}  // C++ division truncates toward zero
inline int Clamp(int v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}
inline int Chan(RAST_pixel p, int c) {
  return static_cast<int>((p >> (8 * c)) & 0xFF);
}
inline RAST_pixel Join(const int v[4]) {
  return static_cast<RAST_pixel>(v[0] & 0xFF) | static_cast<RAST_pixel>(v[1] & 0xFF) << 8 |
         static_cast<RAST_pixel>(v[2] & 0xFF) << 16 | static_cast<RAST_pixel>(v[3] & 0xFF) << 24;
}

inline int RefChannel(int op, int d, int s, int a) {
  switch (op) {
    case 0:
      return s + Tdiv((d - s) * (256 - a), 256);
    case 1:
      return Clamp(d + Tdiv(s * a, 256));
    case 2: {
      const int k = 256 - Tdiv(s * a, 256);
      long long e = static_cast<long long>(d) * 256;
      if (k >= 2) e /= k;
      return e > 255 ? 255 : static_cast<int>(e);
    }
    case 3:  // a negative weight brightens: kept in the byte
      return std::min(
          255, static_cast<int>((static_cast<long long>(s) * a + (256 - a) * 256) * d >> 16));
    case 4: {
      const int v = s * a + (256 - a) * 128;
      return Clamp(((Tdiv((32768 - v) * d, 256) + v) * d) >> 15);
    }
  }
  return d;
}

// HSV adjust straight from its description (floating point kept out on purpose).
inline RAST_pixel RefHSV(RAST_pixel pixel, int hs, int ss, int vs, int alphaByte, int w) {
  auto recip = [](int i) { return i == 0 ? 0 : 65536 / i - 1; };
  const int r = Chan(pixel, 1), g = Chan(pixel, 2), b = Chan(pixel, 3);
  int mx, e, k, base;
  if (r >= g && b < r) {
    mx = r;
    e = g - b;
    k = r - std::min(g, b);
    base = g < b ? 383 : 0;
  } else if (r >= g) {
    mx = b;
    e = r - g;
    k = b - std::min(r, g);
    base = 256;
  } else if (g > b) {
    mx = g;
    e = b - r;
    k = g - std::min(r, b);
    base = 128;
  } else {
    mx = b;
    e = r - g;
    k = b - std::min(r, g);
    base = 256;
  }
  int hue = base + Tdiv((recip(k) + 1) * e, 1024);
  int S = k * recip(mx) / 256;
  int V = mx;
  hue += Tdiv((hs + hs / 2 - 192) * w, 256);
  S = Clamp(S + Tdiv((ss - 128) * w, 128));
  V = Clamp(V + Tdiv((vs - 128) * w, 128));
  if (hue < 0)
    hue += 384;
  else if (hue >= 384)
    hue -= 384;
  const int m = (256 - S) * V / 256;
  auto R = [&](int n) { return ((16384 - n * S) * V) >> 14; };
  int rgb[3];
  if (hue < 64) {
    rgb[0] = V;
    rgb[1] = R(64 - hue);
    rgb[2] = m;
  } else if (hue < 128) {
    rgb[0] = R(hue - 64);
    rgb[1] = V;
    rgb[2] = m;
  } else if (hue < 192) {
    rgb[0] = m;
    rgb[1] = V;
    rgb[2] = R(192 - hue);
  } else if (hue < 256) {
    rgb[0] = m;
    rgb[1] = R(hue - 192);
    rgb[2] = V;
  } else if (hue < 320) {
    rgb[0] = R(320 - hue);
    rgb[1] = m;
    rgb[2] = V;
  } else {
    rgb[0] = V;
    rgb[1] = m;
    rgb[2] = R(hue - 320);
  }
  const int v[4] = {alphaByte, rgb[0], rgb[1], rgb[2]};
  return Join(v);
}

// The blit operation of a mode word (mode & 0x100FF) at weight a (-256..256), for one pixel.
inline RAST_pixel RefBlit(int mode, RAST_pixel d, RAST_pixel s, int a) {
  const int m = mode & 0x100FF;
  const int op = m & 0xFF;
  if (a == 0 || op > 5 || (op == 0 && a < 1)) return d;
  const bool sa = (m & 0x10000) != 0;
  const int alphaS = Chan(s, 0);
  if (!sa) {
    if (op == 5) return RefHSV(d, Chan(s, 1), Chan(s, 2), Chan(s, 3), alphaS, a);
    int v[4];
    for (int c = 0; c < 4; ++c) v[c] = RefChannel(op, Chan(d, c), Chan(s, c), a);
    return Join(v);
  }
  const int w = (alphaS + 1) * a / 256;
  if (op == 0) {
    if (alphaS == 0) return d;
    int v[4];
    if (a == 256) {
      if (alphaS == 255) return s;
      for (int c = 1; c < 4; ++c)
        v[c] = Chan(s, c) + Tdiv((Chan(d, c) - Chan(s, c)) * (255 - alphaS), 256);
      v[0] = std::min(Chan(d, 0) + alphaS, 255);
    } else {
      for (int c = 1; c < 4; ++c)
        v[c] = Chan(s, c) + Tdiv((Chan(d, c) - Chan(s, c)) * (256 - w), 256);
      v[0] = std::min(Chan(d, 0) + w, 255);
    }
    return Join(v);
  }
  if ((op == 1 || op == 3) && alphaS == 0) return d;
  if (op == 5) return RefHSV(d, Chan(s, 1), Chan(s, 2), Chan(s, 3), alphaS, w);
  int v[4];
  for (int c = 0; c < 4; ++c) v[c] = RefChannel(op, Chan(d, c), Chan(s, c), w);
  return Join(v);
}

// trunc(alpha * 256) within -256..256.
inline int WeightOf(float alpha) {
  const double x = static_cast<double>(alpha) * 256.0;
  if (x != x) return 0;
  return x >= 256 ? 256 : (x <= -256 ? -256 : static_cast<int>(x));
}

}  // namespace rast_test
