// Invisible list and grid selection controls.
#include "graphics/selection_controls.h"

#include <algorithm>

namespace {

constexpr int kKeySpace = 0;
constexpr int kKeyUp = 1;

const IChannelBlend kInvisibleBlend(IChannelBlend::kBlendClobber, 1.0f);

int ModifierOf(const IMouseMod* mod) {
  if (!mod) return selection::kNone;
  if (mod->S) return selection::kShift;
  if (mod->C) return selection::kControl;
  return selection::kNone;
}

// The modifier code a key sets; other keys leave it as it was.
int KeyModifier(int key, int current) {
  if (key == kKeySpace) return selection::kSpaceKey;
  if (key == kKeyUp) return selection::kUpKey;
  return current;
}

// Fraction of the way along a span; false for an empty span, which has no position.
bool Fraction(int p, int start, int span, double* out) {
  if (span <= 0) return false;
  *out = static_cast<double>(p - start) / span;
  return true;
}

}  // namespace

IInvisibleSelectControl::IInvisibleSelectControl(IModuleBase* plug, const IRECT& rect, int paramIdx)
    : IControl(plug, rect, paramIdx, kInvisibleBlend), mHeight(rect.H()), mTop(rect.T) {
  mDisablePrompt = true;
}

void IInvisibleSelectControl::OnMouseUp(int x, int y, IMouseMod* mod) {
  mHeight = mRECT.H();
  mTop = mRECT.T;
  if (!Fraction(y, mTop, mHeight, &mValue)) return;
  SetDirty(true);
}

IInvisibleSelectControl2::IInvisibleSelectControl2(IModuleBase* plug, const IRECT& rect,
                                                   int paramIdx, int horizontal)
    : IControl(plug, rect, paramIdx, kInvisibleBlend),
      mVertical(horizontal == 0),
      mHeight(rect.H()),
      mWidth(rect.W()),
      mTop(rect.T),
      mLeft(rect.L) {
  mDisablePrompt = true;
}

void IInvisibleSelectControl2::Position(int x, int y) {
  const bool ok =
      mVertical ? Fraction(y, mTop, mHeight, &mValue) : Fraction(x, mLeft, mWidth, &mValue);
  if (ok) SetDirty(true);
}

void IInvisibleSelectControl2::SetValueFromPoint(int x, int y) {
  Position(x, y);
}

void IInvisibleSelectControl2::OnMouseDown(int x, int y, IMouseMod* mod) {
  mMouseAction = selection::kPress;
  Position(x, y);
}

void IInvisibleSelectControl2::OnMouseUp(int x, int y, IMouseMod* mod) {
  mMouseAction = selection::kRelease;
  Position(x, y);
}

void IInvisibleSelectControl2::OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {
  mMouseAction = selection::kDrag;
  Position(x, y);
}

IInvisibleRecordingControl::IInvisibleRecordingControl(IModuleBase* plug, const IRECT& rect,
                                                       int paramIdx)
    : IControl(plug, rect, paramIdx, kInvisibleBlend) {
  mDisablePrompt = true;
}

void IInvisibleRecordingControl::Event(int action, int x, int y, const IMouseMod* mod) {
  mMouseAction = action;
  mLastX = x;
  mLastY = y;
  mModifier = ModifierOf(mod);
  SetValueFromPoint(x, y);
}

void IInvisibleRecordingControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  Event(selection::kPress, x, y, mod);
}
void IInvisibleRecordingControl::OnMouseUp(int x, int y, IMouseMod* mod) {
  Event(selection::kRelease, x, y, mod);
}
void IInvisibleRecordingControl::OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {
  Event(selection::kDrag, x, y, mod);
}
void IInvisibleRecordingControl::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  Event(selection::kDoubleClick, x, y, mod);
}

bool IInvisibleRecordingControl::OnKeyDown(int x, int y, int key) {
  mModifier = KeyModifier(key, mModifier);
  return false;  // passed on to the graphics' other key handlers
}

IInvisibleSelectControl3::IInvisibleSelectControl3(IModuleBase* plug, const IRECT& rect,
                                                   int paramIdx, int horizontal)
    : IInvisibleRecordingControl(plug, rect, paramIdx),
      mVertical(horizontal == 0),
      mHeight(rect.H()),
      mWidth(rect.W()),
      mTop(rect.T),
      mLeft(rect.L) {}

void IInvisibleSelectControl3::SetValueFromPoint(int x, int y) {
  mHeight = mRECT.H();
  mTop = mRECT.T;
  mWidth = mRECT.W();
  mLeft = mRECT.L;
  const bool ok =
      mVertical ? Fraction(y, mTop, mHeight, &mValue) : Fraction(x, mLeft, mWidth, &mValue);
  if (ok) SetDirty(true);
}

void IInvisibleSelectControl3::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  mMouseAction = selection::kWheel;
  const bool fine = mod && (mod->C || mod->S);
  mValue = 0.5 + d * (fine ? 0.001 : 0.01);
  SetDirty(true);
}

IInvisibleMatrixSelectControl::IInvisibleMatrixSelectControl(IModuleBase* plug, const IRECT& rect,
                                                             int paramIdx)
    : IInvisibleRecordingControl(plug, rect, paramIdx),
      mHeight(rect.H()),
      mWidth(rect.W()),
      mTop(rect.T),
      mLeft(rect.L) {}

int IInvisibleMatrixSelectControl::CellAt(int x, int y) const {
  const int h = mRECT.H(), w = mRECT.W();
  if (h <= 0 || w <= 0 || mColumns <= 0 || mRows <= 0) return -1;
  const double fx = static_cast<double>(x - mRECT.L) / w;
  const double fy = static_cast<double>(y - mRECT.T) / h;
  // Column and row are limited apart: a drop beside the grid stays in its row.
  const int col = std::clamp(static_cast<int>(std::clamp(mColumns * fx, -1.0, mColumns + 1.0)), 0,
                             mColumns - 1);
  const int row =
      std::clamp(static_cast<int>(std::clamp(mRows * fy, -1.0, mRows + 1.0)), 0, mRows - 1);
  return col + row * mColumns;
}

void IInvisibleMatrixSelectControl::SetValueFromPoint(int x, int y) {
  mHeight = mRECT.H();
  mTop = mRECT.T;
  mWidth = mRECT.W();
  mLeft = mRECT.L;
  const int cell = CellAt(x, y);
  if (cell < 0) return;
  mValue = static_cast<double>(cell) / (static_cast<double>(mColumns) * mRows);
  SetDirty(true);
}

void IInvisibleMatrixSelectControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  mWheelUp = d > 0;
  Event(selection::kWheel, x, y, mod);
}
