// Bitmap-font text.
#include "graphics/bitmap_text_control.h"

#include <cstring>

#include "graphics/igraphics.h"

IBitmapTextControl::IBitmapTextControl(IModuleBase* plug, const IRECT& rect,
                                       const IFrameBitmap& font, const char* str, const IText* text,
                                       int charWidth, int charHeight, int charSpacing,
                                       bool multiLine, bool vCentre)
    : IControl(plug, rect, -1, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)),
      mCharWidth(charWidth),
      mCharHeight(charHeight),
      mCharSpacing(charSpacing),
      mFont(font),
      mMultiLine(multiLine),
      mVCentre(vCentre) {
  if (text) mText = *text;
  mStr.Set(str ? str : "");
}

void IBitmapTextControl::SetTextIfChanged(const char* str) {
  if (!str) str = "";
  if (std::strcmp(mStr.Get(), str) == 0) return;
  SetDirty(false);
  mStr.Set(str);
}

bool IBitmapTextControl::Draw(IGraphics* graphics) {
  const char* s = mStr.Get();
  const int n = mStr.GetLength();
  const int cw = mCharWidth, ch = mCharHeight;
  const int L = mRECT.L, T = mRECT.T, R = mRECT.R, B = mRECT.B;
  // An empty text, rectangle or cell has nothing to lay out.
  if (n == 0 || R - L <= 0 || cw <= 0) return true;
  const int y0 = mVCentre ? T + (B - (T + ch)) / 2 : T;
  const long long w = static_cast<long long>(n) * cw;
  int x0 = L;
  if (mText.mAlign == IText::kAlignCenter) {
    x0 = static_cast<int>(L + (R - (w + L)) / 2);
  } else if (mText.mAlign == IText::kAlignFar) {
    x0 = static_cast<int>(R - w);
  }
  long long perLine = (R - L) / cw;
  long long lines = 1;
  if (mMultiLine && w <= R - L) {
    perLine = n;
  } else if (mMultiLine) {
    lines = w / (R - L) + 1;
  }
  if (perLine < 1) return true;
  int i = 0;
  for (long long k = 0; k < lines && i < n; ++k) {
    const int y = static_cast<int>(y0 + k * ch);
    int x = x0;
    for (long long c = 0; c < perLine && i < n; ++c, ++i, x += cw + mCharSpacing) {
      const int frame = static_cast<unsigned char>(s[i]) - 31;
      if (frame < 1 || frame > mFont.N) continue;  // no glyph: a blank cell
      IRECT cell(x, y, x + cw, y + ch);
      graphics->DrawBitmapFrame(&mFont, &cell, frame, &mBlend);
    }
  }
  return true;
}
