// Text, caption, editable-text, spinner, user-text and link controls.
#include "graphics/text_controls.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "graphics/igraphics.h"
#include "platform/utf8.h"
#include "plugin/imodule_base.h"
#include "plugin/iparam.h"

namespace {

constexpr int kMaxMaskChars = 99;

// Characters, not bytes: a multi-byte character shows as one asterisk.
int CharCount(const char* s) {
  int n = 0;
  for (; *s; ++s) n += (static_cast<unsigned char>(*s) & 0xC0) != 0x80;
  return n;
}

// "display label" of the parameter's plain value, display texts applied.
void ParamText(const IParam* param, bool withLabel, UTL_String* out) {
  char display[IParam::kDisplayStringSize];
  param->GetDisplayString(false, display, true, param->Value(), static_cast<int>(sizeof display));
  out->Set(display);
  if (withLabel) {
    out->Append(" ");
    out->Append(param->GetLabel());
  }
}

}  // namespace

bool DrawControlText(IGraphics* graphics, IText* style, const char* str, const IRECT& r,
                     bool masked) {
  if (!str || !*str) return true;
  IRECT where = r;
  if (!masked) return graphics->DrawText(style, str, &where);
  char stars[kMaxMaskChars + 1];
  int n = CharCount(str);
  if (n > kMaxMaskChars) n = kMaxMaskChars;
  std::memset(stars, '*', static_cast<size_t>(n));
  stars[n] = '\0';
  return graphics->DrawText(style, stars, &where);
}

ITextControl::ITextControl(IModuleBase* plug, const IRECT& rect, const IText* text, const char* str)
    : ITextControl(plug, rect, -1, text, str) {}

ITextControl::ITextControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                           const char* str)
    : IControl(plug, rect, paramIdx, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)) {
  if (text) mText = *text;
  mBaseText = mText;
  mStr.Set(str ? str : "");
  mDisablePrompt = false;
  ITextControl::OnRescale(1.0);
}

IText ITextControl::Rescaled(const IText& current, int baseSize, double scale) {
  IText t = current;
  t.mSize = static_cast<int>(baseSize * scale);
  // The secure flag stays: a masked field must never open readable after a resize.
  t.mCached = nullptr;
  return t;
}

void ITextControl::OnRescale(double scale) {
  mText = Rescaled(mText, mBaseText.mSize, scale);
}

bool ITextControl::Draw(IGraphics* graphics) {
  if (!mFit) {
    DrawControlText(graphics, &mText, mCut ? CutToWidth(graphics).c_str() : mStr.Get(), mRECT);
    return true;
  }
  FitToRect(graphics);
  DrawControlText(graphics, &mFitted.style, mFitted.text.c_str(), mFitted.rect);
  return true;
}

void ITextControl::SetFitToRect(bool fit) {
  mFit = fit;
  mFitValid = false;
}

void ITextControl::SetFitInset(double x, double y) {
  mFitInsetX = x;
  mFitInsetY = y;
  mFitValid = false;
}

