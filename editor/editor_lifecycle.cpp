// What the editor does when it comes up and goes away, its idle work on the GUI timer, and the
// once-a-second status poll that turns unanswered device requests and finished jobs into
// messages for the user.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include <unistd.h>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "platform/error_output.h"
#include "platform/file_system.h"
#include "platform/utf8.h"
#include "protocol/device_messages.h"
#include "wemu/ini_file.h"

namespace {

constexpr int kTimerIntervalMs = 100;
constexpr int kTicksPerPoll = 10;
constexpr int kPollsPerPickTimeout = 10;  // a FLEXI destination pick ends after ten polls
constexpr int kBlinkCalls = 8;

// Login panel controls of the manager page, hidden until the database is chosen.
constexpr int kLoginParams[] = {vq_param::kManagerBrowse, vq_param::kManagerOnline,
                                vq_param::kManagerLogin, vq_param::kManagerRememberLogin};

}  // namespace

VQEditor::~VQEditor() {
  SaveEditorState();
  // The user's saves still under way end before what they report to goes.
  WaitForProgramSaves();
  // Graphics the pages never attached are still ours.
  if (mGraphicsBeingBuilt && GetGUI() != mGraphicsBeingBuilt) delete mGraphicsBeingBuilt;
  mGraphicsBeingBuilt = nullptr;
}

void VQEditor::StartUp() {
  ResetUndoHistory();

  ResetFlexiSlotMarkers();
  mFlexiPick.SetSlot(0);
  mFlexiPick.SetActive(false);
  UpdateEqDisplay();
  if (IGraphics* g = GetGraphicsOf(this)) {
    g->SetControlsFromPlugValue(vq_param::kShowFxChorus, false, 1.0);
    for (int page :
         {vq_param::kShowFxDelay, vq_param::kShowFxOverdrive, vq_param::kShowFxEqualizer})
      g->SetControlsFromPlugValue(page, false, 0.0);
  }

  mLearn.SetLearnMode(false);
  mLearn.SetUnlearnMode(false);
  mLearn.SetTarget(-1);
  mLearn.SetLastCC(-1);
  mLearn.SetNoMatch(true);
  for (int32_t& cc : mLearn.CC()) cc = -1;
  // The controllers learned in earlier runs (none when the file is not there).
  if (!mSettingsPath.empty()) ReadMidiLearnFile();

  srand(static_cast<unsigned>(time(nullptr)));

  for (int32_t& v : mLastSent) v = 128;
  mLastField = kNoFieldSent;
  mLink.SetBankUploadRunning(false);

  mBrowser.ClearProgramList();

  char buf[256];
  GetPrivateProfileString("program", "lastfile", "", buf, sizeof buf, mSettingsPath.c_str());
  mBrowser.SetLastFile(buf);
  mBrowser.SetRememberedProgramPath(mBrowser.LastFile());

  if (mBrowser.LastFile().size() > 4) {
    LocateProgramInFolder(mBrowser.LastFile().c_str());
    // A current-program file that cannot be loaded makes INIT the program (and its name), so
    // the device never receives a record nothing has filled. An editor without program files
    // has nothing to load and only takes the name.
    if (LoadRamProgram() || !mProgramFiles) {
      mProgramFile = mBrowser.LastFile();
      SetProgramNameFromPath(mBrowser.LastFile());
      mBrowser.SetSelectedFile(kSaveSelector,
                               vq::platform::ReplaceNameExtension(mBrowser.LastFile(), ".pr4"));
    } else {
      InitProgram();
    }
  } else if (mProgramFiles && access(RamProgramPath().c_str(), R_OK) == 0 && LoadRamProgram()) {
    // The program of the last run had no file: it comes back under the name it had.
    GetPrivateProfileString("program", "name", "INIT", buf, sizeof buf, mSettingsPath.c_str());
    mProgramName = vq::platform::Utf8Prefix(buf, 32);  // a program name's longest
    SetStatusText(mProgramName.c_str());
    // Saved under its own name, never as the file the program keeps it in.
    mBrowser.SetSelectedFile(kSaveSelector, mProgramName + ".pr4");
    mProgramWithoutFile = true;
  } else {
    InitProgram();
  }

  // The program of the last run is no choice made on a manager page shown at start.
  mProgramLoadedInManager = false;
  if (mOutputDeviceName.find(kStartupDeviceWord) != std::string::npos) SendStartupMessage();

  // The manager's browser opens on the program's folder.
  if (!mBrowser.CurrentProgramFolder().empty()) {
    mBrowser.SetFolder(mBrowser.CurrentProgramFolder());
    mBrowser.SetSelection(-1);
    ListProgramFolder(mBrowser.Folder().c_str());
    if (IGraphics* g = GetGraphicsOf(this))
      for (int p : kLoginParams) g->HideControlsOfParam(p, true);
  }
}

