// Shared by the desktop tests: the backend on a real display, a window holding a graphics
// view, real input through XTest, screen readback, and loops that never wait for ever.
#pragma once

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/gtk/desktop_backend.h"
#include "platform/gtk/desktop_graphics_view.h"
#include "platform/headless.h"
#include "platform/view.h"
#include "support/x_display.h"
#include "x_input.h"

namespace vq::test {

using namespace vq::platform;

// Records what the view delivers; tests add behaviour through the hooks.
struct ViewRecorder : GraphicsViewClient {
  std::vector<PointerEvent> pointer;
  std::vector<Event> keys;
  int modalNotices = 0;
  std::function<void(const PointerEvent&)> onPointer;
  void pointerEvent(const PointerEvent& e) override {
    pointer.push_back(e);
    if (onPointer) onPointer(e);
  }
  bool keyEvent(const Event& e) override {
    keys.push_back(e);
    return true;
  }
  void modalLoopWillRun() override { ++modalNotices; }
  std::vector<PointerEvent> of(PointerAction a) const {
    std::vector<PointerEvent> out;
    for (const PointerEvent& e : pointer)
      if (e.action == a) out.push_back(e);
    return out;
  }
};

// Runs the main loop until `done` or the time-out; answers `done()`.
inline bool pumpUntil(const std::function<bool()>& done, double seconds = 5) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Runs the main loop while time passes: only for what the program times itself (the
// double-click time, a window's settling after it was placed); never to wait for an event.
inline void pumpFor(double seconds) {
  pumpUntil([] { return false; }, seconds);
}

// Runs the main loop while something is ready to run, at most `seconds`.
inline void pumpReady(double seconds = 5) {
  pumpUntil([] { return !g_main_context_pending(nullptr); }, seconds);
}

// The toolkit has read and handled every event the X server sent it so far: events sent before
// the answer to a round trip come before that answer.
inline void pumpXEvents() {
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_sync(display);
  pumpReady();
}

// Draws the widget again and answers once it has drawn: laid out and on the screen.
inline bool waitForDraw(GtkWidget* w) {
  int draws = 0;
  const gulong id =
      g_signal_connect_after(w, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, int* n) -> gboolean {
                               ++*n;
                               return FALSE;
                             }),
                             &draws);
  gtk_widget_queue_draw(w);
  const bool drawn = pumpUntil([&] { return draws > 0; });
  g_signal_handler_disconnect(w, id);
  pumpXEvents();
  return drawn;
}

// The first mapped top-level of a kind: a popup (menus) or a message dialog.
inline GtkWidget* mappedToplevel(bool popup) {
  GList* all = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* l = all; l && !found; l = l->next) {
    GtkWidget* w = GTK_WIDGET(l->data);
    if (!gtk_widget_get_mapped(w)) continue;
    bool isPopup = gtk_window_get_window_type(GTK_WINDOW(w)) == GTK_WINDOW_POPUP;
    if (popup ? isPopup : GTK_IS_MESSAGE_DIALOG(w)) found = w;
  }
  g_list_free(all);
  return found;
}

class DesktopTest : public ::testing::Test {
 protected:
  static void prepareEnvironment() {
    // A private home for what GTK may write, no settings daemon, and a comma locale when the
    // machine has one: numbers must stay in the "C" form under it.
    struct TempHome {
      std::filesystem::path path =
          std::filesystem::temp_directory_path() / ("vq-gtk-home-" + std::to_string(getpid()));
      TempHome() { std::filesystem::create_directories(path); }
      ~TempHome() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
      }
    };
    static TempHome temp;
    const std::filesystem::path& home = temp.path;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_NUMERIC");
    if (locale_t l = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0))) {
      freelocale(l);
      setenv("LANG", "de_DE.UTF-8", 1);
    }
  }

  void SetUp() override {
    std::string why;
    if (!ensureXDisplay(&why)) GTEST_SKIP() << "no X server could start: " << why;
    prepareEnvironment();
    ASSERT_TRUE(installDesktopBackend()) << "GTK could not open " << std::getenv("DISPLAY");
    b = desktop();
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(input.ok());
    input.releaseAll();
  }

  void TearDown() override {
    view.reset();
    window.reset();
    content.reset();
    if (b) installHeadless();
    pumpXEvents();
  }

  // A window with a graphics view filling it, shown and drawn once; the view's screen
  // position lands in ox, oy.
  void openWindow(int w, int h) {
    window = std::make_unique<Window>();
    window->setTitle("VQ desktop test");
    window->setFrame(
        {0, b->mainDisplayHeight() - h, static_cast<double>(w), static_cast<double>(h)});
    content = std::make_unique<View>();
    content->setFrame({0, 0, static_cast<double>(w), static_cast<double>(h)});
    window->setContentView(content.get());
    window->makeKeyAndOrderFront();
    view = b->createGraphicsView(content.get(), w, h, client);
    gview = static_cast<DesktopGraphicsView*>(view.get());
    ASSERT_TRUE(pumpUntil([&] {
      return gview->screenOrigin(ox, oy) && gtk_widget_get_mapped(gview->drawingArea());
    })) << "the window never appeared";
    pumpXEvents();
    gview->screenOrigin(ox, oy);
    gview->focus();
  }

  // Input that has reached the server (it says so when asked) and then the toolkit: the
  // events it made went out before the server's answer to the toolkit's round trip.
  void moveTo(int x, int y) {
    input.move(x, y);
    pumpUntil([&] { return input.where() == std::pair(x, y); });
    pumpXEvents();
  }
  void button(unsigned b, bool down) {
    input.button(b, down);
    pumpUntil([&] { return input.isDown(b) == down; });
    pumpXEvents();
  }
  void click(unsigned b = 1) {
    button(b, true);
    button(b, false);
  }
  void key(unsigned long keysym, bool down) {
    input.key(keysym, down);
    pumpUntil([&] { return input.isKeyDown(keysym) == down; });
    pumpXEvents();
  }
  void tap(unsigned long keysym) {
    key(keysym, true);
    key(keysym, false);
  }

  DesktopBackend* b = nullptr;
  XInput input;
  ViewRecorder client;
  std::unique_ptr<Window> window;
  std::unique_ptr<View> content;
  std::unique_ptr<GraphicsView> view;
  DesktopGraphicsView* gview = nullptr;
  int ox = 0, oy = 0;
};

}  // namespace vq::test
