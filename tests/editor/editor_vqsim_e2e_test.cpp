// The editor core and the simulated synthesizer as two processes on JACK MIDI ports: the
// editor's parameter changes reach the synthesizer as the right NRPN, its keyboard notes as
// notes and SysEx notes, and a program it requests comes back as a dump that the editor checks,
// saves and makes its current program.
#include <poll.h>

#include <chrono>

#include "protocol/device_messages.h"
#include "protocol/program_field_table.h"
#include "support/editor_over_jack.h"

namespace vqtest {
namespace {

class EditorVqsimOverJack : public EditorOverJackTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    VQ_SKIP_WITHOUT_JACK();
    ASSERT_NO_FATAL_FAILURE(OpenEditorPorts("vqed"));
    ASSERT_EQ(midiOut->ApiName(), "jack");
    MakeEditorOnPorts();
    DeliverToEditor(/*shortMessages=*/true);
    ASSERT_NO_FATAL_FAILURE(StartVqsim());
  }

  // Waits (bounded) until `done` holds under the plug mutex.
  bool WaitForEditor(const std::function<bool(VQEditor&)>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      {
        UTL_MutexLock lock(editor->Mutex());
        if (done(*editor)) return true;
      }
      if (std::chrono::steady_clock::now() >= deadline) return false;
      pollfd none{-1, 0, 0};
      poll(&none, 0, 5);
    }
  }

  // The log line vqsim writes for a field sent with a value.
  static std::string NrpnLine(int field, int32_t value) {
    return "nrpn " + std::to_string(ProgramFieldTable::Msb(field)) + " " +
           std::to_string(ProgramFieldTable::Lsb(field)) + " " +
           std::to_string(ProgramFieldTable::DeviceByte(field, value));
  }
};

TEST_F(EditorVqsimOverJack, ParameterChangesArriveAsNrpn) {
  VQEditor& e = *editor;
  Set(14, 77);  // "VCO1 volume"
  Set(4, -20);  // "VCO1 fine": an offset field
  Set(166, 7);  // "Mid1 Boost": the second address bank
  EXPECT_TRUE(sim.WaitForLogLine(NrpnLine(163, 7), 5000)) << "the last change did not arrive";
  EXPECT_TRUE(sim.WaitForLogLine(NrpnLine(11, 77), 100));
  EXPECT_TRUE(sim.WaitForLogLine(NrpnLine(1, -20), 100));
  EXPECT_EQ(e.lastField, 163);

  // A learned keyboard controller goes the same way.
  e.learnCC[11] = 74;
  IMidiMessage cc(0, 0xB0, 74, 127);
  e.OnMidiMsgReceived(&cc);
  EXPECT_TRUE(sim.WaitForLogLine(NrpnLine(11, 127), 5000));

  // Keyboard notes pass through and are mirrored.
  IMidiMessage on(0, 0x90, 60, 100);
  e.OnMidiMsgReceived(&on);
  EXPECT_TRUE(sim.WaitForLogLine("sysex-note-on 60 100", 5000));
  EXPECT_TRUE(sim.WaitForLogLine("note-on 1 60 100", 100));
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

TEST_F(EditorVqsimOverJack, RequestedProgramArrivesAndIsApplied) {
  VQEditor& e = *editor;
  {
    UTL_MutexLock lock(e.Mutex());
    e.requestSlot = 5;
    e.requestPending = true;
    e.OnTick();  // sends the request
    EXPECT_TRUE(e.requestOutstanding);
  }
  ASSERT_TRUE(WaitForEditor([](VQEditor& v) { return v.dumpReceived; }, 5000))
      << "no dump within 5 s";
  EXPECT_TRUE(sim.WaitForLogLine("request 5", 100));

  const std::vector<uint8_t> expected = vqsim::BuildProgramDump(vqsim::DistinctProgram(5), 5);
  const std::string file = dir + "/05 Sim.pr4";
  {
    UTL_MutexLock lock(e.Mutex());
    EXPECT_FALSE(e.requestOutstanding);
    EXPECT_EQ(e.requestSlot, 5);
    EXPECT_EQ(std::vector<uint8_t>(e.receiveBuffer, e.receiveBuffer + 213), expected);
    e.OnTick();  // names the received program
    EXPECT_FALSE(e.dumpReceived);
    // The user confirms the save; the saved file becomes the current program.
    ASSERT_TRUE(e.SaveProgramFile(file.c_str()));
    ASSERT_TRUE(e.LoadProgramFileToEditor(file.c_str()));
  }
  const vqsim::DeviceProgram program = vqsim::DistinctProgram(5);
  for (int field : {3, 15, 23, 27, 39})
    EXPECT_EQ(ProgramFieldTable::DeviceByte(field, e.ParamInt(field + kFieldParamOffset)),
              program.bytes[field])
        << field;
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

TEST_F(EditorVqsimOverJack, SpoiledDumpIsRequestedAgain) {
  VqsimProcess spoiling;
  sim.Stop();
  ASSERT_TRUE(
      spoiling.Start({.faults = {"kind=request,mode=bad-checksum,count=1"}, .distinct = true}))
      << spoiling.Error();
  ASSERT_TRUE(spoiling.Connect(outPort, inPort)) << spoiling.Error();
  VQEditor& e = *editor;
  {
    UTL_MutexLock lock(e.Mutex());
    e.requestSlot = 9;
    e.requestPending = true;
    e.OnTick();
  }
  ASSERT_TRUE(WaitForEditor([](VQEditor& v) { return v.requestPending || v.dumpReceived; }, 5000));
  {
    UTL_MutexLock lock(e.Mutex());
    EXPECT_TRUE(e.requestPending);  // the spoiled dump asks for the same slot again
    EXPECT_FALSE(e.dumpReceived);
    e.OnTick();
  }
  ASSERT_TRUE(WaitForEditor([](VQEditor& v) { return v.dumpReceived; }, 5000));
  EXPECT_EQ(e.requestSlot, 9);
  EXPECT_TRUE(spoiling.WaitForLogLine("request 9", 100, 2));
}

}  // namespace
}  // namespace vqtest
