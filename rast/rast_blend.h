// Per-pixel blend arithmetic shared by every RAST_ routine: the blend-mode word, the integer
// weight, the per-channel operations of the six modes (plain and weighted by source alpha), the
// HSV adjust, the solid-colour write of the drawing primitives and the one-pixel combiners.
//
// All operations work on the pixel layout of rast_bitmap.h and treat the four bytes alike
// (alpha included) unless said otherwise. Results are exact to the bit: the loops of the blits,
// fills and primitives call these inline functions, so every path gives the same pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>
#include <utility>

#include "rast/rast_bitmap.h"

// ---------------------------------------------------------------------------------------------
// The blend-mode word. Low byte: operation (0 copy .. 5 HSV adjust, 6..0xEF nothing, 0xF0..0xFF
// single-channel copy in the rectangle blit only); bits 8-15: filter of the scaled and transform
// blits (0x100 bilinear, anything else nearest); bit 16: weight by source alpha.
// A distinct type, so that a mode and a float alpha can never be passed in each other's place.
class RAST_BlendMode {
 public:
  constexpr explicit RAST_BlendMode(int bits) : bits_(bits) {}
  constexpr int bits() const { return bits_; }
  // Low byte: the operation as the fills, pixel writes and mask drawing see it.
  constexpr int op() const { return bits_ & 0xFF; }
  // Operation and source-alpha flag, as the blits see them.
  constexpr int blitOp() const { return bits_ & 0x100FF; }
  constexpr bool usesSourceAlpha() const { return (bits_ & 0x10000) != 0; }
  constexpr bool isBilinear() const { return (bits_ & 0xFF00) == 0x100; }
  constexpr bool isChannelCopy() const { return (bits_ & 0xF0) == 0xF0; }
  // Channel copy: destination byte and source byte (0 alpha, 1 red, 2 green, 3 blue).
  constexpr int channelCopyDest() const { return (bits_ >> 2) & 3; }
  constexpr int channelCopySource() const { return bits_ & 3; }

  friend constexpr RAST_BlendMode operator|(RAST_BlendMode a, RAST_BlendMode b) {
    return RAST_BlendMode(a.bits_ | b.bits_);
  }
  friend constexpr bool operator==(RAST_BlendMode a, RAST_BlendMode b) {
    return a.bits_ == b.bits_;
  }

 private:
  int bits_;
};

inline constexpr RAST_BlendMode RAST_BLIT_MODE_COPY{0};
inline constexpr RAST_BlendMode RAST_BLIT_MODE_ADD{1};
inline constexpr RAST_BlendMode RAST_BLIT_MODE_DODGE{2};
inline constexpr RAST_BlendMode RAST_BLIT_MODE_MUL{3};
inline constexpr RAST_BlendMode RAST_BLIT_MODE_OVERLAY{4};
inline constexpr RAST_BlendMode RAST_BLIT_MODE_HSVADJ{5};
inline constexpr RAST_BlendMode RAST_BLIT_FILTER_BILINEAR{0x100};
inline constexpr RAST_BlendMode RAST_BLIT_USE_ALPHA{0x10000};
// Rectangle blit only: destination byte destByte becomes source byte srcByte.
constexpr RAST_BlendMode RAST_BLIT_MODE_CHANNEL_COPY(int destByte, int srcByte) {
  return RAST_BlendMode(0xF0 | (destByte & 3) << 2 | (srcByte & 3));
}

// ---------------------------------------------------------------------------------------------
// The integer weight: 0 leaves a pixel alone, 256 is the full source, a negative one works
// against the source (add subtracts). Always within -256..256: a weight outside is limited on
// construction, so no operation can spill one channel into the next, whatever alpha a caller
// passes. Copy takes no weight below 1.
class RAST_Weight {
 public:
  constexpr explicit RAST_Weight(int w) : w_(w < -256 ? -256 : (w > 256 ? 256 : w)) {}
  constexpr int value() const { return w_; }
  constexpr bool isZero() const { return w_ == 0; }
  constexpr bool isFull() const { return w_ == 256; }
  friend constexpr bool operator==(RAST_Weight a, RAST_Weight b) { return a.w_ == b.w_; }

