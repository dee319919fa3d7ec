// The process-wide caches behind IGraphics' images and text, shared by the drawing files.
#pragma once

#include <atomic>

#include "graphics/gui_types.h"
#include "rast/rast_blend.h"

class RAST_IFont;

namespace graphics_detail {

// Graphics objects alive in the process; the caches may only be emptied while there are none.
extern std::atomic<int> gLiveGraphics;

// The font for a text style, made on first use and kept until exit; null when none can be made.
RAST_IFont* CachedFontFor(const IText& text);
void ResetFontCache();
void ResetBitmapCaches();

// RAST alpha and mode of an optional blend; rotated drawing adds the bilinear filter.
void BlendToRast(const IChannelBlend* blend, bool rotated, float* alpha, RAST_BlendMode* mode);

// A window onto part of another bitmap: drawing into it reaches the parent's pixels and stops
// at its edges, so RAST routines clip to the draw rectangle without knowing about it.
class ClipView : public RAST_IBitmap {
 public:
  // Limits r to the parent; Valid() is false when nothing of it is left.
  ClipView(RAST_IBitmap* parent, const IRECT& r);
  bool Valid() const { return bits_ != nullptr; }
  // Parent coordinates of the view's (0, 0).
  int OX() const { return ox_; }
  int OY() const { return oy_; }

  RAST_pixel* getBits() override { return bits_; }
  int getWidth() override { return w_; }
  int getHeight() override { return h_; }
  int getRowSpan() override { return span_; }
  bool isFlipped() override { return flipped_; }
  bool resize(int, int) override { return false; }
  HDC__* getDC() override { return nullptr; }
  int Extended(int, void*) override { return 0; }

 private:
  RAST_pixel* bits_ = nullptr;
  int w_ = 0, h_ = 0, span_ = 0, ox_ = 0, oy_ = 0;
  bool flipped_ = false;
};

}  // namespace graphics_detail
