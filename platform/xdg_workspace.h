// The desktop's opener: hands URLs and files to `xdg-open` with an argument vector, so no
// character of the target is ever read by a shell.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/workspace.h"

namespace vq::platform {

class XdgWorkspace final : public Workspace {
 public:
  // `opener` is the program to run (tests substitute their own).
  explicit XdgWorkspace(std::string opener = "xdg-open") : mOpener(std::move(opener)) {}
  bool open(const std::string& urlOrPath) override;
  bool openWith(const std::string& program, const std::string& document) override;
  // The program of the name only: there is no desktop entry lookup without the desktop.
  bool launchApplication(const std::string& app, const std::string& document) override;
  bool openAsText(const std::string&) override { return false; }
  bool revealSelected(const std::string&) override { return false; }
  // The argument vector that open() runs.
  std::vector<std::string> commandFor(const std::string& urlOrPath) const;

 private:
  std::string mOpener;
};

// A document or target handed to a program as an argument: one starting with "-" would be read
// as an option, so "./" keeps it a path.
std::string asArgument(const std::string& target);
// The argument vector that starts the program with the document (none for "": no document);
// none when the program is neither an absolute path nor a name found on PATH.
std::optional<std::vector<std::string>> programCommand(const std::string& program,
                                                       const std::string& document);
// The bare name of an application: "/x/Name.app" gives "Name"; none when it is not one.
std::optional<std::string> applicationName(const std::string& app);

}  // namespace vq::platform