  // trunc(alpha * 256), limited to -256..256; NaN gives 0. (alpha * 256 is exact in float and
  // in double, so the single- and double-precision forms of the callers agree.)
  static constexpr RAST_Weight FromAlpha(float alpha) {
    const float x = alpha * 256.0f;
    if (!(x == x)) return RAST_Weight(0);
    if (x >= 256.0f) return RAST_Weight(256);
    if (x <= -256.0f) return RAST_Weight(-256);
    return RAST_Weight(static_cast<int>(x));
  }

 private:
  int w_;
};

// ---------------------------------------------------------------------------------------------
// Per-channel operations. d and s are bytes (0..255), w a weight value (-256..256; copy 1..256).
namespace rast_blend_detail {
constexpr int Clamp255(int x) {
  return x < 0 ? 0 : (x > 255 ? 255 : x);
}

constexpr int CopyChannel(int d, int s, int w) {
  return s + (d - s) * (256 - w) / 256;
}
constexpr int AddChannel(int d, int s, int w) {
  return Clamp255(d + s * w / 256);
}
constexpr int DodgeChannel(int d, int s, int w) {
  const int k = 256 - s * w / 256;
  unsigned e = static_cast<unsigned>(d) * 256u;
  if (k >= 2) e /= static_cast<unsigned>(k);
  return e > 255u ? 255 : static_cast<int>(e);
}
// A negative weight brightens past 255 here: the result is kept in the byte.
constexpr int MulChannel(int d, int s, int w) {
  const int v = static_cast<int>(
      (static_cast<unsigned>(s * w + (256 - w) * 256) * static_cast<unsigned>(d)) >> 16);
  return v > 255 ? 255 : v;
}
constexpr int OverlayChannel(int d, int s, int w) {
  const int v = s * w + (256 - w) * 128;
  return Clamp255(((((32768 - v) * d) / 256 + v) * d) >> 15);
}
constexpr unsigned Byte(RAST_pixel p, int shift) {
  return (p >> shift) & 0xFFu;
}

template <typename F>
constexpr RAST_pixel PerChannel(RAST_pixel d, RAST_pixel s, F f) {
  return static_cast<RAST_pixel>(f(Byte(d, 0), Byte(s, 0))) |
         static_cast<RAST_pixel>(f(Byte(d, 8), Byte(s, 8))) << 8 |
         static_cast<RAST_pixel>(f(Byte(d, 16), Byte(s, 16))) << 16 |
         static_cast<RAST_pixel>(f(Byte(d, 24), Byte(s, 24))) << 24;
}
// One per-channel operation on every channel of a pixel at weight w.
template <int (*Channel)(int, int, int)>
constexpr RAST_pixel EachChannel(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  const int a = w.value();
  return PerChannel(d, s, [a](int dc, int sc) { return Channel(dc, sc, a); });
}
// Colour channels s + (d - s) * inv / 256, alpha min(da + alphaAdd, 255).
constexpr RAST_pixel MixTowardDestination(RAST_pixel d, RAST_pixel s, int inv, int alphaAdd) {
  RAST_pixel out =
      static_cast<RAST_pixel>(Clamp255(static_cast<int>(RAST_PixelAlpha(d)) + alphaAdd));
  for (int sh = 8; sh < 32; sh += 8) {
    const int dc = static_cast<int>(Byte(d, sh)), sc = static_cast<int>(Byte(s, sh));
    out |= static_cast<RAST_pixel>(sc + (dc - sc) * inv / 256) << sh;
  }
  return out;
}
}  // namespace rast_blend_detail

