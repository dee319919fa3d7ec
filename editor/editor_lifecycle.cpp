// What the editor does when it comes up and goes away, its idle work on the GUI timer, and the
// once-a-second status poll that turns unanswered device requests and finished jobs into
// messages for the user.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "platform/file_system.h"
#include "protocol/device_messages.h"
#include "wemu/ini_file.h"

namespace {

constexpr int kTimerIntervalMs = 100;
constexpr int kTicksPerPoll = 10;
constexpr int kPollsPerTimeout = 3;       // a wait times out on its third unanswered poll
constexpr int kPollsPerPickTimeout = 10;  // a FLEXI destination pick ends after ten polls
constexpr int kBlinkCalls = 8;

constexpr const char* kNoDeviceText = "VQ not present or a communication\nerror has occurred!";
constexpr const char* kCommErrorStatus = "Communication error!";
constexpr const char* kFinishedText = "Finished successfully!";
constexpr const char* kFirmwareStalledText = "Firmware update aborted: the VQ stopped answering!";

// Login panel controls of the manager page, hidden until the database is chosen.
constexpr int kLoginParams[] = {vq_param::kManagerBrowse, vq_param::kManagerOnline,
                                vq_param::kManagerLogin, vq_param::kManagerRememberLogin};

}  // namespace

VQEditor::~VQEditor() {
  SaveEditorState();
  // Graphics the pages never attached are still ours.
  if (mGraphicsBeingBuilt && GetGUI() != mGraphicsBeingBuilt) delete mGraphicsBeingBuilt;
  mGraphicsBeingBuilt = nullptr;
}

void VQEditor::StartUp() {
  ResetUndoHistory();

  ResetFlexiSlotMarkers();
  flexiPickSlot = 0;
  flexiPickActive = false;
  UpdateEqDisplay();
  if (IGraphics* g = GetGraphicsOf(this)) {
    g->SetControlsFromPlugValue(vq_param::kShowFxChorus, false, 1.0);
    for (int page :
         {vq_param::kShowFxDelay, vq_param::kShowFxOverdrive, vq_param::kShowFxEqualizer})
      g->SetControlsFromPlugValue(page, false, 0.0);
  }

  learnMode = false;
  unlearnMode = false;
  learnTarget = -1;
  lastLearnCC = -1;
  learnNoMatch = true;
  for (int32_t& cc : learnCC) cc = -1;

  srand(static_cast<unsigned>(time(nullptr)));

  for (int32_t& v : lastSent) v = 128;
  lastField = kNoFieldSent;
  bankUploadRunning = false;

  programList.clear();
  programListLast = 0;
  programListIndex = 0;
  programListBuilt = false;

  char buf[256];
  GetPrivateProfileString("program", "lastfile", "", buf, sizeof buf, mSettingsPath.c_str());
  lastFile = buf;
  rememberedProgramPath = lastFile;

  if (lastFile.size() > 4) {
    LocateProgramInFolder(lastFile.c_str());
    // A current-program file that cannot be loaded makes INIT the program (and its name), so
    // the device never receives a record nothing has filled. An editor without program files
    // has nothing to load and only takes the name.
    if (LoadRamProgram() || !programFiles) {
      SetProgramNameFromPath(lastFile);
      SetSelectedFile(kSaveSelector, vq::platform::ReplaceNameExtension(lastFile, ".pr4"));
    } else {
      InitProgram();
    }
  } else {
    InitProgram();
  }

  // The poll runs from the first start on, so a request of a first run times out as well.
  if (!timer) {
    timer = new TimerThread();
    if (timer->Start(this, kTimerIntervalMs, 0, true) != 0) {
      delete timer;
      timer = nullptr;
    }
  }

  if (mOutputDeviceName.find(kStartupDeviceWord) != std::string::npos) SendStartupMessage();

  // The manager's browser opens on the program's folder.
  if (!currentProgramFolder.empty()) {
    browserFolder = currentProgramFolder;
    browserSelection = -1;
    ListProgramFolder(browserFolder.c_str());
    if (IGraphics* g = GetGraphicsOf(this))
      for (int p : kLoginParams) g->HideControlsOfParam(p, true);
  }
}

void VQEditor::SaveEditorState() {
  // No tick may reach the object while it is taken apart.
  if (timer) {
    timer->Stop();
    timer->Join();
    delete timer;
    timer = nullptr;
  }

  UTL_MutexLock lock(mMutex);
  ResetFolder(uploadFolder.c_str());
  ResetCacheFolder();

  const char* settings = mSettingsPath.c_str();
  WritePrivateProfileString("gui", "manager", managerPageShown ? "true" : "false", settings);

  std::string name = CurrentListName();
  if (name.empty()) return;
  SetProgramNameFromPath(name);
  SetStatusText(programName.c_str());
  lastFile = (currentProgramFolder + name).substr(0, 255);
  WritePrivateProfileString("program", "lastfile", lastFile.c_str(), settings);
  WritePrivateProfileString("program", "edited", programEdited ? "true" : "false", settings);
  char channel[16];
  snprintf(channel, sizeof channel, "%d", keyboardChannel);
  WritePrivateProfileString("midi", "kbdmidioutch", channel, settings);
  SaveRamProgram();
}

