// The functions that read and change buttons, combo boxes (pop-up lists and editable combo
// boxes) and trackbars of a dialog, each on the control GetDlgItem(dialog, id) finds (id 0:
// the handle itself, as SendMessage calls them). Main thread.
#pragma once

#include "wemu/controls.h"

// The append position of WEMU_CB_InsertString (sorted lists sort it in).
constexpr int WEMU_CB_APPEND = -1000;
// Combo-box style bit: the list keeps its items sorted.
constexpr int WEMU_CBS_SORT = 0x100;

void CheckDlgButton(HWND__* dialog, int id, int check);
// 1 on, 2 mixed, 0 off or not a button.
int IsDlgButtonChecked(HWND__* dialog, int id);

int WEMU_CB_AddString(HWND__* dialog, int id, const char* text);
int WEMU_CB_InsertString(HWND__* dialog, int id, int index, const char* text);
void WEMU_CB_DeleteString(HWND__* dialog, int id, int index);
int WEMU_CB_GetNumItems(HWND__* dialog, int id);
int WEMU_CB_GetCurSel(HWND__* dialog, int id);
// With a buffer (size above 0): the text, at most size - 1 bytes cut at a character boundary,
// and 1. Without: the text's byte length + 64. -1 for a bad index or no control.
int WEMU_CB_GetItemText(HWND__* dialog, int id, int index, char* buffer, int size);
void WEMU_CB_Empty(HWND__* dialog, int id);
void WEMU_CB_SetCurSel(HWND__* dialog, int id, int index);
int64_t WEMU_CB_GetItemData(HWND__* dialog, int id, int index);
void WEMU_CB_SetItemData(HWND__* dialog, int id, int index, int64_t value);
// The first item after `start` (from 0 when start < 0) whose text equals the text (exact) or
// starts with it, ignoring case; -1 for none.
int WEMU_CB_FindString(HWND__* dialog, int id, int start, const char* text, bool exact);

int WEMU_TB_GetPos(HWND__* dialog, int id);
void WEMU_TB_SetPos(HWND__* dialog, int id, int pos);
void WEMU_TB_SetRange(HWND__* dialog, int id, int low, int high);
void WEMU_TB_SetTic(HWND__* dialog, int id, int pos);
