// MIDI message records: constructors, accessors, kind names, SysEx text.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/midi_message.h"

namespace {

struct PitchCase {
  double value;
  uint8_t data1, data2;
};

TEST(MidiMessage, PitchWheelEncoding) {
  const PitchCase cases[] = {
      {1.0, 0x7F, 0x7F},  // 16384 limited to 16383
      {-1.0, 0x00, 0x00}, {0.0, 0x00, 0x40}, {0.5, 0x00, 0x60},
      {-0.5, 0x00, 0x20}, {5.0, 0x7F, 0x7F},  // out of range is limited
      {-5.0, 0x00, 0x00},
  };
  for (const PitchCase& c : cases) {
    IMidiMessage m;
    m.MakePitchWheel(c.value, 3);
    EXPECT_EQ(m.mStatus, 0xE3) << c.value;
    EXPECT_EQ(m.mData1, c.data1) << c.value;
    EXPECT_EQ(m.mData2, c.data2) << c.value;
    EXPECT_EQ(m.mOffset, 0);
  }
  IMidiMessage centre(0, 0xE0, 0x00, 0x40);
  EXPECT_EQ(centre.PitchWheel(), 0.0);
  IMidiMessage top(0, 0xE0, 0x7F, 0x7F);
  EXPECT_NEAR(top.PitchWheel(), 8191.0 / 8192.0, 1e-12);
}

TEST(MidiMessage, ConstructorsSetAllFields) {
  IMidiMessage m;
  m.MakeNoteOn(60, 100, 12, 1);
  EXPECT_EQ(m.mStatus, 0x91);
  EXPECT_EQ(m.mData1, 60);
  EXPECT_EQ(m.mData2, 100);
  EXPECT_EQ(m.mOffset, 12);
  EXPECT_EQ(m.NoteNumber(), 60);
  EXPECT_EQ(m.Velocity(), 100);
  EXPECT_EQ(m.Channel(), 1);

  m.MakeNoteOff(61, 5, 15);
  EXPECT_EQ(m.mStatus, 0x8F);
  EXPECT_EQ(m.mData1, 61);
  EXPECT_EQ(m.mData2, 0);
  EXPECT_EQ(m.mOffset, 5);

  m.MakeControlChange(7, 0.5, 0);
  EXPECT_EQ(m.mStatus, 0xB0);
  EXPECT_EQ(m.mData1, 7);
  EXPECT_EQ(m.mData2, 63);  // 63.5 truncated
  EXPECT_NEAR(m.ControlChange(7), 63.0 / 127.0, 1e-12);
  EXPECT_EQ(m.ControlChange(8), -1.0);
  EXPECT_EQ(m.ControlChangeIdx(), 7);

  m.Clear();
  EXPECT_EQ(m.mStatus, 0);
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mData2, 0);
  EXPECT_EQ(m.mOffset, 0);
}

TEST(MidiMessage, OutOfRangeArgumentsStayValidMidi) {
  IMidiMessage m;
  m.MakeNoteOn(200, 300, 0, 17);
  EXPECT_EQ(m.mStatus, 0x91);  // channel masked
  EXPECT_LT(m.mData1, 0x80);
  EXPECT_LT(m.mData2, 0x80);
  m.MakeControlChange(1, 2.0, 0);
  EXPECT_EQ(m.mData2, 127);
}

struct KindCase {
  uint8_t status;
  IMidiMessage::EStatusMsg kind;
  int channel;
  int noteNumber, velocity, polyAT, channelAT, program;
};

