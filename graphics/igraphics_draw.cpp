// Drawing primitives of IGraphics: every one goes through a view of the back buffer cut to the
// current draw rectangle, so nothing lands outside the area being repainted.
#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/graphics_caches.h"
#include "graphics/igraphics.h"
#include "rast/rast_blit.h"
#include "rast/rast_circle.h"
#include "rast/rast_fill.h"
#include "rast/rast_line.h"
#include "rast/rast_shapes.h"
#include "rast/rast_transform_blit.h"

using graphics_detail::BlendToRast;
using graphics_detail::ClipView;

namespace graphics_detail {

ClipView::ClipView(RAST_IBitmap* parent, const IRECT& r) {
  if (!parent || r.Empty()) return;
  RAST_pixel* bits = parent->getBits();
  const int pw = parent->getWidth(), ph = parent->getHeight(), span = parent->getRowSpan();
  if (!bits || pw <= 0 || ph <= 0 || span < pw) return;
  const int l = std::max(r.L, 0), t = std::max(r.T, 0), rr = std::min(r.R, pw),
            b = std::min(r.B, ph);
  if (rr <= l || b <= t) return;
  mFlipped = parent->isFlipped();
  const long long row = mFlipped ? ph - b : t;
  mBits = bits + row * span + l;
  mW = rr - l;
  mH = b - t;
  mSpan = span;
  mOx = l;
  mOy = t;
}

void BlendToRast(const IChannelBlend* blend, bool rotated, float* alpha, RAST_BlendMode* mode) {
  int bits = 0x10000;
  *alpha = 1.0f;
  if (blend) {
    *alpha = blend->mWeight;
    switch (blend->mMethod) {
      case IChannelBlend::kBlendClobber:
        bits = 0x0;
        break;
      case IChannelBlend::kBlendAdd:
        bits = 0x10001;
        break;
      case IChannelBlend::kBlendColorDodge:
        bits = 0x10002;
        break;
      default:
        break;
    }
  }
  if (rotated) bits |= 0x100;
  *mode = RAST_BlendMode(bits);
}

void FrameOrigin(const IFrameBitmap& bitmap, int frame, int* x, int* y) {
  const int n = std::max(bitmap.N, 1);
  const int f = std::clamp(frame, 1, n);
  *x = *y = 0;
  if (f < 2) return;
  if (bitmap.mFramesAreHorizontal)
    *x = static_cast<int>((f - 1) * static_cast<double>(bitmap.W) / n + 0.5);
  else
    *y = static_cast<int>((f - 1) * static_cast<double>(bitmap.H) / n + 0.5);
}

}  // namespace graphics_detail

namespace {

constexpr RAST_BlendMode kPlain{0};

// Truncation that stays defined for any float (NaN and huge values go to the far edge).
int Trunc(double v) {
  if (!(v == v)) return INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int>(v);
}

// Where a primitive draws: the back buffer cut to the draw rectangle, with positions moved into
// it, and the blend as a RAST weight and mode.
struct Pen {
  Pen(IGraphics* g, const IChannelBlend* blend, bool rotated = false)
      : view(g->GetDrawBitmap(), g->GetDrawRect()) {
    BlendToRast(blend, rotated, &alpha, &mode);
  }
  explicit operator bool() const { return view.Valid(); }
  int X(int x) const { return Shift(x, view.OX()); }
  int Y(int y) const { return Shift(y, view.OY()); }
  float X(float x) const { return x - static_cast<float>(view.OX()); }
  float Y(float y) const { return y - static_cast<float>(view.OY()); }
  // In 64 bits: far-away points must not wrap into the view.
  static int Shift(int v, int o) {
    return static_cast<int>(
        std::clamp<long long>(static_cast<long long>(v) - o, INT32_MIN / 2, INT32_MAX / 2));
  }
  // Integer line in back-buffer coordinates.
  void Line(int x1, int y1, int x2, int y2, RAST_pixel c, bool aa) {
    RAST_Line(&view, X(x1), Y(y1), X(x2), Y(y2), c, alpha, mode, aa);
  }

