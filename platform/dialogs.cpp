#include "platform/dialogs.h"

#include <atomic>

#include "platform/modal_run.h"

namespace vq::platform {

namespace {

std::atomic<int> gShown{0};

}  // namespace

BoxOrPanelShown::BoxOrPanelShown() {
  ++gShown;
}

BoxOrPanelShown::~BoxOrPanelShown() {
  --gShown;
}

int boxesAndPanelsUp() {
  return gShown.load() + modalRunDepth();
}

}  // namespace vq::platform
