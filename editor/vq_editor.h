// VQEditor: the plug-in at the heart of the program. It owns the 350 parameters through which
// every control talks to the editor, the current program record, the device-link state, the
// undo history and the MIDI-learn table, and it turns every change into the exact messages the
// synthesizer expects.
//
// Threads: the main thread (GUI, menu, idle), the MIDI input thread and the timer thread reach
// it; every operation that touches the program or the device state holds the plug mutex
// (recursive), as the callers of IModuleBase do. Controls, texts, redraws and message boxes
// change on the main thread only: the other threads queue them for the idle call.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "editor/device_link.h"
#include "editor/editor_pages.h"
#include "editor/flexi_pick.h"
#include "editor/midi_learn.h"
#include "editor/program_browser.h"
#include "editor/undo_history.h"
#include "editor/program_files.h"
#include "editor/program_saves.h"
#include "editor/device_transfers.h"
#include "editor/bank_transfers.h"
#include "protocol/firmware_updater.h"
#include "protocol/program_slot.h"
#include "protocol/eq_mapping.h"
#include "editor/param_cases.h"
#include "editor/param_ids.h"
#include "protocol/program_field_table.h"
#include "protocol/program_record.h"
#include "plugin/imodule_standalone.h"
#include "plugin/timer_thread.h"

class IGraphics;

// Parameter numbers the editor's own code names.
namespace vq_param {
inline constexpr int kCount = 350;
inline constexpr int kFirstGuiOnly = 189;  // 189..349 keep their own number as field number
inline constexpr int kGroupCount = 12;     // the group switches kVco1..kGroupFlexi4
// The program field a parameter carries (negative for 0..2).
constexpr int FieldOf(int param) {
  return param < kFirstGuiOnly ? param - kFieldParamOffset : param;
}
}  // namespace vq_param

// What the editor is built with besides the MIDI output: the seams to the GUI and the
// settings. Tests pass a headless graphics and the minimal pages.
struct VQEditorSetup {
  // Creates the editor's graphics (the plug owns it); a null factory or result gives an editor
  // without GUI, which sends no single change and keeps no undo history.
  std::function<IGraphics*(IModuleBase* plug, int width, int height, int fps)> makeGraphics;
  // The editor's pages; null leaves every page operation a no-op.
  std::unique_ptr<VQEditorPages> pages;
  // "settings.ini"; empty means the one in the settings folder.
  std::string settingsPath;
  // Name of the MIDI output device the shell selected (the start-up message depends on it).
  std::string outputDeviceName;
  // Program files (library/: MakeProgramLibrary); null leaves every file operation a no-op.
  std::unique_ptr<VQProgramFiles> programFiles;
};

// What a failed save says in the status line and its box.
struct SaveFailure {
  std::string status = "Cannot write the program file!";
  std::string box = "The program file cannot be written!";
};

class VQEditor : public IModuleStandalone, public CTimerCallbackInterface {
 public:
  static constexpr int kGuiWidth = 1140;
  static constexpr int kGuiHeight = 800;
  static constexpr int kProgramListSize = ProgramBrowser::kProgramListSize;
  static constexpr int kBrowserTextRows = ProgramBrowser::kBrowserTextRows;
  using enum ProgramBrowser::FileSelectorRole;

  VQEditor(const IModuleInstanceInfo& info, VQEditorSetup setup);
  ~VQEditor() override;

  // --- The editor's parts ---
  // The undo history (Undo, Redo and the Record... members below fill and apply it).
  UndoHistory& History() { return mHistory; }
  const UndoHistory& History() const { return mHistory; }
  // The request in flight, the transfers, the poll counters and the dump and reply buffers.
  DeviceLink& Link() { return mLink; }
  const DeviceLink& Link() const { return mLink; }
  // Which controller moves which field.
  MidiLearn& Learn() { return mLearn; }
  const MidiLearn& Learn() const { return mLearn; }
  // The FLEXI slots' destinations and their destination pick.
  FlexiPick& Flexi() { return mFlexiPick; }
  const FlexiPick& Flexi() const { return mFlexiPick; }
  // The program list, the manager's browser and bank list, the selected files, the folders.
  ProgramBrowser& Browser() { return mBrowser; }
  const ProgramBrowser& Browser() const { return mBrowser; }
  // The firmware update's handshake (firmware_update.cpp drives it).
  FirmwareUpdate& Firmware() { return mFirmware; }

