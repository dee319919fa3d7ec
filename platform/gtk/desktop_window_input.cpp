#include "platform/gtk/desktop_window_input.h"

#include <cmath>
#include <string>
#include <vector>

#include "platform/gtk/desktop_backend.h"
#include "platform/gtk/desktop_drop_promise.h"
#include "platform/gtk/desktop_keys.h"
#include "platform/view.h"

// Xlib last: its macros clash with our names.
#include <X11/extensions/XInput2.h>
#include <gdk/gdkx.h>

namespace vq::platform {

namespace {

constexpr const char* kInputKey = "vq-window-input";

struct WindowInputState {
  DesktopBackend* backend;
  guint32 lastPressTime = 0;
  guint lastButton = 0;
  int clicks = 0;
  bool dragEntered = false;
  // Touchscreen pinch, rotation and swipe (the widget does not own its gestures).
  GtkGesture* zoom = nullptr;
  GtkGesture* rotate = nullptr;
  GtkGesture* swipe = nullptr;
  double lastScale = 1;
  double lastAngle = 0;
  // Where a swipe began on the screen, and how far it went.
  double swipeX = 0, swipeY = 0;
  double swipedX = 0, swipedY = 0;
  ~WindowInputState() {
    for (GtkGesture* g : {zoom, rotate, swipe})
      if (g) g_object_unref(g);
  }
};

// The event at a root position, in the window's coordinates (origin bottom-left of the
// content); false when the position is not over a window of ours.
bool pointerEvent(DesktopBackend& b, GtkWidget* top, double rootX, double rootY, guint state,
                  Event* e) {
  Window* w = b.windows.windowForGtk(top);
  if (!w) return false;
  GtkWidget* content = b.windows.contentFor(*w);
  GdkWindow* gw = gtk_widget_get_window(top);
  if (!content || !gw) return false;
  int ox = 0, oy = 0, cx = 0, cy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  gtk_widget_translate_coordinates(content, top, 0, 0, &cx, &cy);
  e->timestamp = b.loop.now();
  e->window = w;
  e->windowNumber = w->windowNumber();
  e->locationInWindow = {rootX - ox - cx, b.windows.contentHeight(*w) - (rootY - oy - cy)};
  e->modifierFlags = modifierFlagsFromGdk(state);
  return true;
}

// What each kind of pointer event adds to the common fields.
void describe(WindowInputState& s, const GdkEventButton& ev, Event& e) {
  bool down = ev.type == GDK_BUTTON_PRESS;
  if (down) {
    guint interval = 400;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &interval, nullptr);
    bool again = ev.button == s.lastButton && ev.time - s.lastPressTime <= interval;
    s.clicks = again ? s.clicks + 1 : 1;
    s.lastPressTime = ev.time;
    s.lastButton = ev.button;
  }
  e.clickCount = s.clicks;
  e.buttonNumber = static_cast<int>(ev.button) - 1;
  if (ev.button == 1) {
    e.type = down ? EventType::LeftMouseDown : EventType::LeftMouseUp;
  } else if (ev.button == 3) {
    e.type = down ? EventType::RightMouseDown : EventType::RightMouseUp;
  } else {
    e.type = down ? EventType::OtherMouseDown : EventType::OtherMouseUp;
  }
}

void describe(WindowInputState&, const GdkEventMotion& ev, Event& e) {
  e.type = (ev.state & GDK_BUTTON1_MASK)   ? EventType::LeftMouseDragged
           : (ev.state & GDK_BUTTON3_MASK) ? EventType::RightMouseDragged
           : (ev.state & GDK_BUTTON2_MASK) ? EventType::OtherMouseDragged
                                           : EventType::MouseMoved;
}

void describe(WindowInputState&, const GdkEventScroll& ev, Event& e) {
  e.type = EventType::ScrollWheel;
  // One notch is one line; up and left are positive, as the window layer expects.
  switch (ev.direction) {
    case GDK_SCROLL_UP:
      e.deltaY = 1;
      break;
    case GDK_SCROLL_DOWN:
      e.deltaY = -1;
      break;
    case GDK_SCROLL_LEFT:
      e.deltaX = 1;
      break;
    case GDK_SCROLL_RIGHT:
      e.deltaX = -1;
      break;
    case GDK_SCROLL_SMOOTH:
      e.deltaX = -ev.delta_x;
      e.deltaY = -ev.delta_y;
      break;
  }
}

template <class GdkPointerEvent>
gboolean onPointer(GtkWidget* top, GdkPointerEvent* ev, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  Event e;
  if (!pointerEvent(*s->backend, top, ev->x_root, ev->y_root, ev->state, &e)) return FALSE;
  describe(*s, *ev, e);
  s->backend->app.deliver(e);
  return TRUE;
}

// Motion carries its delta; while the pointer is held, a motion that moved nothing (the pointer
// going back) is no event.
gboolean onMotion(GtkWidget* top, GdkEventMotion* ev, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  Event e;
  if (!pointerEvent(*s->backend, top, ev->x_root, ev->y_root, ev->state, &e)) return FALSE;
  if (!s->backend->pointerMoved(ev->x_root, ev->y_root, &e.deltaX, &e.deltaY)) return TRUE;
  describe(*s, *ev, e);
  s->backend->app.deliver(e);
  return TRUE;
}

gboolean onButton(GtkWidget* top, GdkEventButton* ev, gpointer p) {
  if (ev->type != GDK_BUTTON_PRESS && ev->type != GDK_BUTTON_RELEASE) return TRUE;  // counted below
  return onPointer(top, ev, p);
}

// A gesture step at a position on the screen as the window's event.
void deliverGesture(WindowInputState* s, GtkWidget* top, double rootX, double rootY, Event e) {
  if (pointerEvent(*s->backend, top, rootX, rootY, 0, &e)) s->backend->app.deliver(e);
}

// Each step magnifies by what it adds to the scale so far.
void magnifyTo(WindowInputState* s, GtkWidget* top, double rootX, double rootY, double scale) {
  if (scale <= 0 || s->lastScale <= 0 || scale == s->lastScale) return;
  Event e;
  e.type = EventType::Magnify;
  e.deltaZ = scale / s->lastScale - 1;
  s->lastScale = scale;
  deliverGesture(s, top, rootX, rootY, e);
}

// Degrees counter-clockwise.
void rotateBy(WindowInputState* s, GtkWidget* top, double rootX, double rootY, double degrees) {
  if (degrees == 0) return;
  Event e;
  e.type = EventType::Rotate;
  e.rotation = degrees;
  deliverGesture(s, top, rootX, rootY, e);
}

// A swipe is one step along its stronger direction on the screen (y down), from where it began.
void swiped(WindowInputState* s, GtkWidget* top, double dx, double dy) {
  if (dx == 0 && dy == 0) return;
  Event e;
  e.type = EventType::Swipe;
  if (std::abs(dx) >= std::abs(dy)) {
    e.deltaX = dx > 0 ? 1 : -1;
  } else {
    e.deltaY = dy > 0 ? 1 : -1;
  }
  deliverGesture(s, top, s->swipeX, s->swipeY, e);
}

// The window of a touchscreen gesture and its touches' centre on the screen.
bool touchCentre(GtkGesture* g, GtkWidget** top, double* rootX, double* rootY) {
  GtkWidget* content = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(g));
  *top = content ? gtk_widget_get_toplevel(content) : nullptr;
  GdkWindow* gw = *top ? gtk_widget_get_window(*top) : nullptr;
  double x = 0, y = 0;
  if (!gw || !gtk_gesture_get_bounding_box_center(g, &x, &y)) return false;
  int ox = 0, oy = 0, cx = 0, cy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  gtk_widget_translate_coordinates(content, *top, 0, 0, &cx, &cy);  // x, y count from the content
  *rootX = ox + cx + x;
  *rootY = oy + cy + y;
  return true;
}

