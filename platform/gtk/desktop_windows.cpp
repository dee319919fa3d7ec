#include <algorithm>

#include "platform/gtk/desktop_accessibility.h"
#include "platform/gtk/desktop_backend.h"
#include "platform/gtk/desktop_graphics_view.h"
#include "platform/gtk/desktop_keys.h"
#include "platform/gtk/desktop_menus.h"
#include "platform/gtk/desktop_window_input.h"
#include "platform/modal_run.h"

namespace vq::platform {

namespace {

// Menu bar items perform after the menu has closed, from the run loop, and not while a box
// that came up meanwhile waits for the user.
class BarSink final : public MenuSink {
 public:
  void choose(MenuItem& item) override {
    item.retain();
    openWhenNoneUp([&item] {
      item.perform();
      item.release();
    });
  }
};
BarSink gBarSink;

// A menu of the bar counts as up while it is open: GTK tracks it in the main loop, where the
// timers could otherwise open a box under the pointer's grab.
void onBarMenuShown(GtkWidget* menu, gpointer) {
  g_object_set_data_full(G_OBJECT(menu), "vq-up", new BoxOrPanelShown,
                         [](gpointer up) { delete static_cast<BoxOrPanelShown*>(up); });
}

void onBarMenuHidden(GtkWidget* menu, gpointer) {
  g_object_set_data(G_OBJECT(menu), "vq-up", nullptr);
}

// The menu bar's height (0 when hidden); its natural one, known before the first allocation.
int barHeightOf(GtkWidget* menuBar) {
  if (!gtk_widget_get_visible(menuBar)) return 0;
  int natural = 0;
  gtk_widget_get_preferred_height(menuBar, nullptr, &natural);
  return natural;
}

void releaseMenu(gpointer m) {
  static_cast<Menu*>(m)->release();
}

void onBarItemSelect(GtkMenuItem* widget, gpointer) {
  // Delegates update the menu just before it opens.
  auto* menu = static_cast<Menu*>(g_object_get_data(G_OBJECT(widget), "vq-menu"));
  GtkWidget* sub = gtk_menu_item_get_submenu(widget);
  if (!menu || !sub) return;
  updateMenuTree(*menu);
  fillGtkMenu(sub, *menu, gBarSink);
}

}  // namespace

DesktopWindows::DesktopWindows(DesktopBackend& backend) : mBackend(backend) {
  Window::setObserver(this);
  // Titles, frames and menus set after a window was shown are picked up here.
  mSyncTimer = backend.loop.addTimer(
      0.1, true, [this] { onSyncTimer(); }, true);
  // Never quiet: the check only lets the look share the wake-ups of the GUI's frequent timer.
  backend.loop.setQuietCheck(mSyncTimer, [] { return false; });
}

DesktopWindows::~DesktopWindows() {
  Window::setObserver(nullptr);
  if (mSyncTimer) mBackend.loop.invalidateTimer(mSyncTimer);
  while (!mEntries.empty()) windowWillClose(*mEntries.begin()->first);
  if (mCursor) g_object_unref(mCursor);
}

DesktopWindows::Entry& DesktopWindows::entryFor(Window& w) {
  auto it = mEntries.find(&w);
  if (it != mEntries.end()) return it->second;
  Entry& e = mEntries[&w];
  e.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  e.box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  e.menuBar = gtk_menu_bar_new();
  gtk_widget_set_no_show_all(e.menuBar, TRUE);
  e.content = newDesktopContentArea();
  gtk_box_pack_start(GTK_BOX(e.box), e.menuBar, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(e.box), e.content, TRUE, TRUE, 0);
  gtk_container_add(GTK_CONTAINER(e.window), e.box);
  g_signal_connect(e.window, "delete-event", G_CALLBACK(&onDelete), this);
  g_signal_connect(e.window, "destroy", G_CALLBACK(&onDestroyed), this);
  g_signal_connect(e.window, "key-press-event", G_CALLBACK(&onKey), this);
  g_signal_connect(e.window, "key-release-event", G_CALLBACK(&onKey), this);
  g_signal_connect(e.window, "configure-event", G_CALLBACK(&onConfigure), this);
  g_signal_connect(e.window, "notify::is-active", G_CALLBACK(&onActive), this);
  g_signal_connect(e.window, "window-state-event", G_CALLBACK(&onWindowState), this);
  attachDesktopWindowInput(mBackend, e.window, e.content);
  e.frame = {-1, -1, -1, -1};
  sync(w, e);
  gtk_widget_show(e.box);
  gtk_widget_show(e.content);
  return e;
}

void DesktopWindows::sync(Window& w, Entry& e) {
  updateWindowAccessibility(w, e.window);
  if (e.title != w.title()) {
    e.title = w.title();
    gtk_window_set_title(GTK_WINDOW(e.window), e.title.c_str());
  }
  GtkWindow* win = GTK_WINDOW(e.window);
  if (e.style != w.styleMask()) {
    e.style = w.styleMask();
    gtk_window_set_decorated(win, (e.style & kWindowTitled) ? TRUE : FALSE);
    gtk_window_set_deletable(win, (e.style & kWindowClosable) ? TRUE : FALSE);
    gtk_window_set_resizable(win, (e.style & kWindowResizable) ? TRUE : FALSE);
    // Window managers give a dialog no minimise button (it can be told only before mapping).
    if (!gtk_widget_get_realized(e.window))
      gtk_window_set_type_hint(win, (e.style & kWindowMiniaturizable)
                                        ? GDK_WINDOW_TYPE_HINT_NORMAL
                                        : GDK_WINDOW_TYPE_HINT_DIALOG);
    e.frame = {-1, -1, -1, -1};  // a resizable window is sized another way
  }
  applyFrame(w, e);
  if (e.level != w.level()) {
    e.level = w.level();
    gtk_window_set_keep_above(win, e.level > 0 ? TRUE : FALSE);
  }
  Window* above = w.owner() ? w.owner() : w.parentWindow();
  if (above != e.transientFor) {
    e.transientFor = above;
    gtk_window_set_transient_for(win, above ? GTK_WINDOW(entryFor(*above).window) : nullptr);
  }
  Size minSize = w.minSize(), maxSize = w.maxSize();
  if (minSize.width != e.minSize.width || minSize.height != e.minSize.height ||
      maxSize.width != e.maxSize.width || maxSize.height != e.maxSize.height) {
    e.minSize = minSize;
    e.maxSize = maxSize;
    // The limits are the content's; the window holds the menu bar above it too.
    int bar = barHeightOf(e.menuBar);
    GdkGeometry g{};
    g.min_width = static_cast<gint>(std::max(1.0, minSize.width));
    g.min_height = static_cast<gint>(std::max(1.0, minSize.height)) + bar;
    g.max_width = static_cast<gint>(std::min(32767.0, std::max(maxSize.width, minSize.width)));
    g.max_height =
        static_cast<gint>(std::min(32767.0, std::max(maxSize.height, minSize.height))) + bar;
    gtk_window_set_geometry_hints(win, nullptr, &g,
                                  GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  }
  if (gtk_window_get_modal(win) && !isInModalRun(&w)) gtk_window_set_modal(win, FALSE);
  // Dialogs, sheets and windows in a modal run show no menu bar: only a main window does.
  const bool dialog = w.parentWindow() || w.owner() || isInModalRun(&w);
  Menu* menu = dialog ? nullptr : (w.windowMenu() ? w.windowMenu() : mBackend.app.mainMenu());
  std::vector<std::string> titles;
  if (menu) {
    for (int i = 0; i < menu->itemCount(); ++i) titles.push_back(menu->itemAt(i)->title());
  }
  if (menu != e.shownMenu || titles != e.menuTitles) {
    e.shownMenu = menu;
    e.menuTitles = titles;
    int bar = barHeightOf(e.menuBar);
    rebuildMenuBar(w, e);
    if (barHeightOf(e.menuBar) != bar) {
      // The content keeps its place on the screen and its size limits.
      e.frame = {-1, -1, -1, -1};
      e.minSize = {-1, -1};
      applyFrame(w, e);
    }
  }
}

void DesktopWindows::applyFrame(Window& w, Entry& e) {
  Rect f = w.frame();
  if (f.x == e.frame.x && f.y == e.frame.y && f.width == e.frame.width &&
      f.height == e.frame.height)
    return;
  e.frame = f;
  int width = std::max(1, static_cast<int>(f.width));
  int height = std::max(1, static_cast<int>(f.height));
  int bar = barHeightOf(e.menuBar);
  GtkWindow* win = GTK_WINDOW(e.window);
  if (w.styleMask() & kWindowResizable) {
    // The user may drag it down to the minimum size; the window keeps the frame's size.
    Size minSize = w.minSize();
    gtk_widget_set_size_request(e.content, std::clamp(static_cast<int>(minSize.width), 1, width),
                                std::clamp(static_cast<int>(minSize.height), 1, height));
    gtk_window_resize(win, width, height + bar);
  } else {
    // A fixed-size window keeps a larger size it once had unless told: it shrinks too.
    gtk_widget_set_size_request(e.content, width, height);
    gtk_window_resize(win, width, height + bar);
  }
  int x = static_cast<int>(f.x);
  int y = static_cast<int>(mBackend.mainDisplayHeight() - f.y - f.height) - bar;
  if (y < 0 && y + bar >= 0) {
    // Content at the top of the screen would push the menu bar off it: the window comes down
    // as far, as a window manager keeps a title bar on the screen.
    y = 0;
    f.y = mBackend.mainDisplayHeight() - bar - f.height;
    e.frame = f;
    w.setFrame(f);
  }
  e.requested = {x, y, width, height + bar};
  e.requestedAt = g_get_monotonic_time();
  e.applyingFrame = true;
  gtk_window_move(win, x, y);
  e.applyingFrame = false;
}

void DesktopWindows::rebuildMenuBar(Window& w, Entry& e) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(e.menuBar));
  for (GList* c = children; c; c = c->next) gtk_widget_destroy(GTK_WIDGET(c->data));
  g_list_free(children);
  Menu* menu = e.shownMenu;
  if (!menu || menu->itemCount() == 0) {
    gtk_widget_hide(e.menuBar);
    return;
  }
  for (int i = 0; i < menu->itemCount(); ++i) {
    MenuItem* item = menu->itemAt(i);
    if (item->isSeparator() || !item->submenu()) continue;
    GtkWidget* top = gtk_menu_item_new_with_label(item->title().c_str());
    Menu* sub = item->submenu();
    sub->retain();
    g_object_set_data_full(G_OBJECT(top), "vq-menu", sub, &releaseMenu);
    GtkWidget* gtkSub = gtk_menu_new();
    fillGtkMenu(gtkSub, *sub, gBarSink);
    g_signal_connect(gtkSub, "show", G_CALLBACK(&onBarMenuShown), nullptr);
    g_signal_connect(gtkSub, "hide", G_CALLBACK(&onBarMenuHidden), nullptr);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), gtkSub);
    g_signal_connect(top, "select", G_CALLBACK(&onBarItemSelect), nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(e.menuBar), top);
    gtk_widget_show(top);
  }
  gtk_widget_show(e.menuBar);
}

