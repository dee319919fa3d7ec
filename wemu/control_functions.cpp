#include "wemu/control_functions.h"

#include <strings.h>

#include <cmath>
#include <cstring>

#include "wemu/utilities.h"
#include "wemu/window_functions.h"

namespace {

WEMU_ItemList* listOf(HWND__* dialog, int id) {
  return dynamic_cast<WEMU_ItemList*>(GetDlgItem(dialog, id));
}

// A trackbar that is no slider but takes the trackbar messages itself.
HWND__* customTrackbar(HWND__* control) {
  return control && !dynamic_cast<WEMU_Slider*>(control) && control->answersWemuMessage() ? control
                                                                                          : nullptr;
}

}  // namespace

void CheckDlgButton(HWND__* dialog, int id, int check) {
  if (auto* b = dynamic_cast<WEMU_Button*>(GetDlgItem(dialog, id)))
    b->setState((check & 2) ? -1 : (check & 1) ? 1 : 0);
}

int IsDlgButtonChecked(HWND__* dialog, int id) {
  auto* b = dynamic_cast<WEMU_Button*>(GetDlgItem(dialog, id));
  if (!b) return 0;
  return b->state() == -1 ? 2 : b->state() == 0 ? 0 : 1;
}

int WEMU_CB_AddString(HWND__* dialog, int id, const char* text) {
  return WEMU_CB_InsertString(dialog, id, WEMU_CB_APPEND, text);
}

int WEMU_CB_InsertString(HWND__* dialog, int id, int index, const char* text) {
  WEMU_ItemList* list = listOf(dialog, id);
  if (!list) return 0;
  WEMU_String s = WEMU_CStringToCFString(text);
  int n = list->numberOfItems();
  int pos;
  if (index == WEMU_CB_APPEND) {
    pos = n;
    if (list->style & WEMU_CBS_SORT) {
      int lo = 0, len = n, found = -1;
      while (len > 0) {
        int mid = lo + len / 2;
        int c = s.compare(list->itemText(mid));
        if (c == 0) {
          found = mid;
          break;
        }
        if (c > 0) {
          if (mid + 1 >= n || s.compare(list->itemText(mid + 1)) <= 0) {
            found = mid + 1;
            break;
          }
          lo = mid + 1;
          len -= 1;
        }
        len /= 2;
      }
      pos = found < 0 ? 0 : found;
    }
  } else {
    pos = index < 0 ? 0 : std::min(index, n);
  }
  if (auto* popup = dynamic_cast<WEMU_PopUpButton*>(list)) {
    if (popup->hasMenu) popup->insertItem(pos, s);
  } else if (auto* combo = dynamic_cast<WEMU_ComboBox*>(list)) {
    combo->insertItem(pos, s);
    combo->numberOfVisibleItems = n + 1;
  }
  return pos;
}

void WEMU_CB_DeleteString(HWND__* dialog, int id, int index) {
  WEMU_ItemList* list = listOf(dialog, id);
  if (!list || index < 0 || index >= list->numberOfItems()) return;
  auto* combo = dynamic_cast<WEMU_ComboBox*>(list);
  if (combo && !combo->keepsItemValues()) return;  // a plain combo box is left as it is
  list->removeItem(index);
}

int WEMU_CB_GetNumItems(HWND__* dialog, int id) {
  WEMU_ItemList* list = listOf(dialog, id);
  return list ? list->numberOfItems() : 0;
}

int WEMU_CB_GetCurSel(HWND__* dialog, int id) {
  WEMU_ItemList* list = listOf(dialog, id);
  return list ? list->selectedIndex() : -1;
}

int WEMU_CB_GetItemText(HWND__* dialog, int id, int index, char* buffer, int size) {
  // A buffer without room counts as none.
  if (buffer && size > 0) {
    buffer[0] = 0;
  } else {
    buffer = nullptr;
  }
  WEMU_ItemList* list = listOf(dialog, id);
  if (!list || index < 0 || index >= list->numberOfItems()) return -1;
  const std::string& text = list->itemText(index);
  if (!buffer) return static_cast<int>(std::min<size_t>(text.size(), 0x7FFFFFFF - 64)) + 64;
  WEMU_CFStringToCString(&text, buffer, size);
  return 1;
}

void WEMU_CB_Empty(HWND__* dialog, int id) {
  if (WEMU_ItemList* list = listOf(dialog, id)) list->removeAllItems();
}

void WEMU_CB_SetCurSel(HWND__* dialog, int id, int index) {
  if (WEMU_ItemList* list = listOf(dialog, id)) list->selectItem(index);
}

int64_t WEMU_CB_GetItemData(HWND__* dialog, int id, int index) {
  WEMU_ItemList* list = listOf(dialog, id);
  return list ? list->itemValue(index).value_or(0) : 0;
}

void WEMU_CB_SetItemData(HWND__* dialog, int id, int index, int64_t value) {
  if (WEMU_ItemList* list = listOf(dialog, id)) list->setItemValue(index, value);
}

int WEMU_CB_FindString(HWND__* dialog, int id, int start, const char* text, bool exact) {
  WEMU_ItemList* list = listOf(dialog, id);
  if (!list) return 0;
  if (!text) return -1;
  size_t prefix = std::strlen(text);
  char item[4096];
  for (int i = start < 0 ? 0 : start + 1; i < list->numberOfItems(); ++i) {
    WEMU_CFStringToCString(&list->itemText(i), item, sizeof item);
    if (exact ? strcasecmp(item, text) == 0 : strncasecmp(item, text, prefix) == 0) return i;
  }
  return -1;
}

int WEMU_TB_GetPos(HWND__* dialog, int id) {
  HWND__* c = GetDlgItem(dialog, id);
  if (auto* s = dynamic_cast<WEMU_Slider*>(c))
    return static_cast<int>(std::trunc(s->value() + 0.5));
  if (HWND__* t = customTrackbar(c)) return static_cast<int>(t->onWemuMessage(0x400, 0, 0));
  return 0;
}

void WEMU_TB_SetPos(HWND__* dialog, int id, int pos) {
  HWND__* c = GetDlgItem(dialog, id);
  if (auto* s = dynamic_cast<WEMU_Slider*>(c)) {
    s->setValue(pos);
  } else if (HWND__* t = customTrackbar(c)) {
    t->onWemuMessage(0x405, 1, pos);
  }
}

void WEMU_TB_SetRange(HWND__* dialog, int id, int low, int high) {
  HWND__* c = GetDlgItem(dialog, id);
  if (auto* s = dynamic_cast<WEMU_Slider*>(c)) {
    s->setRange(low, high);
  } else if (HWND__* t = customTrackbar(c)) {
    t->onWemuMessage(0x406, 1,
                     static_cast<LPARAM>((low & 0xFFFF) | (static_cast<uint32_t>(high) << 16)));
  }
}

void WEMU_TB_SetTic(HWND__* dialog, int id, int pos) {
  if (HWND__* t = customTrackbar(GetDlgItem(dialog, id))) t->onWemuMessage(0x404, 0, pos);
}
