// The default window procedure, modal sessions, closing and hiding, gestures and dropped
// files. Main thread.
#pragma once

#include "wemu/window_handle.h"

LRESULT DefWindowProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);

// Modal sessions whose passes the caller runs.
typedef void* WEMU_ModalSession;
WEMU_ModalSession WEMU_ModalWindowStart(HWND__* window);
// True while the session goes on; otherwise the answer goes to result.
bool WEMU_ModalWindowRun(WEMU_ModalSession session, int* result);
// Stops the session (waiting a bounded time for it to end) and ends it.
void WEMU_ModalWindowEnd(WEMU_ModalSession session);
void WEMU_CloseWindow(HWND__* window);
void WEMU_HideApp();
BOOL WEMU_GetGestureInfo(LPARAM lParam, void* out);

// Dropped files: a global memory block holding a drop record (offset of the file list, drop
// point, non-client flag, wide flag) and NUL-terminated UTF-8 paths ending with an empty one.
typedef HANDLE HDROP;
struct DROPFILES {
  uint32_t pFiles;
  POINT pt;
  int32_t fNC;
  int32_t fWide;
};
// Index -1: the number of paths. Else the path's full length, copying at most size - 1 bytes;
// 0 for an index past the end or a record that does not fit its block.
int DragQueryFile(HDROP drop, int index, char* buffer, int size);
BOOL DragQueryPoint(HDROP drop, POINT* point);
void DragFinish(HDROP drop);