void VQEditor::OnTick() {
  RunMainThreadWork();
  // Declared before the lock, so the posted boxes are shown once it is released.
  struct ShowBoxesOnExit {
    VQEditor& editor;
    ~ShowBoxesOnExit() { editor.ShowPostedMessageBoxes(); }
  } boxes{*this};
  UTL_MutexLock lock(mMutex);
  RunDeferredMidiWork();
  if (dumpReceived) {
    dumpReceived = false;
    NameReceivedProgram(requestSlot);
  }
  if (requestPending) {
    requestPending = false;
    RequestProgram(requestSlot);
  }
  // A folder chosen for a bank upload: started here, outside the control's handler.
  if (bankUploadRequest) {
    bankUploadRequest = false;
    StartBankUpload(currentProgramPath.c_str());
  }
  if (flexiPickActive && flexiPickSlot >= 1 && flexiPickSlot <= kFlexiSlotCount) {
    if (++flexiBlinkCounter >= kBlinkCalls) {
      flexiBlinkCounter = 0;
      ShowFlexiIndicator(flexiPickSlot - 1, !flexiIndicatorShown[flexiPickSlot - 1]);
    }
  }
}

void VQEditor::TimerTick() {
  int before = tickCounter++;
  if (before >= kTicksPerPoll - 1) {
    tickCounter = 0;
    StatusPoll();
  }
}

void VQEditor::StatusPoll() {
  UTL_MutexLock lock(mMutex);
  // This runs on the timer thread: the boxes, texts and controls it changes wait for the main
  // thread, and nothing here waits for the user.
  auto messageBox = [this](const char* text, const char* caption) {
    PostMessageBox(text, caption);
  };

  // After two polls without a parameter change the synthesizer may have lost the address
  // (another controller, a power cycle): the next single send repeats it.
  if (idlePolls++ > 0) {
    idlePolls = 0;
    lastField = kNoFieldSent;
  }

  // One counter serves the three waits; every reply that shows progress zeroes it.
  auto timedOut = [this]() {
    if (unansweredPolls++ >= kPollsPerTimeout - 1) {
      unansweredPolls = 0;
      return true;
    }
    return false;
  };
  // A bank transfer survives one lost message: on the second unanswered poll its last message
  // goes out once more (the same slot asked for, the same program written); the third poll
  // still ends the wait. A firmware block is never repeated: the device counts them.
  if (requestOutstanding) {
    const bool resend =
        bankDownloadRunning && !firmwareRunning && unansweredPolls == kPollsPerTimeout - 2;
    if (timedOut()) {
      requestOutstanding = false;
      const bool firmwareStalled = firmwareRunning;
      if (!firmwareStalled) DropReceivedDump();
      firmwareRunning = false;
      // A bank download that waited on this request ends with the report.
      bankDownloadRunning = false;
      downloadToManager = false;
      // The next request starts with its full share of re-requests for spoiled dumps.
      dumpRetries = 0;
      messageBox(kNoDeviceText, "Error");
      SetStatusText(firmwareStalled ? kFirmwareStalledText : kCommErrorStatus);
      busy = false;
    } else if (resend) {
      SendSysExBytes(ProgramRequestMessage(requestSlot));
    }
  }
  if (bankUploadRunning) {
    const bool resend = unansweredPolls == kPollsPerTimeout - 2;
    if (timedOut()) {
      bankUploadRunning = false;
      downloadToManager = false;
      messageBox(kNoDeviceText, "Error");
      SetStatusText(kCommErrorStatus);
      busy = false;
    } else if (resend && bankTransfers) {
      // The resend also marks the slot on the manager page.
      RunOnMainThread([this] {
        if (bankTransfers) bankTransfers->ResendBankProgram(*this);
      });
    }
  }
  if (singleWritePending && timedOut()) {
    singleWritePending = false;
    downloadToManager = false;
    messageBox(kNoDeviceText, "Error");
    busy = false;
  }

  if (transferDone) {
    transferDone = false;
    if (managerPageShown)
      messageBox(kFinishedText, "Done");
    else
      SetStatusText(kFinishedText);
  }
  if (transferFailed) {
    transferFailed = false;
    downloadToManager = false;
    messageBox("Communication error has occurred!", "Error");
    SetStatusText(kCommErrorStatus);
    busy = false;
  }
  if (programNumberError) {
    programNumberError = false;
    downloadToManager = false;
    messageBox("Program Name does not\ndetermine Program Number!", "Error");
  }

  if (flexiReadoutSlot >= 1 && flexiReadoutSlot <= kFlexiSlotCount) {
    if (flexiReadoutWait++ > 0) {
      int slot = flexiReadoutSlot - 1;
      int32_t destination = flexiDestination[slot];
      if (destination >= 0 && destination < kProgramFieldCount)
        RunOnMainThread([this, destination, value = ParamInt(vq_param::kFlexi1RangeA + 2 * slot)] {
          FormatParamValueText(destination, value);
        });
      flexiReadoutSlot = 0;
      flexiReadoutWait = 0;
    }
  }

  if (flexiPickTimeout) {
    if (flexiPickTimeoutCount++ >= kPollsPerPickTimeout - 1) {
      flexiPickTimeoutCount = 0;
      flexiPickTimeout = false;
      const int slot = flexiPickSlot;
      EndFlexiPick();
      if (slot >= 1 && slot <= kFlexiSlotCount)
        RunOnMainThread([this, slot] { ShowFlexiIndicator(slot - 1, false); });
    }
  }
}
