// What the MIDI input and timer threads cause on screen waits for the main thread's idle call;
// their message boxes are shown there, never while another thread holds the plug mutex.
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "editor_test_support.h"
#include "protocol/vq_sysex.h"

namespace vqtest {
namespace {

using namespace std::chrono_literals;

// Shows boxes as a real toolkit does: one asked for on another thread waits for the main thread
// to run it. Instead of hanging for good it gives up after two seconds and says so.
class ToolkitGraphics : public TestGraphics {
 public:
  using TestGraphics::TestGraphics;
  int ShowMessageBox(const char* text, const char* caption, int type) override {
    if (OnGuiThread()) return TestGraphics::ShowMessageBox(text, caption, type);
    std::unique_lock<std::mutex> lock(mutex);
    offThreadBox = true;
    changed.notify_all();
    if (!changed.wait_for(lock, 2s, [] { return false; })) hung = true;
    return 1;
  }
  std::mutex mutex;
  std::condition_variable changed;
  bool offThreadBox = false;
  bool hung = false;
};

class MainThreadWorkTest : public EditorTest {
 protected:
  std::string FirmwareFile() {
    std::vector<char> f = {'V', 'Q', '4', 'F', 'W', 10, 0, 0, 0};
    f.resize(f.size() + 16, 0);  // four empty sections
    f.resize(f.size() + 10, 0x55);
    const std::string path = dir + "/fw.bin";
    std::ofstream(path, std::ios::binary).write(f.data(), static_cast<std::streamsize>(f.size()));
    return path;
  }
};

TEST_F(MainThreadWorkTest, OtherThreadsChangeTheScreenOnlyThroughTheIdleCall) {
  struct Case {
    const char* name;
    std::function<void(VQEditor&)> arrange, other;  // main thread; the MIDI or timer thread
    int readout;                                    // -1: the status text
    std::string after;
    size_t boxes;
  };
  const IMidiMessage cc(0, 0xB0, 20, 127);
  const Case cases[] = {
      {"learned controller", [](VQEditor& e) { e.learnCC[5] = 20; },
       [&](VQEditor& e) { e.OnMidiMsgReceived(&cc); }, 5,
       std::to_string(ProgramFieldTable::kRows[5].learnMax), 0},
      {"firmware reply", [this](VQEditor& e) { e.ReadFirmwareFile(FirmwareFile().c_str()); },
       [](VQEditor& e) {
         e.OnFirmwareReply(vq_sysex::kTargetEngine + 3, vq_sysex::kCmdSectionReady);
       },
       -1, "Erasing FLASH memory...", 0},
      {"status poll time-out",
       [](VQEditor& e) { e.requestOutstanding = true, e.unansweredPolls = 2; },
       [](VQEditor& e) { e.StatusPoll(); }, -1, "Communication error!", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VQEditor& e = Make();
    c.arrange(e);
    auto shown = [&] { return c.readout < 0 ? StatusText() : ReadoutText(c.readout); };
    const std::string before = shown();
    std::thread([&] { c.other(e); }).join();
    EXPECT_EQ(shown(), before);
    EXPECT_TRUE(Gui()->messageBoxes.empty());
    e.OnTick();
    EXPECT_EQ(shown(), c.after);
    ASSERT_EQ(Gui()->messageBoxes.size(), c.boxes);
    for (const auto& box : Gui()->messageBoxes) EXPECT_TRUE(box.onMainThread);
  }
}
TEST_F(MainThreadWorkTest, StatusPollTimeOutDuringAControlDragDoesNotHang) {
  VQEditorSetup setup = BaseSetup();
  setup.makeGraphics = [](IModuleBase* plug, int w, int h, int fps) -> IGraphics* {
    return new ToolkitGraphics(plug, w, h, fps);
  };
  VQEditor& e = MakeFrom(std::move(setup));
  auto* gui = dynamic_cast<ToolkitGraphics*>(e.Graphics());
  ASSERT_NE(gui, nullptr);
  TestControl* knob = Bind(8);
  e.requestOutstanding = true;
  e.unansweredPolls = 2;  // this poll times out

  bool pollDone = false;
  std::thread timerThread([&] {
    e.StatusPoll();
    std::lock_guard<std::mutex> lock(gui->mutex);
    pollDone = true;
    gui->changed.notify_all();
  });
  {
    // The drag goes on once the poll has asked for its box (or has finished without one).
    std::unique_lock<std::mutex> lock(gui->mutex);
    gui->changed.wait(lock, [&] { return pollDone || gui->offThreadBox; });
  }
  for (int step = 1; step <= 20; ++step) knob->SetValueFromUserInput(step / 40.0);
  timerThread.join();

  EXPECT_FALSE(gui->hung) << "the drag waited for a box the main thread could not show";
  EXPECT_NEAR(e.ParamValue(8), 0.5 * 127, 0.5) << "every step of the drag reached the editor";
  e.OnTick();
  ASSERT_EQ(gui->messageBoxes.size(), 1u);
  EXPECT_TRUE(gui->messageBoxes[0].onMainThread);
  EXPECT_EQ(gui->messageBoxes[0].caption, "Error");
}

// The three threads at once, as in the program: nothing is lost and nothing races.
TEST_F(MainThreadWorkTest, MidiTimerAndMainThreadsTogether) {
  VQEditor& e = Make();
  e.learnCC[5] = 20;
  TestControl* knob = Bind(9);
  std::atomic<bool> midiDone{false}, stop{false};
  std::thread midi([&] {
    for (int v = 0; v <= 1000; ++v) {
      IMidiMessage cc(0, 0xB0, 20, static_cast<uint8_t>(v % 128));
      e.OnMidiMsgReceived(&cc);
    }
    midiDone = true;
  });
  std::thread timer([&] {
    while (!stop) {
      e.StatusPoll();
      std::this_thread::sleep_for(1ms);
    }
  });
  for (int step = 0; !midiDone; ++step) {
    knob->SetValueFromUserInput((step % 10) / 10.0);
    e.OnTick();
  }
  midi.join();
  stop = true;
  timer.join();
  e.OnTick();
  const double min = ProgramFieldTable::Min(5);
  const auto last =
      static_cast<int32_t>(std::floor(min + (e.learnMax[5] - min) * ((1000 % 128) / 127.0)));
  EXPECT_EQ(e.ParamInt(8), last) << "the controller's last position is the one kept";
  EXPECT_EQ(ReadoutText(5), std::to_string(last));
}

}  // namespace
}  // namespace vqtest
