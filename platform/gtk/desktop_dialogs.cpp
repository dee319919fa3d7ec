// Alerts, file panels and context menus of the desktop backend: each runs a nested loop in
// its own mode, so common-mode timers keep firing and default-mode timers wait.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/debug_log.h"
#include "platform/gtk/desktop_backend.h"
#include "platform/gtk/desktop_menus.h"

namespace vq::platform {

namespace {

bool isDirectory(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string expandHome(const std::string& p) {
  if (p.empty() || p[0] != '~' || (p.size() > 1 && p[1] != '/')) return p;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + p.substr(1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "syx" -> "*.[sS][yY][xX]": file name patterns are case sensitive.
std::string patternFor(const std::string& ext) {
  std::string p = "*.";
  for (char c : ext) {
    unsigned char u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) {
      p += '[';
      p += static_cast<char>(std::tolower(u));
      p += static_cast<char>(std::toupper(u));
      p += ']';
    } else if (c == '*' || c == '?' || c == '[' || c == ']') {
      p += '[';
      p += c;
      p += ']';
    } else {
      p += c;
    }
  }
  return p;
}

bool hasAllowedType(const std::string& path, const std::vector<std::string>& types) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = lower(path.substr(dot + 1));
  return std::any_of(types.begin(), types.end(),
                     [&](const std::string& t) { return lower(t) == ext; });
}

std::string mnemonicSafe(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '_') out += '_';
    out += c;
  }
  return out;
}

// The button that closing or Escape means: "Cancel" when there is one, else with two or more
// buttons the last (the "No" of a yes/no question), else the only one.
int dismissIndex(const std::vector<std::string>& buttons) {
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (lower(buttons[i]) == "cancel") return static_cast<int>(i);
  }
  return buttons.size() >= 2 ? static_cast<int>(buttons.size()) - 1 : 0;
}

// Holds a dialog to the work area of its parent's monitor (else the main one): GTK sizes some
// dialogs by their content alone (a file panel asks for about 1100 x 820), and no window
// manager may be there to keep them on the screen. A window manager's frame, as wide as the
// parent's, comes around it.
void fitToWorkArea(GtkWindow* dialog, GtkWindow* parent) {
  GdkDisplay* display = gdk_display_get_default();
  GdkWindow* above = parent ? gtk_widget_get_window(GTK_WIDGET(parent)) : nullptr;
  GdkMonitor* monitor = above ? gdk_display_get_monitor_at_window(display, above) : nullptr;
  if (!monitor) monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0)
    monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return;
  GdkRectangle work;
  gdk_monitor_get_workarea(monitor, &work);
  int frameW = 0, frameH = 0;
  if (above && gtk_widget_get_mapped(GTK_WIDGET(parent))) {
    GdkRectangle outer;
    gdk_window_get_frame_extents(above, &outer);
    frameW = std::max(0, outer.width - gdk_window_get_width(above));
    frameH = std::max(0, outer.height - gdk_window_get_height(above));
  }
  GdkGeometry limits{};
  limits.max_width = std::max(1, work.width - frameW);
  limits.max_height = std::max(1, work.height - frameH);
  gtk_window_set_geometry_hints(dialog, nullptr, &limits, GDK_HINT_MAX_SIZE);
}

struct ChoiceSink final : MenuSink {
  MenuItem* chosen = nullptr;
  void choose(MenuItem& item) override { chosen = &item; }
};

}  // namespace

