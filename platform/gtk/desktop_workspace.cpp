// Starting programs and applications, and showing files selected in the file manager.
#include <gio/gdesktopappinfo.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/debug_log.h"
#include "platform/gtk/desktop_backend.h"
#include "platform/process.h"
#include "platform/xdg_workspace.h"

namespace vq::platform {

namespace {

constexpr const char* kFileManager = "org.freedesktop.FileManager1";

// The session bus's address, never an auto-launched one: starting a bus daemon from here could
// hang, and a desktop without a bus has no file manager to ask either.
std::optional<std::string> sessionBusAddress() {
  const char* env = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (env && *env) return std::string(env);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return std::nullopt;
  std::string socket = std::string(runtime) + "/bus";
  struct stat st;
  if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
  return "unix:path=" + socket;
}

// Whether the name has an owner, or the bus would start one.
bool nameAnswers(GDBusConnection* bus, const char* name) {
  constexpr int kTimeoutMs = 1000;
  GVariant* r = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                            "org.freedesktop.DBus", "NameHasOwner",
                                            g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"),
                                            G_DBUS_CALL_FLAGS_NONE, kTimeoutMs, nullptr, nullptr);
  if (!r) return false;
  gboolean owned = FALSE;
  g_variant_get(r, "(b)", &owned);
  g_variant_unref(r);
  if (owned) return true;
  r = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "ListActivatableNames", nullptr,
                                  G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, kTimeoutMs,
                                  nullptr, nullptr);
  if (!r) return false;
  bool activatable = false;
  GVariantIter* names = nullptr;
  const gchar* n = nullptr;
  g_variant_get(r, "(as)", &names);
  while (g_variant_iter_next(names, "&s", &n))
    if (g_strcmp0(n, name) == 0) activatable = true;
  g_variant_iter_free(names);
  g_variant_unref(r);
  return activatable;
}

void onShown(GObject* source, GAsyncResult* result, gpointer) {
  GDBusConnection* bus = G_DBUS_CONNECTION(source);
  GError* error = nullptr;
  if (GVariant* r = g_dbus_connection_call_finish(bus, result, &error)) g_variant_unref(r);
  if (error) {
    debugLog(std::string("show in file manager: ") + error->message);
    g_error_free(error);
  }
  g_dbus_connection_close(bus, nullptr, nullptr, nullptr);
  g_object_unref(bus);
}

// Starts the application with the document (none: ""); the desktop's reason for a failure goes
// to the debug log.
bool launch(GAppInfo* app, const std::string& document) {
  GList* files = nullptr;
  if (!document.empty()) files = g_list_append(files, g_file_new_for_path(document.c_str()));
  GError* error = nullptr;
  gboolean ok = g_app_info_launch(app, files, nullptr, &error);
  g_list_free_full(files, g_object_unref);
  if (!ok) {
    const char* id = g_app_info_get_id(app);
    debugLog(std::string("launch ") + (id ? id : "") + ": " + (error ? error->message : "failed"));
  }
  if (error) g_error_free(error);
  return ok;
}

}  // namespace

bool DesktopBackend::openWith(const std::string& program, const std::string& document) {
  auto argv = programCommand(program, document);
  return argv && launchDetached(*argv);
}

bool DesktopBackend::launchApplication(const std::string& app, const std::string& document) {
  std::optional<std::string> name = applicationName(app);
  if (!name || name->empty()) return false;
  std::string lower = *name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  for (const std::string& id : {*name + ".desktop", lower + ".desktop"}) {
    // A name that cannot be a desktop file id (a "/" in it, say) finds no entry.
    GDesktopAppInfo* info = g_desktop_app_info_new(id.c_str());
    if (!info) continue;
    const bool ok = launch(G_APP_INFO(info), document);
    g_object_unref(info);
    if (ok) return true;
  }
  return openWith(*name, document);
}

bool DesktopBackend::openAsText(const std::string& document) {
  GAppInfo* editor = g_app_info_get_default_for_type("text/plain", FALSE);
  if (!editor) {
    debugLog("no application for plain text");
    return false;
  }
  const bool ok = launch(editor, document);
  g_object_unref(editor);
  return ok;
}

bool DesktopBackend::revealSelected(const std::string& path) {
  if (path.empty()) return false;
  std::optional<std::string> address = sessionBusAddress();
  if (!address) return false;
  GError* error = nullptr;
  GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
      address->c_str(),
      GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                           G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  if (!bus) {
    if (error) g_error_free(error);
    return false;
  }
  if (!nameAnswers(bus, kFileManager)) {
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return false;
  }
  GFile* file = g_file_new_for_path(path.c_str());
  gchar* uri = g_file_get_uri(file);
  g_object_unref(file);
  const gchar* uris[] = {uri, nullptr};
  // The file manager may first have to start: the answer comes later, and the connection
  // lives until then.
  constexpr int kShowTimeoutMs = 25000;
  g_dbus_connection_call(bus, kFileManager, "/org/freedesktop/FileManager1", kFileManager,
                         "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
                         G_DBUS_CALL_FLAGS_NONE, kShowTimeoutMs, nullptr, &onShown, nullptr);
  g_free(uri);
  return true;
}

}  // namespace vq::platform
