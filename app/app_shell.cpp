#include "app/app_shell.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>

#include "app/app_resources.h"
#include "editor/gui/editor_pages.h"
#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "graphics/igraphics_linux.h"
#include "library/bank_transfer.h"
#include "library/program_library.h"
#include "library/program_manager.h"
#include "platform/error_output.h"
#include "platform/file_system.h"
#include "platform/font_service.h"
#include "platform/platform.h"
#include "platform/settings_folder.h"
#include "wemu/app_controller.h"
#include "wemu/ini_file.h"
#include "wemu/utilities.h"
#include "wemu/menus.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_functions.h"
#include "wemu/window_geometry.h"
#include "wemu/window_handle.h"

namespace vp = vq::platform;

namespace {

AppShell* gShell = nullptr;
constexpr int kGuiBaseHeight = 800;
constexpr int kGuiBaseWidth = 1140;
// The View menu's GUI sizes.
struct GuiSizeItem {
  int id;
  double scale;
};
constexpr GuiSizeItem kGuiSizeItems[] = {{40037, 0.7}, {40038, 0.8}, {40039, 0.9}, {40040, 1.0},
                                         {40041, 1.1}, {40042, 1.2}, {40043, 1.3}, {40044, 2.0}};
// How long a session's end inside a nested loop waits for the error output.
constexpr int kExitFlushMs = 500;
// The GUI-resize object's lower limit (50 %).
constexpr double kGuiScaleMinimum = 0.5;

VQEditor* MakeFullEditor(vp::MidiOutput* output, uint16_t* channel, const std::string& settingsPath,
                         const std::string& outputName) {
  VQEditorSetup setup;
  setup.makeGraphics = [](IModuleBase* plug, int w, int h, int fps) -> IGraphics* {
    return new IGraphicsLinux(plug, w, h, fps);
  };
  setup.pages = MakeEditorPages();
  setup.settingsPath = settingsPath;
  setup.outputDeviceName = outputName;
  setup.programFiles = MakeProgramLibrary();
  VQEditor* editor = MakePlug(output, channel, std::move(setup));
  InstallProgramTransfers(*editor);
  ProgramManager& manager = InstallProgramManager(*editor);
  ConnectProgramManager(*editor, manager);
  editor->SetSlotCacheWriter([&manager](VQEditor& e, int slot) {
    manager.SaveProgramsToFolder(e, e.Browser().CacheFolder(), true, slot);
  });
  editor->SetBankKeeper([&manager](VQEditor& e) { manager.KeepBank(e); });
  manager.RestoreBank(*editor);
  return editor;
}

}  // namespace

// The main window as the standalone plug resizes it.
class AppShell::HostWindow : public IModuleHostWindow {
 public:
  explicit HostWindow(AppShell& shell) : mShell(shell) {}
  bool GetWindowRect(int* left, int* top, int* right, int* bottom) override {
    RECT r{};
    if (!mShell.mainWindow || !::GetWindowRect(mShell.mainWindow, &r)) return false;
    *left = r.left;
    *top = r.top;
    *right = r.right;
    *bottom = r.bottom;
    return true;
  }
  void SetWindowPos(int x, int y, int width, int height) override {
    if (!mShell.mainWindow) return;
    ::SetWindowPos(mShell.mainWindow, nullptr, x, y, width, height, 0);
    mShell.PlaceMainWindow(false);
  }
  // The window layer's frame is the content here: the desktop draws the title bar and the
  // menu bar outside it, so the difference is 0 and no band is added under the GUI.
  int TitleBarHeight() override {
    RECT window{}, client{};
    if (!mShell.mainWindow || !::GetWindowRect(mShell.mainWindow, &window) ||
        !GetClientRect(mShell.mainWindow, &client))
      return 0;
    return std::max(0, static_cast<int>((window.bottom - window.top) - client.bottom));
  }

 private:
  AppShell& mShell;
};

AppShell* CurrentShell() {
  return gShell;
}
void SetCurrentShell(AppShell* shell) {
  gShell = shell;
}

intptr_t HandleAppMessage(int message, intptr_t param1, intptr_t param2) {
  return gShell ? gShell->HandleAppMessage(message, param1, param2) : 0;
}

void DecodeFirstFrameImagesEarly() {
  std::string background;
  const std::string settings = SettingsFilePath("settings.ini");
  if (vp::FileExists(settings)) {
    char text[16];  // as the pages read it
    GetPrivateProfileString("gui", "background", "", text, sizeof text, settings.c_str());
    background = text;
  }
  std::vector<std::string> files;
  for (const std::string& name : FirstFrameImageNames(background.c_str())) {
    std::string file = IGraphicsLinux::ResourceImagePath(WEMU_GetResourceFolder(), name.c_str());
    if (!file.empty()) files.push_back(std::move(file));
  }
  IGraphics::DecodeImageFilesEarly(files);
  // The first text drawn would otherwise wait for the font configuration to load.
  std::thread([] { vp::fontService().resolveName(std::string()); }).detach();
}

