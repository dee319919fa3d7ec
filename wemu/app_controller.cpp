#include "wemu/app_controller.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/platform.h"
#include "platform/view.h"
#include "wemu/api_table.h"
#include "wemu/keys.h"
#include "wemu/message_queue.h"
#include "wemu/utilities.h"
#include "wemu/window_handle.h"

using vq::platform::Event;
using vq::platform::EventType;
using vq::platform::View;
using vq::platform::ViewKind;
using vq::platform::Window;

namespace {

std::atomic<WEMU_AppMessageHandler> gHandler{nullptr};
std::atomic<bool> gQuitting{false};

intptr_t handleAppMessage(int message, intptr_t p1, intptr_t p2) {
  WEMU_AppMessageHandler h = gHandler.load();
  return h ? h(message, p1, p2) : 0;
}

WEMUApplication* gApplication = nullptr;
WEMUAppController* gController = nullptr;

bool isEditableTextView(const View* v) {
  return v && v->kind() == ViewKind::TextView && v->isEditable();
}

// Whether a text field lies between the view and the content view (the view is then the
// field's editor rather than a multi-line text).
bool insideTextField(const View* v, const View* content) {
  for (const View* p = v->superview(); p && p != content; p = p->superview())
    if (p->kind() == ViewKind::TextField) return true;
  return false;
}

bool isPlainEscape(const Event& e) {
  int flags = 0;
  const int code = WEMU_MacKeyToWindowsKey(&e, &flags);
  return code == 27 && ((flags & ~WEMU_KF_VIRTKEY) & ~WEMU_KF_SHIFT) == 0;
}

}  // namespace

void WEMU_SetAppMessageHandler(WEMU_AppMessageHandler handler) {
  gHandler.store(handler);
}

void WEMUApplication::sendEvent(const Event& e) {
  auto& app = vq::platform::services().application();
  if (e.isKey()) {
    // Auto-repeat coalescing: a key that is about to come again is dropped now, so a held key
    // never floods the queue.
    auto next = app.peekEvent(vq::platform::eventMask(EventType::KeyDown), 0.003);
    if (next && next->keyCode == e.keyCode) return;
  }
  Window* modal = Window::modalWindow();
  Window* eventWindow = e.window;
  if (!e.isKey()) {
    app.dispatchEvent(e);
    return;
  }
  int flags = 0;
  int code = WEMU_MacKeyToWindowsKey(&e, &flags);

  View* focus = nullptr;
  Window* target = nullptr;
  if (eventWindow) {
    if (flags & (WEMU_KF_COMMAND | WEMU_KF_OPTION)) {
      for (Window* w = eventWindow; w; w = w->parentWindow()) {
        if (View* hosted = w->hostedFocusView()) {
          focus = hosted;
          target = w;
          break;
        }
      }
    }
    if (!target) {
      focus = eventWindow->firstResponder();
      target = eventWindow;
    }
  }

  if (!modal && (focus || !target)) {
    WEMU_KeyMessage rec{WEMU_HandleForView(focus),
                        focus,
                        e.type == EventType::KeyDown ? UINT{WM_KEYDOWN} : UINT{WM_KEYUP},
                        static_cast<WPARAM>(code),
                        static_cast<LPARAM>(flags),
                        0,
                        {0, 0}};
    if (handleAppMessage(WEMU_APPMSG_KEY, reinterpret_cast<intptr_t>(&rec),
                         reinterpret_cast<intptr_t>(&e)) > 0)
      return;
  }

  if (e.type == EventType::KeyDown && focus && target && handleDialogKey(e, focus, target)) return;
  // A window whose view draws itself has no focus view; the window stands in for it, so Escape
  // cancels there too (what it cancels is the window's business).
  if (e.type == EventType::KeyDown && !focus && target && !modal && isPlainEscape(e)) {
    HWND__* content = WEMU_HandleForView(target->contentView());
    if (content && content->answersWemuMessage()) {
      SendMessage(content, WM_COMMAND, IDCANCEL, 0);
      return;
    }
  }
  app.dispatchEvent(e);
}

