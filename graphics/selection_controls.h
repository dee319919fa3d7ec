// Invisible controls laid over painted lists and grids. They turn the pointer position into a
// value (the fraction of the way down or across, or a grid cell) and remember how the user
// pressed, so that the plug can select with ranges and toggles. The right button acts as the left.
#pragma once

#include "graphics/icontrol.h"

namespace selection {
// What the pointer did last.
enum EMouseAction { kPress = 0, kRelease = 1, kDrag = 2, kDoubleClick = 3, kWheel = 4 };
// Shift wins over Control; keys set the last two.
enum EModifier { kNone = 0, kShift = 1, kControl = 2, kSpaceKey = 3, kUpKey = 4 };
}  // namespace selection

// The value follows the pointer down the control on release.
class IInvisibleSelectControl : public IControl {
 public:
  IInvisibleSelectControl(IModuleBase* plug, const IRECT& rect, int paramIdx);
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override { return true; }
  bool DrawsInsideDrawRect() const override { return true; }

 protected:
  int mHeight, mTop;
};

// Press, release and drag set the value from the pointer (down or across, as constructed) and
// record which of them it was. The geometry is the construction rectangle's.
class IInvisibleSelectControl2 : public IControl {
 public:
  IInvisibleSelectControl2(IModuleBase* plug, const IRECT& rect, int paramIdx, int horizontal);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override { return true; }
  bool DrawsInsideDrawRect() const override { return true; }
  void SetValueFromPoint(int x, int y);
  void GetMouseAction(int* out) const { *out = mMouseAction; }

 protected:
  void Position(int x, int y);

  bool mVertical;
  int mHeight, mWidth, mTop, mLeft;
  int mMouseAction = selection::kPress;
};

// Shared by the third list and the grid: press, release, drag and double click set the value
// from the pointer and record the action, the pointer and the modifier; keys set the modifier.
class IInvisibleRecordingControl : public IControl {
 public:
  IInvisibleRecordingControl(IModuleBase* plug, const IRECT& rect, int paramIdx);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
  bool OnKeyDown(int x, int y, int key) override;
  bool Draw(IGraphics* graphics) override { return true; }
  bool DrawsInsideDrawRect() const override { return true; }
  virtual void SetValueFromPoint(int x, int y) = 0;
  void GetMouseAction(int* out) const { *out = mMouseAction; }
  void GetModifier(int* out) const { *out = mModifier; }
  void GetMousePos(int* x, int* y) const {
    *x = mLastX;
    *y = mLastY;
  }

 protected:
  void Event(int action, int x, int y, const IMouseMod* mod);

  int mLastX = 0, mLastY = 0;
  int mMouseAction = selection::kPress;
  int mModifier = selection::kNone;
};

// As the second list, with double click, wheel and keys, the pointer and the modifier recorded;
// the geometry follows the current rectangle.
class IInvisibleSelectControl3 : public IInvisibleRecordingControl {
 public:
  IInvisibleSelectControl3(IModuleBase* plug, const IRECT& rect, int paramIdx, int horizontal);
  // The value becomes 0.5 plus the turn: above 0.5 means upwards.
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;
  void SetValueFromPoint(int x, int y) override;

 protected:
  bool mVertical;
  int mHeight, mWidth, mTop, mLeft;
  bool mUnused = false;
};

// A grid of columns x rows cells; the value is cell / (columns x rows), the cell being
// column + row x columns of the pointer, limited to the grid.
class IInvisibleMatrixSelectControl : public IInvisibleRecordingControl {
 public:
  IInvisibleMatrixSelectControl(IModuleBase* plug, const IRECT& rect, int paramIdx);
  void SetColRow(int columns, int rows) {
    mColumns = columns;
    mRows = rows;
  }
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;
  void SetValueFromPoint(int x, int y) override;
  // The cell under (x, y), limited to the grid; -1 without a grid.
  int CellAt(int x, int y) const;
  bool IsWheelUp() const { return mWheelUp; }

 protected:
  int mHeight, mWidth;
  int mColumns = 0, mRows = 0;
  int mTop, mLeft;
  bool mWheelUp = false;
};
