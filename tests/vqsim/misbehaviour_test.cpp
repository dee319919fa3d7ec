#include <gtest/gtest.h>

#include "sim_test_util.h"

namespace vqsim::test {
namespace {

TEST(MisbehaviourParse, ReadsEveryKey) {
  std::string error;
  auto r = ParseMisbehaviour("kind=write,mode=slow,count=3,skip=2,ms=1500", error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->kind, AnswerKind::ProgramWrite);
  EXPECT_EQ(r->mode, Misbehaviour::Slow);
  EXPECT_EQ(r->count, 3u);
  EXPECT_EQ(r->skip, 2u);
  EXPECT_EQ(r->delayMs, 1500u);

  r = ParseMisbehaviour("mode=truncated,kind=request,length=50,count=always", error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->count, 0u);
  EXPECT_EQ(r->length, 50u);

  r = ParseMisbehaviour("kind=fw-end,mode=bad-checksum", error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->count, 1u);
}

TEST(MisbehaviourParse, RefusesWithAReason) {
  const char* bad[] = {
      "",                              // nothing
      "kind=write",                    // no mode
      "mode=silence",                  // no kind
      "kind=dump,mode=silence",        // unknown kind
      "kind=write,mode=explode",       // unknown mode
      "kind=write,mode=bad-checksum",  // a write ack has no checksum
      "kind=fw-block,mode=old-dump",   // old dumps answer requests only
      "kind=write,mode=silence,count=-1",
      "kind=write,mode=silence,count=2x",
      "kind=write,mode=silence,colour=red",
      "kind=write;mode=silence",
      "kind=request,mode=truncated,length=1",
  };
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(ParseMisbehaviour(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(MisbehaviourPlan, SkipsThenSpoilsCountAnswersOfItsKindOnly) {
  MisbehaviourPlan plan;
  std::string error;
  MisbehaviourRule r;
  r.kind = AnswerKind::ProgramWrite;
  r.mode = Misbehaviour::Silence;
  r.skip = 2;
  r.count = 2;
  ASSERT_TRUE(plan.Add(r, error));
  std::vector<bool> spoiled;
  for (int i = 0; i < 6; ++i) {
    EXPECT_FALSE(plan.Take(AnswerKind::ProgramRequest));
    spoiled.push_back(plan.Take(AnswerKind::ProgramWrite).has_value());
  }
  EXPECT_EQ(spoiled, (std::vector<bool>{false, false, true, true, false, false}));
}

TEST(MisbehaviourPlan, CountZeroSpoilsEveryAnswerAndTheFirstRuleWins) {
  MisbehaviourPlan plan;
  std::string error;
  MisbehaviourRule always{AnswerKind::ProgramRequest, Misbehaviour::Slow};
  always.count = 0;
  MisbehaviourRule once{AnswerKind::ProgramRequest, Misbehaviour::Silence};
  ASSERT_TRUE(plan.Add(always, error));
  ASSERT_TRUE(plan.Add(once, error));
  for (int i = 0; i < 5; ++i) {
    auto r = plan.Take(AnswerKind::ProgramRequest);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->mode, Misbehaviour::Slow);
  }
  MisbehaviourRule unfit{AnswerKind::ProgramWrite, Misbehaviour::OldDump};
  EXPECT_FALSE(plan.Add(unfit, error));
}

// One engine with one rule; returns the answers to a request for slot 7.
std::vector<OutMessage> RequestWith(const std::string& rule, SimEngine& e) {
  std::string error;
  auto r = ParseMisbehaviour(rule, error);
  EXPECT_TRUE(r) << error;
  EXPECT_TRUE(e.Plan().Add(*r, error));
  e.FillSlots(true);
  return e.Receive(Request(7));
}

TEST(MisbehaviourRequest, EachModeSpoilsTheDump) {
  const auto good = BuildProgramDump(DistinctProgram(7), 7);
  {
    SimEngine e;
    auto out = RequestWith("kind=request,mode=bad-checksum", e);
    ASSERT_EQ(out.size(), 1u);
    auto expected = good;
    expected[211] ^= 1;
    EXPECT_EQ(out[0].bytes, expected);
    EXPECT_EQ(e.Events().back().line, "dump 7 spoiled-by bad-checksum");
  }
  {
    SimEngine e;
    auto out = RequestWith("kind=request,mode=wrong-command", e);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 213u);
    EXPECT_EQ(out[0].bytes[5], 0x49);
  }
  {
    SimEngine e;
    auto out = RequestWith("kind=request,mode=truncated", e);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 106u);
    EXPECT_EQ(out[0].bytes.back(), 0xF7);
    EXPECT_TRUE(std::equal(out[0].bytes.begin(), out[0].bytes.end() - 1, good.begin()));
  }
  {
    SimEngine e;
    auto out = RequestWith("kind=request,mode=truncated,length=20", e);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 20u);
  }
  {
    SimEngine e;
    auto out = RequestWith("kind=request,mode=error-reply", e);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(IsReply(out[0].bytes, 0x05, 0x22));
    EXPECT_EQ(e.State().dumpsSent, 0u);
  }
  {
    SimEngine e;
    EXPECT_TRUE(RequestWith("kind=request,mode=silence", e).empty());
    EXPECT_EQ(e.State().requests, 1u);
    EXPECT_EQ(e.State().dumpsSent, 0u);
  }
  {
    SimEngine e;
    auto out = RequestWith("kind=request,mode=slow,ms=2500", e);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, good);
    EXPECT_EQ(out[0].delayMs, 2500u);
  }
  {
    SimEngine e;
    auto out = RequestWith("kind=request,mode=old-dump", e);
    ASSERT_EQ(out.size(), 1u);
    const auto& d = out[0].bytes;
    ASSERT_EQ(d.size(), 115u);
    EXPECT_EQ(d[5], 0x41);
    EXPECT_EQ(d[7], 7);
    uint32_t sum = 0;
    for (int i = 8; i <= 111; ++i) sum += d[i];
    EXPECT_EQ(d[112], (sum >> 7) & 0x7F);
    EXPECT_EQ(d[113], sum & 0x7F);
    EXPECT_EQ(d[114], 0xF7);
    EXPECT_TRUE(std::equal(d.begin() + 8, d.begin() + 112, good.begin() + 8));
  }
}

