// Moving whole programs between the record and the parameters, and the INIT program.
#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "plugin/iparam.h"
#include "protocol/program_codec.h"

void VQEditor::PackParamsToRecord() {
  UTL_MutexLock lock(mMutex);
  record = PackParams(Reader());
}

void VQEditor::ResetFlexiSlotMarkers() {
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    flexiDestination[n] = -1;
    if (flexiLearnCaption[n]) flexiLearnCaption[n]->SetTextFromPlug("LEARN");
  }
}

void VQEditor::ApplyFieldsUpToPortamento() {
  for (int f = 0; f <= 75; ++f) SetParam(f + kFieldParamOffset, record[f]);
  SetParam(
      record[75] != 0 ? vq_param::kVcfCutoffFrequencyNew : vq_param::kVcfCutoffFrequencyVintage,
      record[76]);
  for (int f = 77; f <= 88; ++f) SetParam(f + kFieldParamOffset, record[f]);
  SetParam(vq_param::kTrigGateMode, record[89] & 1);
  SetParam(vq_param::kPortamentoMode, (record[89] >> 1) & 1);
  for (int f = 90; f <= 94; ++f) SetParam(f + kFieldParamOffset, record[f]);
}

void VQEditor::ApplyFlexiSlot(int n, bool withDestination) {
  const int b = kFlexiFirstField + kFlexiSlotFields * n;
  SetParam(vq_param::kFlexi1Source + 7 * n, record[b]);
  SetParam(vq_param::kFlexi1Bits + 7 * n, record[b + 1] & 1);
  SetParam(vq_param::kFlexi1Mode + 2 * n, (record[b + 1] >> 1) & 1);
  SetParam(vq_param::kFlexi1Destination + 7 * n, record[b + 2]);
  SetParam(vq_param::kFlexi1RangePolarity + 7 * n, record[b + 3] & 1);
  SetParam(vq_param::kFlexi1RangeControlPolarity + 2 * n, (record[b + 3] >> 1) & 1);
  SetParam(vq_param::kFlexi1Range + 7 * n, record[b + 4]);
  SetParam(vq_param::kFlexi1RangeControl + 7 * n, record[b + 5]);
  SetParam(vq_param::kFlexi1Curve + 7 * n, record[b + 6]);
  int sourceRow = ProgramFieldTable::SourceListPosition(record[b]);
  if (sourceRow >= 0) SetParam(vq_param::kFlexi1Sources + 2 * n, sourceRow);
  int rangeRow = ProgramFieldTable::RangeControlListPosition(record[b + 5]);
  if (rangeRow >= 0) SetParam(vq_param::kFlexi1Sources + 1 + 2 * n, rangeRow);

  if (!withDestination || record[b] < 1) return;
  int32_t d = ParamInt(vq_param::kFlexi1Bits + 7 * n) * 128 +
              ParamInt(vq_param::kFlexi1Destination + 7 * n);
  // A destination beyond the fields (a damaged file or dump) leaves the slot without one; the
  // stored value stays in the parameters.
  if (!ProgramFieldTable::IsFlexiDestination(d)) return;
  // The cutoff address (76) means the new filter's cutoff (field 183) while the record selects
  // that filter: the slot is marked, ranged and placed as a pick of that knob would have done,
  // so its range values are not cut to the vintage cutoff's 0..80.
  const int dv = (d == 76 && record[75] == 1) ? 183 : d;
  flexiDestination[n] = dv;
  const int rangeA = vq_param::kFlexi1RangeA + 2 * n;
  for (int idx : {rangeA, rangeA + 1})
    ReinitIntParam(idx, "Flexi Range", ProgramFieldTable::Min(dv), ProgramFieldTable::Min(dv),
                   ProgramFieldTable::Max(dv));
  if (mPages) mPages->MoveFlexiRangeControls(*this, n, dv);
  int32_t range = record[b + 4];
  SetParam(rangeA, record[dv]);
  SetParam(rangeA + 1, ParamInt(vq_param::kFlexi1RangePolarity + 7 * n) ? record[dv] - range
                                                                        : record[dv] + range);
}

void VQEditor::ApplyMidiFields() {
  SetParam(vq_param::kDelayVintageLong, record[123] & 1);
  SetParam(vq_param::kMidiSync, record[124] & 3);
  SetParam(vq_param::kVco2OscSync, (record[184] >> 2) & 1);
  SetParam(vq_param::kTrackingPriority, (record[185] >> 3) & 1);
  SetParam(vq_param::kExtMidiProgramChange, record[125]);
  SetParam(vq_param::kExtMidiOn, (record[123] >> 1) & 1);
  SetParam(vq_param::kExtMidiOctaveTranspose, (record[123] >> 2) & 3);
  SetParam(vq_param::kExtMidiPitchbendRange, record[87]);
}

void VQEditor::ApplyEffectFields() {
  for (int f = 128; f <= 143; ++f) SetParam(f + kFieldParamOffset, record[f]);
  SetParam(vq_param::kOverdriveOnOff, record[144] >= 1 ? 1 : 0);
  SetParam(vq_param::kOdBlendInstrument, record[144] & 1);
  SetParam(vq_param::kOdBlendVcf, (record[144] >> 1) & 1);
  SetParam(vq_param::kDrive, record[145]);
  SetParam(vq_param::kLevel, record[146]);
  SetParam(vq_param::kEqualizerOnOff, record[157] >= 1 ? 1 : 0);
  SetParam(vq_param::kEqBlendInstrument, record[157] & 1);
  SetParam(vq_param::kEqBlendVcf, (record[157] >> 1) & 1);
  for (int f = 158; f <= 169; ++f) SetParam(f + kFieldParamOffset, record[f]);
}

void VQEditor::ApplyRecordToParams() {
  UTL_MutexLock lock(mMutex);
  if (Graphics()) {
    ResetFlexiSlotMarkers();
    if (mPages) mPages->ShowCurrentPageGroups(*this);
  } else {
    for (int32_t& d : flexiDestination) d = -1;
  }
  // The LFO and delay ranges of the program being applied hold before any of its values is set:
  // the previous program's (synced) ranges would otherwise clip them.
  SetupSyncRanges(record[124] & 3, (record[123] & 1) != 0);
  ApplyFieldsUpToPortamento();
  for (int n = 0; n < kFlexiSlotCount; ++n) ApplyFlexiSlot(n, true);
  ApplyMidiFields();
  ApplyEffectFields();
}

void VQEditor::InitProgram() {
  UTL_MutexLock lock(mMutex);
  SetStatusText("INIT");
  programName = "INIT";
  currentProgramPath = currentProgramFolder + "Init.pr4";
  ShowProgramName();
  if (!Graphics()) return;

  applyingProgram = true;
  lastField = kNoFieldSent;
  record = ProgramFieldTable::InitRecord();
  for (int32_t& v : lastSent) v = 128;
  ApplyRecordToParams();
  if (skinMode == 2) UpdateEqDisplayLcd();
  FinishProgramApply();
  RecordUndoStep();
}
