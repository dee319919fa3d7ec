#include "editor/program_controls.h"

#include <string>

#include "editor/choose_directory.h"
#include "editor/vq_editor.h"
#include "graphics/gui_types.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "platform/file_system.h"
#include "platform/utf8.h"

namespace {

constexpr int kMinPathLength = 5;
constexpr size_t kFolderLength = 254;

// A selector's path, or "" when it counts as no choice.
std::string ChosenPath(const VQEditor& e, int role) {
  const std::string& p = e.Browser().SelectedFile(role);
  return p.size() < static_cast<size_t>(kMinPathLength) ? std::string() : p;
}

void SetGroupSwitches(VQEditor& e, double value) {
  for (int p = vq_param::kVco1; p < vq_param::kVco1 + vq_param::kGroupCount; ++p)
    e.SetParameterFromGUI2(p, value);
}

class ProgramControlCases : public VQParamCases {
 public:
  explicit ProgramControlCases(std::unique_ptr<VQParamCases> manager)
      : mManager(std::move(manager)) {}

  bool ManagerPageCase(VQEditor& e, int paramIdx) override {
    return mManager ? mManager->ManagerPageCase(e, paramIdx) : true;
  }

  DispatchExit ProgramControlCase(VQEditor& e, int p, int32_t value) override {
    const bool down = e.ParamValue(p) > 0.5;
    switch (p) {
      case vq_param::kLoadFileChosen:
        return LoadChosen(e);
      case vq_param::kLoadButton:
      case vq_param::kSaveButton:
      case vq_param::kSendButton:
        // The panel takes the button's release: once it is closed, its action is done.
        if (!down) break;
        {
          // The panel waits for the user: MIDI input and the status poll must not wait with it.
          // The choice is taken under the lock, by the selector's parameter.
          UTL_MutexRelease unlocked(e.Mutex());
          e.OpenFileSelector(p == vq_param::kLoadButton   ? VQEditor::kLoadSelector
                             : p == vq_param::kSaveButton ? VQEditor::kSaveSelector
                                                          : VQEditor::kWriteSelector);
        }
        e.ReleaseButton(p);
        break;
      case vq_param::kSaveFileChosen:
        SaveChosen(e);
        break;
      case vq_param::kSendFileChosen:
        SendChosen(e);
        break;
      case vq_param::kFolderButton:
        // Lit on through the upload it starts (OnTick puts it out); a cancelled panel ends it.
        if (down && !FolderChosen(e)) e.ReleaseButton(p);
        break;
      case vq_param::kFirmwareFileChosen: {
        std::string path = ChosenPath(e, VQEditor::kFirmwareSelector);
        if (!path.empty()) e.ReadFirmwareFile(path.c_str());
        break;
      }
      case vq_param::kPreviousProgram:
      case vq_param::kNextProgram:
        if (down && e.Browser().ProgramListBuilt()) return Step(e, p);
        break;
      case vq_param::kCopyButton:
        if (!down) e.CopyPanelVco() ? e.CopyVcoSettings() : e.CopyFlexiSettings();
        break;
      case vq_param::kInitButton:
        if (down) e.InitProgram();
        break;
      case vq_param::kRandomizeButton:
        if (down) break;
        if (e.SelectedGroups() == 0) return DispatchExit::kLeaveEarly;
        e.RandomizeGroups();
        break;
      case vq_param::kInitGroupsButton:
        if (down) break;
        if (e.SelectedGroups() == 0) return DispatchExit::kLeaveEarly;
        e.GroupInitCopy() = ProgramFieldTable::kGroupInit;
        if (e.SelectedGroups() == vq_param::kGroupCount)
          e.InitAllGroups();
        else
          e.InitGroups();
        SetGroupSwitches(e, 0.0);
        e.RedrawIfNotApplying();
        e.SetSelectedGroups(0);
        break;
      case vq_param::kAllGroupsOn:
      case vq_param::kAllGroupsOff:
        if (!down) break;
        SetGroupSwitches(e, p == vq_param::kAllGroupsOn ? 1.0 : 0.0);
        e.RedrawIfNotApplying();
        e.SetSelectedGroups(p == vq_param::kAllGroupsOn ? vq_param::kGroupCount : 0);
        break;
      case vq_param::kCopySource1:
      case vq_param::kCopySource2:
      case vq_param::kCopySource3:
      case vq_param::kCopySource4:
        if (!down) break;
        for (int other = vq_param::kCopySource1; other < vq_param::kCopySource1 + 4; ++other)
          if (other != p) e.SetParameterFromGUI2(other, 0.0);
        e.RedrawIfNotApplying();
        break;
      case vq_param::kRequestProgram:
        RequestProgram(e);
        break;
      default:
        break;
    }
    return DispatchExit::kNormal;
  }

 private:
  // A program goes to the synthesizer only when it was loaded: a file that failed leaves the
  // editor and the device as they were.
  static DispatchExit LoadChosen(VQEditor& e) {
    std::string path = ChosenPath(e, VQEditor::kLoadSelector);
    if (path.empty()) return DispatchExit::kNormal;
    return LoadChosenPath(e, path);
  }

