// Firmware files: packing, the checks that refuse a bad file before anything is sent, the block
// sizes of the handshake at the edges of a section's size, and whole updates against the
// simulated synthesizer's engine, including its error reply and its silence.
#include <algorithm>
#include <cstdio>
#include <fstream>

#include "protocol/firmware_updater.h"
#include "editor/program_controls.h"
#include "protocol/vq_sysex.h"
#include "editor_test_support.h"
#include "../library/sim_link.h"
#include "tools/vqsim/device_program.h"

namespace vqtest {
namespace {

std::vector<uint8_t> FirmwareImage(const std::array<std::vector<uint8_t>, 5>& sections) {
  std::vector<uint8_t> f = {'V', 'Q', '4', 'F', 'W'};
  for (const auto& s : sections) {
    uint32_t n = static_cast<uint32_t>(s.size());
    for (int b = 0; b < 4; ++b) f.push_back(static_cast<uint8_t>(n >> (8 * b)));
  }
  for (const auto& s : sections) f.insert(f.end(), s.begin(), s.end());
  return f;
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 37 + (i >> 3));
  return v;
}

TEST(FirmwarePacking, SevenBytesOfOnesGiveEightGroupsAndAZeroByte) {
  std::vector<uint8_t> raw(7, 0xFF);
  std::vector<uint8_t> packed = PackFirmwareBytes(raw.data(), raw.size());
  ASSERT_EQ(packed.size(), 9u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(packed[i], 0x7F) << i;
  EXPECT_EQ(packed[8], 0x00);
}

TEST(FirmwarePacking, PackedSizesAndBitOrder) {
  struct {
    uint32_t raw, packed;
  } rows[] = {{0, 1}, {1, 2}, {6, 7}, {7, 9}, {210, 241}, {57343, 65535}};
  for (auto r : rows) EXPECT_EQ(PackedFirmwareSize(r.raw), r.packed) << r.raw;
  // 0x80 0x01: bits 1000 0000 0000 0001 -> 1000000 0000000 01(00000).
  const uint8_t raw[2] = {0x80, 0x01};
  EXPECT_EQ(PackFirmwareBytes(raw, 2), (std::vector<uint8_t>{0x40, 0x00, 0x20}));
  // The simulated device unpacks what we pack.
  std::vector<uint8_t> data = Pattern(1000, 3);
  std::vector<uint8_t> packed = PackFirmwareBytes(data.data(), data.size());
  EXPECT_EQ(vqsim::UnpackSevenBitStream(packed, data.size()), data);
  for (uint8_t b : packed) ASSERT_LE(b, 0x7F);
}

TEST(FirmwareFileCheck, RefusesBadFilesWhole) {
  std::vector<FirmwareSection> out;
  auto good = FirmwareImage({Pattern(10, 1), {}, Pattern(300, 2), {}, Pattern(7, 3)});
  ASSERT_EQ(ParseFirmwareImage(good, out), FirmwareFileError::kNone);
  ASSERT_EQ(out.size(), 5u);
  const uint32_t targets[5] = {3, 4, 5, 6, 2};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(out[k].target, targets[k]);
  EXPECT_EQ(out[1].size, 1u);  // an empty section still packs to one byte
  EXPECT_EQ(out[2].size, PackedFirmwareSize(300));

  std::vector<FirmwareSection> untouched = out;
  auto expectRefused = [&](std::vector<uint8_t> image, FirmwareFileError error) {
    EXPECT_EQ(ParseFirmwareImage(image, out), error);
    EXPECT_EQ(out.size(), untouched.size());
  };
  auto badMagic = good;
  badMagic[2] = '3';
  expectRefused(badMagic, FirmwareFileError::kBadMagic);
  expectRefused({'V', 'Q', '4'}, FirmwareFileError::kBadMagic);
  expectRefused(std::vector<uint8_t>(good.begin(), good.begin() + 20),
                FirmwareFileError::kTruncated);
  expectRefused(std::vector<uint8_t>(good.begin(), good.end() - 1), FirmwareFileError::kTruncated);
  // Bytes after the five sections are read like any other file: the sections are what is sent.
  auto longer = good;
  longer.insert(longer.end(), {0, 1, 2});
  std::vector<FirmwareSection> fromLonger;
  ASSERT_EQ(ParseFirmwareImage(longer, fromLonger), FirmwareFileError::kNone);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(fromLonger[k].data, out[k].data) << k;
  // A size beyond what a section's buffer holds, and a size that would wrap the total.
  auto huge = FirmwareImage({Pattern(57344, 1), {}, {}, {}, {}});
  expectRefused(huge, FirmwareFileError::kSectionTooLarge);
  auto wrap = good;
  wrap[5] = wrap[6] = wrap[7] = wrap[8] = 0xFF;
  expectRefused(wrap, FirmwareFileError::kSectionTooLarge);
  // The largest section that fits is accepted.
  EXPECT_EQ(ParseFirmwareImage(FirmwareImage({Pattern(57343, 1), {}, {}, {}, {}}), out),
            FirmwareFileError::kNone);
  EXPECT_EQ(out[0].size, 65535u);
}

// The handshake of one section alone, answered by hand.
std::vector<size_t> BlockSizes(uint32_t packedSize, std::vector<uint8_t>* lastBlock = nullptr) {
  FirmwareSection s;
  s.target = 3;
  s.size = packedSize;
  s.data = Pattern(packedSize, 9);
  for (auto& b : s.data) b &= 0x7F;
  FirmwareUpdate u;
  std::vector<uint8_t> start = u.Begin({s});
  EXPECT_EQ(start.size(), 7u);
  EXPECT_EQ(start[4], 8);
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionReady).step, FirmwareUpdate::Step::kErasing);
  std::vector<size_t> sizes;
  for (int i = 0; i < 400; ++i) {
    FirmwareUpdate::Action a = u.OnReply(8, vq_sysex::kCmdBlockReady);
    if (a.step != FirmwareUpdate::Step::kBlock) break;
    sizes.push_back(a.message.size());
    if (lastBlock) *lastBlock = a.message;
  }
  return sizes;
}

