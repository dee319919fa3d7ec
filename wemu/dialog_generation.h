// Building a dialog's controls: the control-building state (scale, offset, owner view), the
// builders of each control kind, and the generation of a whole dialog from a static list of
// control records. Builders answer the new control (owned by the layer, inside the owner
// view) or null. Main thread; elsewhere nothing is built.
#pragma once

#include <string>

#include "wemu/controls.h"

// One record of a dialog's control list. The kind selects the meaning of the rest:
// "__WEMU_BUTTON" (flag 1: default button; text: label), "__WEMU_EDIT", "__WEMU_COMBO",
// "__WEMU_LISTBOX", "__WEMU_GROUP" (text: title), "__WEMU_CHECKBOX" (text: label),
// "__WEMU_LABEL" (flag: alignment below 0 left, 0 centre, above 0 right; text), each with
// p1 id, p2..p5 x, y, w, h and p6 style. Any other kind is the control's text, with flag the
// id, text the class name (empty: the record is skipped), p1 the style and p6 the extended
// style.
struct DialogControlEntry {
  const char* kind;
  int32_t flag;
  const char* text;
  int32_t p1, p2, p3, p4, p5, p6;
};

// Style bits the builders read.
enum : uint32_t {
  WEMU_WS_HIDDEN = 0x80000000u,  // the control starts invisible
  WEMU_WS_VSCROLL = 0x00200000u,
  WEMU_WS_HSCROLL = 0x00100000u,
  WEMU_BS_GROUPBOX = 0x20000000u,
  WEMU_BS_DEFPUSH = 0x10000000u,
  WEMU_BS_PUSH = 0x08000000u,
  WEMU_BS_GROUPSTART = 0x00020000u,
};

// A creator of custom controls: (owner view, text, id, class name, style, x, y, w, h in
// pixels) -> a new control (owned by the layer) or null.
typedef HWND__* (*WEMU_CustomControlCreator)(vq::platform::View* owner, const char* text, int id,
                                             const char* className, int style, int x, int y, int w,
                                             int h);

// Fixes the building state: transform, owner (a window gives its content view), the
// auto-right step and size-to-fit. A flipped owner negates the y scale.
void WEMU_MakeSetCurParms(float xScale, float yScale, float xOffset, float yOffset, HWND__* parent,
                          bool autoRight, bool sizeToFit);
void WEMU_GenerateDialogFromList(const DialogControlEntry* rows, int count);

HWND__* WEMU_MakeButton(int isDefault, const char* label, int id, int x, int y, int w, int h,
                        int style);
HWND__* WEMU_MakeEditField(int id, int x, int y, int w, int h, int style);
HWND__* WEMU_MakeLabel(int align, const char* text, int id, int x, int y, int w, int h, int style);
HWND__* WEMU_MakeCheckBox(const char* text, int id, int x, int y, int w, int h, int style);
HWND__* WEMU_MakeListBox(int id, int x, int y, int w, int h, int style);
HWND__* WEMU_MakeControl(const char* text, int id, const char* className, int style, int x, int y,
                         int w, int h, int exStyle);
HWND__* WEMU_MakeGroupBox(const char* title, int id, int x, int y, int w, int h, int style);
HWND__* WEMU_MakeCombo(int id, int x, int y, int w, int h, int style);

// Reference-counted; null is ignored.
void WEMU_RegisterCustomControlCreator(WEMU_CustomControlCreator creator);
void WEMU_UnregisterCustomControlCreator(WEMU_CustomControlCreator creator);

void SetAllowNoMiddleManRendering(HWND__* window, bool allow);
// The size a control would fit its content in: (0, 0, width, height); nothing for others.
void WEMU_GetDesiredControlSize(HWND__* control, RECT* out);
bool WEMU_IsGroupBox(HWND__* control);
bool WEMU_IsButton(HWND__* control);
bool WEMU_IsStaticText(HWND__* control);

// Mnemonic ampersands dropped ("&&" gives one); texts of 1024 bytes or more stay as they are.
std::string WEMU_StripAmpersands(const char* text);
