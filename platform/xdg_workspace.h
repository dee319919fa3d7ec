// The desktop's opener: hands URLs and files to `xdg-open` with an argument vector, so no
// character of the target is ever read by a shell.
#pragma once

#include <string>
#include <vector>

#include "platform/workspace.h"

namespace vq::platform {

class XdgWorkspace final : public Workspace {
 public:
  // `opener` is the program to run (tests substitute their own).
  explicit XdgWorkspace(std::string opener = "xdg-open") : mOpener(std::move(opener)) {}
  bool open(const std::string& urlOrPath) override;
  // The argument vector that open() runs.
  std::vector<std::string> commandFor(const std::string& urlOrPath) const;

 private:
  std::string mOpener;
};

}  // namespace vq::platform
