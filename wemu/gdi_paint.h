// Drawing contexts of windows, clipping and fills. A window view that can be drawn implements
// WEMU_PaintSource (the window layer's views do); GetDC then gives its paint context while it
// paints, or a context over its locked focus otherwise. GetDC and ReleaseDC: main thread.
#pragma once

#include "platform/draw_context.h"
#include "wemu/gdi_objects.h"
#include "wemu/window_handle.h"

class WEMU_PaintSource {
 public:
  virtual ~WEMU_PaintSource() = default;
  // The context of the paint in progress, or null outside the view's paint.
  virtual HDC__* wemuPaintContext() { return nullptr; }
  // A drawing context onto the view's backing for drawing outside a paint, or null when the
  // view cannot draw now. Each successful lock is ended by one wemuUnlockFocus().
  virtual vq::platform::DrawContext* wemuLockFocus() { return nullptr; }
  virtual void wemuUnlockFocus() {}
  // The origin of the view's bounds (where its own coordinates start).
  virtual vq::platform::Point wemuBoundsOrigin() const { return {}; }
  // Device pixels per unit of the view's backing.
  virtual double wemuBackingScale() const { return 1.0; }
};

// The paint context of the view (its state saved), else a new context over its locked focus
// (state saved), else none. A top-level window stands for its content view unless the window
// handle itself is a paint source.
HDC GetDC(HWND__* window);
// The context of GetDC, its drawing translated by the view's bounds origin when that is not 0.
HDC GetWindowDC(HWND__* window);
// Restores the state GetDC saved; a paint context stays, any other is released and the view's
// focus unlocked. 1, or 0 for a bad context.
int ReleaseDC(HWND__* window, HDC context);

// Saves / restores the drawing state (clip included); SetClipRegion intersects the clip.
void WEMU_PushClipRegion(HDC context);
void WEMU_PopClipRegion(HDC context);
void WEMU_SetClipRegion(HDC context, const RECT* rect);

// Fills with the brush colour; nothing for a null or non-brush object or a stock brush.
void WEMU_FillRect(HDC context, const RECT* rect, HBRUSH brush);
// The fill of dialog backgrounds (the kind is accepted for the callers' sake).
constexpr COLORREF WEMU_DIALOG_BACKGROUND = 0xECECEC;
void WEMU_FillDialogBackground(HDC context, const RECT* rect, int kind = 3);

// Whether one unit of the context (or of the window's backing) is more than 1.9 device pixels.
BOOL WEMU_IsRetinaDC(HDC context);
BOOL WEMU_IsRetinaHWND(HWND__* window);
