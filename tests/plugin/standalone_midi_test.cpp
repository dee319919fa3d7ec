// The standalone plug's MIDI output and window fitting.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/midi_output.h"
#include "plugin/imodule_standalone.h"
#include "plugin/plugin_test_plug.h"

using vq::platform::MemoryMidiOutput;
using vqtest::TestPlug;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes SendOne(uint8_t status, uint8_t d1, uint8_t d2, uint16_t channel = 0) {
  MemoryMidiOutput out;
  TestPlug plug(1, &out, &channel);
  IMidiMessage msg(0, status, d1, d2);
  if (!plug.SendMidiMsg(&msg)) return {};
  auto sent = out.Messages();
  return sent.size() == 1 ? sent[0] : Bytes{0xEE};
}

}  // namespace

TEST(StandaloneMidi, EachMessageLeavesWithItsOwnLength) {
  struct Row {
    uint8_t status;
    size_t length;
  };
  const Row rows[] = {
      {0x80, 3}, {0x9F, 3}, {0xA0, 3}, {0xB5, 3},  // note off/on, poly pressure, control change
      {0xC0, 2}, {0xCF, 2}, {0xD3, 2},             // program change, channel pressure
      {0xE0, 3},                                   // pitch wheel
      {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF6, 1},  // system common
      {0xF8, 1}, {0xFA, 1}, {0xFB, 1}, {0xFC, 1}, {0xFF, 1},  // system real-time
  };
  for (const Row& row : rows) {
    const Bytes sent = SendOne(row.status, 0x12, 0x34);
    ASSERT_EQ(sent.size(), row.length) << std::hex << int(row.status);
    EXPECT_EQ(sent[0], row.status);
    if (row.length > 1) {
      EXPECT_EQ(sent[1], 0x12);
    }
    if (row.length > 2) {
      EXPECT_EQ(sent[2], 0x34);
    }
  }
}

TEST(StandaloneMidi, NoStatusByteOrSysExFramingIsRefused) {
  EXPECT_TRUE(SendOne(0x00, 1, 2).empty());
  EXPECT_TRUE(SendOne(0x7F, 1, 2).empty());
  EXPECT_TRUE(SendOne(0xF0, 1, 2).empty());
  EXPECT_TRUE(SendOne(0xF7, 1, 2).empty());
}

TEST(StandaloneMidi, ForcedChannelRewritesOnlyChannelMessages) {
  EXPECT_EQ(SendOne(0x90, 60, 100, 3), (Bytes{0x92, 60, 100}));
  EXPECT_EQ(SendOne(0x9F, 60, 100, 3), (Bytes{0x92, 60, 100}));
  EXPECT_EQ(SendOne(0x90, 60, 100, 0), (Bytes{0x90, 60, 100}));
  EXPECT_EQ(SendOne(0xC5, 7, 0, 16), (Bytes{0xCF, 7}));
  EXPECT_EQ(SendOne(0xEF, 0, 64, 1), (Bytes{0xE0, 0, 64}));
  EXPECT_EQ(SendOne(0xF8, 0, 0, 3), (Bytes{0xF8}));
  EXPECT_EQ(SendOne(0xF2, 1, 2, 3), (Bytes{0xF2, 1, 2}));
  // Out-of-range settings leave the channel alone instead of producing another status kind.
  EXPECT_EQ(SendOne(0x91, 60, 1, 17), (Bytes{0x91, 60, 1}));
}

TEST(StandaloneMidi, TheChannelSettingIsReadAtEverySend) {
  MemoryMidiOutput out;
  uint16_t channel = 0;
  TestPlug plug(1, &out, &channel);
  IMidiMessage msg(0, 0xB0, 99, 1);
  plug.SendMidiMsg(&msg);
  channel = 10;
  plug.SendMidiMsg(&msg);
  EXPECT_EQ(out.Messages(), (std::vector<Bytes>{{0xB0, 99, 1}, {0xB9, 99, 1}}));
}

