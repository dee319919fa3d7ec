#include "platform/gtk/desktop_window_input.h"

#include <cmath>
#include <string>
#include <vector>

#include "platform/gtk/desktop_backend.h"
#include "platform/gtk/desktop_drop_promise.h"
#include "platform/gtk/desktop_keys.h"
#include "platform/view.h"

namespace vq::platform {

namespace {

struct WindowInputState {
  DesktopBackend* backend;
  guint32 lastPressTime = 0;
  guint lastButton = 0;
  int clicks = 0;
  bool dragEntered = false;
  // Touchscreen pinch and rotation (the widget does not own its gestures).
  GtkGesture* zoom = nullptr;
  GtkGesture* rotate = nullptr;
  double lastScale = 1;
  double lastAngle = 0;
  ~WindowInputState() {
    if (zoom) g_object_unref(zoom);
    if (rotate) g_object_unref(rotate);
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

// A gesture step as the window's event of that type, at the touches' centre.
void deliverGesture(WindowInputState* s, GtkGesture* g, EventType type, double amount) {
  GtkWidget* content = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(g));
  GtkWidget* top = content ? gtk_widget_get_toplevel(content) : nullptr;
  GdkWindow* gw = top ? gtk_widget_get_window(top) : nullptr;
  double x = 0, y = 0;
  if (!gw || !gtk_gesture_get_bounding_box_center(g, &x, &y)) return;
  int ox = 0, oy = 0, cx = 0, cy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  gtk_widget_translate_coordinates(content, top, 0, 0, &cx, &cy);  // x, y count from the content
  Event e;
  if (!pointerEvent(*s->backend, top, ox + cx + x, oy + cy + y, 0, &e)) return;
  e.type = type;
  if (type == EventType::Magnify) {
    e.deltaZ = amount;
  } else {
    e.rotation = amount;
  }
  s->backend->app.deliver(e);
}

void onZoomBegin(GtkGesture*, GdkEventSequence*, gpointer p) {
  static_cast<WindowInputState*>(p)->lastScale = 1;
}

// Each step magnifies by what it adds to the scale so far.
void onScaleChanged(GtkGestureZoom* g, gdouble scale, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  if (scale <= 0 || s->lastScale <= 0 || scale == s->lastScale) return;
  const double by = scale / s->lastScale - 1;
  s->lastScale = scale;
  deliverGesture(s, GTK_GESTURE(g), EventType::Magnify, by);
}

void onRotateBegin(GtkGesture*, GdkEventSequence*, gpointer p) {
  static_cast<WindowInputState*>(p)->lastAngle = 0;
}

// GTK's angle grows clockwise on the screen; a rotation is in degrees counter-clockwise.
void onAngleChanged(GtkGestureRotate* g, gdouble, gdouble delta, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  // The angle is kept within one turn: a step across its end is the short way round.
  const double step = std::remainder(delta - s->lastAngle, 2 * G_PI);
  if (step == 0) return;
  s->lastAngle = delta;
  deliverGesture(s, GTK_GESTURE(g), EventType::Rotate, -step * 180 / G_PI);
}

gboolean onTouch(GtkWidget*, GdkEvent* e, gpointer p) {
  auto* s = static_cast<WindowInputState*>(p);
  if (e->type == GDK_TOUCH_BEGIN || e->type == GDK_TOUCH_UPDATE || e->type == GDK_TOUCH_END ||
      e->type == GDK_TOUCH_CANCEL) {
    gtk_event_controller_handle_event(GTK_EVENT_CONTROLLER(s->zoom), e);
    gtk_event_controller_handle_event(GTK_EVENT_CONTROLLER(s->rotate), e);
  }
  return FALSE;
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
  g_object_set_data_full(G_OBJECT(window), "vq-window-input", s,
                         [](gpointer p) { delete static_cast<WindowInputState*>(p); });
  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK | GDK_TOUCH_MASK);
  // Touchscreen pinches and turns (GTK 3 on X gets no touchpad gestures). The gestures belong
  // to the content area, which has no window of its own, and are handed the window's touches
  // here: the window's own press gesture refuses the first touch for every gesture of the
  // window, while that touch still becomes a click.
  s->zoom = gtk_gesture_zoom_new(content);
  s->rotate = gtk_gesture_rotate_new(content);
  for (GtkGesture* g : {s->zoom, s->rotate})
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(g), GTK_PHASE_NONE);
  g_signal_connect(window, "event", G_CALLBACK(&onTouch), s);
  g_signal_connect(s->zoom, "begin", G_CALLBACK(&onZoomBegin), s);
  g_signal_connect(s->zoom, "scale-changed", G_CALLBACK(&onScaleChanged), s);
  g_signal_connect(s->rotate, "begin", G_CALLBACK(&onRotateBegin), s);
  g_signal_connect(s->rotate, "angle-changed", G_CALLBACK(&onAngleChanged), s);
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
