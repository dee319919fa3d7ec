// Asks the user for a folder with the platform's folder panel.
#pragma once

#include <string>

class ProgramBrowser;

// The chosen folder with a trailing "/", or "" when the user cancelled. The panel opens in the
// folder the user last chose (else home), and the choice becomes that folder. Main thread; modal.
std::string ChooseDirectory(ProgramBrowser& browser);
