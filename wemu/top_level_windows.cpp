#include "wemu/top_level_windows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "wemu/app_controller.h"
#include "wemu/window_functions.h"
#include "wemu/window_geometry.h"
#include "wemu/window_lifetime.h"
#include "wemu/window_paint.h"

using vq::platform::Rect;
using vq::platform::Size;
using vq::platform::View;
using vq::platform::Window;

namespace {

// The window that last lost key status (it may be gone since).
WEMU_WindowRef gLastResigned;
HMENU gDefaultMenu = nullptr;

// Dialog boxes running, by template.
std::vector<const WEMU_DialogResourceIndex*> gRunning;

bool isNoResource(int id) {
  return (id & ~0xF) == WEMU_NORESOURCE_ID;
}

const WEMU_DialogResourceIndex* findTemplate(const WEMU_DialogResourceIndex* list, int id) {
  for (const WEMU_DialogResourceIndex* r = list; r; r = r->next)
    if (r->resid == id) return r;
  return nullptr;
}

vq::platform::Application& app() {
  return vq::platform::services().application();
}

// The layer's top-level window a handle is, or the one whose view it is.
WEMU_TopLevelWindow* ownerCandidate(HWND__* parent) {
  if (!parent) return nullptr;
  if (auto* w = dynamic_cast<WEMU_TopLevelWindow*>(parent)) return w;
  return WEMU_TopLevelOf(parent->window());
}

void linkOwner(WEMU_TopLevelWindow* w, HWND__* parent) {
  if (WEMU_TopLevelWindow* owner = ownerCandidate(parent)) owner->addOwnedWindow(w);
}

WEMU_TopLevelWindow* newWindow(WEMU_TopLevelWindow::Kind kind, uint32_t style, Rect frame) {
  auto* w = new WEMU_TopLevelWindow(kind, style, frame);
  w->publish();
  WEMU_Internal_Adopt(w);
  return w;
}

}  // namespace

WEMU_TopLevelWindow::WEMU_TopLevelWindow(Kind kind, uint32_t style, Rect frame) : mKind(kind) {
  setStyleMask(style);
  Window::setFrame(frame);
  mLastFrameSize = {std::trunc(frame.width), std::trunc(frame.height)};
  setDelegate(this);
}

WEMU_TopLevelWindow::~WEMU_TopLevelWindow() {
  // No messages from here: only the links go.
  setDelegate(nullptr);
  retire();
  if (gLastResigned.refersTo(this)) gLastResigned = WEMU_WindowRef();
  if (mOwner) mOwner->removeOwnedWindow(this);
  for (WEMU_TopLevelWindow* w : mOwned) w->mOwner = nullptr;
  mOwned.clear();
}

Window* WEMU_TopLevelWindow::windowObject() const {
  return const_cast<Window*>(static_cast<const Window*>(this));
}

WEMU_WindowView* WEMU_TopLevelWindow::contentWindowView() const {
  return dynamic_cast<WEMU_WindowView*>(contentView());
}

WEMU_TopLevelWindow* WEMU_TopLevelOf(Window* w) {
  return dynamic_cast<WEMU_TopLevelWindow*>(w);
}

void WEMU_TopLevelWindow::destroy() {
  DestroyWindow(this);
}