  // IModuleBase slots.
  void OnParamChange(int paramIdx) override;
  void OnTick() override;
  bool HasIdleWork() override;
  void ProcessMidiMsg(const IMidiMessage* msg) override {}
  void OnWindowResize(int layoutView, double width, double height) override {
    RefreshGuiFromParams(layoutView, width, height);
  }
  // A menu command 0..35 (menu_commands.cpp); always true.
  bool OnCommand(int code) override;
  void OnTimer(TimerThread* timer) override { TimerTick(); }
  // Every tenth call (once a second on the 100 ms timer) runs the status poll.
  virtual void TimerTick();
  void StatusPoll();
  // What the status poll and an input loss have the editor do for the transfers.
  DeviceLink::PollActions TransferActions();
  // Undo reset, INIT when no last program is known, the start-up message.
  void StartUp();
  // The file name after the last "/" without its extension, at most 32 characters.
  void SetProgramNameFromPath(const std::string& path);

  // --- Program record ---
  void PackParamsToRecord();
  // Pushes the record (undo-snapshot form) into the parameters; the caller sets
  // ApplyingProgram.
  void ApplyRecordToParams();
  void InitProgram();

  // --- Device messages ---
  // Sends one field as NRPN (composites recomputed from the parameters) and records the undo
  // step. Does not change LastField().
  void SendParamNrpn(int field, int32_t value);
  void SendExtMidiNrpn();
  void SendProgramNrpn();
  void SendKeyboardNote(int note, bool on);
  void RequestProgram(int slot);
  void SendStartupMessage();
  // One SysEx message to the synthesizer; an empty one sends nothing. False when the port did
  // not take it.
  bool SendSysExBytes(const std::vector<uint8_t>& bytes);
  // While a firmware update runs every other message waits, in order, until it has ended: the
  // device takes nothing but the update's blocks then.
  bool SendMidiMsg(const IMidiMessage* msg) override;
  bool SendSysEx(const ISysExMessage* msg) override;

  // --- Editing and undo ---
  // Copy the settings of the oscillator / FLEXI slot chosen by switches 270..273 onto those
  // chosen by 274..277; each changed field goes out as a single NRPN. One undo step.
  void CopyVcoSettings();
  void CopyFlexiSettings();
  // Randomise or initialise the groups chosen by switches 278..289; one burst, one undo step.
  void RandomizeGroups();
  void RandomizeRecord(ProgramRecord& random) const;
  void InitGroups();
  void InitAllGroups();
  // Step through the history; nothing while the program manager is shown.
  void Undo();
  void Redo();
  void TakeUndoSnapshot();
  void RestoreUndoSnapshot();
  void RecordUndoStep();  // a whole-program edit: snapshot, drop the redo tail, append
  // A single change: snapshot, drop the redo tail; a change with the same key as the step
  // before replaces that step (one step per knob drag), any other appends and keeps its key.
  // Inside a parameter change (the dispatcher) the step is taken as the change ends, once what
  // it sets along is set too: one step for the control the user moved.
  void RecordKeyedUndoStep(int32_t key);
  void ResetUndoHistory();
  // The program's name, edited mark, file and identity, as an undo step keeps them.
  UndoLabel ProgramLabel() const;
  // Which program is on screen: every load and INIT makes a new one; edits, undo and redo
  // within it keep it. A save's end and a waiting load act only on the program they began with.
  uint64_t ProgramIdentity() const { return mProgramIdentity; }
  // Gives the program the name and edited mark of the step undo or redo reached.
  void ApplyUndoLabel();
  // The program now differs from its file: "*name*" is shown and kept at quit.
  void MarkProgramEdited();

  // --- Read-outs and MIDI-sync ranges ---
  // Writes the field's read-out text into its read-out control.
  void FormatParamValueText(int field, int32_t value);
  // Rewrites the LFO and delay read-outs, whose text depends on "MIDI Sync" and the delay
  // model as well as on their own value.
  void ShowClockReadouts();
  // LFO (synced: 1..12 note divisions) and delay (mode 1: Delay1, 2: both as 0..9 divisions)
  // ranges, with the FLEXI slot aimed at them.
  void SetupFlexiRanges(bool synced);
  void SetupFlexiRangesFx(int mode);
  // Both of the above as "MIDI Sync" `sync` (0..3) and the delay model ask for.
  void SetupSyncRanges(int sync, bool delayLong);
  // Hides or shows the range knobs of the slots aimed at the field; true when one is.
  bool HighlightFlexiDestinations(int field, bool hide);
  // A row picked in the FLEXI source or range-control list (Flexi().ListViewTarget() says which).
  void ApplyListViewChoice(int row);
  // Re-initialises an integer parameter's name and range, keeping its value inside the range.
  void ReinitIntParam(int paramIdx, const char* name, int def, int min, int max);