  ClipView view;
  float alpha = 1.0f;
  RAST_BlendMode mode{0};
};

// An aliased line in the colour with the default weight; false without a colour.
bool PlainLine(IGraphics* g, const IColor* color, int x1, int y1, int x2, int y2) {
  if (!color) return false;
  Pen pen(g, nullptr);
  pen.mode = kPlain;
  if (pen) pen.Line(x1, y1, x2, y2, color->ToPixel(), false);
  return true;
}

}  // namespace

bool IGraphics::DrawBitmap(IFrameBitmap* bitmap, IRECT* dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
  if (!bitmap || !bitmap->mBitmap || !dest) return false;
  const IRECT& d = mDrawRect;
  if (dest->Empty() || d.Empty()) return true;
  const int l = std::max(dest->L, d.L), t = std::max(dest->T, d.T);
  const int r = std::min(dest->R, d.R), b = std::min(dest->B, d.B);
  if (r <= l || b <= t) return true;
  if (graphics_detail::FindingImages()) {
    bitmap->mBitmap->getBits();  // notes a waiting image
    return true;
  }
  float alpha;
  RAST_BlendMode mode(0);
  BlendToRast(blend, false, &alpha, &mode);
  RAST_Blit(mDrawBitmap.get(), bitmap->mBitmap, l, t, srcX + (l - dest->L), srcY + (t - dest->T),
            r - l, b - t, alpha, mode);
  return true;
}

bool IGraphics::DrawBitmapFrame(IFrameBitmap* bitmap, IRECT* dest, int frame,
                                const IChannelBlend* blend) {
  if (!bitmap || !dest) return false;
  int srcX, srcY;
  graphics_detail::FrameOrigin(*bitmap, frame, &srcX, &srcY);
  return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(IFrameBitmap* bitmap, int cx, int cy, double angle,
                                  int yOffsetZeroDeg, const IChannelBlend* blend) {
  if (!bitmap || !bitmap->mBitmap) return false;
  Pen pen(this, blend, true);
  if (!pen) return true;
  const int w = bitmap->W, h = bitmap->H;
  RAST_RotatedBlit(&pen.view, bitmap->mBitmap, pen.X(cx - w / 2), pen.Y(cy - h / 2), w, h, 0.0f,
                   0.0f, static_cast<float>(w), static_cast<float>(h), static_cast<float>(angle),
                   false, pen.alpha, pen.mode, 0.0f, static_cast<float>(yOffsetZeroDeg));
  return true;
}

bool IGraphics::DrawRotatedMask(IFrameBitmap* base, IFrameBitmap* mask, IFrameBitmap* top, int x,
                                int y, double angle, const IChannelBlend* blend) {
  if (!base || !mask || !top || !base->mBitmap || !mask->mBitmap || !top->mBitmap) return false;
  if (!mTmpBitmap) mTmpBitmap = std::make_unique<RAST_MemBitmap>(0, 0, 4);
  const int w = base->W, h = base->H;
  const float a = static_cast<float>(angle * M_PI / 180.0);
  const float ox = (w & 1) ? -0.5f : 0.0f;
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  RAST_Copy(mTmpBitmap.get(), base->mBitmap);
  RAST_ClearRect(mTmpBitmap.get(), 0, 0, w, h, 0xFFFFFF00u, 0);
  RAST_RotatedBlit(mTmpBitmap.get(), mask->mBitmap, 0, 0, w, h, 0.0f, 0.0f, fw, fh, a, true, 1.0f,
                   RAST_BlendMode(0x10101), ox, 0.0f);
  RAST_RotatedBlit(mTmpBitmap.get(), top->mBitmap, 0, 0, w, h, 0.0f, 0.0f, fw, fh, a, true, 1.0f,
                   RAST_BlendMode(0x10100), ox, 0.0f);
  IFrameBitmap scratch(mTmpBitmap.get(), w, h);
  IRECT dest(x, y, x + w, y + h);
  return DrawBitmap(&scratch, &dest, 0, 0, blend);
}

bool IGraphics::DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend,
                          bool aa) {
  if (!color) return false;
  Pen pen(this, blend);
  const int px = Trunc(x + 0.5), py = Trunc(y + 0.5);
  if (pen && px != INT32_MIN && py != INT32_MIN)
    RAST_PutPixel(&pen.view, pen.X(px), pen.Y(py), color->ToPixel(), pen.alpha, pen.mode);
  return true;
}

