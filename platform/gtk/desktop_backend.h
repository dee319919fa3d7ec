// The GTK 3 desktop backend: every platform service on a real X display. GTK is only ever
// called on the thread that installed the backend; other threads reach it by posting.
#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/application_base.h"
#include "platform/gtk/desktop_run_loop.h"
#include "platform/platform.h"
#include "platform/self_serving_backend.h"
#include "platform/view.h"

namespace vq::platform {

class DesktopBackend;
class DesktopGraphicsView;

// Opens GTK on the default display with numbers kept in the "C" form (settings and program
// files must not depend on the user's locale); false when no display can be opened.
bool openDesktopDisplay(int* argc = nullptr, char*** argv = nullptr);
// Installs the desktop backend when a display can be opened, else the headless one; answers
// whether the desktop one runs.
bool installDesktopBackend(int* argc = nullptr, char*** argv = nullptr);
// The installed backend when it is the desktop one, else none.
DesktopBackend* desktop();
// How the session may end without the user's quit. `end` runs on the main thread when the
// process is asked to end (SIGTERM, SIGHUP, SIGINT), once, after open menus closed; later
// signals are caught and change nothing, and the process ends (status 1) when it is still
// there 10 s after the first. `nested` tells that a loop inside an event's handling (a dialog,
// a wait) runs, whose callers still hold on to what they work on. `lost` runs when the connection
// to the display broke, inside the window system's call: it may touch no window; the process ends
// with status 1 when it returns. Call after the display was opened.
void onSessionEnd(std::function<void(bool nested)> end, std::function<void()> lost);
// Starts the same 10 s bound for a shut-down the user's quit began (none before onSessionEnd).
void boundShutDown();

class DesktopApplication final : public ApplicationBase {
 public:
  explicit DesktopApplication(DesktopBackend& backend) : mBackend(backend) {}
  RunLoop& runLoop() override;
  int run() override;
  void dispatchEvent(const Event& e) override;
  std::optional<Event> peekEvent(uint64_t mask, double seconds) override;
  const Event* currentEvent() const override {
    return mCurrent.empty() ? nullptr : &mCurrent.back();
  }

  // An event from the desktop: through the hook, or dispatched.
  void deliver(const Event& e);
  using ApplicationBase::setActive;

 protected:
  void mainMenuChanged() override;
  void didTerminate() override;
  // Waits for the next event or timer in the modal-panel mode; the run's window is modal.
  void modalPass(Window& w, double elapsed) override;

 private:
  bool performKeyEquivalent(const Event& e);
  DesktopBackend& mBackend;
  std::deque<Event> mCurrent;  // a stack: events may arrive inside nested loops
  bool mRunning = false;
};

// Presents platform windows as GTK windows: a menu bar of the main menu (or the window's own
// menu) on top of a content area where graphics views sit.
class DesktopWindows final : public WindowObserver {
 public:
  explicit DesktopWindows(DesktopBackend& backend);
  ~DesktopWindows() override;
  void windowOrdered(Window& w) override;
  void windowWillClose(Window& w) override;
  Size decorationSize(Window& w) override;

  // The GTK window of a platform window, made when first asked for.
  GtkWidget* gtkWindowFor(Window& w);
  // The GTK window to put dialogs over: the key window's, or any shown one, or none.
  GtkWindow* dialogParent();
  // Where a graphics view goes: the content area and the parent view's top-left in it.
  GtkWidget* contentFor(Window& w);
  // The content area of a window that has one already, else null (makes none).
  GtkWidget* existingContentFor(const Window& w) const;
  // Top-left of a view in its window's content area (GTK coordinates, y down).
  void viewOrigin(const View& v, int& x, int& y);
  int contentHeight(Window& w);
  Window* windowForGtk(GtkWidget* toplevel) const;
  void addView(Window& w, DesktopGraphicsView* v);
  void removeView(DesktopGraphicsView* v);
  DesktopGraphicsView* focusedView(Window& w) const;
  void mainMenuChanged();
  void applyCursor(GdkCursor* cursor);

 private:
  struct Entry {
    GtkWidget* window = nullptr;
    GtkWidget* box = nullptr;
    GtkWidget* menuBar = nullptr;
    GtkWidget* content = nullptr;
    Menu* shownMenu = nullptr;  // what the menu bar was built from (not retained)
    std::vector<std::string> menuTitles;
    std::vector<DesktopGraphicsView*> views;
    std::string title;
    Rect frame;
    bool applyingFrame = false;
    uint32_t style = ~0u;
    int level = 0;
    Window* transientFor = nullptr;
    Size minSize{-1, -1};
    Size maxSize{-1, -1};
    // The last place and size asked of GTK (top-left, whole window) and when: the window
    // manager's answers to it are not moves or resizes by the user.
    GdkRectangle requested{-1, -1, -1, -1};
    gint64 requestedAt = 0;
    bool iconified = false;  // minimised by us or by the user
  };
  Entry& entryFor(Window& w);
  // Tells the window's graphics views (a copy of the list: they may go meanwhile); then the
  // window's entry, or none when the window went too.
  Entry* tellViews(Window& w, void (DesktopGraphicsView::*tell)());
  void sync(Window& w, Entry& e);
  void rebuildMenuBar(Window& w, Entry& e);
  void applyFrame(Window& w, Entry& e);
  // The user moved or resized the window: the platform frame follows, child windows move along.
  void followDesktopFrame(Window& w, Entry& e, const GdkEventConfigure& c);
  // Key status follows the desktop's focus between our windows.
  void followActiveWindow();
  static gboolean onDelete(GtkWidget* widget, GdkEvent*, gpointer self);
  // The desktop destroyed the window (its X window went away): the entry goes, and the
  // platform window is closed as its close box would.
  static void onDestroyed(GtkWidget* widget, gpointer self);
  static gboolean onKey(GtkWidget* widget, GdkEventKey* key, gpointer self);
  static gboolean onConfigure(GtkWidget* widget, GdkEventConfigure* c, gpointer self);
  static void onActive(GObject* widget, GParamSpec*, gpointer self);
  static gboolean onWindowState(GtkWidget* widget, GdkEventWindowState* s, gpointer self);
  void onSyncTimer();

