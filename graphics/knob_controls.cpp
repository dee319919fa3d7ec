// Knobs (drag, wheel, filmstrip, line, rotated image, rotated mask) and the fader.
#include "graphics/knob_controls.h"

#include <cmath>

#include "graphics/igraphics.h"
#include "plugin/imodule_base.h"

namespace {

bool Fine(const IMouseMod* mod) {
  return mod && (mod->C || mod->S);
}

// Wheel steps: a hundredth of the range per notch, a thousandth with Control or Shift.
double WheelDelta(const IMouseMod* mod, int d) {
  return d * (Fine(mod) ? 0.001 : 0.01);
}

}  // namespace

IKnobControl::IKnobControl(IModuleBase* plug, const IRECT& rect, int paramIdx, int direction,
                           double gearing, const IChannelBlend& blend)
    : IControl(plug, rect, paramIdx, blend), mDirection(direction), mGearing(gearing) {}

void IKnobControl::OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {
  const double g = Fine(mod) ? mGearing * 10.0 : mGearing;
  // An empty rectangle or no gearing has no travel to divide by: the drag means nothing.
  const int span = mDirection == kHorizontal ? mRECT.R - mRECT.L : mRECT.T - mRECT.B;
  if (span == 0 || g == 0.0) return;
  mValue += (mDirection == kHorizontal ? dx : dy) / static_cast<double>(span) / g;
  SetDirty(true);
}

void IKnobControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  mValue += WheelDelta(mod, d);
  SetDirty(true);
}

IKnobLineControl::IKnobLineControl(IModuleBase* plug, const IRECT& rect, int paramIdx,
                                   const IColor* color, double innerRadius, double outerRadius,
                                   double minAngle, double maxAngle, int direction, double gearing)
    : IKnobControl(plug, rect, paramIdx, direction, gearing,
                   IChannelBlend(IChannelBlend::kBlendClobber, 1.0f)),
      mColor(color ? *color : COLOR_BLACK),
      mMinAngle(static_cast<float>(minAngle)),
      mMaxAngle(static_cast<float>(maxAngle)),
      mInnerRadius(static_cast<float>(innerRadius)),
      mOuterRadius(static_cast<float>(outerRadius == 0.0 ? rect.W() * 0.5 : outerRadius)) {}

bool IKnobLineControl::Draw(IGraphics* graphics) {
  const double a = mMinAngle + (mMaxAngle - mMinAngle) * mValue;
  const float cx = static_cast<float>(mRECT.L + mRECT.R) * 0.5f;
  const float cy = static_cast<float>(mRECT.T + mRECT.B) * 0.5f;
  // Radii follow the GUI scale only where the GUI can be scaled at all.
  const double s = mPlug && mPlug->GetGUIResize() ? mScale : 1.0;
  const float r1 = static_cast<float>(mInnerRadius * s), r2 = static_cast<float>(mOuterRadius * s);
  const float sa = static_cast<float>(std::sin(a)), ca = static_cast<float>(std::cos(a));
  graphics->DrawLine(&mColor, cx + sa * r1, cy - ca * r1, cx + sa * r2, cy - ca * r2, &mBlend,
                     true);
  return true;
}

IKnobRotaterControl::IKnobRotaterControl(IModuleBase* plug, int x, int y, int paramIdx,
                                         IFrameBitmap* image, double minAngle, double maxAngle,
                                         int yOffsetZeroDeg, int direction, double gearing)
    : IKnobControl(plug, FrameRectAt(image, x, y), paramIdx, direction, gearing),
      mMinAngle(minAngle),
      mMaxAngle(maxAngle),
      mYOffsetZeroDeg(yOffsetZeroDeg),
      mImage(image) {}

bool IKnobRotaterControl::Draw(IGraphics* graphics) {
  if (!mImage) return true;
  const int cx = (mRECT.L + mRECT.R) / 2, cy = (mRECT.T + mRECT.B) / 2;
  const double angle = mMinAngle + (mMaxAngle - mMinAngle) * mValue;
  graphics->DrawRotatedBitmap(mImage, cx, cy, angle, mYOffsetZeroDeg, &mBlend);
  return true;
}

IKnobMultiControl::IKnobMultiControl(IModuleBase* plug, int x, int y, int paramIdx,
                                     IFrameBitmap* bitmap, int direction, double gearing)
    : IKnobControl(plug, FrameRectAt(bitmap, x, y), paramIdx, direction, gearing),
      mBitmap(bitmap) {}

void IKnobMultiControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  SetDirty(true);
}

