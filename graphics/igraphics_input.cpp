// IGraphics input dispatch: mouse, wheel and keys to the control under the pointer (or the one
// holding the capture), parameter-edit brackets for the plug, and value prompts.
#include <clocale>
#include <cstring>
#include <cstdlib>
#include <locale.h>

#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "plugin/iparam.h"
#include "plugin/ipopup_menu.h"

namespace {

// atof in the "C" locale: typed values must not change meaning with the user's locale.
double ParseNumber(const char* text) {
  static locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  if (!text) return 0.0;
  return c ? strtod_l(text, nullptr, c) : std::strtod(text, nullptr);
}

bool IsChoiceParam(const IParam* p) {
  return p->Type() == IParam::kTypeBool || p->Type() == IParam::kTypeEnum;
}

}  // namespace

int IGraphics::TopmostHit(int x, int y, bool mouseOver) const {
  for (int i = NControls() - 1; i >= 0; --i) {
    IControl* c = GetControl(i);
    if (c->IsHidden()) continue;
    if (c->IsGrayed() && !(mouseOver && c->GetMOWhenGrayed())) continue;
    if (c->IsHit(x, y)) return i;
  }
  return -1;
}

int IGraphics::GetMouseControlIdx(int x, int y, bool mouseOver) {
  if (mMouseCapture >= 0) return mMouseCapture;
  return TopmostHit(x, y, mouseOver);
}

void IGraphics::ReleaseMouseCapture() {
  mMouseCapture = -1;
  mMouseX = -1;
  mMouseY = -1;
}

void IGraphics::OnMouseDown(int x, int y, IMouseMod* mod) {
  const int e = GetLiveEditControlIdx(x, y);
  if (e >= 0) mLiveEditControl = e;
  if (mod) mMouseMod = *mod;
  ReleaseMouseCapture();
  const int i = TopmostHit(x, y, false);
  if (i < 0) return;
  mMouseCapture = i;
  mMouseX = x;
  mMouseY = y;
  IControl* c = GetControl(i);
  if (c->ParamIdx() >= 0 && mPlug) mPlug->BeginParamEdit(c->ParamIdx());
  if (!Swallowed()) c->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(int x, int y, IMouseMod* mod) {
  mLiveEditControl = -1;
  if (mod) {
    mMouseMod.A = mod->A;
    mMouseMod.S = mod->S;
  }
  // The stored buttons follow the held ones: the layout editor ends a drag here.
  mMouseMod.L = false;
  mMouseMod.R = false;
  mMouseMod.C = false;
  const int i = mMouseCapture >= 0 ? mMouseCapture : TopmostHit(x, y, false);
  ReleaseMouseCapture();
  IControl* c = GetControl(i);
  if (!c) return;
  if (!Swallowed()) c->OnMouseUp(x, y, mod);
  if (c->ParamIdx() >= 0 && mPlug) mPlug->EndParamEdit(c->ParamIdx());
}

void IGraphics::OnMouseDrag(int x, int y, IMouseMod* mod) {
  mDragging = true;
  if (mod) {
    mMouseMod.A = mod->A;
    mMouseMod.S = mod->S;
  }
  IControl* c = GetControl(mMouseCapture);
  if (!c) return;
  const int dx = x - mMouseX, dy = y - mMouseY;
  if (dx == 0 && dy == 0) return;
  mMouseX = x;
  mMouseY = y;
  if (Swallowed()) return;
  c->OnMouseDrag(x, y, dx, dy, mod);
}

bool IGraphics::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  // The layout editor takes a quick second press like any other.
  if (Swallowed()) {
    OnMouseDown(x, y, mod);
    return true;
  }
  ReleaseMouseCapture();
  const int i = TopmostHit(x, y, false);
  if (i < 0) return false;
  IControl* c = GetControl(i);
  if (!c->GetDblAsSingleClick()) {
    if (!Swallowed()) c->OnMouseDblClick(x, y, mod);
    return false;
  }
  mMouseCapture = i;
  mMouseX = x;
  mMouseY = y;
  if (!Swallowed()) c->OnMouseDown(x, y, mod);
  return true;
}