void DesktopWindows::windowOrdered(Window& w) {
  if (w.isVisible()) {
    Entry& e = entryFor(w);
    sync(w, e);
    e.iconified = false;
    gtk_widget_show(e.window);
    gtk_window_present(GTK_WINDOW(e.window));  // ordered front: raised, focused, restored
    return;
  }
  Entry* hidden = tellViews(w, &DesktopGraphicsView::windowHidden);
  if (!hidden) return;
  Entry& e = *hidden;
  if (w.isMiniaturized() && !w.isClosed() && !e.iconified && gtk_widget_get_visible(e.window)) {
    // Minimised: it stays on the desktop's task list, where the user can bring it back.
    e.iconified = true;
    gtk_window_iconify(GTK_WINDOW(e.window));
    return;
  }
  e.iconified = false;
  gtk_widget_hide(e.window);
}

DesktopWindows::Entry* DesktopWindows::tellViews(Window& w, void (DesktopGraphicsView::*tell)()) {
  auto it = mEntries.find(&w);
  if (it == mEntries.end()) return nullptr;
  std::vector<DesktopGraphicsView*> views = it->second.views;
  for (DesktopGraphicsView* v : views) (v->*tell)();
  it = mEntries.find(&w);
  return it == mEntries.end() ? nullptr : &it->second;
}

