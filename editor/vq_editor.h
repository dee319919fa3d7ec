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

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "editor/editor_pages.h"
#include "editor/program_files.h"
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

class IControl;
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

class VQEditor : public IModuleStandalone, public CTimerCallbackInterface {
 public:
  static constexpr int kGuiWidth = 1140;
  static constexpr int kGuiHeight = 800;

  VQEditor(const IModuleInstanceInfo& info, VQEditorSetup setup);
  ~VQEditor() override;

  // IModuleBase slots.
  void OnParamChange(int paramIdx) override;
  void OnTick() override;
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
  // Undo reset, INIT when no last program is known, the start-up message.
  void StartUp();
  // The file name after the last "/" without its extension, at most 32 characters.
  void SetProgramNameFromPath(const std::string& path);

  // --- Program record ---
  void PackParamsToRecord();
  // Pushes `record` (undo-snapshot form) into the parameters; the caller sets applyingProgram.
  void ApplyRecordToParams();
  void InitProgram();

  // --- Device messages ---
  // Sends one field as NRPN (composites recomputed from the parameters) and records the undo
  // step. Does not change lastField.
  void SendParamNrpn(int field, int32_t value);
  void SendExtMidiNrpn();
  void SendProgramNrpn();
  void SendKeyboardNote(int note, bool on);
  void RequestProgram(int slot);
  void SendStartupMessage();
  // One SysEx message to the synthesizer; an empty one sends nothing.
  void SendSysExBytes(const std::vector<uint8_t>& bytes);

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
  void RecordKeyedUndoStep(int32_t key);
  void ResetUndoHistory();

  // --- Read-outs and MIDI-sync ranges ---
  // Writes the field's read-out text into its read-out control.
  void FormatParamValueText(int field, int32_t value);
  // LFO (synced: 1..12 note divisions) and delay (mode 1: Delay1, 2: both as 0..9 divisions)
  // ranges, with the FLEXI slot aimed at them.
  void SetupFlexiRanges(bool synced);
  void SetupFlexiRangesFx(int mode);
  // Both of the above as "MIDI Sync" `sync` (0..3) and the delay model ask for.
  void SetupSyncRanges(int sync, bool delayLong);
  // Hides or shows the range knobs of the slots aimed at the field; true when one is.
  bool HighlightFlexiDestinations(int field, bool hide);
  // A row picked in the FLEXI source or range-control list (listViewTarget says which).
  void ApplyListViewChoice(int row);
  // Re-initialises an integer parameter's name and range, keeping its value inside the range.
  void ReinitIntParam(int paramIdx, const char* name, int def, int min, int max);

  // --- Editor GUI (forwarded to the pages) ---
  void CreateGui(int mode);
  void BuildManagerPage();
  void RefreshGuiFromParams(int layoutView, double width, double height);
  void ShowOverdriveControls(bool hide);
  void ShowEqBandControls(bool hide);
  void ShowEqualizerSection(bool hide);
  void ShowListPage(bool hide);
  void ShowExtMidiPage(bool external);
  void ShowManagerPage(bool hide);
  void UpdateEqDisplay();
  void UpdateEqDisplayLcd();

  // Status text control ("" -> nothing when there is none).
  void SetStatusText(const char* text);
  void ShowProgramName();
  // Sets a parameter's controls from its plain value without informing the plug.
  void SetControlsFromParam(int paramIdx);
  // Redraws the parameter controls unless a whole program is being applied.
  void RedrawIfNotApplying();
  IGraphics* Graphics() const;
  VQEditorPages* Pages() const { return mPages.get(); }
  const std::string& SettingsPath() const { return mSettingsPath; }
  double ParamValue(int paramIdx) const;
  int32_t ParamInt(int paramIdx) const;

  // --- State (names as the device protocol and the dispatcher use them) ---
  ProgramRecord record;         // the current program
  ProgramRecord undoSnapshot;   // filled by TakeUndoSnapshot
  ProgramRecord groupInitCopy;  // working copy of the group-INIT template
  int32_t lastSent[vq_param::kCount];
  int32_t lastField = kNoFieldSent;
  int32_t idlePolls = 0;
  bool applyingProgram = false;
  bool programEdited = false;
  int32_t selectedGroups = 0;
  std::string programName;
  std::string currentProgramFolder;
  std::string currentProgramPath;
  std::string lastFile;

  // Undo history.
  std::vector<ProgramRecord> undoEntries;
  int32_t undoCursor = -1;
  int32_t undoKey = -1;
  bool undoSuspended = false;

