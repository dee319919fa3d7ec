// The editor's pages: the synth page in the skin the settings choose, the on-screen keyboard,
// the program-manager page and the about box, built from the layout tables; the control
// groups the editor shows and hides, the equalizer curve feed and the control-specific calls.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_pages.h"
#include "graphics/text_controls.h"

class IBitmapOverlayControl;
class IFileSelectorControl;
class IKeyboardControl;
class IKnobMultiControl;
class IParaGraphicEq;
class ProgramManager;

// A text control the editor writes through SetTextFromPlug (read-outs, captions, status).
class EditorTextControl : public ITextControl {
 public:
  EditorTextControl(IModuleBase* plug, const IRECT& rect, int paramIdx = -1,
                    const IText* text = nullptr, const char* str = "")
      : ITextControl(plug, rect, paramIdx, text, str) {}
  void SetTextFromPlug(const char* text) override { SetTextIfChanged(text); }
  std::string Text() const { return GetText(); }
};

class EditorPages : public VQEditorPages {
 public:
  ~EditorPages() override;
  void CreateGui(VQEditor& editor, int mode) override;
  void BuildManagerPage(VQEditor& editor) override;
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
  void ShowLoginPanel(VQEditor& editor, bool hide);
  void ShowSelectFolderPanel(VQEditor& editor, bool hide);
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

  // The equalizer shows its band knobs / its curve.
  bool EqBandView() const { return mEqBandView; }
  bool EqCurveView() const { return mEqCurveView; }
  // Rows the manager's browser list holds (the scroll fader shows from 47 on).
  void SetBrowserRowCount(int rows) { mBrowserRowCount = rows; }

  // What the page built, for the groups, the manager and tests.
  IKeyboardControl* Keyboard() const { return mKeyboard; }
  IParaGraphicEq* EqDisplay() const { return mEq; }
  IKnobMultiControl* KnobOf(int paramIdx) const;
  IControl* TabHighlight(int k) const { return mTabHighlight[k]; }
  IBitmapOverlayControl* About() const { return mAbout; }
  int UnattachedCount() const { return static_cast<int>(mUnattached.size()); }
  IControl* LoginUserField() const { return mLoginUser; }
  IControl* LoginPasswordField() const { return mLoginPassword; }
  IControl* NameField() const { return mNameField; }
  IControl* BrowserSelect() const { return mBrowserSelect; }
  IControl* SlotMatrix() const { return mSlotMatrix; }
  IControl* LoginBackground() const { return mLoginBg; }
  IControl* SelectFolderBackground() const { return mSelectFolderBg; }

 private:
  bool mEqBandView = false;
  bool mEqCurveView = true;
  // Set while the manager has a job running: opening the page keeps the play-note button hidden.
  int mManagerState = 0;
  int mBrowserRowCount = 0;

  void BuildSynthPage(VQEditor& editor, int skin);
  void BuildManagerControls(VQEditor& editor);
  void SetToolTips(VQEditor& editor);
  void ShowFlexiAware(VQEditor& editor, int paramIdx, bool hide);
  void HideParams(VQEditor& editor, std::initializer_list<int> params, bool hide);
  void FeedEq(const std::array<int, 12>& values);

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
  std::vector<std::array<IControl*, 4>> mSlots;  // selection, program, number, name
};

std::unique_ptr<VQEditorPages> MakeEditorPages();

// Connects the manager's list events, text fields and panel controls to the page's controls.
// Call once the manager is installed.
void ConnectProgramManager(VQEditor& editor, ProgramManager& manager);
