// The shell: settings on first and later starts, device selection by name, the input
// callbacks, MIDI that cannot start, the fitted GUI scale and the order of shut-down.
#include <sys/stat.h>

#include <cmath>
#include <limits>

#include "app_test_support.h"
#include "wemu/window_functions.h"

namespace {

using apptest::ShellTest;

TEST_F(ShellTest, FirstStartMakesAPrivateFolderWritesOffAndOpensNoPort) {
  const mode_t mask = umask(022);
  MakeShell();
  EXPECT_EQ(Start(), 0);
  EXPECT_EQ(umask(mask), 022u);  // untouched
  EXPECT_EQ(std::filesystem::status(Folder()).permissions(), std::filesystem::perms::owner_all);
  EXPECT_EQ(std::filesystem::status(config).permissions(), std::filesystem::perms::owner_all);
  for (const char* key : {"indev", "inBdev", "outdev"})
    EXPECT_EQ(Setting("midi", key), "off") << key;
  EXPECT_TRUE(inputLogs[0].opened.empty() && inputLogs[1].opened.empty() &&
              outputLog.opened.empty());
  EXPECT_TRUE(shell->Plug() && IsWindowVisible(shell->mainWindow));
}

TEST_F(ShellTest, StoredDevicesAreOpenedByNameAndUnknownOnesBecomeOff) {
  struct Case {
    std::string file;
    std::vector<std::string> in, keyboard, out;  // ports opened
    std::string indev, inBdev, outdev;           // stored afterwards
  };
  const std::vector<Case> cases = {
      {"[midi]\nindev=Velquor VQ MIDI 1\ninBdev=Keys 1\noutdev=Synth Out\n",
       {"port:0"},
       {"port:1"},
       {"port:1"},
       "Velquor VQ MIDI 1",
       "Keys 1",
       "Synth Out"},
      {"[midi]\nindev=virtual input\ninBdev=off\noutdev=virtual output\n",
       {"virtual:To VQEditor4"},
       {},
       {"virtual:From VQEditor4"},
       "virtual input",
       "off",
       "virtual output"},
      // Ports not there now stay chosen, for when they come back.
      {"[midi]\nindev=Gone\ninBdev=velquor vq midi 1\noutdev=Gone too\n",
       {},
       {},
       {},
       "Gone",
       "velquor vq midi 1",
       "Gone too"},
      {"[gui]\nguiscale=1.0\n", {}, {}, {}, "off", "off", "off"},  // no "midi" section
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TearDown();
    SetUp();
    WriteSettings(c.file);
    MakeShell();
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(inputLogs[0].opened, c.in);
    EXPECT_EQ(inputLogs[1].opened, c.keyboard);
    EXPECT_EQ(outputLog.opened, c.out);
    EXPECT_EQ(Setting("midi", "indev"), c.indev);
    EXPECT_EQ(Setting("midi", "inBdev"), c.inBdev);
    EXPECT_EQ(Setting("midi", "outdev"), c.outdev);
  }
}

TEST_F(ShellTest, WithoutASettingsFolderNothingIsWrittenAndReadsGiveDefaults) {
  std::filesystem::create_directories(dir + "/home");
  std::ofstream(config) << "not a folder";  // a plain file where the folder chain must go
  MakeShell();
  EXPECT_EQ(Start(), 1);
  EXPECT_EQ(shell->settingsFile.Path(), "");
  EXPECT_EQ(shell->settingsFile.Read("gui", "guiscale", "-1.0"), "-1.0");
  shell->WriteMidiSettings();
  std::ifstream in(config);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "not a folder");
  EXPECT_NE(shell->mainWindow, nullptr);  // the program still runs
}

TEST_F(ShellTest, SettingsRecordRoundTripsAnyPortName) {
  const std::string longName(150, 'p');
  MakeShell();
  Start();
  shell->settings.deviceInputName = longName + "A";
  shell->settings.keyboardInputName = longName + "B";
  shell->settings.outputName = "Out: client 128:0";
  shell->WriteMidiSettings();
  AppSettings read;
  SettingsFile file;
  ASSERT_TRUE(file.Load(read));
  EXPECT_TRUE(AppSettingsEqual(read, shell->settings));

  AppSettings a, b;
  b.audioInputDevice = "elsewhere";  // audio fields are not compared
  EXPECT_TRUE(AppSettingsEqual(a, b));
  b.outputChannel = 3;
  EXPECT_FALSE(AppSettingsEqual(a, b));
}

