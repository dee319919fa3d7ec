#include "platform/gl_context.h"

namespace vq::platform {

namespace {
std::unique_ptr<GLService>& installed() {
  static std::unique_ptr<GLService> s;
  return s;
}
}  // namespace

GLService& glService() {
  if (!installed()) installed() = std::make_unique<HeadlessGLService>();
  return *installed();
}

void installGLService(std::unique_ptr<GLService> service) {
  installed() = std::move(service);
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