void onZoomBegin(GtkGesture*, GdkEventSequence*, gpointer p) {
  static_cast<WindowInputState*>(p)->lastScale = 1;
}

// Two of a swipe's fingers neither pinch nor turn.
bool swiping(WindowInputState* s) {
  return gtk_gesture_is_recognized(s->swipe);
}

void onScaleChanged(GtkGestureZoom* g, gdouble scale, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  GtkWidget* top = nullptr;
  double x = 0, y = 0;
  if (!swiping(s) && touchCentre(GTK_GESTURE(g), &top, &x, &y)) magnifyTo(s, top, x, y, scale);
}

void onRotateBegin(GtkGesture*, GdkEventSequence*, gpointer p) {
  static_cast<WindowInputState*>(p)->lastAngle = 0;
}

// GTK's angle grows clockwise on the screen.
void onAngleChanged(GtkGestureRotate* g, gdouble, gdouble delta, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  // The angle is kept within one turn: a step across its end is the short way round.
  const double step = std::remainder(delta - s->lastAngle, 2 * G_PI);
  GtkWidget* top = nullptr;
  double x = 0, y = 0;
  if (step == 0 || swiping(s) || !touchCentre(GTK_GESTURE(g), &top, &x, &y)) return;
  s->lastAngle = delta;
  rotateBy(s, top, x, y, -step * 180 / G_PI);
}

