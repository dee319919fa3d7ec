// Finding, walking and scrolling the children of windows, and the screen's metrics. Main
// thread; elsewhere each answers its failure value.
#pragma once

#include "wemu/window_tree.h"

enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CXICON = 11 };

// 0 and 1: the main screen's size (1024 without one); 2, 3, 20 and 21: 16; others 0.
int GetSystemMetrics(int index);
// Moves every child of the view (a window's content view) by the offset; false for a zero
// offset or a handle that is no view.
BOOL ScrollWindow(HWND__* window, int dx, int dy, const RECT* scroll, const RECT* clip);
// Without a parent: the content view of the first window after `after` with that title.
// With one: its first child after `after` whose text is the title (any child without one);
// class "Static" asks for a text field.
HWND__* FindWindowEx(HWND__* parent, HWND__* after, const char* className, const char* title);
// Depth first through the children; false as soon as the callback answers false.
BOOL EnumChildWindows(HWND__* window, WNDENUMPROC callback, LPARAM lParam);
