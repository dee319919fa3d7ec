// Links an editor to the simulated synthesizer's engine in-process: what the editor sent since
// the last call goes to the engine, the engine's answers come back to the SysEx handler, and
// the editor's idle call runs, until nothing new goes out (or a round limit is reached).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "editor/vq_editor.h"
#include "library/bank_transfer.h"
#include "platform/midi_output.h"
#include "program_library_fixture.h"
#include "protocol/program_field_table.h"
#include "tools/vqsim/sim_engine.h"

namespace vqtest {

class SimLink {
 public:
  SimLink(VQEditor& editor, vq::platform::MemoryMidiOutput& out, vqsim::SimEngine& sim)
      : mEditor(editor), mOut(out), mSim(sim), mDelivered(out.SendCount()) {}

  // Runs rounds until the editor sends nothing more; returns the rounds run.
  int Pump(int maxRounds = 2000) {
    int rounds = 0;
    while (rounds < maxRounds) {
      ++rounds;
      const size_t before = mOut.SendCount();
      Deliver();
      mEditor.OnTick();
      if (mOut.SendCount() == before && mDelivered == before) break;
    }
    return rounds;
  }

  // Hands the editor's new messages to the engine and its answers back, once; at most `most`
  // of them. With `held`, the answers wait there instead, each with its delay (a device that
  // answers late).
  void Deliver(size_t most = SIZE_MAX, std::vector<vqsim::OutMessage>* held = nullptr) {
    if (mDelivered >= mOut.SendCount()) return;  // nothing new: no copy of all that went out
    std::vector<std::vector<uint8_t>> all = mOut.Messages();
    for (; mDelivered < all.size() && most > 0; --most) {
      const std::vector<uint8_t> m = all[mDelivered++];
      for (const vqsim::OutMessage& answer : mSim.Receive(m)) {
        if (answer.bytes.size() <= 3) continue;
        if (held)
          held->push_back(answer);
        else if (answer.delayMs > 0)
          mLate.push_back(answer.bytes);  // a slow answer: it comes when the test lets it
        else
          Answer(answer.bytes);
      }
      all = mOut.Messages();
    }
  }
  void Answer(const std::vector<uint8_t>& bytes) {
    ISysExMessage msg(0, bytes.data(), static_cast<int32_t>(bytes.size()));
    mEditor.ProcessSysEx(&msg);
  }

  // The slow answers held so far arrive, in the order they were given.
  void DeliverLate() {
    std::vector<std::vector<uint8_t>> late;
    late.swap(mLate);
    for (const auto& bytes : late) Answer(bytes);
  }

  // Forgets what the editor sent so far (it never reaches the engine).
  void Skip() { mDelivered = mOut.SendCount(); }

 private:
  VQEditor& mEditor;
  vq::platform::MemoryMidiOutput& mOut;
  vqsim::SimEngine& mSim;
  size_t mDelivered;
  std::vector<std::vector<uint8_t>> mLate;
};

// An editor with the program library and transfers installed, linked to an in-process
// simulated synthesizer, and a program folder to fill with marked programs.
class SimLinkedEditorTest : public LibraryEditorTest {
 protected:
  static constexpr int kMarkerField =
      11;  // "VCO1 volume": each test program carries its own value here

  VQEditor& Start(const std::string& subfolder) {
    VQEditor& e = MakeWithLibrary();
    InstallProgramTransfers(e);
    link = std::make_unique<SimLink>(e, out, sim);
    folder = dir + "/" + subfolder + "/";
    std::filesystem::create_directories(folder);
    return e;
  }
  // The engine spoils `count` answers of `kind` by `mode` after letting `skip` pass (a slow
  // answer comes `delayMs` late).
  void Misbehave(vqsim::AnswerKind kind, vqsim::Misbehaviour mode, uint32_t skip,
                 uint32_t count = 1, uint32_t delayMs = 1000) {
    vqsim::MisbehaviourRule rule;
    rule.kind = kind;
    rule.mode = mode;
    rule.skip = skip;
    rule.count = count;
    rule.delayMs = delayMs;
    std::string error;
    ASSERT_TRUE(sim.Plan().Add(rule, error)) << error;
  }
  // A program file whose marker field holds `marker`.
  void Program(const std::string& name, int marker) {
    ProgramRecord r = ProgramFieldTable::InitRecord();
    r[kMarkerField] = marker;
    WriteFile(folder + name, FormatProgramText(r));
  }

  vqsim::SimEngine sim;
  std::unique_ptr<SimLink> link;
  std::string folder;
};

}  // namespace vqtest
