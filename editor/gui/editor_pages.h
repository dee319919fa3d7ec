// The editor's pages: the synth page in the skin the settings choose, the on-screen keyboard,
// the program-manager page and the about box, built from the layout tables; the control
// groups the editor shows and hides, the equalizer curve feed and the control-specific calls.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_pages.h"
#include "graphics/bitmap_controls.h"
#include "protocol/program_record.h"
#include "graphics/text_controls.h"

class IBitmapOverlayControl;
class IFileSelectorControl;
class IKeyboardControl;
class IKnobMultiControl;
class IKnobMultiControl3;
class IParaGraphicEq;
class ProgramManager;
struct IFrameBitmap;

// A text control the editor writes through SetTextFromPlug (read-outs, captions, status).
class EditorTextControl : public ITextControl {
 public:
  EditorTextControl(IModuleBase* plug, const IRECT& rect, int paramIdx = -1,
                    const IText* text = nullptr, const char* str = "")
      : ITextControl(plug, rect, paramIdx, text, str) {}
  void SetTextFromPlug(const char* text) override { SetTextIfChanged(text); }
  std::string Text() const { return GetText(); }
};

// The "fetch VQ slot" panel dims the whole page; a click beside its box cancels it, as Escape
// does.
class SlotPanelControl : public IBitmapControl {
 public:
  SlotPanelControl(VQEditor& editor, int x, int y, IFrameBitmap* image);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;

 private:
  VQEditor& mEditor;
};

class EditorPages : public VQEditorPages {
 public:
  ~EditorPages() override;
  void CreateGui(VQEditor& editor, int mode) override;
  void BuildManagerPage(VQEditor& editor) override;
  void BuildGuiOrig(VQEditor& editor, bool space) override {
    BuildSynthPage(editor, space ? 0 : 1);
  }
  void BuildGuiLcd(VQEditor& editor) override { BuildSynthPage(editor, 2); }
  void RefreshGuiFromParams(VQEditor& editor, int layoutView, double width, double height) override;
  void ShowCurrentPageGroups(VQEditor& editor) override;
  void ShowOverdriveControls(VQEditor& editor, bool hide) override;
  void ShowEqBandControls(VQEditor& editor, bool hide) override;
  void ShowEqualizerSection(VQEditor& editor, bool hide) override;
  void ShowModControls(VQEditor& editor, bool hide);
  void ShowListPage(VQEditor& editor, bool hide) override;
  void ShowSourceListPage(VQEditor& editor, bool hide);
  void ShowSaveFromDevicePanel(VQEditor& editor, bool hide);
  void ShowExtMidiPage(VQEditor& editor, bool external) override;
  void ShowManagerPage(VQEditor& editor, bool hide) override;
  void UpdateEqDisplay(VQEditor& editor) override;
  void UpdateEqDisplayLcd(VQEditor& editor) override { UpdateEqDisplay(editor); }
  // Feeds the curve from the program record's fields; the view stays as it is.
  void UpdateEqDisplayFromProgram(VQEditor& editor);
  bool IsEqualizerShown(const VQEditor& editor) const override { return mEqualizerShown; }
  void SetFieldKnobFrameLimit(VQEditor& editor, int field, int frames) override;
  void SetFlexiRangeKnobFrameLimit(VQEditor& editor, int slot, int frames) override;
  void SetDelayKnobFrameLimit(VQEditor& editor, int delay, int frames) override;
  void MoveFlexiRangeControls(VQEditor& editor, int slot, int field) override;
  void HideFlexiDestinationHighlight(VQEditor& editor, int slot, bool hide) override;
  void HideListViewFrame(VQEditor& editor, bool hide) override;
  bool IsKnobHeld(const VQEditor& editor, int paramIdx) const override;

  // What the pages show (page_display.cpp).
  void SetStatusText(const char* text) override;
  void ShowReadout(int field, const char* text) override;
  void HideReadout(int field, bool hide) override;
  void ShowFlexiLearnCaption(int slot, const char* text) override;
  void ShowFlexiPolarity(int slot, const char* text) override;
  void ShowExtMidiText(int k, const char* text) override;
  void ShowAboutBox() override;
  // The page background of the chosen skin; an open external-MIDI panel keeps its background,
  // in the chosen skin's version.
  void ShowSkinBackgrounds(bool space) override;
  void ShowProgramNumberSelector(VQEditor& editor, bool show) override;
  bool ProgramNumberSelectorShown() const override;
  void ShowEffectBlockFrame(bool show) override;
  void ShowEffectIndicator(EffectIndicator which, bool show) override;
  void MoveEffectIndicators(int equalizerX, int overdriveX, int y) override;
  void ShowCopyPanel(bool oscillators) override;
  void RedrawKeyboard() override;
  bool TakeModWheelChanged() override;
  void PromptModWheelEntry(VQEditor& editor) override;
  bool ReadEqBand(EqBand& band) const override;
  bool OpenFileSelector(int role) override;
  void ShowLoginPanel(VQEditor& editor, bool hide) override;
  void ShowSelectFolderPanel(VQEditor& editor, bool hide) override;
  void ClearBrowserRows() override;
  void ShowBrowserRow(int row, const char* text, bool marked) override;
  void HideBrowserRow(int row) override;
  void MarkBrowserRow(int row, bool marked) override;
  void SetBrowserScrollPosition(double position) override;
  void ShowSlotSelected(int slot, bool selected) override;
  void ShowSlotCategory(int slot, int category) override;
  void ShowSlotName(int slot, const char* text) override;

  // The equalizer shows its band knobs / its curve.
  bool EqBandView() const { return mEqBandView; }
  bool EqCurveView() const { return mEqCurveView; }

