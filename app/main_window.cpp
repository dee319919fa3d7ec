// The main window's procedure: it shows the editor and turns menu commands into the editor's
// command codes.
#include <cstdio>
#include <iterator>

#include "app/app_resources.h"
#include "app/app_shell.h"
#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "wemu/app_controller.h"
#include "wemu/menus.h"
#include "wemu/message_box.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_functions.h"

namespace {

struct CommandRange {
  int firstId;
  int lastId;
  int firstCode;
};

// Menu ids and the editor's command codes.
constexpr CommandRange kCommands[] = {
    {40025, 40032, 1},   // folder, files, firmware, user guide, database
    {40033, 40033, 11},  // compact view
    {40034, 40034, 10},  // full view
    {40037, 40048, 12},  // GUI scales, saves from the VQ, two skins
    {40049, 40049, 25},  // third skin
    {40050, 40050, 24},  // convert old program files
    {40051, 40051, 26},  // undo
    {40052, 40052, 27},  // redo
    {40053, 40053, 33},  // enter the program manager
    {40054, 40054, 32},  // leave the program manager
};

constexpr int kAboutCode = 0;
constexpr int kPreferencesOkCode = 35;

void RunCommand(int code) {
  AppShell* shell = CurrentShell();
  if (VQEditor* plug = shell ? shell->Plug() : nullptr) plug->OnCommand(code);
}

void ShowAbout(HWND__* window) {
  AppShell* shell = CurrentShell();
  VQEditor* plug = shell ? shell->Plug() : nullptr;
  if (plug && plug->OnCommand(kAboutCode)) return;
  MessageBox(window, "Marrowtone\nBuilt on Oct 16 2024", "VQEditor4", 0);
}

void RunPreferences(HWND__* window) {
  AppShell* shell = CurrentShell();
  if (!shell) return;
  if (WEMU_DialogBox(AppDialogResources(), kPreferencesResource, window, &PreferencesDialogProc,
                     0) != 1)
    return;
  shell->WriteMidiSettings();
  // The same choice again reconnects a synthesizer whose ports went away and came back.
  shell->ReopenChosenPorts();
  RunCommand(kPreferencesOkCode);
}

VQEditor* Editor() {
  AppShell* shell = CurrentShell();
  return shell ? shell->Plug() : nullptr;
}

// Quitting during a firmware update or a bank transfer cuts it off: the user is asked first.
void CloseUnlessCancelled(HWND__* window) {
  VQEditor* plug = Editor();
  const char* warning = plug ? plug->QuitWarning() : nullptr;
  if (warning && MessageBox(window, warning, "Warning", MB_OKCANCEL) != IDOK) return;
  DestroyWindow(window);
}

// Each choice of MIDI Learn or MIDI Unlearn arms that switch, or disarms it when armed.
void ToggleLearn(int id) {
  VQEditor* plug = Editor();
  if (!plug) return;
  if (id == kCmdMidiLearn)
    plug->ArmMidiLearn(!plug->MidiLearnArmed());
  else
    plug->ArmMidiUnlearn(!plug->MidiUnlearnArmed());
}

// A menu about to open ticks the learn switches that are armed (learning also ends by itself).
void TickLearnItems(HMENU menu) {
  VQEditor* plug = Editor();
  if (!plug || !menu) return;
  CheckMenuItem(menu, kCmdMidiLearn, plug->MidiLearnArmed() ? UINT{MF_CHECKED} : 0u);
  CheckMenuItem(menu, kCmdMidiUnlearn, plug->MidiUnlearnArmed() ? UINT{MF_CHECKED} : 0u);
}

}  // namespace

int CommandCodeOfMenuId(int id) {
  for (const CommandRange& r : kCommands)
    if (id >= r.firstId && id <= r.lastId) return r.firstCode + (id - r.firstId);
  return -1;
}

LRESULT MainDialogProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  AppShell* shell = CurrentShell();
  switch (message) {
    case WM_INITDIALOG:
      // Centred without the shell; with it the fit below places it with its menu bar.
      CenterWindow(window);
      if (shell) {
        shell->mainWindow = window;
        // The menu bar comes before the fit and the show: the window maps once, at its full
        // size and its final place.
        if (shell->menuBar) {
          SetMenu(window, shell->menuBar);
          WEMU_SetDefaultModalWindowMenu(shell->menuBar);
        }
        if (!shell->AttachEditorView()) std::printf("couldn't attach gui\n");
      }
      ShowWindow(window, SW_SHOW);
      return 1;
    case WM_COMMAND: {
      const int id = static_cast<int>(wParam & 0xFFFF);
      if (id == kCmdAbout) {
        ShowAbout(window);
      } else if (id == kCmdPreferences) {
        RunPreferences(window);
      } else if (id == kCmdQuit) {
        CloseUnlessCancelled(window);
      } else if (id == kCmdMidiLearn || id == kCmdMidiUnlearn) {
        ToggleLearn(id);
      } else if (id == IDCANCEL) {
        // Escape: a panel shown over the page goes without doing anything.
        if (VQEditor* plug = Editor()) plug->CancelProgramNumberSelector();
      } else if (int code = CommandCodeOfMenuId(id); code >= 0) {
        RunCommand(code);
      }
      return 0;
    }
    case WM_INITMENUPOPUP:
      TickLearnItems(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_CLOSE:
      CloseUnlessCancelled(window);
      return 0;
    case WM_DESTROY:
      // Forgotten before the quit request: terminating then finds no window to destroy.
      if (shell && shell->mainWindow == window) shell->mainWindow = nullptr;
      WEMU_PostQuitMessage(window);
      return 0;
    default:
      return 0;
  }
}
