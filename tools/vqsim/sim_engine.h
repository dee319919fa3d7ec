// The simulated synthesizer's protocol engine: one MIDI message in, the device's answers out.
// It keeps the device's 99 program slots and edit buffer, follows NRPN addressing, checks every
// message the editor sends and records what happened in an event log and in inspectable state.
// Not thread-safe: callers serialise (the vqsim program holds one mutex around it).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/vqsim/device_program.h"
#include "tools/vqsim/misbehaviour.h"
#include "tools/vqsim/sim_protocol.h"

namespace vqsim {

// One message the device sends, delayMs after the message that caused it.
struct OutMessage {
  std::vector<uint8_t> bytes;
  uint32_t delayMs = 0;
};

enum class EventKind {
  Nrpn,        // "nrpn MSB LSB VALUE"; "nrpn-ignored 0 0 VALUE" at the no-address (0, 0)
  Controller,  // "cc CH NUMBER VALUE" (channel 1..16), controllers that are not NRPN
  Note,        // "note-on CH NOTE VEL" / "note-off CH NOTE VEL"
  Channel,     // "channel STATUS D1 [D2]" (hex status), other channel messages
  Realtime,    // "clock", "realtime STATUS", "system STATUS"
  SysExNote,   // "sysex-note-on NOTE VEL" / "sysex-note-off NOTE VEL"
  StartUp,     // "startup"
  Request,     // "request SLOT"
  Dump,        // "dump SLOT [spoiled-by MODE]" or "no-answer request SLOT"
  Write,       // "write SLOT ok NAME" / "write SLOT rejected REASON"
  Firmware,    // "fw-start T", "fw-block T RECEIVED/SIZE", "fw-section-done T", ...
  Misbehaved,  // "misbehave KIND MODE"
  Fault,       // "fault TEXT": something a correct editor never sends
};

struct Event {
  EventKind kind;
  std::string line;  // the log line, without a newline
};

struct FirmwareSectionState {
  uint8_t wireTarget = 0;
  bool started = false;
  bool done = false;
  bool failed = false;
  uint32_t size = 0;          // packed size announced by 0x13
  uint32_t received = 0;      // data bytes received, padding of the first block included
  uint32_t sum = 0;           // running sum of every data byte received
  uint32_t blocks = 0;        // 0x13 and 0x16 messages accepted
  std::vector<uint8_t> data;  // received data; cut to `size` when the section is done
};

struct SimState {
  std::array<DeviceProgram, kSlotCount> slots{};         // slot s at index s - 1
  std::array<uint32_t, kSlotCount + 1> writesPerSlot{};  // index = slot
  std::array<uint8_t, kProgramByteCount> editBuffer{};

  // NRPN: running address (-1 = not received yet) and what arrived.
  int nrpnMsb = -1;
  int nrpnLsb = -1;
  bool lsbAfterMsb = true;  // false between a CC 99 and the CC 98 that must follow it
  uint32_t nrpnValues = 0;
  std::array<uint32_t, kProgramByteCount> nrpnWritesPerByte{};

  std::array<uint8_t, 128> sysexNotesHeld{};
  uint32_t sysexNoteOns = 0, sysexNoteOffs = 0;
  uint32_t channelNoteOns = 0, channelNoteOffs = 0;
  uint32_t channelMessages = 0;  // every channel message, NRPN controllers included
  uint32_t clocks = 0;
  uint32_t startUpMessages = 0;

  uint32_t requests = 0, dumpsSent = 0;
  uint32_t writesAccepted = 0, writesRejected = 0;

  std::array<FirmwareSectionState, kFirmwareSectionCount> firmware{};  // file order
  int activeFirmwareSection = -1;
  bool firmwareComplete = false;  // all five sections done since the first one started

  std::vector<std::string> faults;  // one text per fault event
};

class SimEngine {
 public:
  SimEngine();

  // One complete MIDI message (as RtMidi delivers it). Returns the device's answers in order.
  std::vector<OutMessage> Receive(const uint8_t* data, size_t size);
  std::vector<OutMessage> Receive(const std::vector<uint8_t>& message) {
    return Receive(message.data(), message.size());
  }

  SimState& State() { return mState; }
  const SimState& State() const { return mState; }
  MisbehaviourPlan& Plan() { return mPlan; }

  // Every slot INIT (named "INIT"), or every slot its DistinctProgram.
  void FillSlots(bool distinct);

  // Slots as text, one line per slot: "slot NN <hex of 170 program bytes><hex of 32 name bytes>".
  std::string SaveSlots() const;
  bool LoadSlots(const std::string& text, std::string& error);

  const std::vector<Event>& Events() const { return mEvents; }
  void ClearEvents() { mEvents.clear(); }
  // Called for every event as it happens (the program writes its log file from here).
  void SetEventSink(std::function<void(const Event&)> sink) { mSink = std::move(sink); }
  // Events kept in memory; older ones are dropped past this (the sink still sees all).
  void SetEventLimit(size_t limit) { mEventLimit = limit; }

 private:
  void Log(EventKind kind, std::string line);
  void Fault(std::string text);

  void OnChannelMessage(const uint8_t* d, size_t n);
  void OnController(int channel, uint8_t number, uint8_t value);
  std::vector<OutMessage> OnSysEx(const uint8_t* d, size_t n);
  std::vector<OutMessage> OnProgramRequest(const uint8_t* d, size_t n);
  std::vector<OutMessage> OnProgramWrite(const uint8_t* d, size_t n);
  void OnSysExNote(const uint8_t* d, size_t n, bool on);
  void OnStartUp(const uint8_t* d, size_t n);
  std::vector<OutMessage> OnFirmware(const uint8_t* d, size_t n);
  std::vector<OutMessage> FirmwareFailure(int section, const std::string& why, bool isFault);

  // Applies a spoiling rule (other than ErrorReply and OldDump, which callers decide) to an answer.
  std::vector<OutMessage> Spoil(const MisbehaviourRule& rule, std::vector<OutMessage> answer);

  SimState mState;
  MisbehaviourPlan mPlan;
  std::vector<Event> mEvents;
  size_t mEventLimit = 200000;
  std::function<void(const Event&)> mSink;
};

}  // namespace vqsim
