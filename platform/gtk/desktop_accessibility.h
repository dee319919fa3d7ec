// The bridge from views without widgets of their own (window views) to GTK's accessibility
// objects: a window's content area shows, beside its widgets, each such view as a panel and
// the element its procedure supplies with the element's name, role, place and children; hit
// tests and focus go through the views' answers; ignored views give way to their children and
// an ignored window is marked redundant. Main thread.
#pragma once

#include <gtk/gtk.h>

namespace vq::platform {

class Window;

// A window's content area: a fixed container whose accessible object carries the bridge.
GtkWidget* newDesktopContentArea();
// Gives the window's accessible object the role that says whether it is ignored.
void updateWindowAccessibility(Window& w, GtkWidget* gtkWindow);

}  // namespace vq::platform
