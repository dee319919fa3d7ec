// Shell open on the desktop: a program or application named by the caller starts with the
// document as one argument (no shell reads it), "notepad" is the desktop's program for plain
// text; a reveal reaches the file manager's interface on the session bus, and without a bus it
// answers at once so the folder can open instead.
#include <gio/gio.h>
#include <unistd.h>

#include <fstream>

#include "dialog_fixture.h"
#include "platform/process.h"
#include "wemu/shell_open.h"

namespace {

using namespace vq::test;
namespace fs = std::filesystem;

class ShellOnDesktop : public DialogDesktopTest {
 protected:
  void SetUp() override {
    DialogDesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    dir = fs::temp_directory_path() / ("vq-shell-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
      auto& [name, value] = *it;
      value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    if (bus) bus->terminate(), bus->wait(5);
    fs::remove_all(dir);
    DialogDesktopTest::TearDown();
  }
  // Writes its argument count and arguments, one per line, to `out`.
  fs::path probe(const std::string& name) {
    fs::path script = dir / name;
    std::ofstream(script) << "#!/bin/sh\n{ echo \"$#\"; for a; do echo \"[$a]\"; done; } > '"
                          << (dir / "out.tmp").string() << "' && mv '" << (dir / "out.tmp").string()
                          << "' '" << (dir / "out").string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    return script;
  }
  // The probe runs detached: wait for its answer and take it away.
  std::string probed() {
    pumpUntil([&] { return fs::exists(dir / "out"); });
    const std::string text = fileText(dir / "out");
    fs::remove(dir / "out");
    return text;
  }
  void setEnv(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name, value.c_str(), 1);
  }
  fs::path dir;
  std::unique_ptr<vq::platform::Process> bus;
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
};

TEST_F(ShellOnDesktop, NamedProgramsAndApplicationsStartWithTheDocumentAsOneArgument) {
  fs::path program = probe("vqprobe");
  std::string doc = (dir / "my \"song\" 'x' $(touch pwned) ;rm -rf x.pr4").string();
  setEnv("PATH", dir.string() + ":" + std::getenv("PATH"));
  fs::path apps = fs::path(std::getenv("XDG_DATA_HOME")) / "applications";
  fs::create_directories(apps);
  std::ofstream(apps / "vqentry.desktop") << "[Desktop Entry]\nType=Application\nName=VQ entry\n"
                                          << "Exec=" << program.string() << " --entry %f\n";
  // It is the desktop's program for plain text, too.
  fs::create_directories(std::getenv("XDG_CONFIG_HOME"));
  std::ofstream(fs::path(std::getenv("XDG_CONFIG_HOME")) / "mimeapps.list")
      << "[Default Applications]\ntext/plain=vqentry.desktop\n";
  struct Case {
    const char* file;
    std::string params;
    std::string want;  // what the program got
  } cases[] = {
      {program.c_str(), doc, "1\n[" + doc + "]\n"},
      {"vqprobe", doc, "1\n[" + doc + "]\n"},                 // found on PATH
      {"VQEntry.app", doc, "2\n[--entry]\n[" + doc + "]\n"},  // its desktop entry
      {"/Applications/vqprobe.app", "", "0\n"},               // no entry: the program of the name
      {"Notepad", doc, "2\n[--entry]\n[" + doc + "]\n"},      // whatever the document's type
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShellExecute(nullptr, "open", c.file, c.params.c_str(), nullptr, 1), TRUE) << c.file;
    EXPECT_EQ(probed(), c.want) << c.file;
  }
  EXPECT_FALSE(fs::exists(fs::current_path() / "pwned") || fs::exists(dir / "pwned"));
  EXPECT_EQ(ShellExecute(nullptr, "open", (dir / "missing").c_str(), "/tmp/x", nullptr, 1), FALSE);
  EXPECT_EQ(ShellExecute(nullptr, "open", "vq-missing.app", nullptr, nullptr, 1), FALSE);
}

