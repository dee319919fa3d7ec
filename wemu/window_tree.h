// Parents, children and siblings of windows and views. Main thread.
#pragma once

#include "wemu/window_handle.h"

enum : int {
  GW_HWNDFIRST = 0,
  GW_HWNDLAST = 1,
  GW_HWNDNEXT = 2,
  GW_HWNDPREV = 3,
  GW_OWNER = 4,
  GW_CHILD = 5
};
typedef BOOL (*WNDENUMPROC)(HWND__* window, LPARAM lParam);

// A child view's superview; for a content view or a window, the content view of the parent
// window, else of the owner; none otherwise.
HWND__* GetParent(HWND__* window);
BOOL IsChild(HWND__* parent, HWND__* child);
HWND__* GetWindow(HWND__* window, int command);
BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam);
HWND__* SetParent(HWND__* window, HWND__* newParent);
