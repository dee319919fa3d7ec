#include "platform/dialogs.h"

#include <atomic>
#include <deque>
#include <mutex>

#include "platform/modal_run.h"
#include "platform/platform.h"

namespace vq::platform {

namespace {

std::atomic<int> gShown{0};

std::mutex gWaitingMutex;
std::deque<std::function<void()>> gWaiting;  // guarded by gWaitingMutex

bool anyWaiting() {
  std::lock_guard<std::mutex> lock(gWaitingMutex);
  return !gWaiting.empty();
}

// Each opens at most one at a time: the next waits until what it opened has closed again.
void openWaiting() {
  while (boxesAndPanelsUp() == 0) {
    std::function<void()> open;
    {
      std::lock_guard<std::mutex> lock(gWaitingMutex);
      if (gWaiting.empty()) return;
      open = std::move(gWaiting.front());
      gWaiting.pop_front();
    }
    open();
  }
}

}  // namespace

BoxOrPanelShown::BoxOrPanelShown() {
  ++gShown;
}

BoxOrPanelShown::~BoxOrPanelShown() {
  --gShown;
  boxOrPanelClosed();
}

int boxesAndPanelsUp() {
  return gShown.load() + modalRunDepth();
}

void openWhenNoneUp(std::function<void()> open) {
  if (!open) return;
  {
    std::lock_guard<std::mutex> lock(gWaitingMutex);
    gWaiting.push_back(std::move(open));
  }
  // From the run loop, never inside the caller: a menu item performs after its menu closed.
  services().runLoop().postToMain(&openWaiting);
}

void dropWaitingOpens() {
  std::deque<std::function<void()>> dropped;
  std::lock_guard<std::mutex> lock(gWaitingMutex);
  dropped.swap(gWaiting);
}

void boxOrPanelClosed() {
  if (boxesAndPanelsUp() == 0 && anyWaiting()) services().runLoop().postToMain(&openWaiting);
}

}  // namespace vq::platform
