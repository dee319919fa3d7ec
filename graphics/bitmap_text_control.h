// Text drawn from a bitmap font: an image strip whose frame (code - 31) shows character code,
// so frame 1 is the blank. Characters the image has no frame for are left blank.
#pragma once

#include "graphics/icontrol.h"
#include "graphics/iframe_bitmap.h"

class IBitmapTextControl : public IControl {
 public:
  // charWidth x charHeight cells, charSpacing extra pixels between cells. The style's alignment
  // places the text sideways.
  IBitmapTextControl(IModuleBase* plug, const IRECT& rect, const IFrameBitmap& font,
                     const char* str = "", const IText* text = nullptr, int charWidth = 6,
                     int charHeight = 12, int charSpacing = 0, bool multiLine = false,
                     bool vCentre = false);
  bool Draw(IGraphics* graphics) override;
  void SetTextIfChanged(const char* str);
  const char* GetText() const { return mStr.Get(); }

 protected:
  UTL_String mStr{128};
  int mCharWidth, mCharHeight, mCharSpacing;
  IFrameBitmap mFont;
  bool mMultiLine;
  bool mVCentre;
};
