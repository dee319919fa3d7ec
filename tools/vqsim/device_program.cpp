#include "tools/vqsim/device_program.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vqsim {
namespace {

// INIT program in device form: each field's INIT value plus its device offset.
constexpr uint8_t kInitBytes[kProgramByteCount] = {
    24, 63, 63, 0,  63, 0,  1,  0,  42, 0,  0,   32, 24, 63, 63, 0,  63, 0,   1,  0, 0,  0,
    0,  0,  24, 63, 63, 0,  63, 0,  1,  0,  0,   0,  0,  0,  24, 63, 63, 0,   63, 0, 1,  0,
    0,  0,  0,  0,  2,  2,  0,  0,  0,  0,  0,   64, 64, 64, 64, 1,  1,  127, 1,  1, 1,  0,
    1,  1,  1,  1,  0,  0,  0,  64, 0,  1,  122, 0,  0,  0,  0,  0,  0,  7,   1,  0, 0,  2,
    24, 0,  3,  1,  0,  0,  0,  0,  0,  0,  0,   0,  0,  11, 0,  0,  0,  0,   0,  0, 11, 0,
    0,  0,  0,  0,  0,  11, 0,  0,  0,  0,  0,   0,  11, 0,  0,  0,  0,  0,   0,  0, 0,  0,
    0,  0,  64, 0,  0,  0,  64, 0,  0,  0,  0,   0,  0,  0,  6,  0,  0,  0,   0,  0, 0,  0,
    0,  0,  0,  0,  0,  0,  20, 0,  10, 20, 0,   10, 20, 0,  0,  15,
};

// Fields of range 0..127 that DistinctProgram varies: saw envelope decays and VCO2 volume.
constexpr size_t kDistinctFields[] = {3, 15, 23, 27, 39};

// A zeroed program message of `size` bytes with its head filled in: start, identifier,
// target, command, bank and slot.
std::vector<uint8_t> ProgramMessageHead(size_t size, uint8_t command, int slot) {
  std::vector<uint8_t> m(size, 0);
  m[0] = kSysExStart;
  std::copy(std::begin(kManufacturerId), std::end(kManufacturerId), m.begin() + 1);
  m[4] = kTargetProgram;
  m[5] = command;
  m[6] = kProgramBank;
  m[7] = static_cast<uint8_t>(slot & 0x7F);
  return m;
}

std::vector<uint8_t> ProgramMessage(uint8_t command, const DeviceProgram& program, int slot) {
  std::vector<uint8_t> m = ProgramMessageHead(kProgramMessageSize, command, slot);
  std::copy(program.bytes.begin(), program.bytes.end(), m.begin() + kProgramDataOffset);
  std::copy(program.name.begin(), program.name.end(), m.begin() + kProgramNameOffset);
  ChecksumBytes(ByteSum(m.data(), kProgramDataOffset, kProgramChecksumOffset), m[210], m[211]);
  m[212] = kSysExEnd;
  return m;
}

}  // namespace

std::string DeviceProgram::NameText() const {
  const auto end = std::find(name.begin(), name.end(), uint8_t{0});
  return std::string(name.begin(), end);
}

void DeviceProgram::SetName(const std::string& text) {
  name.fill(0);
  const size_t n = std::min(text.size(), name.size());
  std::memcpy(name.data(), text.data(), n);
}

DeviceProgram InitProgram() {
  DeviceProgram p;
  std::copy(std::begin(kInitBytes), std::end(kInitBytes), p.bytes.begin());
  p.SetName("INIT");
  return p;
}

DeviceProgram DistinctProgram(int slot) {
  DeviceProgram p = InitProgram();
  for (size_t k = 0; k < std::size(kDistinctFields); ++k)
    p.bytes[kDistinctFields[k]] = static_cast<uint8_t>((slot * (k + 3)) & 0x7F);
  char name[16];
  std::snprintf(name, sizeof name, "Sim %02d", slot);
  p.SetName(name);
  return p;
}

uint32_t ByteSum(const uint8_t* data, size_t first, size_t last) {
  uint32_t s = 0;
  for (size_t i = first; i < last; ++i) s += data[i];
  return s;
}

std::vector<uint8_t> BuildProgramDump(const DeviceProgram& program, int slot) {
  return ProgramMessage(kCmdProgramDump, program, slot);
}

std::vector<uint8_t> BuildProgramWrite(const DeviceProgram& program, int slot) {
  return ProgramMessage(kCmdProgramWrite, program, slot);
}

std::vector<uint8_t> BuildOldProgramDump(const DeviceProgram& program, int slot) {
  std::vector<uint8_t> m = ProgramMessageHead(kOldProgramMessageSize, kCmdProgramDump, slot);
  std::copy(program.bytes.begin(), program.bytes.begin() + kOldProgramByteCount,
            m.begin() + kProgramDataOffset);
  ChecksumBytes(ByteSum(m.data(), kProgramDataOffset, kOldProgramChecksumOffset), m[112], m[113]);
  m[114] = kSysExEnd;
  return m;
}

DeviceProgram ProgramFromMessage(const std::vector<uint8_t>& message) {
  DeviceProgram p;
  if (message.size() < kProgramChecksumOffset) return p;
  std::copy_n(message.begin() + kProgramDataOffset, kProgramByteCount, p.bytes.begin());
  std::copy_n(message.begin() + kProgramNameOffset, kProgramNameSize, p.name.begin());
  return p;
}

std::vector<uint8_t> BuildReply(uint8_t target, uint8_t command) {
  return {kSysExStart, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], target,
          command,     kSysExEnd};
}

bool HasOurIdentifier(const uint8_t* data, size_t size) {
  return size >= 4 && data[1] == kManufacturerId[0] && data[2] == kManufacturerId[1] &&
         data[3] == kManufacturerId[2];
}

std::vector<uint8_t> UnpackSevenBitStream(const std::vector<uint8_t>& packed, size_t rawSize) {
  std::vector<uint8_t> raw(rawSize, 0);
  const size_t bits = rawSize * 8;
  for (size_t bit = 0; bit < bits; ++bit) {
    const size_t in = bit / 7;
    if (in >= packed.size()) break;
    const int value = (packed[in] >> (6 - bit % 7)) & 1;
    raw[bit / 8] = static_cast<uint8_t>(raw[bit / 8] | (value << (7 - bit % 8)));
  }
  return raw;
}

std::vector<uint8_t> PackSevenBitStream(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> packed((8 * raw.size() + 7) / 7, 0);
  const size_t bits = raw.size() * 8;
  for (size_t bit = 0; bit < bits; ++bit) {
    const int value = (raw[bit / 8] >> (7 - bit % 8)) & 1;
    packed[bit / 7] = static_cast<uint8_t>(packed[bit / 7] | (value << (6 - bit % 7)));
  }
  return packed;
}

std::string HexBytes(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    s.push_back(digits[data[i] >> 4]);
    s.push_back(digits[data[i] & 15]);
  }
  return s;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) return false;
  out.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  return true;
}

}  // namespace vqsim
