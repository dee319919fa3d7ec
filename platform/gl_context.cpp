#include "platform/gl_context.h"

#include "platform/installed.h"

namespace vq::platform {

using InstalledGLService = Installed<GLService, HeadlessGLService>;

GLService& glService() {
  return InstalledGLService::get();
}

void installGLService(std::unique_ptr<GLService> service) {
  InstalledGLService::install(std::move(service));
}

HeadlessGLService::Context::~Context() {
  if (mService.mCurrent == this) mService.mCurrent = nullptr;
  --mService.alive;
}

std::unique_ptr<GLContext> HeadlessGLService::createContext(const std::vector<int>& attributes) {
  if (refuse) return nullptr;
  ++created;
  ++alive;
  return std::make_unique<Context>(*this, attributes);
}

}  // namespace vq::platform
