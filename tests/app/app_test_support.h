// The shell on the headless backend: a fresh settings folder, MIDI objects with scripted port
// names that log what is opened, and an editor that records what reaches it.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "app/app_resources.h"
#include "app/app_shell.h"
#include "editor/gui/editor_pages.h"
#include "editor/vq_editor.h"
#include "support/test_graphics.h"
#include "wemu/ini_file.h"
#include "wemu/wemu_fixture.h"

namespace apptest {

struct PortLog {
  std::vector<std::string> opened;  // "virtual:<name>" or "port:<index>"
  bool underPlugMutex = false;      // a port opened or closed while the plug mutex was held
  bool callbackClearedWithPlug = false;
};

// Deliveries go through a wire a test may keep past the input's life.
struct Wire {
  std::mutex mutex;  // held while delivering: once the callback is cleared no call runs
  vq::platform::MidiInput::Callback callback;
  vq::platform::MidiInput::LossCallback loss;
  std::atomic<bool> open{false};
  void Deliver(std::vector<uint8_t> bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    if (callback && open) callback(bytes.data(), bytes.size());
  }
  // Incoming messages may have been lost, as the system's input says.
  void Lose() {
    std::lock_guard<std::mutex> lock(mutex);
    if (callback && loss) loss();
  }
};

template <class Base>
class FakePort : public Base {
 public:
  FakePort(std::vector<std::string> names, PortLog& log, std::function<UTL_Mutex*()> plugMutex)
      : mNames(std::move(names)), mLog(log), mPlugMutex(std::move(plugMutex)) {}
  unsigned PortCount() override { return static_cast<unsigned>(mNames.size()); }
  std::string PortName(unsigned port) override { return port < mNames.size() ? mNames[port] : ""; }
  bool OpenPort(unsigned port, const std::string&) override {
    return Opened("port:" + std::to_string(port));
  }
  bool OpenVirtualPort(const std::string& name) override { return Opened("virtual:" + name); }
  void ClosePort() override {
    CheckMutex();
    wire->open = false;
  }
  bool IsPortOpen() const override { return wire->open; }
  std::string ClientName() const override { return client; }
  bool Send(const uint8_t*, size_t count) { return wire->open && count; }
  void SetCallback(vq::platform::MidiInput::Callback cb) {
    std::lock_guard<std::mutex> lock(wire->mutex);
    if (!cb) mLog.callbackClearedWithPlug = mPlugMutex() != nullptr;
    wire->callback = std::move(cb);
  }
  std::shared_ptr<Wire> wire = std::make_shared<Wire>();
  std::string client;  // what its own ports are listed under

 private:
  bool Opened(const std::string& what) {
    CheckMutex();
    mLog.opened.push_back(what);
    return wire->open = true;
  }
  // Another thread can take the mutex only when this one does not hold it.
  void CheckMutex() {
    UTL_Mutex* m = mPlugMutex();
    if (!m) return;
    bool free = false;
    std::thread([&] {
      if ((free = m->TryEnter())) m->Leave();
    }).join();
    mLog.underPlugMutex |= !free;
  }
  std::vector<std::string> mNames;
  PortLog& mLog;
  std::function<UTL_Mutex*()> mPlugMutex;
};

struct FakeInput : FakePort<vq::platform::MidiInput> {
  using FakePort::FakePort;
  void SetCallback(Callback cb) override { FakePort::SetCallback(std::move(cb)); }
  void SetLossCallback(LossCallback cb) override {
    std::lock_guard<std::mutex> lock(wire->mutex);
    wire->loss = std::move(cb);
  }
};
struct FakeOutput : FakePort<vq::platform::MidiOutput> {
  using FakePort::FakePort;
  bool Send(const uint8_t* bytes, size_t count) override { return FakePort::Send(bytes, count); }
  using MidiOutput::Send;
};

class RecordingEditor : public VQEditor {
 public:
  using VQEditor::VQEditor;
  // No tick may reach this part while it is taken apart.
  ~RecordingEditor() override { StopTimer(); }
  bool OnCommand(int code) override {
    commands.push_back(code);
    return commandAnswer;
  }
  void ProcessMidiMsg(const IMidiMessage* msg) override { deviceMessages.push_back(msg->mStatus); }
  void ProcessSysEx(const ISysExMessage* msg) override { sysexSizes.push_back(msg->mSize); }
  void OnMidiMsgReceived(const IMidiMessage* msg) override {
    keyboardMessages.push_back(msg->mStatus);
  }
  std::vector<int> commands;
  bool commandAnswer = true;  // what OnCommand reports
  std::vector<uint8_t> deviceMessages, keyboardMessages;
  std::vector<int32_t> sysexSizes;
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
    inputLogs[0] = inputLogs[1] = outputLog = PortLog();
  }
  void TearDown() override {
    shell.reset();
    unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
    WemuTest::TearDown();
  }