bool IGraphics::ForcePixel(const IColor* color, int x, int y) {
  if (!color) return false;
  Pen pen(this, nullptr);
  const int vx = pen.X(x), vy = pen.Y(y);
  if (pen && vx >= 0 && vy >= 0 && vx < pen.view.getWidth() && vy < pen.view.getHeight())
    *RAST_BitmapRows(&pen.view).at(vx, vy) = color->ToPixel();
  return true;
}

IColor IGraphics::GetPoint(int x, int y) {
  const RAST_pixel p = RAST_GetPixel(mDrawBitmap.get(), x, y);
  return IColor(static_cast<int>(RAST_PixelAlpha(p)), static_cast<int>(RAST_PixelRed(p)),
                static_cast<int>(RAST_PixelGreen(p)), static_cast<int>(RAST_PixelBlue(p)));
}

RAST_pixel* IGraphics::GetBits() {
  return mDrawBitmap ? mDrawBitmap->getBits() : nullptr;
}

bool IGraphics::DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool aa) {
  if (!color) return false;
  Pen pen(this, blend);
  if (pen) pen.Line(Trunc(x1), Trunc(y1), Trunc(x2), Trunc(y2), color->ToPixel(), aa);
  return true;
}

bool IGraphics::DrawArc(const IColor* color, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* blend, bool aa) {
  if (!color) return false;
  Pen pen(this, blend);
  if (pen)
    RAST_Arc(&pen.view, pen.X(cx), pen.Y(cy), r, minAngle, maxAngle, color->ToPixel(), pen.alpha,
             pen.mode, aa);
  return true;
}

bool IGraphics::DrawCircle(const IColor* color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool aa) {
  if (!color) return false;
  Pen pen(this, blend);
  if (pen)
    RAST_Circle(&pen.view, pen.X(cx), pen.Y(cy), r, color->ToPixel(), pen.alpha, pen.mode, aa);
  return true;
}

bool IGraphics::DrawRoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend,
                              int cornerRadius, bool aa) {
  if (!color || !rect) return false;
  Pen pen(this, blend);
  if (pen)
    RAST_RoundRect(&pen.view, static_cast<float>(pen.X(rect->L)),
                   static_cast<float>(pen.Y(rect->T)), static_cast<float>(rect->W()),
                   static_cast<float>(rect->H()), cornerRadius, color->ToPixel(), pen.alpha,
                   pen.mode, aa);
  return true;
}

bool IGraphics::FillRoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend,
                              int cornerRadius, bool aa) {
  if (!color || !rect) return false;
  Pen pen(this, blend);
  if (!pen) return true;
  const RAST_pixel c = color->ToPixel();
  const int r = cornerRadius, l = pen.X(rect->L), t = pen.Y(rect->T), rr = pen.X(rect->R),
            b = pen.Y(rect->B);
  const int w = rect->W(), h = rect->H();
  RAST_FillRect(&pen.view, l + r, t, w - 2 * r, h, c, pen.alpha, pen.mode);
  RAST_FillRect(&pen.view, l, t + r, r, h - 2 * r, c, pen.alpha, pen.mode);
  RAST_FillRect(&pen.view, rr - r, t + r, r, h - 2 * r, c, pen.alpha, pen.mode);
  const std::pair<int, int> centres[] = {
      {l + r, t + r}, {rr - r - 1, b - r - 1}, {rr - r - 1, t + r}, {l + r, b - r - 1}};
  for (auto [x, y] : centres)
    RAST_FillCircle(&pen.view, static_cast<float>(x), static_cast<float>(y), static_cast<float>(r),
                    c, pen.alpha, pen.mode, aa);
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* rect, const IChannelBlend* blend) {
  if (!color || !rect) return false;
  if (graphics_detail::FindingImages()) return true;
  Pen pen(this, blend);
  if (pen)
    RAST_FillRect(&pen.view, pen.X(rect->L), pen.Y(rect->T), rect->W(), rect->H(), color->ToPixel(),
                  pen.alpha, pen.mode);
  return true;
}

bool IGraphics::FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool aa) {
  if (!color) return false;
  Pen pen(this, blend);
  if (pen)
    RAST_FillCircle(&pen.view, static_cast<float>(pen.X(cx)), static_cast<float>(pen.Y(cy)), r,
                    color->ToPixel(), pen.alpha, pen.mode, aa);
  return true;
}

