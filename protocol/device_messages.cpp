#include "protocol/device_messages.h"

#include <algorithm>
#include <cmath>

#include "protocol/program_codec.h"
#include "protocol/program_field_table.h"
#include "protocol/vq_sysex.h"

using namespace vq_sysex;

namespace {

uint8_t Data7(int v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 127));
}

// The message's six header bytes, in a buffer of its whole size (zero after the header).
std::vector<uint8_t> Frame(uint8_t target, uint8_t command, size_t size = 6) {
  std::vector<uint8_t> msg(size < 6 ? 6 : size, 0);
  msg[0] = kStart;
  msg[1] = kManufacturerId[0];
  msg[2] = kManufacturerId[1];
  msg[3] = kManufacturerId[2];
  msg[4] = target;
  msg[5] = command;
  return msg;
}

}  // namespace

std::vector<NrpnControl> SingleFieldNrpn(int field, int32_t value, int lastField) {
  std::vector<NrpnControl> out;
  if (lastField < 0 || lastField > kNoFieldSent) lastField = kNoFieldSent;
  int32_t msb = ProgramFieldTable::Msb(field);
  uint8_t lsb = ProgramFieldTable::Lsb(field);
  bool msbSent = msb != ProgramFieldTable::Msb(lastField);
  if (msbSent) out.push_back({kCcNrpnMsb, Data7(msb)});
  if (msbSent || lsb != ProgramFieldTable::Lsb(lastField)) out.push_back({kCcNrpnLsb, Data7(lsb)});
  // A composite part travels in its base field's byte, so it is limited by the base's range.
  int base = CompositeBaseField(field);
  int byteField = base >= 0 ? base : field;
  out.push_back({kCcDataEntry, ProgramFieldTable::DeviceByte(byteField, value)});
  return out;
}

std::vector<NrpnControl> ProgramNrpnBurst(const ProgramRecord& record) {
  std::vector<NrpnControl> out;
  out.reserve(kProgramBurstLength);
  out.push_back({kCcNrpnMsb, 5});
  for (int i = 0; i < 128; ++i) {
    out.push_back({kCcNrpnLsb, static_cast<uint8_t>(i)});
    out.push_back({kCcDataEntry, ProgramFieldTable::RecordDeviceByte(record, i)});
  }
  out.push_back({kCcNrpnMsb, 6});
  for (int i = 0; i < 42; ++i) {
    out.push_back({kCcNrpnLsb, static_cast<uint8_t>(i)});
    out.push_back({kCcDataEntry, ProgramFieldTable::RecordDeviceByte(record, 128 + i)});
  }
  return out;
}

std::vector<NrpnControl> FullTripleNrpn(uint8_t lsb, int32_t value) {
  return {{kCcNrpnMsb, 5}, {kCcNrpnLsb, Data7(lsb)}, {kCcDataEntry, Data7(value)}};
}

void SysExChecksum(const uint8_t* bytes, int count, uint8_t* high, uint8_t* low) {
  uint32_t sum = 0;
  for (int i = 0; i < count; ++i) sum += bytes[i];
  *high = static_cast<uint8_t>((sum >> 7) & 0x7F);
  *low = static_cast<uint8_t>(sum & 0x7F);
}

void EncodeProgramFields(const ProgramRecord& record, uint8_t* out) {
  for (int i = 0; i < kDeviceFieldCount; ++i)
    out[i] = ProgramFieldTable::RecordDeviceByte(record, i);
}

std::vector<uint8_t> ProgramWriteMessage(const ProgramRecord& record, int slot,
                                         std::string_view name) {
  std::vector<uint8_t> msg = Frame(kTargetEngine, kCmdProgramWrite, kProgramMessageSize);
  msg[6] = kProgramBank;
  msg[kProgramSlotByte] = Data7(slot);
  EncodeProgramFields(record, msg.data() + kProgramFieldsByte);
  // One byte per character of the name: what the device cannot show becomes '_'.
  size_t out = 0;
  for (size_t i = 0; i < name.size() && out < static_cast<size_t>(kProgramNameSize);) {
    const auto c = static_cast<unsigned char>(name[i++]);
    if (c == 0) break;
    if (c >= 0xC0 && c < 0xF8) {
      const size_t more = c < 0xE0 ? 1 : (c < 0xF0 ? 2 : 3);
      for (size_t k = 0; k < more && i < name.size() && (name[i] & 0xC0) == 0x80; ++k) ++i;
    }
    msg[kProgramNameByte + out++] = (c >= 0x20 && c < 0x7F) ? c : '_';
  }
  SysExChecksum(msg.data() + kProgramFieldsByte, kProgramChecksumByte - kProgramFieldsByte,
                &msg[kProgramChecksumByte], &msg[kProgramChecksumByte + 1]);
  msg[kProgramMessageSize - 1] = kEnd;
  return msg;
}

std::vector<uint8_t> ProgramRequestMessage(int slot) {
  std::vector<uint8_t> msg = Frame(kTargetEngine, kCmdProgramRequest);
  msg.push_back(kProgramBank);
  msg.push_back(Data7(slot));
  msg.push_back(kEnd);
  return msg;
}

std::vector<uint8_t> KeyboardNoteMessage(bool on, int note, int velocity) {
  std::vector<uint8_t> msg = Frame(kTargetEngine, on ? kCmdNoteOn : kCmdNoteOff);
  msg.push_back(Data7(note));
  msg.push_back(Data7(velocity));
  msg.push_back(kEnd);
  return msg;
}

std::vector<uint8_t> StartupMessage() {
  std::vector<uint8_t> msg = Frame(kTargetStartup, kCmdStartup);
  msg.push_back(kStartupCode);
  msg.push_back(0x00);
  msg.push_back(kEnd);
  return msg;
}

int KeyboardVelocity(double setting) {
  setting = std::clamp(setting, 0.0, 1.0);
  return static_cast<int>(126.0 * setting + 0.5) + 1;
}
