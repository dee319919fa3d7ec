// The process-wide caches behind IGraphics' images and text, shared by the drawing files.
#pragma once

#include <atomic>

#include "graphics/gui_types.h"
#include "graphics/iframe_bitmap.h"
#include "rast/rast_blend.h"

class RAST_IFont;

namespace graphics_detail {

// Graphics objects alive in the process; the caches may only be emptied while there are none.
extern std::atomic<int> gLiveGraphics;

// The font for a text style, made on first use and kept until exit; null when none can be made.
RAST_IFont* CachedFontFor(const IText& text);
void ResetFontCache();
void ResetBitmapCaches();
// True while a pass only finds the images it would draw (main thread): what it draws is thrown
// away, so plain image copies need not be made, only their images asked for.
bool FindingImages();
// Moves whenever cached images may have changed their pixels (rescaled, dropped).
extern std::atomic<unsigned> gBitmapGeneration;

// RAST alpha and mode of an optional blend; rotated drawing adds the bilinear filter.
void BlendToRast(const IChannelBlend* blend, bool rotated, float* alpha, RAST_BlendMode* mode);

// Top left, in the image, of frame (1-based, limited to the frames there are) of a strip.
void FrameOrigin(const IFrameBitmap& bitmap, int frame, int* x, int* y);

// A window onto part of another bitmap: drawing into it reaches the parent's pixels and stops
// at its edges, so RAST routines clip to the draw rectangle without knowing about it.
class ClipView : public RAST_IBitmap {
 public:
  // Limits r to the parent; Valid() is false when nothing of it is left.
  ClipView(RAST_IBitmap* parent, const IRECT& r);
  bool Valid() const { return mBits != nullptr; }
  // Parent coordinates of the view's (0, 0).
  int OX() const { return mOx; }
  int OY() const { return mOy; }

  RAST_pixel* getBits() override { return mBits; }
  int getWidth() override { return mW; }
  int getHeight() override { return mH; }
  int getRowSpan() override { return mSpan; }
  bool isFlipped() override { return mFlipped; }
  bool resize(int, int) override { return false; }
  HDC__* getDC() override { return nullptr; }
  int Extended(int, void*) override { return 0; }

 private:
  RAST_pixel* mBits = nullptr;
  int mW = 0, mH = 0, mSpan = 0, mOx = 0, mOy = 0;
  bool mFlipped = false;
};

}  // namespace graphics_detail
