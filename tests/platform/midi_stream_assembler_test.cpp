// Joining incoming MIDI events into whole messages: pieces of a SysEx, real-time bytes between
// them, running status, and what is dropped (and counted) rather than handed over in part.
#include <gtest/gtest.h>

#include <vector>

#include "platform/midi_stream_assembler.h"

namespace vq::platform {
namespace {

using Bytes = std::vector<uint8_t>;

struct Event {
  Bytes bytes;
  bool afterLoss = false;
};

TEST(MidiStreamAssembler, JoinsPiecesAndDropsWhatCannotBeWhole) {
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::vector<Bytes> want;
    uint64_t dropped;
    size_t limit = MidiStreamAssembler::kMaxMessage;
  };
  const Case cases[] = {
      {"short", {{{0x90, 60, 100}}}, {{0x90, 60, 100}}, 0},
      {"sysex in pieces",
       {{{0xF0, 1, 2}}, {{3, 4}}, {{5, 0xF7}}},
       {{0xF0, 1, 2, 3, 4, 5, 0xF7}},
       0},
      {"real time inside a sysex",
       {{{0xF0, 1, 0xF8, 2}}, {{0xF7}}},
       {{0xF8}, {0xF0, 1, 2, 0xF7}},
       0},
      {"running status in one event",
       {{{0x90, 60, 100, 62, 0}}},
       {{0x90, 60, 100}, {0x90, 62, 0}},
       0},
      {"no running status across events", {{{0xC0, 5}}, {{6}}}, {{0xC0, 5}}, 0},
      {"a lost piece drops the sysex",
       {{{0xF0, 1}}, {{2, 0xF7}, true}, {{0xC0, 5}}},
       {{0xC0, 5}},
       1},
      {"a loss with nothing open drops nothing",
       {{{0xC0, 5}}, {{0xC0, 6}, true}},
       {{0xC0, 5}, {0xC0, 6}},
       0},
      {"a status byte ends an open sysex",
       {{{0xF0, 1, 2}}, {{0x90, 60, 100}}},
       {{0x90, 60, 100}},
       1},
      {"system common and active sensing",
       {{{0xF1, 5}}, {{0xF2, 1, 2}}, {{0xFE}}, {{0xF6}}},
       {{0xF1, 5}, {0xF2, 1, 2}, {0xF6}},
       0},
      {"the limit: kept at it, dropped above",
       {{{0xF0, 1, 2, 3, 4, 5, 6, 0xF7}}, {{0xF0, 1, 2, 3, 4, 5, 6, 7, 0xF7}}, {{0xF0, 9, 0xF7}}},
       {{0xF0, 1, 2, 3, 4, 5, 6, 0xF7}, {0xF0, 9, 0xF7}},
       1,
       8},
  };
  for (const Case& c : cases) {
    MidiStreamAssembler assembler(c.limit);
    std::vector<Bytes> got;
    for (const Event& e : c.events)
      assembler.Feed(e.bytes.data(), e.bytes.size(), e.afterLoss,
                     [&](const uint8_t* b, size_t n) { got.emplace_back(b, b + n); });
    EXPECT_EQ(got, c.want) << c.name;
    EXPECT_EQ(assembler.Dropped(), c.dropped) << c.name;
  }
}

}  // namespace
}  // namespace vq::platform
