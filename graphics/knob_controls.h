// The continuous controls: knobs changed by dragging and the wheel (filmstrip, line-pointer and
// rotated-image knobs) and a fader whose handle follows the mouse.
#pragma once

#include "graphics/frame_geometry.h"
#include "graphics/icontrol.h"

// Drag and wheel shared by every knob. Gearing is the drag travel for the full range as a
// multiple of the control's size; Control or Shift makes it ten times finer.
class IKnobControl : public IControl {
 public:
  enum EDirection { kVertical = 0, kHorizontal = 1 };

  IKnobControl(IModuleBase* plug, const IRECT& rect, int paramIdx, int direction, double gearing,
               const IChannelBlend& blend = IChannelBlend());
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override;
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;
  int GetDirection() const { return mDirection; }
  double GetGearing() const { return mGearing; }

 protected:
  int mDirection;
  double mGearing;
};

// A line from an inner to an outer radius at the angle for the value (0 up, clockwise).
class IKnobLineControl : public IKnobControl {
 public:
  IKnobLineControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IColor* color,
                   double innerRadius = 0.0, double outerRadius = 0.0,
                   double minAngle = -0.75 * 3.14159265358979,
                   double maxAngle = 0.75 * 3.14159265358979, int direction = kVertical,
                   double gearing = 4.0);
  bool Draw(IGraphics* graphics) override;
  void OnRescale(double scale) override { mScale = scale; }

 protected:
  IColor mColor;
  float mMinAngle, mMaxAngle;
  float mInnerRadius, mOuterRadius;  // at scale 1
  double mScale = 1.0;
};

// One image turned about the control's centre.
class IKnobRotaterControl : public IKnobControl {
 public:
  IKnobRotaterControl(IModuleBase* plug, int x, int y, int paramIdx, IFrameBitmap* image,
                      double minAngle = -0.75 * 3.14159265358979,
                      double maxAngle = 0.75 * 3.14159265358979, int yOffsetZeroDeg = 0,
                      int direction = kVertical, double gearing = 4.0);
  bool Draw(IGraphics* graphics) override;

 protected:
  double mMinAngle, mMaxAngle;  // radians
  int mYOffsetZeroDeg;
  IFrameBitmap* mImage;
};

// The frame of a filmstrip for the value; with a step count the value shown snaps to whole steps.
class IKnobMultiControl : public IKnobControl {
 public:
  IKnobMultiControl(IModuleBase* plug, int x, int y, int paramIdx, IFrameBitmap* bitmap,
                    int direction = kVertical, double gearing = 4.0);
  // A press pushes the current value at once; the right button opens no prompt.
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  bool DrawsInsideDrawRect() const override { return true; }
  // n values shown (n - 1 steps); 0 or less shows every frame.
  void SetFrameLimit(int n) {
    const int steps = n > 0 ? n - 1 : 0;
    if (steps == mSteps) return;
    mSteps = steps;
    SetDirty(false);
  }
  int GetSteps() const { return mSteps; }
  IFrameBitmap* GetBitmap() const { return mBitmap; }
  int CurrentFrame() const;

 protected:
  IFrameBitmap* mBitmap;
  int mSteps = 0;
};

// Tells the plug whether the user holds the knob (pressed until released).
class IKnobMultiControl2 : public IKnobMultiControl {
 public:
  using IKnobMultiControl::IKnobMultiControl;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  bool IsChanged() const { return mChanged; }

 protected:
  bool mChanged = false;
};

// Remembers a right-button press until the plug takes it.
class IKnobMultiControl3 : public IKnobMultiControl {
 public:
  using IKnobMultiControl::IKnobMultiControl;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool TakeChanged() {
    const bool changed = mChanged;
    mChanged = false;
    return changed;
  }

 protected:
  bool mChanged = false;
};

// A knob drawn from a base, a turning mask and a turning top image of equal size.
class IKnobRotatingMaskControl : public IKnobControl {
 public:
  IKnobRotatingMaskControl(IModuleBase* plug, int x, int y, int paramIdx, IFrameBitmap* base,
                           IFrameBitmap* mask, IFrameBitmap* top, double minAngle = -135.0,
                           double maxAngle = 135.0, int direction = kVertical,
                           double gearing = 4.0);
  bool Draw(IGraphics* graphics) override;

 protected:
  IFrameBitmap* mBase;
  IFrameBitmap* mMask;
  IFrameBitmap* mTop;
  double mMinAngle, mMaxAngle;  // degrees
};

// A handle image travelling along a track of the given length; a press or drag puts the handle's
// centre under the pointer.
class IFaderControl : public IControl {
 public:
  enum EDirection { kVertical = 0, kHorizontal = 1 };

  IFaderControl(IModuleBase* plug, int x, int y, int length, int paramIdx, IFrameBitmap* handle,
                int direction = kVertical, bool onlyHandle = false);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override { SnapToMouse(x, y); }
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;
  bool Draw(IGraphics* graphics) override;
  void OnRescale(double scale) override;
  bool IsHit(int x, int y) override;
  virtual void SnapToMouse(int x, int y);

  // The handle's rectangle for value v (negative: the current value).
  IRECT GetHandleRECT(double v = -1.0) const;
  int GetLength() const { return mLen; }
  int GetHandleSize() const { return mHandleHeadroom; }

 protected:
  int mLen;
  int mHandleHeadroom;
  int mBaseLen;
  int mBaseHandleHeadroom;
  int mDirection;
  bool mOnlyHandle;
  IFrameBitmap* mHandleBitmap;
};
