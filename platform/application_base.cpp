#include "platform/application_base.h"

#include "platform/menu.h"

namespace vq::platform {

ApplicationBase::~ApplicationBase() {
  if (mainMenu_) mainMenu_->release();
}

void ApplicationBase::setMainMenu(Menu* m) {
  if (m == mainMenu_) return;
  if (m) m->retain();
  if (mainMenu_) mainMenu_->release();
  mainMenu_ = m;
  mainMenuChanged();
}

void ApplicationBase::terminate() {
  if (terminated_) return;
  TerminateReply reply = delegate_ ? delegate_->applicationShouldTerminate() : TerminateReply::Now;
  // Later: the delegate answers through replyToTerminate; Cancel: nothing happens.
  if (reply == TerminateReply::Now) replyToTerminate(true);
}

void ApplicationBase::replyToTerminate(bool terminate) {
  if (!terminate || terminated_) return;
  if (delegate_) delegate_->applicationWillTerminate();
  terminated_ = true;
  didTerminate();
}

void ApplicationBase::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (!delegate_) return;
  if (active) {
    delegate_->applicationDidBecomeActive();
  } else {
    delegate_->applicationDidResignActive();
  }
}

}  // namespace vq::platform
