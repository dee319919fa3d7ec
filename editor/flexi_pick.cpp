#include "editor/flexi_pick.h"

bool FlexiPick::BlinkDue(int calls) {
  if (++mBlinkCounter < calls) return false;
  mBlinkCounter = 0;
  return true;
}

int FlexiPick::TakeDueReadout() {
  if (mReadoutSlot < 1 || mReadoutSlot > kFlexiSlotCount) return -1;
  if (mReadoutWait++ <= 0) return -1;
  const int slot = mReadoutSlot - 1;
  mReadoutSlot = 0;
  mReadoutWait = 0;
  return slot;
}

bool FlexiPick::PickTimedOut(int polls) {
  if (mTimeoutCount++ < polls - 1) return false;
  mTimeoutCount = 0;
  mTimeout = false;
  return true;
}
