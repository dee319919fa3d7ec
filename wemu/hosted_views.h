// Hosting foreign views: a plug-in's own editor view and a window of an older toolkit. This
// platform has neither kind, so the host answers none and the hosting view stays a plain
// child window view that never holds a hosted window. Main thread.
#pragma once

#include "wemu/window_view.h"

struct WEMU_PluginViewDescription {
  const char* bundlePath;
  const char* className;
};

// The plug-in's view inside the parent, or none (always none here: no view bundles load).
vq::platform::View* WEMU_CreatePluginView(HWND__* parent, void* plugin,
                                          const WEMU_PluginViewDescription* description,
                                          RECT* rect);
// A plain child window view of the parent over the rectangle; the hosted window it would hold
// goes out as none.
HWND__* WEMU_CreateHostedWindowView(HWND__* parent, const RECT* rect, void** hostedWindow);
// The hosted window of such a view: none.
void* WEMU_GetHostedWindow(HWND__* view);
