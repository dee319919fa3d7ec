#include "platform/gtk/desktop_backend.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <semaphore.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <thread>
#include <utility>

#include "platform/debug_log.h"
#include "platform/error_output.h"
#include "platform/gtk/desktop_controls.h"
#include "platform/gtk/desktop_gl.h"
#include "platform/gtk/desktop_view_surfaces.h"
#include "platform/gtk/desktop_drag_source.h"
#include "platform/gtk/desktop_graphics_view.h"
#include "platform/gtk/desktop_keys.h"
#include "platform/gtk/desktop_menus.h"
#include "platform/headless.h"
#include "platform/utf8.h"
#include "platform/writes_in_progress.h"

// Declared as Xlib does, without its macros (None, Bool, Window, ...) that clash with ours.
extern "C" {
struct _XDisplay;
_XDisplay* gdk_x11_display_get_xdisplay(GdkDisplay* display);
int XWarpPointer(_XDisplay* display, unsigned long from, unsigned long to, int fromX, int fromY,
                 unsigned fromW, unsigned fromH, int x, int y);
using XIOErrorHandler = int (*)(_XDisplay*);
XIOErrorHandler XSetIOErrorHandler(XIOErrorHandler handler);
}

// Fonts that the toolkit's font map loads once and keeps until exit are not ours to free. Weak:
// the font service says the same.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace vq::platform {

// ---- Opening the display --------------------------------------------------------------

bool openDesktopDisplay(int* argc, char*** argv) {
  static bool open = false;
  if (open) return true;
  // GTK would take every locale category from the environment; numbers written to settings
  // and program files must keep the "C" form whatever the user's locale.
  gtk_disable_setlocale();
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  // Pointer warping and screen coordinates need X (XWayland on a Wayland desktop).
  gdk_set_allowed_backends("x11");
  int noArgc = 0;
  char** noArgv = nullptr;
  if (!gtk_init_check(argc ? argc : &noArgc, argv ? argv : &noArgv)) return false;
  open = true;
  return true;
}

bool installDesktopBackend(int* argc, char*** argv) {
  if (!openDesktopDisplay(argc, argv)) {
    installHeadless();
    return false;
  }
  installBackend(nullptr);
  installBackend(std::make_unique<DesktopBackend>());
  installDragSource(std::make_unique<DesktopDragSource>());
  installGLService(std::make_unique<DesktopGLService>());
  return true;
}

DesktopBackend* desktop() {
  return hasBackend() ? dynamic_cast<DesktopBackend*>(&services()) : nullptr;
}

// ---- The session's end ----------------------------------------------------------------