void onSwipeBegin(GtkGesture* g, GdkEventSequence*, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  GtkWidget* top = nullptr;
  touchCentre(g, &top, &s->swipeX, &s->swipeY);
  s->swipedX = s->swipedY = 0;
}

void onSwipeUpdate(GtkGesture* g, GdkEventSequence*, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  GtkWidget* top = nullptr;
  double x = 0, y = 0;
  if (!touchCentre(g, &top, &x, &y)) return;
  s->swipedX = x - s->swipeX;
  s->swipedY = y - s->swipeY;
}

// A cancelled touch ends the swipe where it began.
void onSwipeCancel(GtkGesture*, GdkEventSequence*, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  s->swipedX = s->swipedY = 0;
}

// The swipe is over when the first finger lifts (GTK's own swipe signal does not come for
// several fingers).
void onSwipeEnd(GtkGesture* g, GdkEventSequence*, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  GtkWidget* content = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(g));
  if (content) swiped(s, gtk_widget_get_toplevel(content), s->swipedX, s->swipedY);
}

gboolean onTouch(GtkWidget*, GdkEvent* e, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  if (e->type == GDK_TOUCH_BEGIN || e->type == GDK_TOUCH_UPDATE || e->type == GDK_TOUCH_END ||
      e->type == GDK_TOUCH_CANCEL) {
    for (GtkGesture* g : {s->zoom, s->rotate, s->swipe})
      gtk_event_controller_handle_event(GTK_EVENT_CONTROLLER(g), e);
  }
  return FALSE;
}

// Touchpad pinches and swipes come on X as XInput 2.4 gesture events. GTK 3.24 asks for them on
// its windows for the master devices; each window here asks for them on all devices too, and
// they are read here before GDK sees them.
int gXInputOpcode = -1;

bool touchpadGesturesOffered(Display* dpy) {
  static Display* asked = nullptr;
  static bool offered = false;
  if (asked != dpy) {
    asked = dpy;
    int event = 0, error = 0, major = 2, minor = 4;
    offered = XQueryExtension(dpy, "XInputExtension", &gXInputOpcode, &event, &error) &&
              XIQueryVersion(dpy, &major, &minor) == Success &&
              (major > 2 || (major == 2 && minor >= 4));
  }
  return offered;
}

// The window input of the window an X event went to.
WindowInputState* inputOf(::Window xid, GtkWidget** top) {
  GdkWindow* gw = gdk_x11_window_lookup_for_display(gdk_display_get_default(), xid);
  gpointer widget = nullptr;
  if (gw) gdk_window_get_user_data(gw, &widget);
  *top = widget ? gtk_widget_get_toplevel(GTK_WIDGET(widget)) : nullptr;
  return *top ? static_cast<WindowInputState*>(g_object_get_data(G_OBJECT(*top), kInputKey))
              : nullptr;
}

GdkFilterReturn onTouchpadGesture(GdkXEvent* xevent, GdkEvent*, gpointer) {
  XGenericEventCookie& c = static_cast<XEvent*>(xevent)->xcookie;
  if (c.type != GenericEvent || c.extension != gXInputOpcode || !c.data ||
      c.evtype < XI_GesturePinchBegin || c.evtype > XI_GestureSwipeEnd)
    return GDK_FILTER_CONTINUE;
  GtkWidget* top = nullptr;
  if (c.evtype <= XI_GesturePinchEnd) {
    const auto& g = *static_cast<const XIGesturePinchEvent*>(c.data);
    WindowInputState* s = inputOf(g.event, &top);
    // Selected for all devices, each step comes from the touchpad and from the pointer it moves.
    if (!s || g.deviceid == g.sourceid) return GDK_FILTER_REMOVE;
    if (c.evtype == XI_GesturePinchBegin) {
      s->lastScale = 1;
    } else if (!(g.flags & XIGesturePinchEventCancelled)) {
      magnifyTo(s, top, g.root_x, g.root_y, g.scale);
      rotateBy(s, top, g.root_x, g.root_y, -g.delta_angle);  // XInput turns clockwise
    }
  } else {
    const auto& g = *static_cast<const XIGestureSwipeEvent*>(c.data);
    WindowInputState* s = inputOf(g.event, &top);
    if (!s || g.deviceid == g.sourceid) return GDK_FILTER_REMOVE;
    if (c.evtype == XI_GestureSwipeBegin) {
      s->swipeX = g.root_x;
      s->swipeY = g.root_y;
      s->swipedX = s->swipedY = 0;
    }
    s->swipedX += g.delta_x;
    s->swipedY += g.delta_y;
    if (c.evtype == XI_GestureSwipeEnd && !(g.flags & XIGestureSwipeEventCancelled))
      swiped(s, top, s->swipedX, s->swipedY);
  }
  return GDK_FILTER_REMOVE;
}

