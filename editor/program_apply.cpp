// Moving whole programs between the record and the parameters, and the INIT program.
#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "plugin/iparam.h"
#include "protocol/program_codec.h"

void VQEditor::PackParamsToRecord() {
  UTL_MutexLock lock(mMutex);
  mRecord = PackParams(Reader());
}

void VQEditor::ResetFlexiSlotMarkers() {
  IGraphics* g = Graphics();
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    // The range knobs give the destination's place back to its knob; the page groups shown
    // next decide whether that knob is on the current page.
    const int32_t d = mFlexiPick.Destinations()[n];
    if (g && d >= 0 && d < kProgramFieldCount) {
      g->HideControlsOfParam(vq_param::kFlexi1RangeA + 2 * n, true);
      g->HideControlsOfParam(vq_param::kFlexi1RangeB + 2 * n, true);
      g->HideControlsOfParam(d + kFieldParamOffset, false);
      ShowFlexiIndicator(n, false);
    }
    mFlexiPick.Destinations()[n] = -1;
    ShowFlexiLearnCaption(n, "LEARN");
  }
}

void VQEditor::ApplyFieldsUpToPortamento() {
  for (int f = 0; f <= 75; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
  SetParam(
      mRecord[75] != 0 ? vq_param::kVcfCutoffFrequencyNew : vq_param::kVcfCutoffFrequencyVintage,
      mRecord[76]);
  for (int f = 77; f <= 88; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
  SetParam(vq_param::kTrigGateMode, mRecord[89] & 1);
  SetParam(vq_param::kPortamentoMode, (mRecord[89] >> 1) & 1);
  for (int f = 90; f <= 94; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
}

void VQEditor::ApplyFlexiSlot(int n, bool withDestination) {
  const int b = kFlexiFirstField + kFlexiSlotFields * n;
  SetParam(vq_param::kFlexi1Source + 7 * n, mRecord[b]);
  SetParam(vq_param::kFlexi1Bits + 7 * n, mRecord[b + 1] & 1);
  SetParam(vq_param::kFlexi1Mode + 2 * n, (mRecord[b + 1] >> 1) & 1);
  SetParam(vq_param::kFlexi1Destination + 7 * n, mRecord[b + 2]);
  SetParam(vq_param::kFlexi1RangePolarity + 7 * n, mRecord[b + 3] & 1);
  SetParam(vq_param::kFlexi1RangeControlPolarity + 2 * n, (mRecord[b + 3] >> 1) & 1);
  SetParam(vq_param::kFlexi1Range + 7 * n, mRecord[b + 4]);
  SetParam(vq_param::kFlexi1RangeControl + 7 * n, mRecord[b + 5]);
  SetParam(vq_param::kFlexi1Curve + 7 * n, mRecord[b + 6]);
  int sourceRow = ProgramFieldTable::SourceListPosition(mRecord[b]);
  if (sourceRow >= 0) SetParam(vq_param::kFlexi1Sources + 2 * n, sourceRow);
  int rangeRow = ProgramFieldTable::RangeControlListPosition(mRecord[b + 5]);
  if (rangeRow >= 0) SetParam(vq_param::kFlexi1Sources + 1 + 2 * n, rangeRow);

  if (!withDestination || mRecord[b] < 1) return;
  int32_t d = ParamInt(vq_param::kFlexi1Bits + 7 * n) * 128 +
              ParamInt(vq_param::kFlexi1Destination + 7 * n);
  // A destination beyond the fields (a damaged file or dump) leaves the slot without one; the
  // stored value stays in the parameters.
  if (!ProgramFieldTable::IsFlexiDestination(d)) return;
  // The cutoff address (76) means the new filter's cutoff (field 183) while the record selects
  // that filter: the slot is marked, ranged and placed as a pick of that knob would have done,
  // so its range values are not cut to the vintage cutoff's 0..80.
  const int dv = (d == 76 && mRecord[75] == 1) ? 183 : d;
  mFlexiPick.Destinations()[n] = dv;
  const int rangeA = vq_param::kFlexi1RangeA + 2 * n;
  for (int idx : {rangeA, rangeA + 1})
    ReinitIntParam(idx, "Flexi Range", ProgramFieldTable::Min(dv), ProgramFieldTable::Min(dv),
                   ProgramFieldTable::Max(dv));
  if (mPages) mPages->MoveFlexiRangeControls(*this, n, dv);
  int32_t range = mRecord[b + 4];
  SetParam(rangeA, mRecord[dv]);
  SetParam(rangeA + 1, ParamInt(vq_param::kFlexi1RangePolarity + 7 * n) ? mRecord[dv] - range
                                                                        : mRecord[dv] + range);
}

void VQEditor::ApplyMidiFields() {
  SetParam(vq_param::kDelayVintageLong, mRecord[123] & 1);
  SetParam(vq_param::kMidiSync, mRecord[124] & 3);
  SetParam(vq_param::kVco2OscSync, (mRecord[184] >> 2) & 1);
  SetParam(vq_param::kTrackingPriority, (mRecord[185] >> 3) & 1);
  SetParam(vq_param::kExtMidiProgramChange, mRecord[125]);
  SetParam(vq_param::kExtMidiOn, (mRecord[123] >> 1) & 1);
  SetParam(vq_param::kExtMidiOctaveTranspose, (mRecord[123] >> 2) & 3);
  SetParam(vq_param::kExtMidiPitchbendRange, mRecord[87]);
}

void VQEditor::ApplyEffectFields() {
  for (int f = 128; f <= 143; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
  SetParam(vq_param::kOverdriveOnOff, mRecord[144] >= 1 ? 1 : 0);
  SetParam(vq_param::kOdBlendInstrument, mRecord[144] & 1);
  SetParam(vq_param::kOdBlendVcf, (mRecord[144] >> 1) & 1);
  SetParam(vq_param::kDrive, mRecord[145]);
  SetParam(vq_param::kLevel, mRecord[146]);
  SetParam(vq_param::kEqualizerOnOff, mRecord[157] >= 1 ? 1 : 0);
  SetParam(vq_param::kEqBlendInstrument, mRecord[157] & 1);
  SetParam(vq_param::kEqBlendVcf, (mRecord[157] >> 1) & 1);
  for (int f = 158; f <= 169; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
}

void VQEditor::ApplyRecordToParams() {
  UTL_MutexLock lock(mMutex);
  if (Graphics()) {
    ResetFlexiSlotMarkers();
    if (mPages) mPages->ShowCurrentPageGroups(*this);
  } else {
    for (int32_t& d : mFlexiPick.Destinations()) d = -1;
  }
  // The LFO and delay ranges of the program being applied hold before any of its values is set:
  // the previous program's (synced) ranges would otherwise clip them.
  SetupSyncRanges(mRecord[124] & 3, (mRecord[123] & 1) != 0);
  ApplyFieldsUpToPortamento();
  for (int n = 0; n < kFlexiSlotCount; ++n) ApplyFlexiSlot(n, true);
  ApplyMidiFields();
  ApplyEffectFields();
  // The page refresh above may have written them under the previous program's clock.
  ShowClockReadouts();
}

void VQEditor::InitProgram() {
  UTL_MutexLock lock(mMutex);
  // Undo gives the program before INIT back under its own name.
  mHistory.SetCurrentLabel(ProgramLabel());
  RenewProgramIdentity();
  DropLoadAfterSave();
  mProgramName = "INIT";
  // A new program: nothing edited yet, and no file behind it.
  mProgramEdited = false;
  mProgramWithoutFile = true;
  mBrowser.SetCurrentProgramPath(mBrowser.CurrentProgramFolder() + "Init.pr4");
  ShowProgramName();
  if (!Graphics()) return;

  mApplyingProgram = true;
  mLastField = kNoFieldSent;
  mRecord = ProgramFieldTable::InitRecord();
  for (int32_t& v : mLastSent) v = 128;
  ApplyRecordToParams();
  if (mSkinMode == 2) UpdateEqDisplayLcd();
  FinishProgramApply();
  TakeUndoSnapshot();
  mHistory.AppendSnapshot(ProgramLabel());
}
