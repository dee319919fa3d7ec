#include "rast/rast_blend.h"

#include <array>

using rast_blend_detail::Clamp255;

namespace {

constexpr std::array<std::uint16_t, 256> MakeReciprocals() {
  std::array<std::uint16_t, 256> t{};
  t[0] = 0;
  for (int i = 1; i < 256; ++i) t[i] = static_cast<std::uint16_t>(65536 / i - 1);
  return t;
}
constexpr std::array<std::uint16_t, 256> kReciprocals = MakeReciprocals();

}  // namespace

const std::uint16_t RAST_ReciprocalTable[256] = {
#define R4(i) kReciprocals[i], kReciprocals[i + 1], kReciprocals[i + 2], kReciprocals[i + 3]
#define R16(i) R4(i), R4(i + 4), R4(i + 8), R4(i + 12)
    R16(0),   R16(16),  R16(32),  R16(48),  R16(64),  R16(80),  R16(96),  R16(112),
    R16(128), R16(144), R16(160), R16(176), R16(192), R16(208), R16(224), R16(240),
#undef R16
#undef R4
};

void RAST_HSVAdjustPixel(RAST_pixel* pixel, int h, int s, int v, int a, RAST_Weight weight) {
  const RAST_pixel p = *pixel;
  const int r = static_cast<int>(RAST_PixelRed(p));
  const int g = static_cast<int>(RAST_PixelGreen(p));
  const int b = static_cast<int>(RAST_PixelBlue(p));
  const int w = weight.value();

  int max, e, k, base;
  if (r >= g) {
    if (b < r) {
      max = r;
      e = g - b;
      k = r - (g < b ? g : b);
      base = g < b ? 383 : 0;
    } else {
      max = b;
      e = r - g;
      k = b - (r < g ? r : g);
      base = 256;
    }
  } else if (g > b) {
    max = g;
    e = b - r;
    k = g - (r < b ? r : b);
    base = 128;
  } else {
    max = b;
    e = r - g;
    k = b - (r < g ? r : g);
    base = 256;
  }

  int hue = base + (kReciprocals[k] + 1) * e / 1024;
  int sat = k * kReciprocals[max] / 256;
  int val = max;

  hue += (h + h / 2 - 192) * w / 256;
  sat = Clamp255(sat + (s - 128) * w / 128);
  val = Clamp255(val + (v - 128) * w / 128);
  // The weight is at most 256 either way, so one wrap brings the hue back; the modulo only guards
  // callers that pass shift bytes outside 0..255.
  if (hue < 0)
    hue += 384;
  else if (hue >= 384)
    hue -= 384;
  if (hue < 0 || hue >= 384) hue = ((hue % 384) + 384) % 384;

  const int m = (256 - sat) * val / 256;
  auto ramp = [sat, val](int n) { return ((16384 - n * sat) * val) >> 14; };
  int rr, gg, bb;
  if (hue < 64) {
    rr = val;
    gg = ramp(64 - hue);
    bb = m;
  } else if (hue < 128) {
    rr = ramp(hue - 64);
    gg = val;
    bb = m;
  } else if (hue < 192) {
    rr = m;
    gg = val;
    bb = ramp(192 - hue);
  } else if (hue < 256) {
    rr = m;
    gg = ramp(hue - 192);
    bb = val;
  } else if (hue < 320) {
    rr = ramp(320 - hue);
    gg = m;
    bb = val;
  } else {
    rr = val;
    gg = m;
    bb = ramp(hue - 320);
  }
  *pixel = RAST_MakePixel(static_cast<unsigned>(rr), static_cast<unsigned>(gg),
                          static_cast<unsigned>(bb), static_cast<unsigned>(a));
}

RAST_pixel RAST_BlendHSV(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  RAST_HSVAdjustPixel(&d, static_cast<int>(RAST_PixelRed(s)), static_cast<int>(RAST_PixelGreen(s)),
                      static_cast<int>(RAST_PixelBlue(s)), static_cast<int>(RAST_PixelAlpha(s)), w);
  return d;
}

RAST_pixel RAST_BlendHSVSA(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return RAST_BlendHSV(d, s, RAST_Weight(RAST_SourceAlphaWeight(s, w)));
}

