#include "protocol/incoming_sysex.h"

#include "protocol/device_messages.h"
#include "protocol/vq_sysex.h"

using namespace vq_sysex;

namespace {

bool FrameGood(const uint8_t* d, int size) {
  if (!d || size < 7 || d[0] != kStart || d[size - 1] != kEnd) return false;
  for (int i = 1; i < size - 1; ++i)
    if (d[i] > 0x7F) return false;
  return HasManufacturerId(d, size);
}

}  // namespace

bool DumpChecksumGood(const uint8_t* data, int first, int last, int at) {
  // The same sum the editor puts in its own writes (the frame check has made every byte 7-bit).
  uint8_t high = 0, low = 0;
  SysExChecksum(data + first, last - first + 1, &high, &low);
  return data[at] == high && data[at + 1] == low;
}

IncomingSysEx ClassifyIncomingSysEx(const uint8_t* data, int size) {
  IncomingSysEx r;
  if (size != kProgramMessageSize && size != kOldProgramDumpSize && size != kReplySize) return r;
  if (!FrameGood(data, size)) return r;
  r.target = data[kTargetByte];
  r.command = data[kCommandByte];
  if (size == kReplySize) {
    const bool engine = r.target == kTargetEngine;
    const bool firmware =
        r.target >= kFirstFirmwareReplyTarget && r.target <= kLastFirmwareReplyTarget;
    if (!engine && !firmware) return r;
    r.kind = IncomingSysExKind::kReply;
    return r;
  }
  if (r.target != kTargetEngine) return r;
  r.kind = size == kProgramMessageSize ? IncomingSysExKind::kProgramDump
                                       : IncomingSysExKind::kOldProgramDump;
  r.isDump = r.command == kCmdProgramDump;
  r.slot = data[kProgramSlotByte];
  r.slotValid = r.slot >= 1 && r.slot <= 99;
  if (size == kProgramMessageSize)
    r.checksumGood =
        DumpChecksumGood(data, kProgramFieldsByte, kProgramChecksumByte - 1, kProgramChecksumByte);
  else
    r.checksumGood = DumpChecksumGood(data, kProgramFieldsByte, 111, 112);
  return r;
}
