// The shell on the headless backend: a fresh settings folder, MIDI objects with scripted port
// names that record what is opened, and an editor that records what reaches it.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_resources.h"
#include "app/app_shell.h"
#include "editor/gui/editor_pages.h"
#include "editor/vq_editor.h"
#include "support/test_graphics.h"
#include "wemu/ini_file.h"
#include "wemu/wemu_fixture.h"

namespace apptest {

// What a port object saw: opens by name, closes, and whether the plug mutex was free then.
struct PortLog {
  std::vector<std::string> opened;  // "virtual:<name>" or "port:<index>"
  int closes = 0;
  bool openedUnderPlugMutex = false;
  bool callbackClearedWithPlug = false;
};

// True when another thread can take the mutex, i.e. this thread does not hold it.
inline bool MutexFree(UTL_Mutex& m) {
  bool free = false;
  std::thread t([&] {
    free = m.TryEnter();
    if (free) m.Leave();
  });
  t.join();
  return free;
}

template <class Base>
class FakePort : public Base {
 public:
  FakePort(std::vector<std::string> names, PortLog& log, std::function<UTL_Mutex*()> plugMutex)
      : names_(std::move(names)), log_(log), plugMutex_(std::move(plugMutex)) {}
  unsigned PortCount() override { return static_cast<unsigned>(names_.size()); }
  std::string PortName(unsigned port) override { return port < names_.size() ? names_[port] : ""; }
  bool OpenPort(unsigned port, const std::string&) override {
    Check();
    log_.opened.push_back("port:" + std::to_string(port));
    open_ = true;
    return true;
  }
  bool OpenVirtualPort(const std::string& name) override {
    Check();
    log_.opened.push_back("virtual:" + name);
    open_ = true;
    return true;
  }
  void ClosePort() override {
    Check();
    ++log_.closes;
    open_ = false;
  }
  bool IsPortOpen() const override { return open_; }

 protected:
  void Check() {
    if (UTL_Mutex* m = plugMutex_()) log_.openedUnderPlugMutex |= !MutexFree(*m);
  }
  std::vector<std::string> names_;
  PortLog& log_;
  std::function<UTL_Mutex*()> plugMutex_;
  bool open_ = false;
};

class FakeInput : public FakePort<vq::platform::MidiInput> {
 public:
  // The delivering end: a test may keep it past the input's life.
  struct Wire {
    std::mutex mutex;  // held while delivering: no call runs once the callback is cleared
    Callback callback;
    std::atomic<bool> open{false};
    void Deliver(std::vector<uint8_t> bytes) {
      std::lock_guard<std::mutex> lock(mutex);
      if (callback && open) callback(bytes.data(), bytes.size());
    }
  };
  using FakePort::FakePort;
  void SetCallback(Callback cb) override {
    std::lock_guard<std::mutex> lock(wire->mutex);
    if (!cb) log_.callbackClearedWithPlug = plugMutex_() != nullptr;
    wire->callback = std::move(cb);
  }
  bool OpenPort(unsigned port, const std::string& name) override {
    wire->open = FakePort::OpenPort(port, name);
    return wire->open;
  }
  bool OpenVirtualPort(const std::string& name) override {
    wire->open = FakePort::OpenVirtualPort(name);
    return wire->open;
  }
  void ClosePort() override {
    FakePort::ClosePort();
    wire->open = false;
  }
  void Deliver(std::vector<uint8_t> bytes) { wire->Deliver(std::move(bytes)); }
  std::shared_ptr<Wire> wire = std::make_shared<Wire>();
};

class FakeOutput : public FakePort<vq::platform::MidiOutput> {
 public:
  using FakePort::FakePort;
  bool Send(const uint8_t* bytes, size_t count) override {
    if (!open_ || !count) return false;
    sent.emplace_back(bytes, bytes + count);
    return true;
  }
  using MidiOutput::Send;
  std::vector<std::vector<uint8_t>> sent;
};

// The editor with what reaches it recorded.
class RecordingEditor : public VQEditor {
 public:
  using VQEditor::VQEditor;
  bool OnCommand(int code) override {
    commands.push_back(code);
    return true;
  }
  void ProcessMidiMsg(const IMidiMessage* msg) override { deviceMessages.push_back(msg->mStatus); }
  void ProcessSysEx(const ISysExMessage* msg) override { sysexSizes.push_back(msg->mSize); }
  void OnMidiMsgReceived(const IMidiMessage* msg) override { keyboardMessages.push_back(msg->mStatus); }
  std::vector<int> commands;
  std::vector<uint8_t> deviceMessages;
  std::vector<int32_t> sysexSizes;
  std::vector<uint8_t> keyboardMessages;
};

class ShellTest : public WemuTest {
 protected:
  void SetUp() override {
    WemuTest::SetUp();
    char tmpl[] = "/tmp/vq_app_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    config = dir + "/home/.config";  // missing parents too
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    inputs.clear();
    output = nullptr;
    editor = nullptr;
    inputLogs[0] = inputLogs[1] = outputLog = PortLog();
  }
  void TearDown() override {
    shell.reset();
    unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
    WemuTest::TearDown();
  }

