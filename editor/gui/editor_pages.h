// The editor's pages. So far the least the editor needs to run without the drawn skins: the
// skin choice from the settings, the status text and value read-out text controls, the FLEXI
// captions, the manager page's open state and "remember me" from the settings, and the
// show/hide of control groups by parameter.
#pragma once

#include <memory>
#include <string>

#include "editor/editor_pages.h"
#include "graphics/icontrol.h"

// A text control that keeps the last text the editor gave it; it draws nothing yet.
class EditorTextControl : public IControl {
 public:
  EditorTextControl(IModuleBase* plug, const IRECT& rect, int paramIdx = -1)
      : IControl(plug, rect, paramIdx) {}
  bool Draw(IGraphics* graphics) override { return true; }
  void SetTextFromPlug(const char* text) override;
  const std::string& Text() const { return mTextValue; }

 private:
  std::string mTextValue;
};

class EditorPages : public VQEditorPages {
 public:
  void CreateGui(VQEditor& editor, int mode) override;
  // Reads whether the manager page was open ([gui] "manager") and "remember me" ([dbase]
  // "memo", parameter 346); the page's controls come with the drawn pages.
  void BuildManagerPage(VQEditor& editor) override;
  void RefreshGuiFromParams(VQEditor& editor, int layoutView, double width, double height) override;
  void ShowCurrentPageGroups(VQEditor& editor) override {}
  void ShowOverdriveControls(VQEditor& editor, bool hide) override;
  void ShowEqBandControls(VQEditor& editor, bool hide) override;
  void ShowEqualizerSection(VQEditor& editor, bool hide) override;
  void ShowListPage(VQEditor& editor, bool hide) override;
  void ShowExtMidiPage(VQEditor& editor, bool external) override;
  void ShowManagerPage(VQEditor& editor, bool hide) override;
  void UpdateEqDisplay(VQEditor& editor) override;
  void UpdateEqDisplayLcd(VQEditor& editor) override { UpdateEqDisplay(editor); }
  bool IsEqualizerShown(const VQEditor& editor) const override { return mEqualizerShown; }
  void SetFieldKnobFrameLimit(VQEditor& editor, int field, int frames) override {}
  void SetFlexiRangeKnobFrameLimit(VQEditor& editor, int slot, int frames) override {}
  void SetDelayKnobFrameLimit(VQEditor& editor, int delay, int frames) override {}
  void MoveFlexiRangeControls(VQEditor& editor, int slot, int field) override {}
  void HideFlexiDestinationHighlight(VQEditor& editor, int slot, bool hide) override {}
  void HideListViewFrame(VQEditor& editor, bool hide) override {}
  bool IsKnobHeld(const VQEditor& editor, int paramIdx) const override { return false; }

  // The two equalizer-display state bytes as UpdateEqDisplay leaves them.
  int eqDisplayState[2] = {0, 1};

 private:
  bool mEqualizerShown = false;
};

std::unique_ptr<VQEditorPages> MakeEditorPages();