  // --- Editor GUI (forwarded to the pages) ---
  void CreateGui(int mode);
  void BuildManagerPage();
  void BuildGuiOrig(bool space);
  void BuildGuiLcd();
  void RefreshGuiFromParams(int layoutView, double width, double height);
  void ShowOverdriveControls(bool hide);
  void ShowEqBandControls(bool hide);
  void ShowEqualizerSection(bool hide);
  void ShowListPage(bool hide);
  void ShowExtMidiPage(bool external);
  void ShowManagerPage(bool hide);
  void UpdateEqDisplay();
  void UpdateEqDisplayLcd();

  // What the pages show, from any thread: at once on the main thread, else queued for the idle
  // call; nothing without pages.
  void ShowOnPage(std::function<void(VQEditorPages&)> show);
  void SetStatusText(const char* text);
  void ShowReadout(int field, const char* text);
  void HideReadout(int field, bool hide);
  void ShowExtMidiText(int k, const char* text);
  void ShowFlexiLearnCaption(int slot, const char* text);
  // The graphics' own calls library/ needs (main thread): controls of a parameter, a message
  // box answered at once (2, Cancel, without a GUI), a web page, the GUI's width (kGuiWidth
  // without one) and a refresh of every control group at the GUI's size.
  void HideControlsOfParam(int paramIdx, bool hide);
  void GrayOutControlsOfParam(int paramIdx, bool gray);
  int ShowMessageBox(const char* text, const char* caption, int type);
  void OpenUrl(const char* url);
  int GuiWidth() const;
  void RefreshGui();
  // Opens the role's file panel as a click on its selector does (main thread); false when no
  // file was chosen.
  bool OpenFileSelector(int role);
  void ShowProgramName();
  // Sets a parameter's controls from its plain value without informing the plug.
  void SetControlsFromParam(int paramIdx);
  // A pressed button put out: its release went to a panel's modal run, or its action ended.
  void ReleaseButton(int paramIdx);
  // Redraws the parameter controls unless a whole program is being applied.
  void RedrawIfNotApplying();
  IGraphics* Graphics() const;
  VQEditorPages* Pages() const { return mPages.get(); }
  const std::string& SettingsPath() const { return mSettingsPath; }
  double ParamValue(int paramIdx) const;
  int32_t ParamInt(int paramIdx) const;

  // --- The program held ---
  ProgramRecord& Record() { return mRecord; }
  const ProgramRecord& Record() const { return mRecord; }
  // The value each field was last sent with (128: none, so the next value goes out).
  std::array<int32_t, vq_param::kCount>& LastSent() { return mLastSent; }
  // The field whose NRPN address the device holds (kNoFieldSent: none).
  int32_t LastField() const { return mLastField; }
  void SetLastField(int32_t field) { mLastField = field; }
  // Set while a whole program is pushed into the parameters: the dispatcher then sends no
  // single change, records no undo step and redraws nothing.
  bool ApplyingProgram() const { return mApplyingProgram; }
  void SetApplyingProgram(bool applying) { mApplyingProgram = applying; }
  bool ProgramEdited() const { return mProgramEdited; }
  void SetProgramEdited(bool edited) { mProgramEdited = edited; }
  // The file the program on screen was loaded from (empty before any load).
  const std::string& ProgramFile() const { return mProgramFile; }
  // INIT or a program kept without its file: no file is the program on screen.
  bool ProgramWithoutFile() const { return mProgramWithoutFile; }
  // Before a load replaces a program with unsaved edits: Save (as the save command does),
  // Discard or Cancel. False when the load must not happen now (Cancel, a save that did not
  // start, or one still on its way to the disk); the load that follows a yes asks no more.
  // After a Save, `next` (the user's action again) runs once the file is on disk, if the
  // program is still the one saved; meanwhile the window stays live and says "Saving...", and
  // a later action waiting for the same save takes its place. Main thread.
  bool ConfirmReplacingEdits(std::function<void()> next = {});
  static constexpr const char* kSavingText = "Saving...";
  // Whether the next load asks (the program has edits the user has not let go).
  bool AsksBeforeLoad() const;
  // The save command: the save panel for the editor's program; a received dump offered stays
  // offered.
  void SaveProgramWithPanel();
  // What a choice in the save panel writes, fixed as the panel opens: the dump offered then
  // (which its panel proposes), or the program on screen.
  struct SavePanel {
    bool dump = false;          // the received dump, as `dumpText`; else the program on screen
    bool offered = false;       // a dump was offered as the panel opened
    bool dumpProposed = false;  // the panel proposed the dump's file
    uint64_t offer = 0;         // Link().DumpsOffered() then
    std::string dumpText;
    std::string proposal;  // the program's own file, proposed again once the panel closes
  };
  // The save selector's panel opens and closes (its click, main thread): the save command asks
  // for the program; otherwise a dump offered for saving is what the panel writes.
  void SavePanelOpening();
  void SavePanelClosed();
  // What the save selector's choice writes: the open panel's, else as a panel opened now would.
  SavePanel SaveChoice();
  // A received dump offered for saving, with the file its panel proposes.
  void OfferReceivedDump(const std::string& proposal);
  const std::string& ProgramName() const { return mProgramName; }
  // The number of group switches (278..289) on.
  int32_t SelectedGroups() const { return mSelectedGroups; }
  void SetSelectedGroups(int32_t count) { mSelectedGroups = count; }
  // Working copy of the group-INIT template.
  ProgramRecord& GroupInitCopy() { return mGroupInitCopy; }

