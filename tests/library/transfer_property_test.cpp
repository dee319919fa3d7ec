// Whatever the synthesizer sends or leaves out, every transfer ends within its time-out with a
// clear status: the simulated device's answers travel over a wire that, from a seed, loses,
// repeats, reorders and spoils them and adds foreign messages of its own.
#include <deque>
#include <random>
#include <set>

#include "protocol/vq_sysex.h"
#include "sim_link.h"

namespace vqtest {
namespace {

using Bytes = std::vector<uint8_t>;

class UnreliableWire {
 public:
  explicit UnreliableWire(uint32_t seed) : mRng(seed) {}

  void FromDevice(Bytes m) {
    const int roll = Pick(0, 99);
    if (roll < 8) return;  // lost
    if (roll < 16) Spoil(m);
    mInFlight.push_back(m);
    if (roll >= 90) mInFlight.push_back(m);  // repeated
  }
  // What arrives now: everything in flight, sometimes out of order, sometimes with a foreign
  // message among it.
  std::vector<Bytes> Arrive() {
    if (Pick(0, 99) < 4) mInFlight.push_back(Foreign());
    std::vector<Bytes> out(mInFlight.begin(), mInFlight.end());
    mInFlight.clear();
    if (out.size() > 1 && Pick(0, 3) == 0)
      std::swap(out[0], out[static_cast<size_t>(Pick(1, static_cast<int>(out.size()) - 1))]);
    return out;
  }

 private:
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(mRng); }
  void Spoil(Bytes& m) {
    if (m.size() < 3) return;
    m[static_cast<size_t>(Pick(1, static_cast<int>(m.size()) - 2))] ^=
        static_cast<uint8_t>(Pick(1, 0x7F));
  }
  // A well-framed message of ours that nothing asked for: a program-sized one with any command
  // and slot, or a reply of any target and command the editor knows.
  Bytes Foreign() {
    static const uint8_t kReplies[] = {0x11, 0x12, 0x14, 0x15, 0x21, 0x22};
    static const uint8_t kTargets[] = {0x05, 0x07, 0x08, 0x09, 0x0A, 0x0B};
    Bytes m = {vq_sysex::kStart, vq_sysex::kManufacturerId[0], vq_sysex::kManufacturerId[1],
               vq_sysex::kManufacturerId[2]};
    if (Pick(0, 1) == 0) {
      m.push_back(kTargets[Pick(0, 5)]);
      m.push_back(kReplies[Pick(0, 5)]);
    } else {
      m.push_back(vq_sysex::kTargetEngine);
      m.push_back(static_cast<uint8_t>(Pick(0, 1) ? 0x41 : Pick(0, 0x7F)));
      while (m.size() < 212) m.push_back(static_cast<uint8_t>(Pick(0, 0x7F)));
    }
    m.push_back(vq_sysex::kEnd);
    return m;
  }

  std::mt19937 mRng;
  std::deque<Bytes> mInFlight;
};

enum class Transfer { kSingleRequest, kBankUpload, kBankDownload, kFirmware };

class TransferPropertyTest : public SimLinkedEditorTest {
 protected:
  // Longest a wait may stay unanswered before the poll ends it, in polls (erase and section
  // end get the long wait), and a bound on a whole transfer.
  static constexpr int kLongestWaitPolls = 12;
  static constexpr int kStepsPerPoll = 4;

  bool Running(const VQEditor& e) const {
    return e.requestOutstanding || e.requestPending || e.bankDownloadRunning ||
           e.bankUploadRunning || e.singleWritePending || e.firmwareRunning ||
           e.downloadSavePending || e.bankUploadAckPending || e.writeAckPending || e.dumpReceived;
  }

