// What the layer's controls tell their dialog: each control event becomes a WM_COMMAND (id in
// the low 16 bits, code in the high 16 bits, the control as lParam), a WM_NOTIFY with a
// list or tree record, WM_HSCROLL or WM_INITMENUPOPUP, sent to the window procedure of the
// nearest window view around the control. Radio buttons switch their group first.
// Main thread.
#pragma once

#include "wemu/window_view.h"

enum class WEMU_ControlEvent {
  ComboWillPopUp,
  ComboSelectionChanged,
  ComboTextChanged,
  TextChanged,
  EditingEnded,
  TextViewEditingEnded,
  MenuNeedsUpdate,
  SliderAction,
  PopUpAction,
  ButtonAction,   // a button of the layer (radio groups switch first)
  ControlAction,  // any other control: a double click reports code 1
  MenuAction,
  ListBoxDoubleClick,
  ListBoxSelectionChanged,
  ListDoubleClick,
  OtherDoubleClick,
  ListSelectionChanged,
  ListHeaderClicked,
  TreeSelectionChanged,
};

struct WEMU_ControlEventInfo {
  int row = 0;
  int column = 0;
  LPARAM rowParam = 0;
  HMENU menu = nullptr;
};

struct NMHDR {
  HWND__* hwndFrom;
  UINT_PTR idFrom;
  int32_t code;
};
struct NMLISTVIEW {
  NMHDR hdr;
  int32_t iItem;
  int32_t iSubItem;
  uint32_t uNewState;
  uint32_t uOldState;
  uint32_t uChanged;
  POINT ptAction;
  LPARAM lParam;
};
struct NMTREEVIEW {
  NMHDR hdr;
  uint32_t action;
  BYTE itemOld[56];
  BYTE itemNew[56];
  POINT ptDrag;
};

// A push, check or radio button of the layer (the button class implements it).
class WEMU_RadioButton {
 public:
  virtual ~WEMU_RadioButton() = default;
  // Bit 0 radio, bit 1 first of a group; 0 for other buttons.
  virtual int radioFlags() const = 0;
  virtual bool isOn() const = 0;
  virtual void setOn(bool on) = 0;
};

// Reports the event of the control to its dialog; the answer of the procedure, or 0.
LRESULT WEMU_ControlNotify(HWND__* control, WEMU_ControlEvent event,
                           const WEMU_ControlEventInfo& info = {});
