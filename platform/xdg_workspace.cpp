#include "platform/xdg_workspace.h"

#include "platform/process.h"

namespace vq::platform {

std::vector<std::string> XdgWorkspace::commandFor(const std::string& urlOrPath) const {
  // A target starting with "-" would be read as an option; "./" keeps a relative path a path.
  std::string target = urlOrPath;
  if (!target.empty() && target[0] == '-') target = "./" + target;
  return {mOpener, target};
}

bool XdgWorkspace::open(const std::string& urlOrPath) {
  if (urlOrPath.empty()) return false;
  return launchDetached(commandFor(urlOrPath));
}

}  // namespace vq::platform