  // --- Keyboard ---
  int32_t KeyboardChannel() const { return mKeyboardChannel; }  // 0..15, "kbdmidioutch"
  void SetKeyboardChannel(int32_t channel) { mKeyboardChannel = channel; }
  double KeyboardVelocity() const { return mKeyboardVelocitySetting; }  // 0..1
  void SetKeyboardVelocity(double velocity) { mKeyboardVelocitySetting = velocity; }
  std::array<uint8_t, 128>& NoteState() { return mNoteState; }
  int32_t ActiveNotes() const { return mActiveNotes; }
  // Learned controllers moved parameters / held keys changed: the main thread redraws.
  bool ParamRedrawPending() const { return mParamRedrawPending; }
  bool KeyboardRedrawPending() const { return mKeyboardRedrawPending; }

  // --- Pages and skins ---
  int32_t SkinMode() const { return mSkinMode; }  // 0 "space", 1 "solid", 2 "lcd"
  void SetSkinMode(int32_t mode) { mSkinMode = mode; }
  bool ManagerPageShown() const { return mManagerPageShown; }
  void SetManagerPageShown(bool shown) { mManagerPageShown = shown; }
  // A program file was loaded into the editor while the manager page was shown (since it was
  // last opened): leaving the manager then gives the program it replaced back.
  bool ProgramLoadedInManager() const { return mProgramLoadedInManager; }
  void SetProgramLoadedInManager(bool loaded) { mProgramLoadedInManager = loaded; }
  bool CompactView() const { return mCompactView; }
  // The parametric (knob) view of the equalizer was chosen.
  bool EqualizerMode() const { return mEqualizerMode; }
  // The copy panel shows the oscillators (else the FLEXI slots).
  bool CopyPanelVco() const { return mCopyPanelVco; }
  // Writes one slot's program into the cache folder and points the slot at it; the program
  // manager sets it (leaving the manager keeps the selected slot's program this way).
  void SetSlotCacheWriter(std::function<void(VQEditor&, int slot)> write) {
    mSaveSlotToCache = std::move(write);
  }
  void SaveSlotToCache(int slot) {
    if (mSaveSlotToCache) mSaveSlotToCache(*this, slot);
  }
  // Keeps the manager's bank for the next start; the program manager sets it, the idle call runs
  // it after the slot table was taken for writing, and shut-down runs it.
  void SetBankKeeper(std::function<void(VQEditor&)> keep) { mKeepBank = std::move(keep); }
  // Marks the manager's browser row of the program on screen, and no other file; the program
  // manager sets it.
  void SetProgramMarker(std::function<void(VQEditor&)> mark) { mMarkProgram = std::move(mark); }
  void MarkProgramInBrowser() {
    if (mMarkProgram) mMarkProgram(*this);
  }

