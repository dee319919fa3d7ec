// Copies of a memory context's pixels into another context, scaled to the destination
// rectangle without interpolation. Any thread (one context per thread).
#pragma once

#include "wemu/gdi_objects.h"

// The mode that takes the first byte of each source pixel as its (unpremultiplied) alpha;
// every other mode copies opaque pixels.
constexpr DWORD WEMU_BLIT_ALPHA = 0xDEADBEEF;

// Copies the source rectangle (clipped to the source) into (x, y, width, height) of the
// destination. Nothing when a context is bad, the source owns no pixels, or the source size is
// below 1. A source x (or y) below 0 moves the destination right (down) by the part cut off,
// scaled. On a destination of more than 1.9 device pixels per unit an unscaled copy is made at
// double size first, each pixel a 2 x 2 block.
void StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD mode);
// StretchBlt with the source size equal to width and height.
void BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD mode);
