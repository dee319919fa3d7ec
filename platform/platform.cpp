#include "platform/platform.h"

#include "platform/dialogs.h"
#include "platform/headless.h"
#include "platform/installed.h"

namespace vq::platform {

using InstalledBackend = Installed<Backend, HeadlessBackend>;

Backend& services() {
  return InstalledBackend::get();
}

void installBackend(std::unique_ptr<Backend> backend) {
  dropWaitingOpens();
  InstalledBackend::install(std::move(backend));
}

bool hasBackend() {
  return InstalledBackend::current() != nullptr;
}

HeadlessBackend& installHeadless() {
  installBackend(nullptr);
  auto backend = std::make_unique<HeadlessBackend>();
  HeadlessBackend& ref = *backend;
  installBackend(std::move(backend));
  return ref;
}

HeadlessBackend* headless() {
  return dynamic_cast<HeadlessBackend*>(InstalledBackend::current());
}

}  // namespace vq::platform
