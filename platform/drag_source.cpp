#include "platform/drag_source.h"

namespace vq::platform {

namespace {
std::unique_ptr<DragSource>& installed() {
  static std::unique_ptr<DragSource> s;
  return s;
}
}  // namespace

DragSource& dragSource() {
  if (!installed()) installed() = std::make_unique<HeadlessDragSource>();
  return *installed();
}

void installDragSource(std::unique_ptr<DragSource> source) {
  installed() = std::move(source);
}

}  // namespace vq::platform
