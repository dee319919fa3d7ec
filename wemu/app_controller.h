// The application object and its controller: application events become the numbered
// messages of the shell's handler, every key event passes the handler first, and the dialog
// keys (Escape, Return, Command+W, Command+C/X/V) work in the layer's windows. The controller
// also starts the posted-message queue. Main thread.
#pragma once

#include <cstdint>

#include "platform/application.h"
#include "platform/menu.h"
#include "platform/view.h"
#include "wemu/wemu_types.h"

// The shell's handler of application messages (1 loading, 2 launched, 3 will terminate,
// 4 may terminate, 80 open file, 81 open untitled, 82 may open untitled, 153 menu command,
// 256 key event, 4096 activate/deactivate).
typedef intptr_t (*WEMU_AppMessageHandler)(int message, intptr_t param1, intptr_t param2);
enum : int {
  WEMU_APPMSG_LOADED = 1,
  WEMU_APPMSG_LAUNCHED = 2,
  WEMU_APPMSG_WILL_TERMINATE = 3,
  WEMU_APPMSG_SHOULD_TERMINATE = 4,
  WEMU_APPMSG_OPEN_FILE = 80,
  WEMU_APPMSG_OPEN_UNTITLED = 81,
  WEMU_APPMSG_SHOULD_OPEN_UNTITLED = 82,
  WEMU_APPMSG_MENU_COMMAND = 153,
  WEMU_APPMSG_KEY = 256,
  WEMU_APPMSG_ACTIVATE = 4096,
};
void WEMU_SetAppMessageHandler(WEMU_AppMessageHandler handler);

// The key message record handed over with message 256 (as parameter 1; parameter 2 is the
// platform event).
struct WEMU_KeyMessage {
  HWND__* hwnd;                   // the focus view when it is a window view, else none
  vq::platform::View* focusView;  // the view with keyboard focus, or none
  UINT message;                   // 0x100 key down, 0x101 key up
  WPARAM wParam;                  // the virtual-key code or character
  LPARAM lParam;                  // the mapping's modifier flags
  DWORD time;                     // always 0
  POINT pt;                       // always 0, 0
};

// The application object's share: the first look at every event.
class WEMUApplication : public vq::platform::EventHook {
 public:
  void sendEvent(const vq::platform::Event& e) override;

 private:
  bool handleDialogKey(const vq::platform::Event& e, vq::platform::View* focus,
                       vq::platform::Window* target);
};

// The application's delegate.
class WEMUAppController : public vq::platform::ApplicationDelegate,
                          public vq::platform::MenuTarget {
 public:
  // Installs the controller as the application's delegate, starts the posted-message queue
  // and sends message 1.
  void awakeFromNib();
  // The action of application menu items: message 153 with the item's tag (tag 0 sends
  // nothing).
  void onSysMenuCommand(vq::platform::MenuItem& sender);
  void performMenuAction(int action, vq::platform::MenuItem& sender) override;

  void applicationWillFinishLaunching() override {}
  void applicationDidFinishLaunching() override;
  vq::platform::TerminateReply applicationShouldTerminate() override;
  void applicationWillTerminate() override;
  bool openFile(const std::string& path) override;
  bool openUntitledFile() override;
  bool shouldOpenUntitledFile() override;
  void applicationDidBecomeActive() override;
  void applicationDidResignActive() override;

  // The API lookup function (name -> function address).
  static void* (*wemuGetAPPAPIFunc())(const char*);
};

// Makes the process's application object and controller, hooks them into the platform
// application and runs awakeFromNib. Idempotent.
void WEMU_InstallApplication();
// The installed controller (none before WEMU_InstallApplication): the target for items of the
// application's own menu, with the action WEMU_ACTION_SYS_MENU_COMMAND.
WEMUAppController* WEMU_GetAppController();
// The process entry's share: installs the application and runs it until it terminates.
int WEMU_ApplicationMain();
// Detaches them from the platform application (tests between cases).
void WEMU_Internal_UninstallApplication();

// Sets the quitting flag and asks the application to terminate.
void WEMU_PostQuitMessage(void* sender);
bool WEMU_IsQuitting();
void WEMU_Internal_SetQuitting(bool quitting);
