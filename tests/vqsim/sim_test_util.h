// Message builders the editor would send, for driving the engine in tests.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/vqsim/device_program.h"
#include "tools/vqsim/sim_engine.h"

namespace vqsim::test {

inline std::vector<uint8_t> Cc(uint8_t number, uint8_t value, uint8_t channel = 0) {
  return {static_cast<uint8_t>(0xB0 | channel), number, value};
}

inline std::vector<uint8_t> Request(int slot) {
  return {0xF0,
          kManufacturerId[0],
          kManufacturerId[1],
          kManufacturerId[2],
          0x05,
          0x40,
          0x03,
          static_cast<uint8_t>(slot),
          0xF7};
}

inline std::vector<uint8_t> SysEx9(uint8_t target, uint8_t command, uint8_t a, uint8_t b) {
  return {0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], target, command, a, b,
          0xF7};
}

inline bool IsReply(const std::vector<uint8_t>& m, uint8_t target, uint8_t command) {
  return m == BuildReply(target, command);
}

// Sends one message and expects exactly one immediate answer.
inline std::vector<uint8_t> Single(SimEngine& e, const std::vector<uint8_t>& m) {
  auto out = e.Receive(m);
  return out.size() == 1 ? out[0].bytes : std::vector<uint8_t>{};
}

}  // namespace vqsim::test
