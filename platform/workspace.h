// Handing URLs and files to the desktop's programs, starting programs and applications, and
// showing files in the desktop's file manager.
#pragma once

#include <string>

namespace vq::platform {

class Workspace {
 public:
  virtual ~Workspace() = default;
  // Opens a URL ("https://...") or a file path with the desktop's default program. Answers
  // whether the request could be handed on (not whether the program succeeded).
  virtual bool open(const std::string& urlOrPath) = 0;
  // Starts the program (an absolute path, or a name found on PATH) with the document as its
  // one argument, directly through an argument vector (no shell reads either). False when the
  // program cannot be found or started.
  virtual bool openWith(const std::string& program, const std::string& document) = 0;
  // Launches the application named "Name.app" (a folder before the name is ignored): the
  // desktop entry "Name.desktop" (or in lower case), else the program "Name" on PATH, with the
  // document as its argument when one is given. False when neither starts.
  virtual bool launchApplication(const std::string& app, const std::string& document) = 0;
  // Opens the document (none: "") in the desktop's default application for plain text, whatever
  // its own type. False when there is none or it cannot start.
  virtual bool openAsText(const std::string& document) = 0;
  // Shows the file selected in the desktop's file manager. False when no file manager
  // answers, so the caller can fall back to opening the folder.
  virtual bool revealSelected(const std::string& path) = 0;
};

}  // namespace vq::platform