  // FLEXI slots: the field each slot's destination addresses, -1 for none.
  int32_t flexiDestination[kFlexiSlotCount] = {-1, -1, -1, -1};
  int32_t listViewTarget = 0;  // 0..3 source list of slot 1..4, 4..7 range-control list

  // Device link.
  int32_t requestSlot = 1;
  bool requestPending = false;
  bool requestOutstanding = false;
  bool dumpReceived = false;
  bool bankDownloadRunning = false;
  bool bankUploadRunning = false;
  bool singleWritePending = false;
  bool firmwareRunning = false;
  bool transferDone = false;
  bool transferFailed = false;
  int32_t unansweredPolls = 0;
  uint8_t receiveBuffer[213] = {};
  uint8_t replyBuffer[7] = {};

  // Keyboard and MIDI learn.
  int32_t keyboardChannel = 0;           // 0..15, "kbdmidioutch"
  double keyboardVelocitySetting = 1.0;  // the on-screen keyboard's velocity, 0..1
  uint8_t noteState[128] = {};
  int32_t activeNotes = 0;
  int32_t learnCC[ProgramFieldTable::kLearnEntryCount];
  int32_t learnMax[ProgramFieldTable::kLearnEntryCount];
  bool learnMode = false;
  bool unlearnMode = false;
  int32_t learnTarget = -1;
  int32_t lastLearnCC = -1;

  // Pages and skins.
  int32_t skinMode = 0;  // 0 "space", 1 "solid", 2 "lcd"
  bool managerPageShown = false;
  bool compactView = false;
  // Set by the GUI construction: the about overlay, the four skin background controls and the
  // program-number selector that "Save Program from VQ to File" shows.
  IControl* aboutOverlay = nullptr;
  IControl* skinBackground[4] = {};
  IControl* programNumberSelector = nullptr;
  // Files of the bank upload chosen on the manager page (leaving the manager clears it).
  int32_t bankUploadFileCount = 0;
  // Writes one slot's program into the cache folder and points the slot at it; the program
  // manager sets it (leaving the manager keeps the selected slot's program this way).
  std::function<void(VQEditor&, int slot)> saveSlotToCache;

  // Controls the GUI construction sets (null until then).
  IControl* statusTextControl = nullptr;
  IControl* readoutControls[kProgramFieldCount] = {};
  IControl* flexiLearnCaption[kFlexiSlotCount] = {};
  IControl* flexiPolarityText[kFlexiSlotCount] = {};

  // Timer.
  TimerThread* timer = nullptr;
  int32_t tickCounter = 0;

  // --- Lifecycle: start-up, shut-down and the status poll (editor_lifecycle.cpp) ---
  // Stops the timer, empties the scratch folders, stores the settings and the current program.
  void SaveEditorState();
  bool busy = false;                // a manager job runs; each reported communication error ends it
  bool programNumberError = false;  // the program name does not determine the program number
  // FLEXI read-out refresh: slot 1..4 (0 none); the poll rewrites the destination's read-out with
  // range knob A on its second poll after the request.
  int32_t flexiReadoutSlot = 0;
  int32_t flexiReadoutWait = 0;
  // FLEXI destination pick (slot 1..4, 0 none) and its time-out, which the poll ends after ten
  // polls by hiding the slot's overlay.
  int32_t flexiPickSlot = 0;
  bool flexiPickActive = false;
  bool flexiPickTimeout = false;
  int32_t flexiPickTimeoutCount = 0;
  IControl* flexiOverlay[kFlexiSlotCount] = {};
  int32_t flexiBlinkCounter = 0;  // OnTick toggles the picking slot's overlay every 8th call
  // Remembered by start-up and the manager page (leaving it returns to them).
  std::string rememberedProgramPath;
  std::string rememberedProgramFolder;
  // Formed once at construction from the settings folder: the only folders shut-down removes.
  std::string settingsFolder;  // ends in "/"
  std::string cacheFolder;     // settingsFolder + "cache/"
  std::string uploadFolder;    // cacheFolder + "selected/"
  void InitProgramFolders();   // forms the three from the settings path

  // --- Program files (forwarded to programFiles; library/ implements them) ---
  bool LoadProgramFileToEditor(const char* path);
  bool WriteProgramDumpText(const char* path);
  bool SaveProgramFile(const char* path);
  bool ConvertOldProgramFile(const char* path);
  int ConvertOldProgramFiles(const char* folder);
  bool SaveRamProgram();
  bool LoadRamProgram();
  void LocateProgramInFolder(const char* path);
  void NameReceivedProgram(int slot);
  void ListProgramFolder(const char* folder);
  void ResetFolder(const char* path);
  void ResetCacheFolder();
  // "lastprogram.pr4" in the folder of the settings file.
  std::string RamProgramPath() const;
  std::unique_ptr<VQProgramFiles> programFiles;

