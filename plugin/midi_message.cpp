#include "plugin/midi_message.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
uint8_t DataByte(int v) {
  return static_cast<uint8_t>(v & 0x7F);
}
uint8_t StatusByte(int high, int ch) {
  return static_cast<uint8_t>(high | (ch & 0x0F));
}
}  // namespace

void IMidiMessage::MakeNoteOn(int note, int velocity, int offset, int ch) {
  mStatus = StatusByte(0x90, ch);
  mData1 = DataByte(note);
  mData2 = DataByte(velocity);
  mOffset = offset;
}

void IMidiMessage::MakeNoteOff(int note, int offset, int ch) {
  mStatus = StatusByte(0x80, ch);
  mData1 = DataByte(note);
  mData2 = 0;
  mOffset = offset;
}

void IMidiMessage::MakePitchWheel(double value, int ch) {
  if (std::isnan(value)) value = 0.0;
  value = std::clamp(value, -1.0, 1.0);
  const int u = std::clamp(static_cast<int>(value * 8192.0) + 8192, 0, 16383);
  mStatus = StatusByte(0xE0, ch);
  mData1 = static_cast<uint8_t>(u & 0x7F);
  mData2 = static_cast<uint8_t>(u >> 7);
  mOffset = 0;
}

void IMidiMessage::MakeControlChange(int controller, double value, int ch) {
  if (std::isnan(value)) value = 0.0;
  value = std::clamp(value, 0.0, 1.0);
  mStatus = StatusByte(0xB0, ch);
  mData1 = DataByte(controller);
  mData2 = static_cast<uint8_t>(static_cast<int>(value * 127.0));
  mOffset = 0;
}

void IMidiMessage::Clear() {
  mOffset = 0;
  mStatus = 0;
  mData1 = 0;
  mData2 = 0;
}

IMidiMessage::EStatusMsg IMidiMessage::StatusMsg() const {
  if (mStatus < 0x80 || mStatus >= 0xF0) return kNone;
  return static_cast<EStatusMsg>(mStatus >> 4);
}

int IMidiMessage::NoteNumber() const {
  const EStatusMsg k = StatusMsg();
  return (k == kNoteOff || k == kNoteOn || k == kPolyAftertouch) ? mData1 : -1;
}

int IMidiMessage::Velocity() const {
  const EStatusMsg k = StatusMsg();
  return (k == kNoteOff || k == kNoteOn) ? mData2 : -1;
}

int IMidiMessage::PolyAfterTouch() const {
  return StatusMsg() == kPolyAftertouch ? mData2 : -1;
}

int IMidiMessage::ChannelAfterTouch() const {
  return StatusMsg() == kChannelAftertouch ? mData1 : -1;
}

int IMidiMessage::Program() const {
  return StatusMsg() == kProgramChange ? mData1 : -1;
}

double IMidiMessage::PitchWheel() const {
  if (StatusMsg() != kPitchWheel) return 0.0;
  return (mData1 + mData2 * 128 - 8192) / 8192.0;
}

double IMidiMessage::ControlChange(int controller) const {
  if (StatusMsg() == kControlChange && mData1 == controller) return mData2 / 127.0;
  return -1.0;
}

const char* IMidiMessage::StatusMsgStr(int kind) {
  static const char* const kNames[] = {"noteoff",       "noteon",        "aftertouch",
                                       "controlchange", "programchange", "channelaftertouch",
                                       "pitchwheel"};
  if (kind == kNone) return "none";
  if (kind >= kNoteOff && kind <= kPitchWheel) return kNames[kind - kNoteOff];
  return "unknown";
}

void ISysExMessage::SysExStr(char* buffer, int bufferSize, const uint8_t* bytes, int count) {
  if (!buffer || bufferSize < 1) return;
  buffer[0] = 0;
  if (!bytes || count < 1) return;
  const int n = std::min(bufferSize / 3, count);
  char* p = buffer;
  for (int i = 0; i < n; ++i) {
    // Each byte takes "XX " (3 characters); the last one's blank becomes the NUL.
    snprintf(p, 4, i + 1 < n ? "%02X " : "%02X", bytes[i]);
    p += 3;
  }
}
