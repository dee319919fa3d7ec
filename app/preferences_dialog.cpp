// Placeholder until the dialog controls exist in the window layer.
#include "app/app_resources.h"

void CreatePreferencesControls(HWND__*, int) {}
bool FillMidiDeviceLists(HWND__*) { return false; }
LRESULT PreferencesDialogProc(HWND__* window, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
