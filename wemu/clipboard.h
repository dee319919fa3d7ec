// The clipboard: formats registered by name (text is format 1 and lives on the system
// clipboard; the program's own formats live on the process pasteboard "WEMU_APP"), data handed
// over in global memory blocks. Main thread; elsewhere every function answers its failure value.
#pragma once

#include "wemu/wemu_types.h"

constexpr UINT CF_TEXT = 1;

BOOL OpenClipboard(HWND__* window);
UINT RegisterClipboardFormat(const char* name);
UINT EnumClipboardFormats(UINT previous);
// A new block the clipboard keeps until CloseClipboard, or null.
HANDLE GetClipboardData(UINT format);
// The block passes to the clipboard (written and freed by CloseClipboard or EmptyClipboard).
HANDLE SetClipboardData(UINT format, HANDLE data);
BOOL EmptyClipboard();
BOOL CloseClipboard();
// Forgets the registered formats and frees everything held (termination, and tests).
void WEMU_Internal_ResetClipboard();