Size WEMU_TopLevelWindow::minSize() const {
  Size inherited = Window::minSize();
  MINMAXINFO info{};
  info.ptMinTrackSize = {static_cast<int>(inherited.width), static_cast<int>(inherited.height)};
  SendMessage(contentWindowView(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return {double(info.ptMinTrackSize.x), double(info.ptMinTrackSize.y)};
}

Size WEMU_TopLevelWindow::maxSize() const {
  Size inherited = Window::maxSize();
  MINMAXINFO info{};
  info.ptMaxTrackSize = {static_cast<int>(std::clamp(inherited.width, 1.0, 1000000.0)),
                         static_cast<int>(std::clamp(inherited.height, 1.0, 1000000.0))};
  SendMessage(contentWindowView(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return {info.ptMaxTrackSize.x < 1000000 ? double(info.ptMaxTrackSize.x) : inherited.width,
          info.ptMaxTrackSize.y < 1000000 ? double(info.ptMaxTrackSize.y) : inherited.height};
}

bool WEMU_TopLevelWindow::canBecomeKeyWindow() const {
  return enabled && !WEMU_IsQuitting();
}

void WEMU_TopLevelWindow::close() {
  bool wasKey = isKeyWindow();
  Window::close();
  if (wasKey && mOwner && mOwner->isVisible() && !mOwner->isClosed())
    mOwner->makeKeyAndOrderFront();
}

bool WEMU_TopLevelWindow::windowShouldClose(Window&) {
  Hold hold(this);
  HWND__* content = contentWindowView();
  if (SendMessage(content, WM_CLOSE, 0, 0) == 0 && WEMU_IsLiveWindow(content))
    SendMessage(content, WM_COMMAND, IDCANCEL, 0);
  return false;
}

void WEMU_TopLevelWindow::windowDidResignKey(Window&) {
  if (WEMU_IsQuitting()) return;
  SendMessage(contentWindowView(), WM_ACTIVATE, 0, 0);
  gLastResigned = WEMU_WindowRef(this);
}

void WEMU_TopLevelWindow::windowDidBecomeKey(Window&) {
  if (WEMU_IsQuitting()) return;
  Hold hold(this);
  HWND__* previous = nullptr;
  if (HWND__* last = gLastResigned.get()) {
    HWND__* content = WEMU_ViewOfHandle(last);
    if (content && content->destroyState() == 0) previous = content;
  }
  WEMU_WindowView* content = contentWindowView();
  if (!content || content->destroyState() != 0) return;
  HMENU menu = content->wemuGetMenu();
  if (!menu && mKind == Kind::DialogBox) menu = WEMU_GetDefaultModalWindowMenu();
  if (!menu) menu = gDefaultMenu;
  if (menu && app().mainMenu() != menu) app().setMainMenu(menu);
  SendMessage(content, WM_ACTIVATE, 1, reinterpret_cast<LPARAM>(previous));
  SendMessage(content, WM_MOUSEACTIVATE, 0, 0);
}

void WEMU_TopLevelWindow::windowDidMove(Window&) {
  Rect f = Window::frame();
  LPARAM pos =
      static_cast<LPARAM>((static_cast<int>(f.y) << 16) | (static_cast<int>(f.x) & 0xFFFF));
  SendMessage(contentWindowView(), WM_MOVE, 0, pos);
}

void WEMU_TopLevelWindow::windowDidResize(Window&) {
  Rect f = Window::frame();
  Size now{std::trunc(f.width), std::trunc(f.height)};
  if (now.width == mLastFrameSize.width && now.height == mLastFrameSize.height) return;
  mLastFrameSize = now;
  WEMU_WindowView* content = contentWindowView();
  SendMessage(content, WM_SIZE, 0, 0);
  if (content && content->isOpaque) InvalidateRect(content, nullptr, FALSE);
}

void WEMU_TopLevelWindow::addOwnedWindow(WEMU_TopLevelWindow* w) {
  if (!w || w == this || std::find(mOwned.begin(), mOwned.end(), w) != mOwned.end()) return;
  mOwned.insert(mOwned.begin(), w);
  if (w->mOwner && w->mOwner != this) w->mOwner->removeOwnedWindow(w);
  w->mOwner = this;
  w->setOwner(this);
}

void WEMU_TopLevelWindow::removeOwnedWindow(WEMU_TopLevelWindow* w) {
  auto it = std::find(mOwned.begin(), mOwned.end(), w);
  if (it == mOwned.end()) return;
  mOwned.erase(it);
  if (w->mOwner == this) {
    w->mOwner = nullptr;
    w->setOwner(nullptr);
  }
}

void WEMU_TopLevelWindow::destroyAllOwnedWindows() {
  std::vector<WEMU_TopLevelWindow*> list;
  list.swap(mOwned);
  for (WEMU_TopLevelWindow* w : list) {
    w->mOwner = nullptr;
    w->setOwner(nullptr);
  }
  for (WEMU_TopLevelWindow* w : list)
    if (WEMU_IsLiveWindow(w)) DestroyWindow(w);
}

void WEMU_TopLevelWindow::doDestroyStuff() {
  Hold hold(this);
  if (gLastResigned.refersTo(this)) gLastResigned = WEMU_WindowRef();
  destroyAllOwnedWindows();
  if (WEMU_TopLevelWindow* owner = mOwner) {
    owner->removeOwnedWindow(this);
    if (isKeyWindow() && owner->isVisible()) owner->makeKeyAndOrderFront();
  }
  mOwner = nullptr;
}

void WEMU_Internal_DestroyOwnedWindows(Window* w) {
  if (WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w)) t->destroyAllOwnedWindows();
}

void WEMU_Internal_WantInitialKeyOnShow(Window* w) {
  WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w);
  if (t && t->kind() == WEMU_TopLevelWindow::Kind::Modeless) t->wantInitialKeyWindowOnShow = true;
}

namespace {

HWND__* makeModeless(const WEMU_DialogResourceIndex* rec, HWND__* parent, WNDPROC proc,
                     LPARAM param, uint32_t forced) {
  int w = rec ? rec->width : 10;
  int h = rec ? rec->height : 10;
  RECT ref{};
  if (!parent || !GetWindowRect(parent, &ref)) WEMU_GetViewPort(&ref, nullptr, true);
  uint32_t style =
      rec ? (vq::platform::kWindowTitled | vq::platform::kWindowClosable |
             vq::platform::kWindowMiniaturizable) |
                ((rec->windowflags & WEMU_WF_RESIZABLE) ? vq::platform::kWindowResizable : 0u) |
                forced
          : forced;
  Rect frame{double(ref.left + 50), double(ref.bottom - 100 - h), double(w), double(h)};
  WEMU_TopLevelWindow* win = newWindow(WEMU_TopLevelWindow::Kind::Modeless, style, frame);
  if (rec && rec->title) win->setTitle(rec->title);
  linkOwner(win, parent);
  WEMU_WindowView* content = WEMU_WindowView::create(rec, win, nullptr, proc, param);
  if (!content) return nullptr;
  content->createFlags = style;
  return content;
}

}  // namespace

HWND__* WEMU_CreateDialog(WEMU_DialogResourceIndex* list, int id, HWND__* parent, WNDPROC proc,
                          LPARAM param) {
  if (!WEMU_OnWindowThread()) return nullptr;
  if (parent && !WEMU_IsLiveHandle(parent)) return nullptr;
  uint32_t forced = 0;
  bool wantTop = false;
  int searchId = id;
  bool noResource = isNoResource(id);
  if (noResource) {
    int bits = id & 0xF;
    forced = vq::platform::kWindowTitled | ((bits & 4) ? 0u : vq::platform::kWindowClosable) |
             ((bits & 2) ? 0u : vq::platform::kWindowMiniaturizable) |
             ((bits & 1) ? vq::platform::kWindowResizable : 0u);
    wantTop = bits != 0;
    searchId = 0;
  }
  const WEMU_DialogResourceIndex* rec = findTemplate(list, searchId);
  if (!rec && !noResource) return nullptr;
  View* parentView = parent ? static_cast<View*>(WEMU_ViewOfHandle(parent)) : nullptr;
  bool child = rec ? (rec->windowflags & WEMU_WF_CHILD) != 0 : !wantTop;
  if (parentView && child) {
    WEMU_WindowView* v = WEMU_WindowView::create(rec, nullptr, parentView, proc, param);
    if (v) v->createFlags = 15;
    return v;
  }
  return makeModeless(rec, parent, proc, param, forced);
}

int WEMU_DialogBox(WEMU_DialogResourceIndex* list, int id, HWND__* parent, WNDPROC proc,
                   LPARAM param) {
  if (!WEMU_OnWindowThread() || !list || isNoResource(id)) return -1;
  if (parent && !WEMU_IsLiveHandle(parent)) return -1;
  const WEMU_DialogResourceIndex* rec = findTemplate(list, id);
  if (!rec || (rec->windowflags & WEMU_WF_CHILD)) return -1;
  // A command that would open the same dialog again while it runs is ignored.
  if (std::find(gRunning.begin(), gRunning.end(), rec) != gRunning.end()) return -1;
  gRunning.push_back(rec);

  uint32_t style = vq::platform::kWindowTitled | vq::platform::kWindowClosable |
                   ((rec->windowflags & WEMU_WF_RESIZABLE) ? vq::platform::kWindowResizable : 0u);
  WEMU_TopLevelWindow* win = newWindow(WEMU_TopLevelWindow::Kind::DialogBox, style,
                                       Rect{0, 0, double(rec->width), double(rec->height)});
  HWND__::Hold hold(win);  // alive until we return, whatever the run does to it
  if (rec->title) win->setTitle(rec->title);
  linkOwner(win, parent);
  WEMU_WindowView* content = WEMU_WindowView::create(rec, win, nullptr, proc, param);
  int result = -1;
  if (content) {
    content->createFlags = style;
    if (content->destroyState() == 0) content->setHidden(false);
    if (!win->hasModalResult && content->destroyState() == 0 && !win->isClosed()) {
      win->modalRunning = true;
      app().runModalForWindow(*win);
      win->modalRunning = false;
    }
    if (win->hasModalResult) result = win->modalResult;
  }
  // Ended without EndDialog (closed, destroyed, terminating): the window still goes properly.
  if (WEMU_IsLiveWindow(win)) DestroyWindow(win);
  WEMU_Internal_ReleaseLater(win);
  gRunning.erase(std::find(gRunning.begin(), gRunning.end(), rec));
  return result;
}

void EndDialog(HWND__* window, int result) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return;
  Window* w = WEMU_WindowOfHandle(window);
  WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w);
  if (!t || t->hasModalResult) return;
  HWND__* view = window->windowObject() ? WEMU_ViewOfHandle(window) : window;
  HWND__::Hold hold(t);
  t->modalResult = result;
  t->hasModalResult = true;
  if (Window::modalWindow() != w) return;
  if (view && view->destroyState() == 0) view->destroy();
  t->close();  // ends the window's run
}

