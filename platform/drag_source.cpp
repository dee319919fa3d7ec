#include "platform/drag_source.h"

#include "platform/installed.h"

namespace vq::platform {

using InstalledDragSource = Installed<DragSource, HeadlessDragSource>;

DragSource& dragSource() {
  return InstalledDragSource::get();
}

void installDragSource(std::unique_ptr<DragSource> source) {
  InstalledDragSource::install(std::move(source));
}

}  // namespace vq::platform