void DesktopWindows::windowWillClose(Window& w) {
  Entry* e = tellViews(w, &DesktopGraphicsView::windowClosed);
  if (!e) return;
  GtkWidget* window = e->window;
  mEntries.erase(&w);
  g_signal_handlers_disconnect_by_data(window, this);
  gtk_widget_destroy(window);
}

Size DesktopWindows::decorationSize(Window& w) {
  Entry& e = entryFor(w);
  sync(w, e);
  double width = 0, height = barHeightOf(e.menuBar);
  GdkWindow* gw = gtk_widget_get_window(e.window);
  if (gw && gtk_widget_get_mapped(e.window) && gtk_window_get_decorated(GTK_WINDOW(e.window))) {
    GdkRectangle outer;
    gdk_window_get_frame_extents(gw, &outer);
    width += std::max(0, outer.width - gdk_window_get_width(gw));
    height += std::max(0, outer.height - gdk_window_get_height(gw));
  }
  return {width, height};
}

void DesktopWindows::onDestroyed(GtkWidget* widget, gpointer p) {
  auto* self = static_cast<DesktopWindows*>(p);
  Window* w = self->windowForGtk(widget);
  if (!w) return;
  self->tellViews(*w, &DesktopGraphicsView::windowClosed);
  auto it = self->mEntries.find(w);
  if (it == self->mEntries.end()) return;
  g_signal_handlers_disconnect_by_data(widget, self);
  self->mEntries.erase(it);
  w->performClose();
}

