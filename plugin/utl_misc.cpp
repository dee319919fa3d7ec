#include "plugin/utl_misc.h"

#include <cctype>

void Trace(const char* functionName, int line, const char* format, ...) {}

void ToLowerCopy(char* out, size_t outSize, const char* text) {
  if (!out || outSize == 0) return;
  size_t i = 0;
  if (text) {
    for (; text[i] && i + 1 < outSize; ++i)
      out[i] = static_cast<char>(tolower(static_cast<unsigned char>(text[i])));
  }
  out[i] = 0;
}

bool UTL_TickTimer::Elapsed(double seconds) {
  const clock_t now = clock();
  if (static_cast<double>(now - mStart) > seconds * static_cast<double>(CLOCKS_PER_SEC)) {
    mStart = now;
    return true;
  }
  return false;
}
