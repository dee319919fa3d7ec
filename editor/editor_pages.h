// The editor's own GUI as the editor sees it: page construction, control groups, the
// equalizer display feed, the few control-specific calls (knob frame limits, held knobs,
// moving the FLEXI range knobs) and what the pages show: texts, read-outs, overlays, the
// manager's browser rows and bank slots. The editor GUI library implements it and holds every
// control; the editor and library/ call it and never include the GUI library's headers.
// Every operation runs on the main thread under the plug mutex (VQEditor::ShowOnPage queues
// from other threads).
#pragma once

class VQEditor;
struct EqBand;

class VQEditorPages {
 public:
  virtual ~VQEditorPages() = default;

  // Builds every control for the skin named by [gui] "background" and attaches the graphics to
  // the plug. `mode` is what the constructor passes (0).
  virtual void CreateGui(VQEditor& editor, int mode) = 0;
  virtual void BuildManagerPage(VQEditor& editor) = 0;
  // The synth page: "space" (`space`) or "solid" from img/orig/, "lcd" from img/lcd/.
  virtual void BuildGuiOrig(VQEditor& editor, bool space) = 0;
  virtual void BuildGuiLcd(VQEditor& editor) = 0;
  // Refreshes every control group of the current page and the EQ display from the parameters.
  virtual void RefreshGuiFromParams(VQEditor& editor, int layoutView, double width,
                                    double height) = 0;
  // Shows or hides the groups of the current page that depend on program switches.
  virtual void ShowCurrentPageGroups(VQEditor& editor) = 0;

  virtual void ShowOverdriveControls(VQEditor& editor, bool hide) = 0;
  virtual void ShowEqBandControls(VQEditor& editor, bool hide) = 0;
  virtual void ShowEqualizerSection(VQEditor& editor, bool hide) = 0;
  virtual void ShowListPage(VQEditor& editor, bool hide) = 0;
  virtual void ShowExtMidiPage(VQEditor& editor, bool external) = 0;
  virtual void ShowManagerPage(VQEditor& editor, bool hide) = 0;
  // Feeds parameters 161..172 to the curve display of the default skin / the second skin.
  virtual void UpdateEqDisplay(VQEditor& editor) = 0;
  virtual void UpdateEqDisplayLcd(VQEditor& editor) = 0;
  // True while the equalizer page is on screen (the display then follows undo and randomise).
  virtual bool IsEqualizerShown(const VQEditor& editor) const = 0;

  // Frame limits of knobs (0 lifts the limit): the knob of a program field, the two range
  // knobs of FLEXI slot 0..3, the delay knob 0 ("Delay1") or 1 ("Delay2").
  virtual void SetFieldKnobFrameLimit(VQEditor& editor, int field, int frames) = 0;
  virtual void SetFlexiRangeKnobFrameLimit(VQEditor& editor, int slot, int frames) = 0;
  virtual void SetDelayKnobFrameLimit(VQEditor& editor, int delay, int frames) = 0;
  // Moves FLEXI slot 0..3's range knobs to the knob of `field` on the synth page.
  virtual void MoveFlexiRangeControls(VQEditor& editor, int slot, int field) = 0;
  // Hides or shows slot 0..3's destination highlight.
  virtual void HideFlexiDestinationHighlight(VQEditor& editor, int slot, bool hide) = 0;
  virtual void HideListViewFrame(VQEditor& editor, bool hide) = 0;
  // True between mouse-down and mouse-up of the knob bound to the parameter ("MIDI Sync" 127,
  // "Ext. Midi Program Change" 128).
  virtual bool IsKnobHeld(const VQEditor& editor, int paramIdx) const = 0;

  // --- Texts ---
  virtual void SetStatusText(const char* text) = 0;
  // The read-out of a program field 0..kProgramFieldCount-1.
  virtual void ShowReadout(int field, const char* text) = 0;
  virtual void HideReadout(int field, bool hide) = 0;
  // FLEXI slot 0..3: "LEARN"/"CLEAR" above the slot, "(+)"/"(-)" beside its polarity.
  virtual void ShowFlexiLearnCaption(int slot, const char* text) = 0;
  virtual void ShowFlexiPolarity(int slot, const char* text) = 0;
  // The external-MIDI panel's value texts: 0 beside 128, 1 beside 309, 2 beside 310, 3 beside 311.
  virtual void ShowExtMidiText(int k, const char* text) = 0;

  // --- Overlays, panels and indicators ---
  virtual void ShowAboutBox() = 0;
  // The backgrounds of the skin that can be swapped at run time: "space" or "solid".
  virtual void ShowSkinBackgrounds(bool space) = 0;
  // The panel for requesting a program from a slot, with its slot chooser and request button.
  virtual void ShowProgramNumberSelector(VQEditor& editor, bool show) = 0;
  virtual bool ProgramNumberSelectorShown() const = 0;
  virtual void ShowEffectBlockFrame(bool show) = 0;
  enum EffectIndicator { kOverdriveOn, kEqualizerOn, kVintageModOn, kLongDelayModOn };
  virtual void ShowEffectIndicator(EffectIndicator which, bool show) = 0;
  // Places the equalizer and overdrive "on" indicators at the tabs' new positions.
  virtual void MoveEffectIndicators(int equalizerX, int overdriveX, int y) = 0;
  // The copy panel of the oscillators or of the FLEXI slots.
  virtual void ShowCopyPanel(bool oscillators) = 0;
  virtual void RedrawKeyboard() = 0;
  // The Mod. Wheel knob's one-shot "its value was clicked" flag, taken and cleared; then the
  // typed entry of the value.
  virtual bool TakeModWheelChanged() = 0;
  virtual void PromptModWheelEntry(VQEditor& editor) = 0;
  // The band of the equalizer curve being dragged: `band.index` comes filled with the
  // display's value; gives that band's gain, frequency, width and limits, false for no band.
  virtual bool ReadEqBand(EqBand& band) const = 0;
  // Opens the file panel of a selector (VQEditor::FileSelectorRole) as a click on it does;
  // false when no file was chosen.
  virtual bool OpenFileSelector(int role) = 0;
  virtual void ShowLoginPanel(VQEditor& editor, bool hide) = 0;
  virtual void ShowSelectFolderPanel(VQEditor& editor, bool hide) = 0;

  // --- The manager's browser (rows 0..46 on screen) and bank slots 0..99 ---
  virtual void ClearBrowserRows() = 0;  // every row empty, unmarked and hidden
  virtual void ShowBrowserRow(int row, const char* text, bool marked) = 0;
  virtual void HideBrowserRow(int row) = 0;  // empty and hidden, its colour kept
  virtual void MarkBrowserRow(int row, bool marked) = 0;
  virtual void SetBrowserScrollPosition(double position) = 0;
  virtual void ShowSlotSelected(int slot, bool selected) = 0;
  virtual void ShowSlotCategory(int slot, int category) = 0;
  virtual void ShowSlotName(int slot, const char* text) = 0;
};