int DesktopBackend::runAlert(const AlertRequest& request) {
  std::vector<std::string> buttons = request.buttons;
  if (buttons.empty()) buttons.push_back("OK");
  if (buttons.size() > 3) buttons.resize(3);
  int dismiss = dismissIndex(buttons);
  if (!loop.isMainThread()) {
    // GTK belongs to the main thread: show it from there, and answer as if dismissed.
    debugLog("alert requested off the main thread: shown later, answered " +
             std::to_string(dismiss));
    AlertRequest copy = request;
    openWhenNoneUp([this, copy] { runAlert(copy); });
    return dismiss;
  }
  DesktopRunLoop::ModeScope scope(loop, RunLoopMode::ModalPanel);
  BoxOrPanelShown shown;
  GtkMessageType type = request.style == AlertStyle::Critical  ? GTK_MESSAGE_ERROR
                        : request.style == AlertStyle::Warning ? GTK_MESSAGE_WARNING
                                                               : GTK_MESSAGE_INFO;
  const std::string& header = request.title.empty() ? request.message : request.title;
  GtkWidget* d = gtk_message_dialog_new(
      windows.dialogParent(), GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      type, GTK_BUTTONS_NONE, "%s", header.c_str());
  if (!request.title.empty() && !request.message.empty())
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(d), "%s", request.message.c_str());
  gtk_window_set_title(GTK_WINDOW(d), request.title.c_str());
  // The first button is the default and sits at the right end.
  for (int i = static_cast<int>(buttons.size()) - 1; i >= 0; --i)
    gtk_dialog_add_button(GTK_DIALOG(d), mnemonicSafe(buttons[static_cast<size_t>(i)]).c_str(), i);
  gtk_dialog_set_default_response(GTK_DIALOG(d), 0);
  fitToWorkArea(GTK_WINDOW(d), windows.dialogParent());
  int response = gtk_dialog_run(GTK_DIALOG(d));
  gtk_widget_destroy(d);
  return response >= 0 && response < static_cast<int>(buttons.size()) ? response : dismiss;
}

