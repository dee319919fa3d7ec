// Small services under the rest of the emulation: string conversion, time, rectangles,
// movable global memory, temporary and module paths, the system version. Thread-safe.
#pragma once

#include <cstddef>
#include <string>

#include "wemu/wemu_types.h"

// The emulation's native string is UTF-8 text in a std::string (the desktop's string object
// on the original platform); the caller owns what it gets.
typedef std::string WEMU_String;

// UTF-8 text as given, or, when it is not valid UTF-8, its ASCII form (other bytes become
// "?"). None counts as empty.
WEMU_String WEMU_CStringToCFString(const char* text);
// Copies the string as UTF-8 into buf, NUL-terminated, cut to size - 1 bytes at a character
// boundary. With size above 0 the buffer is emptied first; none copies nothing. Answers
// whether the whole string fitted.
bool WEMU_CFStringToCString(const WEMU_String* s, char* buf, int size);

// Sleeps that long; 0 sleeps 100 microseconds.
void Sleep(DWORD ms);
// Milliseconds of a monotonic clock (wraps at 32 bits); never jumps with the time of day.
DWORD GetTickCount();

// left <= x < right and min(top, bottom) <= y < max(top, bottom); false for no rectangle.
BOOL WEMU_PtInRect(const RECT* r, POINT p);
void WinSetRect(RECT* r, int left, int top, int right, int bottom);
void WinOffsetRect(RECT* r, int dx, int dy);
// Empty result and FALSE when either is empty or they do not overlap.
BOOL WinIntersectRect(RECT* out, const RECT* a, const RECT* b);
// The smallest rectangle holding both (an empty one counts as absent); FALSE when empty.
BOOL WinUnionRect(RECT* out, const RECT* a, const RECT* b);

// Copies at most n - 1 characters and a NUL; n below 1 leaves the buffer alone.
char* lstrcpyn(char* dst, const char* src, int n);
// a x b / c in double precision, truncated (and limited to the int range); 0 when c is 0.
int MulDiv(int a, int b, int c);
unsigned int _controlfp(unsigned int value, unsigned int mask);

// Movable global memory: the handle is the address of the data, after an 8-byte header
// (size, lock count). A negative size counts as 0; contents are not cleared.
HANDLE GlobalAlloc(UINT flags, long size);
void* GlobalLock(HANDLE h);
BOOL GlobalUnlock(HANDLE h);
size_t GlobalSize(HANDLE h);
HANDLE GlobalFree(HANDLE h);

// "TMPDIR", or "/tmp/" when unset or empty, cut to size - 1 and ending in "/"; returns length.
DWORD GetTempPath(DWORD size, char* buf);
// The program's path (module none) or a loaded module's path, cut to size - 1; returns the
// length in the buffer.
DWORD GetModuleFileName(void* module, char* buf, DWORD size);
// The folder of the program's resources ("<folder of the program>/resources/" unless set).
std::string WEMU_GetResourceFolder();
void WEMU_SetResourceFolder(const std::string& folder);

// The system version as 0x10XY; this layer reports the newest it knows, 0x10B0.
int WEMU_GetOSXVersion();
// Once per process; nothing is needed here beyond remembering it ran.
void WEMU_EnsureMultithreadedCocoa();
void* WEMU_InitAutoRelease();
void WEMU_QuitAutoRelease(void* pool);
// Keeps the system from napping the application while the counter is positive.
void WEMU_DisableAppNap(int delta);
int WEMU_Internal_AppNapCounter();

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
// Status-change, access and modification times of an open descriptor as 100-ns counts since
// 1601-01-01. Any output may be none.
BOOL GetFileTime(int fd, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
// 16 random bytes of a new version-4 UUID.
void WEMU_GenerateGUID(void* out16);