namespace {

// How long a shut-down begun by a session's end may take before the process ends anyway.
constexpr int kShutdownLimitSeconds = 10;
// How long an ending waits for the error output's lines to be written.
constexpr int kLastLineWaitMs = 500;

std::function<void(bool)> gSessionEnd;
std::function<void()> gDisplayLost;
int gSignalPipe[2] = {-1, -1};
sem_t gLimitStart;   // posted by every signal; the first starts the bound's clock
char gLastLine[96];  // the time limit's line, without its newline

// A logout sends SIGTERM and SIGHUP together, and the shut-down they start writes the user's
// work: every later SIGTERM, SIGHUP or SIGINT is caught and let pass, so none cuts it short.
// The bound's clock starts here, whatever the main thread is doing.
void OnEndSignal(int signal) {
  const int saved = errno;
  sem_post(&gLimitStart);
  const char c = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t ignored = write(gSignalPipe[1], &c, 1);
  errno = saved;
}

// The main loop takes the first signal from the pipe.
gboolean EndSession(gint, GIOCondition, gpointer) {
  // Open menus go first: the windows that hold their items are about to be destroyed.
  closeOpenMenus();
  // Run from the main loop itself the dispatch is one level; a loop run by a handler (or by the
  // launch, before the main loop) is nested.
  if (gSessionEnd) gSessionEnd(gtk_main_level() != 1 || g_main_depth() > 1);
  return G_SOURCE_REMOVE;
}

// Bounds the shut-down a signal starts: one that hangs (a disk that does not answer) still ends,
// even when it began with the user's quit. The hung thread may hold any lock, malloc's or a
// stream's among them: nothing here allocates, and the line, made before, goes to the error
// output's own thread ahead of the lines still queued, which follow. That thread may itself be
// stuck on a full pipe or a stalled disk, so they are waited for only a moment.
void BoundShutDown() {
  while (sem_wait(&gLimitStart) < 0 && errno == EINTR) {
  }
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += kShutdownLimitSeconds;
  // A settings file still being written when the limit comes is removed, not left half done.
  RemoveWritesInProgressBefore(deadline);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
  // The line names the files whose writes the removal cut off: they stay as they were.
  static char cutOff[1536];
  if (DescribeWritesCutOff(cutOff, sizeof cutOff) > 0) {
    static char line[sizeof gLastLine + sizeof cutOff + 32];
    size_t used = 0;
    const char* const parts[] = {gLastLine, "; not finished: ", cutOff, "\n"};
    for (const char* part : parts) {
      const size_t n = std::min(std::strlen(part), sizeof line - 1 - used);
      std::memcpy(line + used, part, n);
      used += n;
    }
    line[used] = '\0';
    errorOutput().SetLastLine(line);
  }
  errorOutput().WriteLastLine(std::chrono::milliseconds(kLastLineWaitMs));
  _exit(1);
}

int OnDisplayLost(_XDisplay*) {
  static bool once = false;
  if (!std::exchange(once, true)) {
    errorLine("VQEditor4: the connection to the display was lost");
    // Kept under the same limit as every other end: a stuck disk cannot hold the process.
    boundShutDown();
    if (gDisplayLost) gDisplayLost();
  }
  std::fflush(nullptr);
  errorOutput().FlushBeforeExit(std::chrono::milliseconds(kLastLineWaitMs));
  _exit(1);
}

}  // namespace

void onSessionEnd(std::function<void(bool nested)> end, std::function<void()> lost) {
  gSessionEnd = std::move(end);
  gDisplayLost = std::move(lost);
  if (gSignalPipe[0] < 0 && pipe2(gSignalPipe, O_CLOEXEC) == 0) {
    std::snprintf(gLastLine, sizeof gLastLine,
                  "VQEditor4: the shut-down did not end within %d seconds; ending now",
                  kShutdownLimitSeconds);
    char line[sizeof gLastLine + 1];
    std::snprintf(line, sizeof line, "%s\n", gLastLine);
    errorOutput().SetLastLine(line);
    // The handler must never block, whatever number of signals comes.
    fcntl(gSignalPipe[1], F_SETFL, O_NONBLOCK);
    sem_init(&gLimitStart, 0, 0);
    // Both threads are made before any signal: once one came, the bound allocates nothing.
    PrepareRemovalOfWritesInProgress();
    std::thread(&BoundShutDown).detach();
    g_unix_fd_add_full(G_PRIORITY_HIGH, gSignalPipe[0], G_IO_IN, &EndSession, nullptr, nullptr);
    struct sigaction action {};
    action.sa_handler = &OnEndSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
  }
  // Set after the display opened, in place of the toolkit's, which exits without a word to us.
  if (gdk_display_get_default()) XSetIOErrorHandler(&OnDisplayLost);
}

void boundShutDown() {
  // A signal before started the clock already: the first post counts.
  if (gSignalPipe[0] >= 0) sem_post(&gLimitStart);
}

// ---- Application ----------------------------------------------------------------------

RunLoop& DesktopApplication::runLoop() {
  return mBackend.loop;
}

int DesktopApplication::run() {
  if (mDelegate) mDelegate->applicationWillFinishLaunching();
  if (mDelegate) mDelegate->applicationDidFinishLaunching();
  if (mTerminated) return 0;
  mRunning = true;
  gtk_main();
  mRunning = false;
  return 0;
}

void DesktopApplication::deliver(const Event& e) {
  mCurrent.push_back(e);
  if (mHook) {
    mHook->sendEvent(e);
  } else {
    dispatchEvent(e);
  }
  mCurrent.pop_back();
}

bool DesktopApplication::performKeyEquivalent(const Event& e) {
  if (!(e.modifierFlags & (kCommandFlag | kControlFlag))) return false;
  Menu* menu = e.window && e.window->windowMenu() ? e.window->windowMenu() : mMainMenu.get();
  if (!menu) return false;
  Retained<Menu> keep(menu);
  updateMenuTree(*menu);
  Retained<MenuItem> item(findKeyEquivalent(*menu, e));
  return item.get() && item.get()->perform();
}

