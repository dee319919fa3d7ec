#include "platform/native_controls.h"

namespace vq::platform {

namespace {
NativeControlService* gService = nullptr;
}

NativeControlService* nativeControls() {
  return gService;
}
void setNativeControlService(NativeControlService* service) {
  gService = service;
}

}  // namespace vq::platform
