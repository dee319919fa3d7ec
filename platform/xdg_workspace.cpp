#include "platform/xdg_workspace.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/process.h"

namespace vq::platform {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> findProgram(const std::string& program) {
  if (program.empty()) return std::nullopt;
  if (program[0] == '/') {
    if (isExecutableFile(program)) return program;
    return std::nullopt;
  }
  // A relative path would depend on the current folder: only bare names are looked up.
  if (program.find('/') != std::string::npos) return std::nullopt;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    // An empty entry means the current folder, which is never searched.
    if (!dir.empty() && dir[0] == '/' && isExecutableFile(dir + "/" + program))
      return dir + "/" + program;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace

std::string asArgument(const std::string& target) {
  if (!target.empty() && target[0] == '-') return "./" + target;
  return target;
}

std::optional<std::vector<std::string>> programCommand(const std::string& program,
                                                       const std::string& document) {
  std::optional<std::string> found = findProgram(program);
  if (!found) return std::nullopt;
  std::vector<std::string> argv{*found};
  if (!document.empty()) argv.push_back(asArgument(document));
  return argv;
}

std::optional<std::string> applicationName(const std::string& app) {
  size_t slash = app.find_last_of('/');
  std::string name = slash == std::string::npos ? app : app.substr(slash + 1);
  if (name.size() < 5 || strcasecmp(name.c_str() + name.size() - 4, ".app") != 0)
    return std::nullopt;
  name.erase(name.size() - 4);
  return name;
}

std::vector<std::string> XdgWorkspace::commandFor(const std::string& urlOrPath) const {
  return {mOpener, asArgument(urlOrPath)};
}

bool XdgWorkspace::open(const std::string& urlOrPath) {
  if (urlOrPath.empty()) return false;
  return launchDetached(commandFor(urlOrPath));
}

bool XdgWorkspace::openWith(const std::string& program, const std::string& document) {
  auto argv = programCommand(program, document);
  return argv && launchDetached(*argv);
}

bool XdgWorkspace::launchApplication(const std::string& app, const std::string& document) {
  std::optional<std::string> name = applicationName(app);
  return name && openWith(*name, document);
}

}  // namespace vq::platform