void DesktopApplication::dispatchEvent(const Event& e) {
  if (e.type == EventType::KeyDown && performKeyEquivalent(e)) return;
  Window* w = e.window;
  if (!w) return;
  if (e.isKey()) {
    if (DesktopGraphicsView* v = mBackend.windows.focusedView(*w)) {
      if (v->client().keyEvent(e)) return;
    }
    if (View* target = w->firstResponder()) target->handleEvent(e);
    return;
  }
  if (e.type == EventType::FlagsChanged) {
    if (View* target = w->firstResponder()) target->handleEvent(e);
    return;
  }
  if (View* content = w->contentView()) content->handleEvent(e);
}

std::optional<Event> DesktopApplication::peekEvent(uint64_t mask, double seconds) {
  // What the display has queued already; no waiting.
  GdkEvent* next = gdk_event_peek();
  if (!next) return std::nullopt;
  std::optional<Event> found;
  if (next->type == GDK_KEY_PRESS || next->type == GDK_KEY_RELEASE) {
    Event e = eventFromGdkKey(next->key, mBackend.loop.now());
    if (eventMask(e.type) & mask) found = e;
  }
  gdk_event_free(next);
  return found;
}

void DesktopApplication::mainMenuChanged() {
  mBackend.windows.mainMenuChanged();
}

void DesktopApplication::didTerminate() {
  if (mRunning && gtk_main_level() > 0) gtk_main_quit();
}

void DesktopApplication::modalPass(Window& w, double) {
  DesktopRunLoop::ModeScope scope(mBackend.loop, RunLoopMode::ModalPanel);
  GtkWidget* win = mBackend.windows.gtkWindowFor(w);
  // Other windows take no input while the run lasts (sync lifts it once the run ended).
  if (!gtk_window_get_modal(GTK_WINDOW(win))) gtk_window_set_modal(GTK_WINDOW(win), TRUE);
  // Every way a run ends (stop, abort, the window closing, termination) is an event, timer
  // or posted work, after which this returns.
  g_main_context_iteration(nullptr, TRUE);
}

// ---- Backend --------------------------------------------------------------------------

namespace {

GdkDevice* pointerDevice() {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
}

const char* cursorName(SystemCursor c) {
  // CSS cursor names, in the order of SystemCursor.
  constexpr const char* kNames[] = {"default",   "text",      "n-resize",
                                    "ew-resize", "ns-resize", "grab"};
  const auto i = static_cast<size_t>(c);
  return i < std::size(kNames) ? kNames[i] : "default";
}

GdkCursor* cursorFromImage(const Cursor& c) {
  const Image& img = c.image;
  int spp = img.samplesPerPixel;
  if (img.width <= 0 || img.height <= 0 || (spp != 2 && spp != 4) ||
      img.pixels.size() < static_cast<size_t>(img.width) * img.height * spp)
    return nullptr;
  GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, img.width, img.height);
  guchar* dst = gdk_pixbuf_get_pixels(pb);
  int stride = gdk_pixbuf_get_rowstride(pb);
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* s = &img.pixels[(static_cast<size_t>(y) * img.width + x) * spp];
      guchar* d = dst + y * stride + x * 4;
      d[0] = s[0];
      d[1] = spp == 4 ? s[1] : s[0];
      d[2] = spp == 4 ? s[2] : s[0];
      d[3] = spp == 4 ? s[3] : s[1];
    }
  }
  GdkCursor* cursor =
      gdk_cursor_new_from_pixbuf(gdk_display_get_default(), pb, static_cast<gint>(c.hotSpot.x),
                                 static_cast<gint>(c.hotSpot.y));
  g_object_unref(pb);
  return cursor;
}

}  // namespace

DesktopBackend::DesktopBackend() : app(*this), windows(*this) {
  mOwnerChange = g_signal_connect(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "owner-change",
                                  G_CALLBACK(&onOwnerChange), this);
  installDesktopControls(*this);
  installDesktopViewSurfaces(*this);
}