GtkWidget* DesktopWindows::gtkWindowFor(Window& w) {
  return entryFor(w).window;
}

GtkWidget* DesktopWindows::contentFor(Window& w) {
  return entryFor(w).content;
}

GtkWidget* DesktopWindows::existingContentFor(const Window& w) const {
  auto it = mEntries.find(const_cast<Window*>(&w));
  return it == mEntries.end() ? nullptr : it->second.content;
}

GtkWindow* DesktopWindows::dialogParent() {
  if (Window* key = Window::keyWindow()) {
    auto it = mEntries.find(key);
    if (it != mEntries.end() && gtk_widget_get_visible(it->second.window))
      return GTK_WINDOW(it->second.window);
  }
  for (Window* w : Window::orderedWindows()) {
    auto it = mEntries.find(w);
    if (it != mEntries.end() && gtk_widget_get_visible(it->second.window))
      return GTK_WINDOW(it->second.window);
  }
  return nullptr;
}

void DesktopWindows::viewOrigin(const View& v, int& x, int& y) {
  // Window coordinates count bottom-up; the content area counts top-down.
  Point top = v.convertToWindow({0, v.isFlipped() ? 0.0 : v.frame().height});
  x = static_cast<int>(top.x);
  y = std::max(0, contentHeight(*v.window()) - static_cast<int>(top.y));
}

int DesktopWindows::contentHeight(Window& w) {
  return static_cast<int>(w.frame().height);
}

Window* DesktopWindows::windowForGtk(GtkWidget* toplevel) const {
  for (const auto& [w, e] : mEntries) {
    if (e.window == toplevel) return w;
  }
  return nullptr;
}

void DesktopWindows::addView(Window& w, DesktopGraphicsView* v) {
  entryFor(w).views.push_back(v);
}

