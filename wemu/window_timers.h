// Window timers on the platform run loop (common modes: they also fire in modal loops and
// menu tracking). Calls from other threads become requests on the posted-message queue.
#pragma once

#include "wemu/wemu_types.h"

// Returns the timer id, or 0. A window timer sends WM_TIMER (through the window's
// wemuTimer); a callback timer calls the callback with (window, WM_TIMER, id, tick count).
// Without a window the id is made here, unique among running timers. Off the main thread the
// request is queued and the id returned at once; with no window it is refused (0).
UINT_PTR SetTimer(HWND__* window, UINT_PTR id, UINT elapseMs, TIMERPROC callback);
// 1 when a timer was stopped or a request queued, else 0. WEMU_ALL_TIMERS stops every timer
// of the window.
BOOL KillTimer(HWND__* window, UINT_PTR id);

// Main thread: stops every timer (termination, and tests between cases).
void WEMU_Internal_KillAllTimers();
int WEMU_Internal_TimerCount();