TEST(FirmwareBlocks, SizesAtTheEdgesOfASection) {
  struct {
    uint32_t packed;
    std::vector<size_t> sizes;
  } rows[] = {
      {480, {250, 249}},      // first block, then the last with 240 bytes and the checksum
      {500, {250, 247, 29}},  // one middle block, then 20 bytes and the checksum
      {481, {250, 247, 10}},
      {240, {250, 9}},  // the first block holds everything: the last carries the checksum only
      {100, {250, 9}},
      {1, {250, 9}},
  };
  for (const auto& r : rows) EXPECT_EQ(BlockSizes(r.packed), r.sizes) << r.packed;
}

TEST(FirmwareBlocks, LastBlockChecksumCoversEverySentDataByte) {
  std::vector<uint8_t> last;
  BlockSizes(500, &last);
  std::vector<uint8_t> data = Pattern(500, 9);
  uint32_t sum = 0;
  for (uint8_t b : data) sum += b & 0x7F;
  ASSERT_EQ(last.size(), 29u);
  EXPECT_EQ(last[26], (sum >> 7) & 0x7F);
  EXPECT_EQ(last[27], sum & 0x7F);
  EXPECT_EQ(last[28], 0xF7);
  // A short section's checksum includes the zero padding of its first block (adds nothing).
  BlockSizes(100, &last);
  uint32_t shortSum = 0;
  for (size_t i = 0; i < 100; ++i) shortSum += data[i] & 0x7F;
  EXPECT_EQ(last[6], (shortSum >> 7) & 0x7F);
  EXPECT_EQ(last[7], shortSum & 0x7F);
}

