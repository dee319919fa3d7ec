// The device's side of the firmware handshake: section start, size and first block, blocks,
// checksum, then success (0x14) or failure (0x15).
#include "tools/vqsim/sim_engine.h"
#include "tools/vqsim/sim_format.h"

#include <algorithm>
#include <cstdio>

namespace vqsim {
namespace {

int SectionOfTarget(uint8_t wireTarget) {
  for (int k = 0; k < kFirmwareSectionCount; ++k)
    if (kFirmwareWireTargets[k] == wireTarget) return k;
  return -1;
}

}  // namespace

std::vector<OutMessage> SimEngine::FirmwareFailure(int section, const std::string& why,
                                                   bool isFault) {
  FirmwareSectionState& sec = mState.firmware[section];
  sec.failed = true;
  if (mState.activeFirmwareSection == section) mState.activeFirmwareSection = -1;
  if (isFault) Fault("firmware: " + why);
  Log(EventKind::Firmware, Format("fw-section-failed %d %s", sec.wireTarget, why.c_str()));
  return {{BuildReply(sec.wireTarget, kCmdFirmwareError), 0}};
}

std::vector<OutMessage> SimEngine::OnFirmware(const uint8_t* d, size_t n) {
  const uint8_t target = d[4], command = d[5];
  const int k = SectionOfTarget(target);
  if (k < 0) {
    Fault(Format("firmware message to unknown target 0x%02X", target));
    return {};
  }
  FirmwareSectionState& sec = mState.firmware[k];

  if (command == kCmdFirmwareSectionStart) {
    if (n != kReplySize) {
      Fault(Format("firmware section start of %zu bytes", n));
      return {};
    }
    if (k == 0) {
      // The first section in file order starts a new update.
      for (auto& s : mState.firmware) s = FirmwareSectionState{};
      mState.firmwareComplete = false;
    }
    sec = FirmwareSectionState{};
    sec.wireTarget = target;
    sec.started = true;
    mState.activeFirmwareSection = k;
    Log(EventKind::Firmware, Format("fw-start %d", target));
    const auto rule = mPlan.Take(AnswerKind::FirmwareStart);
    if (rule) {
      Log(EventKind::Misbehaved, Format("misbehave fw-start %s", MisbehaviourName(rule->mode)));
      if (rule->mode == Misbehaviour::ErrorReply) return FirmwareFailure(k, "misbehave", false);
    }
    // Erase, then ask for the first block.
    std::vector<OutMessage> answer{{BuildReply(target, kCmdFirmwareEraseStarted), 0},
                                   {BuildReply(target, kCmdFirmwareSendNext), 0}};
    return rule ? Spoil(*rule, std::move(answer)) : answer;
  }

  if (command != kCmdFirmwareFirstBlock && command != kCmdFirmwareBlock) {
    Fault(Format("unknown firmware command 0x%02X for target %d", command, target));
    return {};
  }
  sec.wireTarget = target;
  if (mState.activeFirmwareSection != k)
    return FirmwareFailure(k, Format("block 0x%02X for a section that was not started", command),
                           true);

  // A block taken that does not end the section: ask for the next, unless the plan spoils
  // the answer.
  auto askNextBlock = [&]() -> std::vector<OutMessage> {
    Log(EventKind::Firmware, Format("fw-block %d %u/%u", target, sec.received, sec.size));
    const auto rule = mPlan.Take(AnswerKind::FirmwareBlock);
    if (rule) {
      Log(EventKind::Misbehaved, Format("misbehave fw-block %s", MisbehaviourName(rule->mode)));
      if (rule->mode == Misbehaviour::ErrorReply) return FirmwareFailure(k, "misbehave", false);
      return Spoil(*rule, {{BuildReply(target, kCmdFirmwareSendNext), 0}});
    }
    return {{BuildReply(target, kCmdFirmwareSendNext), 0}};
  };

  if (command == kCmdFirmwareFirstBlock) {
    if (sec.blocks != 0) return FirmwareFailure(k, "second size-and-first-block message", true);
    if (n != kFirmwareFirstBlockSize)
      return FirmwareFailure(k, Format("first block of %zu bytes", n), true);
    const uint32_t size = (uint32_t{d[6]} << 14) | (uint32_t{d[7]} << 7) | d[8];
    if (size == 0 || size > kFirmwarePackedCapacity)
      return FirmwareFailure(k, Format("section size %u", size), true);
    sec.size = size;
    sec.data.assign(d + 9, d + 9 + kFirmwareBlockData);
    sec.sum = ByteSum(d, 9, 9 + kFirmwareBlockData);
    sec.received = kFirmwareBlockData;
    sec.blocks = 1;
    // Even a section that fits the first block still needs the block carrying its checksum.
    return askNextBlock();
  }

  // 0x16: a middle block while more than one block's worth remains, else the last block.
  if (sec.blocks == 0)
    return FirmwareFailure(k, "block before the size-and-first-block message", true);
  const int64_t remaining = int64_t{sec.size} - int64_t{sec.received};
  if (remaining > static_cast<int64_t>(kFirmwareBlockData)) {
    if (n != kFirmwareBlockSize)
      return FirmwareFailure(k,
                             Format("block of %zu bytes with %lld bytes to come", n,
                                    static_cast<long long>(remaining)),
                             true);
    sec.data.insert(sec.data.end(), d + 6, d + 6 + kFirmwareBlockData);
    sec.sum += ByteSum(d, 6, 6 + kFirmwareBlockData);
    sec.received += kFirmwareBlockData;
    ++sec.blocks;
    return askNextBlock();
  }

  const size_t expected = remaining > 0 ? static_cast<size_t>(remaining) : 0;
  if (n != expected + kFirmwareLastBlockOverhead)
    return FirmwareFailure(
        k,
        Format("last block of %zu bytes, expected %zu", n, expected + kFirmwareLastBlockOverhead),
        true);
  const size_t dataEnd = 6 + expected;
  sec.data.insert(sec.data.end(), d + 6, d + dataEnd);
  sec.sum += ByteSum(d, 6, dataEnd);
  sec.received += static_cast<uint32_t>(expected);
  ++sec.blocks;
  uint8_t high = 0, low = 0;
  ChecksumBytes(sec.sum, high, low);
  if (d[dataEnd] != high || d[dataEnd + 1] != low)
    return FirmwareFailure(
        k, Format("checksum %02X %02X, expected %02X %02X", d[dataEnd], d[dataEnd + 1], high, low),
        true);
  const auto rule = mPlan.Take(AnswerKind::FirmwareEnd);
  if (rule) {
    Log(EventKind::Misbehaved, Format("misbehave fw-end %s", MisbehaviourName(rule->mode)));
    if (rule->mode == Misbehaviour::ErrorReply || rule->mode == Misbehaviour::BadChecksum)
      return FirmwareFailure(k, "misbehave", false);
  }
  sec.data.resize(sec.size);
  sec.done = true;
  mState.activeFirmwareSection = -1;
  Log(EventKind::Firmware, Format("fw-section-done %d", target));
  if (std::all_of(mState.firmware.begin(), mState.firmware.end(),
                  [](const FirmwareSectionState& s) { return s.done; })) {
    mState.firmwareComplete = true;
    Log(EventKind::Firmware, "fw-complete");
  }
  std::vector<OutMessage> answer{{BuildReply(target, kCmdFirmwareSectionDone), 0}};
  return rule ? Spoil(*rule, std::move(answer)) : answer;
}

}  // namespace vqsim
