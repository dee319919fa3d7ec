// Keyboard mapping from platform key events to virtual-key codes and modifier flags, and the
// state of keys and mouse buttons. Main thread.
#pragma once

#include "platform/event.h"
#include "wemu/wemu_types.h"

// Modifier flags of the mapping.
enum : int {
  WEMU_KF_VIRTKEY = 1,  // the code is a virtual-key code, not a character
  WEMU_KF_SHIFT = 4,
  WEMU_KF_COMMAND = 8,
  WEMU_KF_OPTION = 16,
  WEMU_KF_CONTROL = 32,  // only while right-click emulation is off
};

// The virtual-key code (flag 1) or character of the key event; 0 for no event. Mode 1 reads
// the characters without modifiers first and falls back to the keyboard layout.
int WEMU_MacKeyToWindowsKey(const vq::platform::Event* event, int* flagsOut);
// A missing event means the event being handled.
int WEMU_MacKeyToWindowsKeyEx(const vq::platform::Event* event, int* flagsOut, int mode);
// The shifted character of a digit when flags are exactly 5 (virtual key with Shift), with
// flags 0 going out; else 0.
int WEMU_KeyToASCII(int code, int flags, int* flagsOut);
// 0x8000 while the key is down: 1, 2 and 4 the mouse buttons; 16 Shift, 17 Command,
// 18 Option, 91 Control (only while right-click emulation is off).
int GetAsyncKeyState(int virtualKey);

// Control+click counts as a right click while on (the start state); Control then gives no flag.
void WEMU_EnableRightClickEmulate(int on);
int WEMU_IsRightClickEmulateEnabled();

// The key table: the virtual-key code of a key code from 51 to 126, else 0.
int WEMU_KeyTableEntry(int keyCode);
