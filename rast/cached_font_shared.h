// Shared scratch surfaces of the cached fonts (internal to rast/cached_font*.cpp).
#pragma once

#include "rast/rast_bitmap.h"

// The native text bitmap, created on first use and grown (never shrunk) to at least minW x
// minH. Lives while any cached font does.
RAST_SysBitmap* RAST_FontNativeBitmap(int minW, int minH);
