#include <gtest/gtest.h>

#include <numeric>

#include "sim_test_util.h"

namespace vqsim::test {
namespace {

std::vector<uint8_t> FwMessage(uint8_t target, uint8_t command,
                               const std::vector<uint8_t>& body = {}) {
  std::vector<uint8_t> m = {
      0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], target, command};
  m.insert(m.end(), body.begin(), body.end());
  m.push_back(0xF7);
  return m;
}

// The editor's side of the handshake, as the updater sends it: the first message always carries
// 240 bytes of the send buffer; the last block carries the checksum, with no data when the first
// message already held the whole section.
class FirmwareSender {
 public:
  explicit FirmwareSender(std::vector<std::vector<uint8_t>> packed) : mPacked(std::move(packed)) {}

  std::vector<uint8_t> Start() { return FwMessage(Target(), 0x10); }

  std::vector<std::vector<uint8_t>> OnReply(const std::vector<uint8_t>& r) {
    if (r.size() != 7 || r[4] != Target()) {
      mIgnored++;
      return {};
    }
    switch (r[5]) {
      case 0x11:
        mBuffer.assign(65536, 0);
        std::copy(mPacked[mSection].begin(), mPacked[mSection].end(), mBuffer.begin());
        mSent = 0;
        mSum = 0;
        return {};
      case 0x12:
        return {NextBlock()};
      case 0x14:
        if (++mSection == mPacked.size()) {
          mDone = true;
          return {};
        }
        return {Start()};
      case 0x15:
        mFailed = true;
        return {};
      default:
        mIgnored++;
        return {};
    }
  }

  bool mDone = false, mFailed = false;
  int mIgnored = 0;
  std::vector<size_t> sizesSent;

 private:
  uint8_t Target() const { return kFirmwareWireTargets[mSection]; }

  std::vector<uint8_t> NextBlock() {
    const int size = static_cast<int>(mPacked[mSection].size());
    std::vector<uint8_t> m;
    if (mSent == 0) {
      std::vector<uint8_t> body = {static_cast<uint8_t>((size >> 14) & 0x7F),
                                   static_cast<uint8_t>((size >> 7) & 0x7F),
                                   static_cast<uint8_t>(size & 0x7F)};
      body.insert(body.end(), mBuffer.begin(), mBuffer.begin() + 240);
      m = FwMessage(Target(), 0x13, body);
      mSum += std::accumulate(mBuffer.begin(), mBuffer.begin() + 240, 0u);
      mSent = 240;
    } else if (size - mSent > 240) {
      std::vector<uint8_t> body(mBuffer.begin() + mSent, mBuffer.begin() + mSent + 240);
      mSum += std::accumulate(body.begin(), body.end(), 0u);
      mSent += 240;
      m = FwMessage(Target(), 0x16, body);
    } else {
      const int n = std::max(0, size - mSent);
      std::vector<uint8_t> body(mBuffer.begin() + mSent, mBuffer.begin() + mSent + n);
      mSum += std::accumulate(body.begin(), body.end(), 0u);
      mSent += n;
      body.push_back(static_cast<uint8_t>((mSum >> 7) & 0x7F));
      body.push_back(static_cast<uint8_t>(mSum & 0x7F));
      m = FwMessage(Target(), 0x16, body);
    }
    sizesSent.push_back(m.size());
    return m;
  }

  std::vector<std::vector<uint8_t>> mPacked;
  std::vector<uint8_t> mBuffer;
  size_t mSection = 0;
  int mSent = 0;
  uint32_t mSum = 0;
};

// Plays the handshake to its end; returns every answer of the device in order.
std::vector<std::vector<uint8_t>> PlayHandshake(SimEngine& e, FirmwareSender& s,
                                                int maxSteps = 10000) {
  std::vector<std::vector<uint8_t>> answers;
  std::vector<std::vector<uint8_t>> toSend = {s.Start()};
  while (!toSend.empty() && maxSteps-- > 0) {
    const auto m = toSend.front();
    toSend.erase(toSend.begin());
    for (const auto& out : e.Receive(m)) {
      answers.push_back(out.bytes);
      for (auto& next : s.OnReply(out.bytes)) toSend.push_back(std::move(next));
    }
  }
  return answers;
}

std::vector<uint8_t> RawBytes(size_t n, unsigned seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i)
    v[i] = static_cast<uint8_t>((i * 131 + seed * 17 + (i >> 5)) & 0xFF);
  return v;
}