DesktopBackend::~DesktopBackend() {
  uninstallDesktopViewSurfaces();
  uninstallDesktopControls();
  g_signal_handler_disconnect(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), mOwnerChange);
  forgetClipboardOffer();
  // Views that outlive the backend must not reach it any more.
  while (!mViews.empty()) mViews.back()->close();
  windows.applyCursor(nullptr);
  for (auto& [key, entry] : mGdkCursors) {
    if (entry.second) g_object_unref(entry.second);
  }
}

std::unique_ptr<GraphicsView> DesktopBackend::createGraphicsView(View* parent, int width,
                                                                 int height,
                                                                 GraphicsViewClient& client) {
  auto v = std::make_unique<DesktopGraphicsView>(*this, parent, width, height, client);
  mViews.push_back(v.get());
  return v;
}

void DesktopBackend::clear() {
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "", 0);
  noteChange();
}

void DesktopBackend::setString(const std::string& utf8) {
  // Whatever the caller holds, the desktop gets valid UTF-8 (U+FFFD for the rest): text that is
  // not comes back from other programs as escapes.
  const std::string text = ValidUtf8(utf8);
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), text.c_str(),
                         static_cast<gint>(text.size()));
  noteChange();
}

std::optional<std::string> DesktopBackend::string() const {
  gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  if (!text) return std::nullopt;
  std::string s = text;
  g_free(text);
  if (s.empty()) return std::nullopt;
  return s;
}

void DesktopBackend::onOwnerChange(GtkClipboard*, GdkEvent*, gpointer p) {
  static_cast<DesktopBackend*>(p)->noteChange();
}

bool DesktopBackend::open(const std::string& urlOrPath) {
  if (urlOrPath.empty()) return false;
  std::string uri = urlOrPath;
  if (gchar* scheme = g_uri_parse_scheme(urlOrPath.c_str())) {
    g_free(scheme);
  } else {
    GFile* file = g_file_new_for_path(urlOrPath.c_str());
    gchar* u = g_file_get_uri(file);
    uri = u;
    g_free(u);
    g_object_unref(file);
  }
  GError* error = nullptr;
  gboolean ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
  if (!ok) {
    // The caller tells the user; the desktop's own reason goes to the debug log.
    debugLog("open " + uri + ": " + (error ? error->message : "failed"));
    if (error) g_error_free(error);
  }
  return ok;
}

GdkCursor* DesktopBackend::gdkCursorFor(const CursorRef& c) {
  if (!c) return nullptr;
  auto it = mGdkCursors.find(c.get());
  if (it != mGdkCursors.end()) return it->second.second;
  GdkCursor* made = c->isSystem
                        ? gdk_cursor_new_from_name(gdk_display_get_default(), cursorName(c->system))
                        : cursorFromImage(*c);
  mGdkCursors[c.get()] = {c, made};
  return made;
}

void DesktopBackend::refreshCursor() {
  if (mHidden) {
    GdkCursor* none = gdk_cursor_new_from_name(gdk_display_get_default(), "none");
    if (!none) none = gdk_cursor_new_for_display(gdk_display_get_default(), GDK_BLANK_CURSOR);
    windows.applyCursor(none);
    if (none) g_object_unref(none);
    return;
  }
  windows.applyCursor(gdkCursorFor(mCurrent));
}

void DesktopBackend::setCurrent(CursorRef c) {
  mCurrent = std::move(c);
  refreshCursor();
}

void DesktopBackend::setHidden(bool hidden) {
  mHidden = hidden;
  refreshCursor();
}

void DesktopBackend::setMouseCoupled(bool coupled) {
  SelfServingBackend::setMouseCoupled(coupled);
  gint x = 0, y = 0;
  if (GdkDevice* d = pointerDevice()) gdk_device_get_position(d, nullptr, &x, &y);
  mLastX = x;
  mLastY = y;
  mHaveLast = true;
  if (coupled) {
    mHolding = false;
  } else if (!mHolding) {
    mHolding = true;
    mHoldX = x;
    mHoldY = y;
    mVirtualX = x;
    mVirtualY = y;
  }
}

