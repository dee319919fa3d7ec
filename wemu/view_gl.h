// An OpenGL context per window view: made on request, current while the view paints, released
// with the view. Other handles are ignored. Main thread.
#pragma once

#include "wemu/window_view.h"

void WEMU_SetViewGL(HWND__* window, bool want);
bool WEMU_GetViewGL(HWND__* window);
// Makes the view's context current (true); none clears the current context (false).
bool WEMU_SetGLContextToView(HWND__* window);

// Used by the window view: before a paint, and when the view goes.
void WEMU_Internal_PrepareViewGL(WEMU_WindowView* view);
void WEMU_Internal_ReleaseViewGL(WEMU_WindowView* view);
// After a paint: what the context drew goes into the paint's pixels, and the context stops
// being current.
void WEMU_Internal_FinishViewGL(WEMU_WindowView* view, HDC__* paintContext);