// Asked for on all devices: GDK keeps its own choice for the master devices, which a choice of
// ours there would replace.
void selectTouchpadGestures(GtkWidget* window, gpointer) {
  GdkWindow* gw = gtk_widget_get_window(window);
  GdkDisplay* display = gw ? gdk_window_get_display(gw) : nullptr;
  if (!display || !GDK_IS_X11_DISPLAY(display)) return;
  Display* dpy = GDK_DISPLAY_XDISPLAY(display);
  gdk_x11_display_error_trap_push(display);
  if (touchpadGesturesOffered(dpy)) {
    unsigned char bits[XIMaskLen(XI_GestureSwipeEnd)] = {};
    for (int type = XI_GesturePinchBegin; type <= XI_GestureSwipeEnd; ++type) XISetMask(bits, type);
    XIEventMask mask{XIAllDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(dpy, GDK_WINDOW_XID(gw), &mask, 1);
    static bool filtering = false;
    if (!filtering) gdk_window_add_filter(nullptr, &onTouchpadGesture, nullptr);
    filtering = true;
  }
  gdk_x11_display_error_trap_pop_ignored(display);
}

bool dropTarget(WindowInputState* s, GtkWidget* top, int x, int y, View** content, DragInfo* info) {
  Window* w = s->backend->windows.windowForGtk(top);
  if (!w || !w->contentView()) return false;
  int cx = 0, cy = 0;
  gtk_widget_translate_coordinates(s->backend->windows.contentFor(*w), top, 0, 0, &cx, &cy);
  *content = w->contentView();
  info->locationInWindow = {double(x - cx),
                            double(s->backend->windows.contentHeight(*w) - (y - cy))};
  return true;
}

gboolean onDragMotion(GtkWidget* top, GdkDragContext* ctx, gint x, gint y, guint time, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  View* content = nullptr;
  DragInfo info;
  if (!dropTarget(s, top, x, y, &content, &info)) return FALSE;
  if (!s->dragEntered && isDirectSaveDrag(ctx)) info.promisedTypes = directSaveTypes(ctx);
  int op = s->dragEntered ? content->draggingUpdated(info) : content->draggingEntered(info);
  s->dragEntered = true;
  gdk_drag_status(ctx, op != kDragOperationNone ? GDK_ACTION_COPY : static_cast<GdkDragAction>(0),
                  time);
  return TRUE;
}

void onDragLeave(GtkWidget* top, GdkDragContext*, guint, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  if (!s->dragEntered) return;
  s->dragEntered = false;
  if (Window* w = s->backend->windows.windowForGtk(top))
    if (View* content = w->contentView()) content->draggingExited();
}

// A file promised through direct save is asked for only once the drop has a folder for it.
bool dropPromised(WindowInputState* s, GtkWidget* top, GdkDragContext* ctx, int x, int y,
                  guint time) {
  View* content = nullptr;
  DragInfo info;
  if (!dropTarget(s, top, x, y, &content, &info)) return false;
  info.promisedTypes = directSaveTypes(ctx);
  if (info.promisedTypes.empty()) return false;
  info.receivePromised = [top, ctx, time](const std::string& folder) {
    return receiveDirectSave(top, ctx, time, folder);
  };
  return content->performDragOperation(info);
}

gboolean onDragDrop(GtkWidget* top, GdkDragContext* ctx, gint x, gint y, guint time, gpointer p) {
  if (isDirectSaveDrag(ctx)) {
    auto* s = static_cast<WindowInputState*>(p);
    s->dragEntered = false;
    g_object_ref(ctx);
    gtk_drag_finish(ctx, dropPromised(s, top, ctx, x, y, time), FALSE, time);
    g_object_unref(ctx);
    return TRUE;
  }
  gtk_drag_get_data(top, ctx, gdk_atom_intern_static_string("text/uri-list"), time);
  return TRUE;
}

void onDragData(GtkWidget* top, GdkDragContext* ctx, gint x, gint y, GtkSelectionData* data, guint,
                guint time, gpointer p) {
  if (isDirectSaveAnswer(data)) return;  // the promised drop waits for it
  auto* s = static_cast<WindowInputState*>(p);
  s->dragEntered = false;
  View* content = nullptr;
  DragInfo info;
  bool ok = false;
  if (dropTarget(s, top, x, y, &content, &info)) {
    if (gchar** uris = gtk_selection_data_get_uris(data)) {
      for (gchar** u = uris; *u; ++u) {
        // Only local files can be named by a path.
        if (gchar* path = g_filename_from_uri(*u, nullptr, nullptr)) {
          info.fileNames.push_back(path);
          g_free(path);
        }
      }
      g_strfreev(uris);
    }
    ok = !info.fileNames.empty() && content->performDragOperation(info);
  }
  gtk_drag_finish(ctx, ok, FALSE, time);
}

}  // namespace

