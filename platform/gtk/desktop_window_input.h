// Mouse, wheel, touchscreen and touchpad gesture and file-drop input of a window's content area
// (where no widget of its own took it) as platform events and drag-destination calls on the
// window's content view.
#pragma once

#include <gtk/gtk.h>

namespace vq::platform {

class DesktopBackend;

void attachDesktopWindowInput(DesktopBackend& backend, GtkWidget* window, GtkWidget* content);

}  // namespace vq::platform
