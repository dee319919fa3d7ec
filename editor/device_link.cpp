#include "editor/device_link.h"

#include "protocol/incoming_sysex.h"

void DeviceLink::DropReceivedDump() {
  mDumpReceived = false;
  mReceivedDumpPending = false;
  mReceiveBuffer.fill(0);
}

bool DeviceLink::HoldsReceivedDump() const {
  const IncomingSysEx in = ClassifyIncomingSysEx(mReceiveBuffer.data(), kDumpBytes);
  return in.isDump && in.checksumGood && in.slotValid;
}
