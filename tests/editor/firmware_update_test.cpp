// Whole firmware updates against the simulated synthesizer's engine, including its error reply
// and its silence.
#include <algorithm>
#include <cstdio>
#include <fstream>

#include "../library/sim_link.h"
#include "../protocol/firmware_image.h"
#include "editor/program_controls.h"
#include "editor_test_support.h"
#include "protocol/firmware_updater.h"
#include "protocol/vq_sysex.h"
#include "tools/vqsim/device_program.h"

namespace vqtest {
namespace {

class FirmwareUpdateTest : public EditorTest {
 protected:
  VQEditor& Start() {
    VQEditor& e = Make();
    e.StopTimer();
    e.SetDeviceTransfers(MakeEditorDeviceTransfers());
    e.SetParamCases(MakeProgramControlCases());
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
  e.Browser().SetSelectedFile(VQEditor::kFirmwareSelector, WriteImage(FirmwareImage(raw)));
  Set(208, 1);  // the firmware selector's choice
  EXPECT_TRUE(e.Link().FirmwareRunning());
  link->Pump();

  EXPECT_FALSE(e.Link().FirmwareRunning());
  EXPECT_FALSE(e.Link().RequestOutstanding());
  EXPECT_FALSE(e.Link().TransferFailed());
  EXPECT_EQ(StatusText(), "Update successful!");
  ASSERT_TRUE(sim.State().firmwareComplete);
  EXPECT_TRUE(sim.State().faults.empty()) << sim.State().faults.front();
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(vqsim::UnpackSevenBitStream(sim.State().firmware[k].data, raw[k].size()), raw[k])
        << k;
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
  EXPECT_FALSE(e.Link().FirmwareRunning());
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
  EXPECT_FALSE(e.Link().FirmwareRunning());
  EXPECT_TRUE(e.Link().TransferFailed());
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
  ASSERT_TRUE(e.Link().FirmwareRunning());
  ASSERT_TRUE(e.Link().RequestOutstanding());
  for (int poll = 0; poll < 3; ++poll) e.StatusPoll();
  e.ShowPostedMessageBoxes();
  EXPECT_FALSE(e.Link().FirmwareRunning());
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
    reply(vq_sysex::kCmdBlockReady, static_cast<uint8_t>(e.Firmware().WireTarget() + 1));
    EXPECT_TRUE(e.Link().RequestOutstanding())
        << what << ": a message that is not the answer ends no wait";
    EXPECT_EQ(Mark(), seen) << what;
  };
  auto slowPolls = [&](const char* what) {
    for (int poll = 0; poll < 6; ++poll) e.StatusPoll();
    EXPECT_TRUE(e.Link().FirmwareRunning()) << what << ": a slow step is no absent device";
  };
  for (int k = 0; k < 5; ++k) {
    const uint8_t t = e.Firmware().WireTarget();
    nothingAnswers("after the section start");
    if (k != 1) {
      reply(vq_sysex::kCmdSectionReady, t);  // section 2's erase reply is lost
      slowPolls("erase");
    }
    for (;;) {
      reply(vq_sysex::kCmdBlockReady, t);
      ASSERT_GT(Mark(), seen) << "section " << k;
      seen = Mark();
      if (e.Firmware().AwaitingSectionEnd()) break;
    }
    nothingAnswers("after the last block");
    slowPolls("section end");
    reply(vq_sysex::kCmdSectionDone, t);
    seen = Mark();
    if (k < 4) {
      EXPECT_EQ(lastSent()[5], vq_sysex::kCmdSectionStart);
    }
  }
  EXPECT_FALSE(e.Link().FirmwareRunning());
  EXPECT_EQ(StatusText(), "Update successful!");
}

TEST_F(FirmwareUpdateTest, ADeviceThatStopsAnsweringEndsTheUpdateClearly) {
  VQEditor& e = Start();
  e.ReadFirmwareFile(WriteImage(FirmwareImage({Pattern(10, 1), {}, {}, {}, {}})).c_str());
  e.OnFirmwareReply(8, vq_sysex::kCmdSectionReady);
  e.OnFirmwareReply(8, vq_sysex::kCmdBlockReady);
  e.OnFirmwareReply(8, vq_sysex::kCmdBlockReady);  // the last block: the section end is awaited
  ASSERT_TRUE(e.Firmware().AwaitingSectionEnd());
  for (int poll = 0; poll < 12 && e.Link().FirmwareRunning(); ++poll) e.StatusPoll();
  EXPECT_FALSE(e.Link().FirmwareRunning());
  EXPECT_EQ(StatusText(), "Firmware update aborted: the VQ stopped answering!");
}

// The answer may have come and been lost in our own MIDI input: the report says so and that
// the update stopped, and no block goes out again for it.
TEST_F(FirmwareUpdateTest, AnInputLossIsNamedWhenTheUpdateStops) {
  VQEditor& e = Start();
  e.ReadFirmwareFile(WriteImage(FirmwareImage({Pattern(10, 1), {}, {}, {}, {}})).c_str());
  e.OnFirmwareReply(8, vq_sysex::kCmdSectionReady);
  e.OnFirmwareReply(8, vq_sysex::kCmdBlockReady);
  const size_t mark = Mark();
  e.NoteMidiInputLoss();
  EXPECT_EQ(Mark(), mark);
  EXPECT_EQ(e.Link().InputLosses(), 1u);
  for (int poll = 0; poll < 12 && e.Link().FirmwareRunning(); ++poll) e.StatusPoll();
  e.ShowPostedMessageBoxes();
  EXPECT_EQ(Mark(), mark);
  EXPECT_EQ(StatusText(), "Firmware update aborted: MIDI input missed data!");
  ASSERT_FALSE(Gui()->messageBoxes.empty());
  EXPECT_EQ(Gui()->messageBoxes.back().text,
            "Firmware update aborted:\nthe editor's MIDI input missed data!");
}

TEST_F(FirmwareUpdateTest, EraseGetsLongerThanAnOrdinaryWait) {
  VQEditor& e = Start();
  e.ReadFirmwareFile(WriteImage(FirmwareImage({Pattern(10, 1), {}, {}, {}, {}})).c_str());
  e.OnFirmwareReply(8, vq_sysex::kCmdSectionReady);
  EXPECT_EQ(StatusText(), "Erasing FLASH memory...");
  for (int poll = 0; poll < 5; ++poll) e.StatusPoll();
  EXPECT_TRUE(e.Link().FirmwareRunning());
  for (int poll = 0; poll < 10 && e.Link().FirmwareRunning(); ++poll) e.StatusPoll();
  EXPECT_FALSE(e.Link().FirmwareRunning());
}

}  // namespace
}  // namespace vqtest
