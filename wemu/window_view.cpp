#include "wemu/window_view.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "wemu/app_controller.h"
#include "wemu/keys.h"
#include "wemu/menus.h"
#include "wemu/mem_context.h"
#include "wemu/message_queue.h"
#include "wemu/top_level_windows.h"
#include "wemu/view_gl.h"
#include "wemu/window_focus.h"
#include "wemu/window_accessibility.h"
#include "wemu/window_geometry.h"
#include "wemu/window_input.h"
#include "wemu/window_lifetime.h"
#include "wemu/window_messages.h"
#include "wemu/window_paint.h"
#include "wemu/window_timers.h"
#include "wemu/window_tree.h"

using vq::platform::Rect;
using vq::platform::View;
using vq::platform::Window;

namespace {

HWND__* gTimerOnly = nullptr;

bool isAtom(const char* name) {
  return reinterpret_cast<uintptr_t>(name) < 0x10000;
}

bool sameName(const char* a, const char* b) {
  if (isAtom(a) || isAtom(b)) return a == b;
  return std::strcmp(a, b) == 0;
}

// Marks bit `bits` on the view and its enclosing window views, stopping at the first that
// has all of them.
void markUp(View* from, int bits, bool needsDisplay) {
  for (View* v = from; v; v = v->superview()) {
    auto* w = dynamic_cast<WEMU_WindowView*>(v);
    if (!w) continue;
    if ((w->isDirty & bits) == bits) break;
    w->isDirty |= bits;
    if (needsDisplay) w->setNeedsDisplay(true);
  }
}

}  // namespace

bool WEMU_OnWindowThread() {
  return vq::platform::services().runLoop().isMainThread();
}

HWND__* WEMU_UsableWindow(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return nullptr;
  return window;
}

WEMU_WindowView* WEMU_WindowViewOf(HWND__* window) {
  return dynamic_cast<WEMU_WindowView*>(WEMU_ViewOfHandle(window));
}

void WEMU_SetTimerWindowRestriction(HWND__* window) {
  gTimerOnly = window;
}

WEMU_WindowView::WEMU_WindowView() {
  procedure = WEMU_DefaultDialogWindowProc;
}

WEMU_WindowView* WEMU_WindowView::create(const WEMU_DialogResourceIndex* tmpl, Window* parentWindow,
                                         View* parentView, WNDPROC proc, LPARAM param) {
  if (!WEMU_OnWindowThread()) return nullptr;
  auto* v = new WEMU_WindowView();
  v->publish();
  WEMU_Internal_Adopt(v);
  if (vq::platform::ViewSurfaceService* surfaces = vq::platform::viewSurfaces())
    v->mSurface = surfaces->createViewSurface(*v, *v);
  v->initChild(tmpl, parentWindow, parentView, proc, param);
  return v;
}

WEMU_WindowView::~WEMU_WindowView() {
  // Never a procedure from here: the object is no longer whole. Destroy() ran before, or the
  // view goes without messages.
  retire();
  WEMU_Internal_ForgetAccessibility(serial());
  if (gTimerOnly == this) gTimerOnly = nullptr;
  WEMU_Internal_ForgetCapture(this);
  WEMU_Internal_ReleaseViewGL(this);
  mSurface.reset();
  while (WindowPropRec* p = mProps) {
    mProps = p->next;
    if (!isAtom(p->name)) std::free(p->name);
    std::free(p);
  }
}

void WEMU_WindowView::initChild(const WEMU_DialogResourceIndex* tmpl, Window* parentWindow,
                                View* parentView, WNDPROC proc, LPARAM param) {
  Hold hold(this);
  setFrame(tmpl ? Rect{0, 0, double(tmpl->width), double(tmpl->height)} : Rect{0, 0, 300, 200});
  int flags = tmpl ? tmpl->windowflags : 0;
  isOpaque = tmpl ? (flags & WEMU_WF_OPAQUE) != 0 : true;
  setFlipped(tmpl ? (flags & WEMU_WF_FLIPPED) != 0 : true);
  supportsDrop = tmpl && (flags & WEMU_WF_DROPTARGET);
  setHidden(true);
  if (parentWindow) {
    parentWindow->setContentView(this);
  } else if (parentView) {
    parentView->addSubview(this);
  }
  if (!tmpl) {
    if (proc) procedure = proc;
    onWemuMessage(WM_CREATE, 0, param);
    return;
  }
  if (tmpl->createfunc) tmpl->createfunc(this, flags);
  dialogProc = proc;
  if (!proc || destroyState() != 0) return;

  View* candidate = nullptr;
  for (View* sub : subviews()) {
    if (sub->acceptsFirstResponder()) {
      candidate = sub;
      break;
    }
  }
  LRESULT r =
      proc(this, WM_INITDIALOG, reinterpret_cast<WPARAM>(WEMU_HandleForView(candidate)), param);
  if (destroyState() != 0) return;
  Window* w = window();
  if (r != 0) {
    View* focus = r == WEMU_FOCUS_DIALOG_VIEW ? this : candidate;
    if (focus && w && w->firstResponder() != focus) w->makeFirstResponder(focus);
    if (parentWindow && parentWindow == w && !w->isVisible()) WEMU_Internal_WantInitialKeyOnShow(w);
  } else if (parentWindow && parentWindow == w && candidate &&
             (!w->firstResponder() || w->firstResponder() == this)) {
    w->makeFirstResponder(candidate);
  }
  updateControlColors(proc, false);
}