  DesktopBackend& mBackend;
  std::map<Window*, Entry> mEntries;
  std::vector<guint16> mHeldKeys;  // hardware codes pressed and not released: repeats
  TimerId mSyncTimer = 0;
  GdkCursor* mCursor = nullptr;
};

class DesktopBackend final : public SelfServingBackend {
 public:
  DesktopBackend();  // needs an open display (openDesktopDisplay)
  ~DesktopBackend() override;

  RunLoop& runLoop() override { return loop; }
  Application& application() override { return app; }
  using SelfServingBackend::screens;  // the service, beside the screen list below

  DesktopRunLoop loop;
  DesktopApplication app;
  DesktopWindows windows;

  // DialogService
  int runAlert(const AlertRequest& request) override;
  std::optional<std::vector<std::string>> runPanel(const PanelRequest& request) override;
  // MenuTracking
  MenuItem* popUpContextMenu(Menu& menu, Point location, View* view) override;
  // Pasteboard
  void clear() override;
  // The desktop takes UTF-8 only: bytes of `utf8` that are not well-formed UTF-8 are handed over
  // as U+FFFD replacement characters, so other programs (and string()) see valid text.
  void setString(const std::string& utf8) override;
  std::optional<std::string> string() const override;
  // Own types go to the system clipboard as targets of their own (desktop_clipboard.cpp).
  std::optional<std::string> data(const std::string& type) const override;
  std::vector<std::string> types() const override;
  void writeContents(const std::optional<std::string>& text,
                     const std::vector<std::pair<std::string, std::string>>& data) override;
  // Workspace: false when no program could be started for the target.
  bool open(const std::string& urlOrPath) override;
  // Programs start detached from an argument vector; reveals go to the file manager's
  // interface on the session bus (desktop_workspace.cpp).
  bool openWith(const std::string& program, const std::string& document) override;
  bool launchApplication(const std::string& app, const std::string& document) override;
  bool openAsText(const std::string& document) override;
  bool revealSelected(const std::string& path) override;
  // CursorService
  void setCurrent(CursorRef c) override;
  void setHidden(bool hidden) override;
  // Decoupled, the pointer is held where it was: every motion is taken as a delta and the
  // pointer moved back, so a long drag never ends at a screen edge.
  void setMouseCoupled(bool coupled) override;
  Point mouseLocation() const override;
  bool warpMouse(Point p) override;
  // A pointer motion reported at root position (x, y), desktop coordinates: its delta since the
  // last one. False for a motion that moved nothing (the held pointer's way back).
  bool pointerMoved(double x, double y, double* dx, double* dy);
  // Where a pointer event at root (x, y) happened: while the pointer is held, the place it would
  // have reached, else (x, y).
  void virtualPointer(double x, double y, double* vx, double* vy) const;
  // ScreenService
  std::vector<Screen> screens() const override;
  // InputState
  uint32_t modifierFlags() const override;
  uint32_t pressedMouseButtons() const override;
  char32_t layoutCharacter(uint16_t keyCode) const override;
  // GraphicsViewService
  std::unique_ptr<GraphicsView> createGraphicsView(View* parent, int width, int height,
                                                   GraphicsViewClient& client) override;

 private:
  GdkCursor* gdkCursorFor(const CursorRef& c);
  void refreshCursor();
  static void onOwnerChange(GtkClipboard*, GdkEvent*, gpointer self);
  struct ClipboardOffer;
  ClipboardOffer* mOffer = nullptr;  // what we offer while we own the system clipboard
  void forgetClipboardOffer();
  friend class DesktopGraphicsView;
  std::vector<DesktopGraphicsView*> mViews;  // open ones; closed when the backend goes

  std::map<const Cursor*, std::pair<CursorRef, GdkCursor*>> mGdkCursors;  // keeps the cursor alive
  // Pointer motion: the last position seen; while held, where the pointer is held and where it
  // would be by now (desktop coordinates).
  double mLastX = 0, mLastY = 0;
  bool mHaveLast = false;
  bool mHolding = false;
  int mHoldX = 0, mHoldY = 0;
  double mVirtualX = 0, mVirtualY = 0;
  gulong mOwnerChange = 0;
};

}  // namespace vq::platform
