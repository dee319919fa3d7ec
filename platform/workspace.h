// Handing URLs and files to the desktop's default programs.
#pragma once

#include <string>

namespace vq::platform {

class Workspace {
 public:
  virtual ~Workspace() = default;
  // Opens a URL ("https://...") or a file path with the desktop's default program. Answers
  // whether the request could be handed on (not whether the program succeeded).
  virtual bool open(const std::string& urlOrPath) = 0;
};

}  // namespace vq::platform
