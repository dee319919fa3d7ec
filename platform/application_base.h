// What every backend's application keeps alike: the delegate, the event hook, the retained
// main menu, termination through the delegate and activation.
#pragma once

#include "platform/application.h"
#include "platform/menu.h"

namespace vq::platform {

class ApplicationBase : public Application {
 public:
  void setDelegate(ApplicationDelegate* d) override { mDelegate = d; }
  ApplicationDelegate* delegate() const override { return mDelegate; }
  void setEventHook(EventHook* hook) override { mHook = hook; }
  Menu* mainMenu() const override { return mMainMenu.get(); }
  void setMainMenu(Menu* m) override;
  void terminate() override;
  void replyToTerminate(bool terminate) override;
  bool isTerminated() const override { return mTerminated; }
  bool isActive() const override { return mActive; }

 protected:
  // Tells the delegate when the state changes; the same state again does nothing.
  void setActive(bool active);
  // After a different main menu was set.
  virtual void mainMenuChanged() {}
  // After the delegate heard that the application will terminate.
  virtual void didTerminate() {}

  ApplicationDelegate* mDelegate = nullptr;
  EventHook* mHook = nullptr;
  Retained<Menu> mMainMenu;
  bool mTerminated = false;
  bool mActive = false;
};

}  // namespace vq::platform
