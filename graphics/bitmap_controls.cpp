// Bitmap, switch, contact, overlay, invisible switch and radio-button controls.
#include "graphics/bitmap_controls.h"

#include "graphics/igraphics.h"

namespace {

// Value of item k among n evenly spaced positions; a single item sits at 0.
double ItemValue(int k, int n) {
  return n > 1 ? static_cast<double>(k) / (n - 1) : 0.0;
}

// Sets value to the item of the first rectangle holding (x, y); kept when none holds it.
void PickItemAt(const UTL_TypedBuf<IRECT>& rects, int x, int y, double* value) {
  const int n = rects.GetSize();
  for (int k = 0; k < n; ++k) {
    if (rects.Get()[k].Contains(x, y)) {
      *value = ItemValue(k, n);
      return;
    }
  }
}

}  // namespace

IPanelControl::IPanelControl(IModuleBase* plug, const IRECT& rect, const IColor* color)
    : IControl(plug, rect, -1, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)),
      mColor(color ? *color : COLOR_BLACK) {}

bool IPanelControl::Draw(IGraphics* graphics) {
  graphics->FillIRect(&mColor, &mRECT, &mBlend);
  return true;
}

IBitmapControl::IBitmapControl(IModuleBase* plug, int x, int y, int paramIdx, IFrameBitmap* bitmap,
                               int blendMethod)
    : IControl(plug, FrameRectAt(bitmap, x, y), paramIdx, IChannelBlend(blendMethod, 1.0f)),
      mBitmap(bitmap) {}

bool IBitmapControl::Draw(IGraphics* graphics) {
  if (mBitmap) graphics->DrawBitmapFrame(mBitmap, &mRECT, CurrentFrame(), &mBlend);
  return true;
}

IFrameBitmap* IBitmapControl::SolidFrame(int* frame) const {
  const bool plain =
      mBlend.mMethod == IChannelBlend::kBlendNone || mBlend.mMethod == IChannelBlend::kBlendClobber;
  if (!mBitmap || !plain || mBlend.mWeight != 1.0f) return nullptr;
  *frame = CurrentFrame();
  return mBitmap;
}

void ISwitchControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  const int n = FrameCount(mBitmap);
  mValue += n < 2 ? 1.0 : 1.0 / (n - 1);
  if (mValue > 1.001) mValue = 0.0;
  SetDirty(true);
}

void ISwitchPopUpControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  PromptUserInput();
  SetDirty(true);
}

ISwitchFramesControl::ISwitchFramesControl(IModuleBase* plug, int x, int y, int paramIdx,
                                           IFrameBitmap* bitmap, bool imagesHorizontal,
                                           int blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) {
  mDisablePrompt = false;
  const int n = FrameCount(mBitmap);
  if (n < 1) return;
  const IRECT& r = mRECT;
  for (int k = 0; k < n; ++k) {
    if (imagesHorizontal) {
      const int w = r.W() / n;
      mRects.Add(IRECT(r.L + k * w, r.T, r.L + (k + 1) * w, r.B));
    } else {
      const int h = r.H() / n;
      mRects.Add(IRECT(r.L, r.T + k * h, r.R, r.T + (k + 1) * h));
    }
  }
}

void ISwitchFramesControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  PickItemAt(mRects, x, y, &mValue);
  SetDirty(true);
}

void IContactControl::OnMouseUp(int x, int y, IMouseMod* mod) {
  mValue = 0.0;
  SetDirty(true);
}

IBitmapOverlayControl::IBitmapOverlayControl(IModuleBase* plug, int x, int y, IFrameBitmap* bitmap,
                                             const IRECT& targetArea)
    : ISwitchControl(plug, x, y, -1, bitmap, IChannelBlend::kBlendNone),
      mTargetArea(targetArea),
      mBaseTargetArea(targetArea) {
  OnRescale(1.0);
  mTargetRect = mTargetArea;  // starts closed
}

