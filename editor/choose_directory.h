// Asks the user for a folder with the platform's folder panel.
#pragma once

#include <string>

// The chosen folder with a trailing "/", or "" when the user cancelled. The panel opens in
// `startFolder` ("" for the last used). Main thread; modal.
std::string ChooseDirectory(const std::string& startFolder = "");
