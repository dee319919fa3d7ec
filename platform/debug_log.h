// The program's debug log: diagnostics for whoever asks for them, never on the terminal
// otherwise. They are GLib debug messages of the domain "VQEditor4", shown when the user sets
// G_MESSAGES_DEBUG to "VQEditor4" (or "all"). Any thread.
#pragma once

#include <string>

namespace vq::platform {

// Whether a message would be shown now: lets a caller skip building a long one.
bool debugLogEnabled();
void debugLog(const std::string& text);

}  // namespace vq::platform
