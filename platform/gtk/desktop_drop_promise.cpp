#include "platform/gtk/desktop_drop_promise.h"

#include <cstring>

namespace vq::platform {

namespace {

// A source writes the file before it answers; a stuck one must not hold the program.
constexpr guint kAnswerTimeoutMs = 10000;

GdkAtom atom(const char* name) {
  return gdk_atom_intern_static_string(name);
}

bool offers(GdkDragContext* drag, GdkAtom target) {
  for (GList* t = gdk_drag_context_list_targets(drag); t; t = t->next)
    if (GDK_POINTER_TO_ATOM(t->data) == target) return true;
  return false;
}

// The file name the source put on its window (of any text type).
std::string suggestedName(GdkDragContext* drag) {
  std::string name = directSaveProperty(drag);
  // A name that leads out of the folder names no file in it.
  if (name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos)
    name.clear();
  return name;
}

struct AnswerWait {
  GMainLoop* loop;
  char answer = 0;
  bool done = false;
  bool timedOut = false;
};

void onAnswer(GtkWidget*, GdkDragContext*, gint, gint, GtkSelectionData* data, guint, guint,
              gpointer p) {
  auto* w = static_cast<AnswerWait*>(p);
  if (w->done || !isDirectSaveAnswer(data)) return;
  if (gtk_selection_data_get_length(data) == 1)
    w->answer = static_cast<char>(gtk_selection_data_get_data(data)[0]);
  w->done = true;
  g_main_loop_quit(w->loop);
}

}  // namespace

std::string directSaveProperty(GdkDragContext* drag) {
  GdkWindow* source = gdk_drag_context_get_source_window(drag);
  GdkAtom got = nullptr;
  gint format = 0, length = 0;
  guchar* data = nullptr;
  std::string text;
  // Each side writes the text in the type it likes (text/plain, with a charset or not,
  // UTF8_STRING, STRING): the type is not asked for.
  if (source &&
      gdk_property_get(source, atom(kDirectSave), GDK_NONE, 0, 4096, FALSE, &got, &format, &length,
                       &data) &&
      data && format == 8)
    text.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
  g_free(data);
  return text;
}

bool isDirectSaveDrag(GdkDragContext* drag) {
  return drag && offers(drag, atom(kDirectSave)) && !offers(drag, atom("text/uri-list"));
}

std::vector<std::string> directSaveTypes(GdkDragContext* drag) {
  std::string name = suggestedName(drag);
  if (name.empty()) return {};
  size_t dot = name.rfind('.');
  return {dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1)};
}

bool isDirectSaveAnswer(GtkSelectionData* data) {
  return gtk_selection_data_get_target(data) == atom(kDirectSave);
}

std::vector<std::string> receiveDirectSave(GtkWidget* widget, GdkDragContext* drag, guint time,
                                           const std::string& folder) {
  std::string name = suggestedName(drag);
  GdkWindow* source = gdk_drag_context_get_source_window(drag);
  if (name.empty() || folder.empty() || !source) return {};
  std::string path = folder.back() == '/' ? folder + name : folder + "/" + name;
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return {};  // a relative folder is no place on this machine
  gdk_property_change(source, atom(kDirectSave), atom("text/plain"), 8, GDK_PROP_MODE_REPLACE,
                      reinterpret_cast<const guchar*>(uri), static_cast<gint>(std::strlen(uri)));
  g_free(uri);
  AnswerWait wait{g_main_loop_new(nullptr, FALSE)};
  g_object_ref(drag);
  g_object_ref(widget);
  gulong handler = g_signal_connect(widget, "drag-data-received", G_CALLBACK(&onAnswer), &wait);
  gtk_drag_get_data(widget, drag, atom(kDirectSave), time);
  guint timer = g_timeout_add(
      kAnswerTimeoutMs,
      [](gpointer p) -> gboolean {
        auto* w = static_cast<AnswerWait*>(p);
        w->timedOut = true;
        g_main_loop_quit(w->loop);
        return G_SOURCE_REMOVE;
      },
      &wait);
  if (!wait.done) g_main_loop_run(wait.loop);
  if (!wait.timedOut) g_source_remove(timer);
  g_signal_handler_disconnect(widget, handler);
  g_object_unref(widget);
  g_object_unref(drag);
  g_main_loop_unref(wait.loop);
  // "F" would let a target fetch the data itself; only a file saved where it was asked is taken.
  if (wait.answer != 'S' || !g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) return {};
  return {path};
}

}  // namespace vq::platform
