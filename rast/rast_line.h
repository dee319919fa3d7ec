// Straight lines: integer lines with optional anti-aliasing, anti-aliased float lines, dashed
// horizontal and vertical lines, and their clippers.
//
// All drawers take the destination first, mirror y for bottom-up bitmaps, clip once and then
// run a loop specialised for the blend mode (`mode.op()`: 0 copy, 1 add, 2 dodge,
// 3 multiply, 4 overlay, 5 HSV adjust; 6 and above draw nothing; other bits are ignored).
// `alpha` 1.0 is opaque; its integer weight is trunc(alpha * 256) and 0 draws nothing.
// A null or empty bitmap draws nothing. GUI thread; no state.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

// Both end points belong to the line. Horizontal and vertical lines ignore `antialias`.
void RAST_Line(RAST_IBitmap* bitmap, int x1, int y1, int x2, int y2, RAST_pixel colour, float alpha,
               RAST_BlendMode mode, bool antialias);

// Clips the segment to 0..width-1 x 0..height-1 (Cohen-Sutherland). True when something is
// left, the four values then hold the clipped end points; false when it misses the area (the
// values are then partly clipped and must not be used).
bool RAST_ClipLine(int* x1, int* y1, int* x2, int* y2, int width, int height);

// A line between float positions, anti-aliased with two pixels per step weighted by the exact
// position, or without anti-aliasing the integer line through the truncated positions.
// Non-finite coordinates, or coordinates beyond the 32-bit range, draw nothing.
void RAST_FLine(RAST_IBitmap* bitmap, float x1, float y1, float x2, float y2, RAST_pixel colour,
                float alpha, RAST_BlendMode mode, bool antialias);

// Clips to 0 <= x < width - 1, 0 <= y < height - 1, so the second pixel of each anti-aliased
// pair stays inside. True when a part of the line lies inside.
bool RAST_ClipFLine(float* x1, float* y1, float* x2, float* y2, int width, int height);

// A horizontal or vertical dashed line: `pixelsOn` drawn, `pixelsOff` skipped, from the start
// up to but not including the end point. A sloped line, no "on" pixels or a non-positive
// period (on plus off) draws nothing. Note the order: mode before alpha.
void RAST_DashedLine(RAST_IBitmap* bitmap, int x1, int y1, int x2, int y2, int pixelsOn,
                     int pixelsOff, RAST_pixel colour, RAST_BlendMode mode, float alpha);