void IBitmapOverlayControl::OnRescale(double scale) {
  const IRECT& b = mBaseTargetArea;
  mTargetArea = IRECT(static_cast<int>(b.L * scale), static_cast<int>(b.T * scale),
                      static_cast<int>(b.R * scale), static_cast<int>(b.B * scale));
}

bool IBitmapOverlayControl::Draw(IGraphics* graphics) {
  if (mValue < 0.5) {
    mTargetRect = mTargetArea;
    return true;
  }
  mTargetRect = mRECT;
  return IBitmapControl::Draw(graphics);
}

IInvisibleSwitchControl::IInvisibleSwitchControl(IModuleBase* plug, const IRECT& rect, int paramIdx)
    : IControl(plug, rect, paramIdx, IChannelBlend(IChannelBlend::kBlendClobber, 1.0f)) {}

void IInvisibleSwitchControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  mValue = mValue < 0.5 ? 1.0 : 0.0;
  SetDirty(true);
}

IRadioButtonsControl::IRadioButtonsControl(IModuleBase* plug, const IRECT& rect, int paramIdx,
                                           int nButtons, IFrameBitmap* bitmap, int direction,
                                           bool reserved)
    : IControl(plug, rect, paramIdx, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)),
      mBaseRect(rect),
      mBitmap(bitmap),
      mDirection(direction),
      mReserved(reserved),
      mN(nButtons > 0 ? nButtons : 0) {
  mRects.Resize(mN);
  OnRescale(1.0);
}

void IRadioButtonsControl::OnRescale(double s) {
  const int n = mN;
  if (n <= 0) return;
  IRECT* rects = mRects.Resize(n);
  if (!rects) return;
  const int t = static_cast<int>(mBaseRect.T * s), b = static_cast<int>(mBaseRect.B * s);
  const int l = static_cast<int>(mBaseRect.L * s), r = static_cast<int>(mBaseRect.R * s);
  const int frames = FrameCount(mBitmap);
  const int bh =
      frames > 0 ? static_cast<int>(static_cast<double>(StripHeight(mBitmap)) / frames) : 0;
  const int bw = StripWidth(mBitmap);
  // The free space is spread over the n - 1 gaps, so the row is flush with both ends.
  auto gapOf = [n](int span, int button) {
    return n > 1 ? static_cast<int>(static_cast<double>(span - n * button) / (n - 1)) : 0;
  };
  if (mDirection == 1) {
    const int gap = gapOf(r - l, bw);
    int x = r - bw;
    for (int k = 0; k < n; ++k, x -= gap + bw) rects[k] = IRECT(x, t, x + bw, t + bh);
  } else if (mDirection == 2) {
    const int gap = gapOf(b - t, bh);
    int y = b;
    for (int k = 0; k < n; ++k, y -= gap + bh) rects[k] = IRECT(l, y - bh, l + bw, y);
  } else {
    const int gap = gapOf(b - t, bh);
    const int x0 = mRECT.L;
    int y = mRECT.T;
    for (int k = 0; k < n; ++k, y += gap + bh) rects[k] = IRECT(x0, y, x0 + bw, y + bh);
  }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) {
    PromptUserInput();
    return;
  }
  PickItemAt(mRects, x, y, &mValue);
  SetDirty(true);
}

int IRadioButtonsControl::ActiveButton() const {
  const int n = mRects.GetSize();
  if (n < 1) return -1;
  const double pos = (n - 1) * mValue + 0.5;
  if (!(pos >= 0.0)) return 0;
  return pos >= n - 1 ? n - 1 : static_cast<int>(pos);
}

bool IRadioButtonsControl::Draw(IGraphics* graphics) {
  const int n = mRects.GetSize();
  if (n == 0 || !mBitmap) return true;
  const int active = ActiveButton();
  for (int k = 0; k < n; ++k) {
    IRECT r = mRects.Get()[k];
    graphics->DrawBitmapFrame(mBitmap, &r, k == active ? 2 : 1, &mBlend);
  }
  return true;
}