void DesktopWindows::removeView(DesktopGraphicsView* v) {
  for (auto& [w, e] : mEntries)
    e.views.erase(std::remove(e.views.begin(), e.views.end(), v), e.views.end());
}

DesktopGraphicsView* DesktopWindows::focusedView(Window& w) const {
  auto it = mEntries.find(&w);
  if (it == mEntries.end()) return nullptr;
  for (DesktopGraphicsView* v : it->second.views) {
    if (v->hasKeyboardFocus()) return v;
  }
  return nullptr;
}

void DesktopWindows::mainMenuChanged() {
  for (auto& [w, e] : mEntries) sync(*w, e);
}

void DesktopWindows::applyCursor(GdkCursor* cursor) {
  if (cursor) g_object_ref(cursor);
  if (mCursor) g_object_unref(mCursor);
  mCursor = cursor;
  for (auto& [w, e] : mEntries) {
    if (GdkWindow* gw = gtk_widget_get_window(e.window)) gdk_window_set_cursor(gw, cursor);
    for (DesktopGraphicsView* v : e.views) {
      if (v->drawingArea()) {
        if (GdkWindow* aw = gtk_widget_get_window(v->drawingArea()))
          gdk_window_set_cursor(aw, cursor);
      }
    }
  }
}

gboolean DesktopWindows::onDelete(GtkWidget* widget, GdkEvent*, gpointer p) {
  auto* self = static_cast<DesktopWindows*>(p);
  // The close box asks the window's delegate; GTK never destroys the window itself.
  if (Window* w = self->windowForGtk(widget)) w->performClose();
  return TRUE;
}

gboolean DesktopWindows::onKey(GtkWidget* widget, GdkEventKey* key, gpointer p) {
  auto* self = static_cast<DesktopWindows*>(p);
  // With detectable auto-repeat a held key sends presses without releases.
  auto& held = self->mHeldKeys;
  auto it = std::find(held.begin(), held.end(), key->hardware_keycode);
  bool repeat = key->type == GDK_KEY_PRESS && it != held.end();
  if (key->type == GDK_KEY_PRESS && it == held.end()) held.push_back(key->hardware_keycode);
  if (key->type == GDK_KEY_RELEASE && it != held.end()) held.erase(it);
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget));
  if (focus && GTK_IS_EDITABLE(focus)) return FALSE;  // a text field types for itself
  if (focus && GTK_IS_TREE_VIEW(focus)) {
    // A list moves its own selection; other keys (Return, Escape) still reach the dialog.
    switch (key->keyval) {
      case GDK_KEY_Up:
      case GDK_KEY_Down:
      case GDK_KEY_Home:
      case GDK_KEY_End:
      case GDK_KEY_Page_Up:
      case GDK_KEY_Page_Down:
      case GDK_KEY_space:
        return FALSE;
      default:
        break;
    }
  }
  Window* w = self->windowForGtk(widget);
  if (!w) return FALSE;
  Event e = eventFromGdkKey(*key, self->mBackend.loop.now());
  e.isRepeat = repeat;
  e.window = w;
  e.windowNumber = w->windowNumber();
  self->mBackend.app.deliver(e);
  return TRUE;
}

gboolean DesktopWindows::onConfigure(GtkWidget* widget, GdkEventConfigure* c, gpointer p) {
  auto* self = static_cast<DesktopWindows*>(p);
  Window* w = self->windowForGtk(widget);
  if (!w) return FALSE;
  Entry& e = self->mEntries[w];
  if (!e.applyingFrame) self->followDesktopFrame(*w, e, *c);
  return FALSE;
}

