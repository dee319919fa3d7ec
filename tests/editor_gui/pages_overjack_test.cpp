// The pages' controls driven as a mouse drives them, with the simulated synthesizer on JACK:
// a knob turned, a switch flipped and the keyboard played arrive as NRPN and notes, and a
// received program moves the knobs.
#include <poll.h>

#include "library/program_library.h"
#include "pages_test_support.h"
#include "protocol/program_field_table.h"
#include "support/editor_over_jack.h"
#include "tools/vqsim/device_program.h"

namespace vqtest {
namespace {

class PagesOverJack : public EditorOverJackTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    VQ_SKIP_WITHOUT_JACK();
    ASSERT_NO_FATAL_FAILURE(OpenEditorPorts("vqpg"));
    VQEditorSetup setup = BaseSetup();
    const std::string folder = dir;
    setup.makeGraphics = [folder](IModuleBase* plug, int w, int h, int) -> IGraphics* {
      return new ArtworkGraphics(plug, w, h, folder);
    };
    setup.programFiles = MakeProgramLibrary();
    MakeFrom(std::move(setup), midiOut.get());
    DeliverToEditor(/*shortMessages=*/true);
    ASSERT_NO_FATAL_FAILURE(StartVqsim());
  }
  void TearDown() override {
    EditorOverJackTest::TearDown();
    IGraphics::ResetCaches();
  }
  EditorPages& Pages() const { return *static_cast<EditorPages*>(editor->Pages()); }
  static std::string NrpnLine(int field, int32_t value) {
    return "nrpn " + std::to_string(ProgramFieldTable::Msb(field)) + " " +
           std::to_string(ProgramFieldTable::Lsb(field)) + " " +
           std::to_string(ProgramFieldTable::DeviceByte(field, value));
  }
};

TEST_F(PagesOverJack, KnobSwitchAndKeyboardReachTheSynthesizer) {
  VQEditor& e = *editor;
  IMouseMod left(true);
  IKnobMultiControl* level = Pages().KnobOf(14);  // "VCO1 volume"
  ASSERT_NE(level, nullptr);
  const IRECT r = level->GetRECT();
  {
    UTL_MutexLock lock(e.Mutex());
    level->OnMouseDown(r.L + 2, r.T + 2, &left);
    level->OnMouseDrag(r.L + 2, r.T + 2, 0, -20, &left);
    level->OnMouseUp(r.L + 2, r.T + 2, &left);
  }
  const int32_t value = e.ParamInt(14);
  EXPECT_TRUE(sim.WaitForLogLine(NrpnLine(11, value), 5000)) << value;
  // The VCF vintage / new switch (field 75).
  IControl* sw = nullptr;
  for (int i = 0; i < e.Graphics()->NControls(); ++i)
    if (e.Graphics()->GetControl(i)->ParamIdx() == 78) sw = e.Graphics()->GetControl(i);
  ASSERT_NE(sw, nullptr);
  {
    UTL_MutexLock lock(e.Mutex());
    sw->OnMouseDown(sw->GetRECT().L + 1, sw->GetRECT().T + 1, &left);
  }
  EXPECT_TRUE(sim.WaitForLogLine(NrpnLine(75, e.ParamInt(78)), 5000));
  // Middle C of the on-screen keyboard, pressed at full depth.
  IKeyboardControl* kb = Pages().Keyboard();
  kb->OnMouseDown(vq_layout::kKeyboardX + 98 * 3, vq_layout::kKeyboardY + 69, &left);
  kb->OnMouseUp(vq_layout::kKeyboardX + 98 * 3, vq_layout::kKeyboardY + 69, &left);
  EXPECT_TRUE(
      sim.WaitForLogLine("note-on " + std::to_string(e.keyboardChannel + 1) + " 60 127", 5000));
  EXPECT_TRUE(
      sim.WaitForLogLine("note-off " + std::to_string(e.keyboardChannel + 1) + " 60", 5000));
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

TEST_F(PagesOverJack, ReceivedProgramMovesTheKnobs) {
  VQEditor& e = *editor;
  sim.Stop();
  VqsimProcess distinct;
  ASSERT_TRUE(distinct.Start({.distinct = true})) << distinct.Error();
  ASSERT_TRUE(distinct.Connect(outPort, inPort)) << distinct.Error();
  {
    UTL_MutexLock lock(e.Mutex());
    e.requestSlot = 5;
    e.requestPending = true;
    e.OnTick();
  }
  for (int i = 0; i < 1000; ++i) {
    {
      UTL_MutexLock lock(e.Mutex());
      if (e.dumpReceived) break;
    }
    pollfd none{-1, 0, 0};
    poll(&none, 0, 5);
  }
  const std::string file = dir + "/05 Sim.pr4";
  {
    UTL_MutexLock lock(e.Mutex());
    ASSERT_TRUE(e.dumpReceived);
    e.OnTick();
    ASSERT_TRUE(e.SaveProgramFile(file.c_str()));
    ASSERT_TRUE(e.LoadProgramFileToEditor(file.c_str()));
  }
  for (int param : {6, 18, 26, 30, 42}) {
    IKnobMultiControl* k = Pages().KnobOf(param);
    ASSERT_NE(k, nullptr);
    EXPECT_NEAR(k->GetValue(), e.GetParam(param)->GetNormalized(), 1e-9) << param;
  }
}

}  // namespace
}  // namespace vqtest
