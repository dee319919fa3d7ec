#include "editor/choose_directory.h"

#include "editor/program_browser.h"
#include "platform/platform.h"

std::string ChooseDirectory(ProgramBrowser& browser) {
  vq::platform::PanelRequest request;
  request.kind = vq::platform::PanelRequest::Kind::Folder;
  request.directory = browser.PanelFolder();
  request.title = "Select Directory";
  request.canCreateDirectories = true;
  auto chosen = vq::platform::services().dialogs().runPanel(request);
  if (!chosen || chosen->empty() || (*chosen)[0].empty()) return "";
  std::string folder = (*chosen)[0];
  if (folder.back() != '/') folder.push_back('/');
  browser.NoteChosenFolder(folder);
  return folder;
}
