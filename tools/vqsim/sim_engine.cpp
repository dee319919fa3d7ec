#include "tools/vqsim/sim_engine.h"
#include "tools/vqsim/sim_format.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace vqsim {
namespace {

// Device byte addressed by an NRPN, or -1: (5, 0..127) -> 0..127, (6, 0..41) -> 128..169.
int ByteForNrpn(int msb, int lsb) {
  if (msb == 5 && lsb >= 0 && lsb <= 127) return lsb;
  if (msb == 6 && lsb >= 0 && lsb < static_cast<int>(kProgramByteCount) - 128) return 128 + lsb;
  return -1;
}

size_t ChannelMessageLength(uint8_t status) {
  const uint8_t high = status & 0xF0;
  return (high == 0xC0 || high == 0xD0) ? 2 : 3;
}

// Flips the `mask` bits of byte `at` in every message longer than `longer` bytes.
std::vector<OutMessage> FlipByte(std::vector<OutMessage> answer, size_t longer, size_t at,
                                 uint8_t mask) {
  for (auto& m : answer)
    if (m.bytes.size() > longer) m.bytes[at] ^= mask;
  return answer;
}

}  // namespace

SimEngine::SimEngine() {
  FillSlots(false);
  mState.editBuffer = InitProgram().bytes;
}

void SimEngine::FillSlots(bool distinct) {
  for (int s = 1; s <= kSlotCount; ++s)
    mState.slots[s - 1] = distinct ? DistinctProgram(s) : InitProgram();
}

void SimEngine::Log(EventKind kind, std::string line) {
  Event e{kind, std::move(line)};
  if (mSink) mSink(e);
  if (mEvents.size() >= mEventLimit && !mEvents.empty())
    mEvents.erase(mEvents.begin(), mEvents.begin() + static_cast<long>(mEvents.size() / 2));
  mEvents.push_back(std::move(e));
}

void SimEngine::Fault(std::string text) {
  mState.faults.push_back(text);
  Log(EventKind::Fault, "fault " + text);
}

std::vector<OutMessage> SimEngine::Receive(const uint8_t* d, size_t n) {
  if (n == 0 || d == nullptr) {
    Fault("empty message");
    return {};
  }
  const uint8_t status = d[0];
  if (status < 0x80) {
    Fault(Format("message without status byte: %s", HexBytes(d, std::min<size_t>(n, 16)).c_str()));
    return {};
  }
  // Every byte after the status must be a data byte, except the F7 that ends a SysEx.
  const size_t dataEnd = (status == kSysExStart && d[n - 1] == kSysExEnd) ? n - 1 : n;
  for (size_t i = 1; i < dataEnd; ++i) {
    if (d[i] > 127) {
      // A program write is still answered (0x22), so the editor hears of it.
      if (status == kSysExStart && n > 7 && HasOurIdentifier(d, n) && d[4] == kTargetProgram &&
          d[5] == kCmdProgramWrite)
        return OnProgramWrite(d, n);
      Fault(
          Format("data byte above 127 (0x%02X at %zu of %zu, status 0x%02X)", d[i], i, n, status));
      return {};
    }
  }
  if (status < 0xF0) {
    OnChannelMessage(d, n);
    return {};
  }
  if (status == kSysExStart) return OnSysEx(d, n);
  if (n != 1 && status >= 0xF8) {
    Fault(Format("real-time message 0x%02X with %zu bytes", status, n));
    return {};
  }
  if (status == 0xF8) {
    ++mState.clocks;
    Log(EventKind::Realtime, "clock");
  } else if (status == 0xFE) {
    // Active sensing carries nothing worth logging.
  } else if (status == kSysExEnd) {
    Fault("stray F7");
  } else {
    Log(EventKind::Realtime, Format(status >= 0xF8 ? "realtime %02X" : "system %02X", status));
  }
  return {};
}

