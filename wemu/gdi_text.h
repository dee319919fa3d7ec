// Text of the GDI layer: colours and background mode of a context, and WEMU_DrawText, which
// measures and draws UTF-8 text with the context's font. Any thread (one context per thread).
#pragma once

#include "wemu/gdi_objects.h"

// Text-drawing flags of this emulation.
enum : UINT {
  DT_CALCRECT = 0x1,  // only measure: set the rectangle's right and bottom
  DT_VCENTER = 0x2,
  DT_CENTER = 0x4,
  DT_BOTTOM = 0x10,
  DT_RIGHT = 0x20,
  DT_SINGLELINE = 0x40,  // line feeds become spaces
  DT_NOPREFIX = 0x80,    // "&" is an ordinary character
  DT_NOCLIP = 0x100,
};

// Background modes.
enum : int { TRANSPARENT = 0, OPAQUE = 1 };

// The previous text colour; a bad context changes nothing and answers 0xFFFFFFFF.
COLORREF SetTextColor(HDC context, COLORREF color);
// 0xFFFFFFFF for a bad context.
COLORREF GetTextColor(HDC context);
// The previous value; 0xFFFFFFFF / 0 for a bad context.
COLORREF SetBkColor(HDC context, COLORREF color);
int SetBkMode(HDC context, int mode);

// Draws or measures text (length -1: up to the NUL; otherwise at most that many bytes, and
// never past a NUL). Carriage returns are dropped; without DT_NOPREFIX each "&" is dropped and
// the character after it kept as it is. At most 4095 bytes are taken, cut only between UTF-8
// sequences. Returns the text height (line heights plus 1), or 0 for a bad context, empty or
// invalid text, or no font. With DT_CALCRECT the rectangle's right and bottom are set and
// nothing is drawn.
int WEMU_DrawText(HDC context, const char* text, int length, RECT* rect, UINT flags);
