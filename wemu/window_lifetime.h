// Who frees the layer's windows and views, and when. The layer owns every window and view it
// makes (adopted here); DestroyWindow asks for deletion, which happens on a later pass of the
// run loop and never while a method of the object (or of a view inside it) is on the stack.
// Main thread.
#pragma once

#include "wemu/window_handle.h"

// The layer takes ownership of the object.
void WEMU_Internal_Adopt(HWND__* object);
bool WEMU_Internal_IsAdopted(const HWND__* object);
// Asks for the object to be deleted (with the adopted views inside it) on a later pass.
// Objects the layer does not own are only forgotten.
void WEMU_Internal_ReleaseLater(HWND__* object);
// Deletes what was asked for and is not held; what is held waits for its last hold.
void WEMU_Internal_FlushDeferredDeletes();
int WEMU_Internal_PendingDeleteCount();
int WEMU_Internal_AdoptedCount();
// Destroys and deletes every adopted object (termination, and tests between cases).
void WEMU_Internal_DestroyAllWindows();
