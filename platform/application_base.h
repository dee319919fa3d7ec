// What every backend's application keeps alike: the delegate, the event hook, the retained
// main menu, termination through the delegate and activation.
#pragma once

#include "platform/application.h"

namespace vq::platform {

class ApplicationBase : public Application {
 public:
  ~ApplicationBase() override;  // releases the main menu
  void setDelegate(ApplicationDelegate* d) override { delegate_ = d; }
  ApplicationDelegate* delegate() const override { return delegate_; }
  void setEventHook(EventHook* hook) override { hook_ = hook; }
  Menu* mainMenu() const override { return mainMenu_; }
  void setMainMenu(Menu* m) override;
  void terminate() override;
  void replyToTerminate(bool terminate) override;
  bool isTerminated() const override { return terminated_; }
  bool isActive() const override { return active_; }

 protected:
  // Tells the delegate when the state changes; the same state again does nothing.
  void setActive(bool active);
  // After a different main menu was set.
  virtual void mainMenuChanged() {}
  // After the delegate heard that the application will terminate.
  virtual void didTerminate() {}

  ApplicationDelegate* delegate_ = nullptr;
  EventHook* hook_ = nullptr;
  Menu* mainMenu_ = nullptr;
  bool terminated_ = false;
  bool active_ = false;
};

}  // namespace vq::platform