  // Program list: bare file names of the current program folder, sorted case-insensitively.
  static constexpr int kProgramListSize = 1024;
  std::vector<std::string> programList;
  int32_t programListLast = 0;    // number of names less one (0 when empty)
  int32_t programListIndex = 0;   // the current entry
  bool programListBuilt = false;  // previous/next do nothing until a list was built
  std::string CurrentListName() const;
  std::string saveFolder;            // where received programs are offered, ends in "/"
  bool receivedDumpPending = false;  // the save selector writes the received dump, not the editor
  // A failed or timed-out request leaves no dump to be saved in place of the user's program.
  void DropReceivedDump();
  // receiveBuffer holds a complete, checked program dump.
  bool HoldsReceivedDump() const;

  // File selectors by role: the file each one shows, and its control when the GUI built one.
  enum FileSelectorRole {
    kFirmwareSelector,
    kLoadSelector,
    kSaveSelector,
    kWriteSelector,
    kFileSelectorCount
  };
  std::string selectedFile[kFileSelectorCount];
  IControl* fileSelector[kFileSelectorCount] = {};
  void SetSelectedFile(int role, const std::string& path);

  // The manager's file browser.
  static constexpr int kBrowserTextRows = 47;
  std::vector<OnlineListRow> browserRows;
  int32_t browserScrollRange = 0;
  int32_t browserFirstRow = 0;
  IControl* browserRowText[kBrowserTextRows] = {};
  IControl* browserScrollBar = nullptr;
  std::string browserFolder;
  int32_t browserSelection = -1;

  // --- Incoming MIDI and MIDI learn (incoming_midi.cpp, midi_learn.cpp) ---
  // Synthesizer input (MIDI thread): dumps and replies, checked before anything is acted on.
  void ProcessSysEx(const ISysExMessage* msg) override;
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
  // A dump with a bad checksum is asked for again this many times; then the transfer fails.
  static constexpr int kDumpRetryLimit = 3;
  int32_t dumpRetries = 0;
  bool writeAckPending = false;       // 0x21 of a single write, finished on the main thread
  bool bankUploadAckPending = false;  // 0x21 of a bank upload not yet acted on
  bool bankProgressPending =
      false;  // a bank upload moved on: what it shows waits for the main thread
  bool downloadSavePending = false;  // a single older dump waits for the main thread
  int32_t downloadSaveSlot = 0;
  uint8_t downloadDump[213] = {};
  int32_t strayDumpSlot = 0;  // asked ahead by a download that has ended since
  // Bank steps that need no GUI, run where the acknowledgement or dump arrives (the MIDI
  // worker): the next file of an upload; a download's dump in downloadDump asks for the next
  // slot and is saved (what the GUI shows of it is posted to the main thread).
  void AdvanceBankTransfers();
  void SaveDownloadedDump();
  bool paramRedrawPending = false;     // learned controllers moved parameters
  bool keyboardRedrawPending = false;  // held keys changed
  bool learnNoMatch = false;           // set before a controller is matched, cleared on a match
  IControl* keyboardControl = nullptr;
  // Bank download, firmware and bank upload steps (library/ and the firmware updater).
  std::unique_ptr<VQDeviceTransfers> deviceTransfers;

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
  // The idle call's share: queued work first, the boxes last (outside the plug mutex).
  void RunMainThreadWork();
  void ShowPostedMessageBoxes();

  // --- Dispatcher cases: FLEXI slots, effect, equalizer and external-MIDI views
  // (param_dispatch.cpp, flexi_controls.cpp, effect_controls.cpp) ---
  // Program file, group-edit and manager-page cases of other features.
  std::unique_ptr<VQParamCases> paramCases;
  bool flexiIndicatorShown[kFlexiSlotCount] = {};
  void ShowFlexiIndicator(int slot, bool show);  // slot 0..3
  void EndFlexiPick();
  // Effect view and MIDI panel.
  bool equalizerMode = false;  // the parametric (knob) view of the equalizer was chosen
  bool copyPanelVco = true;    // the copy panel shows the oscillators (else the FLEXI slots)
  IControl* overdriveOnIndicator = nullptr;
  IControl* equalizerOnIndicator = nullptr;
  IControl* modOnIndicator[2] = {};  // 0 vintage block, 1 long delay
  IControl* effectBlockFrame = nullptr;
  IControl* copyPanelControl[2] = {};
  IControl* extMidiText[4] = {};      // 128, 309, 310, 311
  IControl* modWheelEntry = nullptr;  // the value entry beside the Mod. Wheel knob
  // Set by the GUI construction: the Mod. Wheel knob's one-shot changed flag (taken and
  // cleared) and the band of the equalizer curve being dragged (`index` comes filled with the
  // display's value; the reader gives that band's gain, frequency, width and limits).
  std::function<bool()> takeModWheelChanged;
  std::function<bool(EqBand&)> readEqBand;

