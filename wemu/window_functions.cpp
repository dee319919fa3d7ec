#include "wemu/window_functions.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "wemu/controls.h"
#include "wemu/tree_view.h"
#include "wemu/utilities.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_focus.h"
#include "wemu/window_geometry.h"
#include "wemu/window_lifetime.h"
#include "wemu/window_paint.h"
#include "wemu/window_timers.h"
#include "wemu/window_tree.h"
#include "wemu/window_view.h"

using vq::platform::View;
using vq::platform::Window;

namespace {

bool isContentView(const View* v) {
  return v && v->window() && v->window()->contentView() == v;
}

// Copies at most size - 1 bytes, never cutting a UTF-8 sequence.
void copyText(char* buffer, int size, const char* text) {
  if (!buffer || size < 1) return;
  size_t n = std::strlen(text);
  size_t len = std::min(n, static_cast<size_t>(size - 1));
  while (len > 0 && len < n && (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80) --len;
  std::memcpy(buffer, text, len);
  buffer[len] = 0;
}

bool inside(const View* v, const View* root) {
  for (; v; v = v->superview())
    if (v == root) return true;
  return false;
}

intptr_t computedStyle(HWND__* view) {
  intptr_t style = 0;
  Window* w = view->window();
  if (!isContentView(view)) {
    style |= WS_CHILD;
  } else if (w->styleMask() & vq::platform::kWindowTitled) {
    style |= WS_CAPTION;
    if (w->styleMask() & vq::platform::kWindowResizable) style |= WS_THICKFRAME;
  }
  return style;
}

// Moves a content view into a new top-level frame whose caption follows the style.
void reframe(HWND__* view, intptr_t value) {
  Window* old = view->window();
  WEMU_TopLevelWindow* oldT = WEMU_TopLevelOf(old);
  bool visible = old->isVisible();
  std::string title = old->title();
  vq::platform::Rect frame = old->frame();
  int level = old->level();
  Window* parent = old->parentWindow();
  uint32_t flags = (value & WS_CAPTION) ? ((value & WS_THICKFRAME) ? 15u : 1u) : 0u;
  old->setContentView(nullptr);
  WEMU_TopLevelWindow* fresh = WEMU_Internal_MakeTopLevelForChild(view, nullptr, flags);
  if (!fresh) {
    old->setContentView(view);
    return;
  }
  if (oldT) {
    std::vector<WEMU_TopLevelWindow*> owned = oldT->ownedWindows();
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) fresh->addOwnedWindow(*it);
    if (WEMU_TopLevelWindow* owner = oldT->ownerWindow()) owner->addOwnedWindow(fresh);
  }
  std::vector<Window*> children = old->childWindows();
  for (Window* c : children) fresh->addChildWindow(c);
  if (parent) parent->addChildWindow(fresh);
  if (!title.empty()) fresh->setTitle(title);
  static_cast<Window*>(fresh)->setFrame(frame);
  fresh->setLevel(level);
  if (visible) fresh->makeKeyAndOrderFront();
  if (oldT) {
    DestroyWindow(oldT);
  } else {
    old->close();
  }
}

// The style a control keeps itself (pop-up and combo lists, trees), or none.
int* ownStyle(HWND__* h) {
  if (auto* list = dynamic_cast<WEMU_ItemList*>(h)) return &list->style;
  if (auto* tree = dynamic_cast<WEMU_TreeView*>(h)) return &tree->style;
  return nullptr;
}

}  // namespace

bool WEMU_IsLiveHandle(HWND__* window) {
  return WEMU_IsLiveWindow(window);
}

HWND__* GetDlgItem(HWND__* parent, int id) {
  HWND__* view = WEMU_ViewOfHandle(WEMU_UsableWindow(parent));
  if (!view) return nullptr;
  if (id == 0) return view;
  for (View* sub : view->subviews()) {
    HWND__* h = WEMU_HandleForView(sub);
    if (h && sub->tag() == id) return h;
    // A scroll view stands for its document view.
    View* doc = WEMU_DocumentViewOf(sub);
    if (doc != sub && doc->tag() == id)
      if (HWND__* d = WEMU_HandleForView(doc)) return d;
  }
  return nullptr;
}

intptr_t GetWindowLong(HWND__* window, int index) {
  HWND__* h = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  if (!h) return 0;
  auto* v = dynamic_cast<WEMU_WindowView*>(h);
  auto* button = dynamic_cast<WEMU_Button*>(h);
  switch (index) {
    case GWL_USERDATA:
      if (button) return button->userData();
      if (dynamic_cast<WEMU_TextView*>(h)) return 0xdeadf00b;
      return v ? v->userData : 0;
    case GWL_EXSTYLE:
      return v ? v->extendedStyle() : 0;
    case GWL_STYLE:
      if (const int* own = ownStyle(h)) return *own;
      if (button) {
        intptr_t kind = button->radioFlags()       ? 9 | ((button->radioFlags() & 2) << 16)
                        : button->allowsMixedState ? 6
                                                   : 3;
        return kind | computedStyle(h);
      }
      return computedStyle(h);
    case GWL_ID:
      return static_cast<intptr_t>(h->tag());
    case DWL_DLGPROC:
      return v ? reinterpret_cast<intptr_t>(v->dialogProc) : 0;
    case GWL_WNDPROC:
      return reinterpret_cast<intptr_t>(h->procedure);
    default:
      return v ? v->extraData(index) : 0;
  }
}