bool DesktopBackend::pointerMoved(double x, double y, double* dx, double* dy) {
  if (!mHolding) {
    *dx = mHaveLast ? x - mLastX : 0;
    *dy = mHaveLast ? y - mLastY : 0;
    mHaveLast = true;
    mLastX = x;
    mLastY = y;
    return true;
  }
  // Events may still report places from before the pointer went back, so the pointer itself is
  // asked; it goes back by what it moved, relatively, so that motion meanwhile is not lost.
  GdkDevice* d = pointerDevice();
  gint px = mHoldX, py = mHoldY;
  if (d) gdk_device_get_position(d, nullptr, &px, &py);
  *dx = px - mHoldX;
  *dy = py - mHoldY;
  if (*dx == 0 && *dy == 0) return false;
  mVirtualX += *dx;
  mVirtualY += *dy;
  // The display is always X's (openDesktopDisplay); no windows named: a relative move.
  GdkDisplay* display = gdk_display_get_default();
  XWarpPointer(gdk_x11_display_get_xdisplay(display), 0, 0, 0, 0, 0, 0, mHoldX - px, mHoldY - py);
  gdk_display_sync(display);  // back before the move is handled, for whoever asks
  return true;
}

void DesktopBackend::virtualPointer(double x, double y, double* vx, double* vy) const {
  *vx = mHolding ? mVirtualX : x;
  *vy = mHolding ? mVirtualY : y;
}

Point DesktopBackend::mouseLocation() const {
  gint x = 0, y = 0;
  if (GdkDevice* d = pointerDevice()) gdk_device_get_position(d, nullptr, &x, &y);
  return {static_cast<double>(x), mainDisplayHeight() - y};
}

bool DesktopBackend::warpMouse(Point p) {
  GdkDevice* d = pointerDevice();
  if (!d) return false;
  gdk_device_warp(d, gdk_display_get_default_screen(gdk_display_get_default()),
                  static_cast<gint>(p.x), static_cast<gint>(p.y));
  gdk_display_flush(gdk_display_get_default());
  return true;
}

std::vector<Screen> DesktopBackend::screens() const {
  GdkDisplay* display = gdk_display_get_default();
  int n = gdk_display_get_n_monitors(display);
  GdkMonitor* primary = gdk_display_get_primary_monitor(display);
  if (!primary && n > 0) primary = gdk_display_get_monitor(display, 0);
  std::vector<GdkMonitor*> order;
  if (primary) order.push_back(primary);
  for (int i = 0; i < n; ++i) {
    GdkMonitor* m = gdk_display_get_monitor(display, i);
    if (m != primary) order.push_back(m);
  }
  std::vector<Screen> out;
  GdkRectangle main{0, 0, 1, 1};
  if (primary) gdk_monitor_get_geometry(primary, &main);
  // Desktop rectangles count from the top; ours from the main screen's bottom, upwards.
  auto convert = [&](const GdkRectangle& r) {
    return Rect{static_cast<double>(r.x - main.x),
                static_cast<double>((main.y + main.height) - (r.y + r.height)),
                static_cast<double>(r.width), static_cast<double>(r.height)};
  };
  for (GdkMonitor* m : order) {
    GdkRectangle geometry, work;
    gdk_monitor_get_geometry(m, &geometry);
    gdk_monitor_get_workarea(m, &work);
    out.push_back(
        {convert(geometry), convert(work), static_cast<double>(gdk_monitor_get_scale_factor(m))});
  }
  if (out.empty()) out.push_back({{0, 0, 1, 1}, {0, 0, 1, 1}, 1});
  return out;
}

uint32_t DesktopBackend::modifierFlags() const {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  return keymap ? modifierFlagsFromGdk(gdk_keymap_get_modifier_state(keymap)) : 0;
}

uint32_t DesktopBackend::pressedMouseButtons() const {
  GdkDevice* d = pointerDevice();
  if (!d) return 0;
  GdkModifierType mask = static_cast<GdkModifierType>(0);
  gdk_device_get_state(d, gdk_get_default_root_window(), nullptr, &mask);
  uint32_t b = 0;
  if (mask & GDK_BUTTON1_MASK) b |= kLeftButton;
  if (mask & GDK_BUTTON3_MASK) b |= kRightButton;
  if (mask & GDK_BUTTON2_MASK) b |= kMiddleButton;
  return b;
}

char32_t DesktopBackend::layoutCharacter(uint16_t keyCode) const {
  return layoutCharacterFor(keyCode);
}

}  // namespace vq::platform
