// Circle outlines, filled circles, circular arcs and rounded-rectangle outlines, plain or
// anti-aliased, all ending in one circle core. Radii 1.5 to 4 in half steps are drawn from fixed
// ring masks.
//
// Coordinates and radii are floats in pixels; the centre pixel is trunc(c + 0.5). Angles are
// radians with 0 straight up, growing clockwise on screen: the point of angle a is
// (cx + r sin a, cy - r cos a). Blend modes and alpha as in rast_line.h. Null or empty bitmaps,
// negative radii, a zero weight, mode 6 and above, and non-finite or huge values draw nothing.
// GUI thread; no state.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

// Outline of the arc between the two angles (their order does not matter; a span of 2 pi or
// more draws the whole circle).
void RAST_Arc(RAST_IBitmap* bitmap, float cx, float cy, float r, float angle1, float angle2,
              RAST_pixel colour, float alpha, RAST_BlendMode mode, bool antialias);

void RAST_Circle(RAST_IBitmap* bitmap, float cx, float cy, float r, RAST_pixel colour, float alpha,
                 RAST_BlendMode mode, bool antialias);

void RAST_FillCircle(RAST_IBitmap* bitmap, float cx, float cy, float r, RAST_pixel colour,
                     float alpha, RAST_BlendMode mode, bool antialias);

// Outline of a rectangle with rounded corners; its right and bottom edges lie on x + w and
// y + h. The corner radius is limited to half the width and height; below 2 the outline is
// square.
void RAST_RoundRect(RAST_IBitmap* bitmap, float x, float y, float w, float h, int cornerRadius,
                    RAST_pixel colour, float alpha, RAST_BlendMode mode, bool antialias);

// Left and top inclusive, right and bottom exclusive, in stored rows.
struct RAST_ClipRect {
  int left, top, right, bottom;
};

// The core behind the four operations: a whole circle, outline or filled, at integer weight
// `ia`, limited to `clip`. With `clipped` false no bounds are tested, which the caller may ask
// only when the whole circle lies inside the bitmap. `cy` is in stored rows (already mirrored).
void RAST_CircleCore(RAST_IBitmap* bitmap, RAST_pixel colour, int ia, bool antialias, bool filled,
                     RAST_BlendMode mode, const RAST_ClipRect& clip, bool clipped, float cx,
                     float cy, float r);
