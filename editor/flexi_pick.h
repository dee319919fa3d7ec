// The FLEXI slots' picking state: which slot is picking its destination (the blinking overlay
// and its time-out), which read-out the status poll refreshes after a pick, the field each
// slot's destination addresses and which list the list view serves.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/program_record.h"

class FlexiPick {
 public:
  using DestinationTable = std::array<int32_t, kFlexiSlotCount>;

  // The field each slot's destination addresses, -1 for none.
  DestinationTable& Destinations() { return mDestinations; }
  const DestinationTable& Destinations() const { return mDestinations; }
  // Whether a slot modulates an equalizer field (on/off and blend up to the treble boost), which
  // the curve cannot show.
  bool AimsAtEqualizer() const {
    for (int32_t d : mDestinations)
      if (d >= 157 && d <= 169) return true;
    return false;
  }
  // Whether slot 0..3's indicator overlay is shown (the pick blinks it).
  std::array<bool, kFlexiSlotCount>& IndicatorShown() { return mIndicatorShown; }

  // One blink call: true on every `calls`-th, which toggles the picking slot's overlay.
  bool BlinkDue(int calls);
  // The status poll's share. The slot (0..3) whose destination read-out is due on this poll, the
  // second after the request, else -1.
  int TakeDueReadout();
  // True on the `polls`-th poll of a pick's time-out, which the time-out then ends (the caller
  // ends the pick).
  bool PickTimedOut(int polls);

  // ListViewTarget: 0..3 source list of slot 1..4, 4..7 range-control list. Slot: the slot
  // picking (1..4, 0 none); Timeout/TimeoutCount: the status poll ends a pick after ten polls.
  // ReadoutSlot/ReadoutWait: the poll rewrites that slot's destination read-out on its second
  // poll after the request.
  int32_t ListViewTarget() const { return mListViewTarget; }
  void SetListViewTarget(int32_t value) { mListViewTarget = value; }
  int32_t Slot() const { return mSlot; }
  void SetSlot(int32_t value) { mSlot = value; }
  bool Active() const { return mActive; }
  void SetActive(bool value) { mActive = value; }
  bool Timeout() const { return mTimeout; }
  void SetTimeout(bool value) { mTimeout = value; }
  int32_t TimeoutCount() const { return mTimeoutCount; }
  void SetTimeoutCount(int32_t value) { mTimeoutCount = value; }
  int32_t BlinkCounter() const { return mBlinkCounter; }
  void SetBlinkCounter(int32_t value) { mBlinkCounter = value; }
  int32_t ReadoutSlot() const { return mReadoutSlot; }
  void SetReadoutSlot(int32_t value) { mReadoutSlot = value; }
  int32_t ReadoutWait() const { return mReadoutWait; }
  void SetReadoutWait(int32_t value) { mReadoutWait = value; }

 private:
  DestinationTable mDestinations = {-1, -1, -1, -1};
  std::array<bool, kFlexiSlotCount> mIndicatorShown = {};
  int32_t mListViewTarget = 0;
  int32_t mSlot = 0;
  bool mActive = false;
  bool mTimeout = false;
  int32_t mTimeoutCount = 0;
  int32_t mBlinkCounter = 0;
  int32_t mReadoutSlot = 0;
  int32_t mReadoutWait = 0;
};
