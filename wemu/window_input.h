// The event side of the window view: mouse buttons, moves and the wheel become window
// messages (capture, hit test and cursor handling), trackpad gestures become WM_GESTURE pairs,
// and files dropped on a drop view reach its procedure as WM_DROPFILES. Main thread.
#pragma once

#include <functional>
#include <string>

#include "wemu/window_view.h"

enum : UINT {
  WM_NCMOUSEMOVE = 0xA0,
  WM_LBUTTONDOWN = 0x201,
  WM_LBUTTONUP = 0x202,
  WM_LBUTTONDBLCLK = 0x203,
  WM_RBUTTONDOWN = 0x204,
  WM_RBUTTONDBLCLK = 0x206,
  WM_MBUTTONDOWN = 0x207,
  WM_MBUTTONUP = 0x208,
  WM_MBUTTONDBLCLK = 0x209,
};

// The record of WM_GESTURE (lParam): 56 bytes.
struct GESTUREINFO {
  uint32_t cbSize;
  uint32_t dwFlags;  // 1 begin, 4 end
  uint32_t dwID;     // 3 zoom, 4 pan, 5 rotate
  HWND__* hwndTarget;
  int16_t x, y;  // screen coordinates
  uint32_t dwInstanceID;
  uint32_t dwSequenceID;
  uint64_t ullArguments;
  uint32_t cbExtraArgs;
};
static_assert(sizeof(GESTUREINFO) == 56);
enum : uint32_t { GF_BEGIN = 1, GF_END = 4, GID_ZOOM = 3, GID_PAN = 4, GID_ROTATE = 5 };

// Sends the mouse message for the event to the view (or to the capturing view of the same
// window): -1 without a procedure or once destroyed.
LRESULT WEMU_SendMouseMessage(WEMU_WindowView* view, UINT message,
                              const vq::platform::Event* event);
// A mouse, wheel or gesture event delivered to the view.
void WEMU_WindowViewInputEvent(WEMU_WindowView* view, const vq::platform::Event& e);
// A click into an inactive window: the view and its superview hear WM_MOUSEACTIVATE.
bool WEMU_WindowViewAcceptsFirstMouse(WEMU_WindowView* view);
// Focus by click: the focused view answers at once, another hears WM_MOUSEACTIVATE first.
bool WEMU_WindowViewAcceptsFirstResponder(WEMU_WindowView* view);
// The wheel's wParam for a delta: 60 units a line, limited to 16 bits, in the high word.
WPARAM WEMU_WheelWParam(double delta);

// Drop hooks (none by default): a drag enters (record, window position), moves, leaves; and the
// folder for promised files of a type.
struct WEMU_DropHooks {
  std::function<void(HANDLE record, POINT position)> enter;
  std::function<void(POINT position)> over;
  std::function<void()> leave;
  std::function<std::string(const std::string& type)> promiseFolder;
};
void WEMU_SetDropHooks(WEMU_DropHooks hooks);

// The drop record of a drag over the view (a global memory block the caller frees), or null:
// not a drop view, nothing to drop, or no path fits. In record mode promised files are only
// named ("tmp." and the type); otherwise they are received first.
HANDLE WEMU_BuildDropRecord(WEMU_WindowView* view, const vq::platform::DragInfo& info,
                            bool recordOnly);
// Longest path a drop record carries (with its terminator); longer ones are left out.
constexpr size_t WEMU_DROP_PATH_MAX = 4096;
