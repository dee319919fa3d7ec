// Starting drags out of the program's views: a list of files, or files promised by type and
// written only when dropped. The default service is the headless one, which records each
// drag; a desktop backend installs its own. Main thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace vq::platform {

class View;
struct Image;

// Files promised to a drop: their types, the name a target may show, and what writes them.
struct PromisedFiles {
  std::vector<std::string> types;
  std::string name;
  // Writes the files into the folder the drop names; answers the names written, none when
  // nothing was (the user stopped, or no file came out).
  std::function<std::optional<std::vector<std::string>>(const std::string& folder)> writeInto;
};

class DragSource {
 public:
  virtual ~DragSource() = default;
  // Drags the files from the rectangle (view coordinates) with the image, or the desktop's
  // icon for them when none; false when no drag could start.
  virtual bool beginFileDrag(View* view, Rect from, const std::vector<std::string>& paths,
                             const Image* image) = 0;
  // Drags files that are written only when the drop names a folder; false when no drag could
  // start.
  virtual bool beginPromisedFileDrag(View* view, Rect from, const PromisedFiles& files) = 0;
};

DragSource& dragSource();
void installDragSource(std::unique_ptr<DragSource> source);

class HeadlessDragSource final : public DragSource {
 public:
  struct Drag {
    View* view;
    Rect from;
    std::vector<std::string> paths;  // or the promised types
    bool promised;
    const Image* image;
  };
  bool beginFileDrag(View* view, Rect from, const std::vector<std::string>& paths,
                     const Image* image) override {
    drags.push_back({view, from, paths, false, image});
    return true;
  }
  bool beginPromisedFileDrag(View* view, Rect from, const PromisedFiles& files) override {
    drags.push_back({view, from, files.types, true, nullptr});
    return true;
  }
  std::vector<Drag> drags;
};

}  // namespace vq::platform
