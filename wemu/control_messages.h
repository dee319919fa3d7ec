// The control messages SendMessage handles itself for controls without a message method of
// their own: button check and image, the combo-box messages, trackbar messages and the text
// field's selection. Main thread.
#pragma once

#include "wemu/window_handle.h"

enum : UINT {
  BM_GETCHECK = 0xF0,
  BM_SETCHECK = 0xF1,
  BM_GETIMAGE = 0xF6,
  BM_SETIMAGE = 0xF7,
  CB_ADDSTRING = 0x143,
  CB_DELETESTRING = 0x144,
  CB_GETCOUNT = 0x146,
  CB_GETCURSEL = 0x147,
  CB_GETLBTEXT = 0x148,
  CB_GETLBTEXTLEN = 0x149,
  CB_INSERTSTRING = 0x14A,
  CB_RESETCONTENT = 0x14B,
  CB_FINDSTRING = 0x14C,
  CB_SETCURSEL = 0x14E,
  CB_GETITEMDATA = 0x150,
  CB_SETITEMDATA = 0x151,
  CB_FINDSTRINGEXACT = 0x158,
  TBM_GETPOS = 0x400,
  TBM_SETTIC = 0x404,
  TBM_SETPOS = 0x405,
  TBM_SETRANGE = 0x406,
  EM_GETSEL = 0xF0B0,
  EM_SETSEL = 0xF0B1,
  EM_SETPASSWORDCHAR = 0xF0CC,
};

// Handles the message when the control's class takes it; *handled says whether it did.
LRESULT WEMU_Internal_ControlMessage(HWND__* control, UINT message, WPARAM wParam, LPARAM lParam,
                                     bool* handled);