  // --- What library/ plugs in ---
  // Program files come through VQEditorSetup. The transfers riding on replies, bank transfers
  // and the program-file and manager-page dispatcher cases; each may stay null.
  VQDeviceTransfers* DeviceTransfers() const { return mDeviceTransfers.get(); }
  void SetDeviceTransfers(std::unique_ptr<VQDeviceTransfers> transfers) {
    mDeviceTransfers = std::move(transfers);
  }
  VQBankTransfers* BankTransfers() const { return mBankTransfers.get(); }
  void SetBankTransfers(std::unique_ptr<VQBankTransfers> transfers) {
    mBankTransfers = std::move(transfers);
  }
  VQParamCases* ParamCases() const { return mParamCases.get(); }
  void SetParamCases(std::unique_ptr<VQParamCases> cases) { mParamCases = std::move(cases); }
  // Hands the cases over (a wrapper that falls back on them takes them).
  std::unique_ptr<VQParamCases> TakeParamCases() { return std::move(mParamCases); }

  // --- Timer ---
  // Starts the 100 ms timer thread, once the object is whole: its ticks are virtual calls, and
  // a tick during construction would reach a derived object not yet built. MakePlug starts it,
  // so a request of a first run times out as well; nothing when it runs already.
  void StartTimer();
  // Stops the 100 ms timer thread and waits for its last tick (tests then drive the ticks).
  void StopTimer();
  // The timer thread was started (StartTimer; shut-down ends it).
  bool HasTimer() const { return mTimer != nullptr; }
  int32_t TickCounter() const { return mTickCounter; }
  void SetTickCounter(int32_t count) { mTickCounter = count; }

  // --- Lifecycle: start-up, shut-down and the status poll (editor_lifecycle.cpp) ---
  // Stops the timer, empties the scratch folders, stores the settings and the current program.
  // Without `waitForTimer` (the process ends next) a tick may still be waiting.
  void SaveEditorState(bool waitForTimer = true);
  void InitProgramFolders();  // forms the folders from the settings path
  // Removes our own temporary files that a killed save left in `folder` (older than a minute);
  // at start-up for every folder the program writes into, and before each bank transfer.
  // Answers how many of them stay (younger ones).
  int RemoveStaleTempFiles(const std::string& folder);
  // A bank download into `folder` starts: it is cleaned as above and remembered in the settings
  // beside the folders of earlier downloads, so that a start after this run was killed cleans it
  // too. Each stays remembered until a start finds no temporary file of ours left in it.
  void PrepareDownloadFolder(const std::string& folder);
  // A path or folder the user chose to write into that lies in the program's own folders is
  // refused with a message (true): what the program empties is no place for the user's files.
  bool RefuseWorkingFolder(const std::string& path);

  // --- Program files (forwarded to ProgramFiles(); library/ implements them) ---
  // `next`, as for ConfirmReplacingEdits: the caller's action, run again after a Save.
  bool LoadProgramFileToEditor(const char* path, std::function<void()> next = {});
  // Loads a file as the current program once `makeCurrent` has made it so (its place in the
  // program list, its path, its name). A file that does not load puts all of that back: only
  // the status text changes, to say why.
  bool LoadAsCurrentProgram(const std::string& path, const std::function<void()>& makeCurrent,
                            std::function<void()> next = {});
  // LoadAsCurrentProgram for a file the user chose: the file's folder becomes the program list.
  bool LoadChosenProgramFile(const std::string& path, std::function<void()> next = {});
  bool WriteProgramDumpText(const char* path);
  bool SaveProgramFile(const char* path);
  // What those two write, taken under the lock.
  std::string ProgramDumpText();
  std::string ReceivedDumpFileText();
  // Writes `text` to `path` whole, outside the lock and off the main thread, after the saves
  // handed over before; `ended` is posted to the main thread once the file is on disk or the
  // save failed, and runs there under the lock, as other posted work does, told which. A
  // failure says so in the status line and a box, as every failed save does.
  void SaveInBackground(const std::string& path, std::string text,
                        std::function<void(bool ok)> ended, SaveFailure failure = {});
  // Returns once every save handed over is on disk or has failed.
  void WaitForProgramSaves();
  // A program file just saved at `path` from `program`, whose text `text` was taken when its
  // history had counted `changes` and its step in force held `saved`: every step of that
  // program takes the file's name, unedited where it holds the saved values. When that program
  // is on screen it becomes the file: loaded from it when nothing was done to it since, else
  // named after it with its history kept, marked unless it shows the saved text. Any other
  // program on screen keeps its own name, file and mark.
  void NameProgramAfterSavedFile(uint64_t program, const std::string& path,
                                 const ProgramRecord& saved, const std::string& text,
                                 uint64_t changes);
  bool ConvertOldProgramFile(const char* path);
  int ConvertOldProgramFiles(const char* folder);
  bool SaveRamProgram();
  bool LoadRamProgram();
  void LocateProgramInFolder(const char* path);
  void NameReceivedProgram(int slot);
  void ListProgramFolder(const char* folder);
  // A file just written at `path`: the manager page's local list, when it shows that folder,
  // lists it too; its marked rows stay marked.
  void ShowSavedFileInBrowser(const std::string& path);
  void ResetFolder(const char* path);
  void ResetCacheFolder();
  // "lastprogram.pr4" in the folder of the settings file.
  std::string RamProgramPath() const;

