// IControl: default behaviour shared by every control.
#include "graphics/icontrol.h"

#include <cassert>
#include <cstdio>
#include <cstring>

#include "graphics/igraphics.h"
#include "plugin/imodule_base.h"
#include "plugin/iparam.h"

IControl::IControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IChannelBlend& blend)
    : mPlug(plug), mRECT(rect), mTargetRect(rect), mParamIdx(paramIdx), mBlend(blend) {}

IParam* IControl::GetBoundParam() const {
  return mPlug && mParamIdx >= 0 ? mPlug->GetParam(mParamIdx) : nullptr;
}

IGraphics* IControl::GetGraphics() const {
  return GetGraphicsOf(mPlug);
}

void IControl::NoteChange() {
  NoteRedrawChange();
  if (IGraphics* g = GetGraphics()) g->NoteChangedControl(this);
}

void IControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) PromptUserInput();
}

void IControl::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  if (mDefaultValue < 0.0) return;
  mValue = mDefaultValue;
  SetDirty(true);
}

void IControl::SetValueFromPlug(double value) {
  if (mDefaultValue < 0.0) {
    mValue = value;
    mDefaultValue = value;
    return;
  }
  if (mValue != value) {
    mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

void IControl::SetValueFromUserInput(double value) {
  if (mValue != value) {
    mValue = value;
    SetDirty(true);
    mRedraw = true;
  }
}

void IControl::Hide(bool hide) {
  mHide = hide;
  ++mShapeCount;
  NoteShapeChange();
  mRedraw = true;
  SetDirty(false);
}

void IControl::GrayOut(bool gray) {
  mGrayed = gray;
  mBlend.mWeight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

void IControl::MoveTo(int x, int y) {
  const int w = mRECT.W(), h = mRECT.H();
  mRECT = IRECT(x, y, x + w, y + h);
  ++mShapeCount;
  NoteShapeChange();
  mTargetRect = mRECT;
  SetDirty(false);
}

void IControl::SetDirty(bool push) {
#ifndef NDEBUG
  if (const IGraphics* g = GetGraphics())
    assert(g->OnGuiThread() && "GUI call off the main thread");
#endif
  // A NaN (0/0 from a zero-sized control) counts as below the range, so it never reaches the
  // plug or the drawing code.
  if (!(mValue >= mClampLo)) {
    mValue = mClampLo;
  } else if (mClampHi < mValue) {
    mValue = mClampHi;
  }
  mDirty = true;
  ++mDirtyCount;
  NoteChange();
  if (!push || !mPlug || mParamIdx < 0) return;

  mPlug->SetParameterFromGUI(mParamIdx, mValue);
  IParam* param = mPlug->GetParam(mParamIdx);
  if (!param) return;
  if (mValDisplayControl) {
    char display[IParam::kDisplayStringSize];
    param->GetDisplayString(false, display, true, param->Value(), static_cast<int>(sizeof display));
    char text[2 * IParam::kTextSize + 2];
    std::snprintf(text, sizeof text, "%.31s %.31s", display, param->GetLabel());
    SendLinkText(mValDisplayControl, text);
  }
  if (mNameDisplayControl) {
    char text[IParam::kTextSize];
    std::snprintf(text, sizeof text, "%s", param->GetName());
    SendLinkText(mNameDisplayControl, text);
  }
}

void IControl::SendLinkText(IControl* target, const char* text) {
  if (std::strcmp(target->mLinkText.Get(), text) == 0) return;
  target->mLinkText.Set(text);
  target->SetDirty(false);
  target->SetTextFromPlug(text);
}

void IControl::SetAuxParamValueFromPlug(int auxIdx, double value) {
  AuxParam* aux = GetAuxParam(auxIdx);
  if (!aux) return;
  if (aux->mValue != value) {
    aux->mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

void IControl::PromptUserInput() {
  if (mParamIdx < 0 || mDisablePrompt) return;
  IParam* param = GetBoundParam();
  IGraphics* graphics = GetGraphics();
  if (!param || !graphics) return;
  if (param->GetNDisplayTexts() > 0) {
    IRECT where = mRECT;
    graphics->PromptUserInput(this, param, &where);
  } else {
    const int cx = static_cast<int>(static_cast<float>(mRECT.L + mRECT.R) * 0.5f);
    const int cy = static_cast<int>(static_cast<float>(mRECT.T + mRECT.B) * 0.5f);
    IRECT where(cx - 20, cy - 8, cx + 20, cy + 8);
    graphics->PromptUserInput(this, param, &where);
  }
  SetRedrawPending(true);
}

void IControl::PromptUserInput(IRECT* where) {
  if (mParamIdx < 0 || mDisablePrompt) return;
  IParam* param = GetBoundParam();
  IGraphics* graphics = GetGraphics();
  if (!param || !graphics) return;
  graphics->PromptUserInput(this, param, where);
  SetRedrawPending(true);
}

int IControl::AuxParamIdx(int paramIdx) const {
  const AuxParam* list = mAuxParams.Get();
  for (int i = 0; i < mAuxParams.GetSize(); ++i) {
    if (list[i].mParamIdx == paramIdx) return i;
  }
  return -1;
}

void IControl::AddAuxParam(int paramIdx) {
  AuxParam aux;
  aux.mParamIdx = paramIdx;
  mAuxParams.Add(aux);
  sBindingGeneration.fetch_add(1, std::memory_order_relaxed);
}

void IControl::SetAllAuxParamsFromGUI() {
  if (!mPlug) return;
  for (int i = 0; i < mAuxParams.GetSize(); ++i) {
    const AuxParam& aux = mAuxParams.Get()[i];
    if (mPlug->GetParam(aux.mParamIdx)) mPlug->SetParameterFromGUI(aux.mParamIdx, aux.mValue);
  }
}
