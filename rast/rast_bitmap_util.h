// Bitmap utilities: half-size downsampling and comparison.
#pragma once

#include "rast/rast_bitmap.h"

// dest's top-left min(dest width, src width / 2) x min(dest height, src height / 2) pixels become
// the lane-wise average of src's 2 x 2 blocks (each pixel's channels lose their two low bits).
// Rows are addressed as stored.
void RAST_HalveBlitAA(RAST_IBitmap* dest, RAST_IBitmap* src);

// RAST_BitmapCmpMasked with every bit compared.
int RAST_BitmapCmp(RAST_IBitmap* a, RAST_IBitmap* b, int* coordsOut);

// 0 when the bitmaps agree under mask. Null bitmaps: both 0, only b null 1, only a null -1.
// Different sizes: b's width minus a's, else b's height minus a's. Without coordsOut a non-zero
// result tells the first difference; with coordsOut (four ints: left, top, width, height of the
// box around every differing pixel, or 0, 0 for left and top and zero size when nothing differs)
// the result is 1 for a difference and 0 otherwise.
int RAST_BitmapCmpMasked(RAST_IBitmap* a, RAST_IBitmap* b, RAST_pixel mask, int* coordsOut);
