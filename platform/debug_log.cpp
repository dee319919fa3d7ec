#include "platform/debug_log.h"

#include <glib.h>

namespace vq::platform {

namespace {
constexpr const char* kDomain = "VQEditor4";
}

bool debugLogEnabled() {
  return !g_log_writer_default_would_drop(G_LOG_LEVEL_DEBUG, kDomain);
}

void debugLog(const std::string& text) {
  g_log(kDomain, G_LOG_LEVEL_DEBUG, "%s", text.c_str());
}

}  // namespace vq::platform