  void Begin(VQEditor& e, Transfer kind) {
    switch (kind) {
      case Transfer::kSingleRequest:
        Set(301, 6);
        Set(302, 1);
        break;
      case Transfer::kBankUpload:
        for (const char* name : {"01_A.pr4", "02_B.pr4", "03_C.pr4", "05_D.pr4"}) Program(name, 3);
        Gui()->messageBoxAnswer = 2;  // gaps skipped
        e.StartBankUpload((folder + "x").c_str());
        break;
      case Transfer::kBankDownload:
        e.currentProgramFolder = folder;
        e.bankDownloadRunning = true;
        e.requestSlot = 1;
        e.requestPending = true;
        break;
      case Transfer::kFirmware: {
        Bytes image = {'V', 'Q', '4', 'F', 'W'};
        const uint32_t sizes[5] = {300, 0, 500, 10, 241};
        for (uint32_t size : sizes)
          for (int i = 0; i < 4; ++i) image.push_back(static_cast<uint8_t>(size >> (8 * i)));
        for (uint32_t size : sizes)
          for (uint32_t i = 0; i < size; ++i) image.push_back(static_cast<uint8_t>(i * 7));
        WriteFile(folder + "fw.bin", std::string(image.begin(), image.end()));
        e.ReadFirmwareFile((folder + "fw.bin").c_str());
        break;
      }
    }
  }

  // Runs the editor against the device over the wire until the transfer has ended; returns the
  // polls it took, or -1 when a wait outlived every time-out.
  int RunToEnd(VQEditor& e, UnreliableWire& wire, int maxPolls) {
    size_t delivered = out.SendCount();
    int quietPolls = 0;
    for (int poll = 0; poll < maxPolls; ++poll) {
      for (int step = 0; step < kStepsPerPoll; ++step) {
        std::vector<Bytes> sent = out.Messages();
        if (sent.size() > delivered) quietPolls = 0;
        for (; delivered < sent.size(); ++delivered)
          for (const vqsim::OutMessage& answer : sim.Receive(sent[delivered]))
            if (answer.bytes.size() > 3) wire.FromDevice(answer.bytes);
        for (const Bytes& m : wire.Arrive()) {
          ISysExMessage msg(0, m.data(), static_cast<int32_t>(m.size()));
          e.ProcessSysEx(&msg);
        }
        e.OnTick();
      }
      e.StatusPoll();
      if (!Running(e)) {
        e.StatusPoll();  // the outcome is reported on the next poll
        return poll + 1;
      }
      if (++quietPolls > kLongestWaitPolls) return -1;
    }
    return -1;
  }
};

TEST_F(TransferPropertyTest, EveryTransferEndsWithAClearStatus) {
  struct Case {
    Transfer kind;
    const char* what;
    int maxPolls;
    std::set<std::string> outcomes;
  } cases[] = {
      {Transfer::kSingleRequest, "single request", 40, {"Communication error!", "07Sim 07"}},
      {Transfer::kBankUpload,
       "bank upload",
       80,
       {"Communication error!", "Finished successfully!"}},
      {Transfer::kBankDownload,
       "bank download",
       99 * 20,
       {"Communication error!", "Finished successfully!"}},
      {Transfer::kFirmware,
       "firmware update",
       120,
       {"Communication error!", "Update successful!",
        "Firmware update aborted: the VQ stopped answering!"}},
  };
  for (const Case& c : cases) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      sim = vqsim::SimEngine();
      sim.FillSlots(true);
      VQEditor& e =
          Start("t" + std::to_string(static_cast<int>(c.kind)) + "_" + std::to_string(seed));
      UnreliableWire wire(seed * 7919 + static_cast<uint32_t>(c.kind));
      Begin(e, c.kind);
      ASSERT_TRUE(Running(e)) << c.what;
      const int polls = RunToEnd(e, wire, c.maxPolls);
      EXPECT_GT(polls, 0) << c.what << ", seed " << seed << ": a wait outlived its time-out";
      EXPECT_FALSE(Running(e)) << c.what << ", seed " << seed;
      // A single request that succeeds names the program it received; the others report.
      std::string status = StatusText();
      if (c.kind == Transfer::kSingleRequest && e.receivedDumpPending) status = "07Sim 07";
      EXPECT_TRUE(c.outcomes.count(status))
          << c.what << ", seed " << seed << ": \"" << status << '"';
    }
  }
}

}  // namespace
}  // namespace vqtest