TEST(MidiMessage, AccessorsByKind) {
  const KindCase cases[] = {
      {0x80, IMidiMessage::kNoteOff, 0, 10, 20, -1, -1, -1},
      {0x95, IMidiMessage::kNoteOn, 5, 10, 20, -1, -1, -1},
      {0xA2, IMidiMessage::kPolyAftertouch, 2, 10, -1, 20, -1, -1},
      {0xB0, IMidiMessage::kControlChange, 0, -1, -1, -1, -1, -1},
      {0xC4, IMidiMessage::kProgramChange, 4, -1, -1, -1, -1, 10},
      {0xD1, IMidiMessage::kChannelAftertouch, 1, -1, -1, -1, 10, -1},
      {0xEF, IMidiMessage::kPitchWheel, 15, -1, -1, -1, -1, -1},
      {0xF8, IMidiMessage::kNone, 8, -1, -1, -1, -1, -1},  // system real-time
      {0xF0, IMidiMessage::kNone, 0, -1, -1, -1, -1, -1},
      {0x40, IMidiMessage::kNone, 0, -1, -1, -1, -1, -1},  // a data byte
  };
  for (const KindCase& c : cases) {
    const IMidiMessage m(0, c.status, 10, 20);
    EXPECT_EQ(m.StatusMsg(), c.kind) << int(c.status);
    EXPECT_EQ(m.Channel(), c.channel) << int(c.status);
    EXPECT_EQ(m.NoteNumber(), c.noteNumber) << int(c.status);
    EXPECT_EQ(m.Velocity(), c.velocity) << int(c.status);
    EXPECT_EQ(m.PolyAfterTouch(), c.polyAT) << int(c.status);
    EXPECT_EQ(m.ChannelAfterTouch(), c.channelAT) << int(c.status);
    EXPECT_EQ(m.Program(), c.program) << int(c.status);
  }
  EXPECT_EQ(IMidiMessage(0, 0xB0, 1, 2).PitchWheel(), 0.0);
}

TEST(MidiMessage, KindNames) {
  const char* const expected[] = {
      "none",          "unknown",           "unknown",    "unknown", "unknown",    "unknown",
      "unknown",       "unknown",           "noteoff",    "noteon",  "aftertouch", "controlchange",
      "programchange", "channelaftertouch", "pitchwheel", "unknown"};
  for (int k = 0; k <= 15; ++k) EXPECT_STREQ(IMidiMessage::StatusMsgStr(k), expected[k]) << k;
  EXPECT_STREQ(IMidiMessage::StatusMsgStr(-1), "unknown");
  EXPECT_STREQ(IMidiMessage::StatusMsgStr(1000), "unknown");
}

TEST(SysExMessage, TextFitsTheBuffer) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  char buf[64];
  memset(buf, 'z', sizeof(buf));
  ISysExMessage::SysExStr(buf, 10, bytes, 5);
  EXPECT_STREQ(buf, "01 02 03");  // three bytes fit in ten characters
  ISysExMessage::SysExStr(buf, 64, bytes, 5);
  EXPECT_STREQ(buf, "01 02 03 04 05");
  const uint8_t hex[] = {0xF0, 0xab, 0xF7};
  ISysExMessage::SysExStr(buf, 9, hex, 3);
  EXPECT_STREQ(buf, "F0 AB F7");
  ISysExMessage::SysExStr(buf, 64, bytes, 0);
  EXPECT_STREQ(buf, "");
  ISysExMessage::SysExStr(buf, 64, nullptr, 5);
  EXPECT_STREQ(buf, "");
  memset(buf, 'z', sizeof(buf));
  ISysExMessage::SysExStr(buf, 2, bytes, 5);  // no byte fits
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(buf[1], 'z');
}

TEST(SysExMessage, RecordAndClear) {
  const uint8_t bytes[] = {0xF0, 0xF7};
  ISysExMessage s(3, bytes, 2);
  EXPECT_EQ(s.mOffset, 3);
  EXPECT_EQ(s.mSize, 2);
  EXPECT_EQ(s.mData, bytes);
  s.Clear();
  EXPECT_EQ(s.mSize, 0);
  EXPECT_EQ(s.mData, nullptr);
  EXPECT_EQ(s.mOffset, 0);
}

}  // namespace
