// The control groups of the pages: effect panels, list pages, small panels, the external MIDI
// panel, the manager page, the refresh after a resize, and the control-specific calls.
#include <cmath>

#include "editor/gui/editor_pages.h"
#include "editor/gui/eq_feed.h"
#include "editor/gui/keyboard_control.h"
#include "editor/gui/page_layout_tables.h"
#include "editor/vq_editor.h"
#include "graphics/bitmap_controls.h"
#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/knob_controls.h"
#include "graphics/para_graphic_eq.h"
#include "protocol/program_field_table.h"

namespace {
constexpr int kFieldOffset = 3;
void HideIf(IControl* c, bool hide) {
  if (c) c->Hide(hide);
}
// A manager edit mode is on: its switch stays lit while the mode lasts.
bool ManagerEditModeOn(VQEditor& editor) {
  for (int p : {vq_param::kManagerRemoveMode, vq_param::kManagerMoveMode,
                vq_param::kManagerCopyMode, vq_param::kManagerSwapMode, vq_param::kManagerEditMode})
    if (editor.ParamValue(p) > 0.5) return true;
  return false;
}
}  // namespace

void EditorPages::HideParams(VQEditor& editor, std::initializer_list<int> params, bool hide) {
  IGraphics* g = editor.Graphics();
  if (!g) return;
  for (int p : params) g->HideControlsOfParam(p, hide);
}

// A knob a FLEXI slot modulates stays hidden behind the slot's range sliders; its read-out shows.
void EditorPages::ShowFlexiAware(VQEditor& editor, int p, bool hide) {
  IGraphics* g = editor.Graphics();
  const int field = p - kFieldOffset;
  if (field >= 0 && field < kProgramFieldCount) HideIf(mReadouts[field], hide);
  if (hide) {
    editor.HighlightFlexiDestinations(field, true);
    if (g) g->HideControlsOfParam(p, true);
  } else if (!editor.HighlightFlexiDestinations(field, false) && g) {
    g->HideControlsOfParam(p, false);
  }
}

void EditorPages::ShowOverdriveControls(VQEditor& editor, bool hide) {
  HideIf(mFxPanel[1], hide);
  for (int p : {vq_param::kOverdriveOnOff, vq_param::kDrive, vq_param::kLevel,
                vq_param::kOdBlendInstrument, vq_param::kOdBlendVcf})
    ShowFlexiAware(editor, p, hide);
}

void EditorPages::ShowEqBandControls(VQEditor& editor, bool hide) {
  HideIf(mFxPanel[2], hide);
  for (int p = vq_param::kEqualizerOnOff; p <= vq_param::kTrebleBoost; ++p)
    ShowFlexiAware(editor, p, hide);
  for (int p : {vq_param::kEqBlendInstrument, vq_param::kEqBlendVcf})
    ShowFlexiAware(editor, p, hide);
  HideParams(editor, {vq_param::k4BandParametricEqualizer, vq_param::k4BandParagraphicEqualizer},
             hide);
}

void EditorPages::ShowEqualizerSection(VQEditor& editor, bool hide) {
  HideIf(mFxPanel[3], hide);
  HideParams(editor, {vq_param::kPGEq}, hide);
  for (int p : {vq_param::kEqualizerOnOff, vq_param::kEqBlendInstrument, vq_param::kEqBlendVcf})
    ShowFlexiAware(editor, p, hide);
  HideParams(editor, {vq_param::k4BandParametricEqualizer, vq_param::k4BandParagraphicEqualizer},
             hide);
  mEqualizerShown = !hide;
}

void EditorPages::ShowModControls(VQEditor& editor, bool hide) {
  HideIf(mFxPanel[0], hide);
  for (int p = vq_param::kModBlendInstrument; p <= vq_param::kFeedbackDamping; ++p)
    ShowFlexiAware(editor, p, hide);
}

void EditorPages::ShowListPage(VQEditor& editor, bool hide) {
  HideParams(editor, {vq_param::kCloseListView}, hide);
  HideIf(mRangeList, hide);
  HideParams(
      editor,
      {vq_param::kListPage1, vq_param::kListPage2, vq_param::kListPage3, vq_param::kListPage4},
      hide);
  const int open = editor.Flexi().ListViewTarget();
  if (open >= 4 && open <= 7)
    HideParams(editor, {vq_param::kFlexi1RangeControlPolarity + 2 * (open - 4)}, hide);
}