std::optional<std::vector<std::string>> DesktopBackend::runPanel(const PanelRequest& request) {
  if (!loop.isMainThread()) {
    debugLog("file panel requested off the main thread: refused");
    return std::nullopt;
  }
  DesktopRunLoop::ModeScope scope(loop, RunLoopMode::ModalPanel);
  BoxOrPanelShown shown;
  using Kind = PanelRequest::Kind;
  GtkFileChooserAction action = request.kind == Kind::Save ? GTK_FILE_CHOOSER_ACTION_SAVE
                                : request.kind == Kind::Folder
                                    ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER
                                    : GTK_FILE_CHOOSER_ACTION_OPEN;
  std::string title = request.title.empty() ? (request.kind == Kind::Save     ? "Save"
                                               : request.kind == Kind::Folder ? "Choose Folder"
                                                                              : "Open")
                                            : request.title;
  const char* accept = request.kind == Kind::Save     ? "_Save"
                       : request.kind == Kind::Folder ? "_Select"
                                                      : "_Open";
  GtkWidget* d =
      gtk_file_chooser_dialog_new(title.c_str(), windows.dialogParent(), action, "_Cancel",
                                  GTK_RESPONSE_CANCEL, accept, GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(d);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_select_multiple(
      chooser, request.kind == Kind::Open && request.allowsMultipleSelection ? TRUE : FALSE);
  gtk_file_chooser_set_create_folders(chooser, request.canCreateDirectories ? TRUE : FALSE);
  if (request.kind == Kind::Save) {
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_current_name(chooser, request.fileName.c_str());
  }
  // The folder asked for, else the one last chosen in a panel, else home: never the process's
  // working folder, which GTK would show otherwise.
  static std::string lastFolder;
  std::string folder = expandHome(request.directory);
  if (folder.empty() || !isDirectory(folder)) folder = lastFolder;
  if (folder.empty() || !isDirectory(folder)) folder = g_get_home_dir();
  gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  if (!request.allowedTypes.empty() && request.kind != Kind::Folder) {
    GtkFileFilter* filter = gtk_file_filter_new();
    std::string name;
    for (const std::string& t : request.allowedTypes) {
      gtk_file_filter_add_pattern(filter, patternFor(t).c_str());
      name += (name.empty() ? "*." : " *.") + t;
    }
    gtk_file_filter_set_name(filter, name.c_str());
    gtk_file_chooser_add_filter(chooser, filter);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
  fitToWorkArea(GTK_WINDOW(d), windows.dialogParent());
  int response = gtk_dialog_run(GTK_DIALOG(d));
  std::vector<std::string> paths;
  if (response == GTK_RESPONSE_ACCEPT) {
    GSList* names = gtk_file_chooser_get_filenames(chooser);
    for (GSList* n = names; n; n = n->next) {
      paths.emplace_back(static_cast<char*>(n->data));
      g_free(n->data);
    }
    g_slist_free(names);
  }
  gtk_widget_destroy(d);
  if (response != GTK_RESPONSE_ACCEPT) return std::nullopt;
  std::vector<std::string> chosen;
  for (std::string& p : paths) {
    switch (request.kind) {
      case Kind::Open:  // the chooser can accept a typed name that does not exist
        if (isFile(p)) chosen.push_back(p);
        break;
      case Kind::Folder:
        if (isDirectory(p)) chosen.push_back(p);
        break;
      case Kind::Save:
        if (!request.allowedTypes.empty() && !hasAllowedType(p, request.allowedTypes))
          p += "." + request.allowedTypes.front();
        chosen.push_back(p);
        break;
    }
  }
  if (chosen.empty()) return std::nullopt;
  const std::string& first = chosen.front();
  lastFolder = request.kind == Kind::Folder ? first : first.substr(0, first.rfind('/') + 1);
  return chosen;
}

MenuItem* DesktopBackend::popUpContextMenu(Menu& menu, Point location, View* view) {
  if (!loop.isMainThread()) return nullptr;
  DesktopRunLoop::ModeScope scope(loop, RunLoopMode::EventTracking);
  std::optional<BoxOrPanelShown> up(std::in_place);
  Retained<Menu> shown(&menu);  // alive while shown, whatever its delegate does
  updateMenuTree(menu);
  ChoiceSink sink;
  GtkWidget* gtkMenu = gtk_menu_new();
  g_object_ref_sink(gtkMenu);
  fillGtkMenu(gtkMenu, menu, sink);
  GdkEvent* trigger = gtk_get_current_event();
  Window* w = view ? view->window() : nullptr;
  GtkWidget* content = w && w->isVisible() ? windows.contentFor(*w) : nullptr;
  if (content && gtk_widget_get_realized(content)) {
    gtk_menu_attach_to_widget(GTK_MENU(gtkMenu), content, nullptr);
    GtkAllocation a;
    gtk_widget_get_allocation(content, &a);
    GdkRectangle at{a.x + static_cast<int>(location.x),
                    a.y + windows.contentHeight(*w) - static_cast<int>(location.y), 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(gtkMenu), gtk_widget_get_window(content), &at,
                           GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, trigger);
  } else {
    gtk_menu_popup_at_pointer(GTK_MENU(gtkMenu), trigger);
  }
  if (trigger) gdk_event_free(trigger);
  // A menu that could not take the pointer is not shown and would never end the loop.
  if (gtk_widget_get_visible(gtkMenu)) {
    GMainLoop* nested = g_main_loop_new(nullptr, FALSE);
    gulong id =
        g_signal_connect_swapped(gtkMenu, "deactivate", G_CALLBACK(g_main_loop_quit), nested);
    g_main_loop_run(nested);
    g_signal_handler_disconnect(gtkMenu, id);
    g_main_loop_unref(nested);
  }
  gtk_widget_destroy(gtkMenu);
  g_object_unref(gtkMenu);
  up.reset();  // closed: what the item opens is the one up
  MenuItem* chosen = sink.chosen;
  if (chosen && (!chosen->isEnabled() || chosen->isSeparator())) chosen = nullptr;
  if (chosen) chosen->perform();
  return chosen;
}

}  // namespace vq::platform
