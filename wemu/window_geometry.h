// Rectangles and points of windows and views. Screen coordinates have their origin at the
// bottom left of the main screen with y up; a view's client coordinates start at its top left
// (window views are flipped), so a view's rectangle in screen coordinates has top > bottom.
// Main thread.
#pragma once

#include "wemu/window_handle.h"

// Flags of SetWindowPos: keep the position, keep the size, keep the stacking order.
enum : int { SWP_NOMOVE = 1, SWP_NOSIZE = 2, SWP_NOZORDER = 4 };
#define HWND_TOP (reinterpret_cast<HWND__*>(0))
#define HWND_BOTTOM (reinterpret_cast<HWND__*>(1))
#define HWND_TOPMOST (reinterpret_cast<HWND__*>(-1))
#define HWND_NOTOPMOST (reinterpret_cast<HWND__*>(-2))

BOOL GetWindowRect(HWND__* window, RECT* rect);
BOOL GetWindowContentViewRect(HWND__* window, RECT* rect);
BOOL GetClientRect(HWND__* window, RECT* rect);
BOOL ClientToScreen(HWND__* window, POINT* point);
// The screen holding the reference's centre (the first screen when none does): its work area
// or its whole frame; (0, 0, 1600, 1200) without screens.
void WEMU_GetViewPort(RECT* out, const RECT* reference, bool workArea);
BOOL SetWindowPos(HWND__* window, HWND__* insertAfter, int x, int y, int cx, int cy, int flags);
HWND__* WindowFromPoint(POINT point);
// The deepest visible view of the subtree under a point of the window's coordinates, or none.
vq::platform::View* WEMU_HitTestView(vq::platform::View* root, vq::platform::Point inWindow);