bool WEMUApplication::handleDialogKey(const Event& e, View* focus, Window* target) {
  HWND__* content = WEMU_HandleForView(target->contentView());
  if (!content || !content->answersWemuMessage()) return false;
  int flags = 0;
  int code = WEMU_MacKeyToWindowsKey(&e, &flags);
  int mods = flags & ~WEMU_KF_VIRTKEY;
  bool command = mods == WEMU_KF_COMMAND;

  if (command && focus->kind() == ViewKind::TextView &&
      (code == 'C' || code == 'X' || code == 'V')) {
    focus->performTextAction(code == 'C'   ? vq::platform::TextAction::Copy
                             : code == 'X' ? vq::platform::TextAction::Cut
                                           : vq::platform::TextAction::Paste,
                             content);
    return true;
  }
  if (code == 27 && (mods & ~WEMU_KF_SHIFT) == 0) {
    if (!isEditableTextView(focus)) {
      SendMessage(content, WM_COMMAND, IDCANCEL, 0);
    } else if (mods & WEMU_KF_SHIFT) {
      SetFocus(content);
    } else if (insideTextField(focus, content)) {
      SendMessage(content, WM_COMMAND, IDCANCEL, 0);
    } else {
      SetFocus(content);  // a multi-line text: the first Escape only leaves it
    }
    return true;
  }
  if (command && code == 'W') {
    SendMessage(content, WM_COMMAND, IDCANCEL, 0);
    return true;
  }
  if (code == 13 && mods == 0) {
    if (isEditableTextView(focus) && !insideTextField(focus, content)) return false;
    int id = WEMU_GetDefaultButtonID(content, 1);
    if (id != 0)
      SendMessage(content, WM_COMMAND, static_cast<WPARAM>(id), 0);
    else
      SetFocus(content);
    return true;
  }
  return false;
}

void WEMUAppController::awakeFromNib() {
  WEMU_EnsureMultithreadedCocoa();
  vq::platform::services().application().setDelegate(this);
  WEMU_Internal_PostMessage_Init();
  handleAppMessage(WEMU_APPMSG_LOADED, 0, 0);
}

void WEMUAppController::onSysMenuCommand(vq::platform::MenuItem& sender) {
  if (sender.tag() == 0) return;
  handleAppMessage(WEMU_APPMSG_MENU_COMMAND, sender.tag(), reinterpret_cast<intptr_t>(&sender));
}

void WEMUAppController::performMenuAction(int action, vq::platform::MenuItem& sender) {
  if (action == WEMU_ACTION_SYS_MENU_COMMAND) onSysMenuCommand(sender);
}

void WEMUAppController::applicationDidFinishLaunching() {
  handleAppMessage(WEMU_APPMSG_LAUNCHED, 0, 0);
}

vq::platform::TerminateReply WEMUAppController::applicationShouldTerminate() {
  return handleAppMessage(WEMU_APPMSG_SHOULD_TERMINATE, 0, 0) < 1
             ? vq::platform::TerminateReply::Now
             : vq::platform::TerminateReply::Later;
}

void WEMUAppController::applicationWillTerminate() {
  handleAppMessage(WEMU_APPMSG_WILL_TERMINATE, 0, 0);
}

bool WEMUAppController::openFile(const std::string& path) {
  if (path.empty()) return false;
  char text[4096];
  size_t n = std::min(path.size(), sizeof(text) - 1);
  std::memcpy(text, path.data(), n);
  text[n] = 0;
  return handleAppMessage(WEMU_APPMSG_OPEN_FILE, reinterpret_cast<intptr_t>(text), 0) > 0;
}

bool WEMUAppController::openUntitledFile() {
  return handleAppMessage(WEMU_APPMSG_OPEN_UNTITLED, 0, 0) > 0;
}

bool WEMUAppController::shouldOpenUntitledFile() {
  return handleAppMessage(WEMU_APPMSG_SHOULD_OPEN_UNTITLED, 0, 0) > 0;
}

void WEMUAppController::applicationDidBecomeActive() {
  if (handleAppMessage(WEMU_APPMSG_ACTIVATE, 1, 0) == 0)
    WEMU_BroadcastMessage(WM_ACTIVATEAPP, 1, 0);
}

void WEMUAppController::applicationDidResignActive() {
  if (handleAppMessage(WEMU_APPMSG_ACTIVATE, 0, 0) == 0)
    WEMU_BroadcastMessage(WM_ACTIVATEAPP, 0, 0);
}

void* (*WEMUAppController::wemuGetAPPAPIFunc())(const char*) {
  return &WEMU_APILookup;
}

void WEMU_InstallApplication() {
  if (gController) return;
  gApplication = new WEMUApplication();
  gController = new WEMUAppController();
  vq::platform::services().application().setEventHook(gApplication);
  gController->awakeFromNib();
}

WEMUAppController* WEMU_GetAppController() {
  return gController;
}

int WEMU_ApplicationMain() {
  WEMU_InstallApplication();
  return vq::platform::services().application().run();
}

void WEMU_Internal_UninstallApplication() {
  if (vq::platform::hasBackend()) {
    auto& app = vq::platform::services().application();
    if (app.delegate() == gController) app.setDelegate(nullptr);
    app.setEventHook(nullptr);
  }
  delete gApplication;
  delete gController;
  gApplication = nullptr;
  gController = nullptr;
}

void WEMU_PostQuitMessage(void*) {
  gQuitting.store(true);
  vq::platform::services().application().terminate();
}

bool WEMU_IsQuitting() {
  return gQuitting.load();
}
void WEMU_Internal_SetQuitting(bool quitting) {
  gQuitting.store(quitting);
}