// A file manager of our own on a private session bus: what ShowItems receives.
struct FileManager {
  static void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                     const gchar* method, GVariant* params, GDBusMethodInvocation* call,
                     gpointer self) {
    if (g_strcmp0(method, "ShowItems") == 0) {
      GVariantIter* uris = nullptr;
      const gchar* uri = nullptr;
      g_variant_get(params, "(as&s)", &uris, nullptr);
      while (g_variant_iter_next(uris, "&s", &uri))
        static_cast<FileManager*>(self)->shown.push_back(uri);
      g_variant_iter_free(uris);
    }
    g_dbus_method_invocation_return_value(call, nullptr);
  }
  bool serve(const std::string& address) {
    connection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (!connection) return false;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(
        "<node><interface name='org.freedesktop.FileManager1'><method name='ShowItems'>"
        "<arg type='as' direction='in'/><arg type='s' direction='in'/></method></interface>"
        "</node>",
        nullptr);
    static const GDBusInterfaceVTable vtable{&FileManager::onCall, nullptr, nullptr, {}};
    registration =
        g_dbus_connection_register_object(connection, "/org/freedesktop/FileManager1",
                                          node->interfaces[0], &vtable, this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    GVariant* r = g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", "org.freedesktop.FileManager1", 4u),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (r) g_variant_unref(r);
    return r && registration;
  }
  ~FileManager() {
    if (!connection) return;
    if (registration) g_dbus_connection_unregister_object(connection, registration);
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    g_object_unref(connection);
  }
  GDBusConnection* connection = nullptr;
  guint registration = 0;
  std::vector<std::string> shown;
};

TEST_F(ShellOnDesktop, ARevealAsksTheFileManagerOnTheSessionBusOrFallsBackAtOnce) {
  std::string file = (dir / "a song.pr4").string();
  std::ofstream(file) << "P";
  // No bus: a quick answer to fall back.
  setEnv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(b->revealSelected(file));
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  setEnv("XDG_RUNTIME_DIR", dir.string());  // no bus socket there: never an auto-launched bus
  EXPECT_FALSE(b->revealSelected(file));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

  // The daemon prints its address once it listens (its socket's file comes before that).
  std::string address = "unix:path=" + (dir / "bus").string();
  bus = vq::platform::Process::spawn(
      {"sh", "-c",
       "exec dbus-daemon --session --nofork --nopidfile --address=\"$1\" --print-address >\"$2\"",
       "sh", address, (dir / "address").string()});
  ASSERT_TRUE(bus);
  pumpUntil([&] {
    return fileText(dir / "address").find('\n') != std::string::npos || !bus->isRunning();
  });
  if (bus->wait(0) == 127) GTEST_SKIP() << "no dbus-daemon";
  ASSERT_NE(fileText(dir / "address").find('\n'), std::string::npos) << "the bus never listened";
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  EXPECT_FALSE(b->revealSelected(file)) << "a bus without a file manager";
  FileManager manager;
  ASSERT_TRUE(manager.serve(address));
  std::string select = "/select,\"" + file + "\"";
  EXPECT_EQ(ShellExecute(nullptr, "open", "explorer.exe", select.c_str(), nullptr, 1), TRUE);
  EXPECT_TRUE(pumpUntil([&] { return !manager.shown.empty(); }));
  gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
  EXPECT_EQ(manager.shown, std::vector<std::string>{uri});
  g_free(uri);
  // The answer reaches the program, which then leaves the bus: only ours is left on it.
  EXPECT_TRUE(pumpUntil([&] {
    GVariant* r = g_dbus_connection_call_sync(manager.connection, "org.freedesktop.DBus",
                                              "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                              "ListNames", nullptr, G_VARIANT_TYPE("(as)"),
                                              G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (!r) return false;
    GVariantIter* names = nullptr;
    const gchar* name = nullptr;
    int others = 0;
    g_variant_get(r, "(as)", &names);
    while (g_variant_iter_next(names, "&s", &name))
      others += name[0] == ':' &&
                g_strcmp0(name, g_dbus_connection_get_unique_name(manager.connection)) != 0;
    g_variant_iter_free(names);
    g_variant_unref(r);
    return others == 0;
  }));
}

}  // namespace
