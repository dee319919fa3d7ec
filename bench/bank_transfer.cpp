// A bank of 99 programs uploaded and downloaded through the simulated synthesizer over JACK
// MIDI, against the same exchanges (a 213-byte write answered by 7 bytes, a 9-byte request
// answered by 213) on a bare RtMidi loopback in the same run: what is left is the editor's own
// work. Needs a JACK server (tools/jack-env.sh) and the vqsim program of this build.
#define VQSIM_PROCESS_NO_GTEST
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "editor/device_messages.h"
#include "editor/gui/editor_pages.h"
#include "editor/program_field_table.h"
#include "editor/vq_editor.h"
#include "library/bank_transfer.h"
#include "library/program_library.h"
#include "library/program_text_format.h"
#include "platform/midi_input.h"
#include "platform/midi_output.h"
#include "tests/support/test_graphics.h"
#include "tests/support/vqsim_process.h"

namespace {

using vq::platform::RtMidiInput;
using vq::platform::RtMidiOutput;
constexpr int kSlots = 99;

bool JackRuns() {
  const char* j = std::getenv("VQ_JACK");
  return j && std::string(j) == "1";
}

// vqsim beside this build: <build>/bench/bench_x -> <build>/tools/vqsim/vqsim.
void FindVqsim() {
  if (std::getenv("VQSIM")) return;
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) setenv("VQSIM", (self.parent_path().parent_path() / "tools/vqsim/vqsim").c_str(), 0);
}

class EditorRig {
 public:
  bool Open(std::string& error) {
    FindVqsim();
    root = std::filesystem::temp_directory_path() / ("vq-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "up");
    std::filesystem::create_directories(root / "down");
    const std::string base = "vqbench" + std::to_string(getpid());
    out = RtMidiOutput::Create(base + "-out", &error);
    in = RtMidiInput::Create(base + "-in", 1000, &error);
    if (!out || !in || !out->OpenVirtualPort("From VQEditor4") || !in->OpenVirtualPort("To VQEditor4")) {
      if (error.empty()) error = "ports";
      return false;
    }
    VQEditorSetup setup;
    setup.makeGraphics = [](IModuleBase* plug, int w, int h, int fps) -> IGraphics* {
      return new vqtest::TestGraphics(plug, w, h, fps);
    };
    setup.pages = MakeEditorPages();
    setup.settingsPath = (root / "settings.ini").string();
    setup.programFiles = MakeProgramLibrary();
    editor.reset(MakePlug(out.get(), &channel, std::move(setup)));
    if (editor->timer) {
      editor->timer->Stop();
      editor->timer->Join();
    }
    InstallProgramTransfers(*editor);
    in->SetCallback([this](const uint8_t* bytes, size_t count) {
      if (count > 3 && bytes[0] == 0xF0) {
        ISysExMessage msg(0, bytes, static_cast<int32_t>(count));
        editor->ProcessSysEx(&msg);
      }
    });
    if (!sim.Start({.distinct = true})) {
      error = sim.Error();
      return false;
    }
    if (!sim.Connect(base + "-out:From VQEditor4", base + "-in:To VQEditor4")) {
      error = sim.Error();
      return false;
    }
    for (int slot = 1; slot <= kSlots; ++slot) {
      ProgramRecord r = ProgramFieldTable::InitRecord();
      r[11] = slot;
      char name[32];
      snprintf(name, sizeof name, "%02d_Bench%d.pr4", slot, slot);
      std::ofstream(root / "up" / name, std::ios::binary) << FormatProgramText(r);
    }
    return true;
  }
  ~EditorRig() {
    if (in) in->SetCallback(nullptr);
    editor.reset();
    in.reset();
    out.reset();
    sim.Stop();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }

  // The idle call, and the status poll once a second as the timer would run it, so that a
  // message lost on the way is resent (or the transfer fails) instead of stalling the run.
  bool Idle(const std::function<bool(VQEditor&)>& done) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    auto nextPoll = Clock::now() + std::chrono::seconds(1);
    for (;;) {
      {
        UTL_MutexLock lock(editor->Mutex());
        editor->OnTick();
        if (done(*editor)) return true;
        if (Clock::now() >= nextPoll) {
          nextPoll += std::chrono::seconds(1);
          editor->StatusPoll();
          if (!editor->bankUploadRunning && !editor->bankDownloadRunning && !editor->transferDone) return false;
        }
      }
      if (std::chrono::steady_clock::now() >= deadline) return false;
      pollfd none{-1, 0, 0};
      poll(&none, 0, 0);
    }
  }

