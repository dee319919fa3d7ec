// Controls that show a parameter as one frame of an image strip and switch it by clicking: a
// colour panel, a plain frame bitmap, n-position switches, a momentary contact, an overlay that
// opens over the window (the about box), an invisible switch over painted art and a row of radio
// buttons. Images belong to the bitmap cache; controls only point to them.
#pragma once

#include "graphics/frame_geometry.h"
#include "graphics/icontrol.h"

// Fills its rectangle with one colour.
class IPanelControl : public IControl {
 public:
  IPanelControl(IModuleBase* plug, const IRECT& rect, const IColor* color);
  bool Draw(IGraphics* graphics) override;
  bool DrawsInsideDrawRect() const override { return true; }
  const IColor& GetColor() const { return mColor; }

 protected:
  IColor mColor;
};

// Shows the frame of its image that matches the value.
class IBitmapControl : public IControl {
 public:
  IBitmapControl(IModuleBase* plug, int x, int y, int paramIdx, IFrameBitmap* bitmap,
                 int blendMethod = IChannelBlend::kBlendNone);
  bool Draw(IGraphics* graphics) override;
  bool DrawsInsideDrawRect() const override { return true; }
  IFrameBitmap* SolidFrame(int* frame) const override;
  IFrameBitmap* GetBitmap() const { return mBitmap; }
  // The frame Draw shows for the current value (1-based).
  int CurrentFrame() const { return FrameForValue(FrameCount(mBitmap), mValue); }

 protected:
  IFrameBitmap* mBitmap;
};

// Each click moves to the next of the image's positions and wraps after the last.
class ISwitchControl : public IBitmapControl {
 public:
  using IBitmapControl::IBitmapControl;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override { OnMouseDown(x, y, mod); }
};

// A click opens the value prompt (where prompting is enabled) and then pushes the value.
class ISwitchPopUpControl : public ISwitchControl {
 public:
  using ISwitchControl::ISwitchControl;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
};

// One click area per frame: a click picks the frame under the pointer.
class ISwitchFramesControl : public ISwitchControl {
 public:
  ISwitchFramesControl(IModuleBase* plug, int x, int y, int paramIdx, IFrameBitmap* bitmap,
                       bool imagesHorizontal = false, int blendMethod = IChannelBlend::kBlendNone);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  int NRects() const { return mRects.GetSize(); }
  const IRECT& GetFrameRect(int i) const { return mRects.Get()[i]; }

 protected:
  UTL_TypedBuf<IRECT> mRects{4096};
};

// Steps like a switch on the press and falls back to 0 on the release (pushed both times).
class IContactControl : public ISwitchControl {
 public:
  using ISwitchControl::ISwitchControl;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
};

// Closed (value < 0.5) it draws nothing and takes the mouse only inside its small target area;
// open it shows its image and a click anywhere on it closes it.
class IBitmapOverlayControl : public ISwitchControl {
 public:
  IBitmapOverlayControl(IModuleBase* plug, int x, int y, IFrameBitmap* bitmap,
                        const IRECT& targetArea);
  bool Draw(IGraphics* graphics) override;
  IFrameBitmap* SolidFrame(int*) const override { return nullptr; }
  void OnRescale(double scale) override;
  const IRECT& GetTargetArea() const { return mTargetArea; }

 protected:
  IRECT mTargetArea;      // at the current GUI scale
  IRECT mBaseTargetArea;  // at scale 1
};

// Toggles between 0 and 1; draws nothing (the art is painted beneath it).
class IInvisibleSwitchControl : public IControl {
 public:
  IInvisibleSwitchControl(IModuleBase* plug, const IRECT& rect, int paramIdx);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override { return true; }
  bool DrawsInsideDrawRect() const override { return true; }
};

// n buttons (image frame 1 off, frame 2 on) laid out along the rectangle, flush with both ends:
// direction 0 top to bottom, 1 right to left, 2 bottom to top. Button k means value k / (n - 1).
class IRadioButtonsControl : public IControl {
 public:
  IRadioButtonsControl(IModuleBase* plug, const IRECT& rect, int paramIdx, int nButtons,
                       IFrameBitmap* bitmap, int direction = 0, bool reserved = false);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  // Lays the buttons out again for the GUI scale.
  void OnRescale(double scale) override;
  int NButtons() const { return mRects.GetSize(); }
  const IRECT& GetButtonRect(int i) const { return mRects.Get()[i]; }
  // The button Draw shows as on.
  int ActiveButton() const;

 protected:
  UTL_TypedBuf<IRECT> mRects{4096};
  IRECT mBaseRect;
  IFrameBitmap* mBitmap;
  int mDirection;
  bool mReserved;
  int mN;
};