  static DispatchExit LoadChosenPath(VQEditor& e, const std::string& path) {
    e.SetLastField(kNoFieldSent);
    if (e.LoadChosenProgramFile(path, [&e, path] { LoadChosenPath(e, path); })) e.SendProgramNrpn();
    return DispatchExit::kWholeProgramSent;
  }

  static void SaveChosen(VQEditor& e) {
    std::string path = ChosenPath(e, VQEditor::kSaveSelector);
    if (path.empty()) return;  // cancelled: a received dump stays pending
    if (e.RefuseWorkingFolder(path)) return;
    // The text is taken now; the disk is waited for off the main thread and outside the lock,
    // and what follows a save comes once the file is on disk. Every failed save says so; the
    // file on disk stays as it was. What it writes was fixed as its panel opened.
    const VQEditor::SavePanel what = e.SaveChoice();
    if (what.dump) {
      // The save stands apart from the transfers and from the program on screen, which keeps its
      // name: its end touches neither. From now on a save writes the program on screen; a failed
      // one offers the dump again, unless another has come or been asked for since.
      if (e.Link().DumpsOffered() == what.offer) e.Link().SetReceivedDumpPending(false);
      const std::string file = vq::platform::NameOfPath(path);
      e.SaveInBackground(path, what.dumpText,
                         [&e, path, offer = what.offer](bool ok) {
                           if (ok)
                             e.ShowSavedFileInBrowser(path);
                           else if (e.Link().DumpsOffered() == offer)
                             e.Link().SetReceivedDumpPending(true);
                         },
                         {"Cannot write " + file + "!",
                          "The program fetched from the VQ cannot be written to\n" + path + "!"});
      return;
    }
    // The program is saved over an offered dump, which goes.
    if (what.offered && e.Link().DumpsOffered() == what.offer)
      e.Link().SetReceivedDumpPending(false);
    // What the end acts on is fixed now: the program saved, its values and how far its history
    // had come. Whatever is on screen by then is left alone unless it is that program. The
    // saved values stay a step of their own: the next change of any control opens a new one.
    e.History().SetKey(-1);
    const std::string text = e.ProgramDumpText();
    const uint64_t changes = e.History().Changes();
    const uint64_t program = e.ProgramIdentity();
    // No history (no window): no step to name.
    const ProgramRecord saved = e.History().Cursor() >= 0 ? e.History().Current() : ProgramRecord{};
    e.SaveInBackground(path, text, [&e, path, text, changes, program, saved](bool ok) {
      if (!ok) return;
      e.NameProgramAfterSavedFile(program, path, saved, text, changes);
      e.ShowSavedFileInBrowser(path);
    });
  }

  static void SendChosen(VQEditor& e) {
    std::string path = ChosenPath(e, VQEditor::kWriteSelector);
    if (!path.empty()) SendChosenPath(e, path);
  }

  static void SendChosenPath(VQEditor& e, const std::string& path) {
    if (RefusedBeside(e, DeviceLink::Transfer::kSingleWrite)) return;
    // The file becomes the program once written: edits it replaces are asked about first.
    if (!e.ConfirmReplacingEdits([&e, path] { SendChosenPath(e, path); })) return;
    // The question let the editor go: a transfer may have started meanwhile.
    if (RefusedBeside(e, DeviceLink::Transfer::kSingleWrite)) return;
    e.Link().SetUnansweredWritePolls(0);
    e.Link().SetSingleWritePending(true);
    // This file is the one loaded when the device takes it, whatever the panel shows by then.
    e.Link().SetSingleWriteFile(path);
    // Nothing sent means no acknowledgement can come: the sender has said why. The file becomes
    // the current program only once the device has taken it (RunDeferredMidiWork).
    if (!e.SendProgramFileToDevice(path.c_str())) e.Link().SetSingleWritePending(false);
  }

  static bool FolderChosen(VQEditor& e) {
    std::string folder;
    {
      // As the file panels: the upload it asks for starts later, where a transfer that began
      // meanwhile refuses it.
      UTL_MutexRelease unlocked(e.Mutex());
      folder = ChooseDirectory(e.Browser());
    }
    if (folder.empty()) return false;
    // Refused before the folder is taken: a running download saves into it.
    if (RefusedBeside(e, DeviceLink::Transfer::kUpload)) return false;
    if (folder.back() == '/') folder.pop_back();
    folder = vq::platform::Utf8Prefix(folder, kFolderLength) + "/";
    e.Browser().SetTransferFolder(folder);
    e.Link().SetBankUploadRequest(true);
    e.Link().SetUploadLightsFolderButton(true);
    return true;
  }

  static DispatchExit Step(VQEditor& e, int button) {
    if (e.Browser().ProgramListLast() == 0) return DispatchExit::kLeaveEarly;
    // Asked before the step is worked out: a save may put its file into the list.
    const bool asks = e.AsksBeforeLoad();
    const bool next = button == vq_param::kNextProgram;
    const DispatchExit exit = e.ConfirmReplacingEdits([&e, next] { StepTo(e, next); })
                                  ? StepTo(e, next)
                                  : DispatchExit::kLeaveEarly;
    if (!asks) return exit;
    // The question took the button's release: it is let go here, so the next press steps.
    e.SetLastField(kNoFieldSent);
    e.SetParameterFromGUI2(button, 0.0);
    e.SetControlsFromParam(button);
    return DispatchExit::kLeaveEarly;
  }

