// The editor's own GUI as the editor sees it: page construction, control groups, the
// equalizer display feed and the few control-specific calls (knob frame limits, held knobs,
// moving the FLEXI range knobs). The editor GUI library implements it; the editor calls it
// through its members of the same names and never includes the GUI library's headers.
// Every operation runs on the main thread under the plug mutex.
#pragma once

class VQEditor;

class VQEditorPages {
 public:
  virtual ~VQEditorPages() = default;

  // Builds every control for the skin named by [gui] "background" and attaches the graphics to
  // the plug. `mode` is what the constructor passes (0).
  virtual void CreateGui(VQEditor& editor, int mode) = 0;
  virtual void BuildManagerPage(VQEditor& editor) = 0;
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
};