void RAST_SolidWrite(RAST_pixel* pixel, RAST_pixel color, RAST_Weight w, RAST_BlendMode mode) {
  // No early exit at weight 0: modes 0-4 leave the pixel as it is there anyway, while the HSV
  // write still stores the colour's alpha byte, as every solid-colour primitive does.
  if (!pixel) return;
  RAST_DispatchSolidOp(
      mode.op(), [&](auto op) { *pixel = RAST_SolidBlend<decltype(op)::value>(*pixel, color, w); });
}

RAST_BlitOp RAST_SelectBlitOp(RAST_BlendMode mode, RAST_Weight w) {
  if (w.isZero()) return RAST_BlitOp::None;
  switch (mode.blitOp()) {
    case 0:
      if (w.value() < 1) return RAST_BlitOp::None;  // copy takes no weight below 1
      return w.isFull() ? RAST_BlitOp::Store : RAST_BlitOp::Copy;
    case 1:
      return RAST_BlitOp::Add;
    case 2:
      return RAST_BlitOp::Dodge;
    case 3:
      return RAST_BlitOp::Mul;
    case 4:
      return RAST_BlitOp::Overlay;
    case 5:
      return RAST_BlitOp::HSV;
    case 0x10000:
      if (w.value() < 1) return RAST_BlitOp::None;
      return w.isFull() ? RAST_BlitOp::StoreSA : RAST_BlitOp::CopySA;
    case 0x10001:
      return RAST_BlitOp::AddSA;
    case 0x10002:
      return RAST_BlitOp::DodgeSA;
    case 0x10003:
      return RAST_BlitOp::MulSA;
    case 0x10004:
      return RAST_BlitOp::OverlaySA;
    case 0x10005:
      return RAST_BlitOp::HSVSA;
    default:
      return RAST_BlitOp::None;
  }
}

// ---------------------------------------------------------------------------------------------
// Pixel functions.

namespace {

// Packs bytes that are known to be 0..255.
inline RAST_pixel Pack(int r, int g, int b, int a) {
  return RAST_MakePixel(static_cast<unsigned>(r), static_cast<unsigned>(g),
                        static_cast<unsigned>(b), static_cast<unsigned>(a));
}

template <RAST_BlitOp Op>
void PixOp(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  *d = RAST_ApplyBlitOp<Op>(*d, Pack(r, g, b, a), w);
}

// Copy and multiply whose source channels may lie outside 0..255: every result clamped.
int CopyClamped(int d, int s, int w) {
  return Clamp255(s + (d - s) * (256 - w) / 256);
}
int MulClamped(int d, int s, int w) {
  const long long f = static_cast<long long>(s) * w + (256 - w) * 256;
  const long long v = (f * d) >> 16;
  return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

template <int (*F)(int, int, int)>
void PixClamped(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  const RAST_pixel p = *d;
  const int wv = w.value();
  *d = Pack(F(static_cast<int>(RAST_PixelRed(p)), r, wv),
            F(static_cast<int>(RAST_PixelGreen(p)), g, wv),
            F(static_cast<int>(RAST_PixelBlue(p)), b, wv),
            F(static_cast<int>(RAST_PixelAlpha(p)), a, wv));
}

// The remaining operations with channels clamped into bytes first, each result clamped.
template <int (*F)(int, int, int)>
void PixClampedIn(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixClamped<F>(d, Clamp255(r), Clamp255(g), Clamp255(b), Clamp255(a), w);
}

}  // namespace

void RAST_PixStore(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight) {
  *d = Pack(r, g, b, a);
}
void RAST_PixCopy(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::Copy>(d, r, g, b, a, w);
}
void RAST_PixAdd(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::Add>(d, r, g, b, a, w);
}
void RAST_PixDodge(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::Dodge>(d, r, g, b, a, w);
}
void RAST_PixMul(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::Mul>(d, r, g, b, a, w);
}
void RAST_PixOverlay(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::Overlay>(d, r, g, b, a, w);
}
void RAST_PixHSV(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  RAST_HSVAdjustPixel(d, r, g, b, a, w);
}
void RAST_PixStoreSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight) {
  *d = RAST_BlendStoreSA(*d, Pack(r, g, b, a));
}
void RAST_PixCopySA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::CopySA>(d, r, g, b, a, w);
}
void RAST_PixAddSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::AddSA>(d, r, g, b, a, w);
}
void RAST_PixDodgeSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::DodgeSA>(d, r, g, b, a, w);
}
void RAST_PixMulSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::MulSA>(d, r, g, b, a, w);
}
void RAST_PixOverlaySA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixOp<RAST_BlitOp::OverlaySA>(d, r, g, b, a, w);
}
void RAST_PixHSVSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  RAST_HSVAdjustPixel(d, r, g, b, a, RAST_Weight(static_cast<int>((a + 1) * w.value() / 256)));
}
void RAST_PixCopyClamped(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  if (w.value() < 1) return;  // copy takes no weight below 1
  PixClamped<CopyClamped>(d, r, g, b, a, w);
}
void RAST_PixMulClamped(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w) {
  PixClamped<MulClamped>(d, r, g, b, a, w);
}