  static DispatchExit StepTo(VQEditor& e, bool next) {
    const int32_t last = e.Browser().ProgramListLast();
    if (last == 0) return DispatchExit::kLeaveEarly;
    int32_t i = e.Browser().ProgramListIndex();
    if (next)
      i = i >= last ? 0 : i + 1;
    else
      i = i <= 0 ? last : i - 1;
    if (i > last) i = last;
    if (i < 0) i = 0;
    if (i >= static_cast<int32_t>(e.Browser().ProgramList().size()))
      return DispatchExit::kLeaveEarly;
    const std::string name = e.Browser().ProgramList()[static_cast<size_t>(i)];
    const std::string path = e.Browser().CurrentProgramFolder() + name;
    e.SetLastField(kNoFieldSent);
    // A file that does not load keeps the program and its place in the list.
    const bool loaded = e.LoadAsCurrentProgram(path, [&e, i, &name, &path] {
      e.Browser().SetProgramListIndex(i);
      e.SetProgramNameFromPath(name);
      e.SetStatusText(e.ProgramName().c_str());
      e.Browser().SetCurrentProgramPath(path);
    });
    if (loaded) e.SendProgramNrpn();
    return DispatchExit::kWholeProgramSent;
  }

  static void RequestProgram(VQEditor& e) {
    int slot = e.ParamInt(vq_param::kSlotChooser);
    if (slot < 0) slot = 0;
    if (slot > 98) slot = 98;
    // The panel goes with its controls: whatever follows (save, cancel, a failed request)
    // finds the page uncovered.
    if (VQEditorPages* pages = e.Pages()) {
      pages->ShowProgramNumberSelector(e, false);
    } else if (IGraphics* g = e.Graphics()) {
      g->HideControlsOfParam(vq_param::kSlotChooser, true);
      g->HideControlsOfParam(vq_param::kRequestProgram, true);
    }
    if (RefusedBeside(e, DeviceLink::Transfer::kFetch)) return;
    e.SetStatusText("Connecting to VQ...");
    // The dump is offered for saving once it has arrived whole and checked, not before.
    e.Link().DropReceivedDump();
    e.Link().SetBankDownloadRunning(false);
    e.Link().SetRequestSlot(slot + 1);
    e.Link().SetRequestPending(true);
  }

  std::unique_ptr<VQParamCases> mManager;
};

class EditorDeviceTransfers : public VQDeviceTransfers {
 public:
  void OnFirmwareReply(VQEditor& e, uint8_t target, uint8_t command) override {
    e.OnFirmwareReply(target, command);
  }
  void OnBankUploadAcknowledged(VQEditor& e) override {
    if (e.BankTransfers()) e.BankTransfers()->NextBankProgram(e);
  }
};

}  // namespace

bool RefusedBeside(VQEditor& e, DeviceLink::Transfer t) {
  UTL_MutexLock lock(e.Mutex());
  if (e.Link().MayStart(t)) return false;
  TellTransferRunning(e);
  return true;
}

void TellTransferRunning(VQEditor& e) {
  e.SetStatusText(DeviceLink::kBusyText);
  if (e.ManagerPageShown()) e.PostMessageBoxOnce(DeviceLink::kBusyText, "Warning");
}

std::unique_ptr<VQParamCases> MakeProgramControlCases(std::unique_ptr<VQParamCases> managerPage) {
  return std::make_unique<ProgramControlCases>(std::move(managerPage));
}

std::unique_ptr<VQDeviceTransfers> MakeEditorDeviceTransfers() {
  return std::make_unique<EditorDeviceTransfers>();
}

// --- The editor's bank-transfer members, forwarded to the program library ---

void VQEditor::StartBankUpload(const char* path) {
  if (mBankTransfers && path) mBankTransfers->StartBankUpload(*this, path);
}

void VQEditor::CancelProgramNumberSelector() {
  UTL_MutexLock lock(mMutex);
  if (mPages && mPages->ProgramNumberSelectorShown())
    mPages->ShowProgramNumberSelector(*this, false);
}

bool VQEditor::SendProgramFileToDevice(const char* path) {
  return mBankTransfers && path && mBankTransfers->SendProgramFileToDevice(*this, path);
}

bool VQEditor::SendBankProgramFile(const char* path, int slot) {
  return mBankTransfers && path && mBankTransfers->SendBankProgramFile(*this, path, slot);
}

void VQEditor::ScanProgramFolderToSlots(const char* folder) {
  if (mBankTransfers && folder) mBankTransfers->ScanProgramFolderToSlots(*this, folder);
}

void VQEditor::SetSlotName(const char* name, int slot) {
  if (mBankTransfers && name) mBankTransfers->SetSlotName(*this, name, slot);
}