intptr_t SetWindowLong(HWND__* window, int index, intptr_t value) {
  HWND__* h = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  if (!h) return 0;
  auto* v = dynamic_cast<WEMU_WindowView*>(h);
  auto* button = dynamic_cast<WEMU_Button*>(h);
  intptr_t old = GetWindowLong(h, index);
  switch (index) {
    case GWL_USERDATA:
      if (button) {
        button->setUserData(value);
        return old;
      }
      if (v) v->userData = value;
      return v ? old : 0;
    case GWL_EXSTYLE:
      if (v) v->setExtendedStyle(static_cast<uint32_t>(value));
      return v ? old : 0;
    case GWL_STYLE:
      if (int* own = ownStyle(h)) {
        *own = static_cast<int>(value);
        return old;
      }
      if (button) {
        switch (value & 0xF) {
          case 3:
          case 6:
            button->type = WEMU_Button::Type::Switch;
            button->allowsMixedState = (value & 0xF) == 6;
            button->setRadioFlags(0);
            break;
          case 9:
            button->type = WEMU_Button::Type::Radio;
            button->setRadioFlags(static_cast<int>(((value >> 16) & 2) | 1));
            break;
          default:
            break;
        }
        button->markNeedsDisplay(true);
        return old;
      }
      if (isContentView(h) &&
          (value & (WS_CAPTION | WS_THICKFRAME)) != (old & (WS_CAPTION | WS_THICKFRAME)))
        reframe(h, value);
      return 0;
    case GWL_ID:
      h->setTag(value);
      return old;
    case DWL_DLGPROC:
      if (v) v->dialogProc = reinterpret_cast<WNDPROC>(value);
      return v ? old : 0;
    case GWL_WNDPROC:
      h->procedure = reinterpret_cast<WNDPROC>(value);
      return old;
    default:
      if (v) v->setExtraData(index, value);
      return v ? old : 0;
  }
}

BOOL IsWindowVisible(HWND__* window) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h) return FALSE;
  if (Window* w = h->windowObject()) return w->isVisible();
  if (h->window() && !h->window()->isVisible()) return FALSE;
  return !h->isHiddenOrHasHiddenAncestor();
}

BOOL GetDlgItemText(HWND__* window, int id, char* buffer, int size) {
  if (buffer && size > 0) buffer[0] = 0;
  HWND__* h = id != 0 ? GetDlgItem(window, id) : WEMU_UsableWindow(window);
  if (!h) return FALSE;
  if (isContentView(h) && WEMU_TopLevelOf(h->window())) h = WEMU_TopLevelOf(h->window());
  if (Window* w = h->windowObject()) {
    copyText(buffer, size, w->title().c_str());
    return TRUE;
  }
  if (auto* v = dynamic_cast<WEMU_WindowView*>(h)) {
    copyText(buffer, size, v->text());
    return TRUE;
  }
  std::string text;
  if (auto* c = dynamic_cast<WEMU_Control*>(h); c && c->controlText(&text)) {
    copyText(buffer, size, text.c_str());
    return TRUE;
  }
  return FALSE;
}

BOOL SetDlgItemText(HWND__* window, int id, const char* text) {
  HWND__* h = id != 0 ? GetDlgItem(window, id) : WEMU_UsableWindow(window);
  if (!h) return FALSE;
  if (!text) text = "";
  if (isContentView(h)) h->window()->setTitle(text);
  if (auto* v = dynamic_cast<WEMU_WindowView*>(h)) {
    v->setText(text);
    return TRUE;
  }
  if (Window* w = h->windowObject()) {
    w->setTitle(text);
    return TRUE;
  }
  auto* c = dynamic_cast<WEMU_Control*>(h);
  if (!c || !c->setControlText(WEMU_CStringToCFString(text))) return FALSE;
  // An editable field tells its dialog of the change.
  auto* field = dynamic_cast<WEMU_TextField*>(c);
  if (field && field->isEditable())
    if (HWND__* parent = GetParent(field))
      SendMessage(parent, WM_COMMAND, static_cast<WPARAM>(field->tag()) | 0x3000000,
                  reinterpret_cast<LPARAM>(field));
  return TRUE;
}

BOOL SetDlgItemInt(HWND__* window, int id, int value, BOOL isSigned) {
  char text[32];
  if (isSigned) {
    std::snprintf(text, sizeof text, "%d", value);
  } else {
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
  }
  return SetDlgItemText(window, id, text);
}