TEST(MisbehaviourRequest, FramingModesChangeOneByte) {
  const auto good = BuildProgramDump(DistinctProgram(7), 7);
  struct Case {
    const char* rule;
    size_t index;
    uint8_t value;
  };
  const Case cases[] = {
      {"kind=request,mode=wrong-target", 4, 0x0D},
      {"kind=request,mode=foreign-id", 2, static_cast<uint8_t>(kManufacturerId[1] ^ 1)},
      {"kind=request,mode=wrong-slot", 7, 0},
      {"kind=request,mode=wrong-slot,slot=100", 7, 100},
  };
  for (const auto& c : cases) {
    SimEngine e;
    auto out = RequestWith(c.rule, e);
    ASSERT_EQ(out.size(), 1u) << c.rule;
    auto expected = good;
    expected[c.index] = c.value;
    EXPECT_EQ(out[0].bytes, expected) << c.rule;
  }
  std::string error;
  EXPECT_FALSE(ParseMisbehaviour("kind=write,mode=wrong-slot", error));
  EXPECT_FALSE(ParseMisbehaviour("kind=request,mode=wrong-slot,slot=128", error));
  EXPECT_TRUE(ParseMisbehaviour("kind=fw-block,mode=wrong-target", error));
}

TEST(MisbehaviourRequest, OnlyTheNextNAreSpoiled) {
  SimEngine e;
  std::string error;
  ASSERT_TRUE(
      e.Plan().Add(*ParseMisbehaviour("kind=request,mode=bad-checksum,count=2", error), error));
  const auto good = BuildProgramDump(InitProgram(), 3);
  EXPECT_NE(Single(e, Request(3)), good);
  EXPECT_NE(Single(e, Request(3)), good);
  EXPECT_EQ(Single(e, Request(3)), good);
  EXPECT_TRUE(e.State().faults.empty());  // the device's misbehaviour is not the editor's fault
}

TEST(MisbehaviourWrite, ErrorReplyStoresNothingAndOtherModesStore) {
  const auto write = BuildProgramWrite(DistinctProgram(4), 4);
  struct Case {
    const char* rule;
    size_t answers;
    bool stored;
    std::vector<uint8_t> reply;
    const char* also = nullptr;  // a second rule: a slow device refuses as late as it answers
    uint32_t delayMs = 0;
  };
  auto wrong = BuildReply(0x05, 0x21);
  wrong[5] = 0x29;
  const Case cases[] = {
      {"kind=write,mode=error-reply", 1, false, BuildReply(0x05, 0x22)},
      {"kind=write,mode=silence", 0, true, {}},
      {"kind=write,mode=wrong-command", 1, true, wrong},
      {"kind=write,mode=truncated",
       1,
       true,
       {0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], 0xF7}},
      {"kind=write,mode=slow,ms=10", 1, true, BuildReply(0x05, 0x21), nullptr, 10},
      {"kind=write,mode=slow,ms=9000", 1, false, BuildReply(0x05, 0x22),
       "kind=write,mode=error-reply", 9000},
      {"kind=write,mode=error-reply", 1, false, BuildReply(0x05, 0x22),
       "kind=write,mode=slow,ms=9000", 9000},
  };
  for (const auto& c : cases) {
    SimEngine e;
    std::string error;
    for (const char* rule : {c.rule, c.also})
      if (rule) {
        ASSERT_TRUE(e.Plan().Add(*ParseMisbehaviour(rule, error), error));
      }
    const auto out = e.Receive(write);
    ASSERT_EQ(out.size(), c.answers) << c.rule;
    if (c.answers) {
      EXPECT_EQ(out[0].bytes, c.reply) << c.rule;
      EXPECT_EQ(out[0].delayMs, c.delayMs) << c.rule;
    }
    EXPECT_EQ(e.State().slots[3] == DistinctProgram(4), c.stored) << c.rule;
    EXPECT_TRUE(e.State().faults.empty());
  }
}

}  // namespace
}  // namespace vqsim::test
