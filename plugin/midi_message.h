// MIDI message records: a short channel message and a system-exclusive
// message. The shell fills them from MIDI input; the editor reads and builds
// them and hands them to the plug's senders.
#pragma once

#include <cstdint>

struct IMidiMessage {
  // Status kinds as StatusMsg() returns them (the status byte's high nibble).
  enum EStatusMsg {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14,
  };

  int32_t mOffset = 0;  // sample offset
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMessage() = default;
  IMidiMessage(int32_t offset, uint8_t status, uint8_t data1, uint8_t data2)
      : mOffset(offset), mStatus(status), mData1(data1), mData2(data2) {}

  // Constructors of common messages. ch is 0..15 (masked); data bytes are
  // limited to 7 bits so that none can be taken for a status byte.
  void MakeNoteOn(int note, int velocity, int offset, int ch = 0);
  void MakeNoteOff(int note, int offset, int ch = 0);
  // value -1..1, centre 0.
  void MakePitchWheel(double value, int ch = 0);
  // value 0..1 (limited), sent as value * 127 truncated.
  void MakeControlChange(int controller, double value, int ch = 0);
  void Clear();

  int Channel() const { return mStatus & 0x0F; }
  // Kind of the status byte: 8..14, or kNone for data bytes and system messages.
  EStatusMsg StatusMsg() const;

  int NoteNumber() const;         // note off/on, poly aftertouch; else -1
  int Velocity() const;           // note off/on; else -1
  int PolyAfterTouch() const;     // poly aftertouch; else -1
  int ChannelAfterTouch() const;  // channel aftertouch; else -1
  int Program() const;            // program change; else -1
  double PitchWheel() const;      // -1..~1 for pitch wheel; else 0.0
  int ControlChangeIdx() const { return mData1; }
  // data2 / 127 for a control change of that controller; else -1.0.
  double ControlChange(int controller) const;

  // "none", "noteoff", ..., "pitchwheel"; "unknown" for other kinds.
  static const char* StatusMsgStr(int kind);
};

// A system-exclusive message. The bytes are not owned: they belong to whoever
// built the record and stay valid only during the call that receives it.
struct ISysExMessage {
  int32_t mOffset = 0;
  int32_t mSize = 0;
  const uint8_t* mData = nullptr;

  ISysExMessage() = default;
  ISysExMessage(int32_t offset, const uint8_t* data, int32_t size)
      : mOffset(offset), mSize(size), mData(data) {}

  void Clear() {
    mOffset = 0;
    mSize = 0;
    mData = nullptr;
  }

  // Writes the first min(bufferSize / 3, count) bytes as "%02X" separated by
  // single blanks into buffer (always NUL-terminated when bufferSize >= 1).
  static void SysExStr(char* buffer, int bufferSize, const uint8_t* bytes, int count);
};