void IKnobMultiControl::SetBitmap(IFrameBitmap* bitmap, double scale) {
  if (!bitmap || bitmap->N < 1) return;
  mBitmap = bitmap;
  const int w = bitmap->mFramesAreHorizontal ? bitmap->mBaseW / bitmap->N : bitmap->mBaseW;
  const int h = bitmap->mFramesAreHorizontal ? bitmap->mBaseH : bitmap->mBaseH / bitmap->N;
  mRECT = IRECT(mRECT.L, mRECT.T, mRECT.L + static_cast<int>(std::lround(w * scale)),
                mRECT.T + static_cast<int>(std::lround(h * scale)));
  mTargetRect = mRECT;
  SetDirty(false);
}

int IKnobMultiControl::CurrentFrame() const {
  double v = mValue;
  if (mSteps > 0) v = std::round(v * mSteps) / mSteps;
  return FrameForValue(FrameCount(mBitmap), v);
}

bool IKnobMultiControl::Draw(IGraphics* graphics) {
  if (mBitmap) graphics->DrawBitmapFrame(mBitmap, &mRECT, CurrentFrame(), &mBlend);
  return true;
}

void IKnobMultiControl2::OnMouseDown(int x, int y, IMouseMod* mod) {
  mChanged = true;
  SetDirty(true);
}

void IKnobMultiControl2::OnMouseUp(int x, int y, IMouseMod* mod) {
  mChanged = false;
  SetDirty(true);
}

void IKnobMultiControl3::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) mChanged = true;
  SetDirty(true);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IModuleBase* plug, int x, int y, int paramIdx,
                                                   IFrameBitmap* base, IFrameBitmap* mask,
                                                   IFrameBitmap* top, double minAngle,
                                                   double maxAngle, int direction, double gearing)
    : IKnobControl(plug, FrameRectAt(base, x, y), paramIdx, direction, gearing),
      mBase(base),
      mMask(mask),
      mTop(top),
      mMinAngle(minAngle),
      mMaxAngle(maxAngle) {}

bool IKnobRotatingMaskControl::Draw(IGraphics* graphics) {
  if (!mBase || !mMask || !mTop) return true;
  const double angle = mMinAngle + (mMaxAngle - mMinAngle) * mValue;
  graphics->DrawRotatedMask(mBase, mMask, mTop, mRECT.L, mRECT.T, angle, &mBlend);
  return true;
}

IFaderControl::IFaderControl(IModuleBase* plug, int x, int y, int length, int paramIdx,
                             IFrameBitmap* handle, int direction, bool onlyHandle)
    : IControl(plug, IRECT(), paramIdx),
      mLen(length),
      mHandleHeadroom(direction == kHorizontal ? FrameWidth(handle) : FrameHeight(handle)),
      mBaseLen(length),
      mBaseHandleHeadroom(mHandleHeadroom),
      mDirection(direction),
      mOnlyHandle(onlyHandle),
      mHandleBitmap(handle) {
  mRECT = direction == kHorizontal ? IRECT(x, y, x + length, y + FrameHeight(handle))
                                   : IRECT(x, y, x + FrameWidth(handle), y + length);
  mTargetRect = mRECT;
}

IRECT IFaderControl::GetHandleRECT(double v) const {
  if (v < 0.0) v = mValue;
  IRECT r(mRECT.L, mRECT.T, mRECT.L + FrameWidth(mHandleBitmap),
          mRECT.T + FrameHeight(mHandleBitmap));
  const int travel = mLen - mHandleHeadroom;
  const int shift = mDirection == kHorizontal ? static_cast<int>(v * travel)
                                              : static_cast<int>(travel * (1.0 - v));
  if (mDirection == kHorizontal) {
    r.L += shift;
    r.R += shift;
  } else {
    r.T += shift;
    r.B += shift;
  }
  return r;
}

void IFaderControl::SnapToMouse(int x, int y) {
  const int travel = mLen - mHandleHeadroom;
  if (travel == 0) return;  // nowhere to move: the pointer means no value
  const int half = mHandleHeadroom / 2;
  if (mDirection == kHorizontal) {
    mValue = static_cast<double>(x - mRECT.L - half) / travel;
  } else {
    mValue = 1.0 - static_cast<double>(y - mRECT.T - half) / travel;
  }
  SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) {
    PromptUserInput();
    return;
  }
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  mValue += WheelDelta(mod, d);
  SetDirty(true);
}

bool IFaderControl::Draw(IGraphics* graphics) {
  if (!mHandleBitmap) return true;
  IRECT r = GetHandleRECT();
  graphics->DrawBitmapFrame(mHandleBitmap, &r, 1, &mBlend);
  return true;
}

void IFaderControl::OnRescale(double scale) {
  mLen = static_cast<int>(mBaseLen * scale);
  mHandleHeadroom = static_cast<int>(mBaseHandleHeadroom * scale);
}

bool IFaderControl::IsHit(int x, int y) {
  if (!mOnlyHandle) return IControl::IsHit(x, y);
  return GetHandleRECT().Contains(x, y);
}
