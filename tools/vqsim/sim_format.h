// printf-style formatting into a std::string, for the engine's event log and fault texts.
#pragma once

#include <cstdio>
#include <string>

namespace vqsim {

// Texts longer than 255 characters are cut.
std::string Format(const char* fmt, auto... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

}  // namespace vqsim
