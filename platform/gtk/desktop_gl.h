// OpenGL contexts on the desktop: GDK contexts drawing into a framebuffer of their view's size,
// which a paint copies into the view's pixels. Where the display has no OpenGL, or no desktop
// backend runs, no context is made. Installed with the desktop backend. Main thread.
#pragma once

#include <memory>

#include "platform/gl_context.h"

namespace vq::platform {

class DesktopGLService final : public GLService {
 public:
  std::unique_ptr<GLContext> createContext(const std::vector<int>& attributes) override;
  GLContext* currentContext() const override { return mShared->current; }
  void clearCurrentContext() override;
  // Contexts not yet released.
  int alive() const { return mShared->alive; }

  // Kept by the contexts too: they may outlive the service.
  struct Shared {
    GLContext* current = nullptr;
    int alive = 0;
  };

 private:
  std::shared_ptr<Shared> mShared = std::make_shared<Shared>();
};

}  // namespace vq::platform
