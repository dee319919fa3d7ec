// Whether the test command started a JACK server for this run (VQ_JACK=1), and the skip for
// tests that need real MIDI ports.
#pragma once

#include <cstdlib>
#include <cstring>

namespace vqtest {

inline bool JackAvailable() {
  const char* v = std::getenv("VQ_JACK");
  return v != nullptr && std::strcmp(v, "1") == 0;
}

}  // namespace vqtest

#ifndef VQSIM_PROCESS_NO_GTEST
#define VQ_SKIP_WITHOUT_JACK()                                                            \
  do {                                                                                    \
    if (!::vqtest::JackAvailable())                                                       \
      GTEST_SKIP() << "no JACK server: VQ_JACK is not \"1\" (tools/test.sh starts one); " \
                      "this test needs real MIDI ports";                                  \
  } while (0)
#endif
