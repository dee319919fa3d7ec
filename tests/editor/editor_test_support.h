// A VQEditor on a headless graphics, the minimal pages, an in-memory MIDI output and a
// settings file in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/gui/editor_pages.h"
#include "editor/vq_editor.h"
#include "platform/headless.h"
#include "platform/midi_output.h"
#include "plugin/iparam.h"
#include "protocol/device_messages.h"
#include "protocol/eq_mapping.h"
#include "support/test_graphics.h"
#include "wemu/ini_file.h"

namespace vqtest {

// The editor's pages, keeping each text the status line is given.
class StatusRecordingPages : public EditorPages {
 public:
  void SetStatusText(const char* text) override {
    statusTexts.emplace_back(text ? text : "");
    EditorPages::SetStatusText(text);
  }
  std::vector<std::string> statusTexts;
};

// The editor's pages, recording what the editor opens and shows that the pages build nothing
// for (the about box, the program-number selector, the swapped skin backgrounds); the file
// selectors are recorded instead of opening their panels. The Mod. Wheel knob and the
// equalizer curve answer what the test sets, the page's own controls when it sets nothing.
class RecordingPages : public StatusRecordingPages {
 public:
  bool TakeModWheelChanged() override {
    return modWheelChanged ? modWheelChanged() : EditorPages::TakeModWheelChanged();
  }
  bool ReadEqBand(EqBand& band) const override {
    return eqBand ? eqBand(band) : EditorPages::ReadEqBand(band);
  }
  bool OpenFileSelector(int role) override {
    openedSelectors.push_back(role);
    if (whileSelectorOpen) whileSelectorOpen(role);
    return false;
  }
  void ShowAboutBox() override { aboutShown = true; }
  void ShowProgramNumberSelector(VQEditor&, bool show) override { numberSelectorShown = show; }
  bool ProgramNumberSelectorShown() const override { return numberSelectorShown; }
  void ShowSkinBackgrounds(bool space) override { skinsShown.push_back(space); }

  std::vector<int> openedSelectors;
  std::function<void(int role)> whileSelectorOpen;  // looks on while the panel is up
  bool aboutShown = false;
  bool numberSelectorShown = false;
  std::vector<bool> skinsShown;  // true: "space"
  std::function<bool()> modWheelChanged;
  std::function<bool(EqBand&)> eqBand;
};

// The headless backend's next panel answers `paths` (none: cancelled) after half a second of its
// clock, while another thread tries the editor's mutex: *free says whether it got it.
inline void AnswerPanelWatching(vq::platform::HeadlessBackend& b,
                                std::optional<std::vector<std::string>> paths, UTL_Mutex& m,
                                bool* free) {
  b.loop.addTimer(
      0.1, false, [&m, free] { *free = FreeForOtherThreads(m); }, true);
  b.panelAnswers.push_back({std::move(paths), 0.5});
}

// Bank transfers that do nothing, as without any; tests override what they watch.
class NullBankTransfers : public VQBankTransfers {
 public:
  void StartBankUpload(VQEditor&, const char*) override {}
  void NextBankProgram(VQEditor&) override {}
  bool SendProgramFileToDevice(VQEditor&, const char*) override { return false; }
  bool SendBankProgramFile(VQEditor&, const char*, int) override { return false; }
  bool SaveReceivedProgram(VQEditor&, int, const uint8_t*) override { return false; }
  void ScanProgramFolderToSlots(VQEditor&, const char*) override {}
  void SetSlotName(VQEditor&, const char*, int) override {}
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_editor_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    settings = dir + "/settings.ini";
  }
  void TearDown() override {
    editor.reset();
    std::filesystem::remove_all(dir);
  }

  // Each call writes a new file: the settings cache tells files apart by time and size only.
  void WriteSettings(const std::string& text) {
    settings = dir + "/settings" + std::to_string(++settingsCount) + ".ini";
    std::ofstream(settings) << text;
  }

