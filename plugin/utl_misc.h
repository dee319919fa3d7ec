// Small utilities of the framework: the trace point, lower-case copies, a
// processor-clock tick timer and a blank test.
#pragma once

#include <cstddef>
#include <ctime>

// Trace point on the framework's main paths. Produces no output.
void Trace(const char* functionName, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Lower-case copy of text into out, at most outSize - 1 characters,
// NUL-terminated (nothing for outSize 0). Null text gives "".
void ToLowerCopy(char* out, size_t outSize, const char* text);

// Elapsed-time test on the processor clock (clock()).
class UTL_TickTimer {
 public:
  UTL_TickTimer() { Reset(); }
  void Reset() { mStart = clock(); }
  // True when more than `seconds` of processor time passed; then resets.
  bool Elapsed(double seconds);

 private:
  clock_t mStart;
};

// True for tab, line feed, carriage return and space.
inline bool UTL_IsBlank(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}