LRESULT WEMU_WindowView::extraData(int byteIndex) const {
  return byteIndex >= 0 && byteIndex < 256 ? mExtra[byteIndex / 8] : 0;
}

void WEMU_WindowView::setExtraData(int byteIndex, LRESULT value) {
  if (byteIndex >= 0 && byteIndex < 256) mExtra[byteIndex / 8] = value;
}

void WEMU_WindowView::setText(const char* text) {
  if (!text) text = "";
  size_t n = std::strlen(text);
  size_t len = n < sizeof(mTitle) - 1 ? n : sizeof(mTitle) - 1;
  while (len > 0 && len < n && (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80) --len;
  std::memcpy(mTitle, text, len);
  mTitle[len] = 0;
}

LRESULT WEMU_WindowView::onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  int state = destroyState();
  if (state == 2) return 0;
  if (state == 1 && (message == WM_DESTROY || message == WM_CAPTURECHANGED)) return 0;
  Hold hold(this);
  if (message == WM_DESTROY) {
    LRESULT result = 0;
    destroySequence(wParam, lParam, result);
    return result;
  }
  return procedure ? procedure(this, message, wParam, lParam) : 0;
}

void WEMU_WindowView::destroySequence(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  setDestroyState(1);
  if (GetCapture() == this) ReleaseCapture();
  WEMU_MessageQueue_Clear(this);
  result = procedure ? procedure(this, WM_DESTROY, wParam, lParam) : 0;
  Window* w = window();
  if (w && w->contentView() == this) WEMU_Internal_DestroyOwnedWindows(w);
  if (GetCapture() == this) ReleaseCapture();
  WEMU_MessageQueue_Clear(this);
  if (HMENU menu = wemuGetMenu()) {
    auto& app = vq::platform::services().application();
    if (w && w->windowMenu() == menu) w->setWindowMenu(nullptr);
    if (app.mainMenu() == menu && !WEMU_IsQuitting()) app.setMainMenu(nullptr);
    WEMU_SetMenuDestination(menu, nullptr);
    HWND__::wemuSetMenu(nullptr);
  }
  std::vector<View*> children = subviews();
  for (View* child : children) {
    HWND__* h = WEMU_HandleForView(child);
    if (h && WEMU_IsLiveWindow(h) && h->answersWemuMessage()) h->destroy();
  }
  KillTimer(this, WEMU_ALL_TIMERS);
  setDestroyState(2);
  retire();
}

void WEMU_WindowView::destroy() {
  if (destroyState() == 0) onWemuMessage(WM_DESTROY, 0, 0);
}

void WEMU_WindowView::wemuTimer(UINT_PTR id) {
  if (gTimerOnly && gTimerOnly != this) return;
  if (destroyState() != 2) onWemuMessage(WM_TIMER, id, 0);
}

void WEMU_WindowView::wemuSetMenu(HMENU menu) {
  HMENU old = wemuGetMenu();
  if (old == menu) return;
  if (old) WEMU_SetMenuDestination(old, nullptr);
  HWND__::wemuSetMenu(menu);
  if (menu) WEMU_SetMenuDestination(menu, this);
  // The window's own menu too: a desktop that draws the bar inside the window lays it out
  // before the window first shows, not once it is key.
  Window* w = window();
  if (w && w->contentView() == this) w->setWindowMenu(menu);
}