// Whole-pixel forms of the plain operations (flag 0x10000 clear). d destination, s source.
// Copy at weight 256 is the store (returns s); copy below 1 returns d.
constexpr RAST_pixel RAST_BlendCopy(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  if (w.value() < 1) return d;
  return rast_blend_detail::EachChannel<rast_blend_detail::CopyChannel>(d, s, w);
}
constexpr RAST_pixel RAST_BlendAdd(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::EachChannel<rast_blend_detail::AddChannel>(d, s, w);
}
constexpr RAST_pixel RAST_BlendDodge(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::EachChannel<rast_blend_detail::DodgeChannel>(d, s, w);
}
constexpr RAST_pixel RAST_BlendMul(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::EachChannel<rast_blend_detail::MulChannel>(d, s, w);
}
constexpr RAST_pixel RAST_BlendOverlay(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::EachChannel<rast_blend_detail::OverlayChannel>(d, s, w);
}
// HSV adjust of d: s's red, green and blue bytes are the hue, saturation and value shifts
// (128 neutral), s's alpha byte becomes the result's alpha.
RAST_pixel RAST_BlendHSV(RAST_pixel d, RAST_pixel s, RAST_Weight w);

// Word-wise copy mixes for the exact weights 128, 64 and 192 (each channel loses low bits).
constexpr RAST_pixel RAST_MixHalf(RAST_pixel d, RAST_pixel c) {
  return ((d >> 1) & 0x7f7f7f7fu) + ((c >> 1) & 0x7f7f7f7fu);
}
constexpr RAST_pixel RAST_MixQuarter(RAST_pixel d, RAST_pixel c) {  // a quarter of c
  return ((d >> 2) & 0x3f3f3f3fu) + ((c >> 2) & 0x3f3f3f3fu) + ((d >> 1) & 0x7f7f7f7fu);
}
constexpr RAST_pixel RAST_MixThreeQuarter(RAST_pixel d, RAST_pixel c) {  // three quarters of c
  return ((d >> 2) & 0x3f3f3f3fu) + ((c >> 2) & 0x3f3f3f3fu) + ((c >> 1) & 0x7f7f7f7fu);
}

// Source-alpha operations (flag 0x10000 set): sa = alpha byte of s, per-pixel weight
// w' = (sa + 1) * w / 256. Copy, add and multiply leave d alone where sa = 0.
constexpr int RAST_SourceAlphaWeight(RAST_pixel s, RAST_Weight w) {
  return (static_cast<int>(RAST_PixelAlpha(s)) + 1) * w.value() / 256;
}
// Copy at weight 256: sa = 255 stores s; else colour d = s + (d - s) * (255 - sa) / 256 and
// alpha = min(d + sa, 255).
constexpr RAST_pixel RAST_BlendStoreSA(RAST_pixel d, RAST_pixel s) {
  const int sa = static_cast<int>(RAST_PixelAlpha(s));
  if (sa == 0) return d;
  if (sa == 255) return s;
  return rast_blend_detail::MixTowardDestination(d, s, 255 - sa, sa);
}
// Copy at another weight: colour d = s + (d - s) * (256 - w') / 256; alpha = min(d + w', 255).
constexpr RAST_pixel RAST_BlendCopySA(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  if (RAST_PixelAlpha(s) == 0 || w.value() < 1) return d;
  const int ws = RAST_SourceAlphaWeight(s, w);
  return rast_blend_detail::MixTowardDestination(d, s, 256 - ws, ws);
}
namespace rast_blend_detail {
// A plain operation at the source-alpha weight; KeepClear leaves d alone where sa = 0.
template <RAST_pixel (*Blend)(RAST_pixel, RAST_pixel, RAST_Weight), bool KeepClear>
constexpr RAST_pixel AtSourceAlpha(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  if (KeepClear && RAST_PixelAlpha(s) == 0) return d;
  return Blend(d, s, RAST_Weight(RAST_SourceAlphaWeight(s, w)));
}
}  // namespace rast_blend_detail
constexpr RAST_pixel RAST_BlendAddSA(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::AtSourceAlpha<RAST_BlendAdd, true>(d, s, w);
}
constexpr RAST_pixel RAST_BlendDodgeSA(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::AtSourceAlpha<RAST_BlendDodge, false>(d, s, w);
}
constexpr RAST_pixel RAST_BlendMulSA(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::AtSourceAlpha<RAST_BlendMul, true>(d, s, w);
}
constexpr RAST_pixel RAST_BlendOverlaySA(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  return rast_blend_detail::AtSourceAlpha<RAST_BlendOverlay, false>(d, s, w);
}
RAST_pixel RAST_BlendHSVSA(RAST_pixel d, RAST_pixel s, RAST_Weight w);