void EditorPages::ShowSourceListPage(VQEditor& editor, bool hide) {
  HideParams(editor, {vq_param::kCloseListView}, hide);
  HideIf(mSourceList, hide);
  HideParams(
      editor,
      {vq_param::kListPage1, vq_param::kListPage2, vq_param::kListPage3, vq_param::kListPage4},
      hide);
}

void EditorPages::ShowSaveFromDevicePanel(VQEditor& editor, bool hide) {
  HideIf(mSaveFromDevice, hide);
  HideParams(editor, {vq_param::kSlotChooser, vq_param::kRequestProgram}, hide);
}

void EditorPages::ShowAboutBox() {
  if (!mAbout) return;
  mAbout->SetValueFromPlug(1.0);
  mAbout->Hide(false);
}

void EditorPages::ShowSkinBackgrounds(bool space) {
  const bool extMidiShown = (mBackground[2] && !mBackground[2]->IsHidden()) ||
                            (mBackground[3] && !mBackground[3]->IsHidden());
  HideIf(mBackground[0], !space);
  HideIf(mBackground[1], space);
  HideIf(mBackground[2], !(extMidiShown && space));
  HideIf(mBackground[3], !(extMidiShown && !space));
}

void EditorPages::ShowProgramNumberSelector(VQEditor& editor, bool show) {
  ShowSaveFromDevicePanel(editor, !show);
}

bool EditorPages::ProgramNumberSelectorShown() const {
  return mSaveFromDevice && !mSaveFromDevice->IsHidden();
}

void EditorPages::ShowLoginPanel(VQEditor& editor, bool hide) {
  HideIf(mLoginBg, hide);
  HideIf(mLoginUser, hide);
  HideIf(mLoginPassword, hide);
  HideParams(editor, {vq_param::kManagerLogin, vq_param::kManagerRememberLogin}, hide);
}

void EditorPages::ShowSelectFolderPanel(VQEditor& editor, bool hide) {
  HideIf(mSelectFolderBg, hide);
  HideParams(editor, {vq_param::kManagerOnline, vq_param::kManagerBrowse}, hide);
}

void EditorPages::ShowExtMidiPage(VQEditor& editor, bool external) {
  const bool hideExternal = !external;
  if (editor.SkinMode() == 1)
    HideIf(mBackground[3], hideExternal);
  else if (editor.SkinMode() == 0 || editor.SkinMode() == 2)
    HideIf(mBackground[2], hideExternal);
  HideParams(editor,
             {vq_param::kExtMidiPanelSwitch, vq_param::kExtMidiOn, vq_param::kExtMidiProgramChange,
              vq_param::kExtMidiPitchbendRange, vq_param::kExtMidiOctaveTranspose},
             hideExternal);
  for (IControl* t : mExtMidiText) HideIf(t, hideExternal);
  if (!hideExternal) {
    const bool was = editor.ApplyingProgram();
    editor.SetApplyingProgram(true);
    editor.SetParameterFromGUI2(vq_param::kExtMidiPitchbendRange,
                                editor.ParamInt(vq_param::kPitchBendRange));
    editor.SetApplyingProgram(was);
  }
  const bool hideInternal = !hideExternal;
  HideParams(editor, {vq_param::kIntMidiPanelSwitch}, hideInternal);
  bool portamentoModulated = false;
  for (int k = 0; k < kFlexiSlotCount; ++k) {
    if (editor.Flexi().Destinations()[k] != 85) continue;
    portamentoModulated = true;
    HideParams(editor, {vq_param::kFlexi1RangeA + 2 * k, vq_param::kFlexi1RangeB + 2 * k},
               hideInternal);
  }
  if (!portamentoModulated) HideParams(editor, {vq_param::kPortamentoTime}, hideInternal);
  HideParams(editor,
             {vq_param::kPortamentoSlope, vq_param::kPitchBendRange, vq_param::kTrigGateMode,
              vq_param::kKeyPriority, vq_param::kMidiSync, vq_param::kPortamentoMode},
             hideInternal);
  for (int p : {vq_param::kPortamentoTime, vq_param::kPortamentoSlope, vq_param::kPitchBendRange,
                vq_param::kTrigGateMode, vq_param::kKeyPriority, vq_param::kMidiSync,
                vq_param::kPortamentoMode})
    HideIf(mReadouts[p - kFieldOffset], hideInternal);
}