void IGraphics::OnMouseWheel(int x, int y, IMouseMod* mod, int delta) {
  if (IControl* c = GetControl(GetMouseControlIdx(x, y, false))) c->OnMouseWheel(x, y, mod, delta);
}

bool IGraphics::OnMouseOver(int x, int y, IMouseMod* mod) {
  if (mod) mMouseMod.S = mod->S;
  if (!mHandleMouseOver) return false;
  const int i = GetMouseControlIdx(x, y, true);
  if (i < 0) return mHandleMouseOver;
  mMouseX = x;
  mMouseY = y;
  GetControl(i)->OnMouseOver(x, y, mod);
  if (mMouseOver >= 0 && mMouseOver != i)
    if (IControl* old = GetControl(mMouseOver)) old->OnMouseOut();
  mMouseOver = i;
  return mHandleMouseOver;
}

void IGraphics::OnMouseOut() {
  for (int i = 0; i < NControls(); ++i) GetControl(i)->OnMouseOut();
  mMouseOver = -1;
}

bool IGraphics::OnKeyDown(int x, int y, int key) {
  if (key == 19 && mLiveEdit) SetAllControlsDirty();
  mLastKey = key;
  if (mMouseCapture >= 0) {
    if (mMouseCapture == 0) return mKeyCatcher && mKeyCatcher->OnKeyDown(x, y, key);
    IControl* c = GetControl(mMouseCapture);
    return c && c->OnKeyDown(x, y, key);
  }
  const int i = TopmostHit(x, y, false);
  if (i > 0) return GetControl(i)->OnKeyDown(x, y, key);
  return mKeyCatcher && mKeyCatcher->OnKeyDown(x, y, key);
}

int IGraphics::GetLiveEditControlIdx(int x, int y) {
  if (mLiveEditControl >= 0) return mLiveEditControl;
  for (int i = NControls() - 1 - ResizeHandleCount(); i >= 0; --i) {
    IControl* c = GetControl(i);
    const IRECT& d = c->GetRECT();
    const IRECT& t = c->GetTargetRECT();
    bool match = false;
    switch (mLiveEditRectMode) {
      case 0:
        match = d.Contains(x, y) && t == d;
        break;
      case 1:
        match = d.Contains(x, y);
        break;
      case 2:
        match = t.Contains(x, y);
        break;
      default:
        break;
    }
    if (match) return i;
  }
  return -1;
}

int IGraphics::GetParamIdxForPoint(int x, int y) {
  const int i = GetMouseControlIdx(x, y, false);
  mLastClickedParam = i > 0 ? GetControl(i)->ParamIdx() : -1;
  return mLastClickedParam;
}

int IGraphics::TakeLastClickedParam() {
  const int p = mLastClickedParam;
  mLastClickedParam = -1;
  return p;
}

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* where) {
  if (!control || !param || !where) return;
  const int n = param->GetNDisplayTexts();
  char current[IParam::kDisplayStringSize];
  if (param->Type() == IParam::kTypeEnum || (param->Type() == IParam::kTypeBool && n > 0)) {
    param->GetDisplayString(false, current, true, param->Value(), sizeof current);
    if (n != 1) {
      IPopupMenu menu;
      for (int v = 0; v < n; ++v) {
        const char* text = param->GetDisplayTextForValue(v);
        menu.AddItem(
            text, -1,
            std::strcmp(text, current) == 0 ? IPopupMenuItem::kChecked : IPopupMenuItem::kNoFlags);
      }
      if (IPopupMenu* chosen = CreateIPopupMenu(&menu, where))
        control->SetValueFromUserInput(param->ToNormalized(chosen->GetChosenItemIdx()));
      return;
    }
  } else {
    param->GetDisplayString(false, current, false, param->Value(), sizeof current);
  }
  CreateTextEntry(control, param, control->GetTextStyle(), where, current);
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text) {
  if (!param || !control) return;
  double v = 0.0;
  if (IsChoiceParam(param)) {
    int value = 0;
    if (text && param->MapDisplayText(text, &value)) v = value;
  } else {
    v = ParseNumber(text);
  }
  control->SetValueFromUserInput(param->ToNormalized(v));
}