// ---------------------------------------------------------------------------------------------
// HSV adjust of one pixel (mode 5): converts its red, green and blue to hue (384 steps),
// saturation and value, shifts them by h, s, v (bytes, 128 neutral) at weight w, converts back
// and stores the word with alpha byte a (whatever w is).
void RAST_HSVAdjustPixel(RAST_pixel* pixel, int h, int s, int v, int a, RAST_Weight w);

// The reciprocal table of the HSV conversion: entry 0 is 0, entry i is 65536 / i - 1.
extern const std::uint16_t RAST_ReciprocalTable[256];

// ---------------------------------------------------------------------------------------------
// Solid-colour write of the drawing primitives: pixel = mode's result of (pixel, color) at
// weight w. Only the low byte of the mode counts (6 and above: nothing). At w = 0 modes 0-4
// leave the pixel unchanged; HSV adjust still writes (the colour's alpha byte and the round trip
// of the conversion), like every primitive's per-pixel write.
void RAST_SolidWrite(RAST_pixel* pixel, RAST_pixel color, RAST_Weight w, RAST_BlendMode mode);

// Calls f(std::integral_constant<E, op>{}) for the one of Ops equal to op, so that a loop
// specialised per operation is chosen once per call; a value outside Ops calls nothing.
template <typename E, E... Ops, typename F>
inline void RAST_DispatchEnum(E op, F&& f) {
  (void)((op == Ops ? (f(std::integral_constant<E, Ops>{}), true) : false) || ...);
}

// Inline per-mode forms for loops specialised by mode (w from 1 to 256).
enum class RAST_SolidOp { Copy = 0, Add = 1, Dodge = 2, Mul = 3, Overlay = 4, HSV = 5 };

// Calls f(std::integral_constant<RAST_SolidOp, op>{}) for a mode's operation byte 0..5, so that
// a loop specialised per operation is chosen once per call; other values call nothing.
template <typename F>
inline void RAST_DispatchSolidOp(int op, F&& f) {
  using enum RAST_SolidOp;
  RAST_DispatchEnum<RAST_SolidOp, Copy, Add, Dodge, Mul, Overlay, HSV>(
      static_cast<RAST_SolidOp>(op), std::forward<F>(f));
}

// ---------------------------------------------------------------------------------------------
// The operation a blit runs for a mode word and weight (mode & 0x100FF): copy becomes store at
// weight 256 and nothing below 1; unknown values are None.
enum class RAST_BlitOp {
  None,
  Store,
  Copy,
  Add,
  Dodge,
  Mul,
  Overlay,
  HSV,
  StoreSA,
  CopySA,
  AddSA,
  DodgeSA,
  MulSA,
  OverlaySA,
  HSVSA,
};
RAST_BlitOp RAST_SelectBlitOp(RAST_BlendMode mode, RAST_Weight w);

// Calls f(std::integral_constant<RAST_BlitOp, op>{}), so that a loop specialised per operation
// is chosen once per call: f reads the operation as decltype(arg)::value. None calls nothing.
template <typename F>
inline void RAST_DispatchBlitOp(RAST_BlitOp op, F&& f) {
  using enum RAST_BlitOp;
  RAST_DispatchEnum<RAST_BlitOp, Store, Copy, Add, Dodge, Mul, Overlay, HSV, StoreSA, CopySA, AddSA,
                    DodgeSA, MulSA, OverlaySA, HSVSA>(op, std::forward<F>(f));
}

