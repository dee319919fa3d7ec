#include "app/app_resources.h"

#include <iterator>

#include "platform/event.h"

namespace {

// --- Menu 40004 and the menu bar ---

#define VQ_POPUP(title) \
  { "/.BO^O:" title, 0, 0 }
#define VQ_END \
  { "EN%%%^:", 0, 0 }
#define VQ_SEPARATOR \
  { nullptr, 0, 0 }

// The File menu, the same in the resource menu and the bar.
#define VQ_FILE_MENU                                                                               \
  VQ_POPUP("&File"), {"Select Directory", 40025, 0}, VQ_SEPARATOR,                                 \
      {"Load Program from File to Editor", 40026, 0},                                              \
      {"Save Program from Editor to File", 40027, 0}, {"Write Program from File to VQ", 40028, 0}, \
      {"Write all Programs from Files to VQ", 40029, 0},                                           \
      {"Save Program from VQ to File", 40045, 0},                                                  \
      {"Save All Programs from VQ to Files", 40046, 0}, VQ_SEPARATOR,                              \
      {"Firmware update", 40030, 0}, VQ_SEPARATOR, {"&Quit", kCmdQuit, 0}, VQ_END

const MenuListEntry kResourceMenu[] = {
    VQ_FILE_MENU,
    VQ_POPUP("&Help"),
    {"&User Guide", 40031, 0},
    {"&Program Database", 40032, 0},
    {"&About", kCmdAbout, 0},
    VQ_END,
};

// The bar: the resource's File items, then what only the main menu carries.
const MenuListEntry kMenuBar[] = {
    VQ_FILE_MENU,
    VQ_POPUP("&Edit"),
    {"&Undo", 40051, 0},
    {"&Redo", 40052, 0},
    VQ_SEPARATOR,
    {"&Preferences...", kCmdPreferences, 0},
    VQ_SEPARATOR,
    {"MIDI Learn", kCmdMidiLearn, 0},
    {"MIDI Unlearn", kCmdMidiUnlearn, 0},
    VQ_END,
    VQ_POPUP("&View"),
    {"Full View", 40034, 0},
    {"Compact View", 40033, 0},
    VQ_SEPARATOR,
    {"GUI Size 70%", 40037, 0},
    {"GUI Size 80%", 40038, 0},
    {"GUI Size 90%", 40039, 0},
    {"GUI Size 100%", 40040, 0},
    {"GUI Size 110%", 40041, 0},
    {"GUI Size 120%", 40042, 0},
    {"GUI Size 130%", 40043, 0},
    {"GUI Size 200%", 40044, 0},
    VQ_SEPARATOR,
    {"Skin: Space", 40047, 0},
    {"Skin: Solid", 40048, 0},
    {"Skin: LCD", 40049, 0},
    VQ_SEPARATOR,
    {"Program Manager", 40053, 0},
    {"Synthesizer Pages", 40054, 0},
    VQ_END,
    VQ_POPUP("&Tools"),
    {"Convert Old Program Files...", 40050, 0},
    VQ_END,
    VQ_POPUP("&Help"),
    {"&User Guide", 40031, 0},
    {"&Program Database", 40032, 0},
    VQ_SEPARATOR,
    {"&About", kCmdAbout, 0},
    VQ_END,
};

#undef VQ_POPUP
#undef VQ_END
#undef VQ_SEPARATOR
#undef VQ_FILE_MENU

struct Accelerator {
  int id;
  UINT key;
  UINT flags;
};
const Accelerator kAccelerators[] = {
    {40051, 'Z', WEMU_ACCEL_COMMAND},    {40052, 'Z', WEMU_ACCEL_COMMAND | WEMU_ACCEL_SHIFT},
    {kCmdQuit, 'Q', WEMU_ACCEL_COMMAND}, {40026, 'O', WEMU_ACCEL_COMMAND},
    {40027, 'S', WEMU_ACCEL_COMMAND},
};

void CreateResourceMenu(HMENU menu) {
  WEMU_GenerateMenuFromList(menu, kResourceMenu, static_cast<int>(std::size(kResourceMenu)));
}

WEMU_MenuResourceIndex gMenu40004{kMenuResource, &CreateResourceMenu, nullptr};

// --- Dialogs ---

// The main window has no controls: the editor's view fills it.
void CreateMainWindow(HWND__*, int) {}

// Each new record goes to the head of its list.
WEMU_DialogResourceIndex gMainWindow{
    kMainWindowResource, "VQEditor4", 12, &CreateMainWindow, 1140, 800, nullptr};
WEMU_DialogResourceIndex gPreferences{
    kPreferencesResource, "Preferences", 12, &CreatePreferencesControls, 420, 160, &gMainWindow};

}  // namespace

WEMU_DialogResourceIndex* AppDialogResources() {
  return &gPreferences;
}
WEMU_MenuResourceIndex* AppMenuResources() {
  return &gMenu40004;
}

HMENU BuildMenuBar() {
  HMENU bar = CreatePopupMenu();
  if (!bar) return nullptr;
  WEMU_GenerateMenuFromList(bar, kMenuBar, static_cast<int>(std::size(kMenuBar)));
  for (const Accelerator& a : kAccelerators) SetMenuItemModifier(bar, a.id, 0, a.key, a.flags);
  return bar;
}
