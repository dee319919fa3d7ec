// The window backgrounds: always the first control of the list, drawn beneath every other one.
#include "graphics/bitmap_controls.h"
#include "graphics/igraphics.h"

void IGraphics::AttachPanelBackground(const IColor* color) {
  InsertControl(0, new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), color));
}

void IGraphics::AttachBackground(int id, const char* name) {
  IFrameBitmap* bitmap = LoadBitmapResource(id, name, 1, false);
  InsertControl(0, new IBitmapControl(mPlug, 0, 0, -1, bitmap, IChannelBlend::kBlendClobber));
}