const ITextControl::Fitted& ITextControl::FitToRect(IGraphics* graphics) {
  const char* str = mStr.Get();
  if (!mFit || !graphics) {
    mFitted = {mText, str, mRECT};
    return mFitted;
  }
  const IRECT limit(0, 0, graphics->GetWidth(), graphics->GetHeight());
  auto pixels = [graphics](double units) {
    return units > 0 ? static_cast<int>(std::ceil(units * graphics->GetGuiScale() - 1e-9)) : 0;
  };
  const int insetX = pixels(mFitInsetX), insetY = pixels(mFitInsetY);
  if (mFitValid && mFitFor == str && mFitIn == mRECT && mFitLimit == limit &&
      mFitSize == mText.mSize && mFitInsetPx[0] == insetX && mFitInsetPx[1] == insetY)
    return mFitted;
  mFitValid = true;
  mFitFor = str;
  mFitIn = mRECT;
  mFitLimit = limit;
  mFitSize = mText.mSize;
  mFitInsetPx[0] = insetX;
  mFitInsetPx[1] = insetY;
  // Only the part of the rectangle inside the GUI can be seen.
  IRECT box = mRECT;
  box.B = std::min(box.B, limit.B) - insetY;
  box.R = std::min(box.R, limit.R) - insetX;
  box.L += insetX;
  box.T += insetY;
  // Blanks at the end (a value shown with an empty label) show nothing but would take room
  // and push centred text off the middle.
  mFitted = {mText, str, mRECT};
  mFitted.text.erase(mFitted.text.find_last_not_of(' ') + 1);
  if (mFitted.text.empty() || box.W() <= 0 || box.H() <= 0) return mFitted;
  IText t = mText;
  auto measure = [&](const std::string& text, int size) {
    if (t.mSize != size) t.mCached = nullptr;
    t.mSize = size;
    IRECT m = box;
    graphics->MeasureText(&t, text.c_str(), &m);
    return m;
  };
  const int smallest = std::max(1, mText.mSize / 2);
  int size = mText.mSize;
  IRECT m = measure(mFitted.text, size);
  const int lineHeight = m.H();  // at the style's size: what the box was made for
  while (size > smallest && (m.W() > box.W() || m.H() > box.H())) m = measure(mFitted.text, --size);
  // Made smaller, the glyphs stay as far apart as at the style's size: a size at which they run
  // together gives way to the next smaller one that keeps them apart, if there is one.
  if (size < mText.mSize && m.W() <= box.W() && m.H() <= box.H()) {
    IText full = mText;
    const int apart = graphics->GlyphRuns(&full, mFitted.text.c_str());
    for (int k = size; k > smallest; --k) {
      IText at = mText;
      at.mSize = k;
      at.mCached = nullptr;
      if (graphics->GlyphRuns(&at, mFitted.text.c_str()) < apart) continue;
      if (k != size) m = measure(mFitted.text, size = k);
      break;
    }
  }
  // Still too wide at the smallest size: cut, keeping the start.
  if (m.W() > box.W()) {
    std::string text = mFitted.text;
    while (!text.empty() && m.W() > box.W()) {
      // A whole character (UTF-8), and the spaces before it.
      while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
      if (!text.empty()) text.pop_back();
      while (!text.empty() && text.back() == ' ') text.pop_back();
      m = measure(text + "...", size);
    }
    mFitted.text = text + "...";
  }
  mFitted.style = t;
  mFitted.rect = box;
  // Letters and digits fill about 0.2 to 0.6 of a line's size below its top. A box made for
  // one line of its style (less than two lines tall, room for descenders included: the line's
  // height does not grow in step with the size) holds that band in its middle, also when the
  // text was made smaller to fit; taller boxes keep the text near their top, where the page
  // expects it, clear of the top edge. The whole line stays inside the box where it fits.
  const int top = box.H() < 2 * lineHeight
                      ? (box.T + box.B) / 2 - static_cast<int>(std::lround(0.4 * t.mSize))
                      : box.T + static_cast<int>(std::lround(0.2 * t.mSize));
  mFitted.rect.T = std::clamp(top, box.T, std::max(box.T, box.B - m.H()));
  // Centred text made smaller is centred by its ink: small glyphs sit left in their cells.
  int inkLeft = 0, inkRight = 0;
  if (size < mText.mSize && mText.mAlign == IText::kAlignCenter && m.W() <= box.W() &&
      graphics->GlyphRuns(&t, mFitted.text.c_str(), &inkLeft, &inkRight) > 0) {
    const int drawnAt = (box.L + box.R - m.W()) / 2;  // as the text is placed in its box
    const int shift = box.L + (box.W() - (inkRight - inkLeft)) / 2 - (drawnAt + inkLeft);
    mFitted.rect.L += shift;
    mFitted.rect.R += shift;
  }
  return mFitted;
}

void ITextControl::SetCutToWidth(bool cut) {
  mCut = cut;
  mCutWidth = -1;
}