bool WEMU_WindowView::setProp(const char* name, void* data) {
  if (!name) return false;
  for (WindowPropRec* p = mProps; p; p = p->next) {
    if (sameName(p->name, name)) {
      p->data = data;
      return true;
    }
  }
  auto* rec = static_cast<WindowPropRec*>(std::malloc(sizeof(WindowPropRec)));
  if (!rec) return false;
  rec->name = isAtom(name) ? const_cast<char*>(name) : strdup(name);
  if (!rec->name) {
    std::free(rec);
    return false;
  }
  rec->data = data;
  rec->next = mProps;
  mProps = rec;
  return true;
}

void* WEMU_WindowView::getProp(const char* name, bool remove) {
  if (!name) return nullptr;
  for (WindowPropRec** link = &mProps; *link; link = &(*link)->next) {
    WindowPropRec* p = *link;
    if (!sameName(p->name, name)) continue;
    void* data = p->data;
    if (remove) {
      *link = p->next;
      if (!isAtom(p->name)) std::free(p->name);
      std::free(p);
    }
    return data;
  }
  return nullptr;
}

int WEMU_WindowView::enumProps(PROPENUMPROCEX callback, LPARAM lParam) {
  if (!mProps) return -1;
  Hold hold(this);
  for (WindowPropRec* p = mProps; p;) {
    WindowPropRec* next = p->next;  // the callback may remove the entry it is given
    if (!callback || !callback(this, p->name, p->data, lParam)) return 0;
    p = next;
  }
  return 1;
}

int WEMU_WindowView::propCount() const {
  int n = 0;
  for (WindowPropRec* p = mProps; p; p = p->next) ++n;
  return n;
}

void WEMU_WindowView::paint(HDC context, Rect rect) {
  if (destroyState() != 0 || !context) return;
  Hold hold(this);
  mPaintHdc = context;
  context->openGLContext = glContext;
  WEMU_Internal_PrepareViewGL(this);
  mPaintRect = rect;
  mPaintUsed = false;
  RECT wr{};
  GetWindowRect(this, &wr);
  if (wr.top > wr.bottom) std::swap(wr.top, wr.bottom);
  NCCALCSIZE_PARAMS calc{};
  calc.rgrc[0] = wr;
  onWemuMessage(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&calc));
  RECT client = calc.rgrc[0];
  onWemuMessage(WM_NCPAINT, 1, 0);
  mPaintRect.x += client.left - wr.left;
  mPaintRect.y += client.top - wr.top;
  if (mPaintRect.width >= 1 && mPaintRect.height >= 1 && destroyState() == 0) {
    bool same = client.left == wr.left && client.top == wr.top && client.right == wr.right &&
                client.bottom == wr.bottom;
    if (!same) {
      RECT clip{};
      GetClientRect(this, &clip);
      WEMU_PushClipRegion(context);
      WEMU_SetClipRegion(context, &clip);
      onWemuMessage(WM_PAINT, reinterpret_cast<WPARAM>(context), 0);
      WEMU_PopClipRegion(context);
    } else {
      onWemuMessage(WM_PAINT, reinterpret_cast<WPARAM>(context), 0);
    }
  }
  WEMU_Internal_FinishViewGL(this, context);
  context->openGLContext = nullptr;
  mPaintHdc = nullptr;
  isDirty = 0;
  setNeedsDisplay(false);
}

void WEMU_WindowView::drawSurface(vq::platform::DrawContext& context, Rect damaged) {
  if (destroyState() != 0) return;
  HDC hdc = WEMU_CreateGfxContext(&context);
  if (!hdc) return;
  // Views that are not flipped count y up from the bottom edge.
  if (!isFlipped()) damaged.y = frame().height - damaged.y - damaged.height;
  paint(hdc, damaged);
  WEMU_DeleteGfxContext(hdc);
}

bool WEMU_WindowView::paintInfo(PAINTSTRUCT* ps) {
  if (!mPaintHdc || !ps) return false;
  mPaintUsed = true;
  ps->hdc = mPaintHdc;
  ps->fErase = FALSE;
  ps->rcPaint = {static_cast<int>(mPaintRect.x), static_cast<int>(mPaintRect.y),
                 static_cast<int>(std::ceil(mPaintRect.x + mPaintRect.width)),
                 static_cast<int>(std::ceil(mPaintRect.y + mPaintRect.height))};
  return true;
}