  // --- Incoming MIDI and MIDI learn (incoming_midi.cpp, midi_learn.cpp) ---
  // Synthesizer input (MIDI thread): dumps and replies, checked before anything is acted on.
  void ProcessSysEx(const ISysExMessage* msg) override;
  // The synthesizer input may have lost messages (MIDI thread): counted in Link(); a waiting
  // bank transfer sends its last message again, and a wait that then times out says why.
  void NoteMidiInputLoss();
  // Keyboard input (MIDI thread): pass-through, note mirroring and learned controllers.
  void OnMidiMsgReceived(const IMidiMessage* msg) override;
  // The main-thread half of incoming MIDI: finishes an acknowledged single write, saves a single
  // older dump, shows a bank upload's progress, redraws what the MIDI thread changed. OnTick
  // runs it first.
  void RunDeferredMidiWork();
  // "midilearn.ini" beside the settings file (an empty path means that one); the write replaces
  // the file only once the new one is complete.
  std::string MidiLearnFilePath() const;
  bool WriteMidiLearnFile(const std::string& path = "");
  bool ReadMidiLearnFile(const std::string& path = "");
  // The menu's MIDI Learn and MIDI Unlearn: arm (or disarm) the LEARN or UNLEARN switch, one at
  // a time, and say in the status line what the user does next. Main thread.
  void ArmMidiLearn(bool learn);
  void ArmMidiUnlearn(bool unlearn);
  bool MidiLearnArmed();
  bool MidiUnlearnArmed();
  // After a controller was learned for a field or forgotten: the table is kept in
  // "midilearn.ini" and the status line says what the field now follows. Main thread.
  void FinishLearnStep(int field);
  // Bank steps that need no GUI, run where the acknowledgement or dump arrives (the MIDI
  // worker): the next file of an upload; a download's dump in the link's DownloadDump asks for
  // the next slot and is saved (what the GUI shows of it is posted to the main thread).
  void AdvanceBankTransfers();
  void SaveDownloadedDump();

  // --- Work for the main thread (main_thread_work.cpp) ---
  // Controls, texts, redraws and message boxes change on the main thread only (the one that
  // built the editor). The MIDI input and timer threads queue such work; OnTick runs it.
  bool OnMainThread() const { return std::this_thread::get_id() == mMainThread; }
  // Runs `work` at once on the main thread; from another thread it waits for the next idle
  // call, which runs it under the plug mutex.
  void RunOnMainThread(std::function<void()> work);
  // A parameter set as SetParameterFromGUI2 does, from the main thread; a later set of the
  // same parameter from another thread replaces one still waiting.
  void SetParamOnMainThread(int paramIdx, double value);
  // Queued from any thread; the idle call shows it once the plug mutex is free, so no thread
  // waits for the user while it holds the mutex.
  void PostMessageBox(const char* text, const char* caption, int type = 0);
  // The same, unless that box already waits or is up: a fault met by several steps of one
  // action is told once.
  void PostMessageBoxOnce(const char* text, const char* caption);
  // The idle call's share: queued work first, the boxes last (outside the plug mutex).
  void RunMainThreadWork();
  void ShowPostedMessageBoxes();
  // Main thread: a box or panel is up. The idle call runs in its nested loop, and opens none
  // of its own meanwhile: they wait until it closes.
  bool BoxOrPanelUp() const;