void EditorPages::ShowManagerPage(VQEditor& editor, bool hide) {
  HideIf(mPmBackground, hide);
  HideParams(editor, {vq_param::kManagerLocalBrowser, vq_param::kManagerClearBank,
                      vq_param::kManagerSaveBank,     vq_param::kManagerSelectAll,
                      vq_param::kManagerSelectNone,   vq_param::kManagerInvertSelection,
                      vq_param::kManagerInsert,       vq_param::kManagerLoadBank,
                      vq_param::kManagerDownloadBank, vq_param::kManagerUploadBank,
                      vq_param::kManagerSendBank,     vq_param::kManagerApplyEdit,
                      vq_param::kManagerRemoveMode,   vq_param::kManagerMoveMode,
                      vq_param::kManagerCopyMode,     vq_param::kManagerSwapMode,
                      vq_param::kManagerEditMode,     vq_param::kManagerConfirm,
                      vq_param::kManagerCategoryBass, vq_param::kManagerCategoryGtr,
                      vq_param::kManagerCategoryMidi, vq_param::kManagerCategoryFx,
                      vq_param::kManagerCategoryEwi},
             hide);
  for (IControl* row : mBrowserRows) HideIf(row, hide);
  HideIf(mBrowserSelect, hide);
  for (size_t i = 1; i < mSlots.size(); ++i)
    for (IControl* c : mSlots[i]) HideIf(c, hide);
  HideParams(editor, {vq_param::kManagerBrowserScroll}, hide);
  HideIf(mNameField, hide);
  HideIf(mSlotMatrix, hide);
  HideParams(editor, {vq_param::kManagerPreviewNote}, hide);
  if (!hide) {
    if (mManagerState != 0 || ManagerEditModeOn(editor))
      HideParams(editor, {vq_param::kManagerPreviewNote}, true);
    if (editor.Browser().Rows().size() < static_cast<size_t>(vq_layout::kBrowserRows))
      HideParams(editor, {vq_param::kManagerBrowserScroll}, true);
  }
  ShowLoginPanel(editor, true);
  ShowSelectFolderPanel(editor, true);
  editor.SetManagerPageShown(!hide);
}

void EditorPages::ShowCurrentPageGroups(VQEditor& editor) {
  RefreshGuiFromParams(editor, 0, editor.Graphics() ? editor.Graphics()->GetWidth() : 1140, 0);
}

