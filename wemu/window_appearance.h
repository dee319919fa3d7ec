// How top-level windows stand and look: levels and the raise amount of modeless windows,
// opacity, transparency and shadow, the represented file, the focus-rectangle overlay, the
// application's presentation options, and handing a mouse event to the view that claims it.
// Main thread; elsewhere each answers its failure value.
#pragma once

#include "platform/event.h"
#include "wemu/window_view.h"

int WEMU_GetWindowWantRaiseAmt(HWND__* window);
void WEMU_SetWindowWantRaiseAmt(HWND__* window, int amount);
// The previous level, 0 when the handle has no window.
int WEMU_SetWindowLevel(HWND__* window, int level);
void SetOpaque(HWND__* window, bool opaque);
// Edited mark and represented file (none for a null or empty name), unless the content view
// has the property "WEMU_DisableWindowRepre".
void WEMU_SetWindowRepre(HWND__* window, const char* fileName, bool edited);
// A grey, half-transparent overlay over the rectangle (client coordinates of the handle, or
// screen coordinates without one), kept in the slot between calls; a null rectangle closes it.
void WEMU_DrawFocusRect(HWND__* window, const RECT* rect, void** slot);
// Clear background, not opaque.
void WEMU_MakeWindowTransparent(HWND__* window);
void WEMU_SetWindowShadow(HWND__* window, bool on);
// n > 0 hides the panels and menu bar until the pointer nears them (1) or hides the panels
// (other n); n <= 0 restores the options saved on first use. False on old systems.
bool WEMU_SetPresentationMode(int n);
// Hands a mouse event (types 1 to 7) to the outermost view under it that answers WM_NCHITTEST
// above 1; false while the mouse is captured or when no view claims it.
bool WEMU_HandMouseEventToView(const vq::platform::Event& e);

// The overlay window of a focus-rectangle slot (tests look at it).
vq::platform::Window* WEMU_Internal_FocusRectWindow(void* slot);