bool FitGuiScale(double stored, int screenHeight, int titleBar, double minimum, double* fitted) {
  if (!std::isfinite(stored) || stored <= 0) return false;
  if (titleBar + stored * kGuiBaseHeight <= screenHeight) return false;
  double s = static_cast<double>(screenHeight - titleBar) / kGuiBaseHeight;
  if (!std::isfinite(s) || s < minimum) s = minimum;
  if (s >= stored) return false;
  *fitted = s;
  return true;
}

AppShell::AppShell(ShellOptions options) : mOptions(std::move(options)) {
  if (!mOptions.makePlug) mOptions.makePlug = &MakeFullEditor;
  mHostWindow = std::make_unique<HostWindow>(*this);
}

AppShell::~AppShell() {
  ShutdownApp();
  if (gShell == this) gShell = nullptr;
}

void AppShell::SetPlug(VQEditor* plug) {
  mPlug.store(plug);
}

intptr_t AppShell::HandleAppMessage(int message, intptr_t param1, intptr_t param2) {
  switch (message) {
    case WEMU_APPMSG_LOADED:
      return LoadSettings() ? 0 : 1;
    case WEMU_APPMSG_LAUNCHED:
      StartUp();
      return 0;
    case WEMU_APPMSG_WILL_TERMINATE:
      if (mainWindow) DestroyWindow(mainWindow);
      ShutdownApp();
      return 0;
    case WEMU_APPMSG_MENU_COMMAND: {
      const int id = static_cast<int>(param1 & 0xFFFF);
      if (mainWindow && id != 0) SendMessage(mainWindow, WM_COMMAND, static_cast<WPARAM>(id), 0);
      return 0;
    }
    default:
      return 0;
  }
}

bool AppShell::LoadSettings() {
  kept = AppSettings();
  // Start-up sets several values in a row: the settings file is rewritten once, not each time.
  WEMU_HoldIniWrites();
  mWritesHeld = true;
  const bool loaded = settingsFile.Load(settings);
  if (!loaded) ReleaseSettingsWrites();
  return loaded;
}

void AppShell::ReleaseSettingsWrites() {
  if (std::exchange(mWritesHeld, false)) WEMU_ReleaseIniWrites();
}

void AppShell::StartUp() {
  OpenMidiPorts();
  ListMidiPorts();
  SelectMidiOutput(settings.outputName);
  VQEditor* plug = mOptions.makePlug(output.get(), &settings.outputChannel, settingsFile.Path(),
                                     settings.outputName);
  if (plug) plug->SetHostWindow(mHostWindow.get());
  SetPlug(plug);
  // A settings change the writer could not put on disk is told where a failed save is.
  WEMU_SetIniWriteFailureHandler([this](const std::string&, int why) {
    VQEditor* editor = Plug();
    if (!editor) return;
    editor->RunOnMainThread([editor] { editor->SetStatusText("Cannot write the settings!"); });
    char text[256];
    std::snprintf(text, sizeof text, "The settings cannot be written: %s.\nThe change is not kept.",
                  std::strerror(why));
    editor->PostMessageBoxOnce(text, "Error");
  });
  // Only from here may the inputs deliver: the editor exists.
  SelectMidiInput(settings.deviceInputName);
  SelectKeyboardInput(settings.keyboardInputName);
  // On disk before the window shows.
  ReleaseSettingsWrites();

  // The window's procedure attaches the menu bar and the editor's view before it shows it.
  menuBar = BuildMenuBar();
  WEMU_CreateDialog(AppDialogResources(), kMainWindowResource, nullptr, &MainDialogProc, 0);
  // The window is about to paint for the first time: it shows the whole first frame at once.
  if (auto* graphics = dynamic_cast<IGraphicsLinux*>(plug ? GetGraphicsOf(plug) : nullptr))
    graphics->DrawNow();
  // An early decoding no image took (another scale, a skin switched meanwhile) is not kept.
  IGraphics::DropEarlyImages();
}

bool AppShell::AttachEditorView() {
  VQEditor* plug = Plug();
  IGraphics* graphics = plug ? GetGraphicsOf(plug) : nullptr;
  if (!graphics || !mainWindow || !graphics->OpenWindow(static_cast<vp::View*>(mainWindow)))
    return false;
  plug->OnGUIOpen();

  // The room for the GUI: the work area of the window's screen less what the desktop adds
  // around the window (menu bar, window manager's frame), as a height at the GUI's proportions.
  vp::Window* platformWindow = WEMU_WindowOfHandle(mainWindow);
  const vp::Rect work = WorkAreaOf(platformWindow);
  const vp::Size deco = platformWindow ? platformWindow->decorationSize() : vp::Size{0, 0};
  const double roomW = work.width - deco.width, roomH = work.height - deco.height;
  const int screenHeight =
      static_cast<int>(std::min(roomH, roomW * kGuiBaseHeight / kGuiBaseWidth));
  const bool haveScreen = work.width > 1 && work.height > 1;
  if (menuBar && haveScreen) {
    // A size the screen cannot hold is not offered.
    for (const GuiSizeItem& item : kGuiSizeItems)
      EnableMenuItem(menuBar, item.id,
                     item.scale * kGuiBaseHeight <= screenHeight ? 0u : UINT{MF_GRAYED});
  }
  const double stored = std::atof(settingsFile.Read("gui", "guiscale", "-1.0").c_str());
  RECT window{}, client{};
  GetWindowRect(mainWindow, &window);
  GetClientRect(mainWindow, &client);
  const int titleBar = (window.bottom - window.top) - client.bottom;
  double fitted = 0;
  if (haveScreen && FitGuiScale(stored, screenHeight, titleBar, kGuiScaleMinimum, &fitted)) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15f", fitted);
    settingsFile.Write("gui", "guiscale", text);
    graphics->RescaleCachedBitmaps(fitted);
  }
  plug->ResizeAtGuiOpen();
  // The window's set-up takes a while: the first frame's images decode meanwhile.
  graphics->DecodeShownImagesAhead();
  PlaceMainWindow(true);
  return true;
}