void SimEngine::OnChannelMessage(const uint8_t* d, size_t n) {
  const uint8_t status = d[0];
  if (n != ChannelMessageLength(status)) {
    Fault(Format("channel message 0x%02X with %zu bytes", status, n));
    return;
  }
  ++mState.channelMessages;
  const int channel = (status & 0x0F) + 1;
  switch (status & 0xF0) {
    case 0x80:
      ++mState.channelNoteOffs;
      Log(EventKind::Note, Format("note-off %d %d %d", channel, d[1], d[2]));
      break;
    case 0x90:
      if (d[2] == 0)
        ++mState.channelNoteOffs;
      else
        ++mState.channelNoteOns;
      Log(EventKind::Note,
          Format(d[2] == 0 ? "note-off %d %d %d" : "note-on %d %d %d", channel, d[1], d[2]));
      break;
    case 0xB0:
      OnController(channel, d[1], d[2]);
      break;
    default:
      if (n == 2)
        Log(EventKind::Channel, Format("channel %02X %d", status, d[1]));
      else
        Log(EventKind::Channel, Format("channel %02X %d %d", status, d[1], d[2]));
      break;
  }
}

void SimEngine::OnController(int channel, uint8_t number, uint8_t value) {
  if (channel != 1) {
    Log(EventKind::Controller, Format("cc %d %d %d", channel, number, value));
    return;
  }
  switch (number) {
    case kCcNrpnMsb:
      mState.nrpnMsb = value;
      mState.lsbAfterMsb = false;
      return;
    case kCcNrpnLsb:
      mState.nrpnLsb = value;
      mState.lsbAfterMsb = true;
      return;
    case kCcDataEntryMsb: {
      if (mState.nrpnMsb < 0 || mState.nrpnLsb < 0) {
        Fault(Format("NRPN data %d without an address", value));
        return;
      }
      if (!mState.lsbAfterMsb)
        Fault(Format("NRPN data %d after MSB %d without its LSB", value, mState.nrpnMsb));
      if (mState.nrpnMsb == 0 && mState.nrpnLsb == 0) {
        // The editor's address for fields without one of their own (a single send of the
        // external program change goes here): the device has nothing there and ignores it.
        Log(EventKind::Nrpn, Format("nrpn-ignored 0 0 %d", value));
        return;
      }
      const int index = ByteForNrpn(mState.nrpnMsb, mState.nrpnLsb);
      if (index < 0) {
        Fault(Format("NRPN data %d for unknown address (%d, %d)", value, mState.nrpnMsb,
                     mState.nrpnLsb));
        return;
      }
      mState.editBuffer[index] = value;
      ++mState.nrpnValues;
      ++mState.nrpnWritesPerByte[index];
      Log(EventKind::Nrpn, Format("nrpn %d %d %d", mState.nrpnMsb, mState.nrpnLsb, value));
      return;
    }
    case kCcDataEntryLsb:
      // The device works in 7 bits: a fine part is noted and otherwise ignored.
      Log(EventKind::Controller, Format("cc 1 %d %d", number, value));
      return;
    default:
      Log(EventKind::Controller, Format("cc 1 %d %d", number, value));
      return;
  }
}

std::vector<OutMessage> SimEngine::OnSysEx(const uint8_t* d, size_t n) {
  if (d[n - 1] != kSysExEnd) {
    Fault(Format("SysEx of %zu bytes without F7", n));
    return {};
  }
  if (n < kReplySize) {
    Fault(Format("SysEx of %zu bytes: %s", n, HexBytes(d, n).c_str()));
    return {};
  }
  if (!HasOurIdentifier(d, n)) {
    Fault(Format("SysEx with a foreign identifier %s", HexBytes(d + 1, 3).c_str()));
    return {};
  }
  const uint8_t target = d[4], command = d[5];
  if (target == kTargetProgram) {
    switch (command) {
      case kCmdProgramRequest:
        return OnProgramRequest(d, n);
      case kCmdProgramWrite:
        return OnProgramWrite(d, n);
      case kCmdNoteOn:
        OnSysExNote(d, n, true);
        return {};
      case kCmdNoteOff:
        OnSysExNote(d, n, false);
        return {};
      default:
        break;
    }
  } else if (target == kTargetStartUp && command == kCmdStartUp) {
    OnStartUp(d, n);
    return {};
  } else if (target >= kFirmwareWireTargets[4] && target <= kFirmwareWireTargets[3]) {
    return OnFirmware(d, n);
  }
  Fault(Format("unknown SysEx target 0x%02X command 0x%02X (%zu bytes)", target, command, n));
  return {};
}

