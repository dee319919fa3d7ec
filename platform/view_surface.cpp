#include "platform/view_surface.h"

namespace vq::platform {

namespace {
ViewSurfaceService* gService = nullptr;
}

ViewSurfaceService* viewSurfaces() {
  return gService;
}
void setViewSurfaceService(ViewSurfaceService* service) {
  gService = service;
}

}  // namespace vq::platform
