// Basic types, handles and message numbers of the Win32 emulation layer.
#pragma once

#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint64_t UINT_PTR;
typedef uint64_t WPARAM;
typedef int64_t LPARAM;
typedef int64_t LRESULT;
typedef void* HANDLE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#ifndef WEMU_RECT_DEFINED
#define WEMU_RECT_DEFINED
// Rectangle of the Win32 layer: right and bottom exclusive.
struct RECT {
  int left;
  int top;
  int right;
  int bottom;
};
#endif

struct POINT {
  int x;
  int y;
};

// A window handle: a window view of the window layer, or a top-level window (window_handle.h).
struct HWND__;
typedef HWND__* HWND;

// A menu handle is a menu object of the platform layer.
namespace vq::platform {
class Menu;
}
typedef vq::platform::Menu HMENU__;
typedef HMENU__* HMENU;

// Window and dialog procedures share one signature.
typedef LRESULT (*WNDPROC)(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);
// Callback of a window timer: (window, WM_TIMER, timer id, tick count).
typedef void (*TIMERPROC)(HWND__* window, UINT message, UINT_PTR id, DWORD time);

// Window messages used by the services layer.
enum : UINT {
  WM_DESTROY = 2,
  WM_CLOSE = 16,
  WM_ACTIVATEAPP = 28,
  WM_KEYDOWN = 0x100,
  WM_KEYUP = 0x101,
  WM_INITDIALOG = 272,
  WM_COMMAND = 273,
  WM_TIMER = 275,
  WM_INITMENUPOPUP = 279,
  WM_MOUSEMOVE = 0x200,
  WM_USER = 0x400,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7 };

// The id that stands for every timer of a window.
constexpr UINT_PTR WEMU_ALL_TIMERS = ~UINT_PTR{0};