void VQEditor::StartTimer() {
  if (mTimer) return;
  mTimer = std::make_unique<TimerThread>();
  if (mTimer->Start(this, kTimerIntervalMs, 0, true) != 0) mTimer.reset();
}

void VQEditor::StopTimer() {
  if (!mTimer) return;
  mTimer->Stop();
  mTimer->Join();
}

void VQEditor::SaveEditorState(bool waitForTimer) {
  // No tick may reach the object while it is taken apart. A process that ends next only stops
  // it: a tick waiting for the lock a caller below holds would never end.
  if (waitForTimer) {
    StopTimer();
    mTimer.reset();
  } else if (mTimer) {
    mTimer->Stop();
  }

  // What is kept is taken under the lock; the disk is waited for outside it, so that neither a
  // MIDI callback nor a tick waits for the disk.
  std::string program;
  std::string programPath;
  const char* settings = mSettingsPath.c_str();
  int settingsError = 0;  // why the first rewrite of the settings file failed
  const auto write = [&](const char* section, const char* key, const char* value) {
    errno = 0;  // a refused text touches no file and leaves it 0
    if (!WritePrivateProfileString(section, key, value, settings) && settingsError == 0)
      settingsError = errno;
  };
  {
    UTL_MutexLock lock(mMutex);
    if (mProgramFiles) {
      program = mProgramFiles->ProgramDumpText(*this);
      programPath = RamProgramPath();
    }
    // The keys below reach the file in one rewrite, after the lock is let go.
    WEMU_HoldIniWrites();
    write("gui", "manager", mManagerPageShown ? "true" : "false");

    char channel[16];
    snprintf(channel, sizeof channel, "%d", mKeyboardChannel);
    write("midi", "kbdmidioutch", channel);
    // The program on screen is kept whatever it is, with the file it was loaded from (the
    // program list may show another folder since); one without a file keeps its name instead.
    const std::string name = mBrowser.CurrentListName();
    std::string file = mProgramFile;
    if (file.empty() && !name.empty()) file = mBrowser.CurrentProgramFolder() + name;
    if (!mProgramWithoutFile && !file.empty() && file.size() <= 255) {
      SetProgramNameFromPath(file);
      SetStatusText(mProgramName.c_str());
      mBrowser.SetLastFile(file);
    } else {
      mBrowser.SetLastFile("");
      write("program", "name", mProgramName.c_str());
    }
    write("program", "lastfile", mBrowser.LastFile().c_str());
    write("program", "edited", mProgramEdited ? "true" : "false");
  }
  // The program on screen and its marks go to disk side by side and behind no other write: on
  // a disk slow enough for the shut-down's time limit, each waits for its own flush only.
  bool programKept = true;
  const auto keepProgram = [&] {
    if (!programPath.empty()) programKept = vq::platform::WriteFileWhole(programPath, program);
  };
  std::thread programWriter;
  try {
    programWriter = std::thread(keepProgram);
  } catch (const std::system_error&) {
    keepProgram();
  }
  errno = 0;  // as above: no file named, none written
  if (!WEMU_ReleaseIniWrites() && settingsError == 0) settingsError = errno;
  if (programWriter.joinable()) programWriter.join();
  {
    UTL_MutexLock lock(mMutex);
    ResetFolder(mBrowser.UploadFolder().c_str());
    // The cache holds the bank on the manager page, shown again at the next start: only NEW
    // and RECEIVE empty it.
    if (mKeepBank) mKeepBank(*this);
  }
  // The window is going away: a failed save can only be told on the error output.
  if (!programKept)
    vq::platform::errorLine("VQEditor4: the current program could not be saved in %s\n",
                            programPath.c_str());
  if (settingsError != 0)
    vq::platform::errorLine("VQEditor4: the settings could not be written to %s: %s\n", settings,
                            std::strerror(settingsError));
}