TEST(FirmwareBlocks, RepliesOutOfTurnAreIgnored) {
  FirmwareSection s{3, 300, std::vector<uint8_t>(300, 1)};
  FirmwareUpdate u;
  u.Begin({s});
  // Replies of another target, erase included, send nothing.
  EXPECT_EQ(u.OnReply(9, vq_sysex::kCmdSectionReady).step, FirmwareUpdate::Step::kIgnored);
  EXPECT_EQ(u.OnReply(9, vq_sysex::kCmdBlockReady).step, FirmwareUpdate::Step::kIgnored);
  // "Section done" before the last block went out does not skip the rest.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionDone).step, FirmwareUpdate::Step::kIgnored);
  // A lost erase reply loses nothing: asking for a block shows the device has erased.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdBlockReady).message.size(), 250u);
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdBlockReady).message.size(), 69u);
  // A repeated erase reply in the middle of the section does not start it over.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionReady).step, FirmwareUpdate::Step::kIgnored);
  // Once the last block is out, a further request sends nothing.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdBlockReady).step, FirmwareUpdate::Step::kIgnored);
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionDone).step, FirmwareUpdate::Step::kSucceeded);
}

class FirmwareUpdateTest : public EditorTest {
 protected:
  VQEditor& Start() {
    VQEditor& e = Make();
    if (e.timer) {
      e.timer->Stop();
      e.timer->Join();
    }
    e.deviceTransfers = MakeEditorDeviceTransfers();
    e.paramCases = MakeProgramControlCases();
    link = std::make_unique<SimLink>(e, out, sim);
    return e;
  }
  std::string WriteImage(const std::vector<uint8_t>& image, const std::string& name = "fw.bin") {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    return path;
  }
  TestGraphics* Gui() { return dynamic_cast<TestGraphics*>(editor->Graphics()); }

  vqsim::SimEngine sim;
  std::unique_ptr<SimLink> link;
};

TEST_F(FirmwareUpdateTest, WholeUpdateReachesTheDevice) {
  VQEditor& e = Start();
  std::array<std::vector<uint8_t>, 5> raw = {
      Pattern(1000, 1), {}, Pattern(210, 2), Pattern(420, 3), Pattern(7, 4)};
  e.selectedFile[VQEditor::kFirmwareSelector] = WriteImage(FirmwareImage(raw));
  Set(208, 1);  // the firmware selector's choice
  EXPECT_TRUE(e.firmwareRunning);
  link->Pump();

  EXPECT_FALSE(e.firmwareRunning);
  EXPECT_FALSE(e.requestOutstanding);
  EXPECT_FALSE(e.transferFailed);
  EXPECT_EQ(StatusText(), "Update successful!");
  ASSERT_TRUE(sim.State().firmwareComplete);
  EXPECT_TRUE(sim.State().faults.empty()) << sim.State().faults.front();
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(vqsim::UnpackSevenBitStream(sim.State().firmware[k].data, raw[k].size()), raw[k])
        << k;
}

TEST(FirmwareProgress, RisesToOneHundredPercentAtTheLastBlock) {
  std::vector<FirmwareSection> sections;
  ASSERT_EQ(
      ParseFirmwareImage(FirmwareImage({Pattern(600, 1), Pattern(100, 2), {}, {}, Pattern(600, 3)}),
                         sections),
      FirmwareFileError::kNone);
  FirmwareUpdate u;
  std::vector<uint8_t> start = u.Begin(sections);
  std::vector<int> percents;
  for (int guard = 0; guard < 100 && u.Running(); ++guard) {
    const uint8_t t = u.WireTarget();
    u.OnReply(t, vq_sysex::kCmdSectionReady);
    for (;;) {
      FirmwareUpdate::Action a = u.OnReply(t, vq_sysex::kCmdBlockReady);
      if (a.step != FirmwareUpdate::Step::kBlock) break;
      percents.push_back(a.percent);
    }
    u.OnReply(t, vq_sysex::kCmdSectionDone);
  }
  EXPECT_FALSE(u.Running());
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_LE(percents.front(), 100);
  EXPECT_EQ(percents.back(), 100);
  // The short second section never counts its padding: progress stays below 100 before the end.
  EXPECT_LT(percents[percents.size() - 2], 100);
}

