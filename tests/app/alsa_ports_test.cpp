// Over ALSA the program's MIDI objects list every port, their own too: the shell leaves out the
// ports of the sequencer clients they opened, as the kernel numbers and owns them.
#include <sound/asequencer.h>
#include <sys/syscall.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/fake_alsa_sequencer.h"
#include "app_test_support.h"

namespace {

using apptest::ShellTest;

// Where a thread of this process is, as /proc tells: gone, blocked in the plain futex wait of
// libstdc++'s futures (glibc's own locks wait as private), or anywhere else.
enum class ThreadAt { Gone, WaitingForAFuture, Elsewhere };
ThreadAt Where(int tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
  std::string number, address, op;
  if (!(in >> number)) return ThreadAt::Gone;
  in >> address >> op;
  return number == std::to_string(SYS_futex) && op == "0x0" ? ThreadAt::WaitingForAFuture
                                                            : ThreadAt::Elsewhere;
}

constexpr unsigned kDuplex = SNDRV_SEQ_PORT_CAP_READ | SNDRV_SEQ_PORT_CAP_WRITE |
                             SNDRV_SEQ_PORT_CAP_SUBS_READ | SNDRV_SEQ_PORT_CAP_SUBS_WRITE;

// The objects are made on the shell's worker thread, the kernel giving every new client the
// lowest free number, a closed one's again at once.
TEST_F(ShellTest, OverAlsaOwnPortsAreLeftOutAndOtherProgramsPortsListed) {
  fakeseq::FakeSequencer seq;
  shell = std::make_unique<AppShell>();
  shell->PrepareMidi();
  ASSERT_TRUE(shell->OpenMidiPorts()) << shell->MidiError();
  ASSERT_EQ(shell->output->ApiName(), "alsa");
  // Each object's virtual port is listed under its client; an input's port starts its thread.
  ASSERT_TRUE(shell->SelectMidiOutput("virtual output") && shell->output->IsPortOpen());
  ASSERT_TRUE(shell->SelectMidiInput("virtual input") && shell->deviceInput->IsPortOpen());
  ASSERT_TRUE(shell->SelectKeyboardInput("virtual input") && shell->keyboardInput->IsPortOpen());

  const std::string through = "Midi Through:Midi Through Port-0 14:0";
  const auto expectLists = [&](const std::vector<std::string>& others) {
    shell->ListMidiPorts();
    std::vector<std::string> want = {"off", "virtual input", through};
    want.insert(want.end(), others.begin(), others.end());
    EXPECT_EQ(shell->inputPorts, want);
    want[1] = "virtual output";
    EXPECT_EQ(shell->outputPorts, want);
  };
  expectLists({});

  // Started after us, another program takes the next free number; one that quits leaves its
  // number to the next, which may use our client name.
  const int first = seq.OpenOther(4190001, "Keys", {{"Keys Port", kDuplex}});
  const std::string firstName = "Keys:Keys Port " + std::to_string(first) + ":0";
  expectLists({firstName});
  seq.CloseOther(first);
  const int second = seq.OpenOther(4190002, "RtMidi Input Client", {{"Other", kDuplex}});
  ASSERT_EQ(second, first);
  expectLists({"RtMidi Input Client:Other " + std::to_string(second) + ":0"});

  // The library takes an input's maker thread for "no input thread yet": while the inputs live,
  // so does the thread that made them, or a later thread could take its id. Having made them,
  // it either waits or ends: once it is at one or the other, it is known which.
  const std::vector<int> makers = seq.OwnersOf("RtMidi Input Client");
  ASSERT_EQ(makers.size(), 2u);
  for (int tid : makers) {
    ThreadAt at = ThreadAt::Elsewhere;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         (at = Where(tid)) == ThreadAt::Elsewhere && std::chrono::steady_clock::now() < end;)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(at == ThreadAt::WaitingForAFuture)
        << "thread " << tid << (at == ThreadAt::Gone ? " ended" : " never waited");
  }
}

}  // namespace