TEST(SevenBitPacking, MatchesTheExampleAndRoundTrips) {
  const std::vector<uint8_t> ff(7, 0xFF);
  const auto packed = PackSevenBitStream(ff);
  std::vector<uint8_t> expected(8, 0x7F);
  expected.push_back(0x00);
  EXPECT_EQ(packed, expected);
  for (size_t n : {0u, 1u, 6u, 7u, 8u, 100u, 57343u}) {
    const auto raw = RawBytes(n, 3);
    const auto p = PackSevenBitStream(raw);
    EXPECT_EQ(p.size(), (8 * n + 7) / 7);
    EXPECT_EQ(UnpackSevenBitStream(p, n), raw) << n;
  }
}

TEST(SimFirmware, FiveSectionUpdateCompletesAndKeepsEveryByte) {
  const std::vector<size_t> rawSizes = {7, 0, 1000, 57343, 300};
  std::vector<std::vector<uint8_t>> raw, packed;
  for (size_t k = 0; k < rawSizes.size(); ++k) {
    raw.push_back(RawBytes(rawSizes[k], static_cast<unsigned>(k)));
    packed.push_back(PackSevenBitStream(raw.back()));
  }
  SimEngine e;
  FirmwareSender s(packed);
  const auto answers = PlayHandshake(e, s);
  EXPECT_TRUE(s.mDone);
  EXPECT_FALSE(s.mFailed);
  EXPECT_EQ(s.mIgnored, 0);
  EXPECT_TRUE(e.State().firmwareComplete);
  EXPECT_TRUE(e.State().faults.empty()) << e.State().faults.front();
  for (size_t k = 0; k < rawSizes.size(); ++k) {
    const auto& sec = e.State().firmware[k];
    EXPECT_TRUE(sec.done);
    EXPECT_EQ(sec.wireTarget, kFirmwareWireTargets[k]);
    EXPECT_EQ(sec.size, packed[k].size());
    EXPECT_EQ(UnpackSevenBitStream(sec.data, rawSizes[k]), raw[k]) << k;
  }
  // Each section: erase started, then send next.
  ASSERT_GE(answers.size(), 2u);
  EXPECT_TRUE(IsReply(answers[0], 8, 0x11));
  EXPECT_TRUE(IsReply(answers[1], 8, 0x12));
  EXPECT_TRUE(IsReply(answers.back(), 7, 0x14));
  EXPECT_EQ(e.Events().back().line, "fw-complete");
}

TEST(SimFirmware, BlockSizesAtTheEdges) {
  struct Case {
    size_t packedSize;
    std::vector<size_t> messages;
  };
  const Case cases[] = {
      {480, {250, 249}},
      {500, {250, 247, 29}},
      {9,
       {250, 9}},  // whole section in the first message; the last block only carries the checksum
      {240, {250, 9}},
      {241, {250, 10}},
      {721, {250, 247, 247, 10}},
  };
  for (const auto& c : cases) {
    std::vector<std::vector<uint8_t>> packed(5, std::vector<uint8_t>(1, 0));
    packed[0] = std::vector<uint8_t>(c.packedSize);
    for (size_t i = 0; i < c.packedSize; ++i) packed[0][i] = static_cast<uint8_t>((i * 37) & 0x7F);
    SimEngine e;
    FirmwareSender s(packed);
    PlayHandshake(e, s);
    EXPECT_TRUE(s.mDone) << c.packedSize;
    EXPECT_TRUE(e.State().faults.empty()) << c.packedSize << ": " << e.State().faults.front();
    std::vector<size_t> first(s.sizesSent.begin(),
                              s.sizesSent.begin() + static_cast<long>(c.messages.size()));
    EXPECT_EQ(first, c.messages) << c.packedSize;
    EXPECT_EQ(e.State().firmware[0].data, packed[0]);
  }
}

TEST(SimFirmware, WrongChecksumFailsTheSection) {
  SimEngine e;
  ASSERT_EQ(e.Receive(FwMessage(8, 0x10)).size(), 2u);
  std::vector<uint8_t> body = {0, 0, 9};
  body.resize(3 + 240, 1);
  ASSERT_TRUE(IsReply(Single(e, FwMessage(8, 0x13, body)), 8, 0x12));
  // Sum is 240: the right bytes would be 01 70.
  EXPECT_TRUE(IsReply(Single(e, FwMessage(8, 0x16, {0x01, 0x71})), 8, 0x15));
  EXPECT_TRUE(e.State().firmware[0].failed);
  EXPECT_FALSE(e.State().firmware[0].done);
  ASSERT_EQ(e.State().faults.size(), 1u);
  EXPECT_NE(e.State().faults[0].find("checksum 01 71, expected 01 70"), std::string::npos);
}

