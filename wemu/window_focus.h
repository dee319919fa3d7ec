// Focus, activation, enabling and the mouse capture. Main thread.
#pragma once

#include "wemu/window_handle.h"

HWND__* SetForegroundWindow(HWND__* window);
HWND__* GetForegroundWindow();
BOOL EnableWindow(HWND__* window, BOOL enable);

// The capture holder; a holder that asked for it (wemuCapChangeNotify) hears WM_CAPTURECHANGED
// when it loses the capture.
HWND__* GetCapture();
HWND__* SetCapture(HWND__* window);
BOOL ReleaseCapture();
// A window going away: the capture is dropped without messages when it holds it.
void WEMU_Internal_ForgetCapture(HWND__* window);
