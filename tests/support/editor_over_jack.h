// An editor with the program library on its own MIDI ports on JACK, as the shell opens them (a
// system output "From VQEditor4" and an input "To VQEditor4", two JACK clients), and the
// simulated synthesizer as a second process connected to both. Link the suite with
// vq_vqsim_process. A fixture's SetUp runs the steps in order:
//
//     EditorTest::SetUp();
//     VQ_SKIP_WITHOUT_JACK();
//     ASSERT_NO_FATAL_FAILURE(OpenEditorPorts("vqxx"));
//     MakeEditorOnPorts();          // then anything the editor needs before messages arrive
//     DeliverToEditor(/*shortMessages=*/true);
//     ASSERT_NO_FATAL_FAILURE(StartVqsim());
#pragma once

#include <unistd.h>

#include <memory>
#include <string>

#include "../editor/editor_test_support.h"
#include "library/program_library.h"
#include "platform/midi_input.h"
#include "platform/midi_output.h"
#include "support/vqsim_process.h"

namespace vqtest {

class EditorOverJackTest : public EditorTest {
 protected:
  // Creates both clients, named from `prefix`, the process and a serial so that runs never
  // meet, and opens their virtual ports.
  void OpenEditorPorts(const std::string& prefix) {
    const std::string base = prefix + std::to_string(getpid()) + "n" + std::to_string(++serial);
    std::string error;
    midiOut = vq::platform::RtMidiOutput::Create(base + "-out", &error);
    ASSERT_TRUE(midiOut) << error;
    midiIn = vq::platform::RtMidiInput::Create(base + "-in", 100, &error);
    ASSERT_TRUE(midiIn) << error;
    ASSERT_TRUE(midiOut->OpenVirtualPort("From VQEditor4")) << midiOut->LastError();
    ASSERT_TRUE(midiIn->OpenVirtualPort("To VQEditor4")) << midiIn->LastError();
    outPort = base + "-out:From VQEditor4";
    inPort = base + "-in:To VQEditor4";
  }

  // The editor with the program library, sending through the output port; its timer runs.
  VQEditor& MakeEditorOnPorts() {
    VQEditorSetup setup = BaseSetup();
    setup.programFiles = MakeProgramLibrary();
    return MakeFrom(std::move(setup), midiOut.get());
  }

  // The shell's device-input callback: SysEx to the SysEx handler and, with `shortMessages`,
  // every other message to the short-message handler.
  void DeliverToEditor(bool shortMessages) {
    midiIn->SetCallback([this, shortMessages](const uint8_t* bytes, size_t count) {
      if (count > 3 && bytes[0] == 0xF0) {
        ISysExMessage msg(0, bytes, static_cast<int32_t>(count));
        editor->ProcessSysEx(&msg);
      } else if (shortMessages) {
        IMidiMessage msg(0, bytes[0], count > 1 ? bytes[1] : 0, count > 2 ? bytes[2] : 0);
        editor->ProcessMidiMsg(&msg);
      }
    });
  }

  // Starts vqsim on its own ports and connects it to the editor's both ways.
  void StartVqsim() {
    ASSERT_TRUE(sim.Start({.distinct = true})) << sim.Error();
    ASSERT_EQ(JackFindPort(outPort), outPort);
    ASSERT_TRUE(sim.Connect(outPort, inPort)) << sim.Error();
  }

  // No message reaches the editor once it starts going away.
  void TearDown() override {
    if (midiIn) midiIn->SetCallback(nullptr);
    editor.reset();
    midiIn.reset();
    midiOut.reset();
    EditorTest::TearDown();
  }

  static inline int serial = 0;
  std::unique_ptr<vq::platform::RtMidiOutput> midiOut;
  std::unique_ptr<vq::platform::RtMidiInput> midiIn;
  std::string outPort, inPort;
  VqsimProcess sim;
};

}  // namespace vqtest