  std::string Folder() const { return config + "/VQEditor4/"; }
  std::string SettingsPath() const { return Folder() + "settings.ini"; }
  void WriteSettings(const std::string& text) {
    std::filesystem::create_directories(Folder());
    std::ofstream(SettingsPath()) << text;
  }
  std::string Setting(const char* section, const char* key) {
    char buf[512];
    GetPrivateProfileString(section, key, "<none>", buf, sizeof buf, SettingsPath().c_str());
    return buf;
  }

  // A shell whose MIDI objects list these ports; failInput / failOutput make creation fail.
  AppShell& MakeShell(bool failInput = false, bool failOutput = false) {
    ShellOptions options;
    options.midi.makeInput = [this, failInput](const std::string&, unsigned, std::string* error)
        -> std::unique_ptr<vq::platform::MidiInput> {
      if (failInput) {
        *error = "no sequencer";
        return nullptr;
      }
      auto in = std::make_unique<FakeInput>(inputNames, inputLogs[inputs.size()], [this] { return PlugMutex(); });
      inputs.push_back(in.get());
      return in;
    };
    options.midi.makeOutput = [this, failOutput](const std::string&, std::string* error)
        -> std::unique_ptr<vq::platform::MidiOutput> {
      if (failOutput) {
        *error = "no sequencer";
        return nullptr;
      }
      auto out = std::make_unique<FakeOutput>(outputNames, outputLog, [this] { return PlugMutex(); });
      output = out.get();
      return out;
    };
    options.makePlug = [this](vq::platform::MidiOutput* out, uint16_t* channel, const std::string& settingsPath,
                              const std::string& outputName) -> VQEditor* {
      VQEditorSetup setup;
      setup.makeGraphics = [](IModuleBase* plug, int w, int h, int fps) -> IGraphics* {
        return new vqtest::TestGraphics(plug, w, h, fps);
      };
      setup.pages = MakeEditorPages();
      setup.settingsPath = settingsPath;
      setup.outputDeviceName = outputName;
      IModuleInstanceInfo info;
      info.mBundleID.Set(kBundleIdentifier);
      info.mMidiOut = out;
      info.mMidiOutChannel = channel;
      editor = new RecordingEditor(info, std::move(setup));
      return editor;
    };
    shell = std::make_unique<AppShell>(std::move(options));
    SetCurrentShell(shell.get());
    return *shell;
  }
  // Messages 1 and 2; answers message 1's result.
  intptr_t Start() {
    intptr_t loaded = shell->HandleAppMessage(WEMU_APPMSG_LOADED, 0, 0);
    shell->HandleAppMessage(WEMU_APPMSG_LAUNCHED, 0, 0);
    return loaded;
  }
  UTL_Mutex* PlugMutex() { return shell && shell->Plug() ? &shell->Plug()->Mutex() : nullptr; }

  std::string dir, config;
  std::vector<std::string> inputNames{"Velquor VQ MIDI 1", "Keys 1"};
  std::vector<std::string> outputNames{"Velquor VQ MIDI 1", "Synth Out"};
  PortLog inputLogs[2];
  PortLog outputLog;
  std::vector<FakeInput*> inputs;  // device input, keyboard input
  FakeOutput* output = nullptr;
  RecordingEditor* editor = nullptr;
  std::unique_ptr<AppShell> shell;
};

}  // namespace apptest
