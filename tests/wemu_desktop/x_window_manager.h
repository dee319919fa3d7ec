// What a window manager would do to a top-level window, done through an X connection of our
// own: press its close box, focus it, move, resize or
// minimise it. Xlib stays inside the .cpp.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

namespace vq::test {

// The X window of a shown GTK window.
unsigned long xidOf(GtkWidget* toplevel);
// Sends the close request of the window's close box (WM_DELETE_WINDOW).
bool pressCloseBox(unsigned long xid);
// Gives the window the keyboard focus.
bool focusWindow(unsigned long xid);
// Moves the window's top-left to the screen position (y down).
bool moveWindowTo(unsigned long xid, int x, int y);
bool resizeWindowTo(unsigned long xid, int width, int height);
// Minimises the window (unmaps it, as a window manager does) and brings it back.
bool minimiseWindow(unsigned long xid);
bool restoreWindow(unsigned long xid);
// What another program gets asking the clipboard for the target, while `pump` runs our side;
// none when the owner refuses it or does not answer within ten seconds.
std::optional<std::string> readClipboardAs(const char* target, const std::function<void()>& pump);

}  // namespace vq::test
