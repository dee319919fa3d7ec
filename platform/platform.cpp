#include "platform/platform.h"

#include "platform/headless.h"

namespace vq::platform {

namespace {
std::unique_ptr<Backend>& slot() {
  static std::unique_ptr<Backend> backend;
  return backend;
}
}  // namespace

Backend& services() {
  if (!slot()) slot() = std::make_unique<HeadlessBackend>();
  return *slot();
}

void installBackend(std::unique_ptr<Backend> backend) {
  // Destroy the old backend before the new one takes the slot, so nothing sees two.
  slot().reset();
  slot() = std::move(backend);
}

bool hasBackend() {
  return slot() != nullptr;
}

HeadlessBackend& installHeadless() {
  installBackend(nullptr);
  auto backend = std::make_unique<HeadlessBackend>();
  HeadlessBackend& ref = *backend;
  installBackend(std::move(backend));
  return ref;
}

HeadlessBackend* headless() {
  return dynamic_cast<HeadlessBackend*>(slot().get());
}

}  // namespace vq::platform