  VQEditor& Make(const std::string& outputName = "", bool withGui = true) {
    return MakeFrom(BaseSetup(outputName, withGui));
  }

  // What Make hands the editor: the headless graphics, the minimal pages, the settings file.
  // Fixtures add to it (program files, other pages) and pass it to MakeFrom.
  VQEditorSetup BaseSetup(const std::string& outputName = "", bool withGui = true) const {
    VQEditorSetup setup;
    if (withGui)
      setup.makeGraphics = [](IModuleBase* plug, int w, int h, int fps) -> IGraphics* {
        auto* g = new TestGraphics(plug, w, h, fps);
        g->fileCancels = true;  // tests set the chosen files themselves
        return g;
      };
    setup.pages = std::make_unique<StatusRecordingPages>();
    setup.settingsPath = settings;
    setup.outputDeviceName = outputName;
    return setup;
  }
  // Puts recording pages into `setup`.
  static RecordingPages& UseRecordingPages(VQEditorSetup& setup) {
    auto pages = std::make_unique<RecordingPages>();
    RecordingPages& recording = *pages;
    setup.pages = std::move(pages);
    return recording;
  }
  // The editor from `setup`, sending through `midiOut` (the in-memory `out` when null). Its
  // timer is stopped: the tests drive ticks and polls themselves and read the editor's state
  // without its lock, which a poll on the timer thread would race with.
  VQEditor& MakeFrom(VQEditorSetup setup, vq::platform::MidiOutput* midiOut = nullptr) {
    editor.reset(MakePlug(midiOut ? midiOut : &out, &channel, std::move(setup)));
    StopTimer();
    return *editor;
  }
  // Stops the editor's timer: the test then drives ticks and polls itself, never by waiting.
  void StopTimer() {
    if (editor) editor->StopTimer();
  }
  TestGraphics* Gui() const { return dynamic_cast<TestGraphics*>(editor->Graphics()); }
  // The pages every fixture gives the editor (EditorPages or a subclass).
  EditorPages& Page() const { return *dynamic_cast<EditorPages*>(editor->Pages()); }
  // Each text the status line was given (pages of BaseSetup or recording pages).
  std::vector<std::string>& StatusTexts() const {
    return dynamic_cast<StatusRecordingPages&>(*editor->Pages()).statusTexts;
  }
  // A control on `param`, attached to the editor's graphics, which owns it.
  TestControl* Bind(int param) {
    auto* c = new TestControl(editor.get(), IRECT(0, 0, 5, 5), param);
    Gui()->AttachControl(c);
    return c;
  }

  // Sets a parameter as the editor's own operations do (plain value, dispatcher runs).
  void Set(int param, double value) { editor->SetParameterFromGUI2(param, value); }
  double Value(int param) const { return editor->ParamValue(param); }

  size_t Mark() const { return out.SendCount(); }
  std::vector<std::vector<uint8_t>> Since(size_t mark) const {
    auto all = out.Messages();
    return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
  }
  // The NRPN control changes sent since the mark (everything else is ignored).
  std::vector<NrpnControl> CcsSince(size_t mark) const {
    std::vector<NrpnControl> ccs;
    for (const auto& m : Since(mark))
      if (m.size() == 3 && m[0] == 0xB0) ccs.push_back({m[1], m[2]});
    return ccs;
  }
  std::string ReadoutText(int field) const {
    auto* c = dynamic_cast<EditorTextControl*>(Page().Readout(field));
    return c ? c->Text() : "<none>";
  }
  std::string StatusText() const {
    auto* c = dynamic_cast<EditorTextControl*>(Page().StatusText());
    return c ? c->Text() : "<none>";
  }

  std::string dir, settings;
  int settingsCount = 0;
  vq::platform::MemoryMidiOutput out;
  uint16_t channel = 0;
  std::unique_ptr<VQEditor> editor;
};

}  // namespace vqtest
