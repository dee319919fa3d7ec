// The Preferences dialog with scripted picks: picks take effect at once, OK keeps and stores
// them, Cancel puts the devices back, long names stay whole, and MIDI that is off says so.
#include "app_test_support.h"
#include "wemu/controls.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_functions.h"

namespace {

using apptest::ShellTest;

class PreferencesTest : public ShellTest {
 protected:
  // Runs the dialog from the main window; `act` runs inside it with the dialog, which then
  // ends with `button` (1 OK, 2 Cancel).
  void RunDialog(std::function<void(HWND__*)> act, int button) {
    backend->app.modalScript.push_back([this, act, button] {
      vq::platform::Window* w = vq::platform::Window::modalWindow();
      ASSERT_NE(w, nullptr);
      HWND__* dialog = WEMU_TopLevelOf(w)->contentWindowView();
      act(dialog);
      SendMessage(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
    });
    SendMessage(shell->mainWindow, WM_COMMAND, kCmdPreferences, 0);
  }
  static WEMU_ItemList* List(HWND__* dialog, int id) {
    return dynamic_cast<WEMU_ItemList*>(GetDlgItem(dialog, id));
  }
  // The user picks the entry with this text.
  static void Pick(HWND__* dialog, int id, const std::string& text) {
    auto* list = dynamic_cast<WEMU_PopUpButton*>(GetDlgItem(dialog, id));
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->numberOfItems(); ++i)
      if (list->itemText(i) == text) return list->userChose(i);
    FAIL() << "no entry " << text;
  }
  static std::string Shown(HWND__* dialog, int id) {
    WEMU_ItemList* list = List(dialog, id);
    return list && list->selectedIndex() >= 0 ? list->itemText(list->selectedIndex()) : "<none>";
  }
};

TEST_F(PreferencesTest, PicksTakeEffectAtOnceAndOkStoresThem) {
  inputNames.push_back("Self Out:RtMidi Output");  // the program's own output: never offered
  MakeShell();
  Start();
  RunDialog(
      [this](HWND__* d) {
        EXPECT_EQ(List(d, kComboDeviceInput)->numberOfItems(), 4);
        EXPECT_EQ(List(d, kComboKeyboardInput)->numberOfItems(), 4);
        Pick(d, kComboDeviceInput, "Velquor VQ MIDI 1");
        Pick(d, kComboKeyboardInput, "Velquor VQ MIDI 1");  // the device input's port
        EXPECT_EQ(Shown(d, kComboKeyboardInput), "off");
        Pick(d, kComboOutput, "Synth Out");
        SendMessage(d, WM_COMMAND, kButtonApply, 0);  // does nothing
        EXPECT_EQ(Setting("midi", "indev"), "off");
      },
      1);
  EXPECT_EQ(inputLogs[0].opened, std::vector<std::string>{"port:0"});
  EXPECT_TRUE(inputLogs[1].opened.empty());
  EXPECT_EQ(outputLog.opened, std::vector<std::string>{"port:1"});
  EXPECT_EQ(Setting("midi", "indev"), "Velquor VQ MIDI 1");
  EXPECT_EQ(Setting("midi", "inBdev"), "off");
  EXPECT_EQ(Setting("midi", "outdev"), "Synth Out");
  EXPECT_EQ(editor->commands, std::vector<int>{35});
}

TEST_F(PreferencesTest, CancelPutsBackTheDevicesThatWereOpen) {
  WriteSettings("[midi]\nindev=off\ninBdev=off\noutdev=Synth Out\n");
  MakeShell();
  Start();
  RunDialog(
      [](HWND__* d) {
        Pick(d, kComboOutput, "Velquor VQ MIDI 1");
        Pick(d, kComboDeviceInput, "virtual input");
      },
      2);
  EXPECT_EQ(outputLog.opened, (std::vector<std::string>{"port:1", "port:0", "port:1"}));
  EXPECT_TRUE(output->IsPortOpen());
  EXPECT_FALSE(inputs[0]->IsPortOpen());
  EXPECT_EQ(shell->settings.outputName, "Synth Out");
  EXPECT_EQ(shell->settings.deviceInputName, "off");
  EXPECT_EQ(Setting("midi", "outdev"), "Synth Out");
  EXPECT_TRUE(editor->commands.empty());
}

// A chosen port that is not there (the synthesizer switched off) is listed by its name as not
// present, a long name shortened in its middle so that the note fits whole; cancelling changes
// nothing, and OK keeps it chosen, also when picked again after another.
TEST_F(PreferencesTest, AChosenPortNotThereIsListedAndKept) {
  const std::string longName = "Velquor VQ MIDI 1 (card 2) USB Interface Port";
  WriteSettings("[midi]\nindev=Synth In\ninBdev=" + longName + "\noutdev=Gone\n");
  MakeShell();
  Start();
  for (int button : {2, 1}) {
    RunDialog(
        [](HWND__* d) {
          EXPECT_EQ(Shown(d, kComboOutput), "Gone (not present)");
          EXPECT_EQ(Shown(d, kComboDeviceInput), "Synth In (not present)");
          EXPECT_EQ(Shown(d, kComboKeyboardInput), "Velq\u2026ort (not present)");
          Pick(d, kComboKeyboardInput, "off");
          Pick(d, kComboKeyboardInput, "Velq\u2026ort (not present)");
        },
        button);
    EXPECT_EQ(Setting("midi", "outdev"), "Gone") << button;
    EXPECT_EQ(Setting("midi", "indev"), "Synth In") << button;
    EXPECT_EQ(Setting("midi", "inBdev"), longName) << button;
    EXPECT_EQ(shell->settings.outputName, "Gone");
  }
  EXPECT_TRUE(outputLog.opened.empty());
}

TEST_F(PreferencesTest, LongPortNamesAreKeptWhole) {
  const std::string longName = std::string(150, 'L') + " MIDI 1";
  inputNames.push_back(longName);
  inputNames.push_back(std::string(150, 'L') + " MIDI 2");  // the same first 150 characters
  MakeShell();
  Start();
  RunDialog([&](HWND__* d) { Pick(d, kComboDeviceInput, longName); }, 1);
  EXPECT_EQ(shell->settings.deviceInputName, longName);
  EXPECT_EQ(Setting("midi", "indev"), longName);
  EXPECT_EQ(inputLogs[0].opened, std::vector<std::string>{"port:2"});
}

TEST_F(PreferencesTest, MidiThatIsOffIsShownInTheLists) {
  MakeShell(false);
  Start();
  RunDialog(
      [](HWND__* d) {
        for (int id : {kComboDeviceInput, kComboKeyboardInput, kComboOutput})
          EXPECT_EQ(Shown(d, id), "MIDI off: no ALSA or JACK") << id;
        Pick(d, kComboDeviceInput, "MIDI off: no ALSA or JACK");
      },
      1);
  EXPECT_TRUE(inputLogs[0].opened.empty());
  EXPECT_EQ(Setting("midi", "indev"), "off");
}

}  // namespace