void attachDesktopWindowInput(DesktopBackend& backend, GtkWidget* window, GtkWidget* content) {
  auto* s = new WindowInputState{&backend};
  g_object_set_data_full(G_OBJECT(window), kInputKey, s,
                         [](gpointer p) { delete static_cast<WindowInputState*>(p); });
  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK | GDK_TOUCH_MASK);
  // Touchscreen pinches, turns and swipes of three fingers (two pinch or turn). The gestures
  // belong to the content area, which has no window of its own, and are handed the window's
  // touches here: the window's own press gesture refuses the first touch for every gesture of
  // the window, while that touch still becomes a click.
  s->zoom = gtk_gesture_zoom_new(content);
  s->rotate = gtk_gesture_rotate_new(content);
  s->swipe =
      GTK_GESTURE(g_object_new(GTK_TYPE_GESTURE_SWIPE, "widget", content, "n-points", 3, nullptr));
  for (GtkGesture* g : {s->zoom, s->rotate, s->swipe})
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(g), GTK_PHASE_NONE);
  g_signal_connect(window, "event", G_CALLBACK(&onTouch), s);
  g_signal_connect(s->zoom, "begin", G_CALLBACK(&onZoomBegin), s);
  g_signal_connect(s->zoom, "scale-changed", G_CALLBACK(&onScaleChanged), s);
  g_signal_connect(s->rotate, "begin", G_CALLBACK(&onRotateBegin), s);
  g_signal_connect(s->rotate, "angle-changed", G_CALLBACK(&onAngleChanged), s);
  g_signal_connect(s->swipe, "begin", G_CALLBACK(&onSwipeBegin), s);
  g_signal_connect(s->swipe, "update", G_CALLBACK(&onSwipeUpdate), s);
  g_signal_connect(s->swipe, "cancel", G_CALLBACK(&onSwipeCancel), s);
  g_signal_connect(s->swipe, "end", G_CALLBACK(&onSwipeEnd), s);
  // Touchpad gestures, where the X server has them.
  if (gtk_widget_get_realized(window)) selectTouchpadGestures(window, nullptr);
  g_signal_connect(window, "realize", G_CALLBACK(&selectTouchpadGestures), nullptr);
  g_signal_connect(window, "button-press-event", G_CALLBACK(&onButton), s);
  g_signal_connect(window, "button-release-event", G_CALLBACK(&onButton), s);
  g_signal_connect(window, "motion-notify-event", G_CALLBACK(&onMotion), s);
  g_signal_connect(window, "scroll-event", G_CALLBACK(&onPointer<GdkEventScroll>), s);
  // A file list, or the answer to a direct save (GTK hands over only data of listed targets).
  static GtkTargetEntry targets[] = {{const_cast<gchar*>("text/uri-list"), 0, 0},
                                     {const_cast<gchar*>("XdndDirectSave0"), 0, 1}};
  gtk_drag_dest_set(window, static_cast<GtkDestDefaults>(0), targets, 2, GDK_ACTION_COPY);
  g_signal_connect(window, "drag-motion", G_CALLBACK(&onDragMotion), s);
  g_signal_connect(window, "drag-leave", G_CALLBACK(&onDragLeave), s);
  g_signal_connect(window, "drag-drop", G_CALLBACK(&onDragDrop), s);
  g_signal_connect(window, "drag-data-received", G_CALLBACK(&onDragData), s);
}

}  // namespace vq::platform