std::vector<OutMessage> SimEngine::OnProgramRequest(const uint8_t* d, size_t n) {
  if (n != kRequestSize || d[6] != kProgramBank || d[7] < 1 || d[7] > kSlotCount) {
    Fault(Format("bad program request: %s", HexBytes(d, n).c_str()));
    return {};
  }
  const int slot = d[7];
  ++mState.requests;
  Log(EventKind::Request, Format("request %d", slot));
  const DeviceProgram& program = mState.slots[slot - 1];
  std::vector<OutMessage> answer{{BuildProgramDump(program, slot), 0}};
  const auto rule = mPlan.Take(AnswerKind::ProgramRequest);
  if (!rule) {
    ++mState.dumpsSent;
    Log(EventKind::Dump, Format("dump %d", slot));
    return answer;
  }
  Log(EventKind::Misbehaved, Format("misbehave request %s", MisbehaviourName(rule->mode)));
  if (rule->mode == Misbehaviour::ErrorReply)
    return {{BuildReply(kTargetProgram, kCmdWriteError), rule->lateMs}};
  if (rule->mode == Misbehaviour::OldDump) answer = {{BuildOldProgramDump(program, slot), 0}};
  answer = Spoil(*rule, std::move(answer));
  if (!answer.empty()) {
    ++mState.dumpsSent;
    Log(EventKind::Dump, Format("dump %d spoiled-by %s", slot, MisbehaviourName(rule->mode)));
  }
  return answer;
}

std::vector<OutMessage> SimEngine::OnProgramWrite(const uint8_t* d, size_t n) {
  const int slot = n > 7 ? d[7] : -1;
  std::string reason;
  if (n != kProgramMessageSize)
    reason = Format("size %zu", n);
  else if (d[6] != kProgramBank)
    reason = Format("bank byte 0x%02X", d[6]);
  else if (slot < 1 || slot > kSlotCount)
    reason = Format("slot %d", slot);
  else if (std::any_of(d + 1, d + n - 1, [](uint8_t b) { return b > 127; }))
    reason = "data byte above 127";
  else {
    uint8_t high = 0, low = 0;
    ChecksumBytes(ByteSum(d, kProgramDataOffset, kProgramChecksumOffset), high, low);
    if (d[210] != high || d[211] != low)
      reason = Format("checksum %02X %02X, expected %02X %02X", d[210], d[211], high, low);
  }
  const auto rule = mPlan.Take(AnswerKind::ProgramWrite);
  if (rule) Log(EventKind::Misbehaved, Format("misbehave write %s", MisbehaviourName(rule->mode)));

  if (!reason.empty()) {
    ++mState.writesRejected;
    Fault("program write rejected: " + reason);
    Log(EventKind::Write, Format("write %d rejected %s", slot, reason.c_str()));
    std::vector<OutMessage> answer{{BuildReply(kTargetProgram, kCmdWriteError), 0}};
    return rule ? Spoil(*rule, std::move(answer)) : answer;
  }
  if (rule && rule->mode == Misbehaviour::ErrorReply) {
    ++mState.writesRejected;
    Log(EventKind::Write, Format("write %d rejected misbehave", slot));
    return {{BuildReply(kTargetProgram, kCmdWriteError), rule->lateMs}};
  }
  const std::vector<uint8_t> message(d, d + n);
  mState.slots[slot - 1] = ProgramFromMessage(message);
  ++mState.writesPerSlot[slot];
  ++mState.writesAccepted;
  Log(EventKind::Write, Format("write %d ok %s", slot, mState.slots[slot - 1].NameText().c_str()));
  std::vector<OutMessage> answer{{BuildReply(kTargetProgram, kCmdWriteAck), 0}};
  return rule ? Spoil(*rule, std::move(answer)) : answer;
}