const std::string& ITextControl::CutToWidth(IGraphics* graphics) {
  const char* str = mStr.Get();
  if (mCutWidth == mRECT.W() && mCutSize == mText.mSize && mCutFor == str) return mCutText;
  mCutFor = mCutText = str;
  mCutWidth = -1;
  if (!mCut || !graphics) return mCutText;
  mCutWidth = mRECT.W();
  mCutSize = mText.mSize;
  auto width = [&](const std::string& text) {
    IRECT m = mRECT;
    graphics->MeasureText(&mText, text.c_str(), &m);
    return m.W();
  };
  if (width(mCutText) <= mRECT.W()) return mCutText;
  const std::string_view all = mCutFor;
  const std::vector<size_t> starts = vq::platform::Utf8CharacterStarts(all);
  // The most characters that fit with the mark; blanks before the mark are dropped.
  auto cut = [&](size_t count) {
    std::string text(all.substr(0, starts[count]));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text + "\xe2\x80\xa6";
  };
  size_t fits = 0, over = starts.size() - 1;
  while (over - fits > 1) {
    const size_t mid = (fits + over) / 2;
    (width(cut(mid)) <= mRECT.W() ? fits : over) = mid;
  }
  mCutText = cut(fits);
  return mCutText;
}

void ITextControl::SetTextIfChanged(const char* str) {
  ReplaceIfChanged(&mStr, str);
}

void ITextControl::ReplaceIfChanged(UTL_String* shown, const char* str) {
  if (!str) str = "";
  if (std::strcmp(shown->Get(), str) == 0) return;
  SetDirty(false);
  shown->Set(str);
}

ITextControl2::ITextControl2(IModuleBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                             int64_t reserved)
    : ITextControl(plug, rect, paramIdx, text, ""), mReserved(reserved) {
  mBaseText2 = IText();
  OnRescale(1.0);
}

void ITextControl2::OnRescale(double scale) {
  mText = Rescaled(mText, mBaseText2.mSize, scale);
}

bool ITextControl2::Draw(IGraphics* graphics) {
  DrawControlText(graphics, &mText, mStr2.Get(), mRECT);
  return true;
}

void ITextControl2::SetTextIfChanged(const char* str) {
  ReplaceIfChanged(&mStr2, str);
}

IEditableTextControl::IEditableTextControl(IModuleBase* plug, const IRECT& rect, int paramIdx,
                                           const IText* text, const char* str, bool reserved,
                                           bool masked)
    : ITextControl(plug, rect, paramIdx, text, str),
      mEntryRect(rect),
      mReserved(reserved),
      mMasked(masked) {
  mDblAsSingleClick = true;
}

void IEditableTextControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  IParam* param = GetBoundParam();
  IGraphics* graphics = GetGraphics();
  if (!param || mDisablePrompt || !graphics) return;
  IRECT where = mEntryRect;
  graphics->PromptUserInput(this, param, &where);
  SetRedrawPending(true);
}

void IEditableTextControl::SetBackgroundColor(const IColor* color) {
  if (color) {
    mBackground = *color;
  } else {
    mBackground.A = 0;
  }
}

bool IEditableTextControl::Draw(IGraphics* graphics) {
  if (mBackground.A != 0) graphics->FillIRect(&mBackground, &mRECT, nullptr);
  DrawControlText(graphics, &mText, mStr.Get(), mRECT, mMasked);
  return true;
}

ICaptionControl::ICaptionControl(IModuleBase* plug, const IRECT& rect, int paramIdx,
                                 const IText* text, bool showLabel)
    : ITextControl(plug, rect, paramIdx, text, ""), mShowLabel(showLabel) {}

void ICaptionControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (!mod || !(mod->L || mod->R)) return;
  PromptUserInput();
  SetDirty(true);
}

bool ICaptionControl::Draw(IGraphics* graphics) {
  if (IParam* param = GetBoundParam()) ParamText(param, mShowLabel, &mStr);
  return ITextControl::Draw(graphics);
}

ISpinnerControl::ISpinnerControl(IModuleBase* plug, const IRECT& rect, int paramIdx,
                                 const IText* text, IParam* ownParam, bool showValue,
                                 bool showLabel, int direction, double gearing)
    : ITextControl(plug, rect, paramIdx, text, ""),
      mDirection(direction),
      mGearing(gearing),
      mShowValue(showValue),
      mShowLabel(showLabel),
      mOwnParam(ownParam) {}

IParam* ISpinnerControl::Param() const {
  return mParamIdx < 0 ? mOwnParam : GetBoundParam();
}

void ISpinnerControl::OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {
  const int span = mDirection == 1 ? mRECT.R - mRECT.L : mRECT.T - mRECT.B;
  if (span == 0 || mGearing == 0.0) return;
  mValue += (mDirection == 1 ? dx : dy) / static_cast<double>(span) / mGearing;
  SetDirty(true);
}

void ISpinnerControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  const IParam* param = Param();
  const bool fine = mod && (mod->C || mod->S);
  if (!param) {
    mValue += d * 0.01;
  } else if (param->GetStep() != 0.0) {
    // The step is plain; the value is normalised over the range.
    const double range = param->GetMax() - param->GetMin();
    if (range != 0.0) mValue += d * param->GetStep() / range;
  } else {
    mValue += d * (fine ? 0.001 : 0.01);
  }
  if (mValue < 0.0) mValue = 0.0;
  if (mValue > 1.0) mValue = 1.0;
  SetDirty(true);
}

bool ISpinnerControl::Draw(IGraphics* graphics) {
  if (mOwnParam) mOwnParam->SetNormalized(mValue);
  if (mShowValue) {
    if (IParam* param = Param()) ParamText(param, mShowLabel, &mStr);
  }
  return ITextControl::Draw(graphics);
}

void ISpinnerControl::PromptUserInput(const IRECT& where) {
  IParam* param = Param();
  IGraphics* graphics = GetGraphics();
  if (!param || mDisablePrompt || !graphics) return;
  IRECT r = where;
  graphics->PromptUserInput(this, param, &r);
  SetRedrawPending(true);
}

IUserTextControl::IUserTextControl(IModuleBase* plug, const IRECT& rect, const IText* text,
                                   const char* str)
    : IControl(plug, rect, -1, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)) {
  if (text) mText = *text;
  mStr.Set(str ? str : "");
  mDisablePrompt = true;
  mMasked = mText.mSecure == 1;
}

void IUserTextControl::SetText(const char* str) {
  mStr.Set(str ? str : "", str ? static_cast<int>(strnlen(str, 65536)) : 0);
  SetDirty(false);
}

void IUserTextControl::GetText(UTL_HeapBuf* out) const {
  const int n = mStr.GetLength() + 1;
  if (!out->Resize(n) || out->GetSize() != n) {
    out->Resize(0);
    return;
  }
  std::memcpy(out->Get(), mStr.Get(), static_cast<size_t>(n));
}

void IUserTextControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  IGraphics* graphics = GetGraphics();
  if (!graphics) return;
  IRECT where = mRECT;
  graphics->CreateTextEntry(this, nullptr, &mText, &where, mStr.Get());
}

bool IUserTextControl::Draw(IGraphics* graphics) {
  DrawControlText(graphics, &mText, mStr.Get(), mRECT, mMasked);
  return true;
}

AlgDisplay::AlgDisplay(IModuleBase* plug, const IRECT& rect, const IText* text, const char* str)
    : IControl(plug, rect, -1, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)) {
  if (text) mText = *text;
  mStr.Set(str ? str : "");
}

void AlgDisplay::SetTextFromPlug(const char* str) {
  mStr.Set(str ? str : "", str ? static_cast<int>(strnlen(str, 65536)) : 0);
  SetDirty(false);
}

void AlgDisplay::OnMouseDown(int x, int y, IMouseMod* mod) {
  IGraphics* graphics = GetGraphics();
  if (!graphics) return;
  IRECT where = mRECT;
  graphics->CreateTextEntry(this, nullptr, &mText, &where, mStr.Get());
}

bool AlgDisplay::Draw(IGraphics* graphics) {
  DrawControlText(graphics, &mText, mStr.Get(), mRECT);
  return true;
}

IURLControl::IURLControl(IModuleBase* plug, const IRECT& rect, const char* url,
                         const char* backupURL, const char* errMsgOnFailure)
    : IControl(plug, rect, -1, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)) {
  mURL.Set(url ? url : "");
  mBackupURL.Set(backupURL ? backupURL : "");
  mErrMsg.Set(errMsgOnFailure ? errMsgOnFailure : "");
}

void IURLControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  IGraphics* graphics = GetGraphics();
  if (!graphics) return;
  if (mURL.GetLength() > 0 && graphics->OpenURL(mURL.Get())) return;
  if (mBackupURL.GetLength() > 0 && graphics->OpenURL(mBackupURL.Get())) return;
  if (mErrMsg.GetLength() > 0) graphics->ShowMessageBox(mErrMsg.Get(), "", 0);
}
