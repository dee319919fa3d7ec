#include "platform/gtk/desktop_drag_source.h"

#include "platform/gtk/desktop_backend.h"
#include "platform/gtk/desktop_drop_promise.h"
#include "platform/view.h"

namespace vq::platform {

namespace {

constexpr guint kDirectSaveInfo = 1;

GdkAtom atom(const char* name) {
  return gdk_atom_intern_static_string(name);
}

// The folder of a "file://" URI naming a file on this machine, and the file's name there; empty
// otherwise.
std::string localFolderOf(const std::string& uri, std::string* name) {
  gchar* host = nullptr;
  gchar* path = g_filename_from_uri(uri.c_str(), &host, nullptr);
  std::string folder;
  bool local = !host || g_ascii_strcasecmp(host, "localhost") == 0 ||
               g_ascii_strcasecmp(host, g_get_host_name()) == 0;
  if (path && local) {
    gchar* dir = g_path_get_dirname(path);
    gchar* base = g_path_get_basename(path);
    if (g_file_test(dir, G_FILE_TEST_IS_DIR)) {
      folder = dir;
      *name = base;
    }
    g_free(base);
    g_free(dir);
  }
  g_free(path);
  g_free(host);
  return folder;
}

// Once the drop is over, the user hears where the file went when it is not where the drop
// target shows it.
void tellSavedElsewhere(const std::string& folder, const std::string& name) {
  DesktopBackend* b = desktop();
  if (!b) return;
  AlertRequest told;
  told.title = "Copy";
  told.message = "The program was saved as \"" + name + "\" in \"" + folder + "\".";
  openWhenNoneUp([b, told] { b->runAlert(told); });
}

}  // namespace

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

char DesktopDragSource::saveWhereAsked(GdkDragContext* drag) {
  const std::string uri = directSaveProperty(drag);
  // Written once: the promise is used up, and a repeated request hears the same answer.
  if (mAnswer) return mAnswer;
  std::string asked;
  std::string folder = localFolderOf(uri, &asked);
  if (folder.empty() || !mPromise.writeInto) return 'F';
  auto writeInto = std::move(mPromise.writeInto);
  mPromise.writeInto = nullptr;
  std::optional<std::vector<std::string>> names = writeInto(folder);
  const bool written = names && !names->empty();
  mAnswer = written && names->front() == asked ? 'S' : 'E';
  // The protocol has no word for another name: the file the target shows is not the program.
  if (written && mAnswer != 'S') tellSavedElsewhere(folder, names->front());
  return mAnswer;
}

void DesktopDragSource::onDataGet(GtkWidget*, GdkDragContext* drag, GtkSelectionData* data,
                                  guint info, guint, gpointer self) {
  auto* s = static_cast<DesktopDragSource*>(self);
  if (s->mPromised) {
    if (info != kDirectSaveInfo) return;
    const guchar answer = static_cast<guchar>(s->saveWhereAsked(drag));
    gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8, &answer, 1);
    return;
  }
  std::vector<gchar*> list;
  for (std::string& u : s->mUris) list.push_back(u.data());
  list.push_back(nullptr);
  gtk_selection_data_set_uris(data, list.data());
}

void DesktopDragSource::onEnd(GtkWidget*, GdkDragContext* drag, gpointer self) {
  // Disconnecting inside the handler is allowed; the widget reference goes on the next pass.
  auto* s = static_cast<DesktopDragSource*>(self);
  if (s->mPromised)
    if (GdkWindow* source = gdk_drag_context_get_source_window(drag))
      gdk_property_delete(source, atom(kDirectSave));
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

bool DesktopDragSource::begin(View* view, Rect from, GtkTargetList* targets) {
  DesktopBackend* b = desktop();
  GtkWidget* widget =
      b && view && view->window() ? b->windows.contentFor(*view->window()) : nullptr;
  if (!widget || !gtk_widget_get_realized(widget)) {
    gtk_target_list_unref(targets);
    return false;
  }
  disconnect();
  mWidget = GTK_WIDGET(g_object_ref(widget));
  mDataGet =
      g_signal_connect(widget, "drag-data-get", G_CALLBACK(&DesktopDragSource::onDataGet), this);
  mEnd = g_signal_connect(widget, "drag-end", G_CALLBACK(&DesktopDragSource::onEnd), this);
  int x = 0, y = 0;
  b->windows.viewOrigin(*view, x, y);
  x += static_cast<int>(from.x);
  y += static_cast<int>(view->isFlipped() ? from.y : view->frame().height - from.maxY());
  GdkEvent* event = gtk_get_current_event();
  GdkDragContext* drag =
      gtk_drag_begin_with_coordinates(widget, targets, GDK_ACTION_COPY, 1, event, x, y);
  if (event) gdk_event_free(event);
  gtk_target_list_unref(targets);
  if (!drag) {
    disconnect();
    return false;
  }
  if (mPromised) {
    // The direct-save protocol: the name goes on the drag's window, where the target answers
    // with the place it wants the file.
    GdkWindow* source = gdk_drag_context_get_source_window(drag);
    if (!source) {
      gtk_drag_cancel(drag);
      disconnect();
      return false;
    }
    gdk_property_change(source, atom(kDirectSave), atom("text/plain"), 8, GDK_PROP_MODE_REPLACE,
                        reinterpret_cast<const guchar*>(mPromise.name.data()),
                        static_cast<gint>(mPromise.name.size()));
  }
  gtk_drag_set_icon_default(drag);
  return true;
}

bool DesktopDragSource::beginFileDrag(View* view, Rect from, const std::vector<std::string>& paths,
                                      const Image*) {
  if (!desktop() || !view || paths.empty()) return false;
  std::vector<std::string> uris;
  for (const std::string& p : paths) {
    gchar* uri = g_filename_to_uri(p.c_str(), nullptr, nullptr);
    if (!uri) return false;  // a relative path names no file on its own
    uris.emplace_back(uri);
    g_free(uri);
  }
  GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
  gtk_target_list_add_uri_targets(targets, 0);
  mUris = std::move(uris);
  mPromised = false;
  mPromise = {};
  return begin(view, from, targets);
}

bool DesktopDragSource::beginPromisedFileDrag(View* view, Rect from, const PromisedFiles& files) {
  // The protocol names one file; a name with a "/" would name another folder.
  if (!desktop() || !view || files.name.empty() || files.name.find('/') != std::string::npos ||
      !files.writeInto)
    return false;
  GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
  gtk_target_list_add(targets, atom(kDirectSave), 0, kDirectSaveInfo);
  mUris.clear();
  mPromised = true;
  mPromise = files;
  mAnswer = 0;
  return begin(view, from, targets);
}

}  // namespace vq::platform