RAST_PixelFunc RAST_PixelFuncFor(RAST_BlitOp op) {
  switch (op) {
    case RAST_BlitOp::Store:
      return RAST_PixStore;
    case RAST_BlitOp::Copy:
      return RAST_PixCopy;
    case RAST_BlitOp::Add:
      return RAST_PixAdd;
    case RAST_BlitOp::Dodge:
      return RAST_PixDodge;
    case RAST_BlitOp::Mul:
      return RAST_PixMul;
    case RAST_BlitOp::Overlay:
      return RAST_PixOverlay;
    case RAST_BlitOp::HSV:
      return RAST_PixHSV;
    case RAST_BlitOp::StoreSA:
      return RAST_PixStoreSA;
    case RAST_BlitOp::CopySA:
      return RAST_PixCopySA;
    case RAST_BlitOp::AddSA:
      return RAST_PixAddSA;
    case RAST_BlitOp::DodgeSA:
      return RAST_PixDodgeSA;
    case RAST_BlitOp::MulSA:
      return RAST_PixMulSA;
    case RAST_BlitOp::OverlaySA:
      return RAST_PixOverlaySA;
    case RAST_BlitOp::HSVSA:
      return RAST_PixHSVSA;
    case RAST_BlitOp::None:
      break;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// General combiners.

RAST_pixel RAST_BlendPixelValue(RAST_pixel d, RAST_pixel s, RAST_BlendMode mode, float alpha) {
  const RAST_Weight w = RAST_Weight::FromAlpha(alpha);
  RAST_pixel out = d;
  RAST_DispatchBlitOp(RAST_SelectBlitOp(mode, w),
                      [&](auto op) { out = RAST_ApplyBlitOp<decltype(op)::value>(d, s, w); });
  return out;
}

void RAST_BlendPixel(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w,
                     RAST_BlendMode mode) {
  if (!d) return;
  const RAST_PixelFunc f = RAST_PixelFuncFor(RAST_SelectBlitOp(mode, w));
  if (f) f(d, Clamp255(r), Clamp255(g), Clamp255(b), Clamp255(a), w);
}

void RAST_BlendPixelClamped(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w,
                            RAST_BlendMode mode) {
  if (!d) return;
  const RAST_BlitOp op = RAST_SelectBlitOp(mode, w);
  switch (op) {
    case RAST_BlitOp::Store:
      *d = Pack(Clamp255(r), Clamp255(g), Clamp255(b), Clamp255(a));
      return;
    case RAST_BlitOp::Copy:
      PixClamped<CopyClamped>(d, r, g, b, a, w);
      return;
    case RAST_BlitOp::Mul:
      PixClamped<MulClamped>(d, r, g, b, a, w);
      return;
    default:
      break;
  }
  // The other operations clamp already or take bytes; their inputs are limited to bytes.
  const RAST_PixelFunc f = RAST_PixelFuncFor(op);
  if (f) f(d, Clamp255(r), Clamp255(g), Clamp255(b), Clamp255(a), w);
}