  // --- Dispatcher cases: FLEXI slots, effect, equalizer and external-MIDI views
  // (param_dispatch.cpp, flexi_controls.cpp, effect_controls.cpp) ---
  void ShowFlexiIndicator(int slot, bool show);  // slot 0..3
  void EndFlexiPick();

  // --- Firmware update, bank transfers, the slot table and the program file controls
  // (firmware_update.cpp, program_controls.cpp; library/bank_transfer.cpp implements
  // BankTransfers()) ---
  // Reads and checks a firmware file whole, then starts the handshake. A refused file sends
  // nothing and tells the user why.
  void ReadFirmwareFile(const char* path);
  // The next block of the current section (a 0x12 reply).
  void SendNextFirmwareBlock();
  void SendFirmwareBlock(const FirmwareUpdate::Action& block);
  // A 0x11, 0x12, 0x14 or 0x15 reply while the firmware update runs (MIDI thread, mutex held).
  void OnFirmwareReply(uint8_t target, uint8_t command);
  // Once the firmware update has ended (by any way), the messages it held go out.
  void ReleaseHeldMidi();
  // What quitting now would cut off (a firmware update, a bank transfer), or null.
  const char* QuitWarning();
  // Forwarded to BankTransfers().
  void StartBankUpload(const char* path);
  bool SendProgramFileToDevice(const char* path);
  // Escape or a click beside the "fetch VQ slot" panel: the panel and its controls go, nothing
  // is requested. Main thread.
  void CancelProgramNumberSelector();
  bool SendBankProgramFile(const char* path, int slot);
  void ScanProgramFolderToSlots(const char* folder);
  void SetSlotName(const char* name, int slot);

 protected:
  // Dispatcher steps and cases.
  bool FlexiPickPath(int field);  // false: the change ends here
  // True when a learn or unlearn was completed by this change.
  bool LearnStep(int field, int32_t value);
  void WriteDispatcherReadout(int paramIdx, int field, int32_t value);
  DispatchExit RunParamCase(int paramIdx, int field, int32_t value);
  DispatchExit FlexiControlCase(int paramIdx, int32_t value);
  DispatchExit EffectControlCase(int paramIdx, int32_t value);
  void FilterModelChanged(int32_t value);
  void SendModWheel(int32_t value);
  void FinishDumpOnMainThread();

 protected:
  void InitParameters();
  void SetParam(int paramIdx, double value) { SetParameterFromGUI2(paramIdx, value); }
  // The parts of applying a whole program, shared by the whole-program operations.
  void ApplyFieldsUpToPortamento();  // fields 0..94, the portamento last
  void ApplyFlexiSlot(int slot, bool withDestination);
  // Delay model, MIDI sync, the external-MIDI switches and the octave transpose.
  void ApplyMidiFields();
  void ApplyEffectFields();  // effects and equalizer, fields 128..169
  void ResetFlexiSlotMarkers();
  bool GroupSwitchOn(int group) const;
  void FinishWholeProgramEdit(bool redraw);
  // Ends a whole-program apply: applying off, controls redrawn, the whole program sent.
  void FinishProgramApply();
  void UpdateSkinEqDisplay();  // the equalizer display of the skin in use
  // Reads parameter values for the record codecs.
  std::function<double(int)> Reader() const;

 private:
  // Sets one of the learn switches and says what to do next (or shows the name again).
  void ArmLearnSwitch(int param, bool on, const char* hint);
  struct PostedBox {
    std::string text, caption;
    int type;
  };
  std::thread::id mMainThread = std::this_thread::get_id();
  std::mutex mMainWorkMutex;  // guards the queues below; never held while work runs
  std::vector<std::function<void()>> mMainWork;
  // Saves handed over so far; the action a question's Save holds until its save is on disk.
  uint64_t mSavesStarted = 0;
  struct LoadAfterSave {
    uint64_t save = 0;    // none while 0
    bool onDisk = false;  // the save has ended well: `next` runs once no box is up
    std::function<void()> next;
  } mLoadAfterSave;
  void EndSave(uint64_t save, bool ok, const std::function<void(bool)>& ended,
               const SaveFailure& failure);
  void RunLoadAfterSave();
  // Something was done to the program (an edit, undo, redo, INIT or a load): the action held
  // for a question's Save no longer follows. True when one was dropped: the caller shows the
  // program's name again, once name and mark are what that change made them.
  bool DropLoadAfterSave();
  SavePanel mSavePanel;
  int mSavePanelDepth = 0;
  // What a save panel opened now would write.
  SavePanel SavePanelNow(bool programAsked);
  bool mSaveProgramAsked = false;  // the save command's panel writes the program on screen
  std::string mOfferedDumpFile;
  // The parameter change being dispatched, with what it sets along: its keyed undo step is
  // taken as it ends, keyed by the field the user moved (or, for a control that is no field,
  // by the last field it set).
  struct ParamChange {
    int depth = 0;
    std::optional<int32_t> ownKey;   // the outer field's key; none for a control that is no field
    std::optional<int32_t> stepKey;  // the key of the step due, once one is
    uint64_t stepChanges = 0;        // History().Changes() when the step fell due
  } mParamChange;
  void BeginParamChange(int paramIdx);
  void EndParamChange();
  std::vector<std::pair<int, double>> mMainParamSets;
  std::deque<PostedBox> mPostedBoxes;
  // The first posted box is up: it and those behind it follow in its loop, not the idle call.
  bool mPostedBoxUp = false;
  bool mShowingBoxes = false;  // a box's modal loop may run the idle call again

