// Unscaled rectangle operations between bitmaps: copy, blit with blend modes, box blur and
// gradient fill. Coordinates are pixels from the top-left, whatever isFlipped() says; everything
// is clipped to both bitmaps and degenerate requests draw nothing.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"
#include "wemu/wemu_types.h"

// dest becomes src's size and pixels (nothing when either is null).
void RAST_Copy(RAST_IBitmap* dest, RAST_IBitmap* src);

// Draws srcrect of src (null: the whole source) at (dstx, dsty) at weight trunc(alpha * 256) in
// the given mode. A channel-copy mode (low byte 0xF0..0xFF) replaces one byte of every pixel.
void RAST_Blit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, const RECT* srcrect,
               float alpha, RAST_BlendMode mode);
void RAST_Blit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float alpha, RAST_BlendMode mode);

// One RAST_Blit after clipping: w x h pixels from (sx, sy) of src onto (x, y) of dest.
struct RAST_BlitRecord {
  RAST_IBitmap* dest;
  RAST_IBitmap* src;
  int x, y, sx, sy, w, h;
  float alpha;
  RAST_BlendMode mode;
};
// Sees every blit that draws something, just before it draws (the benchmarks record real frames
// with it). One watcher at a time, set and called on the drawing thread; null (the default)
// costs each blit one test.
class RAST_BlitWatcher {
 public:
  virtual ~RAST_BlitWatcher() = default;
  virtual void Blit(const RAST_BlitRecord& blit) = 0;
};
void RAST_WatchBlits(RAST_BlitWatcher* watcher);

// Five-tap blur (centre 1/2, sides and above/below 1/8 or 1/4 at the edges) of a source rectangle
// into dest at (dstx, dsty); dest may be src. Needs at least 2 x 2 pixels.
void RAST_Blur(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch);

// Linear gradient: the colour (fractions of full scale) at (x, y) and its change per pixel right
// and per row down; the alpha value is the weight of the blend by mode & 0xFF.
void RAST_GradientRect(RAST_IBitmap* dest, int x, int y, int w, int h, float r, float g, float b,
                       float a, float drdx, float dgdx, float dbdx, float dadx, float drdy,
                       float dgdy, float dbdy, float dady, RAST_BlendMode mode);