void CenterWindow(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return;
  if (Window* w = WEMU_WindowOfHandle(window)) w->center();
}

HWND__* GetFocus() {
  if (!WEMU_OnWindowThread()) return nullptr;
  Window* key = Window::keyWindow();
  if (!key) return nullptr;
  View* first = key->firstResponder();
  if (!first) return nullptr;
  if (first->kind() == vq::platform::ViewKind::TextView && first->superview() &&
      first->superview()->superview() &&
      first->superview()->superview()->kind() == vq::platform::ViewKind::TextField)
    first = first->superview()->superview();
  return WEMU_HandleForView(first);
}

HMENU WEMU_GetDefaultWindowMenu() {
  return gDefaultMenu;
}

void WEMU_SetDefaultWindowMenu(HMENU menu) {
  WEMU_HoldMenu(gDefaultMenu, menu);
}

WEMU_TopLevelWindow* WEMU_Internal_MakeTopLevelForChild(View* child, HWND__* owner,
                                                        uint32_t style) {
  if (!child) return nullptr;
  RECT ref{};
  if (!owner || !GetWindowRect(owner, &ref)) WEMU_GetViewPort(&ref, nullptr, true);
  Rect b = child->bounds();
  Rect frame{double(ref.left + 50), double(ref.bottom - 100) - b.height, b.width, b.height};
  WEMU_TopLevelWindow* win = newWindow(WEMU_TopLevelWindow::Kind::Modeless, style, frame);
  linkOwner(win, owner);
  child->removeFromSuperview();
  win->setContentView(child);
  return win;
}

bool WEMU_TopLevelWindow::accessibilityIgnoredOr(bool inherited) const {
  if (!(styleMask() & vq::platform::kWindowTitled) &&
      (!contentView() || contentView()->subviews().empty()))
    return true;
  return inherited;
}
