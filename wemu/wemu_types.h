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
  WM_CREATE = 1,
  WM_DESTROY = 2,
  WM_MOVE = 3,
  WM_SIZE = 5,
  WM_ACTIVATE = 6,
  WM_PAINT = 15,
  WM_CLOSE = 16,
  WM_ERASEBKGND = 20,
  WM_SHOWWINDOW = 24,
  WM_SETCURSOR = 0x20,
  WM_MOUSEACTIVATE = 0x21,
  WM_GETMINMAXINFO = 36,
  WM_GETOBJECT = 0x3D,
  WM_NOTIFY = 0x4E,
  WM_CONTEXTMENU = 0x7B,
  WM_DISPLAYCHANGE = 0x7E,
  WM_NCCALCSIZE = 0x83,
  WM_NCHITTEST = 0x84,
  WM_NCPAINT = 0x85,
  WM_NCRBUTTONUP = 0xA5,
  WM_ACTIVATEAPP = 28,
  WM_KEYDOWN = 0x100,
  WM_KEYUP = 0x101,
  WM_INITDIALOG = 272,
  WM_COMMAND = 273,
  WM_TIMER = 275,
  WM_HSCROLL = 276,
  WM_INITMENUPOPUP = 279,
  WM_GESTURE = 0x119,
  WM_CTLCOLORBTN = 0x135,
  WM_CTLCOLORDLG = 0x136,
  WM_CTLCOLORSTATIC = 0x138,
  WM_MOUSEMOVE = 0x200,
  WM_RBUTTONUP = 0x205,
  WM_MOUSEWHEEL = 0x20A,
  WM_MOUSEHWHEEL = 0x20E,
  WM_CAPTURECHANGED = 0x215,
  WM_DROPFILES = 0x233,
  WM_USER = 0x400,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7 };

// The id that stands for every timer of a window.
constexpr UINT_PTR WEMU_ALL_TIMERS = ~UINT_PTR{0};
