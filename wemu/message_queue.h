// The posted-message queue: any thread posts a window message; the main thread delivers it on
// the next 0.05 s tick of a repeating timer that also fires in modal loops and menu tracking.
// It also carries window-timer requests made off the main thread (window_timers.h).
#pragma once

#include "wemu/wemu_types.h"

// Most records the queue holds (recycled ones included) before a post is refused.
constexpr int WEMU_POSTED_MESSAGE_LIMIT = 1024;

// Main thread, once: records the main thread and starts the tick timer on the platform run
// loop. Does nothing when already done.
void WEMU_Internal_PostMessage_Init();
// Main thread: stops the tick and empties the queue (termination, and tests between cases).
void WEMU_Internal_PostMessage_Shutdown();
bool WEMU_Internal_PostMessage_IsInitialized();
// Whether the calling thread is the main thread the queue recorded (false before Init).
bool WEMU_Internal_IsMainThread();

// Any thread: queues the message for the window. 0 when the window is none or not live, the
// queue is not set up, the window refuses posts, or 1024 records are in use; else 1.
BOOL PostMessage(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostedMessageQueue_Post(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);

// Any thread: drops the window's queued messages and timer requests, also those of a batch
// being delivered; none drops everything.
void WEMU_MessageQueue_Clear(HWND__* window);
void PostedMessageQueue_ClearForWindow(HWND__* window);

// Main thread: delivers what was queued before the call, in order. Messages posted during
// delivery wait for the next tick.
void WEMU_MessageQueue_Flush();

// Any thread: queues a window-timer request (interval 0xFFFFFFFF: kill); a queued request for
// the same window and id is updated in place. False when nothing could be queued.
bool WEMU_Internal_QueueTimerRequest(HWND__* window, UINT_PTR id, DWORD interval,
                                     TIMERPROC callback);

// Records in use (queued or being delivered) and records waiting on the free list.
int WEMU_Internal_PostedMessageCount();
int WEMU_Internal_FreeRecordCount();