void VQEditor::OnTick() {
  RunMainThreadWork();
  // The bank is kept on each change, so that a crash or a kill keeps it too.
  if (mBrowser.TakeSlotsTouched() && mKeepBank) mKeepBank(*this);
  // Declared before the lock, so the posted boxes are shown once it is released.
  struct ShowBoxesOnExit {
    VQEditor& editor;
    ~ShowBoxesOnExit() { editor.ShowPostedMessageBoxes(); }
  } boxes{*this};
  UTL_MutexLock lock(mMutex);
  RunDeferredMidiWork();
  // A Discard lets the edits go for the load it was asked for; once none is under way (a step
  // that found no file, a write the synthesizer refused or never answered), they are kept again.
  if (mEditsReleased && !mLink.SingleWritePending()) mEditsReleased = false;
  // The dump's Save panel and the upload's question wait while a box or panel is up.
  const bool boxUp = BoxOrPanelUp();
  if (mLoadAfterSave.onDisk && !boxUp) RunLoadAfterSave();
  if (mLink.DumpReceived() && !boxUp) {
    mLink.SetDumpReceived(false);
    NameReceivedProgram(mLink.RequestSlot());
  }
  if (mLink.RequestPending()) {
    mLink.SetRequestPending(false);
    RequestProgram(mLink.RequestSlot());
  }
  // A folder chosen for a bank upload: started here, outside the control's handler, from the
  // folder chosen (never the folder of the last program file).
  // The request stands until the upload has started or been refused, so that nothing starts
  // beside it meanwhile.
  if (mLink.BankUploadRequest() && !boxUp) {
    StartBankUpload(mBrowser.TransferFolder().c_str());
    mLink.SetBankUploadRequest(false);
  }
  // Refused, finished or failed: the button that started the upload goes out with it.
  if (mLink.UploadLightsFolderButton() && !mLink.BankUploadRequest() &&
      !mLink.BankUploadRunning()) {
    mLink.SetUploadLightsFolderButton(false);
    ReleaseButton(vq_param::kFolderButton);
  }
  if (mFlexiPick.Active() && mFlexiPick.Slot() >= 1 && mFlexiPick.Slot() <= kFlexiSlotCount) {
    if (mFlexiPick.BlinkDue(kBlinkCalls)) {
      ShowFlexiIndicator(mFlexiPick.Slot() - 1,
                         !mFlexiPick.IndicatorShown()[mFlexiPick.Slot() - 1]);
    }
  }
}

bool VQEditor::HasIdleWork() {
  {
    std::lock_guard<std::mutex> lock(mMainWorkMutex);
    if (!mMainWork.empty() || !mMainParamSets.empty() || (!mPostedBoxes.empty() && !mPostedBoxUp))
      return true;
  }
  // The flags below are the plug mutex's; another thread holding it may be setting them.
  std::unique_lock<UTL_Mutex> lock(mMutex, std::try_to_lock);
  if (!lock.owns_lock()) return true;
  // What OnTick and RunDeferredMidiWork act on.
  return mLink.WriteAckPending() || mLink.BankUploadAckPending() || mLink.BankProgressPending() ||
         mLink.DownloadSavePending() || mParamRedrawPending || mKeyboardRedrawPending ||
         mLink.DumpReceived() || mLink.RequestPending() || mLink.BankUploadRequest() ||
         (mEditsReleased && !mLink.SingleWritePending()) || mFlexiPick.Active() ||
         mLoadAfterSave.onDisk || mBrowser.SlotsTouched();
}

void VQEditor::TimerTick() {
  int before = mTickCounter++;
  if (before >= kTicksPerPoll - 1) {
    mTickCounter = 0;
    StatusPoll();
  }
}

DeviceLink::PollActions VQEditor::TransferActions() {
  DeviceLink::PollActions act;
  act.messageBox = [this](const char* text, const char* caption) { PostMessageBox(text, caption); };
  act.statusText = [this](const char* text) { SetStatusText(text); };
  act.resendRequest = [this] { SendProgramRequest(mLink.RequestSlot()); };
  return act;
}

void VQEditor::NoteMidiInputLoss() {
  UTL_MutexLock lock(mMutex);
  mLink.NoteInputLoss(TransferActions());
}

void VQEditor::StatusPoll() {
  UTL_MutexLock lock(mMutex);
  // This runs on the timer thread: the boxes, texts and controls it changes wait for the main
  // thread, and nothing here waits for the user.

  // After two polls without a parameter change the synthesizer may have lost the address
  // (another controller, a power cycle): the next single send repeats it.
  if (mLink.CountIdlePoll() > 0) {
    mLink.SetIdlePolls(0);
    mLastField = kNoFieldSent;
  }

  const DeviceLink::PollActions act = TransferActions();
  // A request the port refused gets no reply: its wait ends now rather than after three polls.
  if (mSendFailed.exchange(false)) mLink.ExpireRequestWait();
  mLink.Poll(mManagerPageShown, act);
  // A firmware update that timed out lets the messages it held go.
  ReleaseHeldMidi();

  if (const int slot = mFlexiPick.TakeDueReadout(); slot >= 0) {
    int32_t destination = mFlexiPick.Destinations()[slot];
    if (destination >= 0 && destination < kProgramFieldCount)
      RunOnMainThread([this, destination, value = ParamInt(vq_param::kFlexi1RangeA + 2 * slot)] {
        FormatParamValueText(destination, value);
      });
  }

  if (mFlexiPick.Timeout()) {
    if (mFlexiPick.PickTimedOut(kPollsPerPickTimeout)) {
      const int slot = mFlexiPick.Slot();
      EndFlexiPick();
      if (slot >= 1 && slot <= kFlexiSlotCount)
        RunOnMainThread([this, slot] { ShowFlexiIndicator(slot - 1, false); });
    }
  }
}