TEST_F(FirmwareUpdateTest, BadFileIsRefusedAndNothingIsSent) {
  VQEditor& e = Start();
  const size_t mark = Mark();
  auto image = FirmwareImage({Pattern(100, 1), {}, {}, {}, {}});
  image[0] = 'X';
  e.ReadFirmwareFile(WriteImage(image).c_str());
  auto shortImage = FirmwareImage({Pattern(100, 1), {}, {}, {}, {}});
  shortImage.resize(shortImage.size() - 3);
  e.ReadFirmwareFile(WriteImage(shortImage, "short.bin").c_str());
  e.ReadFirmwareFile((dir + "/missing.bin").c_str());
  e.ShowPostedMessageBoxes();
  EXPECT_EQ(Mark(), mark);
  EXPECT_FALSE(e.firmwareRunning);
  ASSERT_EQ(Gui()->messageBoxes.size(), 3u);
  EXPECT_EQ(Gui()->messageBoxes[0].text, "Not a valid firmware file!");
  EXPECT_EQ(Gui()->messageBoxes[1].text, "The firmware file is incomplete!");
  EXPECT_EQ(Gui()->messageBoxes[0].caption, "Error");
}

TEST_F(FirmwareUpdateTest, DeviceErrorStopsTheUpdate) {
  VQEditor& e = Start();
  vqsim::MisbehaviourRule rule;
  rule.kind = vqsim::AnswerKind::FirmwareEnd;
  rule.mode = vqsim::Misbehaviour::ErrorReply;
  rule.skip = 1;  // the second section fails
  std::string error;
  ASSERT_TRUE(sim.Plan().Add(rule, error)) << error;
  e.ReadFirmwareFile(
      WriteImage(FirmwareImage({Pattern(300, 1), Pattern(300, 2), {}, {}, {}})).c_str());
  link->Pump();
  EXPECT_FALSE(e.firmwareRunning);
  EXPECT_TRUE(e.transferFailed);
  EXPECT_EQ(StatusText(), "Error in update!");
  EXPECT_FALSE(sim.State().firmware[2].started);  // nothing after the failed section
  e.StatusPoll();
  e.ShowPostedMessageBoxes();
  EXPECT_EQ(Gui()->messageBoxes.back().text, "Communication error has occurred!");
}

TEST_F(FirmwareUpdateTest, SilentDeviceTimesOutInTheMiddleOfASection) {
  VQEditor& e = Start();
  vqsim::MisbehaviourRule rule;
  rule.kind = vqsim::AnswerKind::FirmwareBlock;
  rule.mode = vqsim::Misbehaviour::Silence;
  rule.skip = 1;
  std::string error;
  ASSERT_TRUE(sim.Plan().Add(rule, error)) << error;
  e.ReadFirmwareFile(WriteImage(FirmwareImage({Pattern(1000, 1), {}, {}, {}, {}})).c_str());
  link->Pump();
  ASSERT_TRUE(e.firmwareRunning);
  ASSERT_TRUE(e.requestOutstanding);
  for (int poll = 0; poll < 3; ++poll) e.StatusPoll();
  e.ShowPostedMessageBoxes();
  EXPECT_FALSE(e.firmwareRunning);
  EXPECT_EQ(Gui()->messageBoxes.back().text,
            "VQ not present or a communication\nerror has occurred!");
}

