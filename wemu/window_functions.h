// The window handle functions: dialog items by id, window longs, text, showing, destroying
// and validity. A top-level window stands for its content view where a view is needed and the
// other way round. Main thread; elsewhere each answers its failure value. Stale and foreign
// handles (not live in the handle registry) are refused.
#pragma once

#include "wemu/window_view.h"

enum : int {
  GWL_USERDATA = -21,
  GWL_EXSTYLE = -20,
  GWL_STYLE = -16,
  GWL_ID = -12,
  DWL_DLGPROC = -8,
  GWL_WNDPROC = -4,
};
enum : int { SW_HIDE = 0, SW_SHOWNA = 1, SW_SHOW = 2, SW_SHOWMINIMIZED = 3 };
enum : uint32_t { WS_CHILD = 0x40000000, WS_CAPTION = 0xC00000, WS_THICKFRAME = 0x40000 };

// Whether the handle is a live handle of this layer (the registry knows it).
bool WEMU_IsLiveHandle(HWND__* window);

HWND__* GetDlgItem(HWND__* parent, int id);
intptr_t GetWindowLong(HWND__* window, int index);
intptr_t SetWindowLong(HWND__* window, int index, intptr_t value);
BOOL IsWindowVisible(HWND__* window);
BOOL GetDlgItemText(HWND__* window, int id, char* buffer, int size);
BOOL SetDlgItemText(HWND__* window, int id, const char* text);
BOOL SetDlgItemInt(HWND__* window, int id, int value, BOOL isSigned);
int GetDlgItemInt(HWND__* window, int id, BOOL* ok, BOOL isSigned);
BOOL ShowWindow(HWND__* window, int command);
BOOL DestroyWindow(HWND__* window);
BOOL IsWindow(HWND__* window);
bool IsViewInSubtree(vq::platform::View* view, vq::platform::View* root);
// The view a handle denotes (a window's content view), or none.
HWND__* GetEffectiveView(HWND__* window);
// Whether the two are the same, or one is the text editor inside the other (a text field).
bool IsSameFocusTarget(vq::platform::View* a, vq::platform::View* b);
