// The one process-wide object of a platform service: made as `Default` on first use unless
// another was installed. Main thread, while nothing uses the service.
#pragma once

#include <memory>

namespace vq::platform {

template <class Service, class Default>
class Installed {
 public:
  static Service& get() {
    if (!slot()) slot() = std::make_unique<Default>();
    return *slot();
  }
  // The old object is destroyed before the new one takes the slot, so nothing sees two.
  static void install(std::unique_ptr<Service> service) {
    slot().reset();
    slot() = std::move(service);
  }
  static Service* current() { return slot().get(); }

 private:
  static std::unique_ptr<Service>& slot() {
    static std::unique_ptr<Service> object;
    return object;
  }
};

}  // namespace vq::platform
