// Paint requests of windows: invalidation (dirty bits up the window views), BeginPaint inside a
// view's paint. Main thread.
#pragma once

#include "wemu/window_view.h"

BOOL InvalidateRect(HWND__* window, const RECT* rect, BOOL erase);
void UpdateWindow(HWND__* window);
void WEMU_FlushWindow(HWND__* window);
// The record is zeroed; inside the view's paint it holds the context and the paint rectangle.
HDC BeginPaint(HWND__* window, PAINTSTRUCT* ps);
BOOL EndPaint(HWND__* window, const PAINTSTRUCT* ps);
