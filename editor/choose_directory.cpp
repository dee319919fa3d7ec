#include "editor/choose_directory.h"

#include "platform/platform.h"

std::string ChooseDirectory(const std::string& startFolder) {
  vq::platform::PanelRequest request;
  request.kind = vq::platform::PanelRequest::Kind::Folder;
  request.directory = startFolder;
  request.title = "Select Directory";
  request.canCreateDirectories = true;
  auto chosen = vq::platform::services().dialogs().runPanel(request);
  if (!chosen || chosen->empty() || (*chosen)[0].empty()) return "";
  std::string folder = (*chosen)[0];
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}