void DesktopWindows::followDesktopFrame(Window& w, Entry& e, const GdkEventConfigure& c) {
  // Our own request landing, or the window manager still placing it: the frame stays what
  // the program set (it may have changed again meanwhile).
  bool asRequested = c.x == e.requested.x && c.y == e.requested.y;
  bool settling = g_get_monotonic_time() - e.requestedAt < 500000;
  if (settling) return;
  int bar = barHeightOf(e.menuBar);
  double mainHeight = mBackend.mainDisplayHeight();
  Rect f = w.frame();
  double left = f.x, top = mainHeight - f.y - f.height;
  if (!asRequested) {
    left = c.x;
    top = c.y + bar;
  }
  Rect n = f;
  bool held = false;
  if (w.styleMask() & kWindowResizable) {
    // Held to the limits, also where no window manager enforces them.
    Size minSize = w.minSize(), maxSize = w.maxSize();
    double minW = std::max(1.0, minSize.width), minH = std::max(1.0, minSize.height);
    n.width = std::clamp<double>(c.width, minW, std::max(minW, maxSize.width));
    n.height = std::clamp<double>(c.height - bar, minH, std::max(minH, maxSize.height));
    held = n.width != c.width || n.height != c.height - bar;
  }
  n.x = left;
  n.y = mainHeight - top - n.height;
  bool same = n.x == f.x && n.y == f.y && n.width == f.width && n.height == f.height;
  if (!same) {
    e.requested = {c.x, c.y, c.width, c.height};
    e.frame = n;
    w.setFrame(n);
  }
  if (held) {
    e.frame = {-1, -1, -1, -1};  // the desktop gets the held size back
    applyFrame(w, e);
  }
  if (same) return;
  // Child windows keep their place next to the parent.
  double dx = n.x - f.x, dy = (n.y + n.height) - (f.y + f.height);
  if (dx == 0 && dy == 0) return;
  std::vector<Window*> children = w.childWindows();
  for (Window* child : children) {
    Rect cf = child->frame();
    child->setFrame({cf.x + dx, cf.y + dy, cf.width, cf.height});
    auto it = mEntries.find(child);
    if (it != mEntries.end()) sync(*child, it->second);
  }
}

gboolean DesktopWindows::onWindowState(GtkWidget* widget, GdkEventWindowState* s, gpointer p) {
  auto* self = static_cast<DesktopWindows*>(p);
  Window* w = self->windowForGtk(widget);
  if (!w || !(s->changed_mask & GDK_WINDOW_STATE_ICONIFIED)) return FALSE;
  Entry& e = self->mEntries[w];
  if (s->new_window_state & GDK_WINDOW_STATE_ICONIFIED) {
    // Minimised by the user: the platform window is minimised and ordered out too.
    if (!w->isMiniaturized() && w->isVisible()) w->miniaturize();
  } else if (e.iconified && w->isMiniaturized() && !w->isClosed()) {
    w->makeKeyAndOrderFront();  // brought back from the task list
  }
  return FALSE;
}

void DesktopWindows::onActive(GObject*, GParamSpec*, gpointer p) {
  // Focus passing between two of our windows deactivates one before it activates the
  // other: look once things have settled.
  g_idle_add(
      [](gpointer d) -> gboolean {
        auto* self = static_cast<DesktopWindows*>(d);
        if (desktop() && &desktop()->windows == self) {
          bool any = false;
          for (auto& [w, e] : self->mEntries)
            any = any || gtk_window_is_active(GTK_WINDOW(e.window));
          self->mBackend.app.setActive(any);
          self->followActiveWindow();
        }
        return G_SOURCE_REMOVE;
      },
      p);
}

void DesktopWindows::followActiveWindow() {
  Window* active = nullptr;
  for (auto& [w, e] : mEntries)
    if (gtk_window_is_active(GTK_WINDOW(e.window))) active = w;
  if (!active || active->isKeyWindow() || !active->isVisible() || active->isClosed() ||
      !active->canBecomeKeyWindow())
    return;
  // While a modal run lasts, only its window is key.
  if (Window::modalWindow() && Window::modalWindow() != active) return;
  active->makeKeyAndOrderFront();
}

void DesktopWindows::onSyncTimer() {
  for (auto& [w, e] : mEntries) {
    if (w->isVisible()) sync(*w, e);
  }
}

}  // namespace vq::platform
