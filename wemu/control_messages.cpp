#include "wemu/control_messages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "wemu/control_functions.h"

namespace {

LRESULT buttonMessage(WEMU_Button* b, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  switch (message) {
    case BM_GETCHECK:
      return b->state() == -1 ? 2 : b->state() == 0 ? 0 : 1;
    case BM_SETCHECK:
      b->setState((wParam & 2) ? -1 : (wParam & 1) ? 1 : 0);
      return 0;
    case BM_GETIMAGE:
    case BM_SETIMAGE: {
      if (wParam > 1) return 0;
      auto previous = reinterpret_cast<LRESULT>(b->gdiImage());
      if (message == BM_SETIMAGE) b->setGdiImage(reinterpret_cast<HGDIOBJ>(lParam));
      return previous;
    }
    default:
      *handled = false;
      return 0;
  }
}

LRESULT listMessage(HWND__* c, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  auto* list = static_cast<WEMU_ItemList*>(dynamic_cast<WEMU_ItemList*>(c));
  int index = static_cast<int>(wParam);
  switch (message) {
    case CB_ADDSTRING:
      return WEMU_CB_AddString(c, 0, reinterpret_cast<const char*>(lParam));
    case CB_DELETESTRING:
      WEMU_CB_DeleteString(c, 0, index);
      return 1;
    case CB_GETCOUNT:
      return list->numberOfItems();
    case CB_GETCURSEL:
      return list->selectedIndex();
    case CB_GETLBTEXT: {
      // The message carries no buffer size: the caller's buffer holds what CB_GETLBTEXTLEN
      // announced, so the copy takes no more than the text and its terminator.
      if (index < 0 || index >= list->numberOfItems()) return -1;
      size_t need = list->itemText(index).size() + 1;
      return WEMU_CB_GetItemText(c, 0, index, reinterpret_cast<char*>(lParam),
                                 static_cast<int>(std::min<size_t>(need, 0x7FFFFFFF)));
    }
    case CB_GETLBTEXTLEN:
      return WEMU_CB_GetItemText(c, 0, index, nullptr, 0);
    case CB_INSERTSTRING:
      return WEMU_CB_InsertString(c, 0, index, reinterpret_cast<const char*>(lParam));
    case CB_RESETCONTENT:
      WEMU_CB_Empty(c, 0);
      return 0;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      if (!lParam) return -1;
      return WEMU_CB_FindString(c, 0, index, reinterpret_cast<const char*>(lParam),
                                message == CB_FINDSTRINGEXACT);
    case CB_SETCURSEL:
      WEMU_CB_SetCurSel(c, 0, index);
      return 0;
    case CB_GETITEMDATA:
      return WEMU_CB_GetItemData(c, 0, index);
    case CB_SETITEMDATA:
      WEMU_CB_SetItemData(c, 0, index, lParam);
      return 0;
    default:
      if (message >= 0x143 && message <= 0x161) return 0;
      *handled = false;
      return 0;
  }
}

LRESULT sliderMessage(WEMU_Slider* s, UINT message, LPARAM lParam, bool* handled) {
  switch (message) {
    case TBM_GETPOS:
      return static_cast<LRESULT>(std::trunc(s->value() + 0.5));
    case TBM_SETTIC:
      return 1;
    case TBM_SETPOS:
      s->setValue(static_cast<int>(lParam));
      return 1;
    case TBM_SETRANGE:
      s->setRange(double(lParam & 0xFFFF), double((lParam >> 16) & 0xFFFF));
      return 1;
    case 0x401:
    case 0x402:
    case 0x403:
      return 0;
    default:
      *handled = false;
      return 0;
  }
}

LRESULT fieldMessage(WEMU_TextField* f, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  switch (message) {
    case EM_GETSEL: {
      auto [start, length] = f->selection();
      if (wParam) *reinterpret_cast<int*>(wParam) = start;
      if (lParam) *reinterpret_cast<int*>(lParam) = start + length;
      return 0;
    }
    case EM_SETSEL: {
      if (!f->isBeingEdited()) return 0;
      std::string text;
      f->controlText(&text);
      int64_t n = 0;
      for (unsigned char ch : text)
        if ((ch & 0xC0) != 0x80) ++n;
      int64_t start, end;
      if (static_cast<int64_t>(wParam) == -1) {
        start = end = 0;
      } else {
        start = static_cast<int64_t>(std::min<uint64_t>(wParam, uint64_t(n)));
        end = lParam == -1
                  ? n
                  : static_cast<int64_t>(std::min<uint64_t>(uint64_t(lParam), uint64_t(n)));
      }
      f->setSelection(static_cast<int>(start), static_cast<int>(end));
      return 0;
    }
    case EM_SETPASSWORDCHAR:
      return 0;
    default:
      *handled = false;
      return 0;
  }
}

}  // namespace

LRESULT WEMU_Internal_ControlMessage(HWND__* control, UINT message, WPARAM wParam, LPARAM lParam,
                                     bool* handled) {
  *handled = true;
  if (auto* b = dynamic_cast<WEMU_Button*>(control))
    return buttonMessage(b, message, wParam, lParam, handled);
  if (dynamic_cast<WEMU_ItemList*>(control))
    return listMessage(control, message, wParam, lParam, handled);
  if (auto* s = dynamic_cast<WEMU_Slider*>(control))
    return sliderMessage(s, message, lParam, handled);
  if (auto* f = dynamic_cast<WEMU_TextField*>(control))
    return fieldMessage(f, message, wParam, lParam, handled);
  *handled = false;
  return 0;
}