TEST(StandaloneMidi, SendingWithoutAnOutputFails) {
  TestPlug plug(1);
  IMidiMessage msg(0, 0x90, 60, 100);
  const uint8_t bytes[3] = {0xF0, 0x00, 0xF7};
  ISysExMessage sysex(0, bytes, 3);
  EXPECT_FALSE(plug.SendMidiMsg(&msg));
  EXPECT_FALSE(plug.SendSysEx(&sysex));
  EXPECT_FALSE(plug.SendMidiMsg(nullptr));
  EXPECT_FALSE(plug.SendSysEx(nullptr));
}

TEST(StandaloneMidi, FailuresOfTheOutputAndTheMidiFlagAreReported) {
  MemoryMidiOutput out;
  TestPlug silent(1, &out, nullptr, /*doesMidi=*/false);
  IMidiMessage msg(0, 0x90, 60, 100);
  EXPECT_FALSE(silent.SendMidiMsg(&msg));
  EXPECT_EQ(out.SendCount(), 0u);

  TestPlug plug(1, &out, nullptr);
  out.SetFailing(true);
  const uint8_t bytes[3] = {0xF0, 0x00, 0xF7};
  ISysExMessage sysex(0, bytes, 3);
  EXPECT_FALSE(plug.SendMidiMsg(&msg));
  EXPECT_FALSE(plug.SendSysEx(&sysex));
  out.SetFailing(false);
  EXPECT_TRUE(plug.SendMidiMsg(&msg));  // no channel pointer: channel kept
  EXPECT_EQ(out.Messages(), (std::vector<Bytes>{{0x90, 60, 100}}));
}

TEST(StandaloneMidi, SysExLeavesUnchangedInOneSend) {
  MemoryMidiOutput out;
  uint16_t channel = 5;
  TestPlug plug(1, &out, &channel);
  Bytes dump(213);
  dump.front() = 0xF0;
  for (size_t i = 1; i + 1 < dump.size(); ++i) dump[i] = static_cast<uint8_t>(i & 0x7F);
  dump.back() = 0xF7;
  ISysExMessage sysex(0, dump.data(), static_cast<int32_t>(dump.size()));
  EXPECT_TRUE(plug.SendSysEx(&sysex));
  EXPECT_EQ(out.Messages(), (std::vector<Bytes>{dump}));

  ISysExMessage empty(0, dump.data(), 0);
  EXPECT_FALSE(plug.SendSysEx(&empty));
  EXPECT_EQ(out.SendCount(), 1u);
}

TEST(StandaloneMidi, IncomingMessagesAreThruByDefault) {
  MemoryMidiOutput out;
  TestPlug plug(1, &out, nullptr);
  IMidiMessage note(0, 0x94, 64, 1);
  IMidiMessage clock(0, 0xF8, 0, 0);
  plug.ProcessMidiMsg(&note);
  plug.OnMidiMsgReceived(&clock);
  EXPECT_EQ(out.Messages(), (std::vector<Bytes>{{0x94, 64, 1}, {0xF8}}));
}

TEST(StandaloneMidi, SendsFromSeveralThreadsAllArriveWhole) {
  MemoryMidiOutput out;
  TestPlug plug(1, &out, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&plug, t] {
      for (int i = 0; i < 500; ++i) {
        IMidiMessage msg(0, static_cast<uint8_t>(0xB0 | t), static_cast<uint8_t>(i & 0x7F), 1);
        plug.SendMidiMsg(&msg);
      }
    });
  }
  for (auto& th : threads) th.join();
  const auto sent = out.Messages();
  ASSERT_EQ(sent.size(), 2000u);
  std::vector<int> next(4, 0);
  for (const Bytes& m : sent) {
    ASSERT_EQ(m.size(), 3u);
    const int t = m[0] & 0x0F;
    EXPECT_EQ(m[1], next[t]++ & 0x7F);  // per-thread order kept
  }
}