vp::Rect AppShell::WorkAreaOf(vp::Window* window) {
  const std::vector<vp::Screen> screens = vp::services().screens().screens();
  if (screens.empty()) return {};
  const vp::Screen* chosen = &screens.front();
  if (window) {
    const vp::Rect f = window->frame();
    const double cx = f.x + f.width / 2, cy = f.y + f.height / 2;
    for (const vp::Screen& s : screens)
      if (cx >= s.frame.x && cx < s.frame.x + s.frame.width && cy >= s.frame.y &&
          cy < s.frame.y + s.frame.height)
        chosen = &s;
  }
  return chosen->visibleFrame;
}

void AppShell::PlaceMainWindow(bool centre) {
  vp::Window* w = mainWindow ? WEMU_WindowOfHandle(mainWindow) : nullptr;
  if (!w) return;
  const vp::Rect work = WorkAreaOf(w);
  if (work.width <= 1 || work.height <= 1) return;
  const vp::Size deco = w->decorationSize();
  const vp::Rect f = w->frame();
  const double outerW = f.width + deco.width, outerH = f.height + deco.height;
  // Screen coordinates grow upwards: `top` is the upper edge of the whole window.
  double left = f.x - deco.width / 2, top = f.y + f.height + deco.height;
  if (centre) {
    left = work.x + (work.width - outerW) / 2;
    top = work.y + work.height - (work.height - outerH) / 2;
  }
  left = std::clamp(left, work.x, std::max(work.x, work.x + work.width - outerW));
  top = std::clamp(top, std::min(work.y + outerH, work.y + work.height), work.y + work.height);
  const int x = static_cast<int>(std::lround(left + deco.width / 2));
  const int y = static_cast<int>(std::lround(top - deco.height - f.height));
  if (x != static_cast<int>(f.x) || y != static_cast<int>(f.y))
    ::SetWindowPos(mainWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void AppShell::EndSession(bool nested) {
  if (mShutDown) return;
  if (nested) {
    KeepStateForExit();
    std::fflush(nullptr);
    // What the keeping failed to write is told before the process goes.
    vp::errorOutput().FlushBeforeExit(std::chrono::milliseconds(kExitFlushMs));
    _exit(0);
  }
  if (mainWindow)
    DestroyWindow(mainWindow);
  else
    WEMU_PostQuitMessage(nullptr);
}

void AppShell::KeepStateForExit() {
  if (std::exchange(mShutDown, true)) return;
  ReleaseSettingsWrites();
  // The ports stay open and the timer is not waited for: a caller below may hold the editor's
  // lock that a MIDI callback or a tick waits for. Both take that lock, so none runs meanwhile.
  VQEditor* plug = Plug();
  if (plug) plug->SaveEditorState(false);
  // The writes under way are waited for after the session's own (within the shut-down's time
  // limit, which removes a temporary file it cuts off).
  if (plug) plug->WaitForProgramSaves();
  WEMU_WaitForIniWrites();
}

void AppShell::ShutdownApp() {
  if (mShutDown) return;
  mShutDown = true;
  ReleaseSettingsWrites();
  if (mMidiMaking.valid()) mMidiMaking.get();  // never started up: the objects go unused
  // After this no callback runs or can start: the editor may go.
  for (vp::MidiInput* in : {deviceInput.get(), keyboardInput.get()}) {
    if (!in) continue;
    in->SetCallback(nullptr);
    in->ClosePort();
  }
  if (output) output->ClosePort();
  WEMU_SetIniWriteFailureHandler(nullptr);  // nobody left to tell
  if (VQEditor* plug = mPlug.exchange(nullptr)) {
    plug->SetHostWindow(nullptr);
    delete plug;
  }
  // Every way out waits for a settings change still being written: its temporary file is
  // renamed or removed, never left (the time limit removes one it cuts off).
  WEMU_WaitForIniWrites();
  deviceInput.reset();
  keyboardInput.reset();
  output.reset();
  if (mMidiMaker.joinable()) {
    mMidiObjectsGone.set_value();
    mMidiMaker.join();
  }
  if (menuBar) {
    if (WEMU_GetDefaultModalWindowMenu() == menuBar) WEMU_SetDefaultModalWindowMenu(nullptr);
    DestroyMenu(menuBar);
    menuBar = nullptr;
  }
}