  std::string Folder() const { return config + "/VQEditor4/"; }
  void WriteSettings(const std::string& text) {
    std::filesystem::create_directories(Folder());
    std::ofstream(Folder() + "settings.ini") << text;
  }
  std::string Setting(const char* section, const char* key) {
    char buf[512];
    GetPrivateProfileString(section, key, "<none>", buf, sizeof buf,
                            (Folder() + "settings.ini").c_str());
    return buf;
  }

  // A shell whose MIDI objects list the ports below; without MIDI its output cannot be made.
  AppShell& MakeShell(bool withMidi = true) {
    ShellOptions o;
    auto mutex = [this] { return shell && shell->Plug() ? &shell->Plug()->Mutex() : nullptr; };
    o.midi.makeInput = [=, this](const std::string&, unsigned,
                                 std::string*) -> std::unique_ptr<vq::platform::MidiInput> {
      auto in = std::make_unique<FakeInput>(inputNames, inputLogs[inputs.size()], mutex);
      inputs.push_back(in.get());
      return in;
    };
    o.midi.makeOutput = [=, this](const std::string&,
                                  std::string* error) -> std::unique_ptr<vq::platform::MidiOutput> {
      if (!withMidi) *error = "no sequencer";
      if (!withMidi) return nullptr;
      auto out = std::make_unique<FakeOutput>(outputNames, outputLog, mutex);
      out->client = "Self Out";
      output = out.get();
      return out;
    };
    o.makePlug = [this](vq::platform::MidiOutput* out, uint16_t* channel, const std::string& path,
                        const std::string& outputName) -> VQEditor* {
      VQEditorSetup setup;
      setup.makeGraphics = [](IModuleBase* p, int w, int h, int fps) -> IGraphics* {
        return new vqtest::TestGraphics(p, w, h, fps);
      };
      setup.pages = MakeEditorPages();
      setup.settingsPath = path;
      setup.outputDeviceName = outputName;
      IModuleInstanceInfo info;
      info.mMidiOut = out;
      info.mMidiOutChannel = channel;
      editor = new RecordingEditor(info, std::move(setup));
      editor->StartTimer();  // as MakePlug does, once the object is whole
      return editor;
    };
    shell = std::make_unique<AppShell>(std::move(o));
    SetCurrentShell(shell.get());
    return *shell;
  }
  // Messages 1 and 2; answers message 1's result.
  intptr_t Start() {
    intptr_t loaded = shell->HandleAppMessage(WEMU_APPMSG_LOADED, 0, 0);
    shell->HandleAppMessage(WEMU_APPMSG_LAUNCHED, 0, 0);
    return loaded;
  }

  std::string dir, config;
  std::vector<std::string> inputNames{"Velquor VQ MIDI 1", "Keys 1"};
  std::vector<std::string> outputNames{"Velquor VQ MIDI 1", "Synth Out"};
  PortLog inputLogs[2], outputLog;
  std::vector<FakeInput*> inputs;  // device input, keyboard input
  FakeOutput* output = nullptr;
  RecordingEditor* editor = nullptr;
  std::unique_ptr<AppShell> shell;
};

}  // namespace apptest
