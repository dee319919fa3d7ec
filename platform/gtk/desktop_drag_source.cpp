#include "platform/gtk/desktop_drag_source.h"

#include "platform/gtk/desktop_backend.h"
#include "platform/view.h"

namespace vq::platform {

DesktopDragSource::~DesktopDragSource() {
  disconnect();
}

void DesktopDragSource::disconnect() {
  if (mWidget) {
    g_signal_handler_disconnect(mWidget, mDataGet);
    g_signal_handler_disconnect(mWidget, mEnd);
    g_object_unref(mWidget);
  }
  mWidget = nullptr;
}

void DesktopDragSource::onDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint,
                                  gpointer self) {
  auto* s = static_cast<DesktopDragSource*>(self);
  std::vector<gchar*> list;
  for (std::string& u : s->mUris) list.push_back(u.data());
  list.push_back(nullptr);
  gtk_selection_data_set_uris(data, list.data());
}

void DesktopDragSource::onEnd(GtkWidget*, GdkDragContext*, gpointer self) {
  // Disconnecting inside the handler is allowed; the widget reference goes on the next pass.
  auto* s = static_cast<DesktopDragSource*>(self);
  GtkWidget* w = s->mWidget;
  g_signal_handler_disconnect(w, s->mDataGet);
  g_signal_handler_disconnect(w, s->mEnd);
  s->mWidget = nullptr;
  g_idle_add(
      [](gpointer w) -> gboolean {
        g_object_unref(w);
        return G_SOURCE_REMOVE;
      },
      w);
}

bool DesktopDragSource::beginFileDrag(View* view, Rect from, const std::vector<std::string>& paths,
                                      const Image*) {
  DesktopBackend* b = desktop();
  if (!b || !view || !view->window() || paths.empty()) return false;
  GtkWidget* widget = b->windows.contentFor(*view->window());
  if (!widget || !gtk_widget_get_realized(widget)) return false;
  std::vector<std::string> uris;
  for (const std::string& p : paths) {
    gchar* uri = g_filename_to_uri(p.c_str(), nullptr, nullptr);
    if (!uri) return false;  // a relative path names no file on its own
    uris.emplace_back(uri);
    g_free(uri);
  }
  disconnect();
  mUris = std::move(uris);
  mWidget = GTK_WIDGET(g_object_ref(widget));
  mDataGet =
      g_signal_connect(widget, "drag-data-get", G_CALLBACK(&DesktopDragSource::onDataGet), this);
  mEnd = g_signal_connect(widget, "drag-end", G_CALLBACK(&DesktopDragSource::onEnd), this);
  int x = 0, y = 0;
  b->windows.viewOrigin(*view, x, y);
  x += static_cast<int>(from.x);
  y += static_cast<int>(view->isFlipped() ? from.y : view->frame().height - from.maxY());
  GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
  gtk_target_list_add_uri_targets(targets, 0);
  GdkEvent* event = gtk_get_current_event();
  GdkDragContext* drag =
      gtk_drag_begin_with_coordinates(widget, targets, GDK_ACTION_COPY, 1, event, x, y);
  if (event) gdk_event_free(event);
  gtk_target_list_unref(targets);
  if (!drag) {
    disconnect();
    return false;
  }
  gtk_drag_set_icon_default(drag);
  return true;
}

}  // namespace vq::platform
