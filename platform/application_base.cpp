#include "platform/application_base.h"

#include "platform/menu.h"

namespace vq::platform {

void ApplicationBase::setMainMenu(Menu* m) {
  if (m == mMainMenu.get()) return;
  mMainMenu.reset(m);
  mainMenuChanged();
}

void ApplicationBase::terminate() {
  if (mTerminated) return;
  TerminateReply reply = mDelegate ? mDelegate->applicationShouldTerminate() : TerminateReply::Now;
  // Later: the delegate answers through replyToTerminate; Cancel: nothing happens.
  if (reply == TerminateReply::Now) replyToTerminate(true);
}

void ApplicationBase::replyToTerminate(bool terminate) {
  if (!terminate || mTerminated) return;
  if (mDelegate) mDelegate->applicationWillTerminate();
  mTerminated = true;
  didTerminate();
}

void ApplicationBase::setActive(bool active) {
  if (active == mActive) return;
  mActive = active;
  if (!mDelegate) return;
  if (active) {
    mDelegate->applicationDidBecomeActive();
  } else {
    mDelegate->applicationDidResignActive();
  }
}

}  // namespace vq::platform
