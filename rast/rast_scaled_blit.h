// Stretching a source rectangle (in float source pixels) onto a destination rectangle, with
// nearest-pixel or bilinear sampling and a box filter for strong reductions.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

// A negative dstw or dsth mirrors the image along that axis. The filter bits of mode choose the
// sampling (RAST_BLIT_FILTER_BILINEAR, else nearest); the operation bits the blend. When the sizes
// agree (and a bilinear source position is whole) this is the unscaled RAST_Blit.
void RAST_ScaledBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float alpha,
                     RAST_BlendMode mode);
