// Drawing one colour through an 8-bit coverage mask (glyphs, the ring masks of small circles).
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

// The mask has glyph_h rows of glyph_w bytes, glyph_span bytes apart, drawn with its top-left at
// (x, y) and clipped to the bitmap. Per mask byte m (0 = untouched) the pixel gets the solid write
// of mode & 0xFF in color at weight m * trunc(alpha * 256) / 256 (full coverage at alpha 1.0 is
// weight 255). Nothing when the weight from alpha is 0 or the low byte of mode is 6 or above;
// RAST_BLIT_USE_ALPHA has no meaning here.
void RAST_DrawGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color, const unsigned char* alphas, int glyph_w,
                    int glyph_span, int glyph_h, float alpha, RAST_BlendMode mode);

// RAST_DrawGlyph for a mask whose rows follow each other with no gap.
void RAST_DrawPackedGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color, const unsigned char* alphas, int glyph_w,
                          int glyph_h, float alpha, RAST_BlendMode mode);