void EditorPages::RefreshGuiFromParams(VQEditor& editor, int layoutView, double width,
                                       double height) {
  if (layoutView != 0) return;
  IGraphics* g = editor.Graphics();
  // The MIDI-sync ranges follow the current program.
  editor.SetupSyncRanges(editor.ParamInt(vq_param::kMidiSync),
                         editor.ParamInt(vq_param::kDelayVintageLong) == 1);
  if (!g) {
    UpdateEqDisplay(editor);
    return;
  }
  // The scale being applied: the window may not have its new size yet.
  const double s =
      editor.GetGUIResize() ? editor.GetGUIResize()->GetGuiScale() : g->GetWidth() / 1140.0;
  auto value = [&](int p) { return editor.ParamInt(p); };
  // The record is brought up to the knobs first: a resize must not take back an edit.
  if (!editor.ApplyingProgram()) editor.PackParamsToRecord();
  auto field = [&](int f) { return editor.Record()[f]; };
  // The VCF variant.
  if (value(vq_param::kVcfVintageNew) == 1 || value(vq_param::kVcfVintageNew) == 0) {
    const bool vintage = value(vq_param::kVcfVintageNew) == 0;
    HideParams(editor, {vq_param::kVcfCutoffFrequencyVintage}, !vintage);
    HideIf(mReadouts[vq_param::kVcfCutoffFrequencyVintage - kFieldOffset], !vintage);
    HideParams(editor, {vq_param::kVcfCutoffFrequencyNew}, vintage);
    HideIf(mReadouts[vq_param::kVcfCutoffFrequencyNew - kFieldOffset], vintage);
  }
  // FLEXI indicators and range sliders.
  for (int k = 0; k < kFlexiSlotCount; ++k) {
    const int t = editor.Flexi().Destinations()[k];
    // A layout rearranged to its built state shows the indicators the slots still have.
    HideIf(mFlexiOverlay[k], t == -1 || !editor.Flexi().IndicatorShown()[k]);
    if (t < 0) continue;
    if (value(98 + 7 * k) > 0) {
      MoveFlexiRangeControls(editor, k, t);
    } else {
      HideParams(editor, {vq_param::kFlexi1RangeA + 2 * k, vq_param::kFlexi1RangeB + 2 * k}, true);
      HideParams(editor, {t + kFieldOffset}, false);
    }
  }
  // The equalizer view and the effect panels.
  if (editor.Flexi().AimsAtEqualizer()) mEqBandView = true, mEqCurveView = false;
  ShowSaveFromDevicePanel(editor, true);
  ShowModControls(editor, true);
  ShowOverdriveControls(editor, true);
  ShowEqBandControls(editor, true);
  ShowEqualizerSection(editor, true);
  // The effect panel shown.
  if (value(vq_param::kShowFxOverdrive) == 1) {
    ShowOverdriveControls(editor, false);
  } else if (value(vq_param::kShowFxEqualizer) == 1) {
    if (mEqBandView) ShowEqBandControls(editor, false);
    if (mEqCurveView) ShowEqualizerSection(editor, false);
  } else {
    ShowModControls(editor, false);
    const bool delay = (field(123) & 1) != 0;
    editor.SetParameterFromGUI2(vq_param::kShowFxChorus, delay ? 0.0 : 1.0);
    editor.SetParameterFromGUI2(vq_param::kShowFxDelay, delay ? 1.0 : 0.0);
  }
  // The skin's backgrounds and the copy panel in use, then external MIDI and the chorus / delay
  // highlights.
  ShowSkinBackgrounds(editor.SkinMode() != 1);
  ShowCopyPanel(editor.CopyPanelVco());
  ShowExtMidiPage(editor, value(vq_param::kIntMidiExtMidi) == 1);
  const bool modOn = field(131) == 1, delay = (field(123) & 1) != 0;
  HideIf(mTabHighlight[2], !(modOn && !delay));
  HideIf(mTabHighlight[3], !(modOn && delay));
  // FLEXI ranges and the delay values.
  editor.SetupSyncRanges(editor.ParamInt(vq_param::kMidiSync),
                         editor.ParamInt(vq_param::kDelayVintageLong) == 1);
  editor.SetParameterFromGUI2(vq_param::kVco4PwmLfoFrq, field(42));
  editor.SetParameterFromGUI2(vq_param::kDelay1, field(135));
  editor.SetParameterFromGUI2(vq_param::kDelay2, field(139));
  // Range pairs of the slots aimed at those fields.
  for (int k = 0; k < kFlexiSlotCount; ++k) {
    const int t = editor.Flexi().Destinations()[k];
    if (t != 42 && t != 139 && t != 135) continue;
    editor.SetParameterFromGUI2(vq_param::kFlexi1RangeA + 2 * k, field(t));
    const int r = field(99 + 7 * k);
    int b = value(101 + 7 * k) != 0 ? field(t) - r : field(t) + r;
    const auto& row = ProgramFieldTable::kRows[t];
    b = std::max(std::min(b, static_cast<int>(row.max)), static_cast<int>(row.min));
    editor.SetParameterFromGUI2(vq_param::kFlexi1RangeB + 2 * k, b);
  }
  // The curve.
  if (mEqCurveView) UpdateEqDisplayFromProgram(editor);
  // Effect order and the overdrive / equalizer highlights.
  const int order = value(vq_param::kEffectsChainOrder);
  // Rounded as every control's box is at this size: the tabs stay in line with the other two.
  const int xA = IModuleGUIResize::ScaleCoord(523, s), xB = IModuleGUIResize::ScaleCoord(618, s);
  const int y = IModuleGUIResize::ScaleCoord(editor.SkinMode() == 2 ? 562 : 565, s);
  if (order == 0 || order == 1) {
    const int od = order == 0 ? xA : xB, eq = order == 0 ? xB : xA;
    g->MoveControlsOfParam(vq_param::kShowFxOverdrive, od, y);
    g->MoveControlsOfParam(vq_param::kShowFxEqualizer, eq, y);
    g->MoveControlsOfParam(vq_param::kFxOverdriveBlock, od, y);
    g->MoveControlsOfParam(vq_param::kFxEqualizerBlock, eq, y);
    if (mTabHighlight[0]) mTabHighlight[0]->MoveTo(od, y);
    if (mTabHighlight[1]) mTabHighlight[1]->MoveTo(eq, y);
  }
  HideIf(mTabHighlight[0], value(vq_param::kOverdriveOnOff) == 0);
  HideIf(mTabHighlight[1], value(vq_param::kEqualizerOnOff) == 0);
  // 15, 16.
  editor.RedrawParamControls();
  ShowManagerPage(editor, !editor.ManagerPageShown());
}

void EditorPages::FeedEq(const std::array<int, 12>& values) {
  if (!mEq) return;
  for (const IParaGraphicEq::Band& b : vq_eq::BandsFromValues(values)) mEq->SetBand(b);
}