TEST(SimFirmware, ProtocolErrorsAreAnsweredWithAnErrorAndFlagged) {
  std::vector<uint8_t> first = {0, 4, 0};  // 512 packed bytes
  first.resize(3 + 240, 2);
  {
    SimEngine e;  // a block before the section was started
    EXPECT_TRUE(IsReply(Single(e, FwMessage(9, 0x13, first)), 9, 0x15));
    EXPECT_EQ(e.State().faults.size(), 1u);
  }
  {
    SimEngine e;  // a middle block of the wrong length
    e.Receive(FwMessage(9, 0x10));
    e.Receive(FwMessage(9, 0x13, first));
    EXPECT_TRUE(IsReply(Single(e, FwMessage(9, 0x16, std::vector<uint8_t>(239, 1))), 9, 0x15));
    EXPECT_EQ(e.State().faults.size(), 1u);
  }
  {
    SimEngine e;  // a short section answered with a full block instead of the checksum block
    e.Receive(FwMessage(10, 0x10));
    std::vector<uint8_t> small = {0, 0, 20};
    small.resize(3 + 240, 0);
    e.Receive(FwMessage(10, 0x13, small));
    EXPECT_TRUE(IsReply(Single(e, FwMessage(10, 0x16, std::vector<uint8_t>(240, 0))), 10, 0x15));
    ASSERT_EQ(e.State().faults.size(), 1u);
    EXPECT_NE(e.State().faults[0].find("expected 9"), std::string::npos);
  }
  {
    SimEngine e;  // size 0 and sizes beyond the capacity
    e.Receive(FwMessage(11, 0x10));
    std::vector<uint8_t> zero = {0, 0, 0};
    zero.resize(243, 0);
    EXPECT_TRUE(IsReply(Single(e, FwMessage(11, 0x13, zero)), 11, 0x15));
    e.Receive(FwMessage(11, 0x10));
    std::vector<uint8_t> huge = {4, 0, 1};  // 65537
    huge.resize(243, 0);
    EXPECT_TRUE(IsReply(Single(e, FwMessage(11, 0x13, huge)), 11, 0x15));
    EXPECT_EQ(e.State().faults.size(), 2u);
  }
  {
    SimEngine e;  // a second first block, and an unknown command
    e.Receive(FwMessage(7, 0x10));
    e.Receive(FwMessage(7, 0x13, first));
    EXPECT_TRUE(IsReply(Single(e, FwMessage(7, 0x13, first)), 7, 0x15));
    EXPECT_TRUE(e.Receive(FwMessage(7, 0x17)).empty());
    EXPECT_EQ(e.State().faults.size(), 2u);
  }
}

TEST(SimFirmware, MisbehaviourPerStep) {
  std::vector<std::vector<uint8_t>> packed(5, std::vector<uint8_t>(600, 5));
  struct Case {
    const char* rule;
    bool done;
    bool failed;
  };
  const Case cases[] = {
      {"kind=fw-start,mode=error-reply,skip=2", false, true},
      {"kind=fw-block,mode=error-reply,skip=4", false, true},
      {"kind=fw-end,mode=bad-checksum,skip=4", false, true},
      {"kind=fw-end,mode=error-reply", false, true},
      {"kind=fw-start,mode=silence", false, false},
      {"kind=fw-block,mode=silence,skip=3", false, false},
      {"kind=fw-end,mode=wrong-command", false, false},
      {"kind=fw-block,mode=wrong-target", false, false},
      {"kind=fw-block,mode=slow,ms=5,count=always", true, false},
  };
  for (const auto& c : cases) {
    SimEngine e;
    std::string error;
    ASSERT_TRUE(e.Plan().Add(*ParseMisbehaviour(c.rule, error), error)) << error;
    FirmwareSender s(packed);
    PlayHandshake(e, s);
    EXPECT_EQ(s.mDone, c.done) << c.rule;
    EXPECT_EQ(s.mFailed, c.failed) << c.rule;
    EXPECT_EQ(e.State().firmwareComplete, c.done) << c.rule;
    EXPECT_TRUE(e.State().faults.empty()) << c.rule;
  }
}

TEST(SimFirmware, StartingTheFirstSectionAgainBeginsANewUpdate) {
  std::vector<std::vector<uint8_t>> packed(5, std::vector<uint8_t>(10, 1));
  SimEngine e;
  FirmwareSender s(packed);
  PlayHandshake(e, s);
  ASSERT_TRUE(e.State().firmwareComplete);
  e.Receive(FwMessage(8, 0x10));
  EXPECT_FALSE(e.State().firmwareComplete);
  EXPECT_FALSE(e.State().firmware[4].done);
  EXPECT_EQ(e.State().activeFirmwareSection, 0);
}

}  // namespace
}  // namespace vqsim::test
