// The shell's window resources and procedures: the main window (dialog 40001) that carries the
// editor and turns menu commands into the editor's command codes, the "Preferences" dialog
// (40002) where the MIDI devices are picked, the menu resource 40004 and the main menu bar.
#pragma once

#include "wemu/menus.h"
#include "wemu/window_view.h"

enum : int {
  kMainWindowResource = 40001,
  kPreferencesResource = 40002,
  kMenuResource = 40004,
  kCmdAbout = 40005,
  kCmdPreferences = 40006,
  kCmdQuit = 40007,
  kComboDeviceInput = 40018,
  kComboOutput = 40019,
  kButtonApply = 40024,
  kComboKeyboardInput = 40035,
  // Edit menu of the bar: the LEARN and UNLEARN switches of the editor.
  kCmdMidiLearn = 40055,
  kCmdMidiUnlearn = 40056,
};

// The registered resources (heads of the window layer's lists).
WEMU_DialogResourceIndex* AppDialogResources();
WEMU_MenuResourceIndex* AppMenuResources();

// The menu bar of the main window: File, Edit, View, Tools and Help with every command the
// main window knows, and the usual accelerators. The caller owns it.
HMENU BuildMenuBar();

// The editor command code of a main-window command id, or -1 for ids the window handles
// itself or ignores.
int CommandCodeOfMenuId(int id);

LRESULT MainDialogProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT PreferencesDialogProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);
// The create function of dialog 40002.
void CreatePreferencesControls(HWND__* view, int windowFlags);
// Fills the three device lists and selects the current names; false when MIDI is off.
bool FillMidiDeviceLists(HWND__* dialog);
