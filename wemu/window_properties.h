// Named properties of window views. Main thread.
#pragma once

#include "wemu/window_view.h"

void* GetProp(HWND__* window, const char* name);
BOOL SetProp(HWND__* window, const char* name, void* value);
void* RemoveProp(HWND__* window, const char* name);
// The view's walk (1 all, 0 stopped); -1 when the handle keeps no properties.
int EnumPropsEx(HWND__* window, PROPENUMPROCEX callback, LPARAM lParam);