void EditorPages::UpdateEqDisplay(VQEditor& editor) {
  mEqBandView = false;
  mEqCurveView = true;
  ShowEqBandControls(editor, true);
  ShowEqualizerSection(editor, false);
  std::array<int, 12> v{};
  for (int i = 0; i < 12; ++i) v[i] = editor.ParamInt(vq_param::kBassFrq + i);
  FeedEq(v);
}

void EditorPages::UpdateEqDisplayFromProgram(VQEditor& editor) {
  std::array<int, 12> v{};
  for (int i = 0; i < 12; ++i) v[i] = editor.Record()[158 + i];
  FeedEq(v);
}

void EditorPages::SetFieldKnobFrameLimit(VQEditor& editor, int field, int frames) {
  if (IKnobMultiControl* k = KnobOf(field + kFieldOffset)) k->SetFrameLimit(frames);
}

void EditorPages::SetFlexiRangeKnobFrameLimit(VQEditor& editor, int slot, int frames) {
  if (slot < 0 || slot >= kFlexiSlotCount) return;
  for (int p : {vq_param::kFlexi1RangeA + 2 * slot, vq_param::kFlexi1RangeB + 2 * slot})
    if (IKnobMultiControl* k = KnobOf(p)) k->SetFrameLimit(frames);
}

void EditorPages::SetDelayKnobFrameLimit(VQEditor& editor, int delay, int frames) {
  if (delay == 0 || delay == 1)
    if (IKnobMultiControl* k = KnobOf(delay == 0 ? vq_param::kDelay1 : vq_param::kDelay2))
      k->SetFrameLimit(frames);
}

void EditorPages::MoveFlexiRangeControls(VQEditor& editor, int slot, int field) {
  IGraphics* g = editor.Graphics();
  if (!g || slot < 0 || slot >= kFlexiSlotCount) return;
  const vq_layout::Point p = vq_layout::KnobPositionAt(field);
  const int a = vq_param::kFlexi1RangeA + 2 * slot, b = a + 1;
  // A destination outside the table, or one the table does not place, leaves the sliders hidden.
  if (field < 0 || field >= vq_layout::kPositionCount || (p.x == 0 && p.y == 0)) {
    HideParams(editor, {a, b}, true);
    return;
  }
  const double s =
      editor.GetGUIResize() ? editor.GetGUIResize()->GetGuiScale() : g->GetWidth() / 1140.0;
  // Over a short slider (one with a control just below it) the short strips, bottoms aligned,
  // so that the range sliders cover no other control.
  IFrameBitmap* const* images = mFlexiRangeImage[slot];
  const IKnobMultiControl* target = KnobOf(field + kFieldOffset);
  const IFrameBitmap* targetImage = target ? target->GetBitmap() : nullptr;
  const bool tight =
      images[0] && images[1] && targetImage && targetImage->mBaseH < images[0]->mBaseH;
  IFrameBitmap* image = images[tight ? 1 : 0];
  for (int param : {a, b})
    if (IKnobMultiControl* k = KnobOf(param)) k->SetBitmap(image, s);
  const int sliderWidth = image ? image->mBaseW : 16;
  const int y = vq_layout::SliderRowY(field + vq_layout::kPositionFirstParam);
  const int top = tight ? y - 12 + targetImage->mBaseH - image->mBaseH : y - 12;
  g->MoveControlsOfParam(a, static_cast<int>(p.x * s), static_cast<int>(top * s));
  g->MoveControlsOfParam(b, static_cast<int>((p.x + sliderWidth) * s), static_cast<int>(top * s));
  HideParams(editor, {a, b}, false);
  HideParams(editor, {field + kFieldOffset}, true);
}

void EditorPages::HideFlexiDestinationHighlight(VQEditor& editor, int slot, bool hide) {
  if (slot >= 0 && slot < kFlexiSlotCount) HideIf(mFlexiOverlay[slot], hide);
}

void EditorPages::HideListViewFrame(VQEditor& editor, bool hide) {
  HideParams(editor, {vq_param::kCloseListView}, hide);
  // An open source list shows its page as its frame.
  const int open = editor.Flexi().ListViewTarget();
  HideIf(mSourceList, hide || open < 0 || open > 3);
}

bool EditorPages::IsKnobHeld(const VQEditor& editor, int paramIdx) const {
  auto* knob = dynamic_cast<IKnobMultiControl2*>(KnobOf(paramIdx));
  return knob && knob->IsChanged();
}
