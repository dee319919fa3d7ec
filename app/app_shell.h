// The standalone application: settings, the three MIDI objects (the device input from the
// synthesizer, a keyboard input and the output to the synthesizer), the editor, the main
// window with its menu bar, and the order in which all of them come and go. The application
// object of the window layer drives it through HandleAppMessage. Main thread, except the two
// MIDI input callbacks.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/app_settings.h"
#include "platform/geometry.h"
#include "platform/midi_input.h"
#include "platform/midi_output.h"
#include "wemu/wemu_types.h"

class IModuleBase;
class VQEditor;
struct HWND__;
namespace vq::platform {
class Window;
}

// Where the MIDI objects come from (RtMidi in the program, fakes in tests). A factory that
// fails returns null and says why in *error.
struct MidiFactory {
  std::function<std::unique_ptr<vq::platform::MidiInput>(const std::string& client,
                                                         unsigned queueLimit, std::string* error)>
      makeInput;
  std::function<std::unique_ptr<vq::platform::MidiOutput>(const std::string& client,
                                                          std::string* error)>
      makeOutput;
  static MidiFactory RtMidi();
};

struct ShellOptions {
  MidiFactory midi = MidiFactory::RtMidi();
  // Makes the editor; the default builds the full editor with its GUI, pages and library.
  std::function<VQEditor*(vq::platform::MidiOutput* output, uint16_t* outputChannel,
                          const std::string& settingsPath, const std::string& outputName)>
      makePlug;
};

// Port codes of the Find functions.
enum : int { kPortNone = -1, kPortOff = 0, kPortVirtual = 1, kFirstPort = 2 };

class AppShell {
 public:
  explicit AppShell(ShellOptions options = {});
  ~AppShell();  // shuts down what is still up
  AppShell(const AppShell&) = delete;
  AppShell& operator=(const AppShell&) = delete;

  // The application object's messages: loaded reads the settings (answers 1 when the settings
  // folder could not be made), launched starts up, will-terminate shuts down, a menu command
  // goes to the main window.
  intptr_t HandleAppMessage(int message, intptr_t param1, intptr_t param2);

  // --- MIDI devices ---
  // Starts making the MIDI objects on a thread of their own (while the desktop sets itself
  // up); OpenMidiPorts takes them. Their callbacks are set and their ports opened as without.
  void PrepareMidi();
  // Creates device input, keyboard input and output in that order; stops at the first
  // failure, whose reason is kept in MidiError().
  bool OpenMidiPorts();
  void ListMidiPorts();
  int FindMidiInPort(const std::string& name);
  int FindKeyboardInPort(const std::string& name);
  int FindMidiOutPort(const std::string& name);
  // Closes the object's port and opens the named one ("off": none). A name no port has now is
  // kept (its port opens once it is there and chosen again). False without the object.
  bool SelectMidiInput(const std::string& name);
  bool SelectKeyboardInput(const std::string& name);
  bool SelectMidiOutput(const std::string& name);
  void WriteMidiSettings();
  // Opens again, by name, each chosen port that is not open: its program went away and came
  // back, or it could not be opened before.
  void ReopenChosenPorts();
  // The callbacks, as the MIDI thread calls them.
  void OnDeviceMidiInput(const uint8_t* bytes, size_t count);
  void OnKeyboardMidiInput(const uint8_t* bytes, size_t count);
  const std::string& MidiError() const { return mMidiError; }

  // --- Editor and window ---
  // Opens the editor's graphics in the main window, fits the GUI scale to the screen and
  // applies it. False without graphics or when they cannot open.
  bool AttachEditorView();
  // Keeps the main window, with what the desktop adds around it, inside the work area of its
  // screen; `centre` centres it there.
  void PlaceMainWindow(bool centre);
  void ShutdownApp();
  // The session ends without the user's quit (a signal): the main window closes as on Quit,
  // which shuts down. Inside a nested loop, whose callers still use the editor, the state is
  // kept and the process ends at once.
  void EndSession(bool nested);
  // What shut-down saves (the settings, the current program, the manager's bank), without
  // taking the windows, the editor or the MIDI ports apart: for a process that ends next, the
  // display maybe gone.
  void KeepStateForExit();

  AppSettings settings;
  AppSettings kept;  // the Preferences dialog's copy for Cancel
  SettingsFile settingsFile;
  std::vector<std::string> inputPorts;
  std::vector<std::string> outputPorts;
  std::unique_ptr<vq::platform::MidiInput> deviceInput;
  std::unique_ptr<vq::platform::MidiInput> keyboardInput;
  std::unique_ptr<vq::platform::MidiOutput> output;
  VQEditor* Plug() const { return mPlug.load(); }
  HWND__* mainWindow = nullptr;
  HMENU menuBar = nullptr;

 private:
  bool LoadSettings();
  void StartUp();
  // Writes the settings held since LoadSettings to the file (once); nothing when none are held.
  void ReleaseSettingsWrites();
  int FindPort(vq::platform::MidiPort* port, const std::string& name, const char* virtualName);
  // A port of the program's own MIDI objects: never listed or opened (connected to itself the
  // program would loop its MIDI back in).
  bool OwnPort(const std::string& name) const;
  // Opens the port of a Find code; a code for no port leaves it closed.
  bool SelectPort(vq::platform::MidiPort* port, int code, const char* virtualName,
                  const char* portName);
  void SetPlug(VQEditor* plug);
  // The work area of the screen holding the window's centre (the main screen's without one).
  static vq::platform::Rect WorkAreaOf(vq::platform::Window* window);

  ShellOptions mOptions;
  std::atomic<VQEditor*> mPlug{nullptr};
  std::string mMidiError;
  struct MadeMidi {
    std::unique_ptr<vq::platform::MidiInput> deviceInput, keyboardInput;
    std::unique_ptr<vq::platform::MidiOutput> output;
    std::string error;  // why the first that failed did
  };
  MadeMidi MakeMidi() const;
  std::future<MadeMidi> mMidiMaking;  // PrepareMidi's, until OpenMidiPorts takes it
  // PrepareMidi's thread lasts as long as the objects it made: the MIDI library takes the thread
  // that made an input for "no input thread yet", and a thread started after that one ended may
  // get its id; closing that input's port would then not wait for its thread.
  std::thread mMidiMaker;
  std::promise<void> mMidiObjectsGone;
  bool mShutDown = false;
  bool mWritesHeld = false;  // the settings written at start-up go to the file at once
  class HostWindow;
  std::unique_ptr<HostWindow> mHostWindow;
};

// The shell the window procedures and the application handler reach (none by default).
AppShell* CurrentShell();
void SetCurrentShell(AppShell* shell);
// Forwards to the current shell; 0 without one.
intptr_t HandleAppMessage(int message, intptr_t param1, intptr_t param2);

// Starts decoding the images the first frame shows, in the skin the settings name, and
// loading the font configuration, on threads of their own: called first thing, they work while
// the desktop and the editor are set up. Reads the settings without making or writing anything.
void DecodeFirstFrameImagesEarly();

// The fitted GUI scale: s when the GUI fits the screen height h with the title bar b, else the
// largest scale that fits, never below `minimum`. A stored scale of -1 (none yet), or one that
// is not finite or not above 0, stays as it is and is not stored (false).
bool FitGuiScale(double stored, int screenHeight, int titleBar, double minimum, double* fitted);