  // --- Firmware update, bank transfers, the slot table and the program file controls
  // (firmware_update.cpp, program_controls.cpp; library/bank_transfer.cpp implements
  // bankTransfers) ---
  // Reads and checks a firmware file whole, then starts the handshake. A refused file sends
  // nothing and tells the user why.
  void ReadFirmwareFile(const char* path);
  // The next block of the current section (a 0x12 reply).
  void SendNextFirmwareBlock();
  void SendFirmwareBlock(const FirmwareUpdate::Action& block);
  // A 0x11, 0x12, 0x14 or 0x15 reply while firmwareRunning (MIDI thread, mutex held).
  void OnFirmwareReply(uint8_t target, uint8_t command);
  FirmwareUpdate firmware;
  // Forwarded to bankTransfers.
  void StartBankUpload(const char* path);
  bool SendProgramFileToDevice(const char* path);
  bool SendBankProgramFile(const char* path, int slot);
  void ScanProgramFolderToSlots(const char* folder);
  void SetSlotName(const char* name, int slot);
  std::unique_ptr<VQBankTransfers> bankTransfers;
  bool bankUploadRequest = false;  // the next idle call uploads the current program folder
  bool downloadToManager = false;  // a bank download fills the slot table from the cache folder
  // The slot table (index = slot 1..99) and the bank list's row controls, set by the manager page.
  std::vector<ProgramSlot> slotTable = std::vector<ProgramSlot>(kSlotTableSize);
  IControl* slotSwitch[kSlotTableSize] = {};
  IControl* slotCategoryIndicator[kSlotTableSize] = {};
  IControl* slotNameText[kSlotTableSize] = {};

 protected:
  // Dispatcher steps and cases.
  bool FlexiPickRoad(int field);  // false: the change ends here
  void LearnStep(int field, int32_t value);
  void WriteDispatcherReadout(int paramIdx, int field, int32_t value);
  DispatchExit RunParamCase(int paramIdx, int field, int32_t value);
  DispatchExit FlexiControlCase(int paramIdx, int32_t value);
  DispatchExit EffectControlCase(int paramIdx, int32_t value);
  void FilterModelChanged(int32_t value);
  void SendModWheel(int32_t value);
  void SetControlText(IControl* control, const char* text);
  void HideControl(IControl* control, bool hide);
  void FinishDumpOnMainThread();

 protected:
  void InitParameters();
  void SetParam(int paramIdx, double value) { SetParameterFromGUI2(paramIdx, value); }
  // Apply steps shared by the whole-program operations.
  void ApplyFieldsUpToPortamento();  // fields 0..94 (apply steps 1-3)
  void ApplyFlexiSlot(int slot, bool withDestination);
  void ApplyMidiFields();    // apply step 5
  void ApplyEffectFields();  // apply steps 6-8
  void ResetFlexiSlotMarkers();
  bool GroupSwitchOn(int group) const;
  void FinishWholeProgramEdit(bool redraw);
  // Ends a whole-program apply: applying off, controls redrawn, the whole program sent.
  void FinishProgramApply();
  void UpdateSkinEqDisplay();  // the equalizer display of the skin in use
  // Reads parameter values for the record codecs.
  std::function<double(int)> Reader() const;

 private:
  struct PostedBox {
    std::string text, caption;
    int type;
  };
  std::thread::id mMainThread = std::this_thread::get_id();
  std::mutex mMainWorkMutex;  // guards the three queues below; never held while work runs
  std::vector<std::function<void()>> mMainWork;
  std::vector<std::pair<int, double>> mMainParamSets;
  std::deque<PostedBox> mPostedBoxes;
  bool mShowingBoxes = false;  // a box's modal loop may run the idle call again

  std::unique_ptr<VQEditorPages> mPages;
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
