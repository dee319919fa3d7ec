// Asks the user for a folder with the platform's folder panel.
#pragma once

#include <string>

// The chosen folder with a trailing "/", or "" when the user cancelled. Main thread; modal.
std::string ChooseDirectory();