namespace rast_blend_detail {
// The weighted blend of each blit operation, in the order of RAST_BlitOp (null: none, store).
using WeightedBlend = RAST_pixel (*)(RAST_pixel, RAST_pixel, RAST_Weight);
constexpr WeightedBlend kBlitBlends[] = {nullptr,           nullptr,
                                         RAST_BlendCopy,    RAST_BlendAdd,
                                         RAST_BlendDodge,   RAST_BlendMul,
                                         RAST_BlendOverlay, RAST_BlendHSV,
                                         nullptr,           RAST_BlendCopySA,
                                         RAST_BlendAddSA,   RAST_BlendDodgeSA,
                                         RAST_BlendMulSA,   RAST_BlendOverlaySA,
                                         RAST_BlendHSVSA};
static_assert(std::size(kBlitBlends) == static_cast<std::size_t>(RAST_BlitOp::HSVSA) + 1);
}  // namespace rast_blend_detail

template <RAST_BlitOp Op>
inline RAST_pixel RAST_ApplyBlitOp(RAST_pixel d, RAST_pixel s, RAST_Weight w) {
  if constexpr (Op == RAST_BlitOp::Store) {
    return s;
  } else if constexpr (Op == RAST_BlitOp::StoreSA) {
    return RAST_BlendStoreSA(d, s);
  } else if constexpr (Op == RAST_BlitOp::None) {
    return d;
  } else {
    constexpr rast_blend_detail::WeightedBlend blend =
        rast_blend_detail::kBlitBlends[static_cast<int>(Op)];
    return blend(d, s, w);
  }
}

// The solid operations are the plain blit operations of the same names.
template <RAST_SolidOp Op>
inline RAST_pixel RAST_SolidBlend(RAST_pixel d, RAST_pixel color, RAST_Weight w) {
  constexpr RAST_BlitOp kOps[] = {RAST_BlitOp::Copy, RAST_BlitOp::Add,     RAST_BlitOp::Dodge,
                                  RAST_BlitOp::Mul,  RAST_BlitOp::Overlay, RAST_BlitOp::HSV};
  return RAST_ApplyBlitOp<kOps[static_cast<int>(Op)]>(d, color, w);
}

// ---------------------------------------------------------------------------------------------
// Pixel functions of the transform blits: blend one source colour (r, g, b, a) into *d.
// The clamped variants accept channels outside 0..255 and clamp every result.
using RAST_PixelFunc = void (*)(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixStore(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixCopy(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixAdd(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixDodge(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixMul(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixOverlay(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixHSV(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixStoreSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixCopySA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixAddSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixDodgeSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixMulSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixOverlaySA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixHSVSA(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixCopyClamped(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);
void RAST_PixMulClamped(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w);

// The pixel function for a blit operation (null for None).
RAST_PixelFunc RAST_PixelFuncFor(RAST_BlitOp op);

// ---------------------------------------------------------------------------------------------
// General one-pixel combiners (the whole dispatch for one pixel).
// Blended value of d under s; alpha below 1/256 in copy mode and unknown modes give d.
RAST_pixel RAST_BlendPixelValue(RAST_pixel d, RAST_pixel s, RAST_BlendMode mode, float alpha);
// Blends (r, g, b, a) into *d in place; weight 0 does nothing.
void RAST_BlendPixel(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w, RAST_BlendMode mode);
// The same with every result clamped to 0..255 (for channels outside 0..255).
void RAST_BlendPixelClamped(RAST_pixel* d, int r, int g, int b, int a, RAST_Weight w,
                            RAST_BlendMode mode);
