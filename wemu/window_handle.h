// The window handle and the few window functions the services layer needs. A window handle
// is a window view (HWND__, a platform view with the emulation's message protocol) or a
// handle standing for a top-level window. The window layer proper (dialogs, controls,
// painting) derives its views from HWND__ and overrides the protocol.
//
// Live handles are kept in a registry, so that other threads can post to a window without
// touching one that is gone. Main thread, except where said.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/menu.h"
#include "platform/view.h"
#include "wemu/wemu_types.h"

// Menu actions of items whose target is a window or the application controller.
enum : int { WEMU_ACTION_COMMAND = 1, WEMU_ACTION_SYS_MENU_COMMAND = 2 };

struct HWND__ : public vq::platform::View,
                public vq::platform::MenuTarget,
                public vq::platform::MenuDelegate {
  explicit HWND__(vq::platform::ViewKind kind = vq::platform::ViewKind::Generic);
  ~HWND__() override;
  // The memory of a deleted handle waits in a quarantine before it is given back, so a new
  // window does not take the address (the handle) of one that callers may still hold.
  static void* operator new(size_t size);
  static void operator delete(void* p, size_t size);
  HWND__(const HWND__&) = delete;
  HWND__& operator=(const HWND__&) = delete;

  // The window (or dialog) procedure that onWemuMessage calls; none answers 0.
  WNDPROC procedure = nullptr;

  // Any thread: whether posted messages are accepted (not while or after being destroyed).
  virtual bool wemuCanPostMessage() const;
  // The message protocol. Each answers* says whether the view takes that request at all.
  virtual bool answersWemuMessage() const { return true; }
  virtual LRESULT onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual bool answersWemuCommand() const { return true; }
  virtual void onWemuCommand(int64_t tag);  // sends WM_COMMAND with the tag
  virtual bool answersWemuTimer() const { return true; }
  virtual void wemuTimer(UINT_PTR id);  // sends WM_TIMER with the id
  virtual bool answersWemuSetMenu() const { return true; }
  // Retains the new menu and releases the old one.
  virtual void wemuSetMenu(HMENU menu);
  virtual HMENU wemuGetMenu() const { return mMenu; }
  // The top-level window this handle stands for, when it is not a view.
  virtual vq::platform::Window* windowObject() const { return nullptr; }

  // Menu items whose target is this window: the command action becomes onWemuCommand.
  void performMenuAction(int action, vq::platform::MenuItem& sender) override;
  // A menu of this window about to open: WM_INITMENUPOPUP lets the procedure update its items.
  void menuNeedsUpdate(vq::platform::Menu& menu) override;

  // Destroys the window: WM_DESTROY to the procedure, then its posted messages and timers
  // go. Idempotent. The object itself stays until deleted.
  virtual void destroy();
  // 0 alive, 1 being destroyed, 2 destroyed.
  int destroyState() const { return mDestroyState.load(); }
  // Enters the handle registry under a serial number no other handle ever had. Called by the
  // most derived class once it is fully built: before that no message, post or timer can
  // reach it. Does nothing once registered or retired.
  void publish();
  // The serial number given by publish (0 before). A record that keeps a handle for later
  // keeps its serial too, so a new window at a freed address is never taken for the old one.
  uint64_t serial() const { return mSerial; }
  // Keeps the object from being freed while one of its methods runs (a nested loop inside
  // may destroy it); deletion waits for the last hold to go.
  struct Hold {
    explicit Hold(HWND__* h) : mHandle(h) {
      if (mHandle) ++mHandle->mHolds;
    }
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    HWND__* mHandle;
  };
  bool isHeld() const { return mHolds > 0; }
  // Leaves the handle registry and drops queued messages and timers. A subclass deleted
  // without destroy() calls this first in its destructor, so no other thread reaches a
  // half-destroyed object.
  void retire();

 protected:
  void setDestroyState(int state) { mDestroyState.store(state); }

 private:
  std::atomic<int> mDestroyState{0};
  HMENU mMenu = nullptr;
  bool mRegistered = false;
  bool mRetired = false;
  uint64_t mSerial = 0;
  int mHolds = 0;
  friend struct WEMU_WindowLifetime;
  bool mDoomed = false;  // deletion requested (window_lifetime.h)
};