int GetDlgItemInt(HWND__* window, int id, BOOL* ok, BOOL isSigned) {
  if (ok) *ok = FALSE;
  char text[128];
  if (!GetDlgItemText(window, id, text, sizeof text)) return 0;
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  // Checked: a number that does not fit an int is refused, never wrapped.
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(p, &end, 10);
  if (end == p) value = 0;
  if (errno == ERANGE || value > INT_MAX || value < INT_MIN) return 0;
  if ((isSigned || value >= 0) && (*p == '0' || value != 0)) {
    if (ok) *ok = TRUE;
    return static_cast<int>(value);
  }
  return 0;
}

BOOL ShowWindow(HWND__* window, int command) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h) return FALSE;
  HWND__::Hold hold(h);
  if (Window* w = h->windowObject()) {
    WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w);
    switch (command) {
      case SW_HIDE:
        w->orderOut();
        break;
      case SW_SHOWNA:
        if (t && t->kind() == WEMU_TopLevelWindow::Kind::Modeless &&
            t->wantInitialKeyWindowOnShow) {
          t->wantInitialKeyWindowOnShow = false;
          w->makeKeyAndOrderFront();
        } else {
          w->orderFront();
        }
        break;
      case SW_SHOW:
        w->makeKeyAndOrderFront();
        break;
      case SW_SHOWMINIMIZED:
        w->miniaturize();
        break;
      default:
        break;
    }
    return TRUE;
  }
  if (command == SW_SHOWNA || command == SW_SHOW) {
    h->setHidden(false);
  } else if (command == SW_HIDE) {
    Window* w = h->window();
    if (w && w->isKeyWindow() && inside(w->firstResponder(), h)) SetFocus(GetParent(h));
    if (!h->isHidden()) {
      if (!isContentView(h) && h->superview()) {
        if (HWND__* super = WEMU_HandleForView(h->superview())) {
          RECT r{};
          GetWindowRect(h, &r);
          POINT a{r.left, r.top}, b{r.right, r.bottom};
          ScreenToClient(super, &a);
          ScreenToClient(super, &b);
          RECT inSuper{a.x, a.y, b.x, b.y};
          InvalidateRect(super, &inSuper, FALSE);
        }
      }
      h->setHidden(true);
    }
  }
  if (isContentView(h) && WEMU_TopLevelOf(h->window()))
    ShowWindow(WEMU_TopLevelOf(h->window()), command);
  return TRUE;
}

BOOL DestroyWindow(HWND__* window) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h) return FALSE;
  HWND__::Hold hold(h);
  if (!h->windowObject()) {
    KillTimer(h, WEMU_ALL_TIMERS);
    if (h->answersWemuMessage()) h->destroy();
    Window* w = h->window();
    if (!w) {
      h->removeFromSuperview();
      WEMU_Internal_ReleaseLater(h);
      return TRUE;
    }
    if (w->contentView() != h) {
      if (w->isKeyWindow() && inside(w->firstResponder(), h)) SetFocus(GetParent(h));
      h->removeFromSuperview();
      WEMU_Internal_ReleaseLater(h);
      return TRUE;
    }
    WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w);
    if (!t) {
      w->close();
      return TRUE;
    }
    h = t;
  }
  Window* w = h->windowObject();
  WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w);
  HWND__::Hold holdWindow(h);
  KillTimer(h, WEMU_ALL_TIMERS);
  if (HWND__* content = WEMU_HandleForView(w->contentView()))
    if (WEMU_IsLiveWindow(content) && content->answersWemuMessage()) content->destroy();
  if (t) t->doDestroyStuff();
  if (Window* parent = w->parentWindow()) parent->removeChildWindow(w);
  w->close();
  if (t) {
    t->retire();
    WEMU_Internal_ReleaseLater(t);
  }
  return TRUE;
}

BOOL IsWindow(HWND__* window) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h) return FALSE;
  if (h->windowObject()) return TRUE;
  Window* w = h->window();
  if (!w) return FALSE;
  return isContentView(h) || WEMU_TopLevelOf(w) ? TRUE : FALSE;
}

bool IsViewInSubtree(View* view, View* root) {
  if (!view || !root || view == root) return false;
  return inside(view, root);
}

HWND__* GetEffectiveView(HWND__* window) {
  // A document view stands for the scroll view around it.
  HWND__* view = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  return view ? static_cast<HWND__*>(WEMU_ScrollViewOf(view)) : nullptr;
}

bool IsSameFocusTarget(View* a, View* b) {
  if (!a || !b) return false;
  if (a == b) return true;
  auto editorOf = [](View* editor, View* field) {
    View* up = editor->superview() ? editor->superview()->superview() : nullptr;
    return editor->kind() == vq::platform::ViewKind::TextView &&
           field->kind() == vq::platform::ViewKind::TextField && up && up->superview() == field;
  };
  return editorOf(a, b) || editorOf(b, a);
}
