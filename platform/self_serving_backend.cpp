#include "platform/self_serving_backend.h"

namespace vq::platform {

CursorRef SelfServingBackend::systemCursor(SystemCursor which) {
  auto& slot = mSystem[static_cast<int>(which)];
  if (!slot) {
    auto c = std::make_shared<Cursor>();
    c->isSystem = true;
    c->system = which;
    slot = c;
  }
  return slot;
}

}  // namespace vq::platform