TEST_F(ShellTest, InputCallbacksHandOnWhatTheEditorTakes) {
  WriteSettings("[midi]\nindev=Velquor VQ MIDI 1\ninBdev=Keys 1\noutdev=off\n");
  MakeShell();
  Start();
  apptest::Wire& device = *inputs[0]->wire;
  apptest::Wire& keys = *inputs[1]->wire;
  device.Deliver({0x94, 60, 100});
  device.Deliver(std::vector<uint8_t>(213, 0x01));
  device.Deliver({});
  keys.Deliver({0xF8});
  keys.Deliver({0xF0, 1, 2, 0xF7});  // SysEx from the keyboard is ignored
  keys.Deliver({0x90, 60, 1});
  shell->settings.deviceInputChannel = 2;  // channel 2 only: channel 5's note is dropped
  device.Deliver({0x94, 60, 100});
  device.Deliver({0x91, 60, 100});
  EXPECT_EQ(editor->deviceMessages, (std::vector<uint8_t>{0x94, 0x91}));
  EXPECT_EQ(editor->sysexSizes, std::vector<int32_t>{213});
  EXPECT_EQ(editor->keyboardMessages, (std::vector<uint8_t>{0xF8, 0x90}));
  // A loss on the synthesizer's input is the editor's to count; the keyboard's is not.
  device.Lose();
  keys.Lose();
  EXPECT_EQ(editor->Link().InputLosses(), 1u);
}

TEST_F(ShellTest, MidiThatCannotStartLeavesTheProgramRunningAndTheStoredDevices) {
  WriteSettings("[midi]\nindev=Velquor VQ MIDI 1\ninBdev=off\noutdev=Synth Out\n");
  MakeShell(false);
  Start();
  EXPECT_EQ(shell->output, nullptr);
  EXPECT_FALSE(shell->MidiError().empty());
  EXPECT_FALSE(shell->SelectMidiOutput("Synth Out"));
  EXPECT_NE(shell->mainWindow, nullptr);
  EXPECT_EQ(Setting("midi", "outdev"), "Synth Out");  // kept for a start with MIDI
  EXPECT_EQ(Setting("midi", "indev"), "Velquor VQ MIDI 1");
}

TEST_F(ShellTest, PortsChangeOutsideThePlugMutexAndShutDownStopsCallbacksFirst) {
  WriteSettings("[midi]\nindev=Velquor VQ MIDI 1\ninBdev=Keys 1\noutdev=Synth Out\n");
  MakeShell();
  Start();
  std::atomic<bool> stop{false};
  std::shared_ptr<apptest::Wire> device = inputs[0]->wire;
  std::thread midi([&] {
    while (!stop) device->Deliver({0x90, 60, 100});
  });
  shell->SelectMidiInput("Keys 1");
  shell->SelectMidiOutput("virtual output");
  shell->HandleAppMessage(WEMU_APPMSG_WILL_TERMINATE, 0, 0);
  stop = true;
  midi.join();
  EXPECT_EQ(shell->Plug(), nullptr);
  EXPECT_EQ(shell->mainWindow, nullptr);
  for (const apptest::PortLog* log : {&inputLogs[0], &inputLogs[1], &outputLog})
    EXPECT_FALSE(log->underPlugMutex);
  EXPECT_TRUE(inputLogs[0].callbackClearedWithPlug);
  EXPECT_TRUE(inputLogs[1].callbackClearedWithPlug);
}

TEST_F(ShellTest, FittedGuiScaleIsFiniteAndNeverBelowTheMinimum) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double stored;
    int screen, titleBar;
    bool fits;
    double fitted;
  };
  for (const Case& c :
       {Case{1.5, 900, 22, true, 1.0975}, Case{1.0, 900, 22, false, 0},
        Case{-1.0, 100, 22, false, 0}, Case{nan, 900, 22, false, 0}, Case{inf, 900, 22, false, 0},
        Case{0.0, 900, 22, false, 0}, Case{1.0, 10, 22, true, 0.5}, Case{2.0, 0, 0, true, 0.5}}) {
    double fitted = -7;
    EXPECT_EQ(FitGuiScale(c.stored, c.screen, c.titleBar, 0.5, &fitted), c.fits)
        << c.stored << " on " << c.screen;
    if (c.fits) {
      EXPECT_DOUBLE_EQ(fitted, c.fitted);
    }
  }

  WriteSettings("[gui]\nguiscale=1.5\n");
  backend->screenList = {vq::platform::Screen{{0, 0, 1600, 900}, {0, 0, 1600, 900}, 1}};
  MakeShell();
  Start();
  const std::string stored = Setting("gui", "guiscale");
  double s = std::atof(stored.c_str());
  EXPECT_LT(s, 1.5);
  EXPECT_GE(s, 0.5);
  EXPECT_EQ(stored.substr(stored.find('.') + 1).size(), 15u);
}

}  // namespace