  bool UploadAndDownload() {
    const std::string up = (root / "up").string() + "/";
    {
      UTL_MutexLock lock(editor->Mutex());
      editor->transferDone = false;
      editor->currentProgramPath = up;
      editor->LocateProgramInFolder(up.c_str());
      editor->bankUploadRequest = true;
    }
    if (!Idle([](VQEditor& e) { return e.transferDone; })) return false;
    {
      UTL_MutexLock lock(editor->Mutex());
      editor->transferDone = false;
      editor->currentProgramFolder = (root / "down").string() + "/";
      editor->downloadToManager = false;
      editor->bankDownloadRunning = true;
      editor->requestSlot = 1;
      editor->requestPending = true;
    }
    return Idle([](VQEditor& e) { return e.transferDone; });
  }

  std::filesystem::path root;
  std::unique_ptr<RtMidiOutput> out;
  std::unique_ptr<RtMidiInput> in;
  std::unique_ptr<VQEditor> editor;
  uint16_t channel = 0;
  vqtest::VqsimProcess sim;
};

void BM_BankUploadDownloadEditor(benchmark::State& state) {
  if (!JackRuns()) {
    state.SkipWithError("no JACK server (VQ_JACK is not 1)");
    return;
  }
  EditorRig rig;
  std::string error;
  if (!rig.Open(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    if (!rig.UploadAndDownload()) {
      state.SkipWithError("transfer did not finish");
      return;
    }
  }
  state.counters["programs"] = 2 * kSlots;
}

// The same exchanges with nothing behind the ports: every message goes out and comes back on a
// loopback connection, and so does its answer.
void BM_BankUploadDownloadBareLoopback(benchmark::State& state) {
  if (!JackRuns()) {
    state.SkipWithError("no JACK server (VQ_JACK is not 1)");
    return;
  }
  vqtest::JackMidiPeer peer;
  if (!peer.Open("vqloop") || !vqtest::JackConnect(peer.OutPort(), peer.InPort())) {
    state.SkipWithError("loopback ports");
    return;
  }
  std::vector<uint8_t> write(213, 0x10), dump(213, 0x11), request(9, 0x12), ack(7, 0x13);
  for (auto* m : {&write, &dump, &request, &ack}) {
    m->front() = 0xF0;
    m->back() = 0xF7;
  }
  auto hop = [&](const std::vector<uint8_t>& m) {
    const size_t size = m.size();
    peer.Send(m);
    return peer.WaitForMessage([size](const std::vector<uint8_t>& got) { return got.size() == size; }, 5000)
        .has_value();
  };
  // The connection takes a moment to carry messages: probe until one comes back.
  bool connected = false;
  for (int i = 0; i < 50 && !connected; ++i) {
    peer.Send(ack);
    connected = peer.WaitForMessage([](const std::vector<uint8_t>& got) { return got.size() == 7; }, 100).has_value();
  }
  if (!connected) return state.SkipWithError("loopback carries nothing");
  pollfd none{-1, 0, 0};
  poll(&none, 0, 200);
  peer.ClearMessages();
  for (auto _ : state) {
    for (int slot = 1; slot <= kSlots; ++slot)
      if (!hop(write) || !hop(ack)) return state.SkipWithError("lost");
    for (int slot = 1; slot <= kSlots; ++slot)
      if (!hop(request) || !hop(dump)) return state.SkipWithError("lost");
  }
  state.counters["programs"] = 2 * kSlots;
}

BENCHMARK(BM_BankUploadDownloadEditor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_BankUploadDownloadBareLoopback)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