void SimEngine::OnSysExNote(const uint8_t* d, size_t n, bool on) {
  if (n != kNoteMessageSize) {
    Fault(Format("note message of %zu bytes", n));
    return;
  }
  const uint8_t note = d[6], velocity = d[7];
  if (on) {
    if (velocity == 0) Fault(Format("SysEx note-on %d with velocity 0", note));
    mState.sysexNotesHeld[note] = 1;
    ++mState.sysexNoteOns;
  } else {
    mState.sysexNotesHeld[note] = 0;
    ++mState.sysexNoteOffs;
  }
  Log(EventKind::SysExNote,
      Format(on ? "sysex-note-on %d %d" : "sysex-note-off %d %d", note, velocity));
}

void SimEngine::OnStartUp(const uint8_t* d, size_t n) {
  if (n != kStartUpSize || d[6] != kStartUpData[0] || d[7] != kStartUpData[1]) {
    Fault(Format("bad start-up message: %s", HexBytes(d, n).c_str()));
    return;
  }
  ++mState.startUpMessages;
  Log(EventKind::StartUp, "startup");
}

std::vector<OutMessage> SimEngine::Spoil(const MisbehaviourRule& rule,
                                         std::vector<OutMessage> answer) {
  switch (rule.mode) {
    case Misbehaviour::Silence:
      return {};
    case Misbehaviour::Slow:
      for (auto& m : answer) m.delayMs = rule.delayMs;
      return answer;
    case Misbehaviour::WrongCommand:
      return FlipByte(std::move(answer), 5, 5, 0x08);
    case Misbehaviour::BadChecksum:
      for (auto& m : answer)
        if (m.bytes.size() == kProgramMessageSize)
          m.bytes[211] ^= 0x01;
        else if (m.bytes.size() == kOldProgramMessageSize)
          m.bytes[113] ^= 0x01;
      return answer;
    case Misbehaviour::Truncated:
      for (auto& m : answer) {
        size_t keep = rule.length;
        if (keep == 0)
          keep = m.bytes.size() <= kRequestSize ? m.bytes.size() - 2 : m.bytes.size() / 2;
        if (keep < m.bytes.size()) {
          m.bytes.resize(std::max<size_t>(keep, 2));
          m.bytes.back() = kSysExEnd;
        }
      }
      return answer;
    case Misbehaviour::WrongTarget:
      return FlipByte(std::move(answer), 4, 4, 0x08);
    case Misbehaviour::ForeignId:
      return FlipByte(std::move(answer), 3, 2, 0x01);
    case Misbehaviour::WrongSlot:
      for (auto& m : answer)
        if (m.bytes.size() > 7) m.bytes[7] = static_cast<uint8_t>(rule.slot & 0x7F);
      return answer;
    case Misbehaviour::ErrorReply:
    case Misbehaviour::OldDump:
      return answer;  // decided by the caller
  }
  return answer;
}

std::string SimEngine::SaveSlots() const {
  std::string out;
  for (int s = 1; s <= kSlotCount; ++s) {
    const DeviceProgram& p = mState.slots[s - 1];
    out += Format("slot %02d ", s);
    out += HexBytes(p.bytes.data(), p.bytes.size());
    out += HexBytes(p.name.data(), p.name.size());
    out += '\n';
  }
  return out;
}

bool SimEngine::LoadSlots(const std::string& text, std::string& error) {
  std::istringstream in(text);
  std::string word, hex;
  int slot = 0, lineNo = 0;
  auto slots = mState.slots;
  std::string line;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::vector<uint8_t> bytes;
    if (!(fields >> word >> slot >> hex) || word != "slot" || slot < 1 || slot > kSlotCount ||
        !ParseHexBytes(hex, bytes) || bytes.size() != kProgramByteCount + kProgramNameSize) {
      error = Format("line %d: expected \"slot NN <404 hex digits>\"", lineNo);
      return false;
    }
    if (std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b > 127; })) {
      error = Format("line %d: byte above 127", lineNo);
      return false;
    }
    DeviceProgram& p = slots[slot - 1];
    std::copy_n(bytes.begin(), kProgramByteCount, p.bytes.begin());
    std::copy_n(bytes.begin() + kProgramByteCount, kProgramNameSize, p.name.begin());
  }
  mState.slots = slots;
  return true;
}

}  // namespace vqsim
