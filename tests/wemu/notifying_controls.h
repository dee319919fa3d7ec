// A dialog of every control that notifies its dialog from its own event handling: a list view
// (50, rows with item data 700..702), a list box (51), a tree (52), a combo box with two items
// (53), a text view (54) and two text fields (55, 56). Shared by the headless and desktop tests.
#pragma once

#include "wemu/control_functions.h"
#include "wemu/dialog_generation.h"
#include "wemu/list_view.h"
#include "wemu/tree_tab_functions.h"

inline void buildNotifyingControls(HWND__* view, int) {
  WEMU_MakeSetCurParms(1, 1, 0, 0, view, false, false);
  HWND__* list = WEMU_MakeControl("", 50, "SysListView32", LVS_REPORT, 10, 10, 300, 120, 0);
  for (const char* title : {"Slot", "Name"}) {
    LVCOLUMN c{LVCF_WIDTH | LVCF_TEXT, 0, 140, const_cast<char*>(title)};
    ListView_InsertColumn(list, 0, &c);
  }
  HWND__* box = WEMU_MakeControl("", 51, "SysListView32_LB", 0, 320, 10, 90, 120, 0);
  for (const char* text : {"Lead", "Bass", "Pad"}) {
    LVITEM it{LVIF_TEXT | LVIF_PARAM, 99, 0, 0, 0, const_cast<char*>(text)};
    it.lParam = 700 + ListView_GetItemCount(list);
    ListView_InsertItem(list, &it);
    ListView_InsertItem(box, &it);
  }
  HWND__* tree = WEMU_MakeControl("", 52, "SysTreeView32", 0, 10, 140, 200, 100, 0);
  for (const char* text : {"Banks", "Programs"}) {
    TVINSERTSTRUCT ins{TVI_ROOT, TVI_LAST, {TVIF_TEXT, nullptr, 0, 0, const_cast<char*>(text)}};
    TreeView_InsertItem(tree, &ins);
  }
  WEMU_MakeCombo(53, 220, 140, 150, 100, 0);
  for (const char* text : {"Keys", "Pads"}) WEMU_CB_AddString(view, 53, text);
  WEMU_MakeEditField(54, 220, 170, 150, 60, WEMU_WS_VSCROLL);
  WEMU_MakeEditField(55, 220, 240, 150, 20, 0);
  WEMU_MakeEditField(56, 220, 270, 150, 20, 0);
}
