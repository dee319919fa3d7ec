// The application: lifecycle callbacks, the event stream with a first look for the layer
// above, the main menu and termination. One object per process, reached through services().
#pragma once

#include <cstdint>
#include <optional>

#include "platform/event.h"
#include "platform/modal_run.h"

namespace vq::platform {

class Menu;
class Window;
class RunLoop;

enum class TerminateReply { Cancel = 0, Now = 1, Later = 2 };

// What the application tells its delegate; every callback runs on the main thread.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual void applicationWillFinishLaunching() {}  // resources loaded, before launching ends
  virtual void applicationDidFinishLaunching() {}
  virtual TerminateReply applicationShouldTerminate() { return TerminateReply::Now; }
  virtual void applicationWillTerminate() {}
  virtual bool openFile(const std::string& path) { return false; }
  virtual bool openUntitledFile() { return false; }
  virtual bool shouldOpenUntitledFile() { return false; }
  virtual void applicationDidBecomeActive() {}
  virtual void applicationDidResignActive() {}
};

// A first look at every event. The hook decides; to let an event go its ordinary way it
// calls Application::dispatchEvent.
class EventHook {
 public:
  virtual ~EventHook() = default;
  virtual void sendEvent(const Event& e) = 0;
};

class Application {
 public:
  virtual ~Application() = default;

  virtual RunLoop& runLoop() = 0;

  // Finishes launching and runs the main loop until the application terminates; returns the
  // exit status. The headless backend launches, handles what is queued and returns at once
  // (tests drive its clock themselves).
  virtual int run() = 0;

  virtual void setDelegate(ApplicationDelegate* d) = 0;
  virtual ApplicationDelegate* delegate() const = 0;
  virtual void setEventHook(EventHook* hook) = 0;

  // The ordinary route of an event: to its window's first responder (keys) or content view.
  virtual void dispatchEvent(const Event& e) = 0;
  // The next queued event matching `mask` that arrives within `seconds`, left in the queue.
  virtual std::optional<Event> peekEvent(uint64_t mask, double seconds) = 0;
  // The event being handled, or none.
  virtual const Event* currentEvent() const = 0;

  virtual Menu* mainMenu() const = 0;
  // Retains the new menu and releases the old one.
  virtual void setMainMenu(Menu* m) = 0;

  // Asks the delegate and, when it agrees (now, or later through replyToTerminate), tells it
  // the application will terminate and ends the run.
  virtual void terminate() = 0;
  virtual void replyToTerminate(bool terminate) = 0;
  virtual bool isTerminated() const = 0;
  virtual bool isActive() const = 0;
  // Hides every window of the application (until it is activated again).
  virtual void hide() {}
  // Presentation options: 1 panels hide until the pointer nears them, 2 panels hidden, 4 the
  // menu bar hides until the pointer nears it, 8 menu bar hidden. A backend applies what the
  // desktop allows.
  virtual uint32_t presentationOptions() const { return mPresentation; }
  virtual void setPresentationOptions(uint32_t options) { mPresentation = options; }

  // Modal runs, main thread (elsewhere they answer kModalResponseAbort at once).
  // runModalForWindow makes the window key and runs a nested loop in the modal-panel mode,
  // where common-mode timers and posted work go on, until stopModal or abortModal ends the
  // innermost run, the window closes or is deleted, or the application terminates. The answer
  // is the stop code, else kModalResponseAbort.
  virtual int runModalForWindow(Window& w);
  virtual void stopModal(int code = kModalResponseStop);
  virtual void abortModal();
  // A session whose passes the caller runs: each runModalSession is one pass and answers
  // kModalResponseContinue until the session was stopped or aborted.
  virtual ModalSession* beginModalSession(Window& w);
  virtual int runModalSession(ModalSession* session);
  virtual void endModalSession(ModalSession* session);

 private:
  uint32_t mPresentation = 0;

 protected:
  // One pass of a modal run; `elapsed` seconds of the run's clock have passed. The default
  // lets the run loop go on for a moment.
  virtual void modalPass(Window& w, double elapsed);
};

}  // namespace vq::platform