  std::unique_ptr<VQEditorPages> mPages;
  UndoHistory mHistory;
  DeviceLink mLink;
  std::atomic<bool> mSendFailed{false};  // a request went nowhere: no reply will come
  MidiLearn mLearn;
  FlexiPick mFlexiPick;
  ProgramBrowser mBrowser;
  FirmwareUpdate mFirmware;
  // The messages held while the firmware update runs; its own lock, taken last.
  struct HeldMidi {
    std::mutex mutex;
    bool holding = false;
    std::vector<std::vector<uint8_t>> messages;
  } mHeld;
  bool SendFirmwareBytes(const std::vector<uint8_t>& bytes);
  // A request the port refused gets no dump: the next status poll ends its wait, and no other.
  void SendProgramRequest(int slot);
  // True when the message was held.
  bool HoldMidi(const uint8_t* bytes, size_t size);
  std::unique_ptr<VQProgramFiles> mProgramFiles;
  std::unique_ptr<VQDeviceTransfers> mDeviceTransfers;
  std::unique_ptr<VQBankTransfers> mBankTransfers;
  std::unique_ptr<VQParamCases> mParamCases;
  std::unique_ptr<TimerThread> mTimer;
  int32_t mTickCounter = 0;
  ProgramSaves mProgramSaves;

  ProgramRecord mRecord;
  ProgramRecord mGroupInitCopy;
  std::array<int32_t, vq_param::kCount> mLastSent;
  int32_t mLastField = kNoFieldSent;
  bool mApplyingProgram = false;
  bool mProgramEdited = false;
  bool mProgramWithoutFile = false;  // INIT, until a program file is loaded or made current
  bool mEditsReleased = false;       // the user let the edits go for the next load
  std::string mProgramFile;
  std::string mProgramName;
  uint64_t mProgramIdentity = 0;
  uint64_t mProgramsMade = 0;
  void RenewProgramIdentity() { mProgramIdentity = ++mProgramsMade; }
  int32_t mSelectedGroups = 0;

  int32_t mKeyboardChannel = 0;
  double mKeyboardVelocitySetting = 1.0;
  std::array<uint8_t, 128> mNoteState = {};
  int32_t mActiveNotes = 0;
  bool mParamRedrawPending = false;
  bool mKeyboardRedrawPending = false;

  int32_t mSkinMode = 0;
  bool mManagerPageShown = false;
  bool mProgramLoadedInManager = false;
  bool mCompactView = false;
  bool mEqualizerMode = false;
  bool mCopyPanelVco = true;
  std::function<void(VQEditor&, int slot)> mSaveSlotToCache;
  std::function<void(VQEditor&)> mKeepBank;
  std::function<void(VQEditor&)> mMarkProgram;
  // The graphics between its creation and CreateGui attaching it to the plug.
  IGraphics* mGraphicsBeingBuilt = nullptr;
  std::string mSettingsPath;
  std::string mOutputDeviceName;
};

// Creates the editor for the shell, serialised by a process-wide mutex.
VQEditor* MakePlug(vq::platform::MidiOutput* midiOut, uint16_t* midiOutChannel,
                   VQEditorSetup setup = {});

// The application's bundle identifier.
inline constexpr const char* kBundleIdentifier = "org.marrowtone.standalone.VQEditor4.macOS";