bool IGraphics::FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend) {
  if (!color) return false;
  Pen pen(this, blend);
  if (pen)
    RAST_FillTriangle(&pen.view, pen.X(x1), pen.Y(y1), pen.X(x2), pen.Y(y2), pen.X(x3), pen.Y(y3),
                      color->ToPixel(), pen.mode, pen.alpha);
  return true;
}

bool IGraphics::FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints,
                                   const IChannelBlend* blend) {
  if (!color || !x || !y) return false;
  Pen pen(this, blend);
  if (!pen || npoints < 3) return true;
  std::vector<int> vx(x, x + npoints), vy(y, y + npoints);
  for (int& v : vx) v = pen.X(v);
  for (int& v : vy) v = pen.Y(v);
  RAST_FillConvexPolygon(&pen.view, vx.data(), vy.data(), npoints, color->ToPixel(), pen.mode,
                         pen.alpha);
  return true;
}

bool IGraphics::FillCBezier(const IColor* color, float x0, float y0, float x1, float y1, float x2,
                            float y2, float x3, float y3, int baseY, const IChannelBlend* blend,
                            float segmentLength) {
  if (!color) return false;
  Pen pen(this, blend);
  if (pen)
    RAST_FillCBezier(&pen.view, pen.X(x0), pen.Y(y0), pen.X(x1), pen.Y(y1), pen.X(x2), pen.Y(y2),
                     pen.X(x3), pen.Y(y3), pen.Y(baseY), color->ToPixel(), pen.alpha, pen.mode,
                     segmentLength);
  return true;
}

bool IGraphics::DrawIRect(const IColor* color, IRECT* rect) {
  if (!color || !rect) return false;
  Pen pen(this, nullptr);
  pen.alpha = 1.0f;
  pen.mode = kPlain;
  if (!pen) return true;
  const RAST_pixel c = color->ToPixel();
  const IRECT& r = *rect;
  pen.Line(r.L, r.T, r.R, r.T, c, false);
  pen.Line(r.L, r.B, r.R, r.B, c, false);
  pen.Line(r.L, r.T, r.L, r.B, c, false);
  pen.Line(r.R, r.T, r.R, r.B, c, false);
  return true;
}

bool IGraphics::DrawVerticalLine(const IColor* color, int x, int yLo, int yHi) {
  return PlainLine(this, color, x, yLo, x, yHi);
}

bool IGraphics::DrawHorizontalLine(const IColor* color, int y, int xLo, int xHi) {
  return PlainLine(this, color, xLo, y, xHi, y);
}

bool IGraphics::DrawVerticalLineInRect(const IColor* color, IRECT* rect, float x) {
  if (!rect) return false;
  const float f = std::clamp(x == x ? x : 0.0f, 0.0f, 1.0f);
  return DrawVerticalLine(color, rect->L + static_cast<int>(rect->W() * f), rect->T, rect->B);
}

bool IGraphics::DrawHorizontalLineInRect(const IColor* color, IRECT* rect, float y) {
  if (!rect) return false;
  const float f = std::clamp(y == y ? y : 0.0f, 0.0f, 1.0f);
  return DrawHorizontalLine(color, rect->B - static_cast<int>(rect->H() * f), rect->L, rect->R);
}

bool IGraphics::DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* blend, bool aa) {
  if (!color) return false;
  Pen pen(this, blend);
  const double s = std::sin(angle), c = std::cos(angle);
  if (pen)
    pen.Line(Trunc(cx + s * rMin), Trunc(cy - c * rMin), Trunc(cx + s * rMax), Trunc(cy - c * rMax),
             color->ToPixel(), aa);
  return true;
}

bool IGraphics::DrawBlurredBitmap(IFrameBitmap* bitmap, int x, int y, IRECT* source) {
  if (!bitmap || !bitmap->mBitmap || !source) return false;
  Pen pen(this, nullptr);
  if (pen)
    RAST_Blur(&pen.view, bitmap->mBitmap, pen.X(x), pen.Y(y), source->L, source->T, source->W(),
              source->H());
  return true;
}
