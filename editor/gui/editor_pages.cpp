#include "editor/gui/editor_pages.h"

#include <cstring>
#include <initializer_list>

#include "editor/value_readouts.h"
#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "wemu/ini_file.h"

namespace {

void HideParams(VQEditor& editor, std::initializer_list<int> params, bool hide) {
  IGraphics* g = editor.Graphics();
  if (!g) return;
  for (int p : params) g->HideControlsOfParam(p, hide);
}

void HideParamRange(VQEditor& editor, int first, int last, bool hide) {
  IGraphics* g = editor.Graphics();
  if (!g) return;
  for (int p = first; p <= last; ++p) g->HideControlsOfParam(p, hide);
}

}  // namespace

void EditorTextControl::SetTextFromPlug(const char* text) {
  std::string t = text ? text : "";
  if (t == mTextValue) return;
  mTextValue = std::move(t);
  SetDirty(false);
}

void EditorPages::CreateGui(VQEditor& editor, int mode) {
  const char* settings = editor.SettingsPath().c_str();
  char background[64];
  GetPrivateProfileString("gui", "background", "", background, sizeof background, settings);
  if (background[0] == '\0') {
    WritePrivateProfileString("gui", "background", "space", settings);
    strcpy(background, "space");
  }
  editor.skinMode = strcmp(background, "lcd") == 0 ? 2 : strcmp(background, "solid") == 0 ? 1 : 0;

  IGraphics* g = editor.Graphics();
  if (!g) return;
  auto* status = new EditorTextControl(&editor, IRECT(0, 0, 200, 20));
  g->AttachControl(status);
  editor.statusTextControl = status;
  for (int field = 0; field < kProgramFieldCount; ++field) {
    if (!HasNumericReadout(field)) continue;
    auto* readout = new EditorTextControl(&editor, IRECT(0, 0, 40, 12));
    g->AttachControl(readout);
    editor.readoutControls[field] = readout;
  }
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    auto* caption = new EditorTextControl(&editor, IRECT(0, 0, 40, 12));
    g->AttachControl(caption);
    editor.flexiLearnCaption[n] = caption;
    auto* polarity = new EditorTextControl(&editor, IRECT(0, 0, 20, 12));
    g->AttachControl(polarity);
    editor.flexiPolarityText[n] = polarity;
  }
  // The manager page is open at start exactly when the settings say so.
  BuildManagerPage(editor);
  ShowManagerPage(editor, !editor.managerPageShown);
}

void EditorPages::BuildManagerPage(VQEditor& editor) {
  const char* settings = editor.SettingsPath().c_str();
  char text[16];
  GetPrivateProfileString("gui", "manager", "", text, sizeof text, settings);
  if (strcmp(text, "true") == 0)
    editor.managerPageShown = true;
  else if (text[0] == '\0' || strcmp(text, "false") == 0)
    editor.managerPageShown = false;
  // The login panel starts closed.
  HideParams(editor, {344, 343, 345, 346}, true);
  // "Remember me" as the user left it.
  GetPrivateProfileString("dbase", "memo", "", text, sizeof text, settings);
  if (strcmp(text, "true") == 0)
    editor.SetParameterFromGUI(346, 1.0);
  else if (strcmp(text, "false") == 0)
    editor.SetParameterFromGUI(346, 0.0);
}

void EditorPages::RefreshGuiFromParams(VQEditor& editor, int layoutView, double width, double height) {
  // The MIDI-sync ranges follow the current program.
  editor.SetupSyncRanges(editor.ParamInt(127), editor.ParamInt(126) == 1);
  UpdateEqDisplay(editor);
}

void EditorPages::ShowOverdriveControls(VQEditor& editor, bool hide) {
  HideParams(editor, {147, 148, 149, 182}, hide);
}

void EditorPages::ShowEqBandControls(VQEditor& editor, bool hide) {
  HideParamRange(editor, 160, 172, hide);
  HideParams(editor, {184, 185, 291, 292}, hide);
}

void EditorPages::ShowEqualizerSection(VQEditor& editor, bool hide) {
  HideParams(editor, {290, 160, 184, 185, 291, 292}, hide);
  mEqualizerShown = !hide;
}

void EditorPages::ShowListPage(VQEditor& editor, bool hide) {
  HideParamRange(editor, 263, 266, hide);
  HideParams(editor, {300}, hide);
}

void EditorPages::ShowExtMidiPage(VQEditor& editor, bool external) {
  HideParams(editor, {128, 308, 309, 310, 311}, !external);
  HideParams(editor, {307, 88, 89, 90, 91, 92, 93, 127, 173}, external);
}

void EditorPages::ShowManagerPage(VQEditor& editor, bool hide) {
  HideParamRange(editor, 313, 336, hide);
  HideParams(editor, {341, 342, 344, 345, 346}, hide);
  editor.managerPageShown = !hide;
}

void EditorPages::UpdateEqDisplay(VQEditor& editor) {
  eqDisplayState[0] = 0;
  eqDisplayState[1] = 1;
}

std::unique_ptr<VQEditorPages> MakeEditorPages() { return std::make_unique<EditorPages>(); }
