// Curve and area primitives: quadratic Bezier curves drawn as float-line segments, the area
// between a cubic Bezier curve and a base row, convex polygons, triangles, trapezoids and
// rectangle outlines. Polygon, triangle and curve-area fills end in RAST_FillTrapezoid.
//
// Blend modes and alpha as in rast_line.h: `mode.op()` 0..5, 6 and above draw nothing; the weight
// is trunc(alpha * 256). Note the argument order of each call: the polygon and triangle fills
// take the mode before alpha. Null or empty bitmaps draw nothing. GUI thread; no state.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

// The quadratic curve B(t) = (1 - t)^2 P0 + 2 t (1 - t) Pc + t^2 P2, clipped to the bitmap's
// columns and drawn as RAST_FLine segments about `segmentLength` pixels long along its control
// polygon (0 or less means 1 pixel). Non-finite or huge coordinates draw nothing.
void RAST_DrawCBezier(RAST_IBitmap* bitmap, float x0, float y0, float xc, float yc, float x2,
                      float y2, RAST_pixel colour, float alpha, RAST_BlendMode mode, bool antialias,
                      float segmentLength);

// Fills, column by column, between the cubic curve through the four control points and the row
// `baseY` (above or below it). The curve should run monotonically in x.
void RAST_FillCBezier(RAST_IBitmap* bitmap, float x0, float y0, float x1, float y1, float x2,
                      float y2, float x3, float y3, int baseY, RAST_pixel colour, float alpha,
                      RAST_BlendMode mode, float segmentLength);

// Fills a convex polygon (vertex order does not matter: the points are sorted first). Fewer
// than 3 points draw nothing; what a non-convex shape fills is unspecified, but it terminates.
void RAST_FillConvexPolygon(RAST_IBitmap* bitmap, const int* x, const int* y, int count,
                            RAST_pixel colour, RAST_BlendMode mode, float alpha);

void RAST_FillTriangle(RAST_IBitmap* bitmap, int x1, int y1, int x2, int y2, int x3, int y3,
                       RAST_pixel colour, RAST_BlendMode mode, float alpha);

// Fills rows y1..y2 between two edges: from (x1a, y1) to (x2a, y2) on the left and from
// (x1b, y1) to (x2b, y2) on the right, both ends inclusive. Rows and each row's pair may be given
// in either order. Alpha 1.0, 0.5, 0.25 and 0.75 in copy mode use exact word-wise mixes.
void RAST_FillTrapezoid(RAST_IBitmap* bitmap, int x1a, int x1b, int y1, int x2a, int x2b, int y2,
                        RAST_pixel colour, float alpha, RAST_BlendMode mode);

// Rectangle outline through columns x .. x + w and rows y .. y + h (one more than a fill of
// w x h covers), as four plain lines.
void RAST_DrawRect(RAST_IBitmap* bitmap, int x, int y, int w, int h, RAST_pixel colour, float alpha,
                   RAST_BlendMode mode);