  // What the page built, for the groups, the manager and tests.
  IKeyboardControl* Keyboard() const { return mKeyboard; }
  IParaGraphicEq* EqDisplay() const { return mEq; }
  IKnobMultiControl* KnobOf(int paramIdx) const;
  IControl* TabHighlight(int k) const { return mTabHighlight[k]; }
  IBitmapOverlayControl* About() const { return mAbout; }
  IControl* Background(int k) const { return mBackground[k]; }  // 102, 162, 173, 174
  IControl* SaveFromDevicePanel() const { return mSaveFromDevice; }
  int UnattachedCount() const { return static_cast<int>(mUnattached.size()); }
  IControl* LoginUserField() const { return mLoginUser; }
  IControl* LoginPasswordField() const { return mLoginPassword; }
  IControl* NameField() const { return mNameField; }
  IControl* BrowserSelect() const { return mBrowserSelect; }
  IControl* SlotMatrix() const { return mSlotMatrix; }
  IControl* LoginBackground() const { return mLoginBg; }
  IControl* SelectFolderBackground() const { return mSelectFolderBg; }
  IControl* ManagerBackground() const { return mPmBackground; }
  IControl* StatusText() const { return mStatusText; }
  IControl* Readout(int field) const;
  IControl* FlexiLearnCaption(int slot) const { return mFlexiLearnCaption[slot]; }
  IControl* FlexiPolarity(int slot) const { return mFlexiPolarity[slot]; }
  IControl* FlexiOverlay(int slot) const { return mFlexiOverlay[slot]; }
  IControl* CopyPanel(int k) const { return mCopyPanel[k]; }  // 0 oscillators, 1 FLEXI
  IControl* ModWheelEntry() const { return mModWheelEntry; }
  IControl* BrowserRow(int row) const { return BrowserText(row); }
  IControl* BrowserScrollBar() const { return mBrowserScrollBar; }
  IControl* SlotName(int slot) const { return SlotControl(slot, 3); }
  IControl* SlotFrame(int slot) const { return SlotControl(slot, 1); }  // the slot's whole box

 private:
  bool mEqBandView = false;
  bool mEqCurveView = true;
  // Set while the manager has a job running: opening the page keeps the play-note button hidden.
  int mManagerState = 0;

  void BuildSynthPage(VQEditor& editor, int skin);
  void BuildManagerControls(VQEditor& editor);
  void SetToolTips(VQEditor& editor);
  void ShowFlexiAware(VQEditor& editor, int paramIdx, bool hide);
  void HideParams(VQEditor& editor, std::initializer_list<int> params, bool hide);
  void FeedEq(const std::array<int, 12>& values);
  // Rows 0..46 of the browser and control `k` of a bank slot (0 selection, 1 category, 3 name).
  IControl* BrowserText(int row) const;
  IControl* SlotControl(int slot, int k) const;

  bool mEqualizerShown = false;
  bool mManagerBuilt = false;
  std::vector<std::unique_ptr<IControl>> mUnattached;
  std::vector<IKnobMultiControl*> mKnobs = std::vector<IKnobMultiControl*>(400, nullptr);
  IControl* mBackground[4] = {};  // space / lcd, solid, external MIDI, external MIDI of solid
  IControl* mFxPanel[4] = {};     // modulation, overdrive, equalizer knobs, equalizer curve
  IControl* mTabHighlight[4] = {};
  IControl* mSourceList = nullptr;
  IControl* mRangeList = nullptr;
  IControl* mSaveFromDevice = nullptr;
  IParaGraphicEq* mEq = nullptr;
  IKeyboardControl* mKeyboard = nullptr;
  IControl* mStatusText = nullptr;
  std::vector<IControl*> mReadouts = std::vector<IControl*>(kProgramFieldCount, nullptr);
  IControl* mFlexiLearnCaption[kFlexiSlotCount] = {};
  IControl* mFlexiPolarity[kFlexiSlotCount] = {};
  IControl* mFlexiOverlay[kFlexiSlotCount] = {};
  // Each slot's range-slider strips: the long one and the one for short destination sliders.
  IFrameBitmap* mFlexiRangeImage[kFlexiSlotCount][2] = {};
  IControl* mExtMidiText[4] = {};  // beside 128, 309, 310, 311
  IControl* mCopyPanel[2] = {};
  IControl* mModWheelEntry = nullptr;
  IKnobMultiControl3* mModWheel = nullptr;
  IControl* mFileSelector[4] = {};  // by VQEditor::FileSelectorRole
  IBitmapOverlayControl* mAbout = nullptr;
  // Manager page.
  IControl* mPmBackground = nullptr;
  IControl* mSelectFolderBg = nullptr;
  IControl* mLoginBg = nullptr;
  IControl* mLoginUser = nullptr;
  IControl* mLoginPassword = nullptr;
  IControl* mNameField = nullptr;
  IControl* mBrowserSelect = nullptr;
  IControl* mSlotMatrix = nullptr;
  std::vector<IControl*> mBrowserRows;
  IControl* mBrowserScrollBar = nullptr;
  std::vector<std::array<IControl*, 4>> mSlots;  // selection, program, number, name
};

std::unique_ptr<VQEditorPages> MakeEditorPages();

// The images the synth page shows at first in the skin a [gui] "background" value names (""
// for a fresh start), as resource names, each once: the page-size ones (the costliest) first.
std::vector<std::string> FirstFrameImageNames(const char* background);

// Connects the manager's list events, text fields and panel controls to the page's controls.
// Call once the manager is installed.
void ConnectProgramManager(VQEditor& editor, ProgramManager& manager);