// A handle standing for a top-level window (its content view answers for it).
struct WEMU_WindowObjectHandle : public HWND__ {
  explicit WEMU_WindowObjectHandle(vq::platform::Window& window) : mWindow(window) { publish(); }
  ~WEMU_WindowObjectHandle() override { retire(); }
  bool answersWemuMessage() const override { return false; }
  bool answersWemuCommand() const override { return false; }
  bool answersWemuTimer() const override { return false; }
  bool answersWemuSetMenu() const override { return false; }
  bool wemuCanPostMessage() const override { return false; }
  vq::platform::Window* windowObject() const override { return &mWindow; }

 private:
  vq::platform::Window& mWindow;
};

// Number of deleted handles whose memory is held back at most.
constexpr size_t WEMU_HANDLE_QUARANTINE = 4096;

// The handle of a platform view, or none when the view is not a window view.
HWND__* WEMU_HandleForView(vq::platform::View* view);
// The view a handle acts through: the content view of a top-level window, else the handle.
HWND__* WEMU_ViewOfHandle(HWND__* window);
// The platform window of a handle (its own window for a view), or none.
vq::platform::Window* WEMU_WindowOfHandle(HWND__* window);

// Any thread. The registry lock; while held, a live handle cannot be retired.
std::mutex& WEMU_WindowRegistryMutex();
// With the registry lock held: whether the handle is live.
bool WEMU_IsLiveWindowLocked(const HWND__* window);
// Any thread: whether the handle is live at this moment.
bool WEMU_IsLiveWindow(const HWND__* window);
// Whether the handle is live and still the window that had that serial (lock held / any thread).
bool WEMU_IsLiveWindowSerialLocked(const HWND__* window, uint64_t serial);
bool WEMU_IsLiveWindowSerial(const HWND__* window, uint64_t serial);

// Points `slot` at `menu`, taking a reference on the new menu and dropping the old one's.
void WEMU_HoldMenu(HMENU& slot, HMENU menu);

// A window remembered without a hold: it answers the window only while that very window lives
// (a later window at the same address is another one).
class WEMU_WindowRef {
 public:
  WEMU_WindowRef() = default;
  explicit WEMU_WindowRef(HWND__* window)
      : mWindow(window), mSerial(window ? window->serial() : 0) {}
  HWND__* get() const {
    return mWindow && WEMU_IsLiveWindowSerial(mWindow, mSerial) ? mWindow : nullptr;
  }
  // Whether this address is the one remembered, live or not.
  bool refersTo(const HWND__* window) const { return mWindow == window; }

 private:
  HWND__* mWindow = nullptr;
  uint64_t mSerial = 0;
};

// The result of the window's procedure; 0 for none, a destroyed window, or a handle that
// takes no messages (a top-level window passes the message to its content view).
LRESULT SendMessage(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);
// Makes the view (the content view for a window) first responder of its window and brings a
// visible window to the front as key window. Returns the previous focus, or none.
HWND__* SetFocus(HWND__* window);
// The tag of the window's default button, or 0 (no view, no window, no default button, tag 0,
// or the button disabled while onlyIfEnabled).
int WEMU_GetDefaultButtonID(HWND__* dialog, int onlyIfEnabled);
// Sends the message to the content view of every window, front to back, that takes messages.
void WEMU_BroadcastMessage(UINT message, WPARAM wParam, LPARAM lParam);
// Screen coordinates (origin bottom-left of the main screen, y up) to the view's coordinates.
BOOL ScreenToClient(HWND__* window, POINT* point);
// The menu shown while a modal window is up (retained here), or none.
void WEMU_SetDefaultModalWindowMenu(HMENU menu);
HMENU WEMU_GetDefaultModalWindowMenu();