void WEMU_WindowView::updateControlColors(WNDPROC proc, bool reset) {
  if (!proc) return;
  Hold hold(this);
  enum class Answer { NotAsked, None, Default, Color };
  struct Pass {
    Answer answer = Answer::NotAsked;
    COLORREF color = 0;
  } passes[2];
  std::vector<View*> children = subviews();
  for (View* child : children) {
    auto* control = dynamic_cast<WEMU_ColoredControl*>(child);
    if (!control || control->wemuColorKind() == WEMU_ColoredControl::Kind::None) continue;
    bool button = control->wemuColorKind() == WEMU_ColoredControl::Kind::ImageButton;
    Pass& pass = passes[button ? 0 : 1];
    if (pass.answer == Answer::NotAsked) {
      HDC__* ctx = WEMU_AllocContextRecord();
      proc(this, button ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(ctx),
           reinterpret_cast<LPARAM>(WEMU_HandleForView(child)));
      if (ctx && ctx->textColorObjectMade) {
        pass.answer = Answer::Color;
        pass.color = ctx->textColor;
      } else {
        pass.answer = reset ? Answer::Default : Answer::None;
      }
      WEMU_DeleteGfxContext(ctx);
      if (destroyState() != 0) return;
    }
    if (pass.answer == Answer::Color) control->wemuSetTextColor(pass.color);
    if (pass.answer == Answer::Default) control->wemuSetTextColor(std::nullopt);
  }
}

bool WEMU_WindowView::wemuKey(const vq::platform::Event& e) {
  if (!procedure || destroyState() != 0) return false;
  int flags = 0;
  int code = WEMU_MacKeyToWindowsKey(&e, &flags);
  UINT message = e.type == vq::platform::EventType::KeyDown ? WM_KEYDOWN : WM_KEYUP;
  return onWemuMessage(message, static_cast<WPARAM>(code), flags) != WEMU_KEY_NOT_HANDLED;
}

void WEMU_WindowView::handleEvent(const vq::platform::Event& e) {
  if (!e.isKey()) {
    WEMU_WindowViewInputEvent(this, e);
    return;
  }
  Hold hold(this);
  if (wemuKey(e)) return;
  if (View* up = superview()) up->handleEvent(e);
}

void WEMU_WindowView::frameDidChange() {
  if (destroyState() == 2) return;
  onWemuMessage(WM_SIZE, 0, 0);
  InvalidateRect(GetParent(this), nullptr, FALSE);
  if (mSurface) mSurface->invalidate(bounds());  // the desktop draws the view anew
}

void WEMU_WindowView::didAddSubview(View*) {
  markUp(this, 2, false);
}

void WEMU_WindowView::willRemoveSubview(View*) {
  setNeedsDisplay(true);
  markUp(this, 3, true);
}

void WEMU_WindowView::viewDidHide() {
  SendMessage(this, WM_SHOWWINDOW, 0, 0);
  if (mSurface) InvalidateRect(GetParent(this), nullptr, FALSE);  // what it covered shows
}
void WEMU_WindowView::viewDidUnhide() {
  SendMessage(this, WM_SHOWWINDOW, 1, 0);
  if (mSurface) mSurface->invalidate(bounds());
}

LRESULT WEMU_DefaultDialogWindowProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  WEMU_WindowView* view = dynamic_cast<WEMU_WindowView*>(window);
  WNDPROC dlg = view ? view->dialogProc : nullptr;
  if (!dlg) return DefWindowProc(window, message, wParam, lParam);
  if (message == WM_PAINT && dlg(window, WM_ERASEBKGND, 0, 0) == 0 && view->destroyState() == 0) {
    // The system counts as new (WEMU_GetOSXVersion), so an opaque view fills, and a content
    // view that is not opaque only takes the dialog's brush.
    bool content = view->window() && view->window()->contentView() == view;
    if (view->isOpaque || content) {
      bool fill = view->isOpaque;
      PAINTSTRUCT ps{};
      if (HDC ctx = BeginPaint(window, &ps)) {
        const RECT& r = ps.rcPaint;
        if (r.right > r.left && r.bottom > r.top) {
          LRESULT brush = dlg(window, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(ctx),
                              reinterpret_cast<LPARAM>(window));
          if (brush != 0 && brush != 1) {
            WEMU_FillRect(ctx, &r, reinterpret_cast<HBRUSH>(brush));
          } else if (fill) {
            WEMU_FillDialogBackground(ctx, &r, 3);
          }
        }
        EndPaint(window, &ps);
      }
    }
  }
  LRESULT r = dlg(window, message, wParam, lParam);
  if (r != 0) return r;
  return DefWindowProc(window, message, wParam, lParam);
}
