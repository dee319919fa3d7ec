// Win32 menu functions over the platform's menus: a menu handle is a menu object, an item's
// command id is its tag, and a menu's commands reach the window that owns it as WM_COMMAND.
// Also pop-up menu tracking. Main thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/menu.h"
#include "wemu/wemu_types.h"

// Item description of the info functions.
struct MENUITEMINFO {
  UINT cbSize;  // 72
  UINT fMask;   // MIIM_*
  UINT fType;   // MFT_*
  UINT fState;  // MFS_*
  UINT wID;
  HMENU hSubMenu;
  void* hbmpChecked;    // not used
  void* hbmpUnchecked;  // not used
  uintptr_t dwItemData;
  char* dwTypeData;  // the text (an icon handle for a bitmap item)
  UINT cch;          // text buffer size (get)
};

enum : UINT {
  MIIM_ID = 1,
  MIIM_STATE = 2,
  MIIM_TYPE = 4,
  MIIM_SUBMENU = 8,
  MIIM_DATA = 16,
  MFT_STRING = 0,
  MFT_BITMAP = 4,
  MFT_SEPARATOR = 0x800,
  MFS_GRAYED = 1,
  MFS_DISABLED = 2,
  MFS_CHECKED = 8,
};

// Flags of the by-position functions.
enum : UINT {
  MF_GRAYED = 1,
  MF_BITMAP = 4,
  MF_CHECKED = 8,
  MF_POPUP = 0x10,
  MF_BYPOSITION = 0x400,
  MF_SEPARATOR = 0x800,
};

// Flags of TrackPopupMenu.
enum : UINT { TPM_NONOTIFY = 0x80, TPM_RETURNCMD = 0x100 };

// Accelerator flags of SetMenuItemModifier.
enum : UINT {
  WEMU_ACCEL_VIRTKEY = 1,
  WEMU_ACCEL_SHIFT = 4,
  WEMU_ACCEL_COMMAND = 8,
  WEMU_ACCEL_OPTION = 16,
  WEMU_ACCEL_CONTROL = 32,
};

// One row of a menu template list. A text beginning with "/.BO^O:" opens a submenu titled by
// the rest; the text "EN%%%^:" closes it; no text is a separator; non-zero flags disable.
struct MenuListEntry {
  const char* text;
  uint16_t id;
  uint16_t flags;
};

// A menu resource registered by the shell: its create function fills a fresh menu.
struct WEMU_MenuResourceIndex {
  int resid;
  void (*createFunc)(HMENU menu);
  WEMU_MenuResourceIndex* next;
};

// The title rule: at most 1023 characters, up to a NUL or TAB, "&" dropped and the character
// after it taken literally.
std::string WEMU_MenuTitleFromText(const char* text);

HMENU CreatePopupMenu();
HMENU CreatePopupMenuEx(const char* title);
void DestroyMenu(HMENU menu);
HMENU WEMU_LoadMenu(WEMU_MenuResourceIndex* list, int id);
// Appends the rows; returns the rows consumed including the closing row (1 for a count
// below 1). Never reads past `count` rows, however the submenus nest.
int WEMU_GenerateMenuFromList(HMENU menu, const MenuListEntry* rows, int count);
HMENU WEMU_DuplicateMenu(HMENU menu);
HMENU WEMU_GetCurrentMenu();
void WEMU_SetCurrentMenu(HMENU menu);
BOOL SetMenu(HWND__* window, HMENU menu);
HMENU GetMenu(HWND__* window);
void DrawMenuBar(HWND__* window);
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO* info);
BOOL WEMU_InsertMenu(HMENU menu, int positionOrCommand, UINT flags, UINT_PTR idOrSubmenu,
                     const char* text);
void WEMU_Menu_AddMenuItem(HMENU menu, const char* text, int id, int flags);
int AddMenuItem(HMENU menu, int position, const char* text, int id);
BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFO* info);
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO* info);
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
BOOL SetMenuItemText(HMENU menu, UINT item, UINT flags, const char* text);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
BOOL CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL SetMenuItemModifier(HMENU menu, UINT item, UINT flags, UINT keyCode, UINT accelFlags);
// Items with a non-zero tag, through all submenus, send their command to the window; none
// clears their targets.
void WEMU_SetMenuDestination(HMENU menu, HWND__* window);
// Clears every target and delegate that names the window in its own menu, the main menu and
// the modal windows' menu (a window going away must not stay the receiver of a menu).
void WEMU_Internal_ForgetMenuTarget(HWND__* window);
// Shows the menu at the screen point; see the flags above. Returns 0 when nothing was chosen.
int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND__* window,
                   const RECT* rect);