TEST_F(FirmwareUpdateTest, SlowStepsAreWaitedForAndOnlyTheExpectedReplyEndsAWait) {
  // A device that takes its time after the erase and after a section's last block, loses an
  // erase reply, and sends replies and dumps nobody asked for, still gets the whole update.
  VQEditor& e = Start();
  std::array<std::vector<uint8_t>, 5> raw = {
      Pattern(500, 1), Pattern(100, 2), {}, {}, Pattern(7, 4)};
  e.ReadFirmwareFile(WriteImage(FirmwareImage(raw)).c_str());
  link->Skip();
  size_t seen = Mark();
  auto lastSent = [&] { return out.Messages().back(); };
  auto reply = [&](uint8_t command, uint8_t target) {
    const std::vector<uint8_t> m = vqsim::BuildReply(target, command);
    ISysExMessage msg(0, m.data(), 7);
    e.ProcessSysEx(&msg);
  };
  auto nothingAnswers = [&](const char* what) {
    const std::vector<uint8_t> good = vqsim::BuildProgramDump(vqsim::DistinctProgram(3), 3);
    std::vector<uint8_t> spoiled = good;
    spoiled[100] ^= 1;
    for (const std::vector<uint8_t>& m : {good, spoiled}) {
      ISysExMessage msg(0, m.data(), 213);
      e.ProcessSysEx(&msg);
    }
    reply(vq_sysex::kCmdBlockReady, static_cast<uint8_t>(e.firmware.WireTarget() + 1));
    EXPECT_TRUE(e.requestOutstanding) << what << ": a message that is not the answer ends no wait";
    EXPECT_EQ(Mark(), seen) << what;
  };
  auto slowPolls = [&](const char* what) {
    for (int poll = 0; poll < 6; ++poll) e.StatusPoll();
    EXPECT_TRUE(e.firmwareRunning) << what << ": a slow step is no absent device";
  };
  for (int k = 0; k < 5; ++k) {
    const uint8_t t = e.firmware.WireTarget();
    nothingAnswers("after the section start");
    if (k != 1) {
      reply(vq_sysex::kCmdSectionReady, t);  // section 2's erase reply is lost
      slowPolls("erase");
    }
    for (;;) {
      reply(vq_sysex::kCmdBlockReady, t);
      ASSERT_GT(Mark(), seen) << "section " << k;
      seen = Mark();
      if (e.firmware.AwaitingSectionEnd()) break;
    }
    nothingAnswers("after the last block");
    slowPolls("section end");
    reply(vq_sysex::kCmdSectionDone, t);
    seen = Mark();
    if (k < 4) {
      EXPECT_EQ(lastSent()[5], vq_sysex::kCmdSectionStart);
    }
  }
  EXPECT_FALSE(e.firmwareRunning);
  EXPECT_EQ(StatusText(), "Update successful!");
}

TEST_F(FirmwareUpdateTest, ADeviceThatStopsAnsweringEndsTheUpdateClearly) {
  VQEditor& e = Start();
  e.ReadFirmwareFile(WriteImage(FirmwareImage({Pattern(10, 1), {}, {}, {}, {}})).c_str());
  e.OnFirmwareReply(8, vq_sysex::kCmdSectionReady);
  e.OnFirmwareReply(8, vq_sysex::kCmdBlockReady);
  e.OnFirmwareReply(8, vq_sysex::kCmdBlockReady);  // the last block: the section end is awaited
  ASSERT_TRUE(e.firmware.AwaitingSectionEnd());
  for (int poll = 0; poll < 12 && e.firmwareRunning; ++poll) e.StatusPoll();
  EXPECT_FALSE(e.firmwareRunning);
  EXPECT_EQ(StatusText(), "Firmware update aborted: the VQ stopped answering!");
}

TEST_F(FirmwareUpdateTest, EraseGetsLongerThanAnOrdinaryWait) {
  VQEditor& e = Start();
  e.ReadFirmwareFile(WriteImage(FirmwareImage({Pattern(10, 1), {}, {}, {}, {}})).c_str());
  e.OnFirmwareReply(8, vq_sysex::kCmdSectionReady);
  EXPECT_EQ(StatusText(), "Erasing FLASH memory...");
  for (int poll = 0; poll < 5; ++poll) e.StatusPoll();
  EXPECT_TRUE(e.firmwareRunning);
  for (int poll = 0; poll < 10 && e.firmwareRunning; ++poll) e.StatusPoll();
  EXPECT_FALSE(e.firmwareRunning);
}

}  // namespace
}  // namespace vqtest
