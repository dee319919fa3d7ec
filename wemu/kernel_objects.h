// Kernel-object handles: events (also over a socket pair, so they can be waited on with
// descriptors), threads, files and processes, with CloseHandle and the wait functions.
// Made for use across threads: reference counts change atomically, an event's state is
// guarded by its own mutex, and only live handles are accepted (a registry checks them).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wemu/wemu_types.h"

enum : uint32_t {
  WEMU_KOBJ_THREAD = 0x1000002,
  WEMU_KOBJ_EVENT = 0x1000003,
  WEMU_KOBJ_FILE = 0x1000004,
  WEMU_KOBJ_SOCKET = 0x1000005,
  WEMU_KOBJ_SOCKET_EVENT = 0x1000006,
  WEMU_KOBJ_PROCESS = 0x1000007,
};

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

typedef DWORD (*LPTHREAD_START_ROUTINE)(void* argument);

// The kind of a live handle, or 0.
uint32_t WEMU_KernelObjectType(HANDLE h);

// 1 when a reference was dropped (the last one tears the object down), 0 for anything that
// is not a live handle of the six kinds.
BOOL CloseHandle(HANDLE h);

HANDLE CreateEvent(void* attributes, BOOL manualReset, BOOL initialState, const char* name);
// An event whose state is a byte in a local socket pair; none when no pair can be made.
HANDLE CreateEventAsSocket(void* attributes, BOOL manualReset, BOOL initialState);
BOOL SetEvent(HANDLE h);
BOOL ResetEvent(HANDLE h);
// The read end of a socket event (for the caller's own poll), or -1.
int WEMU_GetEventSocket(HANDLE h);

HANDLE CreateThread(void* attributes, size_t stackSize, LPTHREAD_START_ROUTINE function,
                    void* argument, DWORD flags, DWORD* threadIdOut);
BOOL SetThreadPriority(HANDLE thread, int priority);
uint64_t GetCurrentThreadId();
// A thread's result once it has finished (false before).
BOOL GetExitCodeThread(HANDLE thread, DWORD* result);

// 0 signalled, 258 timed out, 0xFFFFFFFF failed or not a handle. INFINITE waits for ever.
DWORD WaitForSingleObject(HANDLE h, DWORD ms);
// The index of the first socket-kind handle that became readable, or 258 on time-out or when
// none of them has a descriptor.
DWORD WaitForAnySocketObject(int count, const HANDLE* handles, DWORD ms);

// File handles over a C stream (mode as fopen takes it); none when the file cannot be opened.
HANDLE WEMU_CreateFileHandle(const char* path, const char* mode);
// Moves to offset from origin (0 start, 1 current, 2 end); the new position, or 0xFFFFFFFF
// with the error flag set.
DWORD SetFilePointer(HANDLE file, long offset, long* high, DWORD origin);
// The size (end position), keeping the current position; 0xFFFFFFFF on failure.
DWORD GetFileSize(HANDLE file, DWORD* high);
// True when anything moved; the count goes out.
BOOL ReadFile(HANDLE file, void* buf, DWORD count, DWORD* done, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buf, DWORD count, DWORD* done, void* overlapped);

// Launches the program with the arguments (no shell); none when it cannot be started.
HANDLE WEMU_CreateProcess(const char* program, int argc, const char* const* argv);
