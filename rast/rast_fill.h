// Whole-pixel operations on one bitmap: clears, colour fills, masked sets, single-pixel access
// and a few per-pixel utilities. All take the bitmap first, clip to it, and do nothing when it is
// null or has no pixels. Rows are addressed from the top whatever isFlipped() says.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

// Every pixel of every row (width pixels per row) becomes color, alpha byte included.
void RAST_Clear(RAST_IBitmap* bm, RAST_pixel color);

// Blends color over the rectangle at weight trunc(alpha * 256) by mode & 0xFF (6 and above:
// nothing). With RAST_BLIT_USE_ALPHA, alpha is first scaled by color's alpha byte / 255. The
// source alpha channel of the blend is the weight itself, not color's alpha byte.
void RAST_FillRect(RAST_IBitmap* bm, int x, int y, int w, int h, RAST_pixel color, float alpha,
                   RAST_BlendMode mode);

// Every pixel of the rectangle becomes (pixel & mask) | orbits.
void RAST_ClearRect(RAST_IBitmap* bm, int x, int y, int w, int h, RAST_pixel mask,
                    RAST_pixel orbits);

// Per channel: clamp((channel * trunc(scale * 256) + trunc(offset * 256)) >> 8), so offsets are
// in channel units.
void RAST_ScaleOffsetRect(RAST_IBitmap* bm, int x, int y, int w, int h, float rsc, float gsc,
                          float bsc, float asc, float radd, float gadd, float badd, float aadd);

// Calls callback(pixel, parm) for every pixel of the clipped rectangle, rows top to bottom.
void RAST_ForEachPixel(RAST_IBitmap* bm, int x, int y, int w, int h,
                       void (*callback)(RAST_pixel* p, void* parm), void* parm);

// The pixel at (x, y), or 0 outside the bitmap.
RAST_pixel RAST_GetPixel(RAST_IBitmap* bm, int x, int y);

// Blends color (with its own alpha byte as source alpha) into one pixel by mode & 0xFF.
void RAST_PutPixel(RAST_IBitmap* bm, int x, int y, RAST_pixel color, float alpha,
                   RAST_BlendMode mode);

// Pixels whose colour bytes equal color's (color & 0xFFFFFF00) get alpha 0, all others 255.
void RAST_SetAlphaFromColorMask(RAST_IBitmap* bm, RAST_pixel color);

// Fill by rows through column x from the seed (x, y): a pixel matches when
// (pixel & comparemask) equals the seed's, and becomes (pixel & keepmask) | newcolor. Rows are
// addressed as stored.
void RAST_SimpleFill(RAST_IBitmap* bm, int x, int y, RAST_pixel newcolor, RAST_pixel comparemask,
                     RAST_pixel keepmask);
